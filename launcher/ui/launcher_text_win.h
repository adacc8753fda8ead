#pragma once
// The real string table (this module's resources, language chosen by the platform from the thread
// locale) and the real console for error lines.
#include <windows.h>

#include "launcher_messages.h"

class ResourceStrings : public StringSource {
public:
    explicit ResourceStrings(HMODULE module = GetModuleHandleW(nullptr)) : module_(module) {}
    std::wstring text(unsigned id) override;

private:
    HMODULE module_;
};

// Standard output, narrowed with the thread's ANSI code page.
class StdoutConsole : public ErrorLineConsole {
public:
    std::string toNarrow(const std::wstring& text) override;
    void write(const std::string& line) override;
};

// The launcher's error lines as the rest of the program uses them.
class LauncherErrorLines : public ErrorLinePrinter {
public:
    // The base only keeps the references; the members are built before anything is printed.
    LauncherErrorLines() : ErrorLinePrinter(strings_, console_) {}

private:
    ResourceStrings strings_;
    StdoutConsole console_;
};
