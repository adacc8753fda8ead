#pragma once
// How the launcher reports a failure: one error line, "Error: %s \n", on standard output, its text
// taken from the string table by id. The core only sees this interface; launcher/ui implements it
// over the real string table and the thread's ANSI code page.
#include <initializer_list>
#include <string>

#include "text_format.h"

// Ids of the launcher's string table (resource ids; the texts live in launcher/resources).
namespace LauncherText {
enum : unsigned {
    WindowsException = 202,     // "%s (errno = %d)" with a text and a system error code
    JniExceptionReason = 203,   // "%s\nReason: %s" with 213 and a reason 225..230
    ComError = 204,
    JniException = 205,
    JreNotFoundServer = 206,    // dialog message with the required-version phrase
    JreNotFound = 207,
    ModulePathFailed = 208,
    ClassPathMissing = 209,
    MainClassMissing = 210,
    MainClassLoadFailed = 211,
    CreateJavaVmMissing = 212,
    CreateJavaVmFailed = 213,
    BrowseTitle = 214,
    MainClassNotFound = 215,
    MainMethodNotFound = 216,
    LatestVersion = 217,
    MaximumVersion = 218,
    MinimumVersion = 219,
    VersionRequired = 220,
    VersionBetween = 221,
    VmLibraryLoadFailed = 222,
    InitializeFailed = 223,
    InitializeModuleFailed = 224,
    ReasonUnknown = 225,        // JNI result -1; -2..-6 follow in order
    ReasonDetached = 226,
    ReasonVersion = 227,
    ReasonNoMemory = 228,
    ReasonExists = 229,
    ReasonInvalidArguments = 230,
    VmLibraryThirtyTwoBit = 240,  // as 222, saying the library is a 32-bit one

    // Service stop and shutdown limits.
    StopTimedOut = 232,               // "%d" seconds of "Stop Timeout"
    PreShutdownTimeoutNotSet = 233,   // with 202
    ServiceMainThrew = 234,           // "%s" exception class, "%d" service-specific code
    ServiceMainNotDetached = 235,     // "%d" service-specific code
    StopNotReported = 236,            // with 202: the stop request was dropped
    StopThreadNotStarted = 237,       // with 202: the stop request was dropped
    FailedServiceEnded = 242,         // "%d" service-specific code, "%d" seconds it was given to end

    // "Output File" or "Error File" refused: "%s" the key, "%s" the file.
    JavaOutputRefused = 241,
};
}  // namespace LauncherText

// The launcher's string table as the core sees it.
class StringSource {
public:
    virtual ~StringSource() = default;
    // The text of `id` in the language the platform picked; empty when the table has none.
    virtual std::wstring text(unsigned id) = 0;
};

class ErrorLines : public StringSource {
public:
    // Writes one error line holding `message`, already composed.
    virtual void printMessage(const std::wstring& message) = 0;

    // The text of `formatId` filled with `args`. With no arguments the text is written as it is, so a
    // '%' in a translation cannot turn it into a bad pattern.
    void print(unsigned formatId, std::initializer_list<TextFormat::Arg> args) {
        std::wstring pattern = text(formatId);
        printMessage(args.size() == 0 ? pattern : TextFormat::format(pattern, args));
    }

    // The Windows-error message: string 202 with the text of `textId` and a system error code.
    void printWindowsError(unsigned textId, unsigned long code) { printMessage(windowsErrorText(textId, code)); }
    std::wstring windowsErrorText(unsigned textId, unsigned long code) {
        return TextFormat::format(text(LauncherText::WindowsException), {text(textId), code});
    }
};
