#include "jre_not_found_dialog_win.h"

#include <objbase.h>
#include <shlobj.h>

#include "dialog_layout.h"
#include "hyperlink_win.h"
#include "launcher_resource_ids.h"
#include "runtime_discovery.h"

namespace {

ScreenRect toScreenRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

bool ShellFolderBrowser::browse(HWND owner, const std::wstring& title, std::wstring& path) {
    // The new dialog style needs COM on this thread.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    bool ok = false;
    if (chosen) {
        wchar_t buffer[MAX_PATH];
        if (SHGetPathFromIDListW(chosen, buffer)) {
            path = buffer;
            ok = true;
        }
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return ok;
}

void centreDialog(HWND dialog, HWND owner) {
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT over = work;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &over);
    RECT own;
    GetWindowRect(dialog, &own);
    ScreenPoint origin = centredOrigin(toScreenRect(own), toScreenRect(over), toScreenRect(work));
    SetWindowPos(dialog, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

JreNotFoundDialog::Outcome JreNotFoundDialog::show(const std::wstring& message, VmType vmType) {
    message_ = message;
    vmType_ = vmType;
    folder_.clear();
    vmLibrary_.clear();
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_JRE_NOT_FOUND), GetActiveWindow(),
                                     &JreNotFoundDialog::dialogProc, reinterpret_cast<LPARAM>(this));
    if (result == IDOK) return Outcome::Ok;
    return (result == -1 || result == 0) ? Outcome::Failed : Outcome::Cancel;
}

void JreNotFoundDialog::initialise(HWND dialog) {
    HyperLink::attach(GetDlgItem(dialog, IDC_DOWNLOAD_LINK), linkOpener_);
    SetDlgItemTextW(dialog, IDC_JRE_MESSAGE, message_.c_str());
    SendDlgItemMessageW(dialog, IDC_ERROR_ICON, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_ERROR)), 0);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    centreDialog(dialog, GetWindow(dialog, GW_OWNER));
}

void JreNotFoundDialog::browse(HWND dialog) {
    std::wstring picked;
    if (!browser_.browse(dialog, strings_.text(LauncherText::BrowseTitle), picked)) return;
    SetDlgItemTextW(dialog, IDC_JRE_PATH, picked.c_str());
    folder_ = picked;
    if (!folder_.empty() && folder_.back() != L'\\') folder_ += L'\\';
    vmLibrary_ = findVmLibrary(probe_, folder_, vmType_).path;
    EnableWindow(GetDlgItem(dialog, IDOK), vmLibrary_.empty() ? FALSE : TRUE);
}

INT_PTR CALLBACK JreNotFoundDialog::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<JreNotFoundDialog*>(lParam)->initialise(dialog);
        return TRUE;
    }
    auto* self = reinterpret_cast<JreNotFoundDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self || message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDC_BROWSE:
            self->browse(dialog);
            return TRUE;
        case IDOK:
            // Only an enabled OK ends the dialog, whoever sent the command.
            if (IsWindowEnabled(GetDlgItem(dialog, IDOK)) && !self->vmLibrary_.empty()) EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
    }
    return FALSE;
}

bool DialogRuntimeFolderPrompt::ask(const std::wstring& message, VmType vmType, std::wstring& folder,
                                    std::wstring& vmLibrary) {
    if (dialog_.show(message, vmType) != JreNotFoundDialog::Outcome::Ok) return false;
    folder = dialog_.folder();
    vmLibrary = dialog_.vmLibrary();
    return true;
}
