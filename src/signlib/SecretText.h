#pragma once

// A password or derived secret that is wiped when it goes out of scope.

#include <string>
#include <string_view>

namespace korvel::signlib {

class TSecretText {
public:
    TSecretText() = default;
    explicit TSecretText(std::string_view AText);
    ~TSecretText();
    TSecretText(const TSecretText& AOther);
    TSecretText& operator=(const TSecretText& AOther);

    const std::string& Text() const { return FText; }
    const char* CStr() const { return FText.c_str(); }
    int Length() const { return static_cast<int>(FText.size()); }
    bool Empty() const { return FText.empty(); }
    bool operator==(const TSecretText& AOther) const { return FText == AOther.FText; }

private:
    void Wipe() noexcept;

    std::string FText;
};

}  // namespace korvel::signlib
