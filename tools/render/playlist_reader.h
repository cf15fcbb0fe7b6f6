#pragma once
// Songs from files (or generated ones, for an encoder's rate) converted to
// the stream's rate as they are read.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/synth.h"
#include "playlist_source.h"
#include "song_reader.h"

class PlaylistReader : public PlaylistSource {
public:
    // Files, or the tracks in memory when there are no files.
    PlaylistReader(const std::vector<std::string>& paths, const std::vector<audio::Track>& tracks, int rate);

    // Opens every song first, so that a bad one fails before anything is written.
    bool Open(double startSeconds, std::string* error) override;
    bool ReadMore(std::vector<int16_t>* out, std::string* error) override;
    bool Ended() const override { return current >= static_cast<int>(songs.size()); }

    int Songs() const override { return static_cast<int>(songs.size()); }
    const std::string& Title(int song) const override { return titles[static_cast<size_t>(song)]; }
    int Current() const override { return current; }
    int64_t CurrentStart() const override { return currentStart; }
    double EstimatedSeconds() const override { return estimate; }
    int64_t DecodeErrors() const override;

private:
    std::vector<std::string> paths;
    const std::vector<audio::Track>& tracks;
    int rate;
    std::vector<std::unique_ptr<SongReader>> songs;  // released once read
    std::vector<std::string> titles;
    std::vector<int64_t> errors;
    int current = 0;
    int64_t currentStart = 0;
    int64_t emitted = 0;
    double estimate = 0.0;
};
