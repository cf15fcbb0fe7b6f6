#pragma once
// Where the picture goes in a window of any size: as large as fits, its
// aspect ratio kept, centred, the rest left black.
struct PictureRect {
    int x, y, w, h;
};

inline PictureRect FitPicture(int outW, int outH, int frameW, int frameH) {
    if (outW <= 0 || outH <= 0 || frameW <= 0 || frameH <= 0) return PictureRect{0, 0, 0, 0};
    // Compare outW / outH with frameW / frameH without rounding.
    const long long wide = static_cast<long long>(outW) * frameH, tall = static_cast<long long>(outH) * frameW;
    int w = outW, h = outH;
    if (wide > tall) {
        w = static_cast<int>(tall / frameH);  // bars left and right
    } else {
        h = static_cast<int>(wide / frameW);  // bars above and below
    }
    return PictureRect{(outW - w) / 2, (outH - h) / 2, w, h};
}
