#pragma once
// A static text control turned into a link: underlined, in the browser's link colours, with a hand
// cursor and a tooltip; a click, Enter or Space opens the target and marks the link visited.
#include <windows.h>

#include <functional>
#include <string>

#include "unique_handle_win.h"

class HyperLink {
public:
    // Opens a link target; true when it was opened.
    using Opener = std::function<bool(const std::wstring& target)>;

    // Takes over `control`; the link lives until the control is destroyed. Null when `control` is not a window.
    static HyperLink* attach(HWND control, Opener opener = shellOpen);
    static HyperLink* fromControl(HWND control);

    static bool shellOpen(const std::wstring& target);  // ShellExecuteW "open", result above 32

    void open();

    const std::wstring& target() const { return target_; }
    COLORREF linkColor() const { return linkColor_; }
    COLORREF visitedColor() const { return visitedColor_; }
    bool visited() const { return visited_; }
    const RECT& labelRect() const { return labelRect_; }
    HFONT underlinedFont() const { return static_cast<HFONT>(underlinedFont_.get()); }
    HCURSOR cursor() const { return cursor_.get(); }
    HWND tooltip() const { return tooltip_.get(); }

private:
    HyperLink(HWND control, Opener opener);
    ~HyperLink();

    void readColors();
    void createCursor();
    void createTooltip();
    void measureLabel();
    void paint();
    bool isInsideLabel(LPARAM clientPoint) const;
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK windowProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

    HWND control_;
    WNDPROC previousProc_ = nullptr;
    Opener opener_;
    std::wstring target_;
    COLORREF linkColor_ = RGB(0, 0, 255);
    COLORREF visitedColor_ = RGB(128, 0, 128);
    bool visited_ = false;
    bool capturing_ = false;
    Win::UniqueGdiObject underlinedFont_;
    Win::UniqueHcursor cursor_;
    Win::UniqueHwnd tooltip_;
    RECT labelRect_{};
};
