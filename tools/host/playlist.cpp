#include "playlist.h"

#include <windows.h>

#include <utility>

void Playlist::Add(audio::Track track) {
    std::wstring wide(track.title.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, track.title.data(), static_cast<int>(track.title.size()), &wide[0],
                                      static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    unicodeTitles.push_back(wide);
    tracks.push_back(std::move(track));
}

void Playlist::Rename(int entry, const std::wstring& title) {
    if (entry < 0 || entry >= Count()) return;
    unicodeTitles[static_cast<size_t>(entry)] = title;
    std::string ansi(title.size() * 2, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, title.data(), static_cast<int>(title.size()), &ansi[0],
                                      static_cast<int>(ansi.size()), nullptr, nullptr);
    ansi.resize(n > 0 ? static_cast<size_t>(n) : 0);
    tracks[static_cast<size_t>(entry)].title = ansi;
}

const wchar_t* Playlist::UnicodeTitle(int entry) const {
    if (entry < 0 || entry >= Count()) return nullptr;
    return unicodeTitles[static_cast<size_t>(entry)].c_str();
}

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
