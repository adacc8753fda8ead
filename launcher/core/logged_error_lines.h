#pragma once
// Error lines that also go to the launcher log, and are kept, so that a service whose start-up
// failed can report the same text to the event log.
#include <mutex>
#include <string>
#include <vector>

#include "error_lines.h"
#include "launch_log.h"

class LoggedErrorLines : public ErrorLines {
public:
    LoggedErrorLines(ErrorLines& console, LaunchLog& log) : console_(console), log_(log) {}

    std::wstring text(unsigned id) override { return console_.text(id); }
    void printMessage(const std::wstring& message) override {
        // The log first: standard output may block.
        log_.write(L"Error: " + message);
        console_.printMessage(message);
        std::lock_guard<std::mutex> hold(lock_);
        printed_.push_back(message);
    }

    // Every message printed so far, one per line.
    std::wstring printedText() {
        std::lock_guard<std::mutex> hold(lock_);
        std::wstring all;
        for (const std::wstring& message : printed_) {
            if (!all.empty() && all.back() != L'\n') all += L'\n';
            all += message;
        }
        return all;
    }

private:
    ErrorLines& console_;
    LaunchLog& log_;
    std::mutex lock_;
    std::vector<std::wstring> printed_;
};
