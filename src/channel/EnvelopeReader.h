#pragma once

// Reads the top-level members of a received envelope. Numbers keep the text they were written
// with, so a serial sent as a 30-digit number keeps every digit.

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace korvel {

// A member that is missing or of the wrong kind; the message names the member.
class EEnvelopeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TEnvelopeReader {
public:
    enum class TKind { Null, Boolean, Number, String, Object, Array };

    // Nothing when the text is not JSON. Throws EEnvelopeError when it is JSON but not an object.
    static std::optional<TEnvelopeReader> Parse(const std::string& AText);

    bool Has(const std::string& AName) const;
    // The member's kind, nothing when it is absent.
    std::optional<TKind> KindOf(const std::string& AName) const;

    // A string's value or a number's text as written; anything else throws.
    std::string ReadText(const std::string& AName) const;
    bool ReadBoolean(const std::string& AName) const;
    // A number with an integral value that fits 64 bits; anything else throws.
    std::int64_t ReadInt64(const std::string& AName) const;

    struct TMember {
        TKind Kind = TKind::Null;
        std::string Text;  // string value, number as written, "true"/"false"
    };

private:
    const TMember& Find(const std::string& AName) const;

    std::map<std::string, TMember> FMembers;
};

}  // namespace korvel
