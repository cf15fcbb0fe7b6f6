#include "transform/transform.h"

// Not generated yet: the map keeps what it holds.
void Transform::GenerateWavySpiral() {}
void Transform::GenerateTranslateAndSpin() {}
void Transform::GenerateFastReverseSpiral() {}
void Transform::GenerateTypo() {}
void Transform::GenerateFlower() {}
