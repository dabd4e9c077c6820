// Triangle-mesh collision models: a mesh is filled triangle by triangle, finalised into a bounding
// volume tree, placed in the world by a model-to-world matrix and queried with rays.
#pragma once

#include <cfloat>

class CollisionModel3D {
 public:
  virtual ~CollisionModel3D() = default;

  // Adds one triangle, corners in the model's own coordinates. Ignored after finalize().
  virtual void addTriangle(float x1, float y1, float z1, float x2, float y2, float z2, float x3, float y3,
                           float z3) = 0;
  // Builds the search structure; the model answers queries from then on. Later calls do nothing.
  virtual void finalize() = 0;
  // Sets the model-to-world matrix: 16 floats, column-major (as OpenGL stores it). A matrix that
  // cannot be inverted, or one holding a non-finite number, makes every query fail until replaced.
  virtual void setTransform(const float matrix[16]) = 0;

  // Casts the ray origin + t * direction (world coordinates) and reports whether it meets a
  // triangle (either side) with segmin <= t <= segmax. With closest set the nearest such hit is
  // kept (ties go to the triangle added first); otherwise any hit in the range. False before
  // finalize(), for an empty model, a zero direction or any non-finite input.
  virtual bool rayCollision(const float origin[3], const float direction[3], bool closest = false,
                            float segmin = 0.0f, float segmax = FLT_MAX) = 0;

  // After a successful rayCollision: the corners of the hit triangle, in the order they were
  // added, into t1 (nine floats), in model or world coordinates. t2 (the other party of a
  // mesh-mesh collision) is zero-filled for a ray. False, outputs untouched, when the last query
  // missed.
  virtual bool getCollidingTriangles(float t1[9], float t2[9], bool modelSpace = true) = 0;
  // After a successful rayCollision: the hit point in model or world coordinates.
  virtual bool getCollisionPoint(float point[3], bool modelSpace = true) = 0;
};

// Makes an empty model. The argument (whether the model is meant to stay still) is accepted and
// has no effect: every model can be moved with setTransform.
CollisionModel3D* newCollisionModel3D(bool isStatic = false);
