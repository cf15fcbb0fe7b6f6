#include "live_display.h"

#include "scene/scene.h"
#include "transform/transform.h"

LiveDisplay::LiveDisplay(int w, int h) { AllocateFrameBuffers(w, h); }

LiveDisplay::~LiveDisplay() { delete transform; }

bool LiveDisplay::Resize(Scene& scene, int w, int h) {
    int mask = -1;
    if (transform != nullptr) mask = transform->GetEnabledMask();
    delete transform;
    transform = nullptr;
    FreeFrameBuffers();
    AllocateFrameBuffers(w, h);
    if (frameBuffer == nullptr || previousFrame == nullptr) return false;
    transform = new Transform();
    transform->lockedTransform = &scene.lockedTransform;
    if (mask >= 0) transform->SetEnabledMask(mask);
    return transform->Init(width, height);
}
