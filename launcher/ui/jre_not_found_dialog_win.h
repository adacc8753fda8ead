#pragma once
// The "JRE Not Found" dialog: shows why no runtime fits, lets the user browse for a runtime folder,
// probes it, and allows OK only once a VM library was found there.
#include <windows.h>

#include <string>

#include "error_lines.h"
#include "hyperlink_win.h"
#include "locate_runtime.h"
#include "runtime_probe.h"

// The shell's folder browser, behind a seam so tests can script the folders picked.
class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;
    // True with the file-system path of the folder chosen; false when the user cancelled.
    virtual bool browse(HWND owner, const std::wstring& title, std::wstring& path) = 0;
};

class ShellFolderBrowser : public FolderBrowser {
public:
    bool browse(HWND owner, const std::wstring& title, std::wstring& path) override;
};

class JreNotFoundDialog {
public:
    enum class Outcome { Ok, Cancel, Failed };

    JreNotFoundDialog(StringSource& strings, FolderBrowser& browser, FileProbe& probe)
        : strings_(strings), browser_(browser), probe_(probe) {}

    // Modal, owned by the thread's active window. Failed when the dialog cannot be created.
    Outcome show(const std::wstring& message, VmType vmType);

    // How the download link opens its target (the shell by default).
    void setLinkOpener(HyperLink::Opener opener) { linkOpener_ = std::move(opener); }

    // After OK: the picked folder (ends in '\') and the VM library found in it.
    const std::wstring& folder() const { return folder_; }
    const std::wstring& vmLibrary() const { return vmLibrary_; }

private:
    void initialise(HWND dialog);
    void browse(HWND dialog);
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    StringSource& strings_;
    FolderBrowser& browser_;
    FileProbe& probe_;
    std::wstring message_;
    VmType vmType_ = VmType::None;
    std::wstring folder_;
    std::wstring vmLibrary_;
    HyperLink::Opener linkOpener_ = HyperLink::shellOpen;
};

// The dialog as the runtime search asks for it.
class DialogRuntimeFolderPrompt : public RuntimeFolderPrompt {
public:
    DialogRuntimeFolderPrompt(StringSource& strings, FolderBrowser& browser, FileProbe& probe)
        : dialog_(strings, browser, probe) {}
    bool ask(const std::wstring& message, VmType vmType, std::wstring& folder, std::wstring& vmLibrary) override;

private:
    JreNotFoundDialog dialog_;
};

// Centres `dialog` over `owner` when that is visible and not minimised, otherwise over the work area,
// keeping its top-left corner inside the work area.
void centreDialog(HWND dialog, HWND owner);
