#include "dpi_probe_run_win.h"

#include <fstream>
#include <sstream>

#include "unique_handle_win.h"

namespace DpiProbe {
namespace {

// Sets LogPixels for the lifetime of the object, then puts back what was there.
class LogPixelsOverride {
public:
    explicit LogPixelsOverride(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, key_.put(), nullptr);
        DWORD size = sizeof(old_);
        had_ = RegQueryValueExW(key_.get(), L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
               ERROR_SUCCESS;
        RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    }
    ~LogPixelsOverride() {
        if (had_)
            RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof(old_));
        else
            RegDeleteValueW(key_.get(), L"LogPixels");
    }
    LogPixelsOverride(const LogPixelsOverride&) = delete;
    LogPixelsOverride& operator=(const LogPixelsOverride&) = delete;

private:
    Win::UniqueHkey key_;
    DWORD old_ = 0;
    bool had_ = false;
};

// Runs a command line to its end (bounded); its exit code, or -1.
long runToEnd(std::wstring command, DWORD milliseconds) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return -1;
    Win::UniqueHandle process(started.hProcess), thread(started.hThread);
    if (WaitForSingleObject(process.get(), milliseconds) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 3);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<long>(code);
}

}  // namespace

bool importRegistryFile(const std::wstring& file) { return runToEnd(L"reg.exe import \"" + file + L"\"", 30000) == 0; }

std::string runAt(unsigned dpi, const std::wstring& probe) {
    LogPixelsOverride scale(dpi);
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring report = std::wstring(folder) + L"vw_dpi_probe_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                          std::to_wstring(dpi) + L".txt";
    DeleteFileW(report.c_str());
    if (runToEnd(L"\"" + probe + L"\" measure \"" + report + L"\"", 60000) < 0)
        return "probe did not start or did not finish in 60 s";
    std::ifstream in(report.c_str());
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    DeleteFileW(report.c_str());
    return text.str();
}

}  // namespace DpiProbe
