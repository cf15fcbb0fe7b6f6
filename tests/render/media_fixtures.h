#pragma once
// Test helpers: songs written by FFmpeg's own encoders, a look inside the
// videos velune-render writes, and a way to run the tool.
#include <cstdint>
#include <string>
#include <vector>

#include "audio/pcm.h"

namespace fixtures {

// Writes the PCM as an audio file; the extension picks the format
// (.wav, .flac, .mp3, .ogg (Opus), .oga (Vorbis), .m4a (AAC), .mkv (FLAC)).
// An empty title or artist writes no tag; a PNG file goes in as the cover.
bool WriteSong(const std::string& path, const audio::Pcm& pcm, const std::string& title,
               const std::string& artist = "", const std::string& coverPng = "");

struct StreamInfo {
    std::string codec;     // "" when the stream is missing
    double seconds = 0.0;  // from the first to the end of the last packet
    int64_t packets = 0;
};
struct VideoInfo {
    bool opened = false;
    int width = 0, height = 0;
    StreamInfo video, audio;
};
VideoInfo Probe(const std::string& path);

// Every frame of the video stream as 0x00RRGGBB pixels.
std::vector<std::vector<uint32_t>> DecodeFrames(const std::string& path);
std::vector<uint32_t> ReadPngPixels(const std::string& path, int* width, int* height);

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};
// Runs velune-render with these arguments and waits for it.
RunResult Render(const std::vector<std::string>& args);
// Starts it without waiting; returns the process id.
int StartRender(const std::vector<std::string>& args, const std::string& errPath);

// A fresh empty folder under the temporary directory.
std::string TempFolder(const std::string& name);
bool FileExists(const std::string& path);
long FileSize(const std::string& path);

}  // namespace fixtures
