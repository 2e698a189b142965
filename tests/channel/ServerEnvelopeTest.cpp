#include "channel/ServerEnvelope.h"

#include "channel/ChannelState.h"
#include "channel/Envelope.h"
#include "channel/EnvelopeReader.h"
#include "foundation/AppConfig.h"

#include <gtest/gtest.h>

#include <regex>
#include <vector>

namespace korvel {
namespace {

TEST(ServerEnvelope, RequestCarriesTheSigningOptionsOnlyWhenSet)
{
    TServerRequest request = TServerRequest::New("SIGN");
    EXPECT_TRUE(std::regex_match(request.Key, std::regex("\\{[0-9A-F-]{36}\\}"))) << request.Key;
    EXPECT_NE(TServerRequest::New("SIGN").Key, request.Key);

    request.Key = "{K}";
    request.Serial = "SN";
    request.Data = "ДАНІ";
    const std::string head = R"({"message_type":"SIGN","serial":"SN","key":"{K}","checksum":")" +
                             MessageChecksum("{K}") + R"(","data":"ДАНІ","is_request":true)";
    EXPECT_EQ(BuildServerRequest(request), head + "}");

    request.IncludeContentTimestamp = false;
    request.Cades = nullptr;
    EXPECT_EQ(BuildServerRequest(request), head + R"(,"INCLUDE_CONTENT_TIMESTAMP":false,"CADES":null})");
    request.Cades = std::int64_t{16};
    EXPECT_EQ(BuildServerRequest(request), head + R"(,"INCLUDE_CONTENT_TIMESTAMP":false,"CADES":16})");
}

TEST(ServerEnvelope, DecodesWhatTheAgentBuildsAndChecksTheChecksum)
{
    ChannelState().FClientId = "{C}";
    const TAgentEnvelope reply = DecodeAgentEnvelope(BuildEnvelope("sign", "SN", "{K}", "SIG", false));
    EXPECT_EQ(reply.TypeMsg, "sign");
    EXPECT_EQ(reply.Serial, "SN");
    EXPECT_EQ(reply.ClientId, "{C}");
    EXPECT_EQ(reply.Key, "{K}");
    EXPECT_EQ(reply.Data, "SIG");
    EXPECT_FALSE(reply.IsRequest);
    ChannelState().FClientId.clear();

    std::string upper = MessageChecksum("{K}");
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NO_THROW(
        DecodeAgentEnvelope(R"({"message_type":"X","key":"{K}","checksum":")" + upper + R"(","is_request":false})"));

    const std::string good = MessageChecksum("{K}");
    for (const std::string& text : std::vector<std::string>{
             "not json",
             "[1]",
             R"({"message_type":"X","key":"{K}","checksum":")" + MessageChecksum("{L}") + R"(","is_request":false})",
             std::string(R"({"message_type":"X","key":"{K}","is_request":false})"),
             R"({"message_type":"X","key":"{K}","checksum":")" + good + R"("})",
             R"({"key":"{K}","checksum":")" + good + R"(","is_request":false})",
         })
        EXPECT_THROW(DecodeAgentEnvelope(text), EEnvelopeError) << text;
}

}  // namespace
}  // namespace korvel
