// What Explorer's Properties show of the shipped DLL, read through the
// version API, and the same name and version in the header the player lists.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "host/vis_records.h"

namespace {

std::string VersionText(std::vector<char>& block, const char* name) {
    char* text = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || !text) return "?";
    return text;
}

}  // namespace

TEST(ReleaseVersion, TheDllReadsBackVersion106) {
    const char* dll = VELUNE_RELEASE_DIR "\\vis_velune.dll";
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(dll, &ignored));
    ASSERT_FALSE(block.empty()) << "no version resource";
    ASSERT_TRUE(GetFileVersionInfoA(dll, 0, static_cast<DWORD>(block.size()), block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00060000u);  // .6.0
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00060000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    EXPECT_EQ(VersionText(block, "FileVersion"), "1.06");
    EXPECT_EQ(VersionText(block, "ProductVersion"), "1.06");
    EXPECT_EQ(VersionText(block, "ProductName"), "Velune");
    EXPECT_NE(VersionText(block, "FileDescription").find("Velune"), std::string::npos);
    EXPECT_EQ("Velune v" + VersionText(block, "FileVersion"), std::string(VELUNE_DESCRIPTION));
}
