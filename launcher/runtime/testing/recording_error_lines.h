#pragma once
// Error lines for tests: the English texts of the runtime host's messages, and every line kept in
// order, exactly as the launcher would write it ("Error: %s \n").
#include "error_lines.h"

#include <map>
#include <string>
#include <vector>

class RecordingErrorLines : public ErrorLines {
public:
    std::wstring text(unsigned id) override {
        static const std::map<unsigned, std::wstring> english = {
            {202, L"Windows exception: %s (errno = %d).\n"},
            {203, L"JNI exception: %s\nReason: %s.\n"},
            {208, L"failed to get the module path"},
            {209, L"Java Class Path was not specified in INI file."},
            {211, L"Failed to load Main Class: %s.\n"},
            {212, L"cannot find CreateJavaVM JNI"},
            {213, L"failed to create the Java VM"},
            {215, L"Could not find the main class %s.\n"},
            {216, L"No main method found in specified class.\n"},
            {222, L"Failed to load Java VM library: %s (errno = %d).\n"},
            {225, L"unknown"}, {226, L"thread detached from VM"}, {227, L"JNI version error"},
            {228, L"not enough memory"}, {229, L"VM already created"}, {230, L"invalid arguments"},
            {232, L"The Java program did not stop within %d seconds; the service process is ended."},
            {233, L"failed to set the service's pre-shutdown time-out"},
            {234, L"The Java program's main method ended with an uncaught %s; the service stops with service-specific "
                  L"error %d."},
            {235, L"The Java program's main thread could not detach from the virtual machine; the service stops with "
                  L"service-specific error %d."},
            {236, L"the service could not report that it is stopping, so a stop request was dropped"},
            {237, L"no thread could be started to pass a stop request to Java, so it was dropped"},
            {241, L"%s %s is not used: it is the launcher log, its old copy or a folder."},
            {242, L"The service stopped with service-specific error %d, but its process did not end within %d seconds; it "
                  L"is ended now."},
        };
        auto it = english.find(id);
        return it == english.end() ? std::wstring() : it->second;
    }

    void printMessage(const std::wstring& message) override { lines.push_back(L"Error: " + message + L" \n"); }

    std::vector<std::wstring> lines;
};
