#include "scene/scene.h"

// Not drawn yet.
void Scene::RenderSpectralSpheres() { applyTransform = 1; }
void Scene::RenderHypnotizer() { applyTransform = 1; }
void Scene::RenderVolumeLines() { applyTransform = 1; }
