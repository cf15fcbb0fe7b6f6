#pragma once
// The Scene: per-frame step, scene choice, drawing primitives and the fourteen
// renderers. Renderer bodies live in one file per family:
//   renderers_waveform.cpp   0-3   Plain-Vanilla Waveforms, Wavy Circle,
//                                   Moving Volume Cicle, Shivering Lines
//   renderers_circle.cpp     4-6   Spectral Spheres, Hypnotizer, Volume Lines
//   renderers_sparkle.cpp    7-8   Sparkles, Paint Drops
//   renderers_attractor.cpp  9,10,13 Orbiting Particles (Beat, Volume), Floating Triangle
//   renderers_falling.cpp    11-12 Snow, Spectrum Splash
#include <cstdint>

#include "scene/scene_display.h"

class ColorCycler;
class Transform;

constexpr int kAudioSamples = 576;
constexpr int kRendererCount = 14;
// Before the first poll any real position counts as a new song.
constexpr int kNoPlayPosition = 99999999;

class Scene {
public:
    explicit Scene(SceneDisplay* display);
    virtual ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // --- frame step (scene_frame.cpp)
    void Frame(const uint8_t* spectrum, const uint8_t* waveform);

    // --- scene choice (scene_choice.cpp)
    void Start() { ChooseScene(0, 0); }
    void ChooseScene(int rendererMode, int transformMode);
    int GetCurrentRenderer() const;
    int GetEnabledMask() const;
    int GetAllEnabledMask() const;
    void SetEnabledMask(int mask);

    // --- drawing primitives (draw_primitives.cpp)
    void PutPixel(double x, double y, uint32_t colour);
    void PlotPixel(double x, double y, uint32_t colour, bool orMode);
    void DrawLine(double x1, double y1, double x2, double y2, uint32_t colour, bool orMode);
    void DrawCircle(double cx, double cy, double radius, uint32_t colour, bool orMode);
    void DrawBurst(double cx, double cy, double radius, int rays, int depth, const ColorCycler& source);

    // --- renderers, by index
    void RenderPlainVanillaWaveforms();    // 0
    void RenderWavyCircle();               // 1
    void RenderMovingVolumeCircle();       // 2
    void RenderShiveringLines();           // 3
    void RenderSpectralSpheres();          // 4
    void RenderHypnotizer();               // 5
    void RenderVolumeLines();              // 6
    void RenderSparkles();                 // 7
    void RenderPaintDrops();               // 8
    void RenderOrbitingParticlesBeat();    // 9
    void RenderOrbitingParticlesVolume();  // 10
    void RenderSnow();                     // 11
    void RenderSpectrumSplash();           // 12
    void RenderFloatingTriangle();         // 13

    // The transform whose flags the renderers read and adjust; may be null.
    Transform* CurrentTransform() const { return video != nullptr ? video->transform : nullptr; }

    // Fields, in the order the rest of the plug-in knows them.
    SceneDisplay* video;
    int frameCounter = 0;
    int framesPerScene = 500;
    int minFramesPerScene = 100;
    int maxFramesPerScene = 2000;
    int rendererCount = kRendererCount;
    double spectrumLeft[kAudioSamples] = {};
    double spectrumRight[kAudioSamples] = {};
    double spectrumSum[kAudioSamples] = {};
    double waveLeft[kAudioSamples] = {};
    double waveRight[kAudioSamples] = {};
    double waveMid[kAudioSamples] = {};
    double volumeLeft = 0.0;
    double volumeRight = 0.0;
    double volumeMid = 0.0;
    double volumePeak = 0.0;
    int playPosition = 0;
    char* songTitle;            // 256 bytes
    int lockedRenderer = -1;
    int lockedTransform = -1;
    char rendererNames[kRendererCount][256];
    int firstFrame = 1;
    int applyTransform = 0;
    int* activeRenderers;       // kRendererCount
    int showSongTitle = 1;
    int* enabledRenderers;      // rendererCount
    int width = 0, height = 0;
    int halfWidth = 0, halfHeight = 0;
    double widthD = 0, heightD = 0;
    double halfWidthD = 0, halfHeightD = 0;
    int maxX = 0, innerMaxX = 0;
    int maxY = 0, innerMaxY = 0;
    uint32_t* frameBuffer = nullptr;

private:
    void ApplyTransformOrClear();
    void CopyFrameSize();
    void ConvertAudio(const uint8_t* spectrum, const uint8_t* waveform);
    void PollHost();
    void ZeroGuardRow();
    void RunRenderers();
};

extern const char* const kRendererNames[kRendererCount];

// The play position seen on the previous poll. It belongs to the process, not
// to a Scene: after Quit and Init with the song still playing, the new Scene
// sees no position going back, so it fetches no title.
extern int lastPlayPosition;
// Tests: back to the value of a freshly loaded plug-in.
void ResetLastPlayPosition();

// Set by the DLL while the configuration panel exists; the portable core
// calls it after a scene or transform change so the panel shows the new names.
extern void (*refreshConfigPanel)();

uint32_t ScaleColor(double factor, uint32_t colour);
