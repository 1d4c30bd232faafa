#include "platform/fixed_text.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings_record.h"
#include "support/fake_registry.h"

namespace orvane {
namespace {

struct CopyCase {
    const char* what;
    std::string text;
    const char* stored;
};

TEST(FixedTextTest, CopiesAreCutToTheFieldAndTerminated) {
    const CopyCase cases[] = {
        {"fits", "abc", "abc"},
        {"just fits", "abcdefg", "abcdefg"},
        {"cut to the field", "abcdefghijk", "abcdefg"},
        {"empty", "", ""},
    };
    for (const CopyCase& c : cases) {
        char field[8];
        std::memset(field, 'x', sizeof field);
        CopyToField(field, c.text);
        EXPECT_STREQ(field, c.stored) << c.what;
    }
}

// "Ж" is 2 bytes, "日" 3, "😀" 4 (2 UTF-16 units).
TEST(FixedTextTest, CopiesNeverEndInsideACharacter) {
    const CopyCase cases[] = {
        {"two-byte character fits", "abcde\u0416", "abcde\u0416"},
        {"two-byte character cut whole", "abcdef\u0416", "abcdef"},
        {"three-byte character cut whole", "abcde\u65e5", "abcde"},
        {"four-byte character cut whole", "abcd\U0001F600", "abcd"},
        {"stray continuation bytes cut where asked", "\x80\x80\x80\x80\x80\x80\x80\x80",
         "\x80\x80\x80\x80\x80\x80\x80"},
    };
    for (const CopyCase& c : cases) {
        char field[8];
        CopyToField(field, c.text);
        EXPECT_STREQ(field, c.stored) << c.what;
    }
}

// The limit counts UTF-16 units; the bytes hold any text within it.
TEST(FixedTextTest, TextFieldsKeepTheirLimitInUnits) {
    std::string wide;
    for (int i = 0; i < 260; ++i)
        wide += "\u0416";
    PathField path;
    CopyToField(path, wide);
    EXPECT_EQ(FieldText(path), wide.substr(0, 259 * 2));
    CopyToField(path, std::string(300, 'a'));
    EXPECT_EQ(FieldText(path), std::string(259, 'a'));
    TextField<4> astral;
    CopyToField(astral, "a\U0001F600\U0001F600");
    EXPECT_EQ(FieldText(astral), "a\U0001F600");
}

TEST(FixedTextTest, ReadsStopAtTheTerminatorOrTheFieldsEnd) {
    const char terminated[4] = {'a', 'b', '\0', 'd'};
    EXPECT_EQ(FieldText(terminated), "ab");
    const char unterminated[4] = {'w', 'x', 'y', 'z'};
    EXPECT_EQ(FieldText(unterminated), "wxyz");
    EXPECT_EQ(FieldText(unterminated, 2), "wx");
}

TEST(FixedTextTest, RegistryReadsTakeTheFieldsSizeUnlessLessIsAsked) {
    FakeRegistry registry;
    registry.PutText(RegistryScope::kMachine, "K", "Name", "abc");
    RegistryKey key = kNoRegistryKey;
    ASSERT_EQ(registry.OpenKey(RegistryScope::kMachine, "K", RegistryMode::kRead, false, &key), 0);
    char field[8] = {};
    EXPECT_EQ(ReadTextField(registry, key, "Name", field), kErrorSuccess);
    EXPECT_STREQ(field, "abc");
    EXPECT_EQ(ReadTextField(registry, key, "Name", field, 3), kErrorMoreData);
    EXPECT_STREQ(field, "abc");
    ReadTextField(registry, key, "Name", field, 100);
    // Six units are within a plain 8-byte buffer's count, not its bytes;
    // a font name field holds them.
    registry.PutText(RegistryScope::kMachine, "K", "Wide", "\u0416\u0416\u0416\u0416\u0416\u0416");
    EXPECT_EQ(ReadTextField(registry, key, "Wide", field), kErrorMoreData);
    EXPECT_STREQ(field, "abc");
    FontNameField font = {};
    EXPECT_EQ(ReadTextField(registry, key, "Wide", font), kErrorSuccess);
    EXPECT_EQ(FieldText(font), "\u0416\u0416\u0416\u0416\u0416\u0416");
    registry.CloseKey(key);
    const std::vector<std::string> log = registry.log();
    const std::vector<std::string> reads(log.end() - 6, log.end() - 3);
    EXPECT_EQ(reads, (std::vector<std::string>{"read text Name 8", "read text Name 3",
                                               "read text Name 8"}));
}

}  // namespace
}  // namespace orvane
