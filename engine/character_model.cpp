#include "engine/character_model.h"

#include <cctype>
#include <string>

#include "engine/formats/binary_io.h"
#include "engine/formats/data_file_report.h"
#include "engine/frame.h"
#include "engine/textures.h"
#include "platform/dialog.h"

namespace {
// Part files beyond this size are not character parts.
constexpr size_t kMaxPartFileBytes = size_t(64) << 20;
constexpr size_t kMaxAnimationFileBytes = size_t(1) << 20;

// A file of a character's folder: one '/' between the folder and the name, none when the folder
// already ends with a separator.
std::string PartFileName(const char* dir, const std::string& file) {
  std::string path = dir ? dir : "";
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  return path + file;
}
}  // namespace

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

bool BhmReader::Import(ModelPart& part, const char* fileName) {
  const std::string name = fileName ? fileName : "";
  std::vector<uint8_t> bytes;
  if (name.empty() || !ReadWholeFile(DataPath(name), bytes, kMaxPartFileBytes)) {
    if (!name.empty()) ReportDataFileNotLoaded(name);
    ShowMessageBox("Unable to find the file: " + name + "!", "Error", DialogButtons::Ok, DialogIcon::Stop);
    return false;
  }
  std::string problem;
  if (!ParseBhm(bytes, part, &problem)) {
    ReportDataFileNotLoaded(name);
    ShowMessageBox("Invalid file format (" + problem + "): " + name + "!", "Error", DialogButtons::Ok,
                   DialogIcon::Stop);
    return false;
  }
  return true;
}

namespace {

// Reads a skin or shader file with `parse`; a failure shows `message`.
bool LoadMaterialFile(ModelPart& part, const char* fileName, bool (*parse)(const std::string&, ModelPart&),
                      const char* message) {
  std::vector<uint8_t> bytes;
  if (fileName && *fileName && ReadWholeFile(DataPath(fileName), bytes, kMaxPartMaterialTextBytes) &&
      parse(std::string(bytes.begin(), bytes.end()), part)) {
    return true;
  }
  ShowMessageBox(message, "Error", DialogButtons::Ok, DialogIcon::Stop);
  return false;
}

}  // namespace

bool BhmReader::LoadSkin(ModelPart& part, const char* fileName) {
  if (!LoadMaterialFile(part, fileName, ParseSkin, "Unable to load skin!")) return false;
  if (model_) model_->LoadPartTextures(part);
  return true;
}

bool BhmReader::LoadShader(ModelPart& part, const char* fileName) {
  if (!LoadMaterialFile(part, fileName, ParseShader, "Unable to load shader!")) return false;
  if (model_) model_->LoadPartTextures(part);
  return true;
}

CharacterModel::CharacterModel() = default;
CharacterModel::~CharacterModel() { ReleaseTextures(); }

void CharacterModel::LoadPartTextures(ModelPart& part) {
  for (PartMaterial& material : part.materials) {
    int entry = -1;
    for (size_t i = 0; i < textureNames.size(); ++i) {
      if (textureNames[i] == material.file) {
        entry = static_cast<int>(i);
        break;
      }
    }
    if (entry < 0 && textureNames.size() < static_cast<size_t>(kMaxTextures)) {
      const GLuint name = LoadMipmappedTexture(material.file.c_str());
      if (name != 0) {
        entry = static_cast<int>(textureNames.size());
        textures[entry] = name;
        textureNames.push_back(material.file);
      }
    }
    material.textureId = entry;
  }
  for (MeshObject& mesh : part.objects) {
    if (mesh.hasTexture && MeshTextureEntry(part, mesh) < 0) mesh.hasTexture = false;
  }
}

void CharacterModel::ReleaseTextures() {
  const GLsizei count = static_cast<GLsizei>(textureNames.size());
  if (count > 0) glDeleteTextures(count, textures);
  for (GLuint& name : textures) name = 0;
  textureNames.clear();
}

int CharacterModel::MeshTextureEntry(const ModelPart& part, const MeshObject& mesh) const {
  if (!mesh.hasTexture || mesh.materialID < 0 || mesh.materialID >= static_cast<int>(part.materials.size())) return -1;
  const int entry = part.materials[mesh.materialID].textureId;
  if (entry < 0 || entry >= kMaxTextures || entry >= static_cast<int>(textureNames.size())) return -1;
  return entry;
}

void CharacterModel::Update(float, float) {}

ModelPart* CharacterModel::GetPart(int index) {
  switch (index) {
    case 0: return &lower;
    case 1: return &upper;
    case 2: return &head;
    default: break;
  }
  if (index >= 3 && index <= 8) return &weapons[index - 3];
  return nullptr;
}

bool CharacterModel::LoadModel(const char* dir, const char* name, int skinIndex, int partCount) {
  skin = skinIndex;
  if (!dir || !name) return false;
  const std::string base = PartFileName(dir, name);
  BhmReader reader;
  if (partCount == 3) {
    if (!reader.Import(head, (base + "_head.bhm").c_str())) return false;
    if (!reader.Import(upper, (base + "_upper.bhm").c_str())) return false;
  }
  if (!reader.Import(lower, (base + "_lower.bhm").c_str())) return false;
  if (!LoadAnimations((base + "_animation.cfg").c_str())) return false;
  LinkPart(&lower, &upper, "tag_torso");
  LinkPart(&upper, &head, "tag_head");
  return true;
}

bool CharacterModel::LoadWeapons(const char* dir) {
  if (!dir) return false;
  BhmReader reader;
  for (int k = 0; k < 6; ++k) {
    reader.Import(weapons[k], PartFileName(dir, std::to_string(k + 1) + ".bhm").c_str());
    LinkPart(&upper, &weapons[k], "tag_weapon");
  }
  LinkPart(&upper, &weapons[0], "tag_weapon");
  return true;
}

bool CharacterModel::LoadAnimations(const char* fileName) {
  if (!fileName) return false;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(DataPath(fileName), bytes, kMaxAnimationFileBytes)) {
    ReportDataFileNotLoaded(fileName);
    return false;
  }
  ParseAnimationConfig(std::string(bytes.begin(), bytes.end()), upper.animations, lower.animations);
  // An empty or garbled file still leaves the character standing in its first frame, but it is
  // named like any file that could not be used.
  if (upper.animations.empty() && lower.animations.empty()) ReportDataFileNotLoaded(fileName, "no animations");
  ClampAnimationsToFrames(upper);
  ClampAnimationsToFrames(lower);
  head.animations.clear();
  head.numOfAnimations = 0;
  for (ModelPart& w : weapons) {
    w.animations.clear();
    w.numOfAnimations = 0;
  }
  return true;
}

void CharacterModel::LinkPart(ModelPart* part, ModelPart* linked, const char* tag) {
  if (!part || !linked || !tag) return;
  const int count = std::min<int>(part->numOfTags, static_cast<int>(std::min(part->tags.size(), part->links.size())));
  for (int i = 0; i < count; ++i) {
    if (SameNameIgnoringCase(part->tags[i].name, tag)) {
      part->links[i] = linked;
      return;
    }
  }
}

void CharacterModel::SelectWeapon(int n) {
  if (n < 0 || n > 5 || n == currentWeapon) return;
  LinkPart(&upper, &weapons[n], "tag_weapon");
  currentWeapon = n;
}

namespace {
int FindAnimation(const ModelPart& part, const char* name) {
  if (!name) return -1;
  for (size_t i = 0; i < part.animations.size(); ++i)
    if (SameNameIgnoringCase(part.animations[i].name, name)) return static_cast<int>(i);
  return -1;
}
}  // namespace

void CharacterModel::SetTorsoAnimation(const char* name) {
  const int i = FindAnimation(upper, name);
  if (i < 0) return;
  upper.currentAnim = i;
  upper.currentFrame = upper.animations[i].startFrame;
}

void CharacterModel::SetLegsAnimation(const char* name) {
  const int i = FindAnimation(lower, name);
  if (i < 0) return;
  lower.currentAnim = i;
  lower.currentFrame = lower.animations[i].startFrame;
  lower.t = 0.0f;
  lower.lastTime = gameClock;
}

void CharacterModel::UpdateAnimation(float clockMs) {
  UpdatePartFrames(lower, clockMs);
  UpdatePartFrames(upper, clockMs);
}
