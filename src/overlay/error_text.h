#pragma once
// The text of a fatal DirectDraw report: the caller's message and the name of
// the result code. Pure text work, so it is tested natively.
#include <cstddef>
#include <cstdint>

constexpr uint32_t kDdErrSurfaceBusy = 0x887601AEu;
constexpr size_t kErrorTextBytes = 256;

// " - DDERR_..." for the 27 codes the report names, else null.
const char* DirectDrawErrorName(uint32_t result);

// Writes message and suffix into out (kErrorTextBytes), cut to fit. Returns
// false, writing nothing, for the busy code, which is never reported.
bool FormatDirectDrawError(char* out, const char* message, uint32_t result);
