#pragma once

// The envelope as the business server writes and reads it: requests to an agent and
// acknowledgements of its identifications going out, the agent's replies and announcements
// coming in. The agent's own side is in Envelope.h.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace korvel {

// The CADES member of a request: absent, JSON null, or a signature type code.
using TCades = std::variant<std::monostate, std::nullptr_t, std::int64_t>;

struct TServerRequest {
    std::string TypeMsg;
    std::string Serial;
    std::string Key;
    std::string Data;
    std::optional<bool> IncludeContentTimestamp;  // absent: the agent's default
    TCades Cades;                                 // absent: the agent's default

    // A request of this type with a new GUID key, so its reply channel is its own.
    static TServerRequest New(const std::string& ATypeMsg);
};

// Compact JSON: message_type, serial, key, checksum, data, is_request (true), then the two
// signing options when they are set.
std::string BuildServerRequest(const TServerRequest& ARequest);

// What acknowledges an IDENTIFY with message key AKey.
std::string BuildIdentifyAcknowledgement(const std::string& AKey);

// A reply or an announcement from an agent, checked.
struct TAgentEnvelope {
    std::string TypeMsg;
    std::string Serial;
    std::string ClientId;
    std::string Key;
    std::string Data;
    bool IsRequest = false;
};

// Throws EEnvelopeError when the text is not a JSON object, a member the server relies on
// (message_type, key, checksum, is_request) is missing or mistyped, or the checksum does not
// match the key. serial, client_id and data are "" when absent or null.
TAgentEnvelope DecodeAgentEnvelope(const std::string& AText);

}  // namespace korvel
