#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/formats/binary_io.h"
#include "engine/formats/lightmap_file.h"
#include "engine/formats/ms3d_file.h"
#include "tools/makebase/makebase.h"
#include "tools/makebase/maps_bake.h"
#include "tools/makebase/maps_builder.h"
#include "tools/makebase/maps_layouts.h"
#include "tools/makebase/maps_points.h"
#include "tools/makebase/maps_textures.h"
#include "tools/makebase/maps_write.h"

namespace makebase {

namespace {

// Faces the player sees are cut into cells of this size, so that every 16 x 16 light map covers
// a small patch.
constexpr float kCellSize = 14.0f;
constexpr int kSpawnPoints = 20;
constexpr int kPrizePoints = 12;
constexpr int kBakeThreads = 4;

}  // namespace

bool WriteMap(const std::string& outDir, int map) {
  MapBuilder b(kCellSize);
  const Vec3 start = BuildMapLayout(map, b);
  const Ms3dData model = b.BuildModel();
  const Ms3dData lamps = b.BuildLampModel();
  if (static_cast<int>(model.triangles.size()) > kLightMapCapacity) {
    std::fprintf(stderr, "makebase: map %d has %zu triangles\n", map, model.triangles.size());
    return false;
  }
  const std::string dir = outDir + "/base/maps/" + std::to_string(map);
  if (!MakeDirectories(dir + "/points")) return false;
  if (!SaveMs3dFile(dir + "/map.ms3d", model) || !SaveMs3dFile(dir + "/light.ms3d", lamps)) return false;

  MapPoints points;
  if (!ChooseMapPoints(model, start, kSpawnPoints, kPrizePoints, points)) {
    std::fprintf(stderr, "makebase: map %d has too little reachable floor\n", map);
    return false;
  }
  if (!WriteWholeFile(dir + "/points/mon.ai", SerializePointTable(points.spawns)) ||
      !WriteWholeFile(dir + "/points/prize.ai", SerializePointTable(points.prizes))) {
    return false;
  }
  const std::vector<uint8_t> maps = BakeLightMaps(model, b.Lamps(), kBakeThreads);
  if (std::getenv("MAKEBASE_VERBOSE")) {
    std::printf("map %d: %zu triangles, %zu lamps, %d reachable cells\n", map, model.triangles.size(),
                b.Lamps().size(), points.reachableCells);
  }
  return WriteWholeFile(dir + "/light.map",
                        EncodeLightMap(maps.data(), static_cast<int>(maps.size() / kLightMapBytes)));
}

bool WriteMaps(const std::string& outDir) {
  if (!WriteMapTextures(outDir)) return false;
  for (int map = 1; map <= kMapCount; ++map) {
    if (!WriteMap(outDir, map)) return false;
  }
  return true;
}

}  // namespace makebase
