#pragma once
// The launcher's texts: version display, the required-version phrase and the "JRE Not Found" message,
// and error lines ("Error: %s \n" on standard output, in the thread's ANSI code page).
#include <string>

#include "error_lines.h"
#include "launch_config.h"

// The parts up to the last one that is neither 0 nor 65535, at least two: 1.6, 1.0, 1.6.0.20.
std::wstring formatVersion(const VersionSpec& version);

// "latest version", "maximum version %s", "minimum version %s", "version %s is required" or
// "version between %s and %s" (strings 217..221) for the two limits.
std::wstring requiredVersionPhrase(StringSource& strings, const VersionSpec& minimum, const VersionSpec& maximum);

// The dialog message: string 206 (server VM required) or 207 filled with the required-version phrase.
std::wstring jreNotFoundMessage(StringSource& strings, const LaunchConfig& config);

// The same message with the download address after it, for where no dialog (and no link) is shown.
std::wstring jreNotFoundLine(StringSource& strings, const LaunchConfig& config);

// The whole line for a message: "Error: " + message + " \n".
std::wstring errorLineText(const std::wstring& message);

// Where error lines go: the narrow conversion and standard output.
class ErrorLineConsole {
public:
    virtual ~ErrorLineConsole() = default;
    virtual std::string toNarrow(const std::wstring& text) = 0;  // the thread's ANSI code page
    virtual void write(const std::string& line) = 0;              // one whole write, flushed
};

// ErrorLines over a string table and a console.
class ErrorLinePrinter : public ErrorLines {
public:
    ErrorLinePrinter(StringSource& strings, ErrorLineConsole& console) : strings_(strings), console_(console) {}

    std::wstring text(unsigned id) override { return strings_.text(id); }
    void printMessage(const std::wstring& message) override;

private:
    StringSource& strings_;
    ErrorLineConsole& console_;
};
