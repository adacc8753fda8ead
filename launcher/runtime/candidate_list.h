#pragma once
// The registered runtimes found so far. Vendors' installers also write the JavaSoft keys, so one
// runtime can turn up under two roots; it must count once, or the ordering would weigh it twice.
#include <string>
#include <vector>

#include "launch_config.h"
#include "runtime_probe.h"

struct RuntimeCandidate {
    VersionSpec version;  // from the registry subkey name (fill 0), or from the home's `release` file
    std::wstring home;    // always ends in '\'
    bool isServer = false;
    bool preferred = false;
    std::wstring library;  // the jvm.dll the probe found in home
    std::wstring source;   // the registry key (or variable) it came from, for the log
};

// The listed candidate whose library is the same file as `library` (as `probe` compares paths), or nullptr.
RuntimeCandidate* findSameLibrary(FileProbe& probe, std::vector<RuntimeCandidate>& list, const std::wstring& library);

// One runtime seen twice: `listed` keeps its place and takes the version of `other` when that one
// gives more parts (a key named "17" and a vendor key "17.0.9.9"). True when it did.
bool takeMorePreciseVersion(RuntimeCandidate& listed, const RuntimeCandidate& other);
