// vw_pe_report <file.exe>: the machine, version resource, icon groups and manifest of a program, as
// lines a script can check (the release archive's test) and a person can read.
#include <cstdio>
#include <string>

#include "pe_image.h"
#include "pe_resource_formats.h"

namespace {

std::string dotted(const std::array<std::uint16_t, 4>& v) {
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." + std::to_string(v[3]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vw_pe_report <program.exe>\n");
        return 2;
    }
    std::string error;
    auto image = Pe::readFile(argv[1], error);
    if (!image) {
        std::fprintf(stderr, "vw_pe_report: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::printf("machine: %s\nformat: %s\n", Pe::machineName(image->machine), image->is64 ? "PE32+" : "PE32");
    for (const Pe::Resource* r : image->ofType(Pe::kTypeVersion)) {
        auto info = Pe::readVersionInfo(r->data);
        if (!info) {
            std::printf("version: unreadable\n");
            continue;
        }
        std::printf("version: file %s product %s\n", dotted(info->fileVersion).c_str(),
                    dotted(info->productVersion).c_str());
        for (const auto& [key, value] : info->strings) std::printf("version %s: %s\n", key.c_str(), value.c_str());
    }
    for (const Pe::Resource* r : image->ofType(Pe::kTypeGroupIcon)) {
        std::printf("icon group %u:", r->id);
        if (auto sizes = Pe::readIconGroupSizes(r->data))
            for (int size : *sizes) std::printf(" %d", size);
        else
            std::printf(" unreadable");
        std::printf("\n");
    }
    for (const Pe::Resource* r : image->ofType(Pe::kTypeManifest))
        std::printf("manifest %u:\n%s\n", r->id, Pe::manifestText(r->data).c_str());
    return 0;
}
