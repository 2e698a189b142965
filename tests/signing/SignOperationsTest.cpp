// Data and hash signing against the scripted library: the runtime parameters and the signing
// call, what each failure logs, blank input, and the cloud branch.

#include "SignTestFixture.h"

#include "foundation/Param.h"
#include "signlib/SignLibrary.h"

#include <thread>

namespace korvel {
namespace {

using test::HttpsServer;
using test::ServerIdentity;
using test::SignTest;
using TArgs = std::vector<std::string>;
using TLines = std::vector<std::string>;

const std::string& List = test::FileAndCloudAuthorities;
const std::string Error = test::FakeError;
// "TEST" read as base64.
const std::string TestBytes = "\x4c\x44\x93";

// Both operations, for what they share.
struct TOperation {
    std::string Name;
    std::string (TSign::*Sign)(const std::string&, std::int64_t, std::int32_t);
    std::string LibraryCall;
};
const TOperation Operations[] = {
    {"SignData", &TSign::SignData, "EUCtxSignData"},
    {"SignHash", &TSign::SignHash, "EUCtxSignHashValue"},
};

class SignOperationsTest : public SignTest {
protected:
    void SetUp() override
    {
        SignTest::SetUp();
        LoadList(List);
        InitialiseLibrary();
        TParam::SetSetCertificateFolder(true);
        const auto file = FFolder.Path() / "key.pfx";
        test::WriteFileBytes(file, "key");
        TPrivateKey key;
        key.pkIsFile = true;
        key.pkCreatorName = "АЦСК Тест";
        key.pkPassword = "пароль";
        key.pkFileName = file.string();
        ASSERT_TRUE(FSign.InitialKey(key));
        LogLines();
        Fake().ClearCalls();
    }

    std::string Sign(const TOperation& AOperation, const std::string& AData, std::int64_t AType = 4,
                     std::int32_t ATimeStamp = 0)
    {
        return (FSign.*AOperation.Sign)(AData, AType, ATimeStamp);
    }
    // The library's calls, without the error descriptions it was asked for.
    std::vector<std::string> Calls()
    {
        std::vector<std::string> names;
        for (const auto& name : Fake().CallNames())
            if (name != "EUGetErrorLangDesc")
                names.push_back(name);
        return names;
    }
    TArgs ParameterSet(std::size_t AIndex) { return Fake().CallsNamed("EUSetRuntimeParameter").at(AIndex).Args; }

    TSign FSign;
};

std::vector<std::string> SignCalls(const std::string& ALibraryCall)
{
    return {"EUSetRuntimeParameter", "EUSetRuntimeParameter", ALibraryCall,
            "EUBASE64Encode",        "EUCtxFreeMemory",       "EUFreeMemory"};
}

TEST_F(SignOperationsTest, DataIsDecodedSignedWithTheCertificateAndEncoded)
{
    EXPECT_EQ(FSign.SignData("TEST", 4, 0), "c2lnbmF0dXJl");

    EXPECT_EQ(Calls(), SignCalls("EUCtxSignData"));
    EXPECT_EQ(ParameterSet(0), (TArgs{"SignIncludeContentTimeStamp", "0", "4"}));
    EXPECT_EQ(ParameterSet(1), (TArgs{"SignType", "4", "4"}));
    EXPECT_EQ(Fake().CallsNamed("EUCtxSignData").at(0).Args, (TArgs{"key", "1", TestBytes, "0", "1"}));
    EXPECT_EQ(Fake().CallsNamed("EUBASE64Encode").at(0).Args, TArgs{"signature"});
    EXPECT_EQ(LogLines(), TLines{"Підпис даних (1A2B3C) - виконано. Розмір: 12"});
    EXPECT_EQ(Fake().Outstanding, 0);
}

TEST_F(SignOperationsTest, HashIsSignedAsGivenWithTheCertificate)
{
    EXPECT_EQ(FSign.SignHash("AAECAw==", 1, 1), "c2lnbmF0dXJl");

    EXPECT_EQ(Calls(), SignCalls("EUCtxSignHashValue"));
    EXPECT_EQ(Fake().CallsNamed("EUCtxSignHashValue").at(0).Args,
              (TArgs{"key", "1", std::string("\x00\x01\x02\x03", 4), "1"}));
    EXPECT_EQ(LogLines(), TLines{"Підпис хешу (1A2B3C) - виконано. Розмір: 12"});
    EXPECT_EQ(Fake().Outstanding, 0);
}

TEST_F(SignOperationsTest, ParametersReachTheLibraryAsTheRequestGivesThem)
{
    struct TCase {
        std::int64_t SignType;
        std::int32_t TimeStamp;
        std::string LibrarySignType;  // the low 32 bits
        std::string LibraryTimeStamp;
    };
    const TCase cases[] = {
        {1, 1, "1", "1"},
        {4, 7, "4", "7"},
        {0x100000004LL, 0, "4", "0"},
        {-1, -1, "4294967295", "4294967295"},
    };
    for (const auto& operation : Operations)
        for (const auto& test : cases) {
            SCOPED_TRACE(operation.Name + " " + std::to_string(test.SignType));
            Fake().ClearCalls();
            EXPECT_NE(Sign(operation, "TEST", test.SignType, test.TimeStamp), "");
            EXPECT_EQ(ParameterSet(0), (TArgs{"SignIncludeContentTimeStamp", test.LibraryTimeStamp, "4"}));
            EXPECT_EQ(ParameterSet(1), (TArgs{"SignType", test.LibrarySignType, "4"}));
        }
}

TEST_F(SignOperationsTest, RefusedParameterIsLoggedAndTheSignatureStillMade)
{
    for (const auto& operation : Operations)
        for (const std::string parameter : {"SignIncludeContentTimeStamp", "SignType"}) {
            SCOPED_TRACE(operation.Name + " " + parameter);
            Fake().Results = {{"EUSetRuntimeParameter:" + parameter, EU_ERROR_BAD_RUNTIME_PARAMETER}};
            Fake().ClearCalls();

            EXPECT_EQ(Sign(operation, "TEST"), "c2lnbmF0dXJl");
            const TLines lines = LogLines();
            ASSERT_EQ(lines.size(), 2u);
            EXPECT_EQ(lines[0], "Не вдалося встановити параметр: " + parameter + ". Помилка: " + Error + " (19)");
            EXPECT_EQ(Calls(), SignCalls(operation.LibraryCall));
        }
}

TEST_F(SignOperationsTest, InputWithoutDataIsLoggedWithoutCallingTheLibrary)
{
    // Blank text, and text with no base64 character in it.
    for (const auto& operation : Operations)
        for (const std::string input : {"", " ", "\t\r\n ", "====", "!!", "A"}) {
            SCOPED_TRACE(operation.Name + " [" + input + "]");
            EXPECT_EQ(Sign(operation, input), "");
            EXPECT_EQ(LogLines(), TLines{operation.Name + ". Відсутні дані (1A2B3C)"});
            EXPECT_TRUE(Fake().Calls.empty());
        }
}

TEST_F(SignOperationsTest, CharactersOutsideTheAlphabetAreSkipped)
{
    EXPECT_NE(FSign.SignData(" VE\r\nVT\tVA==\r\n", 4, 0), "");
    EXPECT_EQ(Fake().CallsNamed("EUCtxSignData").at(0).Args.at(2), "TEST");
}

TEST_F(SignOperationsTest, RefusedSignatureIsLoggedAndGivesNothing)
{
    const TLines messages = {"*SignData(1A2B3C):" + Error + " (17)",
                             "Не вдалося виконати CtxSignHashValue. Помилка: " + Error + " (17)"};
    for (std::size_t i = 0; i < std::size(Operations); ++i) {
        SCOPED_TRACE(Operations[i].Name);
        Fake().Results = {{Operations[i].LibraryCall, EU_ERROR_SIGN}};
        Fake().ClearCalls();

        EXPECT_EQ(Sign(Operations[i], "TEST"), "");
        EXPECT_EQ(LogLines(), TLines{messages[i]});
        EXPECT_EQ(Calls(), (std::vector<std::string>{"EUSetRuntimeParameter", "EUSetRuntimeParameter",
                                                     Operations[i].LibraryCall}));
    }
}

TEST_F(SignOperationsTest, FailedEncodingIsLoggedAndTheSignatureGivenBack)
{
    for (const auto& operation : Operations) {
        SCOPED_TRACE(operation.Name);
        Fake().Results = {{"EUBASE64Encode", EU_ERROR_NOT_ENOUGH_MEMORY}};
        Fake().ClearCalls();

        EXPECT_EQ(Sign(operation, "TEST"), "");
        EXPECT_EQ(LogLines(), TLines{operation.Name + "(1A2B3C):" + Error + " (4)"});
        EXPECT_EQ(Fake().CallsNamed("EUCtxFreeMemory").size(), 1u);
        EXPECT_EQ(Fake().Outstanding, 0);
    }
}

TEST_F(SignOperationsTest, OneSignerSignsOneRequestAtATime)
{
    constexpr int Rounds = 30;
    Fake().SignPauseMicroseconds = 300;
    auto sign = [this](std::int64_t AType) {
        for (int round = 0; round < Rounds; ++round)
            FSign.SignData("TEST", AType, 0);
    };
    std::thread one(sign, 1);
    std::thread two(sign, 4);
    one.join();
    two.join();

    // Each signature's calls, from its parameters to the return of its memory, stay together.
    const auto calls = Fake().Calls;
    const auto expected = SignCalls("EUCtxSignData");
    ASSERT_EQ(calls.size(), 2 * Rounds * expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i)
        ASSERT_EQ(calls[i].Name, expected[i % expected.size()]) << i;
    EXPECT_EQ(Fake().Outstanding, 0);
}

class CloudSignOperationsTest : public SignOperationsTest {
protected:
    void SetUp() override
    {
        SignTest::SetUp();
        LoadList(List);
        InitialiseLibrary();
        FServer.Routes().Post("/api/v1/cloud-sign", FServer.Reply(200, R"({"signed": "Q0xPVUQ=",
            "signer": {"serial": "C10D"}})"));
        FServer.Start();
        ServeWeb(FServer);
        TPrivateKey key;
        key.pkCreatorName = "Хмарний";
        key.pkLogin = "3012345678";
        key.pkPassword = "пароль";
        ASSERT_TRUE(FSign.InitialKey(key));
        LogLines();
        Fake().ClearCalls();
    }

    // The form fields after the first request, the key's proof.
    std::string LastBody() const { return FServer.Recorded().Requests().back().Body; }

    HttpsServer FServer{FCertificates.For(ServerIdentity::Trusted)};
};

TEST_F(CloudSignOperationsTest, DataGoesToTheServiceUnchanged)
{
    EXPECT_EQ(FSign.SignData("TEST", 4, 0), "Q0xPVUQ=");
    EXPECT_NE(LastBody().find("data=TEST&"), std::string::npos) << LastBody();
    EXPECT_NE(LastBody().find("include_content_timestamp=0"), std::string::npos);

    EXPECT_EQ(FSign.SignData("VEVTVA==", 8589934596, 5), "Q0xPVUQ=");
    EXPECT_NE(LastBody().find("data=VEVTVA%3D%3D&"), std::string::npos) << LastBody();
    EXPECT_NE(LastBody().find("sign_type_cades=8589934596&"), std::string::npos) << LastBody();
    EXPECT_NE(LastBody().find("include_content_timestamp=1"), std::string::npos);

    EXPECT_EQ(LogLines(),
              (TLines{"Підпис даних (C10D) - виконано. Розмір: 8", "Підпис даних (C10D) - виконано. Розмір: 8"}));
    EXPECT_TRUE(Fake().Calls.empty());
}

TEST_F(CloudSignOperationsTest, HashIsRefusedWithoutContactingTheService)
{
    const std::size_t before = FServer.Recorded().Count();

    EXPECT_EQ(FSign.SignHash("AAECAw==", 4, 0), "");
    EXPECT_EQ(LogLines(), TLines{"Підпис хешу для облачного ключа НЕ підтримується"});
    EXPECT_EQ(FServer.Recorded().Count(), before);
    EXPECT_TRUE(Fake().Calls.empty());
}

TEST_F(CloudSignOperationsTest, FailingServiceRaises)
{
    FServer.Stop();
    EXPECT_TRUE(RaisedBy([this] { FSign.SignData("TEST", 4, 0); }).starts_with("Виникла помилка (POST): "));
}

}  // namespace
}  // namespace korvel
