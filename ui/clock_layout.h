// The clock window's arithmetic, apart from the window system: fitting a
// font height to a target extent, placing the time and date texts, and
// keeping the stored window position and size in range. The window side
// supplies a text-measuring object; tests supply a pretend font.
#pragma once

#include <string>

#include "platform/window_position.h"
#include "settings/settings_record.h"

namespace orvane {

enum class ExtentKind { kWidth, kHeight };

struct TextExtent {
    int cx = 0;
    int cy = 0;
};

class TextMeasurer {
  public:
    virtual ~TextMeasurer() = default;
    // The pixel extent of `text` in the face at the (cell) height; false
    // when measuring failed.
    virtual bool Measure(const std::string& text, const std::string& face, int height,
                         TextExtent* extent) = 0;
};

// Most size steps one fit may take, so a huge change of window size costs a
// bounded number of measurements per paint.
constexpr int kFitFontBudget = 300;

// The largest height whose extent of the given kind stays below `target`,
// searched from `height` one step at a time within the budget; never below
// 1. A failed measurement is fatal ("GetTextExtentPoint32() failed").
int FitFontHeight(TextMeasurer& measurer, int target, const std::string& text,
                  const std::string& face, int height, ExtentKind kind);

// A font as the clock carries it from one paint to the next.
struct ClockFont {
    std::string face;
    int height = 10;
};

// Where one text goes: x is its horizontal centre, y its top.
struct PlacedText {
    int height = 0;
    int x = 0;
    int y = 0;
    TextExtent extent;
};

struct ClockPaintLayout {
    PlacedText time;
    bool show_date = false;
    PlacedText date;
};

// Fits and places the texts for a client area of w x h. The fonts' heights
// are updated in place so the next paint starts from them.
ClockPaintLayout LayOutClock(TextMeasurer& measurer, int client_width, int client_height,
                             const std::string& time_text, const std::string& date_text,
                             int show_date, ClockFont& time_font, ClockFont& date_font);

// Bounds of the stored window rectangle. A monitor left of or above the
// primary one has negative coordinates: such a place is kept, and the
// reachability rule brings back one that is on no monitor.
constexpr int kWindowPositionLowest = -4000;
constexpr int kWindowPositionHighest = 4000;
constexpr int kWindowSizeLowest = 10;
constexpr int kWindowSizeHighest = 4000;

// Pulls the position and size settings into range, in place.
void ClampWindowSettings(SettingsRecord& settings);

// The clock window on monitors of any scale. The stored position is in the
// screen's own pixels (the one coordinate system every monitor shares); the
// stored size is the size at 96 DPI (100 %), so values stored by earlier
// versions keep their meaning there, and the clock is as large to the eye
// on every monitor. A DPI that makes no sense (zero or less, above 4800)
// counts as 96.
constexpr int kBaseDpi = 96;

// A length at 96 DPI as pixels at `dpi`, and back, each rounded to the
// nearest pixel (halves away from zero). Going there and back again gives
// the stored value unchanged at 96 DPI and above.
int ScaleToDpi(int length, int dpi);
int ScaleFromDpi(int pixels, int dpi);

// The window's screen rectangle for the stored settings at the monitor's
// DPI, and the settings that store a screen rectangle shown at that DPI.
ScreenRect ClockWindowRect(const SettingsRecord& settings, int dpi);
void StoreClockWindowRect(const ScreenRect& rect, int dpi, SettingsRecord& settings);

}  // namespace orvane
