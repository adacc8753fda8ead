// With the system default locale German (LC_ALL=de_DE.UTF-8 under Wine), the launcher's texts,
// error lines and dialog come out in German once the thread locale follows the system default.
#include <windows.h>

#include <gtest/gtest.h>

#include "jre_not_found_dialog_win.h"
#include "launcher_text_win.h"
#include "runtime_probe_win.h"
#include "test_dialog_driver_win.h"

namespace {

class NarrowCapture : public StdoutConsole {
public:
    std::string output;
    void write(const std::string& line) override { output += line; }
};

class NoBrowser : public FolderBrowser {
public:
    bool browse(HWND, const std::wstring&, std::wstring&) override { return false; }
};

}  // namespace

TEST(GermanLanguage, ErrorLinesAndDialogTitle) {
    ASSERT_EQ(GetSystemDefaultLCID(), 1031u) << "run with LC_ALL=de_DE.UTF-8";
    SetThreadLocale(GetSystemDefaultLCID());

    ResourceStrings strings;
    NarrowCapture console;
    ErrorLinePrinter lines(strings, console);
    lines.print(LauncherText::MainClassMissing, {});
    std::wstring created = strings.text(LauncherText::CreateJavaVmFailed);
    std::wstring reason = strings.text(LauncherText::ReasonNoMemory);
    lines.print(LauncherText::JniExceptionReason, {created, reason});
    // The ANSI code page of German Windows is 1252: "ü" is one byte 0xFC.
    EXPECT_EQ(console.output,
              "Error: Die Hauptklasse ist in der INI-Datei nicht angegeben. \n"
              "Error: JNI-Ausnahme: die Java-VM konnte nicht erstellt werden\nGrund: nicht gen\xfcgend Speicher.\n \n");

    // A service has no dialog: its "no runtime" line ends in the address, in the translated text too.
    console.output.clear();
    lines.printMessage(jreNotFoundLine(strings, LaunchConfig{}));
    EXPECT_EQ(console.output, "Error: Die Java-Laufzeitumgebung (JRE) wurde nicht gefunden. Bitte laden Sie eine JRE "
                              "(neueste Version) herunter und installieren Sie sie von: https://www.java.com/download/ \n");
    console.output.clear();
    lines.print(LauncherText::StopTimedOut, {30});
    EXPECT_EQ(console.output,
              "Error: Das Java-Programm wurde nicht innerhalb von 30 Sekunden beendet; der Dienstprozess wird beendet. \n");

    Win32FileProbe probe;
    NoBrowser browser;
    JreNotFoundDialog dialog(strings, browser, probe);
    dialog.setLinkOpener([](const std::wstring&) { return false; });
    std::wstring title, cancel;
    {
        DialogDriver driver([&](HWND d) {
            title = DialogDriver::text(d);
            cancel = DialogDriver::text(GetDlgItem(d, IDCANCEL));
            DialogDriver::clickLater(d, IDCANCEL);
        });
        EXPECT_EQ(dialog.show(L"m", VmType::None), JreNotFoundDialog::Outcome::Cancel);
    }
    EXPECT_EQ(title, L"JRE nicht gefunden");
    EXPECT_EQ(cancel, L"Abbrechen");
}
