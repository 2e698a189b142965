#pragma once

// A look at the head of DER (or BER) bytes without decoding them.

#include <cstddef>
#include <optional>
#include <string_view>

namespace korvel::signlib {

// Length of the leading element, header included; nullopt for BER's indefinite length. Throws
// AErrorCode when the header is broken or the element runs past the end of the bytes.
std::optional<std::size_t> LeadingElementLength(std::string_view ABytes, unsigned long AErrorCode);

// The value of the INTEGER that opens the leading SEQUENCE (a version field), when it is a small
// one; nullopt otherwise.
std::optional<int> LeadingVersion(std::string_view ABytes);

}  // namespace korvel::signlib
