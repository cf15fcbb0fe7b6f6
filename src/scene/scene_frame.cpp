#include <climits>
#include <cstring>

#include "pixels/frame_ops.h"
#include "scene/scene.h"
#include "transform/transform.h"

int lastPlayPosition = kNoPlayPosition;

void ResetLastPlayPosition() { lastPlayPosition = kNoPlayPosition; }

void Scene::Frame(const uint8_t* spectrum, const uint8_t* waveform) {
    // A new map is generated a few rows per frame and replaces the old one when complete.
    if (video->transform != nullptr) video->transform->ContinueGeneration();
    ApplyTransformOrClear();
    CopyFrameSize();
    if (frameCounter > framesPerScene && framesPerScene != -1) ChooseScene(0, 0);
    ConvertAudio(spectrum, waveform);
    PollHost();
    ZeroGuardRow();
    RunRenderers();
    if (firstFrame != 0) firstFrame = 0;
}

void Scene::ApplyTransformOrClear() {
    const Transform* t = video->transform;
    const int pixels = video->width * video->height;
    if (applyTransform != 0 && t != nullptr && t->pixelCount == pixels) {
        DisplacementJob job;
        job.destination = video->frameBuffer;
        job.source = video->previousFrame;
        job.sourceOffsets = t->sourceOffsets;
        job.weights = t->weights;
        job.pixelCount = pixels;
        job.width = video->width;
        job.noFade = t->noFade != 0;
        ApplyDisplacement(job);
    } else {
        video->ClearFrame(video->frameBuffer);
    }
}

void Scene::CopyFrameSize() {
    frameBuffer = video->frameBuffer;
    width = video->width;
    height = video->height;
    halfWidth = width / 2;
    halfHeight = height / 2;
    maxX = width - 1;
    innerMaxX = width - 2;
    maxY = height - 1;
    innerMaxY = height - 2;
    widthD = width;
    heightD = height;
    halfWidthD = width * 0.5;
    halfHeightD = height * 0.5;
    // A scene that never switches counts for years: wrap to the smallest
    // positive count of the same remainder, so the poll keeps its 30-frame beat.
    frameCounter = frameCounter == INT_MAX ? INT_MAX % 30 + 1 : frameCounter + 1;
}

void Scene::ConvertAudio(const uint8_t* spectrum, const uint8_t* waveform) {
    volumeLeft = volumeRight = volumeMid = 0.0;
    const uint8_t* waveCh1 = waveform + kAudioSamples;
    const uint8_t* spectrumCh1 = spectrum + kAudioSamples;
    for (int i = 0; i < kAudioSamples; ++i) {
        waveLeft[i] = static_cast<double>(waveform[i] ^ 0x80) - 128.0;
        waveRight[i] = static_cast<double>(waveCh1[i] ^ 0x80) - 128.0;
        waveMid[i] = (waveRight[i] + waveLeft[i]) * 0.5;
        spectrumLeft[i] = spectrum[i];
        spectrumRight[i] = spectrumCh1[i];
        spectrumSum[i] = spectrumRight[i] + spectrumLeft[i];
        volumeLeft += waveLeft[i] < 0 ? -waveLeft[i] : waveLeft[i];
        volumeRight += waveRight[i] < 0 ? -waveRight[i] : waveRight[i];
        volumeMid += waveMid[i] < 0 ? -waveMid[i] : waveMid[i];
    }
    volumeLeft *= 0.001736111111111111;
    volumeRight *= 0.001736111111111111;
    volumeMid *= 0.001736111111111111;
}

void Scene::PollHost() {
    if (frameCounter % 30 == 1) playPosition = video->QueryPlayPosition();
    if (playPosition >= lastPlayPosition) {
        if (volumeMid > volumePeak) volumePeak = volumeMid;
    } else {
        volumePeak = 8.0;
        const int index = video->QueryPlaylistIndex();
        const char* title = video->QueryTitle(index);
        // Players that never answer give a null address; long titles are cut to 255.
        if (title == nullptr) title = "";
        const size_t n = strnlen(title, 255);
        memcpy(songTitle, title, n);
        songTitle[n] = '\0';
        if (showSongTitle != 0) video->SetMessage(songTitle);
    }
    lastPlayPosition = playPosition;
}

void Scene::ZeroGuardRow() {
    if (video->previousFrame == nullptr || width <= 0) return;
    memset(video->previousFrame + static_cast<size_t>(height) * width, 0, static_cast<size_t>(width) * 4);
}

void Scene::RunRenderers() {
    if (frameBuffer == nullptr || width <= 0 || height <= 0) return;
    // Index order: with several active, later renderers draw over earlier ones.
    if (activeRenderers[0] != 0) RenderPlainVanillaWaveforms();
    if (activeRenderers[1] != 0) RenderWavyCircle();
    if (activeRenderers[2] != 0) RenderMovingVolumeCircle();
    if (activeRenderers[3] != 0) RenderShiveringLines();
    if (activeRenderers[4] != 0) RenderSpectralSpheres();
    if (activeRenderers[5] != 0) RenderHypnotizer();
    if (activeRenderers[6] != 0) RenderVolumeLines();
    if (activeRenderers[7] != 0) RenderSparkles();
    if (activeRenderers[8] != 0) RenderPaintDrops();
    if (activeRenderers[9] != 0) RenderOrbitingParticlesBeat();
    if (activeRenderers[10] != 0) RenderOrbitingParticlesVolume();
    if (activeRenderers[11] != 0) RenderSnow();
    if (activeRenderers[12] != 0) RenderSpectrumSplash();
    if (activeRenderers[13] != 0) RenderFloatingTriangle();
}
