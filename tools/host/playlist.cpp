#include "playlist.h"

#include <utility>

void Playlist::Add(audio::Track track) { tracks.push_back(std::move(track)); }

int Playlist::PositionMs() const { return static_cast<int>(positionMs); }

const char* Playlist::Title(int entry) const {
    if (entry < 0 || entry >= Count()) return nullptr;
    return tracks[static_cast<size_t>(entry)].title.c_str();
}

size_t Playlist::CurrentFrame() const {
    if (Empty()) return 0;
    return Current().pcm.FrameAtMs(static_cast<int64_t>(positionMs));
}

double Playlist::LengthMs() const {
    const audio::Pcm& pcm = Current().pcm;
    return pcm.sampleRate > 0 ? static_cast<double>(pcm.Frames()) * 1000.0 / pcm.sampleRate : 0.0;
}

bool Playlist::Advance(double ms) {
    if (Empty() || !(ms > 0.0)) return false;
    positionMs += ms;
    if (positionMs < LengthMs()) return false;
    Next();
    return true;
}

void Playlist::Next() {
    if (Empty()) return;
    index = (index + 1) % Count();
    positionMs = 0.0;
}

void Playlist::Previous() {
    if (Empty()) return;
    index = (index + Count() - 1) % Count();
    positionMs = 0.0;
}

void Playlist::Restart() { positionMs = 0.0; }
