#pragma once
// The display of the headless renderer: owns the frame buffers and the
// Transform, like the DLL's Video, and answers the player's queries from a
// playlist that it plays at a fixed frame rate.
#include <string>
#include <vector>

#include "audio/analyzer.h"
#include "audio/synth.h"
#include "playlist_clock.h"
#include "scene/scene_display.h"

class Scene;

class RenderDisplay : public SceneDisplay {
public:
    RenderDisplay(int w, int h, const std::vector<audio::Track>& playlist, double framesPerSecond);
    ~RenderDisplay() override;

    // Hooks the transform to the scene's lock and sizes it, as the DLL does
    // when it enters a display mode.
    void Attach(Scene& scene);
    // Analyzes the audio at this frame's time into the player's layout.
    void NextAudioFrame(unsigned char spectrum[2][576], unsigned char waveform[2][576]);
    // After a frame: what the DLL's Flip does to the buffers, and the clock.
    void Flip();

    int QueryPlayPosition() override;
    int QueryPlaylistIndex() override { return at.track; }
    const char* QueryTitle(int index) override;

    int64_t FrameIndex() const { return frame; }

private:
    const std::vector<audio::Track>& tracks;
    PlaylistClock clock;
    audio::Analyzer analyzer;
    double fps;
    int64_t frame = 0;  // frames shown so far; the next one plays at frame / fps
    PlaylistPoint at;
};
