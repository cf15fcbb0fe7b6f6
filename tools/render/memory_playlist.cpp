#include "memory_playlist.h"

#include <cmath>

bool MemoryPlaylist::Open(double start, std::string*) {
    for (const audio::Track& t : tracks) estimate += static_cast<double>(t.pcm.Frames()) / t.pcm.sampleRate;
    estimate = std::max(0.0, estimate - start);
    auto frames = [&](int i) { return tracks[static_cast<size_t>(i)].pcm.Frames(); };
    size_t skip = static_cast<size_t>(std::llround(std::max(0.0, start) * (tracks.empty() ? 1 : tracks[0].pcm.sampleRate)));
    while (current + 1 < Songs() && skip >= frames(current)) skip -= frames(current++);
    at = skip;
    currentStart = -static_cast<int64_t>(skip);
    return true;
}

bool MemoryPlaylist::ReadMore(std::vector<int16_t>* out, std::string*) {
    constexpr size_t kChunk = 4096;
    while (!Ended()) {
        const audio::Pcm& pcm = tracks[static_cast<size_t>(current)].pcm;
        if (at < pcm.Frames()) {
            const size_t n = std::min(kChunk, pcm.Frames() - at);
            out->insert(out->end(), pcm.samples.begin() + static_cast<std::ptrdiff_t>(2 * at),
                        pcm.samples.begin() + static_cast<std::ptrdiff_t>(2 * (at + n)));
            at += n;
            emitted += static_cast<int64_t>(n);
            return true;
        }
        ++current;
        at = 0;
        currentStart = emitted;
    }
    return true;
}
