#include "ui/win32/dialog_support.h"

#include "ui/win32/ui_state.h"

namespace orvane {

HWND OpenDialogFromTemplate(int template_id, HWND parent, DLGPROC procedure) {
    HINSTANCE instance = Ui().instance;
    HRSRC found =
        FindResourceA(instance, MAKEINTRESOURCEA(template_id), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (found == nullptr)
        return nullptr;
    HGLOBAL loaded = LoadResource(instance, found);
    if (loaded == nullptr)
        return nullptr;
    auto* dialog_template = static_cast<LPCDLGTEMPLATEA>(LockResource(loaded));
    if (dialog_template == nullptr)
        return nullptr;
    HWND dialog = CreateDialogIndirectParamA(instance, dialog_template, parent, procedure, 0);
    FreeResource(loaded);
    return dialog;
}

}  // namespace orvane
