#pragma once
// Where the launcher tells the administrator what it did: one line per event. The start-up and the
// Java threads write to it; an implementation must take whole lines from any thread. The null log
// lets code that can run without a log (tests, a start without "Log File") skip the checks.
#include <string>

class LaunchLog {
public:
    virtual ~LaunchLog() = default;
    virtual void write(const std::wstring& text) = 0;

    // A log that drops every line.
    static LaunchLog& none();
};

class NullLaunchLog : public LaunchLog {
public:
    void write(const std::wstring&) override {}
};

inline LaunchLog& LaunchLog::none() {
    static NullLaunchLog log;
    return log;
}
