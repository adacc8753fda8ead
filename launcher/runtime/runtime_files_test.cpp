// What the launcher reads from a runtime's files: the `release` file's version, a library's PE
// machine, and the candidate list's notion of one library.
#include <gtest/gtest.h>

#include <string>

#include "candidate_list.h"
#include "fake_runtime_seams.h"
#include "pe_header_bytes.h"
#include "pe_image.h"
#include "release_file.h"

namespace {

using VersionParts = std::array<std::uint32_t, 4>;

using LauncherTesting::peHeaderBytes;

}  // namespace

TEST(ReleaseFile, VersionLineOfTodaysAndJava8Runtimes) {
    auto v17 = releaseFileVersion("IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION_DATE=\"2023-10-17\"\n"
                                  "JAVA_VERSION=\"17.0.9\"\nOS_ARCH=\"x86_64\"\n");
    ASSERT_TRUE(v17);
    EXPECT_EQ(v17->parts, (VersionParts{17, 0, 9, 0}));
    EXPECT_EQ(v17->count, 3u);

    // Java 8's form, with Windows line ends; the underscore separates the update number.
    auto v8 = releaseFileVersion("JAVA_VERSION=\"1.8.0_392\"\r\nOS_NAME=\"Windows\"\r\n");
    ASSERT_TRUE(v8);
    EXPECT_EQ(v8->parts, (VersionParts{1, 8, 0, 392}));

    // Unquoted, and a bare feature release.
    EXPECT_EQ(releaseFileVersion("JAVA_VERSION=21")->parts, (VersionParts{21, 0, 0, 0}));
}

TEST(ReleaseFile, NoUsableVersion) {
    EXPECT_FALSE(releaseFileVersion(""));
    EXPECT_FALSE(releaseFileVersion("JAVA_VERSION_DATE=\"2023-10-17\"\n"));  // another key with the same start
    EXPECT_FALSE(releaseFileVersion("JAVA_VERSION=\"\"\n"));
    EXPECT_FALSE(releaseFileVersion("JAVA_VERSION=\"unknown\"\n"));
    EXPECT_FALSE(releaseFileVersion("JAVA_VERSION=\"99999999999\"\n"));  // a part too large
    EXPECT_FALSE(releaseFileVersion("# JAVA_VERSION=\"17\"\n"));
}

TEST(PeImage, MachineFieldOfTheHeader) {
    EXPECT_EQ(PeImage::machine(peHeaderBytes(LauncherTesting::kMachineAmd64)), LauncherTesting::kMachineAmd64);
    EXPECT_EQ(PeImage::machine(peHeaderBytes(LauncherTesting::kMachineI386)), LauncherTesting::kMachineI386);
    EXPECT_EQ(PeImage::machine(peHeaderBytes(0xAA64, 0x40)), 0xAA64);  // header right after the DOS header
}

TEST(PeImage, NotAnImage) {
    EXPECT_FALSE(PeImage::machine(""));
    EXPECT_FALSE(PeImage::machine("MZ"));  // the stand-in files of the folder tests
    std::string head = peHeaderBytes(LauncherTesting::kMachineAmd64);
    EXPECT_FALSE(PeImage::machine(head.substr(0, 0x85)));  // cut inside the machine field
    head[0x81] = 'X';
    EXPECT_FALSE(PeImage::machine(head));                  // no PE signature
    std::string far = peHeaderBytes(LauncherTesting::kMachineAmd64);
    far[0x3C] = '\xF0';
    far[0x3F] = '\x7F';  // header offset far beyond the bytes read
    EXPECT_FALSE(PeImage::machine(far));
}

TEST(CandidateList, OneLibraryAsTheSystemNamesIt) {
    LauncherTesting::FakeFiles files;  // the system makes both spellings one full path
    files.fullPaths[L"C:\\Java\\jdk-17\\.\\bin\\server\\jvm.dll"] = L"C:\\Java\\jdk-17\\bin\\server\\jvm.dll";
    std::vector<RuntimeCandidate> list(2);
    list[0].library = L"C:\\Java\\jdk-17\\bin\\server\\jvm.dll";
    list[1].library = L"C:\\jre8\\bin\\client\\jvm.dll";

    EXPECT_EQ(findSameLibrary(files, list, L"C:\\Java\\jdk-17\\.\\bin\\server\\jvm.dll"), &list[0]);
    EXPECT_EQ(findSameLibrary(files, list, L"C:\\Java\\jdk-17\\bin\\client\\jvm.dll"), nullptr);
    EXPECT_EQ(findSameLibrary(files, list, L"C:\\jre8\\bin\\client\\jvm.dl"), nullptr);
}
