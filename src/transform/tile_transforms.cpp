#include "transform/transform.h"

// Not generated yet: the map keeps what it holds.
void Transform::GenerateFuzzyFade() {}
void Transform::GenerateShinyTiles() {}
void Transform::GenerateSpiralTiles() {}
