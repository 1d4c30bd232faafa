#include "ui/clock_layout.h"

#include <algorithm>

#include "logging/fatal_error.h"

namespace orvane {

namespace {

int MeasureKind(TextMeasurer& measurer, const std::string& text, const std::string& face,
                int height, ExtentKind kind) {
    TextExtent extent;
    if (!measurer.Measure(text, face, height, &extent)) {
        ReportFatalErrorWithCode("GetTextExtentPoint32() failed");
    }
    return kind == ExtentKind::kWidth ? extent.cx : extent.cy;
}

TextExtent MeasureBoth(TextMeasurer& measurer, const std::string& text, const std::string& face,
                       int height) {
    TextExtent extent;
    if (!measurer.Measure(text, face, height, &extent)) {
        ReportFatalErrorWithCode("GetTextExtentPoint32() failed");
    }
    return extent;
}

int SensibleDpi(int dpi) {
    return dpi > 0 && dpi <= 4800 ? dpi : kBaseDpi;
}

// numerator * factor / divisor, to the nearest whole number.
int MulDivRounded(int numerator, int factor, int divisor) {
    const long long product = static_cast<long long>(numerator) * factor;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor
                                         : -((-product + half) / divisor));
}

// The smaller of a width fit and a height fit, both from the carried height.
int FitBoth(TextMeasurer& measurer, int width_target, int height_target, const std::string& text,
            ClockFont& font) {
    const int by_width =
        FitFontHeight(measurer, width_target, text, font.face, font.height, ExtentKind::kWidth);
    const int by_height =
        FitFontHeight(measurer, height_target, text, font.face, font.height, ExtentKind::kHeight);
    return by_width < by_height ? by_width : by_height;
}

}  // namespace

int FitFontHeight(TextMeasurer& measurer, int target, const std::string& text,
                  const std::string& face, int height, ExtentKind kind) {
    int extent = MeasureKind(measurer, text, face, height, kind);
    int budget = kFitFontBudget;
    if (extent < target) {
        do {
            ++height;
            extent = MeasureKind(measurer, text, face, height, kind);
            --budget;
        } while (budget > 0 && extent < target);
        --height;
    } else if (extent > target) {
        while (height > 1) {
            --height;
            extent = MeasureKind(measurer, text, face, height, kind);
            --budget;
            if (budget == 0 || extent <= target)
                break;
        }
    }
    // A start below 1 (a bad carried height) still ends at 1 at least.
    return std::max(height, 1);
}

ClockPaintLayout LayOutClock(TextMeasurer& measurer, int w, int h, const std::string& time_text,
                             const std::string& date_text, int show_date, ClockFont& time_font,
                             ClockFont& date_font) {
    ClockPaintLayout layout;
    layout.show_date = show_date == 1;

    const int time_height_target = layout.show_date ? (h / 3) * 2 : h / 2;
    time_font.height = FitBoth(measurer, w, time_height_target, time_text, time_font);
    layout.time.height = time_font.height;
    layout.time.extent = MeasureBoth(measurer, time_text, time_font.face, time_font.height);
    layout.time.x = w / 2;
    layout.time.y = (layout.show_date ? h / 3 : h / 2) - layout.time.extent.cy / 2;

    if (layout.show_date) {
        date_font.height = FitBoth(measurer, w, h / 3, date_text, date_font);
        layout.date.height = date_font.height;
        layout.date.extent = MeasureBoth(measurer, date_text, date_font.face, date_font.height);
        layout.date.x = w / 2;
        layout.date.y = (h / 6) * 5 - layout.date.extent.cy / 2;
    }
    return layout;
}

void ClampWindowSettings(SettingsRecord& s) {
    s.window_position_x =
        std::clamp(s.window_position_x, kWindowPositionLowest, kWindowPositionHighest);
    s.window_position_y =
        std::clamp(s.window_position_y, kWindowPositionLowest, kWindowPositionHighest);
    s.window_size_x = std::clamp(s.window_size_x, kWindowSizeLowest, kWindowSizeHighest);
    s.window_size_y = std::clamp(s.window_size_y, kWindowSizeLowest, kWindowSizeHighest);
}

int ScaleToDpi(int length, int dpi) {
    return MulDivRounded(length, SensibleDpi(dpi), kBaseDpi);
}

int ScaleFromDpi(int pixels, int dpi) {
    return MulDivRounded(pixels, kBaseDpi, SensibleDpi(dpi));
}

ScreenRect ClockWindowRect(const SettingsRecord& s, int dpi) {
    return ScreenRect{s.window_position_x, s.window_position_y,
                      s.window_position_x + ScaleToDpi(s.window_size_x, dpi),
                      s.window_position_y + ScaleToDpi(s.window_size_y, dpi)};
}

void StoreClockWindowRect(const ScreenRect& rect, int dpi, SettingsRecord& s) {
    s.window_position_x = rect.left;
    s.window_position_y = rect.top;
    s.window_size_x = ScaleFromDpi(rect.right - rect.left, dpi);
    s.window_size_y = ScaleFromDpi(rect.bottom - rect.top, dpi);
}

}  // namespace orvane
