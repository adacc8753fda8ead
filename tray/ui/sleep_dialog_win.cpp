#include "sleep_dialog_win.h"

#include "kov_text_win.h"
#include "tray_resource_ids.h"
#include "vaultwick_menu_model.h"

namespace SleepDialog {
namespace {

void fillDurations(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_SLEEP_DURATION);
    for (unsigned id : {IDS_ONE_HOUR, IDS_TWO_HOURS, IDS_FOUR_HOURS, IDS_ONE_DAY, IDS_TWO_DAYS}) {
        std::wstring text = KovToolkit::loadString(id);
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageW(list, CB_SETCURSEL, 0, 0);
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        fillDurations(dialog);
        // The list first, so that arrow keys choose before Enter confirms; FALSE keeps this focus.
        SetFocus(GetDlgItem(dialog, IDC_SLEEP_DURATION));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            auto index = static_cast<int>(SendDlgItemMessageW(dialog, IDC_SLEEP_DURATION, CB_GETCURSEL, 0, 0));
            EndDialog(dialog, SleepChoice::hoursForSelection(index));
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, SleepChoice::kCancelled);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

std::int32_t show(HWND owner) {
    INT_PTR result = DialogBoxParamW(KovToolkit::moduleInstance(), MAKEINTRESOURCEW(IDD_SLEEP), owner, &procedure, 0);
    return static_cast<std::int32_t>(result);
}

}  // namespace SleepDialog
