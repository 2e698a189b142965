#include "foundation/TextUtils.h"

#include <algorithm>

namespace korvel {
namespace {

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::string Trim(std::string_view AText)
{
    std::size_t first = 0;
    std::size_t last = AText.size();
    while (first < last && IsBlankOrControl(AText[first]))
        ++first;
    while (last > first && IsBlankOrControl(AText[last - 1]))
        --last;
    return std::string(AText.substr(first, last - first));
}

std::string AsciiLower(std::string AText)
{
    std::transform(AText.begin(), AText.end(), AText.begin(), LowerAscii);
    return AText;
}

std::string AsciiUpper(std::string AText)
{
    std::transform(AText.begin(), AText.end(), AText.begin(), UpperAscii);
    return AText;
}

bool SameTextAscii(std::string_view A, std::string_view B)
{
    return A.size() == B.size() &&
           std::equal(A.begin(), A.end(), B.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

}  // namespace korvel
