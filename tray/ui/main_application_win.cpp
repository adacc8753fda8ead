#include <windows.h>

#include <vector>

#include "main_application.h"
#include "unique_handle_win.h"

namespace KovToolkit {

void runMainApplication(const std::wstring& program, const std::wstring& arguments) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};

    std::wstring commandLine = buildMainApplicationCommandLine(program, arguments);
    if (commandLine.empty()) return;  // logged by the builder; starting "" could only fail
    // CreateProcessW may write into the command line, so it gets a private buffer.
    std::vector<wchar_t> buffer(kCommandLineCapacity, L'\0');
    commandLine.copy(buffer.data(), buffer.size() - 1);

    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &process)) {
        return;  // the tray carries on; nothing watches the program
    }
    Win::UniqueHandle thread(process.hThread);
    Win::UniqueHandle processHandle(process.hProcess);
}

}  // namespace KovToolkit
