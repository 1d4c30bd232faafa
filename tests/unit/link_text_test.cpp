#include "dialup/link_text.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"

namespace orvane {
namespace {

class LinkTextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clock_.SetDateText("07/12/2026");
        UseClock(&clock_);
    }
    void TearDown() override { UseClock(nullptr); }

    FakeClock clock_;
    const SystemTime since_{2026, 12, 1, 7, 9, 5, 3, 999};
};

TEST_F(LinkTextTest, DialupStatesHaveTheirOwnTexts) {
    EXPECT_EQ(FormatLinkText(0, since_, 1), "Link active since 07/12/2026 09:05:03");
    EXPECT_EQ(FormatLinkText(1, since_, 1), "Link inactive since 07/12/2026 09:05:03");
    EXPECT_EQ(FormatLinkText(2, since_, 1),
              "Link inactive since program startup (07/12/2026 09:05:03)");
    EXPECT_EQ(FormatLinkText(3, since_, 1), "[Not available]");
    EXPECT_EQ(FormatLinkText(-1, since_, 1), "[Not available]");
}

TEST_F(LinkTextTest, WithoutDialupTheLinkIsPermanentWhateverTheState) {
    for (int state : {0, 1, 2, 7}) {
        for (int use_dialup : {0, 2, -1}) {
            EXPECT_EQ(FormatLinkText(state, since_, use_dialup),
                      "Link active since 07/12/2026 09:05:03 (permanent connection)");
        }
    }
}

}  // namespace
}  // namespace orvane
