#pragma once

// The PIN a token accepted, kept as a salted digest. A token stays logged in while keys read from
// it live, and a logged-in token takes any PIN without looking at it; a later read of the same
// token is checked against this instead.

#include "signlib/SecretText.h"

#include <array>

namespace korvel::signlib {

class TTokenPinCheck {
public:
    void Remember(const TSecretText& APin);
    bool Matches(const TSecretText& APin) const;

private:
    using TDigest = std::array<unsigned char, 32>;
    TDigest DigestOf(const TSecretText& APin) const;

    std::array<unsigned char, 16> FSalt{};
    TDigest FDigest{};
    bool FRemembered = false;
};

}  // namespace korvel::signlib
