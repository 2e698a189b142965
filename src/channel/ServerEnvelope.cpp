#include "channel/ServerEnvelope.h"

#include "channel/Envelope.h"
#include "channel/EnvelopeReader.h"
#include "foundation/Guid.h"
#include "foundation/TextUtils.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace korvel {
namespace {

std::string OptionalText(const TEnvelopeReader& AEnvelope, const std::string& AName)
{
    const auto kind = AEnvelope.KindOf(AName);
    return kind && *kind != TEnvelopeReader::TKind::Null ? AEnvelope.ReadText(AName) : std::string();
}

}  // namespace

TServerRequest TServerRequest::New(const std::string& ATypeMsg)
{
    TServerRequest request;
    request.TypeMsg = ATypeMsg;
    request.Key = NewGuidText();
    return request;
}

std::string BuildServerRequest(const TServerRequest& ARequest)
{
    nlohmann::ordered_json envelope;
    envelope["message_type"] = ARequest.TypeMsg;
    envelope["serial"] = ARequest.Serial;
    envelope["key"] = ARequest.Key;
    envelope["checksum"] = MessageChecksum(ARequest.Key);
    envelope["data"] = ARequest.Data;
    envelope["is_request"] = true;
    if (ARequest.IncludeContentTimestamp)
        envelope["INCLUDE_CONTENT_TIMESTAMP"] = *ARequest.IncludeContentTimestamp;
    if (std::holds_alternative<std::nullptr_t>(ARequest.Cades))
        envelope["CADES"] = nullptr;
    else if (const auto* code = std::get_if<std::int64_t>(&ARequest.Cades))
        envelope["CADES"] = *code;
    return envelope.dump();
}

std::string BuildIdentifyAcknowledgement(const std::string& AKey)
{
    nlohmann::ordered_json envelope;
    envelope["message_type"] = "IDENTIFY";
    envelope["key"] = AKey;
    envelope["checksum"] = MessageChecksum(AKey);
    envelope["is_request"] = false;
    return envelope.dump();
}

TAgentEnvelope DecodeAgentEnvelope(const std::string& AText)
{
    const auto envelope = TEnvelopeReader::Parse(AText);
    if (!envelope)
        throw EEnvelopeError("not JSON");
    TAgentEnvelope result;
    result.TypeMsg = envelope->ReadText("message_type");
    result.Key = envelope->ReadText("key");
    if (!envelope->Has("checksum"))
        throw EEnvelopeError("checksum is missing");
    const std::string checksum = envelope->ReadText("checksum");
    if (AsciiLower(checksum) != MessageChecksum(result.Key))
        throw EEnvelopeError("checksum is not correct (" + checksum + ")");
    result.IsRequest = envelope->ReadBoolean("is_request");
    result.Serial = OptionalText(*envelope, "serial");
    result.ClientId = OptionalText(*envelope, "client_id");
    result.Data = OptionalText(*envelope, "data");
    return result;
}

}  // namespace korvel
