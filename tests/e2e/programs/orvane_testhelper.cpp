// Drives and inspects Orvane's windows from outside, for the end-to-end
// tests. A window is named by class and title, "-" for any:
//   orvane_testhelper wait <class> <title> [ms]     found: prints hwnd, exit 0
//   orvane_testhelper wait-gone <class> <title> [ms]
//   orvane_testhelper count <class> <title>         prints count=N
//   orvane_testhelper command <class> <title> <id>  posts WM_COMMAND
//   orvane_testhelper close <class> <title>         posts WM_CLOSE
//   orvane_testhelper char <class> <title> <c>      posts WM_CHAR
//   orvane_testhelper text <class> <title> [id]     prints text=... (the
//                                                   window's or a control's)
//   orvane_testhelper info <class> <title>          visible=, topmost=,
//                                                   x=, y=, w=, h=, owner=
//   orvane_testhelper box <caption> [ms]            waits for a message box,
//                                                   prints text=, presses OK
//   orvane_testhelper menu <class> <title> <id>     prints checked=0|1 of the
//                                                   window's popup menu item
// Exit code 0 on success, 1 when the window was not found or timed out.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* OrNull(const char* text) { return std::strcmp(text, "-") == 0 ? nullptr : text; }

HWND Find(const char* window_class, const char* title) {
    return FindWindowA(OrNull(window_class), OrNull(title));
}

HWND WaitFor(const char* window_class, const char* title, int timeout_ms) {
    for (int waited = 0;; waited += 50) {
        HWND found = Find(window_class, title);
        if (found != nullptr || waited >= timeout_ms) return found;
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
    if (std::strcmp(class_name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    if (TextOf(window) != search->caption) return TRUE;
    // A message box has its text in the static control 0xFFFF.
    if (GetDlgItem(window, 0xFFFF) == nullptr) return TRUE;
    search->found = window;
    return FALSE;
}

int Usage() {
    std::fprintf(stderr, "usage: orvane_testhelper wait|wait-gone|count|command|close|char|text|"
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
    if (search->title != nullptr && TextOf(window) != search->title) return TRUE;
    if (IsWindowVisible(window)) ++search->count;
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string command = argv[1];

    if (command == "box") {
        const int timeout = argc > 3 ? std::atoi(argv[3]) : 10000;
        BoxSearch search = {argv[2], nullptr};
        for (int waited = 0; search.found == nullptr; waited += 50) {
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr) break;
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

    if (argc < 4) return Usage();
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
    if (command == "command" && argc > 4) {
        return PostMessageA(window, WM_COMMAND, std::atoi(argv[4]), 0) ? 0 : 1;
    }
    if (command == "close") return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    if (command == "char" && argc > 4) {
        return PostMessageA(window, WM_CHAR, static_cast<unsigned char>(argv[4][0]), 1) ? 0 : 1;
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
                    IsWindowVisible(window) ? 1 : 0, (ex_style & WS_EX_TOPMOST) ? 1 : 0,
                    rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
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
        if (state == static_cast<UINT>(-1)) return 1;
        std::printf("checked=%d\n", (state & MF_CHECKED) ? 1 : 0);
        return 0;
    }
    return Usage();
}
