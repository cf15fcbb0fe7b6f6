// What players read besides the pictures and sound: the song's tags and
// cover, the colour tags, the MP4 index ahead of the media (so a browser
// starts before the download ends), and the sound's bit rate.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "audio/synth.h"
#include "ffmpeg_util.h"
#include "media_fixtures.h"
#include "png_writer.h"

namespace {

std::string Tag(const AVFormatContext* in, const char* key) {
    const AVDictionaryEntry* e = av_dict_get(in->metadata, key, nullptr, 0);
    return e != nullptr ? e->value : "";
}

TEST(RenderMetadata, TheVideoCarriesTheSongsTagsCoverColoursAndAnIndexUpFront) {
    const std::string dir = fixtures::TempFolder("metadata");
    const std::vector<uint32_t> red(16, 0x00FF0000);
    ASSERT_TRUE(WritePng(dir + "/cover.png", red.data(), 4, 4));
    ASSERT_TRUE(fixtures::WriteSong(dir + "/song.mp3", audio::MakeSong(0, 1.0, 1), "A Title", "An Artist",
                                    dir + "/cover.png"));
    const std::string video = dir + "/v.mp4";
    const auto r = fixtures::Render({"--input", dir + "/song.mp3", "--video", video, "--size", "64x48", "--fps", "10",
                                     "--quiet", "--acodec", "aac", "--audio-bitrate", "96"});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    std::string error;
    const ff::Input in = ff::OpenInput(video, &error);
    ASSERT_TRUE(in) << error;
    EXPECT_EQ(Tag(in.get(), "title"), "A Title");
    EXPECT_EQ(Tag(in.get(), "artist"), "An Artist");
    int covers = 0;
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        const AVStream* s = in->streams[i];
        const AVCodecParameters* p = s->codecpar;
        if (s->disposition & AV_DISPOSITION_ATTACHED_PIC) {
            ++covers;
            EXPECT_EQ(p->codec_id, AV_CODEC_ID_PNG);
            EXPECT_GT(s->attached_pic.size, 50);
        } else if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            EXPECT_EQ(p->color_space, AVCOL_SPC_SMPTE170M);
            EXPECT_EQ(p->color_primaries, AVCOL_PRI_BT709);
            EXPECT_EQ(p->color_trc, AVCOL_TRC_BT709);
            EXPECT_EQ(p->color_range, AVCOL_RANGE_MPEG);
        } else {
            EXPECT_NEAR(p->bit_rate, 96000, 12000);
        }
    }
    EXPECT_EQ(covers, 1);

    std::ifstream f(video, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
}

}  // namespace
