// Writing one map of the sample data set: base/maps/N/map.ms3d, light.ms3d, light.map and
// points/mon.ai, points/prize.ai (the surface pictures are written by WriteMapTextures).
#pragma once

#include <string>

namespace makebase {

bool WriteMap(const std::string& outDir, int map);

}  // namespace makebase
