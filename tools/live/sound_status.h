#pragma once
// The line velune-live writes over the picture when the sound is missing.
#include <cstddef>
#include <cstdint>

#include "pulse_capture.h"

// Capturing without any sound for this long is worth a word on the picture.
constexpr uint32_t kQuietLineMs = 3000;

// The line for this state, or false when all is well.
bool SoundStatusLine(const CaptureStatus& status, uint32_t quietMs, char* out, size_t size);
