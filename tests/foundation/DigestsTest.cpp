#include "foundation/Digests.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace korvel {
namespace {

// Austin Appleby's MurmurHash2 as published, written out again here so that the program's version is checked
// against an independent copy rather than against itself.
std::uint32_t ReferenceMurmurHash2(const std::string& key, std::uint32_t seed)
{
    const std::uint32_t m = 0x5bd1e995;
    int len = static_cast<int>(key.size());
    std::uint32_t h = seed ^ static_cast<std::uint32_t>(len);
    const auto* p = reinterpret_cast<const unsigned char*>(key.data());
    for (; len >= 4; len -= 4, p += 4) {
        std::uint32_t k = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
        k *= m;
        k ^= k >> 24;
        k *= m;
        h = (h * m) ^ k;
    }
    if (len == 3)
        h ^= p[2] << 16;
    if (len >= 2)
        h ^= p[1] << 8;
    if (len >= 1) {
        h ^= p[0];
        h *= m;
    }
    h ^= h >> 13;
    h *= m;
    h ^= h >> 15;
    return h;
}

TEST(MurmurHash2, MatchesThePublishedAlgorithmForLengthsZeroToNine)
{
    const std::string source = "\x01\x7F\x80\xFF"
                               "ab\xD0\x9F"
                               "zq";  // high bytes exercise sign handling
    const std::string ascii = "0123456789";
    const std::uint32_t seeds[] = {0, 1, 0x9747b28c, 0xFFFFFFFF, 0x4B6F7276};
    for (const std::uint32_t seed : seeds) {
        for (size_t len = 0; len <= 9; ++len) {
            EXPECT_EQ(MurmurHash2(source.substr(0, len), seed), ReferenceMurmurHash2(source.substr(0, len), seed))
                << "len " << len << " seed " << seed;
            EXPECT_EQ(MurmurHash2(ascii.substr(0, len), seed), ReferenceMurmurHash2(ascii.substr(0, len), seed))
                << "len " << len << " seed " << seed;
        }
    }
}

struct KnownHash {
    std::string Text;
    std::uint32_t Seed;
    std::uint32_t Hash;
};

TEST(MurmurHash2, KnownValues)
{
    // Derived once from the published reference implementation.
    const KnownHash known[] = {
        {"", 0, 0x00000000},
        {"", 1, 0x5bd15e36},
        {"", 0x9747b28c, 0x106e08d9},
        {"a", 0, 0x92685f5e},
        {"abcd", 1, 0xc93f7a16},
        {"hello", 0, 0xe56129cb},
        {"The quick brown fox jumps over the lazy dog", 0x9747b28c, 0x1d84d036},
        {"При", 0, 0x67d241fb},  // over the UTF-8 bytes
    };
    for (const auto& k : known) {
        EXPECT_EQ(MurmurHash2(k.Text, k.Seed), k.Hash) << k.Text;
        EXPECT_EQ(ReferenceMurmurHash2(k.Text, k.Seed), k.Hash) << k.Text;
    }
}

TEST(MurmurHash2, EmptyInputIsThePublishedValueForItsSeed)
{
    for (const std::uint32_t seed : {0u, 7u, 0x4B6F7276u})
        EXPECT_EQ(MurmurHash2("", seed), ReferenceMurmurHash2("", seed));
}

struct Md5Vector {
    std::string Text;
    std::string Hex;
};

TEST(MD5Hex, PublishedVectors)
{
    // RFC 1321, appendix A.5.
    const Md5Vector vectors[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& v : vectors)
        EXPECT_EQ(MD5Hex(v.Text), v.Hex) << v.Text;
}

TEST(MD5Hex, CyrillicEqualsAsManyQuestionMarks)
{
    EXPECT_EQ(MD5Hex("Привіт"), MD5Hex("??????"));
    EXPECT_EQ(MD5Hex("ключ: Ґ"), MD5Hex("????: ?"));
    EXPECT_NE(MD5Hex("Привіт"), MD5Hex("?????"));
}

TEST(MD5Hex, FoldsPerUtf16CodeUnit)
{
    EXPECT_EQ(MD5Hex("\xF0\x9F\x98\x80"), MD5Hex("??"));  // a surrogate pair is two code units
    EXPECT_EQ(MD5Hex("€"), MD5Hex("?"));
    EXPECT_EQ(MD5Hex(std::string("a\0b", 3)), "70350f6027bce3713f6b76473084309b");  // NUL is ASCII
}

}  // namespace
}  // namespace korvel
