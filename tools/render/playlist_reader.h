#pragma once
// The songs of a playlist one after another as one stream of 16-bit stereo
// at one rate, each song converted to it as it is read.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/synth.h"
#include "song_reader.h"

class PlaylistReader {
public:
    // Files, or the tracks in memory when there are no files.
    PlaylistReader(const std::vector<std::string>& paths, const std::vector<audio::Track>& tracks, int rate);

    // Opens every song (so a bad one fails before anything is written), and
    // leaves the stream `startSeconds` into the playlist.
    bool Open(double startSeconds, std::string* error);
    // Appends the next samples; none once the last song has ended.
    bool ReadMore(std::vector<int16_t>* out, std::string* error);
    bool Ended() const { return current >= static_cast<int>(songs.size()); }

    int Rate() const { return rate; }
    int Songs() const { return static_cast<int>(songs.size()); }
    const std::string& Title(int song) const { return titles[static_cast<size_t>(song)]; }
    // The song being read and the stream sample where it began (negative
    // when the stream began inside it).
    int Current() const { return current; }
    int64_t CurrentStart() const { return currentStart; }
    // The playlist's length after the start, from the containers.
    double EstimatedSeconds() const { return estimate; }
    int64_t DecodeErrors() const;

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
