#pragma once
#include <cstdint>
#include <string>

// Writes width x height pixels of 0x00RRGGBB as an 8-bit RGB PNG.
bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height);
