// Skin and shader files: the texture of each mesh of a character part, by the mesh's name or in
// mesh order.
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/formats/bhm_file.h"

namespace {

constexpr size_t kMaxFieldLength = 254;

// The text's lines with the surrounding spaces and tabs trimmed and blank lines dropped; false
// for a text too long, a control character or a line too long to be a field.
bool SplitLines(const std::string& text, std::vector<std::string_view>& lines) {
  if (text.size() > kMaxPartMaterialTextBytes) return false;
  const std::string_view all(text);
  size_t begin = 0;
  while (begin < all.size()) {
    size_t end = all.find('\n', begin);
    if (end == std::string_view::npos) end = all.size();
    std::string_view line = all.substr(begin, end - begin);
    begin = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    for (char c : line) {
      const unsigned char u = static_cast<unsigned char>(c);
      if ((u < 0x20 && c != '\t') || u == 0x7f) return false;
    }
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) continue;
    line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
    // A skin line holds two fields and a comma.
    if (line.size() > 2 * kMaxFieldLength + 1) return false;
    lines.push_back(line);
  }
  return true;
}

std::string_view Trimmed(std::string_view field) {
  const size_t first = field.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return field.substr(first, field.find_last_not_of(" \t") - first + 1);
}

// Gives each listed mesh (index, texture file) its material.
void Apply(const std::vector<std::pair<size_t, std::string_view>>& textured, ModelPart& part) {
  part.materials.clear();
  for (MeshObject& mesh : part.objects) {
    mesh.materialID = 0;
    mesh.hasTexture = false;
  }
  for (const auto& [index, file] : textured) {
    MeshObject& mesh = part.objects[index];
    PartMaterial m;
    m.name = mesh.name;
    m.file = std::string(file);
    m.colour[0] = m.colour[1] = m.colour[2] = 255;
    m.textureId = static_cast<int>(part.materials.size());
    mesh.materialID = m.textureId;
    mesh.hasTexture = true;
    part.materials.push_back(std::move(m));
  }
  part.numOfMaterials = static_cast<int>(part.materials.size());
}

}  // namespace

bool ParseSkin(const std::string& text, ModelPart& part) {
  std::vector<std::string_view> lines;
  if (!SplitLines(text, lines)) return false;
  std::unordered_map<std::string_view, size_t> meshByName;
  for (size_t i = 0; i < part.objects.size(); ++i) meshByName.emplace(part.objects[i].name, i);
  std::vector<bool> named(part.objects.size(), false);
  std::vector<std::pair<size_t, std::string_view>> textured;
  for (std::string_view line : lines) {
    const size_t comma = line.find(',');
    if (comma == std::string_view::npos) return false;
    const std::string_view name = Trimmed(line.substr(0, comma));
    const std::string_view file = Trimmed(line.substr(comma + 1));
    if (name.size() > kMaxFieldLength || file.size() > kMaxFieldLength) return false;
    const auto mesh = meshByName.find(name);
    if (mesh == meshByName.end() || name.empty()) continue;
    if (named[mesh->second]) return false;
    named[mesh->second] = true;
    if (!file.empty()) textured.emplace_back(mesh->second, file);
  }
  Apply(textured, part);
  return true;
}

bool ParseShader(const std::string& text, ModelPart& part) {
  std::vector<std::string_view> lines;
  if (!SplitLines(text, lines)) return false;
  if (lines.size() > part.objects.size()) return false;
  std::vector<std::pair<size_t, std::string_view>> textured;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].size() > kMaxFieldLength) return false;
    textured.emplace_back(i, lines[i]);
  }
  Apply(textured, part);
  return true;
}
