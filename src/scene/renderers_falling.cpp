#include "scene/scene.h"

// Not drawn yet.
void Scene::RenderSnow() { applyTransform = 1; }
void Scene::RenderSpectrumSplash() { applyTransform = 1; }
