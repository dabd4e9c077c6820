// Character part files (.bhm): vertex-animated triangle meshes with named attachment tags, in the
// "IDP3" version 15 layout, and the character's text file of animations. Reading and writing are
// pure so the game and the data generator share them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A 12-byte float vector (vertices and tag origins).
struct BhmVec3 {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct MeshFace {
  int vertIndex[3] = {0, 0, 0};
  int coordIndex[3] = {0, 0, 0};
};

// One attachment point of one frame: a name, an origin and a 3x3 rotation (three axis vectors).
struct Tag {
  std::string name;
  BhmVec3 origin;
  float axis[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
};

struct AnimationInfo {
  std::string name;
  int startFrame = 0;
  int endFrame = 0;  // one past the last frame
  int loopingFrames = 0;
  int framesPerSecond = 0;
};

// A material of a part, one per textured mesh, filled from a skin or shader file.
struct PartMaterial {
  std::string name;
  std::string file;
  uint8_t colour[3] = {0, 0, 0};
  int textureId = 0;
  float uTile = 1.0f, vTile = 1.0f, uOffset = 0.0f, vOffset = 0.0f;
};

struct MeshObject {
  int numOfVerts = 0;
  int numOfFaces = 0;
  int numTexVertex = 0;
  int materialID = 0;
  bool hasTexture = false;
  std::string name;
  int numOfFrames = 0;                         // key frames stored for this mesh
  std::vector<BhmVec3> vertices;               // numOfVerts per frame, frame-major
  std::vector<BhmVec3> normals;                // not filled
  std::vector<std::array<float, 2>> texVerts;  // one per vertex
  std::vector<MeshFace> faces;
};

struct ModelPart;

// The content of one .bhm file plus its animation state.
struct ModelPart {
  int numOfObjects = 0;
  int numOfMaterials = 0;
  std::vector<PartMaterial> materials;
  std::vector<MeshObject> objects;
  int numOfAnimations = 0;
  int currentAnim = 0;
  int currentFrame = 0;
  int nextFrame = 0;
  float t = 0.0f;         // 0..1 between currentFrame and nextFrame
  float lastTime = 0.0f;  // gameClock milliseconds of the last frame change
  std::vector<AnimationInfo> animations;
  int numOfTags = 0;               // tags per frame
  std::vector<ModelPart*> links;   // numOfTags entries: the part hanging at each tag
  std::vector<Tag> tags;           // numOfTags per frame, frame-major
  int numOfFrames = 0;             // frame count of the file
};

// Empties a part (meshes, tags, links, animations and animation state).
void ClearModelPart(ModelPart& part);

// Where the data set keeps the characters: the player character's folder (its three parts, six
// hand weapons, animation file and hit mesh) and model name, and the bandits' folder (names "1".."4").
constexpr const char* kPlayerCharacterDir = "base/player/";
constexpr const char* kPlayerCharacterName = "player";
constexpr const char* kPlayerHitMeshFile = "base/player/player.ms3d";
constexpr const char* kBanditCharacterDir = "base/bandits/";

constexpr int kBhmVersion = 15;
constexpr size_t kBhmHeaderSize = 108;
constexpr size_t kBhmFrameSize = 56;
constexpr size_t kBhmTagSize = 112;
constexpr size_t kBhmMeshHeaderSize = 108;
constexpr size_t kBhmSkinSize = 68;

// What ParseBhm reports for a wrong identifier or version.
constexpr const char* kBhmVersionProblem = "Version not 15";

// Reads a whole .bhm file into part (emptied first). False for a wrong identifier or version and
// for any count, offset or index that does not fit the file (meshes whose blocks together exceed
// the file count as not fitting); the part is then left empty and `problem`, when given, says
// in a few words what was wrong (kBhmVersionProblem for the identifier or version).
bool ParseBhm(const uint8_t* data, size_t size, ModelPart& part, std::string* problem = nullptr);
inline bool ParseBhm(const std::vector<uint8_t>& bytes, ModelPart& part, std::string* problem = nullptr) {
  return ParseBhm(bytes.data(), bytes.size(), part, problem);
}

// The bytes of a .bhm file holding part's tags and meshes: vertices are stored in 1/64 units
// (rounded, clamped to the 16-bit range), texture coordinates with t negated so that reading gives
// back texVerts as they are. The file's frame count is part.numOfFrames; each mesh keeps its own.
std::vector<uint8_t> SerializeBhm(const ModelPart& part, const std::string& fileName);

// The animation file: returns the animations for the upper and lower parts (at most eight
// animation lines are read; legs frames are made relative to the legs part's own frames).
void ParseAnimationConfig(const std::string& text, std::vector<AnimationInfo>& upper,
                          std::vector<AnimationInfo>& lower);

// Restricts a part's animations to the frames the part has: start and end are clamped into
// 0..numOfFrames and an animation left without frames is dropped. Sets numOfAnimations.
void ClampAnimationsToFrames(ModelPart& part);

// True when both are non-empty and part occurs in text (case-sensitive).
bool IsInString(const std::string& text, const std::string& part);

// Skin and shader files give a part's meshes their textures, one material per textured mesh
// (named after the mesh, white, textureId its number in the part's materials until a character
// model gives it an entry of its texture table, no tiling or offset), replacing the part's
// materials. Both are text of at most kMaxPartMaterialTextBytes,
// one entry per line; blank lines are skipped, and spaces and tabs around a field are not part
// of it. A field is at most 254 characters and holds no control characters.
inline constexpr size_t kMaxPartMaterialTextBytes = 65536;
// Skin: "<mesh name>,<texture file>" per line. A line whose name is no mesh of the part (a tag,
// say) or whose file is empty is skipped. False, the part unchanged, for a line without a comma,
// a mesh named twice or a field or text that breaks the limits above.
bool ParseSkin(const std::string& text, ModelPart& part);
// Shader: one texture file per line, for the part's meshes in order. False, the part unchanged,
// for more files than meshes or a field or text that breaks the limits above.
bool ParseShader(const std::string& text, ModelPart& part);
