// Drives and inspects Orvane's windows from outside, for the end-to-end
// tests. A window is named by class and title, "-" for any:
//   orvane_testhelper wait <class> <title> [ms]     found: prints hwnd, exit 0
//   orvane_testhelper wait-gone <class> <title> [ms]
//   orvane_testhelper count <class> <title>         prints count=N
//   orvane_testhelper command <class> <title> <id>  posts WM_COMMAND
//   orvane_testhelper close <class> <title>         posts WM_CLOSE
//   orvane_testhelper char <class> <title> <c> [in-second|linger]
//                       (linger: stays 2 s after posting, so its own exit
//                       does not load Wine while what the key starts runs)
//                                                   posts WM_CHAR (a little
//                                                   into a second)
//   orvane_testhelper text <class> <title> [id]     prints text=... (the
//                                                   window's or a control's)
//   orvane_testhelper info <class> <title>          visible=, topmost=,
//                                                   x=, y=, w=, h=, owner=
//   orvane_testhelper box <caption> [ms]            waits for a message box,
//                                                   prints text=, presses OK
//   orvane_testhelper menu <class> <title> <id>     prints checked=0|1 of the
//                                                   window's popup menu item
//   orvane_testhelper item <class> <title> <id> get|checked|pos|visible
//                                                   prints text=, checked=,
//                                                   pos= or visible= of a
//                                                   control anywhere inside
//   orvane_testhelper item <class> <title> <id> set <text> | check 0|1 | click
//   orvane_testhelper answer <caption> <id> [ms]    waits for a message box,
//                                                   prints text=, presses id
//   orvane_testhelper shortcut <file.lnk>           target=, workdir=, icon=,
//                                                   iconindex=, description=,
//                                                   showcmd=
//   orvane_testhelper lock <file> <ms>              holds the file open with
//                                                   no sharing for ms
//   orvane_testhelper item <class> <title> <id> enabled  prints enabled=0|1
//   orvane_testhelper key <class> <title> <vk>      posts WM_KEYDOWN and
//                                                   WM_KEYUP of a virtual key
//   orvane_testhelper stubborn <class> <ms>         shows a window of that
//                                                   class that ignores
//                                                   WM_CLOSE, for ms;
//                                                   prints "asked to close"
//   orvane_testhelper dlg <class> <title> <action> ...  dialog pages:
//     sclick <id>            BM_CLICK, waiting until it is handled
//     select <id> <index>    selects a list or combo row, tells the parent
//     selection <id>         prints sel=, count= and text= of the selection
//     tab                    prints sel= (tab 601) and page= (visible page)
//     tab-focus <n>          TCM_SETCURFOCUS on tab 601
//     ctrl-tab [shift]       real key presses of Ctrl(+Shift)+Tab
//     f1 <id>                gives the control the focus, then a real
//                            press of F1
//   orvane_testhelper tray <class> present|forget   icon=1|0: whether the shell
//                                                   has the window's icon 1
//                                                   (NIM_MODIFY succeeds);
//                                                   or removes it (NIM_DELETE)
//   orvane_testhelper taskbar-created              broadcasts "TaskbarCreated"
//   orvane_testhelper move <class> <title> <x> <y>  moves the window
//   orvane_testhelper post <class> <title> <msg> <wparam> <lparam>
//   orvane_testhelper send <class> <title> <msg> <wparam> <lparam>
//                                                   sends it, waiting until handled
//   orvane_testhelper item <class> <title> <id> rect  x=, y=, w=, h=
//   orvane_testhelper parent <program file name>   parent= the file name of
//                                                   the program that started
//                                                   the running one
//   orvane_testhelper manifest <program>            level= of the manifest
//                                                   resource's requested
//                                                   execution level
//   orvane_testhelper key-deny-write <HKLM path> <file>
//                                                   keeps the key's security
//                                                   in the file, then denies
//                                                   everyone setting values
//   orvane_testhelper key-restore <HKLM path> <file>
//                                                   puts the kept security back
// Exit code 0 on success, 1 when the window was not found or timed out.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "second_phase.h"
#include "ui/window_names.h"

namespace {

const char* OrNull(const char* text) {
    return std::strcmp(text, "-") == 0 ? nullptr : text;
}

HWND Find(const char* window_class, const char* title) {
    return FindWindowA(OrNull(window_class), OrNull(title));
}

HWND WaitFor(const char* window_class, const char* title, int timeout_ms) {
    for (int waited = 0;; waited += 50) {
        HWND found = Find(window_class, title);
        if (found != nullptr || waited >= timeout_ms)
            return found;
        Sleep(50);
    }
}

std::string TextOf(HWND window) {
    char buffer[8192] = {};
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, 3000, &result)) {
        return "<no answer>";
    }
    return buffer;
}

// Prints a text as one line, with line breaks shown as \r and \n.
void PrintText(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\r') {
            line += "\\r";
        } else if (c == '\n') {
            line += "\\n";
        } else {
            line += c;
        }
    }
    std::printf("text=%s\n", line.c_str());
}

struct BoxSearch {
    const char* caption;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM lparam) {
    auto* search = reinterpret_cast<BoxSearch*>(lparam);
    char class_name[64] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    if (std::strcmp(class_name, orvane::kDialogWindowClass) != 0 || !IsWindowVisible(window))
        return TRUE;
    if (TextOf(window) != search->caption)
        return TRUE;
    // A message box has its text in the static control 0xFFFF.
    if (GetDlgItem(window, 0xFFFF) == nullptr)
        return TRUE;
    search->found = window;
    return FALSE;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: orvane_testhelper wait|wait-gone|count|command|close|char|text|"
                 "info|box|menu ...\n");
    return 2;
}

struct CountSearch {
    const char* window_class;
    const char* title;
    int count;
};

BOOL CALLBACK CountWindows(HWND window, LPARAM lparam) {
    auto* search = reinterpret_cast<CountSearch*>(lparam);
    char class_name[256] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    if (search->window_class != nullptr && std::strcmp(class_name, search->window_class) != 0) {
        return TRUE;
    }
    if (search->title != nullptr && TextOf(window) != search->title)
        return TRUE;
    if (IsWindowVisible(window))
        ++search->count;
    return TRUE;
}

struct ItemSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindItem(HWND window, LPARAM lparam) {
    auto* search = reinterpret_cast<ItemSearch*>(lparam);
    if (GetDlgCtrlID(window) != search->id)
        return TRUE;
    search->found = window;
    return FALSE;
}

// A control by id among all the window's descendants (pages included).
HWND FindDescendant(HWND window, int id) {
    ItemSearch search = {id, nullptr};
    EnumChildWindows(window, FindItem, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int Item(HWND window, int argc, char** argv) {
    if (argc < 6)
        return Usage();
    HWND item = FindDescendant(window, std::atoi(argv[4]));
    if (item == nullptr) {
        std::printf("no control\n");
        return 1;
    }
    const std::string action = argv[5];
    DWORD_PTR result = 0;
    if (action == "get") {
        PrintText(TextOf(item));
    } else if (action == "checked") {
        SendMessageTimeoutA(item, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 3000, &result);
        std::printf("checked=%d\n", result == BST_CHECKED ? 1 : 0);
    } else if (action == "pos") {
        SendMessageTimeoutA(item, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 3000, &result);
        std::printf("pos=%d\n", static_cast<int>(result));
    } else if (action == "visible") {
        std::printf("visible=%d\n", IsWindowVisible(item) ? 1 : 0);
    } else if (action == "rect") {
        RECT rect;
        GetWindowRect(item, &rect);
        std::printf("x=%ld\ny=%ld\nw=%ld\nh=%ld\n", rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top);
    } else if (action == "enabled") {
        std::printf("enabled=%d\n", IsWindowEnabled(item) ? 1 : 0);
    } else if (action == "set" && argc > 6) {
        return SendMessageTimeoutA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[6]),
                                   SMTO_ABORTIFHUNG, 3000, &result)
                   ? 0
                   : 1;
    } else if (action == "click") {
        return PostMessageA(item, BM_CLICK, 0, 0) ? 0 : 1;
    } else if (action == "check" && argc > 6) {
        return SendMessageTimeoutA(item, BM_SETCHECK,
                                   std::atoi(argv[6]) ? BST_CHECKED : BST_UNCHECKED, 0,
                                   SMTO_ABORTIFHUNG, 3000, &result)
                   ? 0
                   : 1;
    } else {
        return Usage();
    }
    return 0;
}

LRESULT CALLBACK StubbornProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CLOSE) {
        // Told, so a test knows the asker is now waiting.
        std::printf("asked to close\n");
        std::fflush(stdout);
        return 0;  // a program that does not go when asked
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// A top-level window of the class for `ms`, deaf to WM_CLOSE.
int Stubborn(const char* window_class, int ms) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = StubbornProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = window_class;
    if (!RegisterClassA(&wc))
        return 1;
    HWND window = CreateWindowA(window_class, "stubborn", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (window == nullptr)
        return 1;
    std::printf("shown\n");
    std::fflush(stdout);
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    MSG msg;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(20);
    }
    DestroyWindow(window);
    return 0;
}

int Shortcut(const char* path) {
    if (FAILED(CoInitialize(nullptr)))
        return 1;
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    int code = 1;
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(wide, STGM_READ))) {
        char text[MAX_PATH] = {};
        link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
        std::printf("target=%s\n", text);
        link->GetWorkingDirectory(text, MAX_PATH);
        std::printf("workdir=%s\n", text);
        int index = -1;
        link->GetIconLocation(text, MAX_PATH, &index);
        std::printf("icon=%s\niconindex=%d\n", text, index);
        link->GetDescription(text, MAX_PATH);
        std::printf("description=%s\n", text);
        int show = 0;
        link->GetShowCmd(&show);
        std::printf("showcmd=%d\n", show);
        code = 0;
    }
    if (file != nullptr)
        file->Release();
    if (link != nullptr)
        link->Release();
    CoUninitialize();
    return code;
}

// Dialog pages of the configuration dialog and the lists in them.
int Dialog(HWND window, int argc, char** argv) {
    if (argc < 5)
        return Usage();
    const std::string action = argv[4];
    DWORD_PTR result = 0;
    const auto send = [&result](HWND target, UINT message, WPARAM wparam, LPARAM lparam) {
        result = 0;
        return SendMessageTimeoutA(target, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000,
                                   &result) != 0;
    };
    if (action == "tab") {
        HWND tabs = FindDescendant(window, 601);
        if (tabs == nullptr)
            return 1;
        send(tabs, TCM_GETCURSEL, 0, 0);
        std::printf("sel=%d\n", static_cast<int>(result));
        for (int page : {900, 800, 700, 1100}) {
            HWND found = FindDescendant(window, page);
            if (found != nullptr && IsWindowVisible(found))
                std::printf("page=%d\n", page);
        }
        return 0;
    }
    if (action == "tab-focus" && argc > 5) {
        HWND tabs = FindDescendant(window, 601);
        return tabs != nullptr && send(tabs, TCM_SETCURFOCUS, std::atoi(argv[5]), 0) ? 0 : 1;
    }
    if (action == "ctrl-tab") {
        const bool shift = argc > 5 && std::string(argv[5]) == "shift";
        SetForegroundWindow(window);
        Sleep(200);
        INPUT keys[6] = {};
        int count = 0;
        const auto key = [&](WORD vk, bool up) {
            keys[count].type = INPUT_KEYBOARD;
            keys[count].ki.wVk = vk;
            keys[count].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            ++count;
        };
        // The program asks for Ctrl's state when it takes the Tab key, so
        // Ctrl stays down until the Tab has surely been handled.
        key(VK_CONTROL, false);
        if (shift)
            key(VK_SHIFT, false);
        UINT sent = SendInput(count, keys, sizeof(INPUT));
        Sleep(200);
        const int down = count;
        key(VK_TAB, false);
        key(VK_TAB, true);
        sent += SendInput(2, keys + down, sizeof(INPUT));
        Sleep(700);
        const int tab_end = count;
        if (shift)
            key(VK_SHIFT, true);
        key(VK_CONTROL, true);
        sent += SendInput(count - tab_end, keys + tab_end, sizeof(INPUT));
        return sent == static_cast<UINT>(count) ? 0 : 1;
    }
    if (argc < 6)
        return Usage();
    HWND item = FindDescendant(window, std::atoi(argv[5]));
    if (item == nullptr) {
        std::printf("no control\n");
        return 1;
    }
    char class_name[64] = {};
    GetClassNameA(item, class_name, sizeof class_name);
    const bool combo = _stricmp(class_name, "ComboBox") == 0;
    if (action == "f1") {
        SetForegroundWindow(window);
        Sleep(200);
        // The focus moves within the control's own dialog (its page).
        send(GetParent(item), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
        Sleep(200);
        INPUT keys[2] = {};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        return SendInput(2, keys, sizeof(INPUT)) == 2 ? 0 : 1;
    }
    if (action == "sclick") {
        send(item, BM_CLICK, 0, 0);  // may time out when the click opens a modal dialog
        return 0;
    }
    if (action == "select" && argc > 6) {
        const int index = std::atoi(argv[6]);
        if (!send(item, combo ? CB_SETCURSEL : LB_SETCURSEL, index, 0))
            return 1;
        const WPARAM notify = MAKEWPARAM(GetDlgCtrlID(item), combo ? CBN_SELCHANGE : LBN_SELCHANGE);
        return send(GetParent(item), WM_COMMAND, notify, reinterpret_cast<LPARAM>(item)) ? 0 : 1;
    }
    if (action == "selection") {
        send(item, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
        const int count = static_cast<int>(result);
        send(item, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
        const int selected = static_cast<int>(result);
        // Asked in UTF-16: Wine hands list texts across processes that way.
        wchar_t wide[512] = {};
        char text[1024] = {};
        if (selected >= 0) {
            SendMessageTimeoutW(item, combo ? CB_GETLBTEXT : LB_GETTEXT, selected,
                                reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, 5000, &result);
            WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        }
        std::printf("sel=%d\ncount=%d\n", selected, count);
        PrintText(text);
        return 0;
    }
    return Usage();
}
// Whether the shell holds the window's notification icon 1: a change that
// changes nothing succeeds only for an icon it has. Or the icon removed,
// as a restarting Explorer loses it.
int Tray(const char* window_class, const std::string& action) {
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = FindWindowA(window_class, nullptr);
    record.uID = 1;
    if (record.hWnd == nullptr) {
        std::printf("not found\n");
        return 1;
    }
    if (action == "forget")
        return Shell_NotifyIconA(NIM_DELETE, &record) ? 0 : 1;
    std::printf("icon=%d\n", Shell_NotifyIconA(NIM_MODIFY, &record) ? 1 : 0);
    return 0;
}

// Who started the running program of that file name: Setup itself, or the
// desktop shell on its behalf.
int Parent(const char* program) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 1;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, program) == 0) {
            parent = entry.th32ParentProcessID;
            found = true;
            break;
        }
    }
    std::string parent_name = "<gone>";
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); found && more;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == parent) {
            parent_name = entry.szExeFile;
            break;
        }
    }
    CloseHandle(snapshot);
    if (!found) {
        std::printf("not running\n");
        return 1;
    }
    std::printf("parent=%s\n", parent_name.c_str());
    return 0;
}

// The requested execution level in the program's manifest resource (1).
int Manifest(const char* program) {
    HMODULE module = LoadLibraryExA(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        std::printf("cannot load\n");
        return 1;
    }
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const char* data = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (data == nullptr) {
        std::printf("no manifest\n");
        FreeLibrary(module);
        return 1;
    }
    const std::string text(data, SizeofResource(module, found));
    FreeLibrary(module);
    const std::string::size_type element = text.find("requestedExecutionLevel");
    const std::string::size_type level =
        element == std::string::npos ? element : text.find("level=\"", element);
    if (level == std::string::npos) {
        std::printf("level=\n");
        return 0;
    }
    const std::string::size_type start = level + 7;
    std::printf("level=%s\n", text.substr(start, text.find('"', start) - start).c_str());
    return 0;
}

// A key's security kept in a file, then a DACL that denies everyone
// setting values and making sub-keys (and allows everything else); or the
// kept security put back.
int KeySecurity(const char* path, const char* file, bool deny) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL | WRITE_DAC, &key) !=
        ERROR_SUCCESS) {
        std::printf("cannot open\n");
        return 1;
    }
    const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
    LONG result = ERROR_SUCCESS;
    if (deny) {
        char kept[4096];
        DWORD size = sizeof kept;
        result = RegGetKeySecurity(key, what, kept, &size);
        if (result == ERROR_SUCCESS) {
            FILE* out = std::fopen(file, "wb");
            if (out == nullptr || std::fwrite(kept, 1, size, out) != size)
                result = ERROR_WRITE_FAULT;
            if (out != nullptr)
                std::fclose(out);
        }
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
        char acl_buffer[256];
        auto* acl = reinterpret_cast<ACL*>(acl_buffer);
        InitializeAcl(acl, sizeof acl_buffer, ACL_REVISION);
        AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, everyone);
        AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
        if (result == ERROR_SUCCESS)
            result = RegSetKeySecurity(key, what, &descriptor);
        FreeSid(everyone);
    } else {
        char kept[4096];
        FILE* in = std::fopen(file, "rb");
        const std::size_t size = in != nullptr ? std::fread(kept, 1, sizeof kept, in) : 0;
        if (in != nullptr)
            std::fclose(in);
        result = size == 0 ? ERROR_READ_FAULT : RegSetKeySecurity(key, what, kept);
    }
    RegCloseKey(key);
    std::printf("result=%ld\n", result);
    return result == ERROR_SUCCESS ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "taskbar-created") {
        return PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0) ? 0 : 1;
    }
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];

    if (command == "box") {
        const int timeout = argc > 3 ? std::atoi(argv[3]) : 10000;
        BoxSearch search = {argv[2], nullptr};
        for (int waited = 0; search.found == nullptr; waited += 50) {
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr)
                break;
            if (waited >= timeout) {
                std::printf("no box \"%s\"\n", argv[2]);
                return 1;
            }
            Sleep(50);
        }
        PrintText(TextOf(GetDlgItem(search.found, 0xFFFF)));
        PostMessageA(search.found, WM_COMMAND, IDOK, 0);
        return 0;
    }

    if (command == "shortcut")
        return Shortcut(argv[2]);
    if (command == "manifest")
        return Manifest(argv[2]);
    if (command == "parent")
        return Parent(argv[2]);
    if (command == "tray" && argc > 3)
        return Tray(argv[2], argv[3]);
    if ((command == "key-deny-write" || command == "key-restore") && argc > 3)
        return KeySecurity(argv[2], argv[3], command == "key-deny-write");
    if (command == "stubborn" && argc > 3)
        return Stubborn(argv[2], std::atoi(argv[3]));
    if (command == "answer" && argc > 3) {
        const int timeout = argc > 4 ? std::atoi(argv[4]) : 10000;
        BoxSearch search = {argv[2], nullptr};
        for (int waited = 0;; waited += 50) {
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr)
                break;
            if (waited >= timeout) {
                std::printf("no box \"%s\"\n", argv[2]);
                return 1;
            }
            Sleep(50);
        }
        PrintText(TextOf(GetDlgItem(search.found, 0xFFFF)));
        PostMessageA(search.found, WM_COMMAND, std::atoi(argv[3]), 0);
        return 0;
    }
    if (command == "lock" && argc > 3) {
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::printf("cannot open\n");
            return 1;
        }
        std::printf("locked\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(std::atoi(argv[3])));
        CloseHandle(file);
        return 0;
    }

    if (argc < 4)
        return Usage();
    const char* window_class = argv[2];
    const char* title = argv[3];

    if (command == "wait") {
        HWND found = WaitFor(window_class, title, argc > 4 ? std::atoi(argv[4]) : 10000);
        if (found == nullptr) {
            std::printf("not found\n");
            return 1;
        }
        std::printf("hwnd=%p\n", static_cast<void*>(found));
        return 0;
    }
    if (command == "wait-gone") {
        const int timeout = argc > 4 ? std::atoi(argv[4]) : 10000;
        for (int waited = 0; Find(window_class, title) != nullptr; waited += 50) {
            if (waited >= timeout) {
                std::printf("still there\n");
                return 1;
            }
            Sleep(50);
        }
        return 0;
    }
    if (command == "count") {
        CountSearch search = {OrNull(window_class), OrNull(title), 0};
        EnumWindows(CountWindows, reinterpret_cast<LPARAM>(&search));
        std::printf("count=%d\n", search.count);
        return 0;
    }

    HWND window = Find(window_class, title);
    if (window == nullptr) {
        std::printf("not found\n");
        return 1;
    }
    if (command == "item")
        return Item(window, argc, argv);
    if (command == "dlg")
        return Dialog(window, argc, argv);
    if (command == "command" && argc > 4) {
        return PostMessageA(window, WM_COMMAND, std::atoi(argv[4]), 0) ? 0 : 1;
    }
    if (command == "close")
        return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    if (command == "move" && argc > 5) {
        return SetWindowPos(window, nullptr, std::atoi(argv[4]), std::atoi(argv[5]), 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)
                   ? 0
                   : 1;
    }
    if ((command == "post" || command == "send") && argc > 6) {
        const UINT message = static_cast<UINT>(std::atoi(argv[4]));
        const WPARAM wparam = static_cast<WPARAM>(std::atoll(argv[5]));
        const LPARAM lparam = static_cast<LPARAM>(std::atoll(argv[6]));
        if (command == "post")
            return PostMessageA(window, message, wparam, lparam) ? 0 : 1;
        // Sent: handled before this returns, so what the message changed can
        // be read at once.
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000,
                                   &result) != 0
                   ? 0
                   : 1;
    }
    if (command == "key" && argc > 4) {
        const WPARAM key = static_cast<WPARAM>(std::atoi(argv[4]));
        return PostMessageA(window, WM_KEYDOWN, key, 1) && PostMessageA(window, WM_KEYUP, key, 1)
                   ? 0
                   : 1;
    }
    if (command == "char" && argc > 4) {
        const std::string option = argc > 5 ? argv[5] : "";
        if (option == "in-second")
            WaitForSecondPhase();
        const bool posted =
            PostMessageA(window, WM_CHAR, static_cast<unsigned char>(argv[4][0]), 1) != 0;
        if (option == "linger")
            Sleep(2000);
        return posted ? 0 : 1;
    }
    if (command == "text") {
        HWND target = argc > 4 ? GetDlgItem(window, std::atoi(argv[4])) : window;
        if (target == nullptr) {
            std::printf("no control\n");
            return 1;
        }
        PrintText(TextOf(target));
        return 0;
    }
    if (command == "info") {
        RECT rect;
        GetWindowRect(window, &rect);
        const LONG_PTR ex_style = GetWindowLongPtrA(window, GWL_EXSTYLE);
        std::printf("visible=%d\ntopmost=%d\nx=%ld\ny=%ld\nw=%ld\nh=%ld\n",
                    IsWindowVisible(window) ? 1 : 0, (ex_style & WS_EX_TOPMOST) ? 1 : 0, rect.left,
                    rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return 0;
    }
    if (command == "menu" && argc > 4) {
        // Asks the window's process through the menu the window would track.
        HMENU menu = GetMenu(window);
        if (menu == nullptr) {
            std::printf("no menu\n");
            return 1;
        }
        const UINT state = GetMenuState(menu, std::atoi(argv[4]), MF_BYCOMMAND);
        if (state == static_cast<UINT>(-1))
            return 1;
        std::printf("checked=%d\n", (state & MF_CHECKED) ? 1 : 0);
        return 0;
    }
    return Usage();
}
