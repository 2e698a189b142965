#include "foundation/SecretScrambler.h"

#include "foundation/Base64.h"
#include "foundation/Constants.h"
#include "foundation/Digests.h"
#include "foundation/TextCodec.h"

#include <algorithm>
#include <stdexcept>

namespace korvel {

namespace {

// Bytes read as UTF-8 text: invalid sequences become U+FFFD.
std::string BytesAsUtf8(std::string_view ABytes)
{
    return Utf16ToUtf8(Utf8ToUtf16(ABytes));
}

// Steps 3 and 4 of XorStreamWithHash on bytes; their own inverse.
std::string XorBytesWithHash(std::string_view ABytes, std::uint32_t AHash)
{
    const std::uint32_t blockKey = AHash ^ constants::StoredSecretBlockMask;
    std::string result(ABytes);
    const size_t whole = result.size() / 4 * 4;
    for (size_t i = 0; i < whole; i += 4) {
        for (size_t b = 0; b < 4; ++b)
            result[i + b] =
                static_cast<char>(static_cast<unsigned char>(result[i + b]) ^ ((blockKey >> (8 * b)) & 0xFF));
    }
    for (size_t i = whole; i < result.size(); ++i)
        result[i] = static_cast<char>(static_cast<unsigned char>(result[i]) ^ constants::StoredSecretTailMask);
    return result;
}

std::uint32_t StoredSecretHash(std::string_view AKey)
{
    return MurmurHash2(AKey, constants::StoredSecretSeed);
}

std::uint16_t NextHexKey(std::uint8_t AScrambled, std::uint16_t AKey)
{
    return static_cast<std::uint16_t>((static_cast<std::uint32_t>(AScrambled) + AKey) *
                                          constants::HexScrambleMultiplier +
                                      constants::HexScrambleAddend);
}

int HexValue(char16_t AChar)
{
    if (AChar >= u'0' && AChar <= u'9')
        return AChar - u'0';
    if (AChar >= u'A' && AChar <= u'F')
        return AChar - u'A' + 10;
    return -1;
}

}  // namespace

std::u16string XorText(std::u16string_view AText, std::u16string_view AKey)
{
    if (AKey.empty())
        throw std::invalid_argument("XorText: the key is empty");
    std::u16string result(AText);
    for (size_t i = 0; i < result.size(); ++i)
        result[i] = static_cast<char16_t>(result[i] ^ AKey[i % AKey.size()]);
    return result;
}

std::string XorText(std::string_view AText, std::string_view AKey)
{
    return Utf16ToUtf8(XorText(Utf8ToUtf16(AText), Utf8ToUtf16(AKey)));
}

std::string ScrambleSecret(std::string_view AText)
{
    std::u16string units = Utf8ToUtf16(AText);
    std::reverse(units.begin(), units.end());
    const std::u16string xored = XorText(units, Utf8ToUtf16(constants::PasswordScrambleKey));
    std::string encoded = Base64Encode(Utf16ToUtf8(xored));
    std::reverse(encoded.begin(), encoded.end());  // base64 is ASCII: bytes are characters
    return encoded;
}

std::string UnscrambleSecret(std::string_view AText)
{
    // Only ASCII characters count for the decoder, and reversing bytes keeps their order among themselves.
    std::string reversed(AText);
    std::reverse(reversed.begin(), reversed.end());
    std::u16string units = XorText(Utf8ToUtf16(Base64Decode(reversed)), Utf8ToUtf16(constants::PasswordScrambleKey));
    std::reverse(units.begin(), units.end());
    return Utf16ToUtf8(units);
}

std::string HexScramble(std::string_view AText, std::uint16_t ASeed)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::uint16_t key = ASeed;
    std::string result;
    result.reserve(AText.size() * 2);
    for (const char ch : AText) {
        const auto c = static_cast<std::uint8_t>(static_cast<std::uint8_t>(ch) ^ (key >> 8));
        key = NextHexKey(c, key);
        result += Hex[c >> 4];
        result += Hex[c & 0x0F];
    }
    return result;
}

std::string HexUnscramble(std::string_view AText, std::uint16_t ASeed)
{
    // Characters, not bytes, are paired: a non-ASCII character is one (non-hexadecimal) character.
    std::u16string units = Utf8ToUtf16(AText);
    for (char16_t& unit : units) {
        if (unit >= u'a' && unit <= u'z')
            unit = static_cast<char16_t>(unit - u'a' + u'A');
    }
    std::uint16_t key = ASeed;
    std::string bytes;
    bytes.reserve(units.size() / 2);
    for (size_t i = 0; i + 1 < units.size(); i += 2) {
        const int high = HexValue(units[i]);
        const int low = HexValue(units[i + 1]);
        if (high < 0 || low < 0)
            return "";
        const auto c = static_cast<std::uint8_t>(high << 4 | low);
        bytes += static_cast<char>(c ^ (key >> 8));
        key = NextHexKey(c, key);
    }
    return BytesAsUtf8(bytes);
}

std::string XorStreamWithHash(std::string_view AData, std::string_view AKey)
{
    return AnsiToUtf8(XorBytesWithHash(Utf8ToAnsi(AData), StoredSecretHash(AKey)));
}

std::string DecipherStoredSecret(std::string_view AText)
{
    return XorStreamWithHash(BytesAsUtf8(Base64Decode(AText)), constants::StoredSecretKey);
}

std::string EncipherStoredSecret(std::string_view ASecret)
{
    const std::string ansi = Utf8ToAnsi(ASecret);
    if (AnsiToUtf8(ansi) != ASecret)
        throw std::runtime_error("EncipherStoredSecret: the secret holds characters that Windows-1251 cannot carry");
    const std::string enciphered = XorBytesWithHash(ansi, StoredSecretHash(constants::StoredSecretKey));
    const size_t at = enciphered.find('\x98');
    if (at != std::string::npos)
        throw std::runtime_error("EncipherStoredSecret: enciphered byte " + std::to_string(at) +
                                 " is 0x98, which Windows-1251 cannot carry; choose another secret");
    std::string result = Base64EncodeLine(AnsiToUtf8(enciphered));
    // The checks above cover every known cause; this one guards the promise itself.
    if (DecipherStoredSecret(result) != ASecret)
        throw std::runtime_error("EncipherStoredSecret: the enciphered form would not decipher back to the secret");
    return result;
}

}  // namespace korvel
