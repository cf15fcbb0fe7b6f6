#include "scene/random.h"

#include <ctime>

namespace {
bool needsSeed = true;
uint32_t state = 1;

int NextRand() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}
}  // namespace

int Random(int n) {
    if (needsSeed) {
        state = static_cast<uint32_t>(time(nullptr));
        needsSeed = false;
    }
    return NextRand() % (n + 1);
}

void SeedRandom(uint32_t seed) {
    state = seed;
    needsSeed = false;
}

uint32_t RandomState() { return state; }
