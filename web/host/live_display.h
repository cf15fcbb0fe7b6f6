#pragma once
// The display of the browser page when the sound comes from the page itself
// (a song file, the microphone, the built-in tune): owns the frame buffers and
// the Transform like the DLL's Video, and answers the player's queries with
// what the page last told it.
#include "scene/scene_display.h"

class Scene;

class LiveDisplay : public SceneDisplay {
public:
    LiveDisplay(int w, int h);
    ~LiveDisplay() override;

    // Sizes buffers and Transform for a new frame size, keeping the enabled
    // transforms; false when memory runs out.
    bool Resize(Scene& scene, int w, int h);

    int QueryPlayPosition() override { return positionMs; }
    int QueryPlaylistIndex() override { return songIndex; }
    const char* QueryTitle(int index) override { return index == songIndex ? title : nullptr; }

    int positionMs = 0;
    int songIndex = 0;
    char title[256] = {};
};
