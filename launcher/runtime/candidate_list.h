#pragma once
// The registered runtimes found so far. Vendors' installers also write the JavaSoft keys, so one
// runtime can turn up under two roots; it must count once, or the ordering would weigh it twice.
#include <string>
#include <vector>

#include "launch_config.h"

struct RuntimeCandidate {
    VersionSpec version;  // from the registry subkey name (fill 0), or from the home's `release` file
    std::wstring home;    // always ends in '\'
    bool isServer = false;
    bool preferred = false;
    std::wstring library;  // the jvm.dll the probe found in home
    std::wstring source;   // the registry key (or variable) it came from, for the log
};

// Whether two library paths name the same file: Windows compares names without ASCII case.
bool sameLibraryPath(const std::wstring& a, const std::wstring& b);

// The listed candidate with the same library, or nullptr.
const RuntimeCandidate* findSameLibrary(const std::vector<RuntimeCandidate>& list, const std::wstring& library);
