// Animated three-part characters (lower body, upper body, head) with six hand weapons, read from
// .bhm part files and an animation file, hung together at named tags and drawn with the vertices
// of each part interpolated between two key frames.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

#include "engine/formats/bhm_file.h"
#include "engine/formats/bhm_pose.h"

class CharacterModel;

// Reads one .bhm file. A missing file or a bad one shows a message box and returns false.
class BhmReader {
 public:
  BhmReader() = default;
  // A reader for a model: its skin and shader readers also put the textures the part's materials
  // name into the model's texture table (CharacterModel::LoadPartTextures).
  explicit BhmReader(CharacterModel* model) : model_(model) {}

  bool Import(ModelPart& part, const char* fileName);
  // Read a skin file (mesh name and texture file per line) or a shader file (a texture file per
  // mesh, in order) into the part's materials (engine/formats/bhm_file.h). A missing or malformed
  // file shows "Unable to load skin!" or "Unable to load shader!" and leaves the part as it was.
  bool LoadSkin(ModelPart& part, const char* fileName);
  bool LoadShader(ModelPart& part, const char* fileName);

 private:
  CharacterModel* model_ = nullptr;
};

class CharacterModel {
 public:
  CharacterModel();
  ~CharacterModel();
  CharacterModel(const CharacterModel&) = delete;
  CharacterModel& operator=(const CharacterModel&) = delete;

  // Reads dir\name_lower.bhm (with partCount 3 also _head and _upper first), then the animation
  // file dir\name_animation.cfg, and links upper to lower and head to upper.
  bool LoadModel(const char* dir, const char* name, int skin, int partCount);
  // Reads dir\1.bhm .. dir\6.bhm into the weapon parts; weapon 1 ends up in the hand.
  bool LoadWeapons(const char* dir);
  // Reads the animation file into the upper and lower parts; false when it cannot be opened. A
  // file that yields no animation at all is named on standard error (and otherwise accepted).
  bool LoadAnimations(const char* fileName);
  // Hangs linked at the part's first tag called tag (letter case ignored).
  void LinkPart(ModelPart* part, ModelPart* linked, const char* tag);
  void SetTorsoAnimation(const char* name);
  void SetLegsAnimation(const char* name);
  // Puts weapon n (0..5) in the hand; the current weapon or another number does nothing.
  void SelectWeapon(int n);
  // Draws the figure (GL): advances both animated parts on gameClock, then draws the lower part
  // and everything hanging from it. torsoYaw bends the upper body and head (degrees).
  void Draw(float torsoYaw, float unused);

  // 0 lower, 1 upper, 2 head, 3..8 weapons 1..6; null otherwise.
  ModelPart* GetPart(int index);

  // Both animated parts advance their frames for the given clock (what Draw does before drawing).
  void UpdateAnimation(float clockMs);
  // The parts advance in Draw, on gameClock; this update has nothing to add.
  void Update(float, float);

  // Gives each material of the part its entry in the texture table: a file already in the table
  // keeps its entry, another one is loaded (a BMP, mipmapped) into the next entry. A material
  // whose file does not load, or finds the table full, gets textureId -1 and its meshes stay
  // untextured.
  void LoadPartTextures(ModelPart& part);
  // Deletes the table's textures and empties it; the destructor does this too.
  void ReleaseTextures();
  // The table entry a mesh of the part is drawn with; -1 when it has none.
  int MeshTextureEntry(const ModelPart& part, const MeshObject& mesh) const;

  // The texture table: texture names by a part material's textureId, and the file each entry was
  // loaded from, in entry order (each file once). Filled by the skin and shader readers of a
  // BhmReader made for this model.
  static constexpr int kMaxTextures = 100;
  GLuint textures[kMaxTextures] = {};
  std::vector<std::string> textureNames;
  ModelPart head, upper, lower;
  ModelPart weapons[6];
  int currentWeapon = 0;
  int skin = 0;

 private:
  static constexpr int kMaxLinkDepth = 8;
  void DrawLinks(ModelPart& part);
  void DrawLinksAt(ModelPart& part);
  void RenderPart(const ModelPart& part);
};

// Drawing state shared by all models while one Draw runs.
extern int characterLinkCounter;
extern float characterTorsoYaw;

// Case-insensitive name comparison used for tags and animations.
bool SameNameIgnoringCase(const std::string& a, const std::string& b);
