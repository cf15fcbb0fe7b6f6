#pragma once
// One video per song of a folder. Each song renders in a process of its own:
// the engine keeps renderer state in statics, so songs rendered side by side
// need separate address spaces, and a song that crashes the engine or its
// decoder takes no other song with it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What a song's process reports while it renders; lives in memory shared
// with the batch.
struct SongProgress {
    std::atomic<int64_t> done{0};
    std::atomic<int64_t> total{0};  // 0 until the song is decoded
    std::atomic<int64_t> bytes{0};  // the finished video's size
    std::atomic<int64_t> decodeErrors{0};
};

struct BatchOptions {
    std::string inputDir;
    std::string videoDir;
    std::string extension = ".mp4";
    int jobs = 0;  // songs at once; 0: one per core
    double fps = 30.0;
    bool quiet = false;
    bool progressLines = false;  // --progress
};

// Renders `song` into `video` inside the song's process with `threads`
// encoder threads and returns its exit code; only a finished video may take
// the name `video`.
using SongRenderer = std::function<int(const std::string& song, const std::string& video, int threads,
                                       SongProgress* progress)>;

// The songs of a folder that a batch renders, sorted by name: regular files
// with an audio extension, hidden files left out.
std::vector<std::string> SongsIn(const std::string& folder);
// The video of each song: its name without the extension, and the extension
// kept where two songs would share a video.
std::vector<std::string> VideoNames(const std::vector<std::string>& songs, const std::string& extension);

// Skips songs whose video exists, reports each failure and goes on. Returns
// 0, 1 when a song failed, 130 when interrupted (videos already finished
// stay, the ones in progress are dropped).
int RenderBatch(const BatchOptions& options, const SongRenderer& render);
