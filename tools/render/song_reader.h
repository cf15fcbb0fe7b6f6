#pragma once
// One song read a packet at a time as 16-bit stereo at a chosen rate, so a
// song of hours needs no more memory than one of seconds. Reads a file
// through FFmpeg's libraries, or samples already in memory (generated audio).
#include <cstdint>
#include <string>
#include <vector>

#include "audio/synth.h"
#include "ffmpeg_util.h"

class SongReader {
public:
    SongReader() = default;
    ~SongReader() { av_channel_layout_uninit(&sourceLayout); }
    SongReader(const SongReader&) = delete;
    SongReader& operator=(const SongReader&) = delete;

    // rate 0: the song's own.
    bool OpenFile(const std::string& path, int rate, std::string* error);
    bool OpenMemory(const audio::Track& track, int rate, std::string* error);

    int Rate() const { return rate; }
    int SourceRate() const { return sourceRate; }
    const std::string& Title() const { return title; }
    // From the container, before decoding; 0 when it does not say.
    double EstimatedSeconds() const { return estimate; }

    // Appends the next samples (interleaved stereo) to *out, none once the
    // song has ended; false when *error says why it cannot go on.
    bool ReadMore(std::vector<int16_t>* out, std::string* error);
    bool Ended() const { return ended; }
    // Leaves the next sample at this time into the song: a seek to before
    // it, then decoding up to it.
    bool SkipTo(double seconds, std::string* error);
    // Packets and frames the decoder refused: a damaged file.
    int64_t DecodeErrors() const { return decodeErrors; }

private:
    bool NewResampler(std::string* error);
    bool Convert(const uint8_t* const* in, int count, std::vector<int16_t>* out, std::string* error);
    bool DecodeNext(std::vector<int16_t>* out, std::string* error);

    int rate = 0, sourceRate = 0;
    std::string title;
    double estimate = 0.0;
    int64_t decodeErrors = 0;
    bool ended = false;
    // What comes out is counted, so that a skip can drop samples up to its time.
    int64_t emitted = 0;   // samples at `rate` since the song's start
    int64_t dropUntil = 0;

    const audio::Track* memory = nullptr;
    size_t memoryAt = 0;

    ff::Input input;
    int streamIndex = -1;
    ff::Codec decoder;
    ff::Packet packet;
    ff::Frame frame;
    bool draining = false;
    bool timeKnown = true;  // after a seek: set from the first frame's time
    ff::Resampler resampler;
    AVChannelLayout sourceLayout{};
    AVSampleFormat sourceFormat = AV_SAMPLE_FMT_S16;
};
