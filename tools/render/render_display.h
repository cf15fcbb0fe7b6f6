#pragma once
// The display of the headless renderer: owns the frame buffers and the
// Transform, like the DLL's Video, and answers the player's queries from a
// playlist that it plays at a fixed frame rate, read as the frames need it.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audio/analyzer.h"
#include "audio/synth.h"
#include "playlist_source.h"
#include "scene/scene_display.h"

class Scene;

class RenderDisplay : public SceneDisplay {
public:
    // Generated tracks in memory, at the analyzer's rate.
    RenderDisplay(int w, int h, const std::vector<audio::Track>& playlist, double framesPerSecond);
    // Any playlist read at kRate.
    RenderDisplay(int w, int h, std::unique_ptr<PlaylistSource> playlist, double framesPerSecond);
    ~RenderDisplay() override;

    // Opens the songs and begins `startSeconds` into the playlist (else the
    // first frame opens them from the start).
    bool OpenAudio(double startSeconds, std::string* error);
    // Hooks the transform to the scene's lock and sizes it, as the DLL does
    // when it enters a display mode.
    void Attach(Scene& scene);
    // Whether the playlist still plays at the time of frame `index` (0: the first).
    bool HasAudioAt(int64_t index);
    // Analyzes what has just been heard at this frame's time into the
    // player's layout: the same span of time at every sample rate.
    void NextAudioFrame(unsigned char spectrum[2][576], unsigned char waveform[2][576]);
    // After a frame: what the DLL's Flip does to the buffers, and the clock.
    void Flip();

    int QueryPlayPosition() override;
    int QueryPlaylistIndex() override { return track; }
    const char* QueryTitle(int index) override;

    int64_t FrameIndex() const { return frame; }
    double EstimatedSeconds() const { return sound->EstimatedSeconds(); }
    int64_t DecodeErrors() const { return sound->DecodeErrors(); }
    // Set when a song could not be read on; the frames then see silence.
    const std::string& AudioError() const { return audioError; }

    // The analyzer's rate: every song is heard through it.
    static constexpr int kRate = 44100;

private:
    // Reads until the stream holds the sample before `end` or has ended.
    void ReadUntil(int64_t end);

    std::unique_ptr<PlaylistSource> sound;
    bool opened = false;
    std::string audioError;
    std::vector<int16_t> heard;  // the stream from heardStart on
    int64_t heardStart = 0;
    std::vector<std::pair<int64_t, int>> starts;  // stream sample where each song began
    std::vector<int16_t> window;
    audio::Analyzer analyzer;
    double fps;
    int64_t frame = 0;  // frames shown so far; the next one plays at frame / fps
    int track = 0;
    int64_t trackSample = 0;  // into the song, at kRate
};
