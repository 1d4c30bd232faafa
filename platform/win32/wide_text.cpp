#include "platform/win32/wide_text.h"

#include <vector>

#include "platform/unicode_text.h"

namespace orvane {

// wchar_t is UTF-16 on Windows: the portable conversions serve as they are.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds UTF-16 units");

std::wstring Widen(const std::string& utf8) {
    const std::u16string wide = Utf8ToUtf16(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(const std::wstring& utf16) {
    return Utf16ToUtf8(std::u16string(utf16.begin(), utf16.end()));
}

std::string Narrow(const wchar_t* utf16, int length) {
    if (utf16 == nullptr)
        return std::string();
    std::size_t count = 0;
    if (length < 0) {
        while (utf16[count] != L'\0')
            ++count;
    } else {
        while (count < static_cast<std::size_t>(length) && utf16[count] != L'\0')
            ++count;
    }
    return Utf16ToUtf8(std::u16string(utf16, utf16 + count));
}

void SetWindowTextUtf8(HWND window, const std::string& text) {
    SetWindowTextW(window, Widen(text).c_str());
}

bool SetDlgItemTextUtf8(HWND dialog, int id, const std::string& text) {
    return SetDlgItemTextW(dialog, id, Widen(text).c_str()) != FALSE;
}

std::string WindowTextUtf8(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return std::string();
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1);
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    return Narrow(text.data(), copied);
}

std::string DlgItemTextUtf8(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item != nullptr ? WindowTextUtf8(item) : std::string();
}

std::string OwnProgramPath() {
    // GetModuleFileNameW cuts a long path to the buffer without failing:
    // a full buffer is grown for, up to the longest path Windows has.
    constexpr std::size_t kLongestPath = 32768;
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::string();
        if (length < path.size())
            return Narrow(path.data(), static_cast<int>(length));
        if (path.size() >= kLongestPath)
            return std::string();
        path.resize(path.size() * 2);
    }
}

int MessageBoxUtf8(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), type);
}

std::string ToAnsiCodePage(const std::string& utf8) {
    if (GetACP() == CP_UTF8 || utf8.empty())
        return utf8;
    const std::wstring wide = Widen(utf8);
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &ansi[0], size,
                        nullptr, nullptr);
    return ansi;
}

}  // namespace orvane
