#pragma once

// The JSON envelope of every message exchanged with the server: the encoder, the checksum over
// the message key, and the decoder that checks and routes a received text.

#include <string>

namespace korvel {

// Compact JSON, members in the fixed order message_type, serial, client_id, session_id, version,
// key, checksum, data, is_request.
std::string BuildEnvelope(const std::string& ATypeMsg, const std::string& ASN, const std::string& AKey,
                          const std::string& AData, bool ARequest);

// MD5 of the key followed by the salt shared with the server, 32 lower-case hex digits.
std::string MessageChecksum(const std::string& AKey);

// Decodes one received text: a request goes to the channel's OnMessage, an IDENTIFY
// acknowledgement clears the pending identification. Never raises; failures are logged or dropped.
void HandleEnvelope(const std::string& AChannel, const std::string& AMessage);

}  // namespace korvel
