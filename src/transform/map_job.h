#pragma once
// A map generation split in two: the generator draws its parameters (every
// Random draw, flags included) into a MapJob at once, and the rows are then
// filled into a MapTarget all at once or a few at a time over later frames.
#include <cstddef>
#include <cstdint>

// Instruction sets a generator's rows are compiled for: the x87 unit (the
// DLL's default, for processors without SSE2) and SSE2 doubles. Natively both
// are SSE2. Code templated on them is instantiated once per set, each in the
// unit built for it.
struct IsaX87 {};
struct IsaSse2 {};

// Where rows are written, and the one conversion of a source point into an
// entry that every generator uses.
struct MapTarget {
    int32_t* offsets;
    uint8_t* weights;
    int width;
    int height;

    inline void Set(int n, double sx, double sy) const;
};

struct MapJob;
// Fills rows [firstRow, endRow) in order; rows are always filled in order, so
// a generator may carry state from one row to the next in the job.
using RowFiller = void (*)(MapJob& job, const MapTarget& target, int firstRow, int endRow);

struct MapJob {
    RowFiller fill = nullptr;  // null: nothing to generate
    double p[8] = {};          // the generator's parameters
    int k[4] = {};
    double carried = 0.0;      // running state across pixels (Typo's accumulator)
    const double* columns = nullptr;  // a per-column table the generator filled
    int nextRow = 0;
    uint8_t noFade = 0;
    uint8_t fadeHint = 0;
    uint8_t centreHint = 0;
};

// Truncation toward zero of a value that fits an int. On the x87 unit a plain
// cast switches the rounding mode twice per conversion, which made map
// generation several times slower in the DLL; rounding to nearest with the
// current mode and stepping back gives the same integer.
template <class Isa>
inline int TruncateT(double v) {
#if defined(__i386__) && !defined(__SSE2__)
    int i;
    __asm__("fistl %0" : "=m"(i) : "t"(v));
    if (v >= 0.0) return (i > v) ? i - 1 : i;
    return (i < v) ? i + 1 : i;
#else
    return static_cast<int>(v);
#endif
}

inline int TruncateToInt(double v) { return TruncateT<IsaX87>(v); }

template <class Isa>
inline void SetEntryT(const MapTarget& t, int n, double sx, double sy) {
    const double maxSx = static_cast<double>(t.width - 1);
    const double maxSy = static_cast<double>(t.height - 1);
    // Written so that a NaN coordinate fails every comparison and lands out of range.
    const bool inRange = sx >= 0.0 && sx <= maxSx && sy >= 0.0 && sy <= maxSy;
    uint8_t* w = t.weights + 4 * static_cast<size_t>(n);
    if (!inRange) {
        t.offsets[n] = 0;
        w[0] = w[1] = w[2] = w[3] = 0;
        return;
    }
    const int ix = TruncateT<Isa>(sx);
    const int iy = TruncateT<Isa>(sy);
    t.offsets[n] = 4 * (iy * t.width + ix);
    const double a = (1.0 - sx) + ix;
    const double b = (1.0 - sy) + iy;
    w[0] = static_cast<uint8_t>(TruncateT<Isa>((b * a) * 255.0));
    w[2] = static_cast<uint8_t>(TruncateT<Isa>(((1.0 - b) * a) * 255.0));
    w[1] = static_cast<uint8_t>(TruncateT<Isa>(((1.0 - a) * b) * 255.0));
    w[3] = static_cast<uint8_t>(TruncateT<Isa>(((1.0 - b) * (1.0 - a)) * 255.0));
}

inline void MapTarget::Set(int n, double sx, double sy) const { SetEntryT<IsaX87>(*this, n, sx, sy); }
