#pragma once
// What the scene benchmarks share: a display that owns 640x480 frames and
// four seconds of loud generated music, analyzed once as the player would.
#include <vector>

#include "audio/analyzer.h"
#include "audio/synth.h"
#include "scene/scene_display.h"
#include "transform/transform.h"

constexpr int kWidth = 640, kHeight = 480;
constexpr int kAudioFrames = 120;

class BenchDisplay : public SceneDisplay {
public:
    BenchDisplay() { AllocateFrameBuffers(kWidth, kHeight); }
    ~BenchDisplay() override { delete transform; }
    int QueryPlayPosition() override { return position += 33; }
    int QueryPlaylistIndex() override { return 0; }
    const char* QueryTitle(int) override { return "Bench"; }
    int position = 0;
};

struct AudioFrame {
    unsigned char spectrum[2][576];
    unsigned char waveform[2][576];
};

inline const std::vector<AudioFrame>& LoudAudio() {
    static std::vector<AudioFrame> frames = [] {
        audio::Pcm song = audio::MakeSong(0, 4.0, 1);
        audio::Pcm beats;
        audio::AppendBeats(beats, 4.0, 128.0, 0.9, 0.0, 2);
        audio::MixInto(song, beats, 0);
        audio::Analyzer analyzer;
        std::vector<AudioFrame> out(kAudioFrames);
        for (int i = 0; i < kAudioFrames; ++i)
            analyzer.Analyze(song, static_cast<size_t>(i) * 1470, out[i].spectrum, out[i].waveform);
        return out;
    }();
    return frames;
}
