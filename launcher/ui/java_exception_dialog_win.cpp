#include "java_exception_dialog_win.h"

#include <windows.h>

#include "jre_not_found_dialog_win.h"
#include "launcher_resource_ids.h"

namespace {

// Keeps the edit box growing with the frame and the texts and buttons below it at the bottom.
void layOut(HWND dialog, const RECT& initialClient, int width, int height) {
    int dx = width - (initialClient.right - initialClient.left);
    int dy = height - (initialClient.bottom - initialClient.top);
    struct Anchor {
        int id;
        bool grows;    // the edit box stretches
        bool movesX;   // buttons keep to the right
    };
    static const Anchor anchors[] = {{IDC_EXCEPTION_TEXT, true, false}, {IDC_EXCEPTION_CHOICE, false, false},
                                     {IDC_EXCEPTION_WARNING, false, false}, {IDOK, false, true},
                                     {IDCANCEL, false, true}};
    for (const Anchor& a : anchors) {
        HWND control = GetDlgItem(dialog, a.id);
        RECT* original = static_cast<RECT*>(GetPropW(control, L"VwOrigin"));
        if (!original) continue;
        if (a.grows) {
            SetWindowPos(control, nullptr, original->left, original->top, original->right - original->left + dx,
                         original->bottom - original->top + dy, SWP_NOZORDER);
        } else {
            SetWindowPos(control, nullptr, original->left + (a.movesX ? dx : 0), original->top + dy, 0, 0,
                         SWP_NOZORDER | SWP_NOSIZE);
        }
    }
    InvalidateRect(dialog, nullptr, TRUE);
}

struct ExceptionDialogState {
    const std::wstring* text;
    RECT initialClient{};
    RECT origins[5]{};
};

INT_PTR CALLBACK exceptionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<ExceptionDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            state = reinterpret_cast<ExceptionDialogState*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SetDlgItemTextW(dialog, IDC_EXCEPTION_TEXT, withCrLf(*state->text).c_str());
            SendDlgItemMessageW(dialog, IDC_ERROR_ICON, STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_ERROR)), 0);
            GetClientRect(dialog, &state->initialClient);
            const int ids[] = {IDC_EXCEPTION_TEXT, IDC_EXCEPTION_CHOICE, IDC_EXCEPTION_WARNING, IDOK, IDCANCEL};
            for (int i = 0; i < 5; ++i) {
                HWND control = GetDlgItem(dialog, ids[i]);
                GetWindowRect(control, &state->origins[i]);
                MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&state->origins[i]), 2);
                SetPropW(control, L"VwOrigin", &state->origins[i]);
            }
            centreDialog(dialog, GetWindow(dialog, GW_OWNER));
            return TRUE;
        }
        case WM_SIZE:
            if (state) layOut(dialog, state->initialClient, LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
        case WM_DESTROY: {
            const int ids[] = {IDC_EXCEPTION_TEXT, IDC_EXCEPTION_CHOICE, IDC_EXCEPTION_WARNING, IDOK, IDCANCEL};
            for (int id : ids) RemovePropW(GetDlgItem(dialog, id), L"VwOrigin");
            break;
        }
    }
    return FALSE;
}

}  // namespace

std::wstring withCrLf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out += L'\r';
        out += text[i];
    }
    return out;
}

ExceptionChoice showJavaExceptionDialog(const std::wstring& exceptionText) {
    ExceptionDialogState state{&exceptionText};
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_JAVA_EXCEPTION), GetActiveWindow(),
                                     exceptionDialogProc, reinterpret_cast<LPARAM>(&state));
    if (result == IDOK) return ExceptionChoice::Ignore;
    if (result == IDCANCEL) return ExceptionChoice::Stop;
    return ExceptionChoice::NotShown;
}
