#include "engine/static_model.h"

// Stand-ins until the light-mapped drawing, the face list and the lamp halos exist.
void StaticModel::DrawLightmapped() {}
void StaticModel::SortFacesByDistance(const Vec3&) {}
void StaticModel::DrawLampHalos() {}
