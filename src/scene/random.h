#pragma once
#include <cstdint>

// The one random source of the plug-in: the msvcrt generator, reimplemented so
// that the native build and the DLL draw the same sequence for a given seed.
int Random(int n);                 // uniform-ish integer in 0..n inclusive
void SeedRandom(uint32_t seed);    // tests: fixes the sequence and skips clock seeding
uint32_t RandomState();            // tests: lets a caller count draws
