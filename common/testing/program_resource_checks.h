#pragma once
// Checks a built Vaultwick program's resources against what every program must carry: the version
// resource from the project's version, the manifest and drawn icons in every size.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pe_image.h"
#include "pe_resource_formats.h"
#include "vw_version.h"

namespace ProgramResourceChecks {

// The sizes the programs' own icons are drawn in (the tray's images have more).
inline const std::vector<int> kIconSizes = {16, 20, 24, 32, 40, 48};

inline std::vector<std::uint8_t> fileBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A test of one built program: its bytes and its parsed image, read before each case.
class ProgramImageTest : public ::testing::Test {
protected:
    explicit ProgramImageTest(const char* path) : path_(path) {}
    void SetUp() override {
        file_ = fileBytes(path_);
        ASSERT_FALSE(file_.empty()) << "cannot read " << path_;
        std::string error;
        auto image = Pe::read(file_, error);
        ASSERT_TRUE(image.has_value()) << error;
        image_ = *image;
    }
    const char* path_;
    std::vector<std::uint8_t> file_;
    Pe::Image image_;
};

inline std::uint16_t expectedMachine() { return sizeof(void*) == 8 ? Pe::kMachineAmd64 : Pe::kMachineI386; }

inline void expectVersion(const Pe::Image& image, const std::string& description, const std::string& fileName) {
    const Pe::Resource* resource = image.find(Pe::kTypeVersion, 1);
    ASSERT_NE(resource, nullptr) << "no version resource";
    auto info = Pe::readVersionInfo(resource->data);
    ASSERT_TRUE(info.has_value()) << "version resource unreadable";
    std::array<std::uint16_t, 4> version = {VW_VERSION_MAJOR, VW_VERSION_MINOR, VW_VERSION_PATCH, VW_VERSION_BUILD};
    EXPECT_EQ(info->fileVersion, version);
    EXPECT_EQ(info->productVersion, version);
    EXPECT_EQ(info->fileType, 1u);  // VFT_APP
    EXPECT_EQ(info->strings["CompanyName"], "Vaultwick");
    EXPECT_EQ(info->strings["ProductName"], "Vaultwick");
    EXPECT_EQ(info->strings["FileDescription"], description);
    EXPECT_EQ(info->strings["OriginalFilename"], fileName);
    EXPECT_EQ(info->strings["FileVersion"], VW_VERSION_TEXT);
    EXPECT_EQ(info->strings["ProductVersion"], VW_VERSION_TEXT);
    EXPECT_EQ(info->strings["LegalCopyright"], VW_COPYRIGHT);
}

// The manifest Windows reads at process creation (id 1), with what both programs declare.
inline std::string expectCommonManifest(const Pe::Image& image) {
    const Pe::Resource* resource = image.find(Pe::kTypeManifest, 1);
    if (resource == nullptr) {
        ADD_FAILURE() << "no manifest with id 1";
        return {};
    }
    std::string text = Pe::manifestText(resource->data);
    for (const char* part : {"level=\"asInvoker\"", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"})
        EXPECT_NE(text.find(part), std::string::npos) << "manifest lacks " << part;
    EXPECT_EQ(text.find("activeCodePage"), std::string::npos) << "texts must stay UTF-16";
    // Nothing may tie the program to one processor: the tray also builds for x86_64.
    for (std::size_t at = text.find("processorArchitecture="); at != std::string::npos;
         at = text.find("processorArchitecture=", at + 1))
        EXPECT_EQ(text.compare(at, 25, "processorArchitecture=\"*\""), 0);
    return text;
}

// The group lists each of `expected` once, and each image it points at is drawn at that size.
inline void expectIconSizes(const Pe::Image& image, std::uint32_t groupId, const std::vector<int>& expected = kIconSizes) {
    const Pe::Resource* group = image.find(Pe::kTypeGroupIcon, groupId);
    ASSERT_NE(group, nullptr) << "no icon group " << groupId;
    auto sizes = Pe::readIconGroupSizes(group->data);
    ASSERT_TRUE(sizes.has_value());
    std::vector<int> sorted = *sizes;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, expected) << "icon group " << groupId;
    for (std::size_t i = 0; i < sizes->size(); ++i) {
        std::uint16_t imageId = static_cast<std::uint16_t>(group->data[6 + i * 14 + 12] | (group->data[6 + i * 14 + 13] << 8));
        const Pe::Resource* icon = image.find(Pe::kTypeIcon, imageId);
        ASSERT_NE(icon, nullptr) << "icon group " << groupId << " names a missing image " << imageId;
        ASSERT_GE(icon->data.size(), 12u);
        ASSERT_GE(icon->data.size(), 40u);
        static const std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        if (std::equal(std::begin(kPng), std::end(kPng), icon->data.begin())) {
            // A PNG image (large sizes): its header chunk names the width, big-endian.
            auto width = (icon->data[16] << 24) | (icon->data[17] << 16) | (icon->data[18] << 8) | icon->data[19];
            EXPECT_EQ(width, (*sizes)[i]) << "icon group " << groupId << " image " << imageId << " (PNG)";
            continue;
        }
        auto field = [&](std::size_t at) { return icon->data[at] | (icon->data[at + 1] << 8); };
        int width = field(4), bits = field(14), paletteUsed = field(32);  // BITMAPINFOHEADER
        EXPECT_EQ(width, (*sizes)[i]) << "icon group " << groupId << " image " << imageId;
        // Colour rows and mask rows each end on a 4-byte boundary: a shorter image is drawn skewed.
        std::size_t colours = bits <= 8 ? (paletteUsed ? paletteUsed : 1u << bits) : 0;
        std::size_t colourRow = (width * bits + 31) / 32 * 4, maskRow = (width + 31) / 32 * 4;
        EXPECT_EQ(icon->data.size(), 40 + colours * 4 + (colourRow + maskRow) * width)
            << "icon group " << groupId << " image " << imageId << " (" << width << " px, " << bits << " bits)";
    }
}

// A cut-off copy of the program either is refused or reads the same resources: never half of them.
inline void expectTruncationsRefusedOrWhole(const std::vector<std::uint8_t>& file, const Pe::Image& whole) {
    std::size_t step = file.size() / 997 + 1;
    for (std::size_t length = 0; length < file.size(); length += step) {
        std::vector<std::uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        std::string error;
        auto image = Pe::read(cut, error);
        if (!image) continue;
        ASSERT_EQ(image->resources.size(), whole.resources.size()) << "cut at " << length;
        for (std::size_t i = 0; i < whole.resources.size(); ++i)
            ASSERT_EQ(image->resources[i].data, whole.resources[i].data) << "cut at " << length;
    }
}

}  // namespace ProgramResourceChecks
