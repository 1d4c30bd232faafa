#include "ui/win32/help_viewer.h"

#include <cstdio>
#include <string>

#include "platform/win32/wide_text.h"
#include "ui/help_file.h"
#include "platform/win32/window_dpi.h"

namespace orvane {

namespace {

struct HelpViewerState {
    HWND window = nullptr;
    HWND list = nullptr;
    HWND text = nullptr;
    HelpFile file;
    HICON icon = nullptr;
    HFONT font = nullptr;  // made for the window's DPI; null: the stock font
};

HelpViewerState& Viewer() {
    static HelpViewerState* state =
        new HelpViewerState;  // never destroyed: other threads may still ask at exit
    return *state;
}

bool ReadHelpFile(const char* path, std::string* content) {
    if (path == nullptr || path[0] == '\0')
        return false;
    FILE* f = _wfopen(Widen(path).c_str(), L"rb");
    if (f == nullptr)
        return false;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        content->append(buffer, n);
    std::fclose(f);
    return true;
}

void ShowTopicText(const HelpTopic* topic) {
    HelpViewerState& v = Viewer();
    std::string text;
    if (topic == nullptr) {
        text = "No help topic is associated with this item.";
    } else {
        text = topic->title + "\r\n\r\n" + topic->body;
    }
    SetWindowTextUtf8(v.text, text);
}

void SelectTopic(int index) {
    HelpViewerState& v = Viewer();
    SendMessageW(v.list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowTopicText(index >= 0 && index < static_cast<int>(v.file.topics.size())
                      ? &v.file.topics[index]
                      : nullptr);
}

void LayOutHelpWindow(HWND window) {
    HelpViewerState& v = Viewer();
    RECT client;
    GetClientRect(window, &client);
    // 190 pixels at 96 DPI, as wide to the eye at every scale.
    const int list_width = MulDiv(190, WindowDpi(window), 96);
    MoveWindow(v.list, 0, 0, list_width, client.bottom, TRUE);
    MoveWindow(v.text, list_width + 2, 0, client.right - list_width - 2, client.bottom, TRUE);
}

// The system's message font at the window's DPI: the metrics come at the
// system DPI, and the window may be on a monitor of another scale.
HFONT MakeMessageFont(HWND window) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, WindowDpi(window), SystemDpi());
    return CreateFontIndirectW(&font);
}

// A new font for the window's scale, handed to both controls; the one it
// replaces is deleted after they let go of it.
void ApplyHelpFont(HWND window) {
    HelpViewerState& v = Viewer();
    HFONT previous = v.font;
    v.font = MakeMessageFont(window);
    HFONT font = v.font != nullptr ? v.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(v.list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageW(v.text, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (previous != nullptr)
        DeleteObject(previous);
}

// The program the viewer runs in (Orvane.exe or Setup.exe).
HINSTANCE ProgramInstance() {
    return GetModuleHandleW(nullptr);
}

LRESULT OnHelpCreate(HWND window) {
    HelpViewerState& v = Viewer();
    HINSTANCE instance = ProgramInstance();
    v.list = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"LISTBOX", L"",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHelpTopicListId)), instance, nullptr);
    v.text = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0, 0,
        0, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHelpTextId)), instance, nullptr);
    ApplyHelpFont(window);
    LayOutHelpWindow(window);
    return 0;
}

LRESULT OnHelpCommand(WPARAM wparam) {
    if (LOWORD(wparam) == kHelpTopicListId && HIWORD(wparam) == LBN_SELCHANGE) {
        SelectTopic(static_cast<int>(SendMessageW(Viewer().list, LB_GETCURSEL, 0, 0)));
    }
    return 0;
}

LRESULT OnHelpDestroy() {
    HelpViewerState& v = Viewer();
    v.window = v.list = v.text = nullptr;
    if (v.font != nullptr) {
        DeleteObject(v.font);
        v.font = nullptr;
    }
    return 0;
}

// Another monitor scale: the font for it, and the size Windows suggests;
// the list's width follows in the WM_SIZE that brings.
LRESULT OnHelpDpiChanged(HWND window, LPARAM lparam) {
    ApplyHelpFont(window);
    const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
    SetWindowPos(window, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

LRESULT CALLBACK HelpWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            return OnHelpCreate(window);
        case WM_SIZE:
            LayOutHelpWindow(window);
            return 0;
        case WM_DPICHANGED:
            return OnHelpDpiChanged(window, lparam);
        case WM_COMMAND:
            return OnHelpCommand(wparam);
        case WM_DESTROY:
            return OnHelpDestroy();
        default:
            return DefWindowProcW(window, msg, wparam, lparam);
    }
}

bool EnsureHelpWindow() {
    HelpViewerState& v = Viewer();
    if (v.window != nullptr)
        return true;
    static bool registered = false;
    const std::wstring class_name = Widen(kHelpWindowClass);
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = HelpWindowProc;
        wc.hInstance = ProgramInstance();
        wc.hIcon = v.icon != nullptr ? v.icon : LoadIconW(ProgramInstance(), MAKEINTRESOURCEW(1));
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = class_name.c_str();
        if (RegisterClassW(&wc) == 0)
            return false;
        registered = true;
    }
    v.window =
        CreateWindowExW(0, class_name.c_str(), L"Orvane Help", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 620, 420, nullptr, nullptr, ProgramInstance(), nullptr);
    if (v.window == nullptr)
        return false;
    // Made at 96-DPI size; as large to the eye on a monitor of any scale.
    const int dpi = WindowDpi(v.window);
    SetWindowPos(v.window, nullptr, 0, 0, MulDiv(620, dpi, 96), MulDiv(420, dpi, 96),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return v.window != nullptr;
}

// Loads the file afresh (the user may have replaced it) and fills the list.
bool OpenHelpAt(const char* help_path, int id, bool contents) {
    std::string content;
    if (!ReadHelpFile(help_path, &content))
        return false;
    if (!EnsureHelpWindow())
        return false;
    HelpViewerState& v = Viewer();
    v.file = ParseHelpFile(content);
    SendMessageW(v.list, LB_RESETCONTENT, 0, 0);
    for (const HelpTopic& topic : v.file.topics) {
        const std::wstring title = Widen(topic.title);
        SendMessageW(v.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
    }
    const HelpTopic* topic = contents ? HelpContentsTopic(v.file) : FindHelpTopic(v.file, id);
    SelectTopic(topic == nullptr ? -1 : static_cast<int>(topic - v.file.topics.data()));
    ShowWindow(v.window, SW_SHOWNORMAL);
    SetForegroundWindow(v.window);
    return true;
}

// The context of a control from a WinHelp table of (control, context)
// pairs; a control that is not listed gets the terminator's context.
int ContextOfControl(HWND control, const DWORD* table) {
    const DWORD id = static_cast<DWORD>(GetDlgCtrlID(control));
    const DWORD* pair = table;
    for (; pair[0] != 0; pair += 2) {
        if (pair[0] == id)
            return static_cast<int>(pair[1]);
    }
    return static_cast<int>(pair[1]);
}

constexpr UINT kWhatsThisCommand = 1;

}  // namespace

void SetHelpViewerIcon(HICON icon) {
    Viewer().icon = icon;
}

BOOL ShowHelp(HWND window, const char* help_path, UINT command, ULONG_PTR data) {
    switch (command) {
        case HELP_QUIT:
            if (Viewer().window != nullptr)
                DestroyWindow(Viewer().window);
            return TRUE;
        case HELP_CONTENTS:
        case HELP_FINDER:
            return OpenHelpAt(help_path, 0, true) ? TRUE : FALSE;
        case HELP_CONTEXT:
            return OpenHelpAt(help_path, static_cast<int>(data), false) ? TRUE : FALSE;
        case HELP_WM_HELP:
            if (data == 0)
                return FALSE;
            return OpenHelpAt(help_path,
                              ContextOfControl(window, reinterpret_cast<const DWORD*>(data)), false)
                       ? TRUE
                       : FALSE;
        case HELP_CONTEXTMENU: {
            if (data == 0 || help_path == nullptr || help_path[0] == '\0')
                return FALSE;
            // As WinHelp does: offer "What's This?" first.
            HMENU menu = CreatePopupMenu();
            AppendMenuW(menu, MF_STRING, kWhatsThisCommand, L"&What's This?");
            POINT at;
            GetCursorPos(&at);
            const UINT chosen = static_cast<UINT>(
                TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0,
                               GetAncestor(window, GA_ROOT), nullptr));
            DestroyMenu(menu);
            if (chosen != kWhatsThisCommand)
                return TRUE;
            return OpenHelpAt(help_path,
                              ContextOfControl(window, reinterpret_cast<const DWORD*>(data)), false)
                       ? TRUE
                       : FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace orvane
