#include "candidate_list.h"

#include "config_values.h"

bool sameLibraryPath(const std::wstring& a, const std::wstring& b) { return ConfigValues::equalsIgnoringAsciiCase(a, b); }

const RuntimeCandidate* findSameLibrary(const std::vector<RuntimeCandidate>& list, const std::wstring& library) {
    for (const RuntimeCandidate& candidate : list) {
        if (sameLibraryPath(candidate.library, library)) return &candidate;
    }
    return nullptr;
}
