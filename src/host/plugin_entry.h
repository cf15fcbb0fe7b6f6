#pragma once
// What a call from the player sets on its thread and gives back on return:
// the x87 word and the DPI awareness. First line of Init, Render, Quit and
// Config; window and dialog procedures take only PluginPrecision, as the
// system gives them their window's awareness.
#include "host/dpi_awareness.h"
#include "host/x87_precision.h"

class PluginEntry {
    PluginPrecision precision;
    PluginDpiAwareness awareness;
};

// The player's x87 word and awareness, around its code run inside a modal
// loop of ours.
class AsCaller {
    CallerPrecision precision;
    CallerDpiAwareness awareness;
};
