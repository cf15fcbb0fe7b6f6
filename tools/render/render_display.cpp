#include "render_display.h"

#include "scene/scene.h"
#include "transform/transform.h"

RenderDisplay::RenderDisplay(int w, int h, const std::vector<audio::Track>& playlist, double framesPerSecond)
    : tracks(playlist), clock(playlist), fps(framesPerSecond) {
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
    at = clock.AtFrame(frame, fps);
    if (tracks.empty()) {
        analyzer.Analyze(nullptr, 0, 0, spectrum, waveform);
        return;
    }
    analyzer.Analyze(tracks[static_cast<size_t>(at.track)].pcm, at.sample, spectrum, waveform);
}

void RenderDisplay::Flip() {
    SwapFrameBuffers();
    if (messageFramesLeft > 0) --messageFramesLeft;
    ++frame;
}

int RenderDisplay::QueryPlayPosition() {
    if (tracks.empty()) return static_cast<int>(frame * 1000 / fps);
    return static_cast<int>(tracks[static_cast<size_t>(at.track)].pcm.MsAtFrame(at.sample));
}

const char* RenderDisplay::QueryTitle(int index) {
    if (index < 0 || index >= static_cast<int>(tracks.size())) return nullptr;
    return tracks[static_cast<size_t>(index)].title.c_str();
}
