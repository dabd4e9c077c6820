// Static mesh models read from MilkShape 3D files: the map, its lamp geometry, the view weapons,
// the pick-ups and the bandits' hit meshes. The model keeps the file's vertices, triangles, meshes
// and materials, loads one texture per material and draws itself with fixed-function materials.
// The light-map drawing and the map queries on the same model live in their own files.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

#include "engine/formats/ms3d_file.h"
#include "engine/vector_helpers.h"
#include "math/vec3_inline.h"

class CollisionModel3D;

using ModelVertex = Ms3dVertex;      // {boneId, location[3]}
using ModelTriangle = Ms3dTriangle;  // per-corner normals, s, t (already 1 - the file's t), vertex indices

struct ModelMesh {
  int materialIndex = -1;  // negative: no material
  int numTriangles = 0;
  std::vector<int> triangleIndices;  // into the model's triangles
};

struct ModelMaterial {
  float ambient[4] = {};
  float diffuse[4] = {};
  float specular[4] = {};
  float emissive[4] = {};
  float shininess = 0.0f;
  float transparency = 0.0f;
  GLuint texture = 0;       // 0: none
  std::string textureFile;  // as the file names it, relative to the working directory
};

// One entry of a model's flat face list: a triangle with its mesh's material, the corners'
// positions, texture coordinates and normals, the centroid and the distance of the last sort.
struct FaceRecord {
  struct Corner {
    float x, y, z;
    float s, t;
    float nx, ny, nz;
  };
  int material = -1;
  Corner corners[3] = {};
  float centroid[3] = {};
  float distance = 0.0f;
};

class StaticModel {
 public:
  // The face list holds at most this many faces.
  static constexpr int kMaxFaces = 5000;

  StaticModel();
  StaticModel(const StaticModel&) = delete;
  StaticModel& operator=(const StaticModel&) = delete;
  // Frees everything the model owns, GL textures included.
  virtual ~StaticModel();
  virtual bool Load(const char* fileName) = 0;

  // Loads every material's named texture (relative to the working directory); a material without
  // a name or whose file does not load keeps texture 0. Returns the number of materials.
  int LoadTextures();
  // Draws the model at the current model-view matrix. Leaves face culling off and two-sided
  // lighting on; restores whether 2-D texturing was on.
  void Draw();
  // Draw with sphere-mapped coordinates: textured materials show bmpTextures 49, and only meshes
  // whose material's transparency is above 0.9 are drawn.
  void DrawSphereMapped();
  // Every triangle reflecting envCubeMap in red, blended as (1 - destination) x source, lit on
  // both sides; restores blending and the blend function.
  void DrawEnvironmentMapped();
  // A static model has no state that changes over time; updating it does nothing.
  void Update();

  // Light maps of the current map (light_map.cpp). Mode 0 computes every triangle's light-map
  // coordinates; mode 1 also bakes bakeLights into the light maps (BakeTriangleLightMap).
  void ComputeLightMaps(int mode);
  void CreateLightMapTextures();
  void DeleteLightMapTextures();
  void DrawLightmapped();
  // The same drawing with the light map on texture unit 1 and the surface texture on unit 0.
  void DrawLightmappedSwapped();
  // Draws each face of the face list twice: its next material's texture multiplied into the
  // picture, then its own material's texture added. A pass whose material does not exist is left
  // out. Restores blending, 2-D texturing and the blend function.
  void DrawFaceListTwoPass();
  // Flags the next 500 triangle numbers (wrapping after the capacity) visible when a corner lies
  // within 150 units of point.
  void SweepVisibility(const Vec3& point);
  // Fills bakeLights with one light per face of the face list: the face's centroid and its
  // material's diffuse colour (black for a face without one).
  void CollectLampLights() const;

  // The face list, its sort, the segment test and the collision-model builders (map_queries.cpp).
  bool TriangleCorners(int triangle, Vector3 corners[3]) const;
  void BuildFaceList();
  void SortFacesByDistance(const Vec3& eye);
  bool IntersectSegment(const Vector3& start, const Vector3& end, Vector3& point, Vector3& normal) const;
  void BuildCollisionModel(CollisionModel3D* target) const;
  void BuildCollisionPlayer() const;
  void BuildCollisionBandit1() const;
  void BuildCollisionBandit2() const;
  void BuildCollisionBandit3() const;
  void BuildCollisionBandit4() const;
  void BuildCollisionBandit5() const;
  void BuildCollisionMap() const;

  // The lamp halos drawn from the face list.
  void DrawLampHalos();

  // Replaces the contents with a parsed file (releasing textures of earlier contents).
  void SetContents(Ms3dData&& data);
  // Releases every array and texture; the counts become 0.
  void Clear();

  std::vector<FaceRecord> faces;  // filled by the face-list builder, at most kMaxFaces

  // The light-mapped drawing's vertex arrays (light_map.cpp): per vertex the position, normal,
  // light-map page coordinates and surface coordinates; drawn in runs of one mesh and one page.
  struct LightmappedRun {
    int mesh = 0;
    int page = -1;  // -1: no light map
    int first = 0;  // first vertex
    int count = 0;  // vertices
  };
  static constexpr int kLightmappedFloats = 10;
  std::vector<float> lightmappedVertices;
  std::vector<LightmappedRun> lightmappedRuns;
  bool lightmappedBuilt = false;

  int numMeshes = 0;
  std::vector<ModelMesh> meshes;
  int numMaterials = 0;
  std::vector<ModelMaterial> materials;
  int numTriangles = 0;
  std::vector<ModelTriangle> triangles;
  int numVertices = 0;
  std::vector<ModelVertex> vertices;

 private:
  friend void ReleaseModelTextures();
  void DeleteMaterialTextures();
  // Draw's body: meshes whose material's transparency is above visibleAbove are drawn, textured
  // materials with *textureInstead in place of their own when it is given.
  void DrawMeshes(float visibleAbove, const GLuint* textureInstead);
  void DrawLightmappedOnUnits(GLenum lightMapUnit, GLenum surfaceUnit);
  // Every live model, so that their textures can be released before the GL context goes.
  StaticModel* prevLive_ = nullptr;
  StaticModel* nextLive_ = nullptr;
};

// Deletes the material textures of every live model and forgets their names. The window calls it
// while its GL context is still current, just before the context goes: the names would otherwise
// outlive their context and, handed out again by the next one, be deleted there by a later Clear or
// LoadTextures.
void ReleaseModelTextures();

class Ms3dModel : public StaticModel {
 public:
  // Reads an .ms3d file (versions 3 and 4). On failure the model keeps what it held before.
  bool Load(const char* fileName) override;
};
