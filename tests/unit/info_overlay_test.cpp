#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "test_display.h"
#include "video/compose.h"
#include "video/info_overlay.h"

namespace {

InfoValues Sample() {
    InfoValues v{};
    v.frameCount = 100;
    v.startTime = 1000;
    v.now = 5000;
    v.width = 640;
    v.height = 480;
    v.displayWidth = 1024;
    v.displayHeight = 768;
    v.displayBitDepth = 16;
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
    v.playPosition = 61 * 60000;
    FormatInfoLines(v, &lines);
    EXPECT_EQ(Line(lines, 5), "Song Playing Time: 61:00");
}

TEST(InfoOverlay, RateIsTenthsOfFramesPerSecondAndNeverGarbage) {
    EXPECT_EQ(FpsTenths(1, 0, 40), 250);
    EXPECT_EQ(FpsTenths(100, 1000, 5000), 250);
    EXPECT_EQ(FpsTenths(7, 0, 1000), 70);
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
    v.now = v.startTime + 3;
    v.frameCount = 1;
    FormatInfoLines(v, &lines);
    EXPECT_EQ(Line(lines, 1), "FPS: 333.3");
}

TEST(InfoOverlay, LongTitlesAndHugeNumbersStayInTheirBuffers) {
    std::string title(600, 'x');
    InfoValues v = Sample();
    v.songTitle = title.c_str();
    v.frameCount = INT_MIN;
    v.width = INT_MIN;
    v.height = INT_MAX;
    v.displayWidth = v.displayHeight = v.displayBitDepth = INT_MIN;
    v.playPosition = INT_MIN;
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

TEST(InfoOverlay, StartsTheClockOnTheFirstFrameAndDrawsFromTheSecond) {
    EXPECT_EQ(NextInfoStep(kCompose565, 0, 0), InfoStep::kNothing);
    EXPECT_EQ(NextInfoStep(kCompose565, 1, 0), InfoStep::kStartClock);
    EXPECT_EQ(NextInfoStep(kCompose32, 1, 1), InfoStep::kDraw);
    EXPECT_EQ(NextInfoStep(kCompose24, 1, 500), InfoStep::kDraw);
    for (int format : {kComposeUyvy, kComposeYuy2}) {
        EXPECT_EQ(NextInfoStep(format, 1, 0), InfoStep::kNothing);
        EXPECT_EQ(NextInfoStep(format, 1, 9), InfoStep::kNothing);
    }
}

namespace {

// Frames, in RGB, on which the message is drawn before it runs out.
int DrawnFrames(TestDisplay& display) {
    int drawn = 0;
    while (TakeMessageFrame(kCompose565, &display.messageFramesLeft)) ++drawn;
    return drawn;
}

}  // namespace

TEST(InfoOverlay, MessageIsDrawnOnTheNext80RgbFramesOnly) {
    TestDisplay display(8, 8, false);
    EXPECT_FALSE(TakeMessageFrame(kCompose32, &display.messageFramesLeft));
    display.SetMessage("Renderer Locked");
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(TakeMessageFrame(kCompose32, &display.messageFramesLeft));
    // On a YUV overlay the message neither shows nor counts down: it waits.
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(TakeMessageFrame(kComposeUyvy, &display.messageFramesLeft));
    EXPECT_EQ(DrawnFrames(display), 70);
    EXPECT_FALSE(TakeMessageFrame(kCompose24, &display.messageFramesLeft));

    // A new message replaces the one shown and restarts the 80 frames.
    display.SetMessage("Transform Locked");
    for (int i = 0; i < 30; ++i) TakeMessageFrame(kCompose555, &display.messageFramesLeft);
    display.SetMessage("Transform Unlocked");
    EXPECT_STREQ(display.messageText, "Transform Unlocked");
    EXPECT_EQ(DrawnFrames(display), 80);
    EXPECT_EQ(display.messageFramesLeft, 0);
}

TEST(InfoOverlay, MessageLengthIsBounded) {
    EXPECT_EQ(MessageLength("Song Title Display On"), 21);
    EXPECT_EQ(MessageLength(""), 0);
    EXPECT_EQ(MessageLength(nullptr), 0);
    std::string longText(400, 'a');
    EXPECT_EQ(MessageLength(longText.c_str()), 255);
    TestDisplay display(8, 8, false);
    display.SetMessage(longText.c_str());
    EXPECT_EQ(MessageLength(display.messageText), 255);
}
