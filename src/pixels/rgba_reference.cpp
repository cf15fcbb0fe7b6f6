#include "pixels/rgba.h"

void ConvertToRgbaReference(const uint32_t* frame, uint8_t* rgba, int pixelCount) {
    for (int i = 0; i < pixelCount; ++i) {
        const uint32_t p = frame[i];
        rgba[4 * i] = static_cast<uint8_t>(p >> 16);
        rgba[4 * i + 1] = static_cast<uint8_t>(p >> 8);
        rgba[4 * i + 2] = static_cast<uint8_t>(p);
        rgba[4 * i + 3] = 255;
    }
}
