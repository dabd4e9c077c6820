#include "tools/makebase/makebase.h"
#include "tools/makebase/models_mesh.h"

namespace makebase {

// The static models that are not maps: view weapons, pick-ups and the bandits' hit meshes.
bool WriteModels(const std::string& outDir) {
  return WriteViewWeapons(outDir) && WritePickups(outDir) && WriteBanditHitMeshes(outDir);
}

}  // namespace makebase
