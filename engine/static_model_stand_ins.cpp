#include "engine/static_model.h"

// Stand-ins for the members the frame calls, until the light-mapped drawing, the face list and
// the lamp halos exist (light_map.cpp and map_queries.cpp replace the first two).
void StaticModel::DrawLightmapped() {}
void StaticModel::SortFacesByDistance(const Vec3&) {}
void StaticModel::DrawLampHalos() {}
