#include "transform/transform.h"

// Not generated yet: the map keeps what it holds.
void Transform::GenerateUndulatingSlider() {}
void Transform::GenerateDiagonalFade() {}
void Transform::GeneratePlainSineWave() {}
