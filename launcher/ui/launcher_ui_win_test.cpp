// The launcher's dialogs under Wine, driven by messages from a second thread, with real jvm.dll files
// laid out in folders and the folder browser scripted.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <fstream>

#include "java_exception_dialog_win.h"
#include "jre_not_found_dialog_win.h"
#include "launcher_resource_ids.h"
#include "launcher_text_win.h"
#include "runtime_probe_win.h"
#include "scratch_folder_win.h"
#include "test_dialog_driver_win.h"

namespace fs = std::filesystem;

namespace {

class ScriptedBrowser : public FolderBrowser {
public:
    std::deque<std::wstring> picks;  // an empty entry stands for the user cancelling
    std::wstring title;
    bool browse(HWND, const std::wstring& t, std::wstring& path) override {
        title = t;
        if (picks.empty()) return false;
        std::wstring next = picks.front();
        picks.pop_front();
        if (next.empty()) return false;
        path = next;
        return true;
    }
};

struct Runtimes : ::testing::Test {
    LauncherTesting::ScratchFolder scratch{L"ui"};
    const fs::path& root = scratch.root;
    std::wstring clientOnly, serverJre, empty;
    void SetUp() override {
        clientOnly = lay(L"client", {L"bin\\client"});
        serverJre = lay(L"Java\\jre", {L"bin\\client", L"bin\\server"});
        empty = lay(L"empty", {});
    }
    std::wstring lay(const std::wstring& name, std::initializer_list<const wchar_t*> libraryFolders) {
        return scratch.layRuntime(name, libraryFolders);
    }
};

struct Observed {
    bool okAtStart = true;
    std::wstring message;
    std::vector<bool> okAfterBrowse;
    bool stillOpenAfterDisabledOk = false;
    std::wstring edit;
};

}  // namespace

TEST_F(Runtimes, BrowseEnablesOkOnlyWithALibraryOfTheRightKind) {
    ResourceStrings strings;
    ScriptedBrowser browser;
    Win32FileProbe probe;
    browser.picks = {clientOnly, serverJre, empty, L"", serverJre};
    JreNotFoundDialog dialog(strings, browser, probe);
    dialog.setLinkOpener([](const std::wstring&) { return false; });

    Observed seen;
    JreNotFoundDialog::Outcome outcome;
    {
        DialogDriver driver([&](HWND d) {
            HWND ok = GetDlgItem(d, IDOK);
            seen.okAtStart = IsWindowEnabled(ok) != FALSE;
            seen.message = DialogDriver::text(GetDlgItem(d, IDC_JRE_MESSAGE));
            for (int i = 0; i < 4; ++i) {
                DialogDriver::click(d, IDC_BROWSE);
                seen.okAfterBrowse.push_back(IsWindowEnabled(ok) != FALSE);
                if (i == 2) {
                    DialogDriver::click(d, IDOK);  // disabled: must not end the dialog
                    seen.stillOpenAfterDisabledOk = IsWindow(d) != FALSE;
                }
            }
            DialogDriver::click(d, IDC_BROWSE);
            seen.edit = DialogDriver::text(GetDlgItem(d, IDC_JRE_PATH));
            DialogDriver::clickLater(d, IDOK);
        });
        outcome = dialog.show(L"Need a server JVM", VmType::Server);
        ASSERT_TRUE(driver.found());
    }
    EXPECT_FALSE(seen.okAtStart);
    EXPECT_EQ(seen.message, L"Need a server JVM");
    // client only (Server wanted) -> off, server -> on, empty -> off, cancelled browse -> unchanged
    EXPECT_EQ(seen.okAfterBrowse, (std::vector<bool>{false, true, false, false}));
    EXPECT_TRUE(seen.stillOpenAfterDisabledOk);
    EXPECT_EQ(browser.title, L"Browse for JRE folder");
    ASSERT_EQ(outcome, JreNotFoundDialog::Outcome::Ok);
    EXPECT_EQ(seen.edit, serverJre);  // shown as the browser returned it
    EXPECT_EQ(dialog.folder(), serverJre + L"\\");
    EXPECT_EQ(dialog.vmLibrary(), serverJre + L"\\bin\\server\\jvm.dll");
}

TEST_F(Runtimes, CancelAndCloseEndWithCancel) {
    ResourceStrings strings;
    ScriptedBrowser browser;
    Win32FileProbe probe;
    browser.picks = {serverJre};
    DialogRuntimeFolderPrompt prompt(strings, browser, probe);
    std::wstring folder, library;
    {
        DialogDriver driver([](HWND d) {
            DialogDriver::click(d, IDC_BROWSE);
            DialogDriver::clickLater(d, IDCANCEL);
        });
        EXPECT_FALSE(prompt.ask(L"m", VmType::None, folder, library));
    }
    EXPECT_TRUE(folder.empty());
    {
        DialogDriver driver([](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); });
        EXPECT_FALSE(prompt.ask(L"m", VmType::None, folder, library));
    }
    browser.picks = {serverJre};
    {
        DialogDriver driver([](HWND d) {
            DialogDriver::click(d, IDC_BROWSE);
            DialogDriver::clickLater(d, IDOK);
        });
        EXPECT_TRUE(prompt.ask(L"m", VmType::None, folder, library));
    }
    EXPECT_EQ(folder, serverJre + L"\\");
    EXPECT_EQ(library, serverJre + L"\\bin\\client\\jvm.dll");  // None takes the client library first
}

TEST(HyperLinkTest, LinkStateColoursAndOpening) {
    HKEY settings;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Settings", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &settings, nullptr),
              ERROR_SUCCESS);
    auto setValue = [&](const wchar_t* name, const wchar_t* value) {
        RegSetValueExW(settings, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    };
    setValue(L"Anchor Color", L"255,0,0");
    setValue(L"Anchor Color Visited", L"red");

    ResourceStrings strings;
    ScriptedBrowser browser;
    Win32FileProbe probe;
    JreNotFoundDialog dialog(strings, browser, probe);
    std::vector<std::wstring> opened;
    bool openWorks = false;
    dialog.setLinkOpener([&](const std::wstring& target) {
        opened.push_back(target);
        return openWorks;
    });

    struct {
        std::wstring target;
        COLORREF link = 0, visitedColor = 0;
        bool underlined = false, hasCursor = false, notify = false, tooltip = false, labelMeasured = false;
        bool visitedAfterFailedOpen = true, visitedAfterKey = false;
        UINT dialogCode = 0;
        size_t opensAfterClick = 0;
    } seen;
    {
        DialogDriver driver([&](HWND d) {
            HWND control = GetDlgItem(d, IDC_DOWNLOAD_LINK);
            HyperLink* link = HyperLink::fromControl(control);
            if (!link) return;
            seen.target = link->target();
            seen.link = link->linkColor();
            seen.visitedColor = link->visitedColor();
            LOGFONTW font{};
            GetObjectW(link->underlinedFont(), sizeof(font), &font);
            seen.underlined = font.lfUnderline != 0;
            seen.hasCursor = link->cursor() != nullptr;
            seen.notify = (GetWindowLongPtrW(control, GWL_STYLE) & SS_NOTIFY) != 0;
            wchar_t className[32] = {};
            GetClassNameW(link->tooltip(), className, 32);
            seen.tooltip = lstrcmpiW(className, L"tooltips_class32") == 0;
            seen.labelMeasured = link->labelRect().right > link->labelRect().left;
            seen.dialogCode = static_cast<UINT>(SendMessageW(control, WM_GETDLGCODE, 0, 0));

            SendMessageW(control, WM_CHAR, L' ', 0);  // the opener fails: stays unvisited
            seen.visitedAfterFailedOpen = link->visited();
            openWorks = true;
            SendMessageW(control, WM_CHAR, L'\r', 0);
            seen.visitedAfterKey = link->visited();
            // A click inside the label: press, then release while captured.
            RECT r = link->labelRect();
            LPARAM inside = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, inside);
            SendMessageW(control, WM_LBUTTONUP, 0, inside);
            SendMessageW(control, WM_LBUTTONUP, 0, inside);  // no capture any more: nothing
            seen.opensAfterClick = opened.size();
            DialogDriver::clickLater(d, IDCANCEL);
        });
        EXPECT_EQ(dialog.show(L"m", VmType::None), JreNotFoundDialog::Outcome::Cancel);
    }
    RegDeleteValueW(settings, L"Anchor Color");
    RegDeleteValueW(settings, L"Anchor Color Visited");
    RegCloseKey(settings);

    EXPECT_EQ(seen.target, L"" JAVA_DOWNLOAD_ADDRESS);
    EXPECT_EQ(seen.link, RGB(255, 0, 0));
    EXPECT_EQ(seen.visitedColor, RGB(128, 0, 128));  // "red" is no colour value
    EXPECT_TRUE(seen.underlined);
    EXPECT_TRUE(seen.hasCursor);
    EXPECT_TRUE(seen.notify);
    EXPECT_TRUE(seen.tooltip);
    EXPECT_TRUE(seen.labelMeasured);
    EXPECT_TRUE(seen.dialogCode & DLGC_WANTCHARS);
    EXPECT_FALSE(seen.visitedAfterFailedOpen);
    EXPECT_TRUE(seen.visitedAfterKey);
    EXPECT_EQ(seen.opensAfterClick, 3u);
    EXPECT_EQ(opened.front(), L"" JAVA_DOWNLOAD_ADDRESS);
}

// Keys as a user types them: posted to the focused link and taken through the dialog's own modal
// loop, which hands Enter to the default button unless the control asks for it.
TEST(HyperLinkTest, EnterAndSpaceOnTheFocusedLinkEachOpenItOnceInsideTheModalDialog) {
    ResourceStrings strings;
    ScriptedBrowser browser;
    Win32FileProbe probe;
    JreNotFoundDialog dialog(strings, browser, probe);
    std::atomic<int> opens{0};
    dialog.setLinkOpener([&](const std::wstring&) {
        ++opens;
        return true;
    });
    const DWORD uiThread = GetCurrentThreadId();
    bool focused = false;
    int afterEnter = -1, afterSpace = -1;
    {
        DialogDriver driver([&](HWND d) {
            HWND link = GetDlgItem(d, IDC_DOWNLOAD_LINK);
            HWND cancel = GetDlgItem(d, IDCANCEL);
            // Moves the focus through the dialog and waits until it is there.
            auto focusOn = [&](HWND control) {
                PostMessageW(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
                for (int attempt = 0; attempt < 500; ++attempt) {
                    GUITHREADINFO info{};
                    info.cbSize = sizeof info;
                    if (GetGUIThreadInfo(uiThread, &info) && info.hwndFocus == control) return true;
                    Sleep(10);
                }
                return false;
            };
            // The character a key makes is queued behind whatever was already posted: two focus
            // moves after the key see everything the key caused.
            auto press = [&](UINT key) {
                const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
                PostMessageW(link, WM_KEYDOWN, key, 1 | scan);
                PostMessageW(link, WM_KEYUP, key, 1 | scan | (LPARAM{3} << 30));
                focusOn(cancel);
                focusOn(link);
            };
            focused = focusOn(link);
            press(VK_RETURN);
            afterEnter = opens;
            press(VK_SPACE);
            afterSpace = opens;
            DialogDriver::clickLater(d, IDCANCEL);
        });
        EXPECT_EQ(dialog.show(L"m", VmType::None), JreNotFoundDialog::Outcome::Cancel);
    }
    EXPECT_TRUE(focused);
    EXPECT_EQ(afterEnter, 1) << "Enter";
    EXPECT_EQ(afterSpace, 2) << "Space";
}

TEST(JavaExceptionDialogTest, ShowsTheTextAndReturnsTheChoice) {
    std::wstring shown;
    long widthBefore = 0, widthAfter = 0;
    {
        DialogDriver driver([&](HWND d) {
            HWND edit = GetDlgItem(d, IDC_EXCEPTION_TEXT);
            shown = DialogDriver::text(edit);
            RECT r;
            GetWindowRect(edit, &r);
            widthBefore = r.right - r.left;
            SetWindowPos(d, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);  // the frame is resizable
            GetWindowRect(edit, &r);
            widthAfter = r.right - r.left;
            DialogDriver::clickLater(d, IDCANCEL);
        });
        EXPECT_EQ(showJavaExceptionDialog(L"java.lang.IllegalStateException: x\n\tat Engine.main"),
                  ExceptionChoice::Stop);
    }
    EXPECT_EQ(shown, L"java.lang.IllegalStateException: x\r\n\tat Engine.main");
    EXPECT_GT(widthAfter, widthBefore);  // the exception text grows with the frame
    {
        DialogDriver driver([](HWND d) { DialogDriver::clickLater(d, IDOK); });
        EXPECT_EQ(showJavaExceptionDialog(L"e"), ExceptionChoice::Ignore);
    }
    EXPECT_EQ(withCrLf(L"a\nb\r\nc\n"), L"a\r\nb\r\nc\r\n");
}

TEST(ResourceStringsTest, EnglishTableIsExact) {
    ResourceStrings strings;
    EXPECT_EQ(strings.text(206), L"The Java Runtime Environment (JRE) was not found. Please  download and install a JRE "
                                 L"with a server JVM (%s) from:");
    EXPECT_EQ(strings.text(202), L"Windows exception: %s (errno = %d).\n");
    EXPECT_EQ(strings.text(230), L"invalid arguments");
    EXPECT_EQ(strings.text(231), L"");
    EXPECT_EQ(strings.text(232), L"The Java program did not stop within %d seconds; the service process is ended.");
    EXPECT_EQ(strings.text(233), L"failed to set the service's pre-shutdown time-out");
    EXPECT_EQ(strings.text(17), L"");
}
