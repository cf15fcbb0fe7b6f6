#include "overlay/error_text.h"

#include <cstdio>
#include <cstring>

namespace {
struct ResultName {
    uint32_t result;
    const char* suffix;
};

const ResultName kResultNames[] = {
    {0x80004001u, " - DDERR_UNSUPPORTED"},
    {0x80004005u, " - DDERR_GENERIC"},
    {0x8007000Eu, " - DDERR_OUTOFMEMORY"},
    {0x80070057u, " - DDERR_INVALIDPARAMS"},
    {0x8876005Fu, " - DDERR_INCOMPATIBLEPRIMARY"},
    {0x88760064u, " - DDERR_INVALIDCAPS"},
    {0x88760078u, " - DDERR_INVALIDMODE"},
    {0x88760082u, " - DDERR_INVALIDOBJECT"},
    {0x88760091u, " - DDERR_INVALIDPIXELFORMAT"},
    {0x887600A0u, " - DDERR_LOCKEDSURFACES"},
    {0x887600D4u, " - DDERR_NOCOOPERATIVELEVELSET"},
    {0x887600E1u, " - DDERR_NOEXCLUSIVEMODE"},
    {0x887600E6u, " - DDERR_NOFLIPHW "},
    {0x88760104u, " - DDERR_NOOVERLAYHW"},
    {0x8876017Cu, " - DDERR_OUTOFVIDEOMEMORY"},
    {0x887601C2u, " - DDERR_SURFACELOST"},
    {0x8876021Cu, " - DDERR_WASSTILLDRAWING"},
    {0x88760234u, " - DDERR_PRIMARYSURFACEALREADYEXISTS"},
    {0x88760235u, " - DDERR_NOEMULATION"},
    {0x8876023Au, " - DDERR_HWNDSUBCLASSED"},
    {0x8876023Bu, " - DDERR_HWNDALREADYSET"},
    {0x88760245u, " - DDERR_EXCLUSIVEMODEALREADYSET"},
    {0x8876024Bu, " - DDERR_WRONGMODE"},
    {0x8876024Cu, " - DDERR_IMPLICITLYCREATED"},
    {0x8876024Eu, " - DDERR_UNSUPPORTEDMODE"},
    {0x88760250u, " - DDERR_INVALIDSURFACETYPE"},
    {0x8876026Cu, " - DDERR_DCALREADYCREATED"},
};
}  // namespace

const char* DirectDrawErrorName(uint32_t result) {
    for (const ResultName& entry : kResultNames)
        if (entry.result == result) return entry.suffix;
    return nullptr;
}

bool FormatDirectDrawError(char* out, const char* message, uint32_t result) {
    if (result == kDdErrSurfaceBusy) return false;
    char numbered[32];
    const char* suffix = DirectDrawErrorName(result);
    if (suffix == nullptr) {
        snprintf(numbered, sizeof numbered, " - Result: %08lx\n", static_cast<unsigned long>(result));
        suffix = numbered;
    }
    // The text is bounded by its buffer; an overlong message gives way to the
    // suffix, which names the cause.
    const size_t suffixLength = strlen(suffix);
    const size_t room = kErrorTextBytes - 1 - suffixLength;
    const size_t messageLength = message != nullptr ? strnlen(message, room) : 0;
    if (messageLength > 0) memcpy(out, message, messageLength);
    memcpy(out + messageLength, suffix, suffixLength + 1);
    return true;
}
