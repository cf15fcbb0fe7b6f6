#pragma once
// Minimal RIFF WAVE files of 16-bit PCM. Mono files are read as stereo with
// both channels equal; other formats are refused with a reason.
#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/pcm.h"

namespace audio {

bool WriteWav(const std::string& path, const Pcm& pcm);
bool ReadWav(const std::string& path, Pcm* pcm, std::string* error);
// The same, from bytes already in memory.
bool ParseWav(const uint8_t* data, size_t size, Pcm* pcm, std::string* error);

}  // namespace audio
