#include "scene/scene.h"

// Not drawn yet.
void Scene::RenderOrbitingParticlesBeat() { applyTransform = 1; }
void Scene::RenderOrbitingParticlesVolume() { applyTransform = 1; }
void Scene::RenderFloatingTriangle() { applyTransform = 1; }
