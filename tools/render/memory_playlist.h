#pragma once
// Generated songs, all at the analyzer's rate, played from memory.
#include <vector>

#include "audio/synth.h"
#include "playlist_source.h"

class MemoryPlaylist : public PlaylistSource {
public:
    explicit MemoryPlaylist(const std::vector<audio::Track>& tracks) : tracks(tracks) {}

    bool Open(double startSeconds, std::string* error) override;
    bool ReadMore(std::vector<int16_t>* out, std::string* error) override;
    bool Ended() const override { return current >= Songs(); }
    int Songs() const override { return static_cast<int>(tracks.size()); }
    const std::string& Title(int song) const override { return tracks[static_cast<size_t>(song)].title; }
    int Current() const override { return current; }
    int64_t CurrentStart() const override { return currentStart; }
    double EstimatedSeconds() const override { return estimate; }

private:
    const std::vector<audio::Track>& tracks;
    int current = 0;
    size_t at = 0;  // next sample frame of the current song
    int64_t currentStart = 0;
    int64_t emitted = 0;
    double estimate = 0.0;
};
