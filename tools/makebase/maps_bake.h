// The light-map baker of the generated maps: lamp light with inverse-square falloff over a floor
// of ambient light, shadows cast with rays through the map's own collision model.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/formats/ms3d_file.h"
#include "tools/makebase/maps_builder.h"

class CollisionModel3D;

namespace makebase {

// A finalised collision model holding every triangle of `model`, for casting rays through a map.
std::unique_ptr<CollisionModel3D> MakeCollisionModel(const Ms3dData& model);

// Ambient light of every texel, 0..255.
inline constexpr float kAmbientLight = 40.0f;
// Distance falloff: a lamp's light is divided by max(1, kFalloff x distance^2).
inline constexpr float kFalloff = 0.005f;
// Texel value of a lamp of intensity 1 at distance 0, facing the surface.
inline constexpr float kLampScale = 200.0f;

// Bakes one 16 x 16 light map per triangle of `model`, in the game's triangle numbering (group by
// group, each group's triangle list in order), at most kLightMapCapacity of them.
std::vector<uint8_t> BakeLightMaps(const Ms3dData& model, const std::vector<MapLamp>& lamps, int threads);

}  // namespace makebase
