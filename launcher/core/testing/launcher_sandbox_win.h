#pragma once
// VaultwickService.exe in a folder of its own for Wine tests: a copy of the program, an INI file
// beside it and the stand-in jvm.dll as "JRE Path" (paths as Wine sees them, on drive Z:), started
// as child processes with standard output in a file. The stand-in records what the VM was handed.
#include "unique_handle_win.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace LauncherTesting {

constexpr DWORD kFailure = 0xFFFFFFFFu;  // -1 as the system reports it
constexpr DWORD kNoExit = 12345;         // the process could not be started or did not end

inline std::wstring widen(const char* s) { return std::wstring(s, s + std::strlen(s)); }

inline std::wstring backslashes(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

inline std::string narrow(const std::wstring& s) {
    int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

inline std::string slurp(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// The lines that begin with `prefix`, without it.
inline std::vector<std::string> linesOf(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(prefix, 0) == 0) lines.push_back(line.substr(prefix.size()));
    }
    return lines;
}

// Polls `done` every 50 ms for at most `limitMs`: a bound against hangs, not a speed check.
inline bool waitUntil(const std::function<bool()>& done, DWORD limitMs = 60000) {
    for (DWORD waited = 0; waited < limitMs; waited += 50) {
        if (done()) return true;
        Sleep(50);
    }
    return done();
}

struct Outcome {
    DWORD exitCode = kNoExit;
    std::string output;  // standard output and error
};

class Launched {
public:
    Launched() = default;
    Launched(Win::UniqueHandle process, DWORD id, std::wstring outPath)
        : process_(std::move(process)), id_(id), outPath_(std::move(outPath)) {}

    bool started() const { return process_.valid(); }
    DWORD id() const { return id_; }
    bool running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

    // Waits (bounded: a launcher that never ends is cut off and fails) and collects the outcome.
    Outcome finish(DWORD limitMs = 60000) {
        Outcome outcome;
        if (!process_) return outcome;
        if (WaitForSingleObject(process_.get(), limitMs) != WAIT_OBJECT_0) TerminateProcess(process_.get(), kNoExit);
        WaitForSingleObject(process_.get(), 5000);
        GetExitCodeProcess(process_.get(), &outcome.exitCode);
        process_.reset();
        outcome.output = slurp(outPath_);
        return outcome;
    }

    ~Launched() {
        if (running()) TerminateProcess(process_.get(), kNoExit);
    }
    Launched(Launched&&) = default;
    Launched& operator=(Launched&&) = default;

private:
    Win::UniqueHandle process_;
    DWORD id_ = 0;
    std::wstring outPath_;
};

class Sandbox {
public:
    explicit Sandbox(const wchar_t* tag) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        folder = std::wstring(temp) + L"vw-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++counter) + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        exe = folder + L"VaultwickService.exe";
        copied = CopyFileW(backslashes(widen(VW_SERVICE_EXE)).c_str(), exe.c_str(), FALSE) != 0;
        installRuntime(backslashes(widen(VW_STANDIN_JVM)));
        record = folder + L"record.txt";
        // Process ids repeat between Wine sessions, so a folder may hold an earlier run's files.
        for (const wchar_t* name : {L"record.txt", L"out.txt", L"err.txt", L"VaultwickService.ini"})
            DeleteFileW((folder + name).c_str());
    }

    void installRuntime(const std::wstring& dll) {
        for (const wchar_t* sub : {L"jre", L"jre\\bin", L"jre\\bin\\server"})
            CreateDirectoryW((folder + sub).c_str(), nullptr);
        copied = CopyFileW(dll.c_str(), (folder + L"jre\\bin\\server\\jvm.dll").c_str(), FALSE) != 0 && copied;
    }

    // Application keys first, then the runtime section with "JRE Path" and any extra keys.
    void writeIni(const std::string& application, const std::string& runtime, const std::string& classPath) {
        std::ofstream ini((folder + L"VaultwickService.ini").c_str(), std::ios::binary);
        ini << "[Application]\r\n" << application << "[Java Runtime Environment]\r\nJRE Path=" << narrow(folder)
            << "jre\r\n" << runtime << "[Class Path]\r\nClass Path=" << classPath << "\r\n";
    }

    std::string recordOption() const { return "-Dstandin.record=" + narrow(record); }
    std::string recordText() const { return slurp(record); }

    // Started and left running; standard output and error go to `outName` in the folder.
    Launched start(const std::wstring& arguments = L"", const std::wstring& outName = L"stdout.txt",
                   const std::wstring& workingDir = L"") const {
        const std::wstring outPath = folder + outName;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        Win::UniqueFileHandle out(
            CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out.get();
        startup.hStdError = out.get();
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
        PROCESS_INFORMATION process{};
        const std::wstring cwd = workingDir.empty() ? folder : workingDir;
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd.c_str(), &startup,
                            &process))
            return Launched();
        CloseHandle(process.hThread);
        return Launched(Win::UniqueHandle(process.hProcess), process.dwProcessId, outPath);
    }

    // `interact`, when given, runs while the program does (to answer a dialog it shows).
    Outcome run(const std::wstring& arguments = L"", const std::function<void(DWORD processId)>& interact = {}) const {
        Launched launched = start(arguments);
        if (launched.started() && interact) interact(launched.id());
        return launched.finish();
    }

    std::wstring folder, exe, record;
    bool copied = false;
};

}  // namespace LauncherTesting
