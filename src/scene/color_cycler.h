#pragma once
#include <cstdint>

// A colour that glides in straight steps toward a target, then picks another;
// a follower derives its targets from its leader's so related colours stay close.
class ColorCycler {
public:
    ColorCycler();
    virtual ~ColorCycler() {}

    void PickTarget(bool random);
    uint32_t Step();
    uint32_t ScaledStep(double factor);
    uint32_t GetColor() const { return color; }
    void SetLeader(ColorCycler* other) { leader = other; }

    double r = 255.0, g = 255.0, b = 255.0;
    double dr = 0.0, dg = 0.0, db = 0.0;
    int targetR = 0, targetG = 0, targetB = 0;
    uint32_t color = 0xFFFFFF;
    ColorCycler* leader = nullptr;
    int stepsLeft = 0;
};
