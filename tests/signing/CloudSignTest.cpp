#include "SignTestFixture.h"

#include "foundation/DateTime.h"
#include "foundation/Param.h"

#include <utility>

namespace korvel {
namespace {

using test::HttpsServer;
using test::ServerIdentity;
using test::SignTest;
using TFields = std::vector<std::pair<std::string, std::string>>;

const std::string Endpoint = "/api/v1/cloud-sign";

const std::string List = R"([
  {"issuerCNs": ["Вчасно"], "cloud_type": "vchasno"},
  {"issuerCNs": ["Інший"], "cloud_type": "other-cloud"},
  {"issuerCNs": ["Регістр"], "cloud_type": "Vchasno"}
])";

std::string PercentDecoded(const std::string& AText)
{
    std::string text;
    for (std::size_t i = 0; i < AText.size(); ++i) {
        if (AText[i] == '+') {
            text += ' ';
        } else if (AText[i] == '%' && i + 2 < AText.size()) {
            text += static_cast<char>(std::stoi(AText.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            text += AText[i];
        }
    }
    return text;
}

// The form body's fields in the order sent.
TFields FormFields(const std::string& ABody)
{
    TFields fields;
    std::size_t start = 0;
    while (start <= ABody.size()) {
        const std::size_t end = std::min(ABody.find('&', start), ABody.size());
        const std::string field = ABody.substr(start, end - start);
        const std::size_t equals = field.find('=');
        fields.emplace_back(PercentDecoded(field.substr(0, equals)), PercentDecoded(field.substr(equals + 1)));
        start = end + 1;
    }
    return fields;
}

class CloudSignTest : public SignTest {
protected:
    void SetUp() override
    {
        SignTest::SetUp();
        LoadList(List);
        FKey.pkCreatorName = "Вчасно";
        FKey.pkLogin = "3012345678";
        FKey.pkToken = "token-1";
        FKey.pkPassword = "pa ss&=ключ";
        FKey.pkEdrpou = "12345678";
        FKey.pkSN = "2F1A0001";
    }

    // A server answering the cloud-signing request; WEB_URL points at it.
    std::unique_ptr<HttpsServer> Serve(int AStatus, const std::string& AAnswer)
    {
        auto server = std::make_unique<HttpsServer>(FCertificates.For(ServerIdentity::Trusted));
        server->Routes().Post(Endpoint, server->Reply(AStatus, AAnswer));
        server->Start();
        ServeWeb(*server);
        return server;
    }

    std::string Sign(const std::string& AData = "VEVTVA==", bool AReadSigner = false, bool ATimeStamp = false,
                     std::int64_t AType = 4)
    {
        return TSignTestAccess::CloudSign(FSign, FKey, AData, AReadSigner, ATimeStamp, AType);
    }

    TPrivateKey FKey;
    TSign FSign;
};

TEST_F(CloudSignTest, FieldsGoInOrderWithTheKeyIdentityOfTheServiceType)
{
    const auto server = Serve(200, R"({"signed": "MIIB"})");

    EXPECT_EQ(Sign("VEVTVA==", false, true, 8589934596), "MIIB");

    const auto request = server->Recorded().Requests().at(0);
    EXPECT_EQ(request.Path, Endpoint);
    EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.Header("Accept"), "application/json");
    EXPECT_EQ(FormFields(request.Body), (TFields{{"token", "token-1"},
                                                 {"key_id", "3012345678"},
                                                 {"data", "VEVTVA=="},
                                                 {"edrpou", "12345678"},
                                                 {"serial", "2F1A0001"},
                                                 {"sign_type_cades", "8589934596"},
                                                 {"password", "pa ss&=ключ"},
                                                 {"cloud_type", "vchasno"},
                                                 {"include_content_timestamp", "1"}}));
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(CloudSignTest, OtherServiceTypesSendTheDrfoCodeInstead)
{
    for (const std::string creator : {"Інший", "Регістр"}) {
        const auto server = Serve(200, R"({"signed": "MIIB"})");
        FKey.pkCreatorName = creator;
        Sign("Test", false, false, 4);
        const auto fields = FormFields(server->Recorded().Requests().at(0).Body);
        TFields expected{{"drfo", "3012345678"},
                         {"data", "Test"},
                         {"edrpou", "12345678"},
                         {"serial", "2F1A0001"},
                         {"sign_type_cades", "4"},
                         {"password", "pa ss&=ключ"},
                         {"cloud_type", creator == "Інший" ? "other-cloud" : "Vchasno"},
                         {"include_content_timestamp", "0"}};
        EXPECT_EQ(fields, expected) << creator;
    }
}

TEST_F(CloudSignTest, TestModeSendsToTheTestServer)
{
    const auto production = Serve(200, R"({"signed": "production"})");
    HttpsServer testing(FCertificates.For(ServerIdentity::Trusted));
    testing.Routes().Post(Endpoint, testing.Reply(200, R"({"signed": "test"})"));
    testing.Start();
    ServeTestWeb(testing);
    TParam::SetDebug(true);

    EXPECT_EQ(Sign(), "test");
    EXPECT_EQ(production->Recorded().Count(), 0u);
}

TEST_F(CloudSignTest, FailuresOfTheServiceAreRaised)
{
    {
        const auto server = Serve(500, R"({"error": "Невірний пароль"})");
        EXPECT_EQ(RaisedBy([this] { Sign(); }), R"(Виникла помилка (POST): {"error": "Невірний пароль"})");
    }
    {
        const auto server = Serve(200, "");
        EXPECT_EQ(RaisedBy([this] { Sign(); }), "Не вдалося отримати відповідь від сервера");
    }
    TParam::WriteValue("WEB_URL", FNoServer.Url(""));
    const std::string transport = RaisedBy([this] { Sign(); });
    EXPECT_TRUE(transport.starts_with("Виникла помилка (POST): ")) << transport;
    EXPECT_GT(transport.size(), std::string("Виникла помилка (POST): ").size());
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(CloudSignTest, AnswerWithoutASignatureGivesNone)
{
    for (const std::string answer : {R"({"result": "ok"})", R"({"signed": null})", R"(["MIIB"])", "MIIB"}) {
        const auto server = Serve(200, answer);
        EXPECT_EQ(Sign(), "") << answer;
    }
}

TEST_F(CloudSignTest, SignerDataOfTheAnswerAreTakenWhenWanted)
{
    const std::string answer = R"({"signed": "MIIB", "signer": {"serial": "5E984D52", "subjFullName": "Петренко Петро",
        "subjOrg": "ТОВ Тест", "subjDRFOCode": "3012345678", "subjEDRPOUCode": "12345678",
        "certEndTime": "12.31.2027 23:59:58"}})";
    const auto server = Serve(200, answer);

    Sign("VEVTVA==", false);
    EXPECT_EQ(FSign.CertInfo().Serial, "");

    EXPECT_EQ(Sign("Test", true), "MIIB");
    const TCertInfoRec& info = FSign.CertInfo();
    EXPECT_EQ(info.Serial, "5E984D52");
    EXPECT_EQ(info.SubjFullName, "Петренко Петро");
    EXPECT_EQ(info.SubjOrg, "ТОВ Тест");
    EXPECT_EQ(info.SubjDRFOCode, "3012345678");
    EXPECT_EQ(info.SubjEDRPOUCode, "12345678");
    EXPECT_EQ(DecodeDateTime(info.CertEndTime), (TDateTimeParts{2027, 12, 31, 23, 59, 58, 0}));
}

TEST_F(CloudSignTest, AbsentSignerFieldsLeaveTheCertificateDataAsTheyWere)
{
    TCertInfoRec& info = TSignTestAccess::CertInfo(FSign);
    info = {"OLD", "Old Name", "Old Org", "1111111111", "22222222", 46000.5};
    struct TCase {
        const char* Answer;
        TCertInfoRec Expected;
    };
    const TCase cases[] = {
        {R"({"signed": "MIIB"})", info},
        {R"({"signed": "MIIB", "signer": "none"})", info},
        {R"({"signed": "MIIB", "signer": {"serial": "NEW", "subjOrg": null}})",
         {"NEW", "Old Name", "Old Org", "1111111111", "22222222", 46000.5}},
        {R"({"signer": {"certEndTime": "31.12.2027"}})", {"NEW", "Old Name", "Old Org", "1111111111", "22222222", 0}},
    };
    for (const auto& c : cases) {
        const auto server = Serve(200, c.Answer);
        Sign("Test", true);
        EXPECT_EQ(info.Serial, c.Expected.Serial) << c.Answer;
        EXPECT_EQ(info.SubjFullName, c.Expected.SubjFullName) << c.Answer;
        EXPECT_EQ(info.SubjOrg, c.Expected.SubjOrg) << c.Answer;
        EXPECT_EQ(info.SubjDRFOCode, c.Expected.SubjDRFOCode) << c.Answer;
        EXPECT_EQ(info.SubjEDRPOUCode, c.Expected.SubjEDRPOUCode) << c.Answer;
        EXPECT_EQ(info.CertEndTime, c.Expected.CertEndTime) << c.Answer;
    }
}

}  // namespace
}  // namespace korvel
