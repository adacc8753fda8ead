#include "main_application.h"

#include "text_format.h"
#include "tray_log.h"

namespace KovToolkit {

std::wstring buildMainApplicationCommandLine(const std::wstring& program, const std::wstring& arguments) {
    std::wstring commandLine;
    // A quote inside the program path would end the quoted part early and let the rest be parsed
    // as another program name.
    if (program.empty() || program.find(L'"') != std::wstring::npos) {
        trayLogCode(L"SEVERE", L"KovToolkit::runMainApplication", L"Unable to copy command string.", -1);
        return commandLine;
    }
    int written = arguments.empty()
                      ? TextFormat::format(commandLine, kCommandLineCapacity, L"\"%s\"", {program})
                      : TextFormat::format(commandLine, kCommandLineCapacity, L"\"%s\" %s", {program, arguments});
    if (written < 0) {
        trayLogCode(L"SEVERE", L"KovToolkit::runMainApplication", L"Unable to copy command string.", written);
    }
    return commandLine;
}

}  // namespace KovToolkit
