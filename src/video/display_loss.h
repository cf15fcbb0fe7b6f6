#pragma once
// Display loss: surfaces or the exclusive level taken by another program, and
// the rebuild that follows.

#include <windows.h>

// Results that mean the display went to someone else, not that we failed.
bool DisplayTaken(HRESULT result);

struct DisplayLoss {
    int displayLost = 0;
    int rebuildPending = 0;  // rebuild at the next frame (focus back, mode changed)
    int appActive = 1;
    int changing = 0;        // a ChangeRes is running
    int lostFrames = 0;
    int failedRebuilds = 0;  // while in front; a display that never comes back is fatal
    int exclusiveHeld = 0;
};
