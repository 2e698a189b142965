#pragma once

// A password as the signing library takes it, 8-bit in the ANSI code page, wiped from memory when
// it goes out of scope.

#include <cstddef>
#include <string>
#include <string_view>

namespace korvel {

class TAnsiSecret {
public:
    explicit TAnsiSecret(std::string_view AUtf8);
    ~TAnsiSecret();
    TAnsiSecret(const TAnsiSecret&) = delete;
    TAnsiSecret& operator=(const TAnsiSecret&) = delete;

    const char* CStr() const { return FText.c_str(); }
    std::size_t Size() const { return FText.size(); }

private:
    std::string FText;
};

// Overwrites the text's bytes, then empties it.
void WipeText(std::string& AText);

}  // namespace korvel
