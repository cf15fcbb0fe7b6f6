#include "render_display.h"

#include "scene/scene.h"
#include "transform/transform.h"

RenderDisplay::RenderDisplay(int w, int h, std::vector<audio::Track> playlist, double framesPerSecond)
    : tracks(std::move(playlist)) {
    if (tracks.empty()) tracks.push_back(audio::Track{"Silence", audio::Pcm{}});
    samplesPerFrame = tracks[0].pcm.sampleRate / framesPerSecond;
    AllocateFrameBuffers(w, h);
}

RenderDisplay::~RenderDisplay() { delete transform; }

void RenderDisplay::Attach(Scene& scene) {
    delete transform;
    transform = new Transform();
    transform->lockedTransform = &scene.lockedTransform;
    transform->Init(width, height);
}

void RenderDisplay::NextAudioFrame(unsigned char spectrum[2][576], unsigned char waveform[2][576]) {
    analyzer.Analyze(tracks[track].pcm, trackFrame, spectrum, waveform);
}

void RenderDisplay::Flip() {
    SwapFrameBuffers();
    if (messageFramesLeft > 0) --messageFramesLeft;
    trackFrame += static_cast<size_t>(samplesPerFrame);
    if (trackFrame >= tracks[track].pcm.Frames()) {
        // The next song starts from its beginning; the list repeats.
        trackFrame = 0;
        track = (track + 1) % static_cast<int>(tracks.size());
    }
}

int RenderDisplay::QueryPlayPosition() { return static_cast<int>(tracks[track].pcm.MsAtFrame(trackFrame)); }

const char* RenderDisplay::QueryTitle(int index) {
    if (index < 0 || index >= static_cast<int>(tracks.size())) return nullptr;
    return tracks[index].title.c_str();
}
