#include "setup/win32/wizard.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "logging/log_writer.h"
#include "platform/file_system.h"
#include "platform/win32/folder_security.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_placement.h"
#include "settings/win32/config_dialog.h"
#include "setup/finish_steps.h"
#include "setup/folder_permissions.h"
#include "setup/install_paths.h"
#include "setup/setup_resource_ids.h"
#include "setup/win32/installation.h"
#include "setup/win32/setup_configuration.h"
#include "setup/win32/setup_run.h"
#include "setup/win32/wizard_state.h"
#include "platform/win32/window_dpi.h"

namespace orvane {

WizardState& Wizard() {
    static WizardState* state =
        new WizardState;  // never destroyed: other threads may still ask at exit
    return *state;
}

namespace {

constexpr int kPageTemplates[kSetupPageCount] = {IDD_SETUP_WELCOME, IDD_SETUP_FOLDER,
                                                 IDD_SETUP_PROGRESS, IDD_SETUP_DONE};

void ShowPage(int page) {
    WizardState& wizard = Wizard();
    if (page == kWelcomePage)
        EnableWindow(GetDlgItem(wizard.frame, IDC_SETUP_BACK), FALSE);
    if (page == kFolderPage)
        EnableWindow(GetDlgItem(wizard.frame, IDC_SETUP_BACK), TRUE);
    if (page == kDonePage)
        SetDlgItemTextUtf8(wizard.frame, IDC_SETUP_NEXT, "&Finish");
    wizard.current = page;
    HWND window = wizard.pages[page];
    SetWindowPos(window, HWND_TOP, 0, 4, 0, 0, SWP_NOSIZE);
    ShowWindow(window, SW_SHOW);
}

void HideCurrentPage() {
    ShowWindow(Wizard().pages[Wizard().current], SW_HIDE);
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM start_folder) {
    if (message == BFFM_INITIALIZED && start_folder != 0) {
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE, start_folder);
    }
    return 0;
}

// The folder chosen in the shell's browser, UTF-8; empty when none was
// chosen or the item has no file-system path.
std::string BrowseForFolder(const std::string& title, HWND owner, const std::string& start) {
    const std::wstring wide_title = Widen(title);
    const std::wstring wide_start = Widen(start);
    wchar_t display_name[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = display_name;
    info.lpszTitle = wide_title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = wide_start.empty() ? 0 : reinterpret_cast<LPARAM>(wide_start.c_str());
    LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
    if (chosen == nullptr)
        return std::string();
    // SHGetPathFromIDListW takes a buffer of MAX_PATH characters.
    wchar_t path[MAX_PATH] = {};
    const bool has_path = SHGetPathFromIDListW(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    return has_path ? Narrow(path) : std::string();
}

// The edit holds at most kInstallFolderLimit characters: UTF-16 units, as
// a W edit counts them, so no character is ever split.
void SetFolderEdit(HWND page, const std::string& folder) {
    SendDlgItemMessageW(page, IDC_SETUP_FOLDER_EDIT, EM_LIMITTEXT, kInstallFolderLimit, 0);
    SetDlgItemTextUtf8(page, IDC_SETUP_FOLDER_EDIT, folder);
}

void BrowseForInstallFolder(HWND page) {
    const std::string start = BrowseStartFolder(DlgItemTextUtf8(page, IDC_SETUP_FOLDER_EDIT));
    const std::string chosen = BrowseForFolder("Orvane installation folder", page, start);
    if (!chosen.empty())
        SetFolderEdit(page, InstallFolderForChosenFolder(chosen));
}

// The banner drawn for `dpi` (it is made for 96) with halftone smoothing,
// so that it neither stays small nor turns blocky on a scaled display.
HBITMAP MakeBanner(HINSTANCE instance, int dpi) {
    auto* source = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_SETUP_BANNER), IMAGE_BITMAP, 0, 0, 0));
    BITMAP size = {};
    if (source == nullptr || GetObjectW(source, sizeof size, &size) == 0) {
        if (source != nullptr)
            DeleteObject(source);
        return nullptr;
    }
    const int width = MulDiv(size.bmWidth, dpi, USER_DEFAULT_SCREEN_DPI);
    const int height = MulDiv(size.bmHeight, dpi, USER_DEFAULT_SCREEN_DPI);
    HDC screen = GetDC(nullptr);
    HDC to = CreateCompatibleDC(screen);
    HBITMAP scaled = CreateCompatibleBitmap(screen, width, height);
    if (to != nullptr && scaled != nullptr) {
        HGDIOBJ old_to = SelectObject(to, scaled);
        DrawBitmapSmoothly(to, width, height, source, size.bmWidth, size.bmHeight);
        SelectObject(to, old_to);
    }
    if (to != nullptr)
        DeleteDC(to);
    ReleaseDC(nullptr, screen);
    DeleteObject(source);
    return scaled;
}

// Gives every page's banner control the banner at the wizard's scale,
// unless they have it already. What they showed before goes: each
// control's own copy loaded from the template, or the shared banner of
// the scale before.
void ScaleBanners() {
    WizardState& wizard = Wizard();
    const int dpi = WindowDpi(wizard.frame);
    if (wizard.banner != nullptr && wizard.banner_dpi == dpi)
        return;
    HBITMAP made = MakeBanner(wizard.instance, dpi);
    if (made == nullptr)
        return;  // the template's images stay
    for (HWND page : wizard.pages) {
        HWND control = page != nullptr ? GetDlgItem(page, IDB_SETUP_BANNER) : nullptr;
        if (control == nullptr)
            continue;  // the progress page has none
        auto* old = reinterpret_cast<HBITMAP>(
            SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(made)));
        if (old != nullptr && old != wizard.banner)
            DeleteObject(old);
    }
    if (wizard.banner != nullptr)
        DeleteObject(wizard.banner);
    wizard.banner = made;
    wizard.banner_dpi = dpi;
}

void ConfirmCancel() {
    const int answer = SetupBox("Are you sure you want to exit Orvane Setup?", "Orvane Setup",
                                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDYES);
    if (answer == IDYES)
        PostQuitMessage(0);
}

void EnableFrameButtons(bool enable) {
    for (int button : {IDC_SETUP_NEXT, IDC_SETUP_BACK, IDC_SETUP_CANCEL})
        EnableWindow(GetDlgItem(Wizard().frame, button), enable ? TRUE : FALSE);
}

bool StartsAtLogon() {
    return IsChecked(Wizard().pages[kFolderPage], IDC_SETUP_START_AT_LOGON);
}

// A folder relative to wherever Setup happens to run is refused on page 2,
// and so is one that users who are not administrators could change.
bool TakeInstallFolder() {
    WizardState& wizard = Wizard();
    const std::string folder =
        InstallFolderFromText(DlgItemTextUtf8(wizard.pages[kFolderPage], IDC_SETUP_FOLDER_EDIT));
    const std::string refusal = InstallFolderRefusal(folder);
    if (!refusal.empty()) {
        SetupBox(refusal, kSetupErrorCaption, MB_OK | MB_ICONERROR, IDOK);
        return false;
    }
    wizard.install_folder = folder;
    return true;
}

void InstallFromFolderPage() {
    WizardState& wizard = Wizard();
    HWND folder_page = wizard.pages[kFolderPage];
    if (!TakeInstallFolder() || !CreateInstallFolder(wizard.install_folder)) {
        ShowPage(kFolderPage);
        return;
    }
    ShowPage(kProgressPage);
    EnableWindow(GetDlgItem(wizard.frame, IDC_SETUP_NEXT), FALSE);
    EnableWindow(GetDlgItem(wizard.frame, IDC_SETUP_BACK), FALSE);
    UpdateWindow(wizard.frame);
    RedrawWindow(wizard.frame, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    wizard.busy = true;
    wizard.time_service = RunInstallation(
        wizard.install_folder, IsChecked(folder_page, IDC_SETUP_PROGRAM_GROUP), StartsAtLogon());
    wizard.busy = false;
    EnableWindow(GetDlgItem(wizard.frame, IDC_SETUP_NEXT), TRUE);
    ShowWindow(wizard.frame, SW_HIDE);
    OpenSetupConfigurationDialog();
    // Where no shell can start the program for the user now, the page says
    // when it will start.
    SetDlgItemTextUtf8(wizard.pages[kDonePage], IDC_SETUP_DONE_TEXT,
                       DonePageText(StartsAtLogon(), TheShellStarter().ShellAvailable()));
    ShowWindow(wizard.frame, SW_SHOW);
    HideCurrentPage();
    ShowPage(kDonePage);
}

void Finish() {
    WizardState& wizard = Wizard();
    wizard.busy = true;
    EnableFrameButtons(false);
    RunFinishSteps(wizard.install_folder, StartsAtLogon(), wizard.time_service);
    TheSetupRun().finished = true;
    PostQuitMessage(0);
}

void OnNext() {
    WizardState& wizard = Wizard();
    const int was = wizard.current;
    if (was == kDonePage) {
        Finish();
        return;
    }
    HideCurrentPage();
    switch (was) {
        case kWelcomePage:
            ShowPage(kFolderPage);
            break;
        case kFolderPage:
            InstallFromFolderPage();
            break;
        default:
            // Page 3 has no Next of its own: the button is disabled there.
            ShowPage(was);
            break;
    }
}

void OnBack() {
    const int was = Wizard().current;
    HideCurrentPage();
    // Back is enabled only on page 2; anything else keeps its page.
    ShowPage(was == kFolderPage ? kWelcomePage : was);
}

INT_PTR CALLBACK PageProcedure(HWND page, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDC_SETUP_BROWSE && HIWORD(wparam) == BN_CLICKED) {
                BrowseForInstallFolder(page);
                return TRUE;
            }
            return FALSE;
        case kDpiChangedAfterParent:
            // Moved to a monitor of another scale: the dialog manager lays
            // the page out again, the banner is drawn anew.
            ScaleBanners();
            return FALSE;
        default:
            return FALSE;
    }
}

void InitialisePages() {
    WizardState& wizard = Wizard();
    HWND folder_page = wizard.pages[kFolderPage];
    // The command line's choices, without /quiet, preset the page.
    const InstallerOptions& options = TheSetupRun().options;
    SetFolderEdit(folder_page,
                  options.folder.empty() ? kDefaultSetupInstallFolder : options.folder);
    CheckDlgButton(folder_page, IDC_SETUP_PROGRAM_GROUP,
                   options.program_group ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(folder_page, IDC_SETUP_START_AT_LOGON,
                   options.start_at_logon ? BST_CHECKED : BST_UNCHECKED);
    HWND progress_page = wizard.pages[kProgressPage];
    SendDlgItemMessageW(progress_page, IDC_SETUP_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageW(progress_page, IDC_SETUP_PROGRESS_BAR, PBM_SETPOS, 0, 0);
}

INT_PTR CALLBACK FrameProcedure(HWND frame, UINT message, WPARAM wparam, LPARAM) {
    WizardState& wizard = Wizard();
    switch (message) {
        case WM_INITDIALOG:
            wizard.frame = frame;
            CentreWindow(frame, nullptr);
            SetWindowPos(frame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            for (int page = 0; page < kSetupPageCount; ++page) {
                wizard.pages[page] =
                    CreateDialogParamW(wizard.instance, MAKEINTRESOURCEW(kPageTemplates[page]),
                                       frame, PageProcedure, 0);
            }
            InitialisePages();
            ScaleBanners();
            ShowPage(kWelcomePage);
            return TRUE;
        case WM_CLOSE:
            // The close box asks like Cancel does.
            if (!wizard.busy)
                PostMessageW(frame, WM_COMMAND, IDC_SETUP_CANCEL, 0);
            return TRUE;
        case WM_COMMAND:
            if (wizard.busy)
                return TRUE;
            switch (LOWORD(wparam)) {
                case IDC_SETUP_NEXT:
                    OnNext();
                    return TRUE;
                case IDC_SETUP_BACK:
                    OnBack();
                    return TRUE;
                case IDC_SETUP_CANCEL:
                case IDCANCEL:
                    // Cancel asks on every page but the running installation,
                    // whose buttons are disabled.
                    if (wizard.current != kProgressPage)
                        ConfirmCancel();
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

}  // namespace

HWND CreateWizardFrame() {
    WizardState& wizard = Wizard();
    HWND frame = CreateDialogParamW(wizard.instance, MAKEINTRESOURCEW(IDD_SETUP_FRAME), nullptr,
                                    FrameProcedure, 0);
    if (frame == nullptr)
        return nullptr;
    for (HWND page : wizard.pages) {
        if (page == nullptr) {
            DestroyWizard();
            return nullptr;
        }
    }
    return frame;
}

bool WizardTakesMessage(MSG* message) {
    WizardState& wizard = Wizard();
    if (wizard.frame != nullptr && IsDialogMessageW(wizard.frame, message))
        return true;
    HWND page = wizard.pages[wizard.current];
    return page != nullptr && IsDialogMessageW(page, message);
}

void DestroyWizard() {
    WizardState& wizard = Wizard();
    for (HWND& page : wizard.pages) {
        if (page != nullptr)
            DestroyWindow(page);
        page = nullptr;
    }
    if (wizard.frame != nullptr)
        DestroyWindow(wizard.frame);
    wizard.frame = nullptr;
    // No control shows it any more.
    if (wizard.banner != nullptr)
        DeleteObject(wizard.banner);
    wizard.banner = nullptr;
}

}  // namespace orvane
