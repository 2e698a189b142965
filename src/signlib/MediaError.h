#pragma once

// A failure of a key media operation, carrying the error code that the entry point returns.

#include <stdexcept>
#include <string>

namespace korvel::signlib {

class TMediaError : public std::runtime_error {
public:
    TMediaError(unsigned long ACode, const std::string& AReason);

    unsigned long Code() const noexcept { return FCode; }

private:
    unsigned long FCode;
};

[[noreturn]] void FailMedia(unsigned long ACode, const std::string& AReason);

// Runs AOperation and returns 0, or the code of what it threw: no exception leaves the library.
template <typename TOperation> unsigned long RunMediaEntryPoint(TOperation&& AOperation) noexcept;

unsigned long CurrentMediaErrorCode() noexcept;

template <typename TOperation> unsigned long RunMediaEntryPoint(TOperation&& AOperation) noexcept
{
    try {
        AOperation();
        return 0;
    } catch (...) {
        return CurrentMediaErrorCode();
    }
}

}  // namespace korvel::signlib
