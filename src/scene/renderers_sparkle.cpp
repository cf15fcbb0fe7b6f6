#include "scene/scene.h"

// Not drawn yet.
void Scene::RenderSparkles() { applyTransform = 1; }
void Scene::RenderPaintDrops() { applyTransform = 1; }
