#include "engine/map_queries.h"

#include <algorithm>

#include "engine/static_model.h"
#include "engine/vector_helpers.h"
#include "meshcollide/collision_model_3d.h"

CollisionModel3D* playerCollisionModel = nullptr;
CollisionModel3D* banditCollisionModel1 = nullptr;
CollisionModel3D* banditCollisionModel2 = nullptr;
CollisionModel3D* banditCollisionModel3 = nullptr;
CollisionModel3D* banditCollisionModel4 = nullptr;
CollisionModel3D* banditCollisionModel5 = nullptr;
CollisionModel3D* mapCollisionModel = nullptr;

namespace {

// Hits this far from the segment's start or farther (squared distance) are never reported.
constexpr float kSegmentReachSquared = 10000.0f;

}  // namespace

bool StaticModel::TriangleCorners(int triangle, Vector3 corners[3]) const {
  if (triangle < 0 || triangle >= static_cast<int>(triangles.size())) return false;
  const ModelTriangle& t = triangles[triangle];
  for (int k = 0; k < 3; ++k) {
    const int vi = t.vertexIndices[k];
    if (vi < 0 || vi >= static_cast<int>(vertices.size())) return false;
    corners[k] = Vector3(vertices[vi].location[0], vertices[vi].location[1], vertices[vi].location[2]);
  }
  return true;
}

void StaticModel::BuildFaceList() {
  faces.clear();
  for (const ModelMesh& mesh : meshes) {
    const bool validMaterial = mesh.materialIndex >= 0 && mesh.materialIndex < static_cast<int>(materials.size());
    for (int ti : mesh.triangleIndices) {
      if (static_cast<int>(faces.size()) >= kMaxFaces) return;
      Vector3 p[3];
      if (!TriangleCorners(ti, p)) continue;
      const ModelTriangle& t = triangles[ti];
      FaceRecord f;
      f.material = validMaterial ? mesh.materialIndex : -1;
      for (int k = 0; k < 3; ++k) {
        f.corners[k] = {p[k].x, p[k].y, p[k].z, t.s[k], t.t[k],
                        t.vertexNormals[k][0], t.vertexNormals[k][1], t.vertexNormals[k][2]};
      }
      f.centroid[0] = (p[0].x + p[1].x + p[2].x) / 3.0f;
      f.centroid[1] = (p[0].y + p[1].y + p[2].y) / 3.0f;
      f.centroid[2] = (p[0].z + p[1].z + p[2].z) / 3.0f;
      faces.push_back(f);
    }
  }
}

void StaticModel::SortFacesByDistance(const Vec3& eye) {
  for (FaceRecord& f : faces) f.distance = VectorDistance(eye, Vec3(f.centroid[0], f.centroid[1], f.centroid[2]));
  // Farthest first; faces at equal distances keep their order.
  std::stable_sort(faces.begin(), faces.end(),
                   [](const FaceRecord& a, const FaceRecord& b) { return a.distance > b.distance; });
}

bool StaticModel::IntersectSegment(const Vector3& start, const Vector3& end, Vector3& point, Vector3& normal) const {
  float best = kSegmentReachSquared;
  bool found = false;
  const Vector3 line[2] = {start, end};
  for (const ModelMesh& mesh : meshes) {
    for (int ti : mesh.triangleIndices) {
      Vector3 polygon[3];
      if (!TriangleCorners(ti, polygon)) continue;
      Vector3 crossing;
      if (!IntersectedPolygon(polygon, line, 3, crossing)) continue;
      const Vector3 d = crossing - start;
      const float d2 = d.x * d.x + d.y * d.y + d.z * d.z;
      if (d2 < best) {
        best = d2;
        Vector3 n;
        float planeDistance;
        IntersectedPlane(polygon, line, n, planeDistance);
        normal = n;
        point = crossing;
        found = true;
      }
    }
  }
  return found;
}

void StaticModel::BuildCollisionModel(CollisionModel3D* target) const {
  if (!target) return;
  for (const ModelMesh& mesh : meshes) {
    for (int ti : mesh.triangleIndices) {
      Vector3 p[3];
      if (!TriangleCorners(ti, p)) continue;
      target->addTriangle(p[0].x, p[0].y, p[0].z, p[1].x, p[1].y, p[1].z, p[2].x, p[2].y, p[2].z);
    }
  }
  target->finalize();
}

void StaticModel::BuildCollisionPlayer() const { BuildCollisionModel(playerCollisionModel); }
void StaticModel::BuildCollisionBandit1() const { BuildCollisionModel(banditCollisionModel1); }
void StaticModel::BuildCollisionBandit2() const { BuildCollisionModel(banditCollisionModel2); }
void StaticModel::BuildCollisionBandit3() const { BuildCollisionModel(banditCollisionModel3); }
void StaticModel::BuildCollisionBandit4() const { BuildCollisionModel(banditCollisionModel4); }
void StaticModel::BuildCollisionBandit5() const { BuildCollisionModel(banditCollisionModel5); }
void StaticModel::BuildCollisionMap() const { BuildCollisionModel(mapCollisionModel); }
