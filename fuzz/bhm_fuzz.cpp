// The character part reader on arbitrary bytes: never a crash, and what it accepts writes back
// into a file it accepts again with the same meshes and tags.
#include <cstdint>
#include <cstdlib>

#include "engine/formats/bhm_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ModelPart part;
  if (!ParseBhm(data, size, part)) return 0;
  if (part.tags.size() != static_cast<size_t>(part.numOfFrames) * part.numOfTags) std::abort();
  for (const MeshObject& m : part.objects) {
    if (m.vertices.size() != static_cast<size_t>(m.numOfFrames) * m.numOfVerts) std::abort();
    for (const MeshFace& f : m.faces)
      for (int v : f.vertIndex)
        if (v < 0 || v >= m.numOfVerts) std::abort();
  }
  ModelPart again;
  if (!ParseBhm(SerializeBhm(part, "fuzz"), again)) std::abort();
  if (again.objects.size() != part.objects.size() || again.tags.size() < part.tags.size()) std::abort();
  for (size_t i = 0; i < part.objects.size(); ++i)
    if (again.objects[i].numOfVerts != part.objects[i].numOfVerts) std::abort();
  return 0;
}
