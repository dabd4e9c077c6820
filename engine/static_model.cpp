#include "engine/static_model.h"

// Stand-ins until static models exist.
void StaticModel::DrawLightmapped() {}
void StaticModel::SortFacesByDistance(const Vec3&) {}
void StaticModel::DrawLampHalos() {}
