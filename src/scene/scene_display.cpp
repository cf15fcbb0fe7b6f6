#include "scene/scene_display.h"

#include <cstdlib>
#include <cstring>

#include "pixels/frame_ops.h"

SceneDisplay::~SceneDisplay() { FreeFrameBuffers(); }

void SceneDisplay::SetMessage(const char* text) {
    if (text == nullptr) text = "";
    size_t n = strnlen(text, sizeof(messageText) - 1);
    memcpy(messageText, text, n);
    messageText[n] = '\0';
    messageFramesLeft = kMessageFrames;
}

void SceneDisplay::ClearFrame(uint32_t* buffer) const { ClearPixels(buffer, width * height); }

void SceneDisplay::AllocateFrameBuffers(int newWidth, int newHeight) {
    FreeFrameBuffers();
    width = newWidth;
    height = newHeight;
    size_t pixels = static_cast<size_t>(FrameBufferPixels(newWidth, newHeight));
    // 8-byte alignment so two-pixel stores never split a cache line needlessly.
    frameBuffer = static_cast<uint32_t*>(calloc(pixels + 1, sizeof(uint32_t)));
    previousFrame = static_cast<uint32_t*>(calloc(pixels + 1, sizeof(uint32_t)));
}

void SceneDisplay::FreeFrameBuffers() {
    free(frameBuffer);
    free(previousFrame);
    frameBuffer = nullptr;
    previousFrame = nullptr;
}

void SceneDisplay::SwapFrameBuffers() {
    uint32_t* t = frameBuffer;
    frameBuffer = previousFrame;
    previousFrame = t;
}
