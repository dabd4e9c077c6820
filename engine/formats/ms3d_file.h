// MilkShape 3D binary models (.ms3d): the pure reader shared by the game and the data generator,
// and the writer the generator uses. Only the parts a static model needs are kept: vertices,
// triangles, groups and materials; joints and animation after the materials are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Ms3dVertex {
  signed char boneId = -1;
  float location[3] = {0.0f, 0.0f, 0.0f};
};

// t holds 1 - the file's t, the convention of OpenGL texture rows (the file counts t from the top).
struct Ms3dTriangle {
  float vertexNormals[3][3] = {};
  float s[3] = {};
  float t[3] = {};
  int vertexIndices[3] = {0, 0, 0};
};

// A group of triangles drawn with one material; materialIndex < 0 means none.
struct Ms3dGroup {
  std::string name;
  int materialIndex = -1;
  std::vector<int> triangleIndices;
};

struct Ms3dMaterial {
  std::string name;
  float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float emissive[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float shininess = 0.0f;
  float transparency = 1.0f;
  std::string textureFile;  // at most 127 characters in a file
};

struct Ms3dData {
  std::vector<Ms3dVertex> vertices;
  std::vector<Ms3dTriangle> triangles;
  std::vector<Ms3dGroup> groups;
  std::vector<Ms3dMaterial> materials;
};

inline constexpr size_t kMs3dHeaderSize = 14;
inline constexpr size_t kMs3dVertexSize = 15;
inline constexpr size_t kMs3dTriangleSize = 70;
inline constexpr size_t kMs3dMaterialSize = 361;
inline constexpr size_t kMs3dNameSize = 32;
inline constexpr size_t kMs3dFileNameSize = 128;

// Parses a whole file image. Refuses (false) a wrong identifier, a version other than 3 or 4, a
// file shorter than its counts say, a vertex position or normal that is not finite, a triangle
// naming a vertex that does not exist and a group naming a triangle that does not exist. A group's material index outside the material table
// becomes -1 (no material). Bytes after the materials are ignored. `out` is replaced only on success.
bool ParseMs3d(const uint8_t* data, size_t size, Ms3dData& out);
bool ParseMs3d(const std::vector<uint8_t>& bytes, Ms3dData& out);
// Reads and parses a file (the path may use '\' separators).
bool LoadMs3dFile(const std::string& path, Ms3dData& out);

// Serialises a model in the layout ParseMs3d reads, followed by an empty animation section (24
// frames per second, one frame, no joints) so that other tools accept the file. Refuses counts
// above 65535, indices that do not resolve, material indices outside -1..127 and texture names
// that do not fit their 128-byte field with its terminator.
bool WriteMs3d(const Ms3dData& model, std::vector<uint8_t>& out, int32_t version = 4);
bool SaveMs3dFile(const std::string& path, const Ms3dData& model);
