#include "ui/clock_layout.h"

#include <gtest/gtest.h>

#include "support/fake_ui_sinks.h"

namespace orvane {
namespace {

// A pretend font: every character is half the height wide plus one, and a
// text is as high as the font. Counts measurements.
class PretendFont : public TextMeasurer {
  public:
    bool Measure(const std::string& text, const std::string&, int height,
                 TextExtent* extent) override {
        ++measurements;
        if (fail)
            return false;
        extent->cx = static_cast<int>(text.size()) * (height / 2 + 1);
        extent->cy = height;
        return true;
    }
    int measurements = 0;
    bool fail = false;
};

TEST(FitFontHeightTest, GrowsToTheLargestHeightBelowTheTarget) {
    PretendFont font;
    // Height is the extent itself: the largest height below 50 is 49.
    EXPECT_EQ(FitFontHeight(font, 50, "12:00", "Arial", 10, ExtentKind::kHeight), 49);
    // Width of 8 characters: 8 * (h/2 + 1) < 300 holds up to h = 73.
    EXPECT_EQ(FitFontHeight(font, 300, "12:00:00", "Arial", 10, ExtentKind::kWidth), 73);
}

TEST(FitFontHeightTest, ShrinksUntilTheExtentNoLongerExceedsTheTarget) {
    PretendFont font;
    EXPECT_EQ(FitFontHeight(font, 50, "x", "Arial", 200, ExtentKind::kHeight), 50);
    // Width: 8 * (h/2 + 1) <= 100 first at h = 23 coming down.
    EXPECT_EQ(FitFontHeight(font, 100, "12:00:00", "Arial", 90, ExtentKind::kWidth), 23);
}

TEST(FitFontHeightTest, ExactFitLeavesTheHeightAndMeasuresOnce) {
    PretendFont font;
    EXPECT_EQ(FitFontHeight(font, 40, "x", "Arial", 40, ExtentKind::kHeight), 40);
    EXPECT_EQ(font.measurements, 1);
}

TEST(FitFontHeightTest, NeverGoesBelowOne) {
    PretendFont font;
    EXPECT_EQ(FitFontHeight(font, 0, "x", "Arial", 30, ExtentKind::kHeight), 1);
    EXPECT_EQ(FitFontHeight(font, -5, "12:00:00", "Arial", 1, ExtentKind::kWidth), 1);
    // A carried height that went bad still comes back usable.
    EXPECT_EQ(FitFontHeight(font, 0, "x", "Arial", -7, ExtentKind::kHeight), 1);
}

TEST(FitFontHeightTest, GrowingStopsAfterThreeHundredSteps) {
    PretendFont font;
    // Target far away: 300 steps up from 10, then one back.
    EXPECT_EQ(FitFontHeight(font, 100000, "x", "Arial", 10, ExtentKind::kHeight), 309);
    EXPECT_EQ(font.measurements, 301);
}

TEST(FitFontHeightTest, ShrinkingStopsAfterThreeHundredSteps) {
    PretendFont font;
    EXPECT_EQ(FitFontHeight(font, 5, "x", "Arial", 1000, ExtentKind::kHeight), 700);
    EXPECT_EQ(font.measurements, 301);
}

TEST(FitFontHeightTest, AStableWindowSettlesToOneMeasurementPerFit) {
    PretendFont font;
    int height = FitFontHeight(font, 50, "x", "Arial", 10, ExtentKind::kHeight);
    font.measurements = 0;
    // The grow loop measures once to see it is below and once to pass it.
    EXPECT_EQ(FitFontHeight(font, 50, "x", "Arial", height, ExtentKind::kHeight), height);
    EXPECT_LE(font.measurements, 2);
}

TEST(FitFontHeightTest, FailedMeasurementIsFatal) {
    FakeMessageBoxSink boxes;
    FakeProcessExit exit;
    UseMessageBoxSink(&boxes);
    UseProcessExit(&exit);
    PretendFont font;
    font.fail = true;
    EXPECT_THROW(FitFontHeight(font, 50, "x", "Arial", 10, ExtentKind::kHeight), ProcessExitCalled);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text.rfind("GetTextExtentPoint32() failed\nError code ", 0), 0u);
    UseProcessExit(nullptr);
    UseMessageBoxSink(nullptr);
}

TEST(LayOutClockTest, TimeOnlyIn300By100FitsHalfTheHeightCentredOn50) {
    PretendFont font;
    ClockFont time{"Arial", 10};
    ClockFont date{"Arial", 10};
    ClockPaintLayout layout = LayOutClock(font, 300, 100, "12:34:56", "", 0, time, date);
    EXPECT_FALSE(layout.show_date);
    EXPECT_LE(layout.time.extent.cy, 50);
    EXPECT_LE(layout.time.extent.cx, 300);
    EXPECT_EQ(layout.time.height, 49);  // the height fit is the smaller one
    EXPECT_EQ(time.height, 49);         // carried to the next paint
    EXPECT_EQ(layout.time.x, 150);
    EXPECT_EQ(layout.time.y, 50 - 49 / 2);
    EXPECT_EQ(date.height, 10);  // untouched without the date
}

TEST(LayOutClockTest, WidthLimitsALongTextInAWideFit) {
    PretendFont font;
    ClockFont time{"Arial", 10};
    ClockFont date{"Arial", 10};
    ClockPaintLayout layout = LayOutClock(font, 100, 400, "12:34:56 PM", "", 0, time, date);
    EXPECT_LT(layout.time.extent.cx, 100);
    EXPECT_LT(layout.time.extent.cy, 200);
    EXPECT_EQ(layout.time.height,
              FitFontHeight(font, 100, "12:34:56 PM", "Arial", 10, ExtentKind::kWidth));
}

TEST(LayOutClockTest, WithTheDateTimeTakesTwoThirdsAndDateTheLowerThird) {
    PretendFont font;
    ClockFont time{"Arial", 10};
    ClockFont date{"Arial", 10};
    // h = 100: time height target (100/3)*2 = 66, date target 100/3 = 33.
    ClockPaintLayout layout = LayOutClock(font, 600, 100, "1", "1", 1, time, date);
    ASSERT_TRUE(layout.show_date);
    EXPECT_EQ(layout.time.height, 65);
    EXPECT_EQ(layout.time.y, 100 / 3 - 65 / 2);
    EXPECT_EQ(layout.date.height, 32);
    EXPECT_EQ(layout.date.y, (100 / 6) * 5 - 32 / 2);  // 80 - 16, not 83 - 16
    EXPECT_EQ(layout.date.x, 300);
}

TEST(LayOutClockTest, ShowDateCountsOnlyWhenItIsOne) {
    PretendFont font;
    ClockFont time{"Arial", 10};
    ClockFont date{"Arial", 10};
    EXPECT_FALSE(LayOutClock(font, 300, 100, "1", "1", 2, time, date).show_date);
}

TEST(LayOutClockTest, FromVeryLargeToTinyTheFontsStayAtLeastOne) {
    PretendFont font;
    ClockFont time{"Arial", 10};
    ClockFont date{"Arial", 10};
    for (int i = 0; i < 5; ++i)
        LayOutClock(font, 4000, 4000, "12:34:56", "01/02/2024", 1, time, date);
    EXPECT_GT(time.height, 300);
    for (int i = 0; i < 10; ++i)
        LayOutClock(font, 1, 1, "12:34:56", "01/02/2024", 1, time, date);
    EXPECT_EQ(time.height, 1);
    EXPECT_EQ(date.height, 1);
    LayOutClock(font, 0, 0, "12:34:56", "01/02/2024", 1, time, date);
    EXPECT_EQ(time.height, 1);
}

TEST(ClampWindowSettingsTest, PlacesOnMonitorsLeftOfOrAboveThePrimaryAreKept) {
    SettingsRecord s;
    s.window_position_x = -1500;
    s.window_position_y = -5000;
    s.window_size_x = 200;
    s.window_size_y = 80;
    ClampWindowSettings(s);
    EXPECT_EQ(s.window_position_x, -1500);
    EXPECT_EQ(s.window_position_y, -4000);
    EXPECT_EQ(s.window_size_x, 200);
    EXPECT_EQ(s.window_size_y, 80);
}

TEST(ClampWindowSettingsTest, TinySizesGrowToTenAndHugeValuesStopAt4000) {
    SettingsRecord s;
    s.window_position_x = 5000;
    s.window_position_y = 4000;
    s.window_size_x = 5;
    s.window_size_y = 99999;
    ClampWindowSettings(s);
    EXPECT_EQ(s.window_position_x, 4000);
    EXPECT_EQ(s.window_position_y, 4000);
    EXPECT_EQ(s.window_size_x, 10);
    EXPECT_EQ(s.window_size_y, 4000);
}

struct DpiCase {
    int length;
    int dpi;
    int pixels;
};

TEST(ClockDpiTest, LengthsScaleToTheNearestPixelAndNonsenseDpiCountsAs96) {
    const DpiCase cases[] = {
        {150, 96, 150}, {150, 144, 225},  {75, 120, 94},   // 93.75
        {3, 144, 5},                                       // 4.5: halves away from zero
        {-3, 144, -5},  {150, 192, 300},  {150, 72, 113},  // 112.5
        {150, 0, 150},  {150, -144, 150}, {150, 100000, 150},
    };
    for (const DpiCase& c : cases) {
        EXPECT_EQ(ScaleToDpi(c.length, c.dpi), c.pixels) << c.length << " at " << c.dpi;
    }
}

TEST(ClockDpiTest, StoredSizesSurviveTheRoundTripAtEveryCommonScale) {
    for (int dpi : {96, 120, 144, 168, 192, 240, 288}) {
        for (int size = kWindowSizeLowest; size <= kWindowSizeHighest; ++size)
            ASSERT_EQ(ScaleFromDpi(ScaleToDpi(size, dpi), dpi), size) << size << " at " << dpi;
    }
    // Below 96 DPI a pixel holds more than one stored unit: one store
    // settles the value, and it does not creep from there.
    const int settled = ScaleFromDpi(ScaleToDpi(151, 72), 72);
    EXPECT_EQ(ScaleFromDpi(ScaleToDpi(settled, 72), 72), settled);
}

TEST(ClockDpiTest, PositionStaysInScreenPixelsAndSizeIsAt96Dpi) {
    SettingsRecord s;
    s.window_position_x = 1930;
    s.window_position_y = 40;
    s.window_size_x = 200;
    s.window_size_y = 80;
    const ScreenRect at_150 = ClockWindowRect(s, 144);
    EXPECT_EQ(at_150.left, 1930);
    EXPECT_EQ(at_150.top, 40);
    EXPECT_EQ(at_150.right, 1930 + 300);
    EXPECT_EQ(at_150.bottom, 40 + 120);

    SettingsRecord stored;
    StoreClockWindowRect(ScreenRect{-1200, 10, -1200 + 301, 10 + 119}, 144, stored);
    EXPECT_EQ(stored.window_position_x, -1200);
    EXPECT_EQ(stored.window_position_y, 10);
    EXPECT_EQ(stored.window_size_x, 201);  // 200.67
    EXPECT_EQ(stored.window_size_y, 79);   // 79.33
}

}  // namespace
}  // namespace orvane
