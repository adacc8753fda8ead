#include "candidate_list.h"

RuntimeCandidate* findSameLibrary(FileProbe& probe, std::vector<RuntimeCandidate>& list, const std::wstring& library) {
    for (RuntimeCandidate& candidate : list) {
        if (probe.samePath(candidate.library, library)) return &candidate;
    }
    return nullptr;
}

bool takeMorePreciseVersion(RuntimeCandidate& listed, const RuntimeCandidate& other) {
    if (other.version.count <= listed.version.count) return false;
    listed.version = other.version;
    return true;
}
