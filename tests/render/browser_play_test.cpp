// An MP4 made from an Ogg Vorbis song plays in a browser: headless Chromium
// says it can play the codecs inside, and a <video> of it plays to its end
// with its sound decoded.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "audio/synth.h"
#include "ffmpeg_util.h"
#include "media_fixtures.h"

namespace {

// The codecs string a page would give canPlayType for this file, e.g.
// "avc1.64000A, mp4a.40.2".
std::string CodecsOf(const std::string& path) {
    std::string error, codecs;
    const ff::Input in = ff::OpenInput(path, &error);
    for (unsigned i = 0; in && i < in->nb_streams; ++i) {
        const AVCodecParameters* p = in->streams[i]->codecpar;
        char text[32] = "";
        if (p->codec_id == AV_CODEC_ID_H264) std::snprintf(text, sizeof(text), "avc1.%02X00%02X", p->profile, p->level);
        else if (p->codec_id == AV_CODEC_ID_AAC) std::snprintf(text, sizeof(text), "mp4a.40.%d", p->profile + 1);
        else if (p->codec_id == AV_CODEC_ID_MP3) std::snprintf(text, sizeof(text), "mp4a.6B");
        else std::snprintf(text, sizeof(text), "%s", avcodec_get_name(p->codec_id));
        codecs += (codecs.empty() ? "" : ", ") + std::string(text);
    }
    return codecs;
}

std::string PlayInChromium(const std::string& video, const std::string& codecs) {
    const std::string command = "python3 " VELUNE_SOURCE_DIR "/tests/render/play_in_chromium.py '" + video + "' '" +
                                codecs + "' 2>&1";
    std::string output;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return output;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), p)) > 0;) output.append(buffer, n);
    pclose(p);
    return output;
}

long NumberAfter(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\": ");
    return at == std::string::npos ? -1 : std::strtol(json.c_str() + at + key.size() + 4, nullptr, 10);
}

TEST(RenderInBrowser, AnOggSongsMp4PlaysToItsEndWithItsSound) {
    const std::string dir = fixtures::TempFolder("browser");
    ASSERT_TRUE(fixtures::WriteSong(dir + "/song.oga", audio::MakeSong(0, 2.0, 4), "Vorbis Song"));
    const auto r = fixtures::Render({"--input", dir + "/song.oga", "--video", dir + "/v.mp4", "--size", "64x48",
                                     "--fps", "10", "--quiet"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string codecs = CodecsOf(dir + "/v.mp4");
    EXPECT_EQ(codecs.substr(codecs.find(", ")), ", mp4a.40.2");

    const std::string seen = PlayInChromium(dir + "/v.mp4", codecs);
    EXPECT_NE(seen.find("\"canPlay\": \"probably\""), std::string::npos) << seen;
    EXPECT_NE(seen.find("\"error\": null"), std::string::npos) << seen;
    EXPECT_NE(seen.find("\"ended\": true"), std::string::npos) << seen;
    EXPECT_EQ(NumberAfter(seen, "width"), 64) << seen;
    EXPECT_EQ(NumberAfter(seen, "duration"), 2) << seen;
    EXPECT_GT(NumberAfter(seen, "audioBytes"), 10000) << seen;
}

}  // namespace
