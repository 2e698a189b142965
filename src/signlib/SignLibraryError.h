#pragma once

// A failure inside the library, carrying the error code that the entry point returns.

#include <stdexcept>
#include <string>

namespace korvel::signlib {

class TSignLibraryError : public std::runtime_error {
public:
    TSignLibraryError(unsigned long ACode, const std::string& AReason);

    unsigned long Code() const noexcept { return FCode; }

private:
    unsigned long FCode;
};

[[noreturn]] void Fail(unsigned long ACode, const std::string& AReason);

// Fails with ACode when ACondition does not hold; OpenSSL calls report success this way.
inline void Require(bool ACondition, unsigned long ACode, const char* AReason)
{
    if (!ACondition)
        Fail(ACode, AReason);
}

}  // namespace korvel::signlib
