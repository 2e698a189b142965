#include "channel/Envelope.h"

#include "channel/ChannelState.h"
#include "channel/EnvelopeReader.h"
#include "foundation/AppConfig.h"
#include "foundation/Constants.h"
#include "foundation/Digests.h"
#include "foundation/Log.h"
#include "foundation/TextUtils.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace korvel {
namespace {

bool IsNullText(const std::string& AText)
{
    return AsciiLower(AText) == "null";
}

struct TRequestOptions {
    bool IncludeTimeStamp = true;
    std::int64_t SignType = 4;
    std::string Data;
};

// Only signing requests carry options and data; other requests keep the defaults.
TRequestOptions ReadRequestOptions(const TEnvelopeReader& AEnvelope, const std::string& ATypeMsg)
{
    TRequestOptions options;
    const std::string type = AsciiUpper(ATypeMsg);
    if (type != "SIGN" && type != "SIGN_HASH")
        return options;
    if (AEnvelope.Has("INCLUDE_CONTENT_TIMESTAMP"))
        options.IncludeTimeStamp = AEnvelope.ReadBoolean("INCLUDE_CONTENT_TIMESTAMP");
    const auto cades = AEnvelope.KindOf("CADES");
    const bool cadesIsDefault = !cades || *cades == TEnvelopeReader::TKind::Null ||
                                (*cades == TEnvelopeReader::TKind::String && IsNullText(AEnvelope.ReadText("CADES")));
    if (!cadesIsDefault)
        options.SignType = AEnvelope.ReadInt64("CADES");
    options.Data = AEnvelope.ReadText("data");
    return options;
}

void Route(const std::string& AChannel, const TEnvelopeReader& AEnvelope)
{
    const std::string typeMsg = AEnvelope.ReadText("message_type");
    if (!AEnvelope.Has("checksum"))
        throw EEnvelopeError("checksum is missing");
    const std::string checksum = AEnvelope.ReadText("checksum");
    const std::string keyText = AEnvelope.ReadText("key");
    if (AsciiLower(checksum) != MessageChecksum(keyText))
        throw EEnvelopeError("checksum is not correct (" + checksum + ")");
    const std::string key = IsNullText(keyText) ? std::string() : keyText;

    std::string serial;
    if (const auto kind = AEnvelope.KindOf("serial"); kind && *kind != TEnvelopeReader::TKind::Null) {
        serial = AEnvelope.ReadText("serial");
        if (IsNullText(serial))
            serial.clear();
    }

    if (AEnvelope.ReadBoolean("is_request")) {
        const TRequestOptions options = ReadRequestOptions(AEnvelope, typeMsg);
        if (const auto& onMessage = ChannelState().OnMessage)
            onMessage(AChannel, serial, typeMsg, key, options.Data, options.IncludeTimeStamp, options.SignType);
        return;
    }
    if (AsciiUpper(typeMsg) != "IDENTIFY")
        return;
    try {
        ChannelState().FIdentifyList.Acknowledge(key);
    } catch (const std::exception& error) {
        TLog::Log(std::string("IDENTIFY: ") + error.what());
    }
}

}  // namespace

std::string MessageChecksum(const std::string& AKey)
{
    return MD5Hex(AKey + std::string(constants::ChecksumSalt));
}

std::string BuildEnvelope(const std::string& ATypeMsg, const std::string& ASN, const std::string& AKey,
                          const std::string& AData, bool ARequest)
{
    nlohmann::ordered_json envelope;
    envelope["message_type"] = ATypeMsg;
    envelope["serial"] = ASN;
    envelope["client_id"] = ChannelState().FClientId;
    envelope["session_id"] = AppConfig().acSessionId;
    envelope["version"] = AppConfig().acAppVersion;
    envelope["key"] = AKey;
    envelope["checksum"] = MessageChecksum(AKey);
    envelope["data"] = AData;
    envelope["is_request"] = ARequest;
    return envelope.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void HandleEnvelope(const std::string& AChannel, const std::string& AMessage)
{
    try {
        const auto envelope = TEnvelopeReader::Parse(AMessage);
        if (!envelope || !envelope->Has("is_request"))
            return;
        Route(AChannel, *envelope);
    } catch (const std::exception& error) {
        // Reader errors name the member; nothing may end the subscription that called us.
        TLog::Log(std::string("Msg: ") + error.what() + "\r\n" + AMessage);
    } catch (...) {
        TLog::Log("Msg: unknown error\r\n" + AMessage);
    }
}

}  // namespace korvel
