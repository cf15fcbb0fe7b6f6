#include "transform/transform.h"

// Not generated yet: the map keeps what it holds.
void Transform::GenerateParabolicZoomer() {}
void Transform::GenerateBubble() {}
void Transform::GenerateFastZoomer() {}
void Transform::GenerateKaleidoscope() {}
