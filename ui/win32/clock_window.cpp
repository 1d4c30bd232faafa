#include "ui/win32/clock_window.h"

#include <ctime>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "logging/fatal_error.h"
#include "platform/fixed_text.h"
#include "platform/win32/window_placement.h"
#include "settings/settings_record.h"
#include "ui/clock_layout.h"
#include "ui/resource_ids.h"
#include "ui/win32/configuration_dialog.h"
#include "ui/win32/error_window_dialog.h"
#include "ui/win32/status_dialog.h"
#include "ui/win32/tray_menu.h"
#include "ui/win32/ui_state.h"
#include "ui/win32/win_main.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

using MeasuredTexts = std::map<std::tuple<std::string, std::string, int>, TextExtent>;

struct ClockWindowState {
    std::time_t last_painted_second = 0;
    MeasuredTexts measured_texts;
    bool dragging = false;
    POINT drag_offset = {0, 0};
};

ClockWindowState& WindowState() {
    static ClockWindowState* state =
        new ClockWindowState;  // never destroyed: other threads may still ask at exit
    return *state;
}

LOGFONTA MakeLogFont(const std::string& face, int height) {
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    CopyToField(font.lfFaceName, face);
    return font;
}

// Measures through a device context with a font made for each request, and
// remembers its answers from one paint to the next. The fit starts from the
// carried height, so one of its two searches climbs through every height in
// between on each paint; under Wine each new height means hinting glyphs
// afresh. The date's text stays the same all day, so its long search is
// answered from here; the time's text changes each second, but its own
// searches stay short.
class GdiTextMeasurer : public TextMeasurer {
  public:
    GdiTextMeasurer(HDC dc, MeasuredTexts& measured) : dc_(dc), measured_(measured) {}
    bool Measure(const std::string& text, const std::string& face, int height,
                 TextExtent* extent) override {
        auto key = std::make_tuple(text, face, height);
        const auto known = measured_.find(key);
        if (known != measured_.end()) {
            *extent = known->second;
            return true;
        }
        if (!MeasureWithFont(text, face, height, extent))
            return false;
        measured_.emplace(std::move(key), *extent);
        return true;
    }

    // Each second brings a new time text: what was measured for texts no
    // longer shown is of no further use.
    void ForgetAllBut(const std::string& time_text, const std::string& date_text) {
        for (auto it = measured_.begin(); it != measured_.end();) {
            const std::string& text = std::get<0>(it->first);
            it = text == time_text || text == date_text ? std::next(it) : measured_.erase(it);
        }
    }

  private:
    bool MeasureWithFont(const std::string& text, const std::string& face, int height,
                         TextExtent* extent) {
        const LOGFONTA description = MakeLogFont(face, height);
        HFONT font = CreateFontIndirectA(&description);
        HGDIOBJ previous = SelectObject(dc_, font);
        SIZE size = {0, 0};
        const BOOL measured =
            GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc_, previous);
        DeleteObject(font);
        extent->cx = size.cx;
        extent->cy = size.cy;
        return measured != FALSE;
    }

    HDC dc_;
    MeasuredTexts& measured_;
};

void DrawPlacedText(HDC dc, const PlacedText& placed, const std::string& face,
                    const std::string& text) {
    const LOGFONTA description = MakeLogFont(face, placed.height);
    HFONT font = CreateFontIndirectA(&description);
    HGDIOBJ previous = SelectObject(dc, font);
    TextOutA(dc, placed.x, placed.y, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, previous);
    DeleteObject(font);
}

void PaintClock(HWND window, int show_date) {
    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    const int outer_w = outer.right - outer.left;
    const int outer_h = outer.bottom - outer.top;

    HDC dc = GetDC(window);
    if (dc == nullptr)
        ReportFatalErrorWithCode("Unable to get window's device context");
    HDC memory = CreateCompatibleDC(dc);
    if (memory == nullptr)
        ReportFatalErrorWithCode("CreateCompatibleDC() failed");
    HBITMAP bitmap = CreateCompatibleBitmap(dc, outer_w, outer_h);
    if (bitmap == nullptr)
        ReportFatalErrorWithCode("CreateCompatibleBitmap() failed");
    HGDIOBJ previous_bitmap = SelectObject(memory, bitmap);

    HGDIOBJ previous_pen = SelectObject(memory, GetStockObject(NULL_PEN));
    HGDIOBJ previous_brush = SelectObject(memory, GetSysColorBrush(COLOR_BTNFACE));
    // A null pen leaves the right and bottom edge out: one more each way.
    Rectangle(memory, 0, 0, outer_w + 1, outer_h + 1);
    SelectObject(memory, previous_brush);
    SelectObject(memory, previous_pen);

    // The text in the colour that goes with the face colour, whatever the
    // colour scheme (a dark or high-contrast one among them).
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, GetSysColor(COLOR_BTNTEXT));
    SetTextAlign(memory, TA_CENTER | TA_TOP);

    char time_text[100] = {};
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time_text, sizeof time_text);
    char date_text[200] = {};
    if (show_date == 1) {
        GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, date_text, sizeof date_text);
    }

    GdiTextMeasurer measurer(memory, WindowState().measured_texts);
    measurer.ForgetAllBut(time_text, date_text);
    UiState& ui = Ui();
    const ClockPaintLayout layout =
        LayOutClock(measurer, w, h, time_text, date_text, show_date, ui.time_font, ui.date_font);
    DrawPlacedText(memory, layout.time, ui.time_font.face, time_text);
    if (layout.show_date)
        DrawPlacedText(memory, layout.date, ui.date_font.face, date_text);

    BitBlt(dc, 0, 0, outer_w, outer_h, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous_bitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    if (ReleaseDC(window, dc) == 0)
        ReportFatalErrorWithCode("Unable to free window's device context");
}

void StoreWindowRect(HWND window) {
    RECT outer;
    GetWindowRect(window, &outer);
    UpdateSettings([&](SettingsRecord& settings) {
        settings.window_position_x = outer.left;
        settings.window_position_y = outer.top;
        settings.window_size_x = outer.right - outer.left;
        settings.window_size_y = outer.bottom - outer.top;
    });
}

void RescueStoredRect() {
    const SettingsRecord stored = CurrentSettings();
    ScreenRect rect{stored.window_position_x, stored.window_position_y,
                    stored.window_position_x + stored.window_size_x,
                    stored.window_position_y + stored.window_size_y};
    if (!MoveWithinReach(rect))
        return;
    UpdateSettings([&rect](SettingsRecord& settings) {
        settings.window_position_x = rect.left;
        settings.window_position_y = rect.top;
        settings.window_size_x = rect.right - rect.left;
        settings.window_size_y = rect.bottom - rect.top;
    });
}

LRESULT OnClockDisplayChange(HWND window) {
    RECT outer;
    GetWindowRect(window, &outer);
    ScreenRect rect{outer.left, outer.top, outer.right, outer.bottom};
    if (MoveWithinReach(rect)) {
        SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
        StoreWindowRect(window);
    }
    return 0;
}

LRESULT OnClockCreate(HWND window) {
    Ui().clock_window.store(window);
    AddNotificationIcon(window);
    SetTimer(window, kClockTimerId, kClockTimerPeriodMs, nullptr);
    WindowState().last_painted_second = 0;
    return 0;
}

LRESULT OnClockPaint(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    PaintClock(window, CurrentSettings().show_date);
    EndPaint(window, &paint);
    return 0;
}

LRESULT OnClockTimer(HWND window, WPARAM id) {
    if (id != kClockTimerId)
        return 0;
    const std::time_t now = std::time(nullptr);
    if (now != WindowState().last_painted_second) {
        PaintClock(window, CurrentSettings().show_date);
        WindowState().last_painted_second = now;
    }
    return 0;
}

LRESULT OnClockLeftButtonDown(HWND window) {
    POINT cursor;
    RECT outer;
    GetCursorPos(&cursor);
    GetWindowRect(window, &outer);
    WindowState().dragging = true;
    WindowState().drag_offset = {cursor.x - outer.left, cursor.y - outer.top};
    SetCapture(window);
    return 0;
}

LRESULT OnClockMouseMove(HWND window) {
    if (!WindowState().dragging)
        return 0;
    POINT cursor;
    GetCursorPos(&cursor);
    const int x = cursor.x - WindowState().drag_offset.x;
    const int y = cursor.y - WindowState().drag_offset.y;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateSettings([&](SettingsRecord& settings) {
        settings.window_position_x = x;
        settings.window_position_y = y;
    });
    return 0;
}

LRESULT OnClockLeftButtonUp() {
    WindowState().dragging = false;
    ReleaseCapture();
    return 0;
}

// The capture taken away (another window, a menu, a message box): the drag
// ends with it, or the clock would follow the mouse without a button held.
LRESULT OnClockCaptureChanged() {
    WindowState().dragging = false;
    return 0;
}

LRESULT OnClockEndSession(WPARAM ending) {
    // Only a session that really ends: a cancelled one keeps the program.
    if (ending) {
        Shutdown();
        PostQuitMessage(0);
    }
    return 0;
}

// The engine's box, shown here so the update that asked for it goes on.
LRESULT OnClockInformationBox(HWND window, LPARAM lparam) {
    std::unique_ptr<InformationBoxRequest> box(reinterpret_cast<InformationBoxRequest*>(lparam));
    MessageBoxA(window, box->text.c_str(), box->caption.c_str(), MB_OK | MB_ICONINFORMATION);
    return 0;
}

// The engine's question: the update that asked waits for the button.
LRESULT OnClockQuestionBox(HWND window, LPARAM lparam) {
    const auto* question = reinterpret_cast<const QuestionBoxRequest*>(lparam);
    return MessageBoxA(window, question->text.c_str(), question->caption.c_str(),
                       MB_YESNO | MB_ICONWARNING);
}

LRESULT OnClockDestroy(HWND window) {
    KillTimer(window, kClockTimerId);
    Ui().clock_window.store(nullptr);
    return 0;
}

LRESULT CALLBACK ClockWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
    // Registered messages have no fixed number to switch on.
    if (msg == TaskbarCreatedMessage()) {
        OnTaskbarCreated(window);
        return 0;
    }
    if (msg == ShowClockMessage()) {
        ShowClockFromTray();
        return 0;
    }
    switch (msg) {
        case WM_CREATE:
            return OnClockCreate(window);
        case WM_SIZE:
            StoreWindowRect(window);
            return 0;
        case WM_PAINT:
            return OnClockPaint(window);
        case WM_TIMER:
            return OnClockTimer(window, wparam);
        case WM_LBUTTONDOWN:
            return OnClockLeftButtonDown(window);
        case WM_MOUSEMOVE:
            return OnClockMouseMove(window);
        case WM_LBUTTONUP:
            return OnClockLeftButtonUp();
        case WM_CAPTURECHANGED:
            return OnClockCaptureChanged();
        case WM_DISPLAYCHANGE:
            return OnClockDisplayChange(window);
        case WM_LBUTTONDBLCLK:
            OpenConfigurationDialog(window);
            return 0;
        case WM_RBUTTONDOWN:
            ShowPopupMenuFromClock();
            return 0;
        case WM_CHAR:
            HandleCharacter(static_cast<char>(wparam));
            return 0;
        case WM_COMMAND:
            HandleCommand(LOWORD(wparam));
            return 0;
        case kNotifyIconMessage:
            OnNotificationIconMessage(wparam, lparam);
            return 0;
        case kStatusRefreshMessage:
            OnStatusRefreshMessage(lparam);
            return 0;
        case kInformationBoxMessage:
            return OnClockInformationBox(window, lparam);
        case kQuestionBoxMessage:
            return OnClockQuestionBox(window, lparam);
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            return OnClockEndSession(wparam);
        case WM_DESTROY:
            return OnClockDestroy(window);
        default:
            return DefWindowProcA(window, msg, wparam, lparam);
    }
}

LRESULT CALLBACK TaskbarWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            Ui().taskbar_window = window;
            return 0;
        case WM_CLOSE:
            if (HWND clock = Ui().clock_window.load())
                KillTimer(clock, kClockTimerId);
            PostQuitMessage(0);
            return 0;
        case WM_COMMAND:
            return 0;
        default:
            return DefWindowProcA(window, msg, wparam, lparam);
    }
}

void RegisterWindowClass(const char* name, WNDPROC procedure, UINT style, HBRUSH background) {
    WNDCLASSA wc = {};
    wc.style = style;
    wc.lpfnWndProc = procedure;
    wc.hInstance = Ui().instance;
    wc.hIcon = LoadIconA(Ui().instance, MAKEINTRESOURCEA(IDI_ORVANE));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

}  // namespace

void CreateWindows() {
    UiState& ui = Ui();
    UpdateSettings([](SettingsRecord& live) { ClampWindowSettings(live); });
    RescueStoredRect();
    const SettingsRecord settings = CurrentSettings();
    ui.snapshots = TakeSettingsSnapshots(settings);
    WindowState().dragging = false;
    SetSettingsAppliedHandler(RunSettingsAppliedHandler);

    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_THICKFRAME;
    RegisterWindowClass(kTaskbarWindowClass, TaskbarWindowProc, CS_HREDRAW | CS_VREDRAW,
                        GetSysColorBrush(COLOR_MENU));
    if (CreateWindowExA(0, kTaskbarWindowClass, kProgramName, style, -200, -200, 1, 1, nullptr,
                        nullptr, ui.instance, nullptr) == nullptr) {
        ReportFatalErrorWithCode("Unable to create window");
    }

    RegisterWindowClass(kClockWindowClass, ClockWindowProc, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                        GetSysColorBrush(COLOR_BTNFACE));
    if (CreateWindowExA(WS_EX_TOPMOST, kClockWindowClass, kProgramName, style,
                        settings.window_position_x, settings.window_position_y,
                        settings.window_size_x, settings.window_size_y, ui.taskbar_window, nullptr,
                        ui.instance, nullptr) == nullptr) {
        ReportFatalErrorWithCode("Unable to create window");
    }

    ui.menu = LoadMenuA(ui.instance, MAKEINTRESOURCEA(IDR_POPUP_MENU));
    ui.popup = GetSubMenu(ui.menu, 0);
    ApplyWindowSettings();

    ui.time_font = ClockFont{FieldText(settings.time_font_name), 10};
    ui.date_font = ClockFont{FieldText(settings.date_font_name), 10};
}

void ShowTaskbarWindow(bool show) {
    // Shown without activation, so the clock keeps the keyboard.
    ShowWindow(Ui().taskbar_window, show ? SW_SHOWNA : SW_HIDE);
}

void ApplyWindowSettings() {
    UiState& ui = Ui();
    const SettingsRecord settings = CurrentSettings();
    HWND clock = ui.clock_window.load();
    if (settings.always_on_top != 0) {
        CheckMenuItem(ui.popup, IDM_ALWAYS_ON_TOP, MF_BYCOMMAND | MF_CHECKED);
        SetWindowPos(clock, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        CheckMenuItem(ui.popup, IDM_ALWAYS_ON_TOP, MF_BYCOMMAND | MF_UNCHECKED);
        SetWindowPos(clock, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    if (settings.hide_in_tray != 0) {
        CheckMenuItem(ui.popup, IDM_HIDE_IN_TRAY, MF_BYCOMMAND | MF_CHECKED);
        ShowWindow(clock, SW_HIDE);
    } else {
        CheckMenuItem(ui.popup, IDM_HIDE_IN_TRAY, MF_BYCOMMAND | MF_UNCHECKED);
        ShowWindow(clock, SW_SHOW);
    }
    ShowTaskbarWindow(settings.hide_in_tray == 0 && settings.hide_taskbar_button == 0);
}

void DestroyClockWindow() {
    HWND clock = Ui().clock_window.load();
    if (clock != nullptr)
        DestroyWindow(clock);
}

}  // namespace orvane
