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

}  // namespace korvel::signlib
