#include "foundation/TextCodec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string>

namespace korvel {

namespace {

constexpr char16_t ReplacementChar = 0xFFFD;
constexpr const char* AnsiCodePage = "WINDOWS-1251";

bool IsContinuation(unsigned char AByte)
{
    return (AByte & 0xC0) == 0x80;
}

void AppendUtf8(std::string& AOut, char32_t ACode)
{
    if (ACode < 0x80) {
        AOut += static_cast<char>(ACode);
    } else if (ACode < 0x800) {
        AOut += static_cast<char>(0xC0 | (ACode >> 6));
        AOut += static_cast<char>(0x80 | (ACode & 0x3F));
    } else if (ACode < 0x10000) {
        AOut += static_cast<char>(0xE0 | (ACode >> 12));
        AOut += static_cast<char>(0x80 | ((ACode >> 6) & 0x3F));
        AOut += static_cast<char>(0x80 | (ACode & 0x3F));
    } else {
        AOut += static_cast<char>(0xF0 | (ACode >> 18));
        AOut += static_cast<char>(0x80 | ((ACode >> 12) & 0x3F));
        AOut += static_cast<char>(0x80 | ((ACode >> 6) & 0x3F));
        AOut += static_cast<char>(0x80 | (ACode & 0x3F));
    }
}

// Owns one iconv conversion descriptor.
class TIconv {
public:
    TIconv(const char* ATo, const char* AFrom) : FHandle(iconv_open(ATo, AFrom))
    {
        if (FHandle == reinterpret_cast<iconv_t>(-1))  // NOLINT(performance-no-int-to-ptr): iconv_open's failure value
            throw std::runtime_error(std::string("iconv cannot convert from ") + AFrom + " to " + ATo);
    }
    ~TIconv() { iconv_close(FHandle); }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;

    // Converts as much of AIn as it can into AOut. Returns false and leaves AIn at the offending input when
    // that input cannot be converted (EILSEQ or a truncated sequence).
    bool Convert(std::string_view& AIn, std::string& AOut)
    {
        char buffer[256];
        while (!AIn.empty()) {
            char* in = const_cast<char*>(AIn.data());
            size_t inLeft = AIn.size();
            char* out = buffer;
            size_t outLeft = sizeof buffer;
            const size_t rc = iconv(FHandle, &in, &inLeft, &out, &outLeft);
            const int err = errno;
            AOut.append(buffer, static_cast<size_t>(out - buffer));
            AIn.remove_prefix(AIn.size() - inLeft);
            if (rc == static_cast<size_t>(-1) && err != E2BIG)
                return false;
        }
        return true;
    }

private:
    iconv_t FHandle;
};

}  // namespace

// Decodes UTF-8 following the Unicode "maximal subpart" practice: each maximal prefix of a valid sequence that
// cannot be completed, and each byte that cannot start one, becomes one U+FFFD. Overlong forms, encoded
// surrogates and values above U+10FFFF are invalid.
std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            result += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        int need;  // continuation bytes after the lead
        char32_t code;
        unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the first continuation byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            need = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            need = 2;
            code = lead & 0x0F;
            if (lead == 0xE0)
                lo = 0xA0;  // no overlong forms
            if (lead == 0xED)
                hi = 0x9F;  // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            need = 3;
            code = lead & 0x07;
            if (lead == 0xF0)
                lo = 0x90;  // no overlong forms
            if (lead == 0xF4)
                hi = 0x8F;  // nothing above U+10FFFF
        } else {
            result += ReplacementChar;
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool complete = true;
        for (int k = 0; k < need; ++k, ++j) {
            if (j >= n) {
                complete = false;
                break;
            }
            const auto c = static_cast<unsigned char>(text[j]);
            const bool ok = k == 0 ? (c >= lo && c <= hi) : IsContinuation(c);
            if (!ok) {
                complete = false;
                break;
            }
            code = (code << 6) | (c & 0x3F);
        }
        if (!complete) {
            result += ReplacementChar;
            i = j;  // the maximal subpart ends before the offending byte
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            result += static_cast<char16_t>(0xD800 + (code >> 10));
            result += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            result += static_cast<char16_t>(code);
        }
        i = j;
    }
    return result;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(result, 0x10000 + ((static_cast<char32_t>(unit - 0xD800) << 10) | (text[i + 1] - 0xDC00)));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(result, ReplacementChar);
        } else {
            AppendUtf8(result, unit);
        }
    }
    return result;
}

// Invalid UTF-8 is first made valid (U+FFFD, which Windows-1251 cannot hold either, so it becomes "?"). Every
// character that Windows-1251 cannot hold becomes one "?", a character outside the BMP included.
std::string Utf8ToAnsi(std::string_view text)
{
    const std::string valid = Utf16ToUtf8(Utf8ToUtf16(text));
    std::string_view in = valid;
    std::string result;
    result.reserve(in.size());
    TIconv conv(AnsiCodePage, "UTF-8");
    while (!conv.Convert(in, result)) {
        // The input is valid UTF-8, so iconv stopped at a whole character: skip it.
        result += '?';
        const auto lead = static_cast<unsigned char>(in.front());
        size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        in.remove_prefix(std::min(length, in.size()));
    }
    return result;
}

// Windows-1251 defines every byte but 0x98. glibc's iconv refuses 0x98; we turn it into U+FFFD, the character
// the rest of the program uses for undecodable input. Utf8ToAnsi turns U+FFFD into "?", so a 0x98 never comes
// back as 0x98: EncipherStoredSecret relies on that to refuse a stored secret that would not round-trip.
// (Windows itself maps 0x98 to U+0098; we deliberately do not carry that byte.)
std::string AnsiToUtf8(std::string_view bytes)
{
    std::string_view in = bytes;
    std::string result;
    result.reserve(in.size() * 2);
    TIconv conv("UTF-8", AnsiCodePage);
    while (!conv.Convert(in, result)) {
        AppendUtf8(result, ReplacementChar);
        in.remove_prefix(1);
    }
    return result;
}

}  // namespace korvel
