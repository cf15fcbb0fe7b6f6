#pragma once
// Reads any audio file FFmpeg's libraries decode into the 16-bit stereo PCM
// that the analyzer takes, at the file's own sample rate, as a player would
// play it.
#include <string>

#include "audio/synth.h"

// Fills the track's samples and its title: the file's title tag, else its
// name without folder and extension. On failure says why in *error.
bool DecodeAudioFile(const std::string& path, audio::Track* track, std::string* error);

// The file name a playlist shows when a file has no title tag.
std::string TitleFromFileName(const std::string& path);
