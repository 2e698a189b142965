#include "foundation/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace korvel {
namespace {

struct Vector {
    std::string Bytes;
    std::string Text;
};

// RFC 4648, section 10.
const Vector Rfc4648[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

std::string AllBytes()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}

TEST(Base64, EncodesPublishedVectors)
{
    for (const auto& v : Rfc4648) {
        EXPECT_EQ(Base64Encode(v.Bytes), v.Text);
        EXPECT_EQ(Base64EncodeLine(v.Bytes), v.Text);
        EXPECT_EQ(Base64Decode(v.Text), v.Bytes);
    }
}

TEST(Base64, BreaksLinesAt76CharactersWithCrLf)
{
    EXPECT_EQ(Base64Encode(std::string(57, 'x')).size(), 76u);  // exactly one line, no break
    const std::string two = Base64Encode(std::string(58, 'x'));
    ASSERT_EQ(two.size(), 76u + 2u + 4u);
    EXPECT_EQ(two.substr(76, 2), "\r\n");
    const std::string full = Base64Encode(std::string(114, 'x'));
    EXPECT_EQ(full.size(), 76u + 2u + 76u);  // no break after the last line
    EXPECT_EQ(full.find("\r\n"), 76u);
    EXPECT_EQ(full.rfind("\r\n"), 76u);
}

TEST(Base64, ClosedLinesEndEveryCompleteLine)
{
    struct Case {
        size_t Bytes;
        size_t Lines;
        bool EndsWithBreak;
    };
    for (const Case& c : {Case{0, 0, false}, Case{54, 1, false}, Case{55, 1, true}, Case{57, 1, true},
                          Case{58, 2, false}, Case{114, 2, true}, Case{115, 3, false}}) {
        SCOPED_TRACE(c.Bytes);
        const std::string bytes(c.Bytes, 'x');
        const std::string text = Base64EncodeClosedLines(bytes);
        EXPECT_EQ(text.size() >= 2 && text.substr(text.size() - 2) == "\r\n", c.EndsWithBreak);
        EXPECT_EQ(Base64Decode(text), bytes);
        size_t breaks = 0;
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
            ++breaks;
        EXPECT_EQ(breaks, c.EndsWithBreak ? c.Lines : c.Lines - (c.Lines > 0));
    }
}

TEST(Base64, LineEncoderNeverBreaks)
{
    const std::string text = Base64EncodeLine(std::string(1000, 'x'));
    EXPECT_EQ(text.size(), 1336u);
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(Base64Encode(std::string(1000, 'x')).size(), 1336u + 17u * 2u);
}

TEST(Base64, RoundTripsEveryByte)
{
    const std::string bytes = AllBytes() + AllBytes() + "tail";
    EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes);
    EXPECT_EQ(Base64Decode(Base64EncodeLine(bytes)), bytes);
    for (size_t n = 0; n < 12; ++n)
        EXPECT_EQ(Base64Decode(Base64Encode(bytes.substr(0, n))), bytes.substr(0, n));
}

TEST(Base64, DecoderSkipsCharactersOutsideTheAlphabet)
{
    EXPECT_EQ(Base64Decode("Zm9v\r\nYmFy"), "foobar");
    EXPECT_EQ(Base64Decode(" Z m 9 v "), "foo");
    EXPECT_EQ(Base64Decode("Zm9v!*#YmFy"), "foobar");
    EXPECT_EQ(Base64Decode("Zm9v\xE2\x82\xACYmFy"), "foobar");  // non-ASCII
    EXPECT_EQ(Base64Decode("-_.,:;"), "");
    EXPECT_EQ(Base64Decode(std::string("Zm\09v", 5)), "foo");
    // "=" is not in the alphabet either: it is skipped wherever it stands.
    EXPECT_EQ(Base64Decode("Zm=9v"), "foo");
    EXPECT_EQ(Base64Decode("Zg==Zg=="), Base64Decode("ZgZg"));
}

TEST(Base64, IncompleteFinalGroupYieldsOnlyWholeBytes)
{
    EXPECT_EQ(Base64Decode("Z"), "");
    EXPECT_EQ(Base64Decode("Zg"), "f");
    EXPECT_EQ(Base64Decode("Zm8"), "fo");
    EXPECT_EQ(Base64Decode("Zm9vY"), "foo");
    EXPECT_EQ(Base64Decode("Zm9vYg"), "foob");
    EXPECT_EQ(Base64Decode("Zm9vYmE"), "fooba");
    EXPECT_EQ(Base64Decode("Zh"), "f");  // leftover bits beyond the whole byte are dropped
}

TEST(Base64, EmptyInputs)
{
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64EncodeLine(""), "");
    EXPECT_EQ(Base64Decode(""), "");
    EXPECT_EQ(Base64Decode("===="), "");
}

}  // namespace
}  // namespace korvel
