#include "channel/Envelope.h"
#include "channel/ChannelState.h"
#include "foundation/AppConfig.h"
#include "foundation/Constants.h"
#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <openssl/evp.h>

#include <optional>
#include <vector>

namespace korvel {
namespace {

using json = nlohmann::ordered_json;

struct TReceived {
    std::string Channel, SN, TypeMsg, Key, Data;
    bool IncludeTimeStamp = false;
    std::int64_t SignType = 0;
};

std::string Md5OfText(const std::string& AText)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(AText.data(), AText.size(), digest, &size, EVP_md5(), nullptr);
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

class EnvelopeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TLog::ResetForTests();
        TLog::AttachWindowLines(FLog);
        ChannelState().FClientId = "{CLIENT}";
        AppConfig() = {"1.2.3.4", "{SESSION}"};
        ChannelState().OnMessage = [this](const std::string& AChannel, const std::string& ASN,
                                          const std::string& ATypeMsg, const std::string& AKey,
                                          const std::string& AData, bool AIncludeTimeStamp, std::int64_t ASignType) {
            FReceived.push_back({AChannel, ASN, ATypeMsg, AKey, AData, AIncludeTimeStamp, ASignType});
        };
        ChannelState().FIdentifyList.Clear();
    }
    void TearDown() override
    {
        TLog::ResetForTests();
        ChannelState().OnMessage = nullptr;
        ChannelState().FIdentifyList.Clear();
    }

    // A request as the server sends it; AChange edits the members before it is written.
    static std::string Request(const std::function<void(json&)>& AChange = {})
    {
        json envelope = {
            {"message_type", "SIGN"}, {"serial", "0123ABCD"},
            {"key", "{KEY}"},         {"checksum", Md5OfText("{KEY}" + std::string(constants::ChecksumSalt))},
            {"data", "VEVTVA=="},     {"is_request", true}};
        if (AChange)
            AChange(envelope);
        return envelope.dump();
    }

    std::vector<std::string> LogLines() { return FLog->TakePending(); }

    // The single line logged for a rejected text: "Msg: " + reason + CR LF + the text.
    void ExpectRejected(const std::string& AText, const std::string& AReason)
    {
        FReceived.clear();
        HandleEnvelope("ch", AText);
        EXPECT_TRUE(FReceived.empty()) << AText;
        const auto lines = LogLines();
        ASSERT_EQ(lines.size(), 1u) << AText;
        EXPECT_EQ(lines[0].substr(lines[0].find(": ") + 2), "Msg: " + AReason + "\r\n" + AText);
    }

    TReceived Accepted(const std::string& AText)
    {
        FReceived.clear();
        HandleEnvelope("korvel_database_{CLIENT}", AText);
        EXPECT_TRUE(LogLines().empty()) << AText;
        EXPECT_EQ(FReceived.size(), 1u) << AText;
        return FReceived.empty() ? TReceived{} : FReceived.front();
    }

    std::shared_ptr<TLogWindowLines> FLog = std::make_shared<TLogWindowLines>();
    std::vector<TReceived> FReceived;
};

TEST_F(EnvelopeTest, BuildsCompactEnvelopeInFixedOrder)
{
    const std::string text = BuildEnvelope("IDENTIFY", "S1", "{K}", R"([{"a":"б"}])", true);
    EXPECT_EQ(text, R"({"message_type":"IDENTIFY","serial":"S1","client_id":"{CLIENT}","session_id":"{SESSION}",)"
                    R"("version":"1.2.3.4","key":"{K}","checksum":")" +
                        Md5OfText("{K}" + std::string(constants::ChecksumSalt)) +
                        R"(","data":"[{\"a\":\"б\"}]","is_request":true})");
    EXPECT_NE(BuildEnvelope("SIGN", "", "{K}", "", false).find(R"("is_request":false})"), std::string::npos);
}

TEST_F(EnvelopeTest, ChecksumFoldsNonAsciiToQuestionMarks)
{
    EXPECT_EQ(MessageChecksum("ключ"), Md5OfText("????" + std::string(constants::ChecksumSalt)));
}

TEST_F(EnvelopeTest, SignRequestReachesTheHandlerWithDefaults)
{
    const TReceived r = Accepted(Request());
    EXPECT_EQ(r.Channel, "korvel_database_{CLIENT}");
    EXPECT_EQ(r.SN, "0123ABCD");
    EXPECT_EQ(r.TypeMsg, "SIGN");
    EXPECT_EQ(r.Key, "{KEY}");
    EXPECT_EQ(r.Data, "VEVTVA==");
    EXPECT_TRUE(r.IncludeTimeStamp);
    EXPECT_EQ(r.SignType, 4);
}

TEST_F(EnvelopeTest, AcceptedVariants)
{
    struct Case {
        const char* Name;
        std::function<void(json&)> Change;
        std::function<void(const TReceived&)> Check;
    };
    const Case cases[] = {
        {"upper-case checksum",
         [](json& e) {
             e["checksum"] = Md5OfText("{KEY}" + std::string(constants::ChecksumSalt));
             for (auto& c : e["checksum"].get_ref<std::string&>())
                 c = static_cast<char>(std::toupper(c));
         },
         [](const TReceived& r) { EXPECT_EQ(r.Key, "{KEY}"); }},
        {"lower-case type", [](json& e) { e["message_type"] = "sign"; },
         [](const TReceived& r) {
             EXPECT_EQ(r.TypeMsg, "sign");
             EXPECT_EQ(r.Data, "VEVTVA==");
         }},
        {"CADES null", [](json& e) { e["CADES"] = nullptr; }, [](const TReceived& r) { EXPECT_EQ(r.SignType, 4); }},
        {"CADES text null", [](json& e) { e["CADES"] = "NuLL"; }, [](const TReceived& r) { EXPECT_EQ(r.SignType, 4); }},
        {"CADES 16", [](json& e) { e["CADES"] = 16; }, [](const TReceived& r) { EXPECT_EQ(r.SignType, 16); }},
        {"CADES -1", [](json& e) { e["CADES"] = -1; }, [](const TReceived& r) { EXPECT_EQ(r.SignType, -1); }},
        {"time-stamp off", [](json& e) { e["INCLUDE_CONTENT_TIMESTAMP"] = false; },
         [](const TReceived& r) { EXPECT_FALSE(r.IncludeTimeStamp); }},
        {"SIGN_HASH",
         [](json& e) {
             e["message_type"] = "Sign_Hash";
             e["CADES"] = 1;
         },
         [](const TReceived& r) {
             EXPECT_EQ(r.TypeMsg, "Sign_Hash");
             EXPECT_EQ(r.SignType, 1);
         }},
        {"VERSION without data",
         [](json& e) {
             e["message_type"] = "VERSION";
             e.erase("data");
             e["CADES"] = "x";
         },
         [](const TReceived& r) {
             EXPECT_EQ(r.Data, "");
             EXPECT_EQ(r.SignType, 4);
             EXPECT_TRUE(r.IncludeTimeStamp);
         }},
        {"serial NULL", [](json& e) { e["serial"] = "NULL"; }, [](const TReceived& r) { EXPECT_EQ(r.SN, ""); }},
        {"serial null", [](json& e) { e["serial"] = nullptr; }, [](const TReceived& r) { EXPECT_EQ(r.SN, ""); }},
        {"serial absent", [](json& e) { e.erase("serial"); }, [](const TReceived& r) { EXPECT_EQ(r.SN, ""); }},
        {"unknown type", [](json& e) { e["message_type"] = "PING"; },
         [](const TReceived& r) { EXPECT_EQ(r.TypeMsg, "PING"); }},
        {"key null",
         [](json& e) {
             e["key"] = "Null";
             e["checksum"] = Md5OfText("Null" + std::string(constants::ChecksumSalt));
         },
         [](const TReceived& r) { EXPECT_EQ(r.Key, ""); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Check(Accepted(Request(c.Change)));
    }
}

TEST_F(EnvelopeTest, NumbersReadAsTextKeepTheirDigits)
{
    std::string text = Request();
    const std::string serial = R"("serial":"0123ABCD")";
    text.replace(text.find(serial), serial.size(), R"("serial":123456789012345678901234567890)");
    EXPECT_EQ(Accepted(text).SN, "123456789012345678901234567890");

    const std::string key = "12345678901234567890123";
    const std::string withNumberKey = Request([&](json& e) {
        e["key"] = 0;
        e["checksum"] = Md5OfText(key + std::string(constants::ChecksumSalt));
    });
    std::string numeric = withNumberKey;
    numeric.replace(numeric.find(R"("key":0)"), 7, R"("key":)" + key);
    EXPECT_EQ(Accepted(numeric).Key, key);
}

TEST_F(EnvelopeTest, RejectedTextsAreLoggedWithTheReason)
{
    const std::string noSalt = Md5OfText("{KEY}");
    ExpectRejected(Request([&](json& e) { e["checksum"] = noSalt; }), "checksum is not correct (" + noSalt + ")");
    const std::string otherKey = Md5OfText("{OTHER}" + std::string(constants::ChecksumSalt));
    ExpectRejected(Request([&](json& e) { e["checksum"] = otherKey; }), "checksum is not correct (" + otherKey + ")");
    ExpectRejected(R"([1,2])", "JSON value is not an object");
    ExpectRejected(Request([](json& e) { e.erase("data"); }), "Value 'data' not found");
    ExpectRejected(Request([](json& e) { e["data"] = nullptr; }), "Value 'data' is not a string or a number");
    ExpectRejected(Request([](json& e) { e["INCLUDE_CONTENT_TIMESTAMP"] = nullptr; }),
                   "Value 'INCLUDE_CONTENT_TIMESTAMP' is not a boolean");
    ExpectRejected(Request([](json& e) { e["CADES"] = "16"; }), "Value 'CADES' is not a number");
    ExpectRejected(Request([](json& e) { e["CADES"] = true; }), "Value 'CADES' is not a number");
    ExpectRejected(Request([](json& e) { e["CADES"] = 1.5; }), "Value 'CADES' is not a 64-bit integer");
    ExpectRejected(Request([](json& e) { e["serial"] = true; }), "Value 'serial' is not a string or a number");
    ExpectRejected(Request([](json& e) { e["is_request"] = "true"; }), "Value 'is_request' is not a boolean");
    ExpectRejected(Request([](json& e) { e.erase("message_type"); }), "Value 'message_type' not found");
    ExpectRejected(Request([](json& e) { e["message_type"] = json::array(); }),
                   "Value 'message_type' is not a string or a number");
    ExpectRejected(Request([](json& e) { e.erase("key"); }), "Value 'key' not found");
    ExpectRejected(Request([](json& e) { e.erase("checksum"); }), "checksum is missing");
}

TEST_F(EnvelopeTest, TextsWithoutARequestFlagAreDroppedSilently)
{
    for (const std::string& text : {std::string("not json"), std::string(""), std::string("{\"a\":"),
                                    Request([](json& e) { e.erase("is_request"); }), std::string("{}")}) {
        HandleEnvelope("ch", text);
        EXPECT_TRUE(FReceived.empty()) << text;
        EXPECT_TRUE(LogLines().empty()) << text;
    }
}

TEST_F(EnvelopeTest, AcknowledgementClearsOnlyTheMatchingIdentification)
{
    auto& pending = ChannelState().FIdentifyList;
    pending.Put("S1", "{KEY}");
    pending.Put("S2", "{OTHER}");
    const auto ack = [](const std::string& AType, const std::string& AKey) {
        return Request([&](json& e) {
            e["message_type"] = AType;
            e["key"] = AKey;
            e["checksum"] = Md5OfText(AKey + std::string(constants::ChecksumSalt));
            e["is_request"] = false;
            e.erase("data");
        });
    };

    HandleEnvelope("ch", ack("IDENTIFY", "{key}"));  // keys compare exactly
    HandleEnvelope("ch", ack("SIGN", "{KEY}"));      // only IDENTIFY acknowledges
    EXPECT_EQ(pending.Snapshot().size(), 2u);

    HandleEnvelope("ch", ack("identify", "{KEY}"));
    EXPECT_FALSE(pending.Find("S1"));
    EXPECT_EQ(pending.Find("S2"), "{OTHER}");
    EXPECT_TRUE(FReceived.empty());
    EXPECT_TRUE(LogLines().empty());
}

}  // namespace
}  // namespace korvel
