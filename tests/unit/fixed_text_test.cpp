#include "platform/fixed_text.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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
    registry.CloseKey(key);
    const std::vector<std::string> log = registry.log();
    const std::vector<std::string> reads(log.end() - 4, log.end() - 1);
    EXPECT_EQ(reads, (std::vector<std::string>{"read text Name 8", "read text Name 3",
                                               "read text Name 8"}));
}

}  // namespace
}  // namespace orvane
