#pragma once
// What the display window's thread asks of the display: keys, the panel's
// "Done", focus and mode changes by others, the window's end. The window
// procedure only records them; the next Render carries them out on its own
// thread, so the surfaces never change under a frame being drawn.
#include <atomic>

struct WindowRequests {
    std::atomic<int> modeChange{0};  // enter `mode` at `resolution`
    std::atomic<int> mode{-1};
    std::atomic<int> resolution{-1};
    // Counted, so that a focus lost and found again between two frames is
    // still seen as a loss.
    std::atomic<int> focusLost{0};
    std::atomic<int> focusFound{0};
    std::atomic<int> active{1};
    std::atomic<int> displayChanges{0};
    std::atomic<int> displayBits{0};
    std::atomic<int> displayWidth{0};
    std::atomic<int> displayHeight{0};
    std::atomic<int> windowGone{0};
    // The panel asked for in Full Screen: opened once Windowed is entered.
    std::atomic<int> panelAfterChange{0};
    // The thread of the last Render (Init's before the first): a request
    // made on it is carried out at once, as nothing else draws meanwhile.
    std::atomic<unsigned long> renderThread{0};
    // A scene choice from a key or the panel, packed; 0 for none.
    std::atomic<int> sceneChoice{0};
    // What the Render thread has carried out so far.
    int focusLostSeen = 0;
    int focusFoundSeen = 0;
    int displayChangesSeen = 0;
};
