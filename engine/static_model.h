// Static mesh models (MilkShape 3D), drawn plainly or light-mapped.
#pragma once

#include "math/vec3_inline.h"

class StaticModel {
 public:
  virtual ~StaticModel() = default;
  virtual bool Load(const char* fileName) = 0;

  void DrawLightmapped();
  void SortFacesByDistance(const Vec3& eye);
  void DrawLampHalos();
};
