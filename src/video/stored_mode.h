#pragma once
// What the settings file keeps of the display mode beyond its two indexes.

struct StoredMode {
    // "Resolution": the size and depth that requestedResolution stands for,
    // looked up in the lists when they are made (they change with drivers and
    // monitors); 0 when none is stored.
    int requestedWidth = 0;
    int requestedHeight = 0;
    int requestedBits = 0;
    // The last display mode and resolution entered successfully: what is saved.
    int workingDisplayMode = -1;
    int workingResolution = -1;
};
