#pragma once
#include <cstdint>

class Transform;

// The seam between the portable scene and the display. The DLL's Video derives
// from it; native tests and tools use a plain subclass that owns its buffers and
// scripts the player's answers.
class SceneDisplay {
public:
    virtual ~SceneDisplay();

    int width = 0;
    int height = 0;
    uint32_t* frameBuffer = nullptr;    // the frame being built
    uint32_t* previousFrame = nullptr;  // the frame presented last
    Transform* transform = nullptr;

    char messageText[256] = {};
    int messageFramesLeft = 0;

    // Copies at most 255 characters; a null text clears the message.
    void SetMessage(const char* text);
    // Zeroes width x height pixels of a buffer, 8 bytes per store.
    void ClearFrame(uint32_t* buffer) const;

    // (height + 1) x width + 1 pixels each, fully zeroed, so the guard row and
    // the one pixel past it never hold garbage.
    void AllocateFrameBuffers(int newWidth, int newHeight);
    void FreeFrameBuffers();
    void SwapFrameBuffers();

    // Player queries; the DLL sends WM_USER messages to the host window.
    virtual int QueryPlayPosition() = 0;
    virtual int QueryPlaylistIndex() = 0;
    virtual const char* QueryTitle(int index) = 0;  // may be null
};

static constexpr int kMessageFrames = 80;

// Number of pixels a frame buffer holds for a frame of the given size.
inline int FrameBufferPixels(int w, int h) { return (h + 1) * w + 1; }
