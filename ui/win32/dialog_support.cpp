#include "ui/win32/dialog_support.h"

#include "ui/win32/ui_state.h"

namespace orvane {

HWND OpenDialogFromTemplate(int template_id, HWND parent, DLGPROC procedure) {
    HINSTANCE instance = Ui().instance;
    HRSRC found =
        FindResourceW(instance, MAKEINTRESOURCEW(template_id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    if (found == nullptr)
        return nullptr;
    HGLOBAL loaded = LoadResource(instance, found);
    if (loaded == nullptr)
        return nullptr;
    auto* dialog_template = static_cast<LPCDLGTEMPLATEW>(LockResource(loaded));
    if (dialog_template == nullptr)
        return nullptr;
    // A Unicode dialog: its controls take and give UTF-16 texts.
    HWND dialog = CreateDialogIndirectParamW(instance, dialog_template, parent, procedure, 0);
    FreeResource(loaded);
    return dialog;
}

}  // namespace orvane
