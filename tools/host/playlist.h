#pragma once
// The player's playlist and transport: which entry plays, where in it, and
// the player keys that move between entries.
#include <cstdint>
#include <string>
#include <vector>

#include "audio/synth.h"

class Playlist {
public:
    void Add(audio::Track track);
    bool Empty() const { return tracks.empty(); }
    int Count() const { return static_cast<int>(tracks.size()); }

    int Index() const { return index; }
    int PositionMs() const;
    const audio::Track& Current() const { return tracks[static_cast<size_t>(index)]; }
    // The entry's title in the ANSI code page ('?' for what it cannot hold),
    // or null for an index outside the list.
    const char* Title(int entry) const;
    const wchar_t* UnicodeTitle(int entry) const;
    // Gives an entry another title; the tracks' own titles are in the ANSI
    // code page (file names from the command line).
    void Rename(int entry, const std::wstring& title);
    // The sample frame the play position has reached in the current entry.
    size_t CurrentFrame() const;

    // Moves the play position on; at the end of an entry the next one starts
    // (the list repeats). Returns true when another entry began.
    bool Advance(double ms);
    void Next();
    void Previous();
    void Restart();

private:
    double LengthMs() const;

    std::vector<audio::Track> tracks;
    std::vector<std::wstring> unicodeTitles;
    int index = 0;
    double positionMs = 0.0;
};
