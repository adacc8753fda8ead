#include "java_exception_dialog_win.h"

#include <windows.h>

#include "jre_not_found_dialog_win.h"
#include "launcher_resource_ids.h"

namespace {

// How each control follows a resize: the edit box stretches, the texts below it move down, the
// buttons move down and keep to the right.
struct Anchor {
    int id;
    bool grows;
    bool movesRight;
};
const Anchor kAnchors[] = {{IDC_EXCEPTION_TEXT, true, false}, {IDC_EXCEPTION_CHOICE, false, false},
                           {IDC_EXCEPTION_WARNING, false, false}, {IDOK, false, true}, {IDCANCEL, false, true}};
constexpr int kAnchorCount = sizeof(kAnchors) / sizeof(kAnchors[0]);

struct ExceptionDialogState {
    const std::wstring* text;
    RECT initialClient{};
    RECT origins[kAnchorCount]{};
};

void rememberLayout(HWND dialog, ExceptionDialogState& state) {
    GetClientRect(dialog, &state.initialClient);
    for (int i = 0; i < kAnchorCount; ++i) {
        HWND control = GetDlgItem(dialog, kAnchors[i].id);
        GetWindowRect(control, &state.origins[i]);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&state.origins[i]), 2);
    }
}

void layOut(HWND dialog, const ExceptionDialogState& state, int width, int height) {
    int dx = width - (state.initialClient.right - state.initialClient.left);
    int dy = height - (state.initialClient.bottom - state.initialClient.top);
    for (int i = 0; i < kAnchorCount; ++i) {
        const RECT& o = state.origins[i];
        HWND control = GetDlgItem(dialog, kAnchors[i].id);
        if (kAnchors[i].grows) {
            SetWindowPos(control, nullptr, o.left, o.top, o.right - o.left + dx, o.bottom - o.top + dy, SWP_NOZORDER);
        } else {
            SetWindowPos(control, nullptr, o.left + (kAnchors[i].movesRight ? dx : 0), o.top + dy, 0, 0,
                         SWP_NOZORDER | SWP_NOSIZE);
        }
    }
    InvalidateRect(dialog, nullptr, TRUE);
}

INT_PTR CALLBACK exceptionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<ExceptionDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            state = reinterpret_cast<ExceptionDialogState*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SetDlgItemTextW(dialog, IDC_EXCEPTION_TEXT, withCrLf(*state->text).c_str());
            SendDlgItemMessageW(dialog, IDC_ERROR_ICON, STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_ERROR)), 0);
            rememberLayout(dialog, *state);
            centreDialog(dialog, GetWindow(dialog, GW_OWNER));
            return TRUE;
        case WM_SIZE:
            if (state) layOut(dialog, *state, LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
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
