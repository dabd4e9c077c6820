// What the skin and shader fuzz targets check: a parse either leaves the part exactly as it was
// or gives every textured mesh a material of its own, named after it, with bounded fields.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/formats/bhm_file.h"

inline void CheckPartMaterialReader(bool (*parse)(const std::string&, ModelPart&), const uint8_t* data, size_t size) {
  ModelPart part;
  for (const char* name : {"lower", "upper", "head"}) {
    MeshObject mesh;
    mesh.name = name;
    part.objects.push_back(mesh);
  }
  // A material from an earlier file, which a refused one must leave in place.
  part.materials.push_back(PartMaterial{});
  part.materials.back().file = "earlier";
  part.numOfMaterials = 1;
  part.objects[2].hasTexture = true;

  if (!parse(std::string(reinterpret_cast<const char*>(data), size), part)) {
    if (part.materials.size() != 1 || part.materials[0].file != "earlier" || !part.objects[2].hasTexture) std::abort();
    return;
  }
  if (part.numOfMaterials != static_cast<int>(part.materials.size()) || part.materials.size() > part.objects.size())
    std::abort();
  size_t textured = 0;
  for (const MeshObject& mesh : part.objects) {
    if (!mesh.hasTexture) continue;
    ++textured;
    if (mesh.materialID < 0 || mesh.materialID >= part.numOfMaterials) std::abort();
    const PartMaterial& m = part.materials[mesh.materialID];
    if (m.name != mesh.name || m.textureId != mesh.materialID || m.file.empty() || m.file.size() > 254) std::abort();
  }
  if (textured != part.materials.size()) std::abort();
}
