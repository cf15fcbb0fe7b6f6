#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "overlay/error_text.h"

namespace {
std::string Format(const char* message, uint32_t result) {
    char out[kErrorTextBytes];
    memset(out, 'x', sizeof out);
    EXPECT_TRUE(FormatDirectDrawError(out, message, result));
    EXPECT_LT(strlen(out), kErrorTextBytes);
    return out;
}
}  // namespace

TEST(VideoErrorText, NamesEveryCodeOfTheTable) {
    const struct {
        uint32_t code;
        const char* name;
    } table[] = {
        {0x80004001u, "DDERR_UNSUPPORTED"}, {0x80004005u, "DDERR_GENERIC"},
        {0x8007000Eu, "DDERR_OUTOFMEMORY"}, {0x80070057u, "DDERR_INVALIDPARAMS"},
        {0x8876005Fu, "DDERR_INCOMPATIBLEPRIMARY"}, {0x88760064u, "DDERR_INVALIDCAPS"},
        {0x88760078u, "DDERR_INVALIDMODE"}, {0x88760082u, "DDERR_INVALIDOBJECT"},
        {0x88760091u, "DDERR_INVALIDPIXELFORMAT"}, {0x887600A0u, "DDERR_LOCKEDSURFACES"},
        {0x887600D4u, "DDERR_NOCOOPERATIVELEVELSET"}, {0x887600E1u, "DDERR_NOEXCLUSIVEMODE"},
        {0x887600E6u, "DDERR_NOFLIPHW "}, {0x88760104u, "DDERR_NOOVERLAYHW"},
        {0x8876017Cu, "DDERR_OUTOFVIDEOMEMORY"}, {0x887601C2u, "DDERR_SURFACELOST"},
        {0x8876021Cu, "DDERR_WASSTILLDRAWING"}, {0x88760234u, "DDERR_PRIMARYSURFACEALREADYEXISTS"},
        {0x88760235u, "DDERR_NOEMULATION"}, {0x8876023Au, "DDERR_HWNDSUBCLASSED"},
        {0x8876023Bu, "DDERR_HWNDALREADYSET"}, {0x88760245u, "DDERR_EXCLUSIVEMODEALREADYSET"},
        {0x8876024Bu, "DDERR_WRONGMODE"}, {0x8876024Cu, "DDERR_IMPLICITLYCREATED"},
        {0x8876024Eu, "DDERR_UNSUPPORTEDMODE"}, {0x88760250u, "DDERR_INVALIDSURFACETYPE"},
        {0x8876026Cu, "DDERR_DCALREADYCREATED"},
    };
    for (const auto& entry : table)
        EXPECT_EQ(Format("Op failed", entry.code), std::string("Op failed - ") + entry.name) << std::hex << entry.code;
}

TEST(VideoErrorText, UnknownCodesShowEightLowerCaseDigitsAndALineBreak) {
    EXPECT_EQ(Format("Error changing resolution", 0x88760096u), "Error changing resolution - Result: 88760096\n");
    EXPECT_EQ(Format("X", 0x0000ABCDu), "X - Result: 0000abcd\n");
    EXPECT_EQ(Format("X", 0u), "X - Result: 00000000\n");
}

TEST(VideoErrorText, BusySurfaceIsNeverReported) {
    char out[kErrorTextBytes] = "untouched";
    EXPECT_FALSE(FormatDirectDrawError(out, "Video::Compose, failed to lock compose surface", 0x887601AEu));
    EXPECT_STREQ(out, "untouched");
}

TEST(VideoErrorText, LongMessagesAreCutAndKeepTheCodesName) {
    std::string longMessage(1000, 'm');
    std::string text = Format(longMessage.c_str(), 0x887601C2u);
    EXPECT_EQ(text.size(), kErrorTextBytes - 1);
    EXPECT_EQ(text.substr(text.size() - 20), " - DDERR_SURFACELOST");
    std::string numbered = Format(longMessage.c_str(), 0x12345678u);
    EXPECT_EQ(numbered.size(), kErrorTextBytes - 1);
    EXPECT_EQ(numbered.substr(numbered.size() - 20), " - Result: 12345678\n");
    EXPECT_EQ(Format(nullptr, 0x80004005u), " - DDERR_GENERIC");
}
