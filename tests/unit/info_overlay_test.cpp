// The information overlay's lines and the transient message's timing.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "overlay/info_overlay.h"
#include "pixels/compose.h"
#include "test_display.h"

namespace {

InfoValues Sample() {
    InfoValues v{};
    v.frameCount = 100;
    v.startTime = 1000;
    v.now = 5000;
    v.width = 640, v.height = 480;
    v.displayWidth = 1024, v.displayHeight = 768, v.displayBitDepth = 16;
    v.songTitle = "1. Artist - Song";
    v.playPosition = 125000;
    return v;
}

std::string Line(const InfoLines& lines, int i) {
    EXPECT_EQ(static_cast<size_t>(lines.length[i]), strlen(lines.text[i]));
    return lines.text[i];
}

}  // namespace

TEST(InfoOverlay, FormatsTheSixLines) {
    InfoLines lines;
    FormatInfoLines(Sample(), &lines);
    EXPECT_EQ(Line(lines, 0), "Frame Count: 100");
    EXPECT_EQ(Line(lines, 1), "FPS: 25.0");
    EXPECT_EQ(Line(lines, 2), "Screen Size: 640 x 480");
    EXPECT_EQ(Line(lines, 3), "Display Size: 1024 x 768 x 16");
    EXPECT_EQ(Line(lines, 4), "Song Info: 1. Artist - Song");
    EXPECT_EQ(Line(lines, 5), "Song Playing Time:  2:05");

    InfoValues v = Sample();
    v.playPosition = 59999;
    v.songTitle = nullptr;
    FormatInfoLines(v, &lines);
    EXPECT_EQ(Line(lines, 4), "Song Info: ");
    EXPECT_EQ(Line(lines, 5), "Song Playing Time:  0:59");
    EXPECT_EQ(Line(lines, 6), "") << "no way of presenting given, no seventh line";

    v.presentPath = "GDI behind the icons";
    FormatInfoLines(v, &lines);
    EXPECT_EQ(Line(lines, 6), "Presented by: GDI behind the icons");
}

TEST(InfoOverlay, RateIsTenthsOfFramesPerSecondAndNeverGarbage) {
    EXPECT_EQ(FpsTenths(100, 1000, 5000), 250);
    EXPECT_EQ(FpsTenths(2, 0, 3), 6666);  // truncated, not rounded
    // The clock wrapped between start and now.
    EXPECT_EQ(FpsTenths(10, 0xFFFFFFF0u, 0x10), 3125);
    // No millisecond passed: 0.0, not whatever a division by zero converts to.
    EXPECT_EQ(FpsTenths(5, 1234, 1234), 0);
    EXPECT_EQ(FpsTenths(5, 2000, 1000), 0);
    EXPECT_EQ(FpsTenths(INT_MAX, 0, 1), INT_MAX);
    InfoValues v = Sample();
    v.now = v.startTime;
    InfoLines lines;
    FormatInfoLines(v, &lines);
    EXPECT_EQ(Line(lines, 1), "FPS: 0.0");
}

TEST(InfoOverlay, LongTitlesAndHugeNumbersStayInTheirBuffers) {
    std::string title(600, 'x');
    InfoValues v = Sample();
    v.songTitle = title.c_str();
    v.frameCount = v.width = v.displayWidth = v.displayHeight = v.displayBitDepth = v.playPosition = INT_MIN;
    v.height = INT_MAX;
    InfoLines lines;
    FormatInfoLines(v, &lines);
    EXPECT_EQ(Line(lines, 4), "Song Info: " + std::string(255, 'x'));
    // A full title buffer without its terminator is read no further than 255.
    char unterminated[256];
    memset(unterminated, 'y', sizeof unterminated);
    v.songTitle = unterminated;
    FormatInfoLines(v, &lines);
    EXPECT_EQ(Line(lines, 4), "Song Info: " + std::string(255, 'y'));
    for (int i = 0; i < kInfoLineCount; ++i) EXPECT_LT(lines.length[i], kInfoLineBytes);
    EXPECT_EQ(Line(lines, 1), "FPS: 0.0");
}

TEST(InfoOverlay, MessageShowsOnTheNext80RgbFramesAndItsLengthIsBounded) {
    TestDisplay display(8, 8, false);
    int* framesLeft = &display.messageFramesLeft;
    EXPECT_FALSE(TakeMessageFrame(kCompose32, framesLeft));
    display.SetMessage("Renderer Locked");
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(TakeMessageFrame(kCompose32, framesLeft));
    // On a YUV overlay the message neither shows nor counts down: it waits.
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(TakeMessageFrame(kComposeUyvy, framesLeft));
    int drawn = 0;
    while (TakeMessageFrame(kCompose565, framesLeft)) ++drawn;
    EXPECT_EQ(drawn, 70);

    const std::string longText(400, 'a');
    display.SetMessage(longText.c_str());
    EXPECT_EQ(MessageLength(display.messageText), 255);
    EXPECT_EQ(MessageLength(longText.c_str()), 255);
    EXPECT_EQ(MessageLength(nullptr), 0);
}
