#include "playlist_clock.h"

#include <cmath>

PlaylistClock::PlaylistClock(const std::vector<audio::Track>& tracks) {
    for (const audio::Track& t : tracks) {
        const int rate = t.pcm.sampleRate > 0 ? t.pcm.sampleRate : audio::kSampleRate;
        sampleCounts.push_back(t.pcm.Frames());
        rates.push_back(rate);
        seconds.push_back(static_cast<double>(t.pcm.Frames()) / rate);
        total += seconds.back();
    }
}

PlaylistPoint PlaylistClock::AtFrame(int64_t frame, double fps) const {
    PlaylistPoint p;
    if (rates.empty() || frame <= 0 || !(fps > 0.0)) return p;
    // Walk in whole samples so a song boundary falls on the same sample a
    // player would reach, whatever the frame rate.
    double t = static_cast<double>(frame) / fps;
    for (size_t i = 0; i < rates.size(); ++i) {
        const double at = std::floor(t * rates[i] + 1e-6);
        p.track = static_cast<int>(i);
        if (at < static_cast<double>(sampleCounts[i]) || i + 1 == rates.size()) {
            p.sample = static_cast<size_t>(at);
            return p;
        }
        t -= seconds[i];
    }
    return p;
}

int64_t PlaylistClock::FramesToCover(double fps) const {
    const int64_t frames = static_cast<int64_t>(std::ceil(total * fps - 1e-9));
    return frames > 0 ? frames : 1;
}
