#include "render_display.h"

#include <algorithm>
#include <cmath>

#include "memory_playlist.h"
#include "scene/scene.h"
#include "transform/transform.h"

namespace {

// Samples of the past kept beyond the window, so that trimming is rare.
constexpr int64_t kSlack = 16384;

}  // namespace

RenderDisplay::RenderDisplay(int w, int h, const std::vector<audio::Track>& playlist, double framesPerSecond)
    : RenderDisplay(w, h, std::make_unique<MemoryPlaylist>(playlist), framesPerSecond) {}

RenderDisplay::RenderDisplay(int w, int h, std::unique_ptr<PlaylistSource> playlist, double framesPerSecond)
    : sound(std::move(playlist)), window(2 * audio::kFftSize), fps(framesPerSecond) {
    AllocateFrameBuffers(w, h);
}

RenderDisplay::~RenderDisplay() { delete transform; }

bool RenderDisplay::OpenAudio(double startSeconds, std::string* error) {
    opened = true;
    if (!sound->Open(startSeconds, error)) return false;
    starts.emplace_back(sound->CurrentStart(), sound->Current());
    return true;
}

void RenderDisplay::Attach(Scene& scene) {
    delete transform;
    transform = new Transform();
    transform->lockedTransform = &scene.lockedTransform;
    transform->Init(width, height);
}

void RenderDisplay::ReadUntil(int64_t end) {
    if (!opened && !OpenAudio(0.0, &audioError)) return;
    while (heardStart + static_cast<int64_t>(heard.size() / 2) < end && !sound->Ended() && audioError.empty()) {
        if (!sound->ReadMore(&heard, &audioError)) break;
        if (!sound->Ended() && sound->Current() != starts.back().second)
            starts.emplace_back(sound->CurrentStart(), sound->Current());
    }
}

bool RenderDisplay::HasAudioAt(int64_t index) {
    const int64_t sample = static_cast<int64_t>(std::floor(static_cast<double>(index) / fps * kRate + 1e-6));
    ReadUntil(sample + 1);
    return heardStart + static_cast<int64_t>(heard.size() / 2) > sample;
}

void RenderDisplay::NextAudioFrame(unsigned char spectrum[2][576], unsigned char waveform[2][576]) {
    // A frame shows what was heard up to its time, as a player's would.
    const int64_t end = static_cast<int64_t>(std::floor(static_cast<double>(frame) / fps * kRate + 1e-6));
    ReadUntil(end);
    const int64_t first = end - audio::kFftSize;
    const int64_t have = static_cast<int64_t>(heard.size() / 2);
    for (int64_t i = 0; i < audio::kFftSize; ++i) {
        const int64_t at = first + i - heardStart;
        const bool inside = at >= 0 && at < have;
        window[static_cast<size_t>(2 * i)] = inside ? heard[static_cast<size_t>(2 * at)] : 0;
        window[static_cast<size_t>(2 * i + 1)] = inside ? heard[static_cast<size_t>(2 * at + 1)] : 0;
    }
    analyzer.Analyze(window.data(), audio::kFftSize, 0, spectrum, waveform);
    const int from = audio::kFftSize - audio::kVisSamples;
    for (int i = 0; i < audio::kVisSamples; ++i) {
        waveform[0][i] = audio::WaveByte(window[static_cast<size_t>(2 * (from + i))]);
        waveform[1][i] = audio::WaveByte(window[static_cast<size_t>(2 * (from + i) + 1)]);
    }
    if (first - heardStart > kSlack) {
        const int64_t drop = first - heardStart;
        heard.erase(heard.begin(), heard.begin() + static_cast<std::ptrdiff_t>(2 * drop));
        heardStart += drop;
    }
    for (const auto& s : starts) {
        if (s.first > end && s != starts.front()) break;
        track = s.second;
        trackSample = end - s.first;
    }
}

void RenderDisplay::Flip() {
    SwapFrameBuffers();
    if (messageFramesLeft > 0) --messageFramesLeft;
    ++frame;
}

int RenderDisplay::QueryPlayPosition() {
    if (sound->Songs() == 0) return static_cast<int>(static_cast<double>(frame) * 1000 / fps);
    return static_cast<int>(trackSample * 1000 / kRate);
}

const char* RenderDisplay::QueryTitle(int index) {
    if (index < 0 || index >= sound->Songs()) return nullptr;
    return sound->Title(index).c_str();
}
