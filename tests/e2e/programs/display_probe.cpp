// Looks at the programs' dialogs and windows the way a high-DPI display
// and several monitors see them, for the end-to-end tests. It runs
// per-monitor aware, so every size it prints is in physical pixels.
//   display_probe system                  dpi= (the system's), acp=
//   display_probe dialogs <program>       one line per dialog template in
//       the program: dialog=<id> shellfont=0|1 face=<template's face>
//       made=<face of the font the dialog manager made> resolved=<face the
//       font mapper chose> height=<that font's lfHeight> w= h= (the frame,
//       made here without its controls)
//   display_probe window <class> <title>  a window of another program:
//       dpi= (the window's), x= y= w= h=, and the most of it on one
//       monitor's work area:
//       visible_w= visible_h= with that area's work=l,t,r,b
// Class and title "-" mean any. Exit code 0 on success, 1 otherwise.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"

namespace {

using orvane::Narrow;

// Windows 10 1607 on; declared for older targets by the SDK only, so
// looked up.
template <typename Function>
Function User32(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

void BecomePerMonitorAware() {
    using SetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (auto set = User32<SetContext>("SetThreadDpiAwarenessContext"))
        set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

UINT SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

int System() {
    std::printf("dpi=%u\nacp=%u\n", SystemDpi(), GetACP());
    return 0;
}

// ---- Dialog templates -------------------------------------------------------

// The fixed head of a DLGTEMPLATEEX, which the SDK does not declare.
#pragma pack(push, 1)
struct DialogHead {
    WORD version;
    WORD signature;
    DWORD help_id;
    DWORD ex_style;
    DWORD style;
    WORD item_count;
    short x, y, cx, cy;
};
#pragma pack(pop)

struct TemplateFont {
    bool shell_font = false;
    std::wstring face;
};

// Steps over a name-or-ordinal field; false when it runs past the end.
bool SkipNameOrOrdinal(const WORD*& at, const WORD* end) {
    if (at >= end)
        return false;
    if (*at == 0xFFFF) {
        at += 2;
    } else {
        while (at < end && *at != 0)
            ++at;
        ++at;
    }
    return at <= end;
}

// The font a DLGTEMPLATEEX names, read as the dialog manager reads it:
// menu, class, title, then point size, weight, italic and charset, face.
bool ReadTemplateFont(const BYTE* data, DWORD size, TemplateFont& font) {
    if (size < sizeof(DialogHead))
        return false;
    DialogHead head;
    std::memcpy(&head, data, sizeof head);
    if (head.version != 1 || head.signature != 0xFFFF)
        return false;
    font.shell_font = (head.style & DS_SHELLFONT) == DS_SHELLFONT;
    if ((head.style & DS_SETFONT) == 0)
        return true;
    const WORD* at = reinterpret_cast<const WORD*>(data + sizeof head);
    const WORD* end = reinterpret_cast<const WORD*>(data + size);
    if (!SkipNameOrOrdinal(at, end) || !SkipNameOrOrdinal(at, end))
        return false;
    while (at < end && *at != 0)
        ++at;
    at += 1 + 3;  // title's terminator, point size, weight, italic + charset
    while (at < end && *at != 0)
        font.face.push_back(static_cast<wchar_t>(*at++));
    return at < end;
}

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// Makes the frame alone, hidden and without a parent: the copy's controls
// are dropped and a page becomes a pop-up.
HWND MakeFrame(const BYTE* data, DWORD size) {
    std::vector<BYTE> copy(data, data + size);
    DialogHead head;
    std::memcpy(&head, copy.data(), sizeof head);
    head.item_count = 0;
    head.style &= ~static_cast<DWORD>(WS_VISIBLE | DS_CONTROL);
    if (head.style & WS_CHILD)
        head.style = (head.style & ~static_cast<DWORD>(WS_CHILD)) | WS_POPUP;
    std::memcpy(copy.data(), &head, sizeof head);
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                      reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), nullptr,
                                      QuietDialog, 0);
}

void ReportDialog(HMODULE program, WORD id) {
    HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    HGLOBAL loaded = found != nullptr ? LoadResource(program, found) : nullptr;
    const BYTE* data = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const DWORD size = found != nullptr ? SizeofResource(program, found) : 0;
    TemplateFont font;
    if (data == nullptr || !ReadTemplateFont(data, size, font)) {
        std::printf("dialog=%u unreadable\n", id);
        return;
    }
    std::printf("dialog=%u shellfont=%d face=%s", id, font.shell_font ? 1 : 0,
                Narrow(font.face).c_str());
    HWND frame = MakeFrame(data, size);
    if (frame == nullptr) {
        std::printf(" made=? error=%lu\n", GetLastError());
        return;
    }
    HFONT made = reinterpret_cast<HFONT>(SendMessageW(frame, WM_GETFONT, 0, 0));
    LOGFONTW logical = {};
    wchar_t resolved[LF_FACESIZE] = L"?";
    if (made != nullptr && GetObjectW(made, sizeof logical, &logical) == sizeof logical) {
        HDC dc = GetDC(frame);
        HGDIOBJ old = SelectObject(dc, made);
        GetTextFaceW(dc, LF_FACESIZE, resolved);
        SelectObject(dc, old);
        ReleaseDC(frame, dc);
    }
    RECT outer = {};
    GetWindowRect(frame, &outer);
    std::printf(" made=%s resolved=%s height=%ld w=%ld h=%ld\n", Narrow(logical.lfFaceName).c_str(),
                Narrow(resolved).c_str(), logical.lfHeight, outer.right - outer.left,
                outer.bottom - outer.top);
    DestroyWindow(frame);
}

BOOL CALLBACK AddDialogId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR ids) {
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<WORD>*>(ids)->push_back(LOWORD(name));
    return TRUE;
}

int Dialogs(const std::wstring& path) {
    HMODULE program = LoadLibraryExW(path.c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (program == nullptr) {
        std::printf("not loaded: error %lu\n", GetLastError());
        return 1;
    }
    std::vector<WORD> ids;
    EnumResourceNamesW(program, MAKEINTRESOURCEW(5), AddDialogId, reinterpret_cast<LONG_PTR>(&ids));
    for (WORD id : ids)
        ReportDialog(program, id);
    FreeLibrary(program);
    return ids.empty() ? 1 : 0;
}

// ---- Another program's window ---------------------------------------------------

struct Reach {
    LONG visible_w = 0;
    LONG visible_h = 0;
    RECT work = {};
    RECT window = {};
};

BOOL CALLBACK MeasureOnMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM found) {
    Reach& reach = *reinterpret_cast<Reach*>(found);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT on = {};
    if (GetMonitorInfoW(monitor, &info) && IntersectRect(&on, &reach.window, &info.rcWork)) {
        const LONG w = on.right - on.left;
        const LONG h = on.bottom - on.top;
        if (w * h > reach.visible_w * reach.visible_h) {
            reach.visible_w = w;
            reach.visible_h = h;
            reach.work = info.rcWork;
        }
    }
    return TRUE;
}

const wchar_t* AnyOr(const std::wstring& text) {
    return text == L"-" ? nullptr : text.c_str();
}

int Window(const std::wstring& window_class, const std::wstring& title) {
    HWND window = FindWindowW(AnyOr(window_class), AnyOr(title));
    if (window == nullptr) {
        std::printf("no window\n");
        return 1;
    }
    using GetDpi = UINT(WINAPI*)(HWND);
    if (auto get_dpi = User32<GetDpi>("GetDpiForWindow"))
        std::printf("dpi=%u\n", get_dpi(window));
    Reach reach;
    GetWindowRect(window, &reach.window);
    EnumDisplayMonitors(nullptr, nullptr, MeasureOnMonitor, reinterpret_cast<LPARAM>(&reach));
    const RECT& r = reach.window;
    std::printf("x=%ld\ny=%ld\nw=%ld\nh=%ld\nvisible_w=%ld\nvisible_h=%ld\nwork=%ld,%ld,%ld,%ld\n",
                r.left, r.top, r.right - r.left, r.bottom - r.top, reach.visible_w, reach.visible_h,
                reach.work.left, reach.work.top, reach.work.right, reach.work.bottom);
    return 0;
}

}  // namespace

int main() {
    BecomePerMonitorAware();
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arg(args, args + count);
    LocalFree(args);
    int result = 1;
    if (count == 2 && arg[1] == L"system")
        result = System();
    else if (count == 3 && arg[1] == L"dialogs")
        result = Dialogs(arg[2]);
    else if (count == 4 && arg[1] == L"window")
        result = Window(arg[2], arg[3]);
    else
        std::printf("usage: display_probe system | dialogs <program> | window <class> <title>\n");
    std::fflush(stdout);
    return result;
}
