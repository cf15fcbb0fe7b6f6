#pragma once
// Conversion of the finished 32-bit frame into the display's pixel format.
// Pure pixel work, no DirectDraw: the DLL's Video::Compose locks the surface
// and calls ComposeFrame; tests compare the MMX path with the reference.
#include <cstdint>

enum ComposeFormat {
    kCompose32 = 0,    // 32-bit RGB
    kCompose24 = 1,    // 24-bit RGB
    kCompose565 = 2,   // 16-bit RGB 5-6-5
    kCompose555 = 3,   // 16-bit RGB 5-5-5
    kComposeUyvy = 4,  // YUV 4:2:2 U Y0 V Y1
    kComposeYuy2 = 5,  // YUV 4:2:2 Y0 U Y1 V
};

struct ComposeJob {
    const uint32_t* frame;  // width x height pixels 0x00RRGGBB
    int width;
    int height;
    uint8_t* target;        // locked surface memory
    int pitch;              // bytes between target rows (RGB formats)
    int format;             // ComposeFormat; others convert nothing
};

void ComposeReference(const ComposeJob& job);
void ComposeMmx(const ComposeJob& job);
// The path the DLL uses.
inline void ComposeFrame(const ComposeJob& job) { ComposeMmx(job); }
