#pragma once

// A token's PIN as the module takes it (UTF-8), wiped when it goes out of scope.

#include <cstddef>
#include <string>
#include <string_view>

namespace korvel::signlib {

class TTokenPin {
public:
    // From the password field of the interface (Windows-1251, zero-terminated within ASize
    // bytes). Throws EU_ERROR_BAD_PARAMETER when the field holds no terminating zero: a PIN is
    // never cut.
    static TTokenPin FromAnsiField(const char* AField, std::size_t ASize);

    explicit TTokenPin(std::string AUtf8);
    ~TTokenPin();
    TTokenPin(const TTokenPin&) = delete;
    TTokenPin& operator=(const TTokenPin&) = delete;
    TTokenPin(TTokenPin&& AOther) noexcept;
    TTokenPin& operator=(TTokenPin&&) = delete;

    const char* CStr() const { return FText.c_str(); }
    std::string_view View() const { return FText; }

private:
    void Wipe() noexcept;

    std::string FText;
};

}  // namespace korvel::signlib
