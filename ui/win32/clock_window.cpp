#include "ui/win32/clock_window.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "logging/fatal_error.h"
#include "platform/fixed_text.h"
#include "platform/unicode_text.h"
#include "platform/win32/wide_text.h"
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
#include "platform/win32/window_dpi.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

using MeasuredTexts = std::map<std::tuple<std::string, std::string, int>, TextExtent>;

struct ClockWindowState {
    std::time_t last_painted_second = 0;
    MeasuredTexts measured_texts;
    bool dragging = false;
    POINT drag_offset = {0, 0};
    // The DPI the window is drawn and stored at: its monitor's, kept from
    // WM_DPICHANGED so the WM_SIZE that the change brings stores the size
    // at the new scale.
    int dpi = kBaseDpi;
    // While the window is put where the settings say, its own moves and
    // sizes are not stored back (its first size is not yet at its scale).
    bool placing = false;
};

ClockWindowState& WindowState() {
    static ClockWindowState* state =
        new ClockWindowState;  // never destroyed: other threads may still ask at exit
    return *state;
}

LOGFONTW MakeLogFont(const std::string& face, int height) {
    LOGFONTW font = {};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    // The face's own character sets, not one ANSI set: the locale's AM/PM
    // markers (Korean, Greek, ...) need glyphs outside Western ones.
    font.lfCharSet = DEFAULT_CHARSET;
    const std::wstring name = Widen(CutToUtf16Units(face, LF_FACESIZE - 1));
    std::copy(name.begin(), name.end(), font.lfFaceName);
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
        const LOGFONTW description = MakeLogFont(face, height);
        HFONT font = CreateFontIndirectW(&description);
        HGDIOBJ previous = SelectObject(dc_, font);
        SIZE size = {0, 0};
        const std::wstring wide = Widen(text);
        const BOOL measured =
            GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size);
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
    const LOGFONTW description = MakeLogFont(face, placed.height);
    HFONT font = CreateFontIndirectW(&description);
    HGDIOBJ previous = SelectObject(dc, font);
    const std::wstring wide = Widen(text);
    TextOutW(dc, placed.x, placed.y, wide.c_str(), static_cast<int>(wide.size()));
    SelectObject(dc, previous);
    DeleteObject(font);
}

// The user's locale's time and date texts, as UTF-8.
std::string LocaleTimeText() {
    wchar_t text[100] = {};
    if (GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, nullptr, text, 100) == 0)
        return std::string();
    return Narrow(text);
}

std::string LocaleDateText() {
    wchar_t text[200] = {};
    if (GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, nullptr, text, 200, nullptr) == 0)
        return std::string();
    return Narrow(text);
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

    const std::string time_text = LocaleTimeText();
    const std::string date_text = show_date == 1 ? LocaleDateText() : std::string();

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
    if (WindowState().placing)
        return;
    RECT outer;
    GetWindowRect(window, &outer);
    const int dpi = WindowState().dpi;
    UpdateSettings([&](SettingsRecord& settings) {
        StoreClockWindowRect(ScreenRect{outer.left, outer.top, outer.right, outer.bottom}, dpi,
                             settings);
    });
}

void MoveWindowTo(HWND window, const ScreenRect& rect) {
    SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The stored rectangle at the scale of the monitor the window is on, within
// reach (a stored place on a monitor that is gone comes back); once more
// when that move took it to a monitor of another scale. Then stored, so the
// settings say where the clock really is.
void PlaceFromSettings(HWND window) {
    ClockWindowState& state = WindowState();
    state.placing = true;
    for (int pass = 0; pass < 2; ++pass) {
        state.dpi = WindowDpi(window);
        ScreenRect rect = ClockWindowRect(CurrentSettings(), state.dpi);
        MoveWithinReach(rect);
        MoveWindowTo(window, rect);
        if (WindowDpi(window) == state.dpi)
            break;
    }
    state.placing = false;
    StoreWindowRect(window);
}

LRESULT OnClockDisplayChange(HWND window) {
    RECT outer;
    GetWindowRect(window, &outer);
    ScreenRect rect{outer.left, outer.top, outer.right, outer.bottom};
    if (MoveWithinReach(rect)) {
        MoveWindowTo(window, rect);
        StoreWindowRect(window);
    }
    return 0;
}

// A new monitor scale (moved to another monitor, or the user changed it):
// the size Windows suggests for the new DPI, kept within reach; the clock's
// font follows because it is fitted to the window. The WM_SIZE this brings
// stores the size at the new scale.
LRESULT OnClockDpiChanged(HWND window, WPARAM wparam, LPARAM lparam) {
    ClockWindowState& state = WindowState();
    const int old_dpi = state.dpi;
    state.dpi = HIWORD(wparam);  // the Y DPI; Windows gives X the same
    if (state.placing)
        return 0;  // the placing goes on at the new scale itself
    if (state.dragging && old_dpi > 0) {
        // The mouse keeps its spot on the window as the window grows or
        // shrinks under it.
        state.drag_offset.x = MulDiv(state.drag_offset.x, state.dpi, old_dpi);
        state.drag_offset.y = MulDiv(state.drag_offset.y, state.dpi, old_dpi);
    }
    const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
    ScreenRect rect{suggested->left, suggested->top, suggested->right, suggested->bottom};
    MoveWithinReach(rect);
    MoveWindowTo(window, rect);
    RefreshNotificationIcon(window);
    InvalidateRect(window, nullptr, FALSE);
    return 0;
}

LRESULT OnClockCreate(HWND window) {
    Ui().clock_window.store(window);
    // Run elevated, User Interface Privilege Isolation would drop Explorer's
    // notice and a second copy's request, both sent from lower integrity.
    ChangeWindowMessageFilterEx(window, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(window, ShowClockMessage(), MSGFLT_ALLOW, nullptr);
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
    MessageBoxUtf8(window, box->text, box->caption, MB_OK | MB_ICONINFORMATION);
    return 0;
}

// The engine's question: the update that asked waits for the button.
LRESULT OnClockQuestionBox(HWND window, LPARAM lparam) {
    const auto* question = reinterpret_cast<const QuestionBoxRequest*>(lparam);
    return MessageBoxUtf8(window, question->text, question->caption, MB_YESNO | MB_ICONWARNING);
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
        case WM_DPICHANGED:
            return OnClockDpiChanged(window, wparam, lparam);
        case WM_LBUTTONDBLCLK:
            OpenConfigurationDialog(window);
            return 0;
        case WM_RBUTTONDOWN:
            ShowPopupMenuFromClock();
            return 0;
        case WM_CHAR:
            // A UTF-16 unit: only ASCII ones are the letter keys (a cast
            // alone would take U+014C for "L").
            HandleCharacter(wparam < 0x80 ? static_cast<char>(wparam) : '\0');
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
            return DefWindowProcW(window, msg, wparam, lparam);
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
            return DefWindowProcW(window, msg, wparam, lparam);
    }
}

void RegisterWindowClass(const char* name, WNDPROC procedure, UINT style, HBRUSH background) {
    const std::wstring class_name = Widen(name);
    WNDCLASSW wc = {};
    wc.style = style;
    wc.lpfnWndProc = procedure;
    wc.hInstance = Ui().instance;
    wc.hIcon = LoadIconW(Ui().instance, MAKEINTRESOURCEW(IDI_ORVANE));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = class_name.c_str();
    RegisterClassW(&wc);
}

}  // namespace

void CreateWindows() {
    UiState& ui = Ui();
    UpdateSettings([](SettingsRecord& live) { ClampWindowSettings(live); });
    const SettingsRecord settings = CurrentSettings();
    ui.snapshots = TakeSettingsSnapshots(settings);
    WindowState().dragging = false;
    SetSettingsAppliedHandler(RunSettingsAppliedHandler);

    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_THICKFRAME;
    RegisterWindowClass(kTaskbarWindowClass, TaskbarWindowProc, CS_HREDRAW | CS_VREDRAW,
                        GetSysColorBrush(COLOR_MENU));
    const std::wstring title = Widen(kProgramName);
    if (CreateWindowExW(0, Widen(kTaskbarWindowClass).c_str(), title.c_str(), style, -200, -200, 1,
                        1, nullptr, nullptr, ui.instance, nullptr) == nullptr) {
        ReportFatalErrorWithCode("Unable to create window");
    }

    RegisterWindowClass(kClockWindowClass, ClockWindowProc, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                        GetSysColorBrush(COLOR_BTNFACE));
    // Made hidden at the stored place and 96-DPI size, then sized for its
    // monitor before it is first shown; its own first sizes are not stored.
    WindowState().placing = true;
    HWND clock = CreateWindowExW(WS_EX_TOPMOST, Widen(kClockWindowClass).c_str(), title.c_str(),
                                 style, settings.window_position_x, settings.window_position_y,
                                 settings.window_size_x, settings.window_size_y, ui.taskbar_window,
                                 nullptr, ui.instance, nullptr);
    if (clock == nullptr)
        ReportFatalErrorWithCode("Unable to create window");
    PlaceFromSettings(clock);

    ui.menu = LoadMenuW(ui.instance, MAKEINTRESOURCEW(IDR_POPUP_MENU));
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
