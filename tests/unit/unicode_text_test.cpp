#include <gtest/gtest.h>

#include "platform/unicode_text.h"

namespace orvane {
namespace {

TEST(UnicodeTextTest, ConversionsBothWays) {
    struct Case {
        const char* name;
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"ASCII", "C:\\logs", u"C:\\logs"},
        {"two-byte", "\xC8\x98tefan", u"\u0218tefan"},                           // Ștefan
        {"three-byte", "\xE6\x97\xA5\xE8\xAA\x8C", u"\u65E5\u8A8C"},             // 日誌
        {"four-byte: a surrogate pair", "\xF0\x9F\x95\x90", u"\U0001F550"},      // clock face
        {"Korean AM marker", "\xEC\x98\xA4\xEC\xA0\x84", u"\uC624\uC804"},       // 오전
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    }
}

TEST(UnicodeTextTest, InvalidInputBecomesTheReplacementCharacter) {
    const struct {
        const char* name;
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"stray continuation byte", "a\x80z", u"a\uFFFDz"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"cut short at the end", "ok\xE6\x97", u"ok\uFFFD\uFFFD"},
        {"ANSI byte (Windows-1252 e acute)", "caf\xE9", u"caf\uFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(UnicodeTextTest, CutsCountUtf16UnitsAndNeverSplitACharacter) {
    const std::string text = "ab\xE6\x97\xA5\xF0\x9F\x95\x90z";  // a b 日 (clock) z: 6 units
    const struct {
        std::size_t units;
        std::string kept;
    } cases[] = {
        {0, ""}, {2, "ab"}, {3, "ab\xE6\x97\xA5"}, {4, "ab\xE6\x97\xA5"},
        {5, "ab\xE6\x97\xA5\xF0\x9F\x95\x90"}, {6, text}, {260, text},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CutToUtf16Units(text, c.units), c.kept) << c.units;
}

}  // namespace
}  // namespace orvane
