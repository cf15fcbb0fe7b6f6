#include "playlist_reader.h"

#include <cmath>

PlaylistReader::PlaylistReader(const std::vector<std::string>& files, const std::vector<audio::Track>& memory,
                               int sampleRate)
    : paths(files), tracks(memory), rate(sampleRate) {}

bool PlaylistReader::Open(double start, std::string* error) {
    const size_t count = paths.empty() ? tracks.size() : paths.size();
    for (size_t i = 0; i < count; ++i) {
        auto song = std::make_unique<SongReader>();
        const bool ok = paths.empty() ? song->OpenMemory(tracks[i], rate, error) : song->OpenFile(paths[i], rate, error);
        if (!ok) {
            if (!paths.empty()) *error = paths[i] + ": " + *error;
            return false;
        }
        titles.push_back(song->Title());
        estimate += song->EstimatedSeconds();
        songs.push_back(std::move(song));
    }
    errors.assign(count, 0);
    // Songs that end before the start are passed over whole; the one it falls in seeks.
    while (current < static_cast<int>(count) - 1 && start >= songs[static_cast<size_t>(current)]->EstimatedSeconds() &&
           songs[static_cast<size_t>(current)]->EstimatedSeconds() > 0.0) {
        start -= songs[static_cast<size_t>(current)]->EstimatedSeconds();
        songs[static_cast<size_t>(current++)].reset();
    }
    estimate = 0.0;
    for (size_t i = static_cast<size_t>(current); i < count; ++i) estimate += songs[i]->EstimatedSeconds();
    estimate = std::max(0.0, estimate - start);
    if (count == 0) return true;
    currentStart = -std::llround(start * rate);
    return songs[static_cast<size_t>(current)]->SkipTo(start, error);
}

bool PlaylistReader::ReadMore(std::vector<int16_t>* out, std::string* error) {
    while (!Ended()) {
        SongReader& song = *songs[static_cast<size_t>(current)];
        const size_t before = out->size();
        if (!song.ReadMore(out, error)) return false;
        emitted += static_cast<int64_t>(out->size() - before) / 2;
        if (!song.Ended()) return true;
        errors[static_cast<size_t>(current)] = song.DecodeErrors();
        songs[static_cast<size_t>(current++)].reset();
        currentStart = emitted;
        if (out->size() > before) return true;
    }
    return true;
}

int64_t PlaylistReader::DecodeErrors() const {
    int64_t n = 0;
    for (size_t i = 0; i < songs.size(); ++i) n += songs[i] ? songs[i]->DecodeErrors() : errors[i];
    return n;
}
