// The generators' rows built for SSE2 doubles, chosen at run time by CPUID
// (Transform::sse2Rows). In the DLL the rest of the code computes on the x87
// unit at 53-bit precision, which rounds every operation as SSE2 does, so
// both builds give the same maps; only the time differs. Natively this is
// the same code twice.
#include "transform/sliding_rows.h"
#include "transform/spiral_rows.h"
#include "transform/tile_rows.h"
#include "transform/zoom_fold_rows.h"

template void WavySpiralRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void TranslateAndSpinRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void FastReverseSpiralRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void TypoRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void FlowerRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void ParabolicZoomerRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void BubbleRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void FastZoomerRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void KaleidoscopeRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void ColumnTableRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void DiagonalFadeRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void PlainSineWaveRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void FuzzyFadeRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void ShinyTilesRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
template void SpiralTilesRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
