// Fuzzes what the launcher reads from a runtime's files (the `release` file, a library's PE header)
// and the merging of candidates by library path, checking what must always hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "candidate_list.h"
#include "config_values.h"
#include "pe_image.h"
#include "release_file.h"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

void checkRelease(std::string_view bytes) {
    auto version = releaseFileVersion(bytes);
    if (!version) return;
    require(version->count >= 1 && version->count <= 5);
    for (std::uint32_t i = version->count; i < 4; ++i) require(version->parts[i] == 0);
    require(bytes.find("JAVA_VERSION=") != std::string_view::npos);
}

void checkPe(std::string_view bytes) {
    auto machine = PeImage::machine(bytes);
    if (!machine) return;
    require(bytes.size() >= 0x40 && bytes[0] == 'M' && bytes[1] == 'Z');
    require(bytes.find(std::string_view("PE\0\0", 4)) != std::string_view::npos);
}

// Paths as one name whatever their ASCII case; the system's own comparison is not at hand here.
class CaseBlindPaths : public FileProbe {
public:
    bool exists(const std::wstring&) override { return false; }
    std::string readHead(const std::wstring&, std::size_t) override { return std::string(); }
    bool samePath(const std::wstring& a, const std::wstring& b) override {
        return ConfigValues::equalsIgnoringAsciiCase(a, b);
    }
};

// Each line a library path; the list keeps the first of each name, whatever the ASCII case.
void checkMerging(std::string_view bytes) {
    CaseBlindPaths probe;
    std::vector<RuntimeCandidate> list;
    std::vector<std::wstring> paths;
    while (!bytes.empty() && paths.size() < 64) {
        std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        paths.emplace_back(line.begin(), line.end());
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    }
    for (const std::wstring& path : paths) {
        if (findSameLibrary(probe, list, path)) continue;
        RuntimeCandidate candidate;
        candidate.library = path;
        list.push_back(candidate);
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t j = i + 1; j < list.size(); ++j) {
            require(!probe.samePath(list[i].library, list[j].library));
            require(!probe.samePath(list[j].library, list[i].library));
        }
    }
    for (const std::wstring& path : paths) require(findSameLibrary(probe, list, path) != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkRelease(bytes);
    checkPe(bytes);
    checkMerging(bytes);
    return 0;
}
