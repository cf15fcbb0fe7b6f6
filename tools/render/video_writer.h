#pragma once
// Encodes the rendered frames and the playlist's sound into one video file.
// The file is written under a temporary name beside the target and renamed
// only by Finish, so a failed run never leaves a half-written file behind and
// an interrupted one that calls Finish still leaves a playable one.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/synth.h"
#include "ffmpeg_util.h"
#include "playlist_reader.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

struct VideoSettings {
    std::string path;        // the container follows the extension
    int width = 640;
    int height = 480;
    int fps = 30;
    std::string videoCodec;  // encoder name; empty: the container's usual one
    std::string audioCodec;  // encoder name; empty: copy the song if it fits, else the usual one
    int crf = -1;            // constant quality, lower is better; -1: the encoder's default
    int bitrateKbps = 0;     // video bit rate instead of constant quality
    std::string preset;      // encoder speed: x264's names, VP9's cpu-used number; empty: ours
    int threads = 0;         // encoder threads; 0: one per core
    int audioBitrateKbps = 0;  // 0: the tool's choice for the encoder
    double start = 0.0;        // seconds into the playlist where the sound begins
};

// The x264 preset a render uses unless told otherwise (see OpenVideo).
extern const char* const kDefaultX264Preset;

class VideoWriter {
public:
    VideoWriter() = default;
    ~VideoWriter();  // removes the temporary file unless Finish succeeded
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // `inputs` are the files the tracks came from (empty for generated audio):
    // a single one whose codec the container takes is copied unchanged.
    bool Open(const VideoSettings& settings, const std::vector<audio::Track>& tracks,
              const std::vector<std::string>& inputs, std::string* error);
    // One frame of 0x00RRGGBB pixels, then the sound up to its end.
    bool WriteFrame(const uint32_t* pixels, std::string* error);
    // WriteFrame in two steps, so that another thread can convert the next
    // frame while this one is encoded: a picture in the encoder's format,
    // filled from our pixels (one thread at a time), then encoded in order.
    ff::Frame NewPicture() const;
    bool ConvertFrame(const uint32_t* pixels, AVFrame* picture, std::string* error);
    bool EncodeFrame(AVFrame* picture, std::string* error);
    // Flushes the encoders (sound cut at the last frame), closes the file and
    // gives it its name.
    bool Finish(std::string* error);
    void Abort();

    int64_t FramesWritten() const { return frames; }
    // e.g. "h264 (libx264) with aac", "vp9 (libvpx-vp9) with opus copied".
    std::string Description() const;
    static std::string TemporaryPath(const std::string& path) { return path + ".part"; }

private:
    bool OpenVideo(const AVCodec* codec, std::string* error);
    bool OpenAudioCopy(const std::string& input, std::string* error);
    bool OpenAudioEncoder(const AVCodec* codec, std::string* error);
    bool PushAudioUntil(double seconds, bool last, std::string* error);
    bool PushCopiedUntil(double seconds, std::string* error);
    bool FeedEncoder(const int16_t* samples, int count, std::string* error);
    bool EncodeAudioFrames(bool drain, std::string* error);
    bool Send(AVCodecContext* encoder, AVStream* stream, const AVFrame* frame, std::string* error);
    bool Write(AVPacket* packet, std::string* error);

    VideoSettings settings;
    std::string temporary;
    AVFormatContext* output = nullptr;
    bool finished = false;

    ff::Codec videoEncoder;
    AVStream* videoStream = nullptr;
    ff::Frame videoFrame;
    ff::Scaler scaler;
    int64_t frames = 0;

    AVStream* audioStream = nullptr;
    // Re-encoding: the playlist read at the encoder's rate, converted to its
    // sample format.
    const std::vector<audio::Track>* tracks = nullptr;
    std::vector<std::string> inputs;
    std::unique_ptr<PlaylistReader> sound;
    std::vector<int16_t> soundBuffer;
    size_t soundUsed = 0;    // sample frames of soundBuffer fed
    int64_t soundFed = 0;    // sample frames fed since the start
    ff::Codec audioEncoder;
    ff::Resampler resampler;
    AVAudioFifo* fifo = nullptr;
    static constexpr int kFeedChunk = 4096;
    static constexpr int kResampledRoom = kFeedChunk + 1024;
    uint8_t** resampled = nullptr;
    ff::Frame audioFrame;
    int64_t audioSamplesEncoded = 0;
    // Copying: packets read straight from the one input file.
    ff::Input copyInput;
    int copyIndex = -1;
    int64_t copyStart = 0;
    ff::Packet pending;
    bool pendingValid = false;
    bool copyEnded = false;
    std::string copiedCodec;

    ff::Packet packet;
};
