#include "foundation/Digests.h"

#include "foundation/TextCodec.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace korvel {

std::uint32_t MurmurHash2(std::string_view AText, std::uint32_t ASeed)
{
    constexpr std::uint32_t m = 0x5bd1e995;
    constexpr int r = 24;
    const auto* data = reinterpret_cast<const unsigned char*>(AText.data());
    size_t len = AText.size();
    // The published algorithm takes the length as a 32-bit int.
    std::uint32_t h = ASeed ^ static_cast<std::uint32_t>(len);
    while (len >= 4) {
        std::uint32_t k = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                          static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
        k *= m;
        k ^= k >> r;
        k *= m;
        h *= m;
        h ^= k;
        data += 4;
        len -= 4;
    }
    switch (len) {
    case 3:
        h ^= static_cast<std::uint32_t>(data[2]) << 16;
        [[fallthrough]];
    case 2:
        h ^= static_cast<std::uint32_t>(data[1]) << 8;
        [[fallthrough]];
    case 1:
        h ^= data[0];
        h *= m;
        break;
    default:
        break;
    }
    h ^= h >> 13;
    h *= m;
    h ^= h >> 15;
    return h;
}

std::string MD5Hex(std::string_view AText)
{
    const std::u16string units = Utf8ToUtf16(AText);
    std::string folded;
    folded.reserve(units.size());
    for (const char16_t unit : units)
        folded += unit < 128 ? static_cast<char>(unit) : '?';

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (EVP_Digest(folded.data(), folded.size(), digest, &digestLength, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("MD5Hex: MD5 is not available");

    static constexpr char Hex[] = "0123456789abcdef";
    std::string result;
    result.reserve(size_t{digestLength} * 2);
    for (unsigned int i = 0; i < digestLength; ++i) {
        result += Hex[digest[i] >> 4];
        result += Hex[digest[i] & 0x0F];
    }
    return result;
}

}  // namespace korvel
