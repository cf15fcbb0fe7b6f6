// What Explorer's Properties and the loader see in the shipped DLL: the
// version resource, the GUI subsystem, no debug sections, and the same name
// and version as the header the player shows.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/vis_records.h"
#include "host_test_harness.h"

namespace {

const char kDll[] = VELUNE_RELEASE_DIR "\\vis_velune.dll";

std::vector<char> VersionBlock(const char* path) {
    DWORD ignored = 0;
    const DWORD bytes = GetFileVersionInfoSizeA(path, &ignored);
    std::vector<char> block(bytes);
    if (bytes == 0 || !GetFileVersionInfoA(path, 0, bytes, block.data())) block.clear();
    return block;
}

std::string VersionText(std::vector<char>& block, const char* name) {
    char* text = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || text == nullptr)
        return "(missing)";
    return std::string(text);
}

}  // namespace

TEST(ReleaseVersion, TheDllReadsBackVersion106) {
    std::vector<char> block = VersionBlock(kDll);
    ASSERT_FALSE(block.empty()) << "no version resource: " << GetLastError();

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00060000u);  // .6.0
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00060000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    EXPECT_EQ(VersionText(block, "FileVersion"), "1.06");
    EXPECT_EQ(VersionText(block, "ProductVersion"), "1.06");
    EXPECT_EQ(VersionText(block, "ProductName"), "Velune");
    EXPECT_EQ(VersionText(block, "OriginalFilename"), "vis_velune.dll");
    EXPECT_NE(VersionText(block, "FileDescription").find("Velune"), std::string::npos);
    // The header the player lists is built from the same name and version.
    EXPECT_EQ("Velune v" + VersionText(block, "FileVersion"), std::string(VELUNE_DESCRIPTION));
}

// The installer carries the same name and version as the DLL it installs.
TEST(ReleaseVersion, TheInstallerNamesTheSameVersion) {
    std::vector<char> block = VersionBlock(VELUNE_SETUP_PATH);
    ASSERT_FALSE(block.empty()) << "no version resource in " << VELUNE_SETUP_PATH;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00060000u);
    EXPECT_EQ(VersionText(block, "ProductName"), "Velune");
    EXPECT_EQ(VersionText(block, "ProductVersion"), "1.06");
}

static uint32_t Crc32(const std::string& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A GUI module without debug sections or symbols, whose debug link names the
// debug file beside it with that file's checksum: the PE headers, read from
// the file.
TEST(ReleaseVersion, TheDllIsAStrippedGuiModuleLinkedToItsDebugFile) {
    const std::string data = host_test::ReadFile(kDll);
    ASSERT_GT(data.size(), 1024u);
    auto le32 = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(data[at]) | static_cast<uint8_t>(data[at + 1]) << 8 |
                                     static_cast<uint8_t>(data[at + 2]) << 16 |
                                     static_cast<uint32_t>(static_cast<uint8_t>(data[at + 3])) << 24);
    };
    auto le16 = [&](size_t at) { return static_cast<uint16_t>(le32(at) & 0xFFFF); };
    const size_t pe = le32(0x3C);
    ASSERT_EQ(data.compare(pe, 4, std::string("PE\0\0", 4)), 0);
    const size_t file = pe + 4;
    const size_t optional = file + 20;
    EXPECT_EQ(le16(file + 18) & IMAGE_FILE_DLL, IMAGE_FILE_DLL);
    EXPECT_EQ(le32(file + 12), 0u) << "symbols are left in";
    EXPECT_EQ(le16(optional + 68), IMAGE_SUBSYSTEM_WINDOWS_GUI);

    // Names longer than 8 bytes are "/offset" into the string table that
    // follows the (empty) symbol table.
    const size_t strings = le32(file + 8) + 18 * le32(file + 12);
    const size_t headers = optional + le16(file + 16);
    std::string link;
    for (int i = 0; i < le16(file + 2); ++i) {
        const size_t header = headers + 40 * i;
        std::string name = data.substr(header, 8).c_str();
        if (name[0] == '/') name = data.c_str() + strings + std::atoi(name.c_str() + 1);
        EXPECT_NE(name.compare(0, 6, ".debug"), 0) << name;
        if (name == ".gnu_debuglink") link = data.substr(le32(header + 20), le32(header + 8));
    }
    ASSERT_GE(link.size(), 24u) << "no link to the debug file";
    EXPECT_STREQ(link.c_str(), "vis_velune.dll.debug");
    const std::string debug = host_test::ReadFile(VELUNE_RELEASE_DIR "\\vis_velune.dll.debug");
    ASSERT_GT(debug.size(), data.size()) << "the debug file is missing or holds little";
    const size_t crcAt = link.size() - 4;
    const uint32_t crc = static_cast<uint8_t>(link[crcAt]) | static_cast<uint8_t>(link[crcAt + 1]) << 8 |
                         static_cast<uint8_t>(link[crcAt + 2]) << 16 |
                         static_cast<uint32_t>(static_cast<uint8_t>(link[crcAt + 3])) << 24;
    EXPECT_EQ(crc, Crc32(debug)) << "the debug file is not the one the DLL was stripped of";
}
