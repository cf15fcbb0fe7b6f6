#pragma once
// The songs of a playlist one after another as one stream of 16-bit stereo
// at one rate, read a piece at a time: decoded from files (PlaylistReader),
// or generated samples already in memory (MemoryPlaylist, which needs no
// FFmpeg and so also serves the browser build).
#include <cstdint>
#include <string>
#include <vector>

class PlaylistSource {
public:
    virtual ~PlaylistSource() = default;
    // Leaves the stream `startSeconds` into the playlist.
    virtual bool Open(double startSeconds, std::string* error) = 0;
    // Appends the next samples; none once the last song has ended.
    virtual bool ReadMore(std::vector<int16_t>* out, std::string* error) = 0;
    virtual bool Ended() const = 0;

    virtual int Songs() const = 0;
    virtual const std::string& Title(int song) const = 0;
    // The song being read and the stream sample where it began (negative
    // when the stream began inside it).
    virtual int Current() const = 0;
    virtual int64_t CurrentStart() const = 0;
    // The playlist's length after the start; from the containers for files.
    virtual double EstimatedSeconds() const = 0;
    virtual int64_t DecodeErrors() const { return 0; }
};
