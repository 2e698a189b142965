#include "foundation/TextCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace korvel {
namespace {

TEST(TextCodec, Utf8RoundTripsThroughUtf16)
{
    for (const std::string& text : {std::string(""), std::string("ASCII text"), std::string("Привіт, світе! Ґґ Єє Її"),
                                    std::string("emoji \xF0\x9F\x98\x80 and \xE2\x82\xAC"), std::string("a\0b", 3)}) {
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    }
}

TEST(TextCodec, Utf8ToUtf16GivesCodeUnits)
{
    EXPECT_EQ(Utf8ToUtf16("A\xD0\x9F"), std::u16string(u"A\u041F"));
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), std::u16string(u"\xD83D\xDE00"));
    EXPECT_EQ(Utf8ToUtf16(std::string("\0", 1)), std::u16string(1, u'\0'));
}

struct InvalidUtf8Case {
    std::string Input;
    std::u16string Expected;
};

TEST(TextCodec, InvalidUtf8BecomesReplacementCharacters)
{
    const InvalidUtf8Case cases[] = {
        {"\xFF", u"\uFFFD"},
        {"a\x80z", u"a\uFFFDz"},
        {"\xC3", u"\uFFFD"},  // truncated at the end
        {"\xE2\x82"
         "A",
         u"\uFFFD"
         "A"},                                              // truncated, one replacement for the maximal subpart
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
        {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xF0\x9F\x98", u"\uFFFD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8ToUtf16(c.Input), c.Expected) << c.Input;
}

TEST(TextCodec, UnpairedSurrogatesBecomeReplacementCharacters)
{
    EXPECT_EQ(Utf16ToUtf8(u"a\xD800z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(Utf16ToUtf8(u"\xDC00"), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(u"\xDE00\xD83D"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // a pair in the wrong order
    EXPECT_EQ(Utf16ToUtf8(u"\xD83D"), "\xEF\xBF\xBD");
}

TEST(TextCodec, Utf8ToAnsiWritesWindows1251)
{
    EXPECT_EQ(Utf8ToAnsi("Привіт"), "\xCF\xF0\xE8\xE2\xB3\xF2");
    EXPECT_EQ(Utf8ToAnsi("ҐЄІЇ ґєії"), "\xA5\xAA\xB2\xAF \xB4\xBA\xB3\xBF");
    EXPECT_EQ(Utf8ToAnsi("€№"), "\x88\xB9");
    EXPECT_EQ(Utf8ToAnsi(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextCodec, CharactersWindows1251CannotHoldBecomeQuestionMarks)
{
    EXPECT_EQ(Utf8ToAnsi("中文"), "??");
    EXPECT_EQ(Utf8ToAnsi("a\xF0\x9F\x98\x80z"), "a?z");  // one "?" per character
    EXPECT_EQ(Utf8ToAnsi("Grüße"), "Gr??e");
    EXPECT_EQ(Utf8ToAnsi("x\xFFy"), "x?y");  // invalid UTF-8
    EXPECT_EQ(Utf8ToAnsi("\xEF\xBF\xBD"), "?");
}

TEST(TextCodec, EveryDefinedWindows1251ByteRoundTrips)
{
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98)
            continue;
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(byte)), byte) << b;
    }
    EXPECT_EQ(AnsiToUtf8("\xCF\xF0\xE8"), "При");
    EXPECT_EQ(AnsiToUtf8("\x88"), "€");
}

TEST(TextCodec, UndefinedByte0x98BecomesReplacementCharacter)
{
    EXPECT_EQ(AnsiToUtf8("a\x98z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8("\x98")), "?");
}

TEST(TextCodec, EmptyInputs)
{
    EXPECT_EQ(Utf8ToUtf16(""), u"");
    EXPECT_EQ(Utf16ToUtf8(u""), "");
    EXPECT_EQ(Utf8ToAnsi(""), "");
    EXPECT_EQ(AnsiToUtf8(""), "");
}

TEST(TextCodec, LongTextConvertsWhole)
{
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "Ї€ї";
    EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi(text)), text);
    EXPECT_EQ(Utf8ToAnsi(text).size(), 6000u);
}

}  // namespace
}  // namespace korvel
