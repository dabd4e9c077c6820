// Pose of an animated character part: frame stepping on the game clock, quaternions for the
// attachment tags, and interpolation of tags and vertices between two key frames. Pure.
#pragma once

#include "engine/formats/bhm_file.h"

class Quaternion {
 public:
  Quaternion() = default;
  Quaternion(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}

  // A rotation matrix (3x3 rows of three, or 4x4, both laid out as OpenGL columns) to this
  // quaternion; other sizes leave it unchanged.
  void CreateFromMatrix(const float* matrix, int size);
  // The 4x4 column-major rotation matrix of this quaternion (translation zero).
  void CreateMatrix(float out[16]) const;
  // Spherical interpolation from q1 (t = 0) to q2 (t = 1) along the shorter arc.
  static Quaternion Slerp(const Quaternion& q1, const Quaternion& q2, float t);

  float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
};

// The frames an animated part plays: the current animation's start and end (0 and 1 when the part
// has none).
void AnimationRange(const ModelPart& part, int& startFrame, int& endFrame);

// One frame index clamped to the frames a part (or one mesh) holds.
int ClampFrame(int frame, int frames);

// Chooses nextFrame after currentFrame within the current animation (frames run start..end-1 and
// wrap to start), then steps the clock: see AdvancePartTime.
void UpdatePartFrames(ModelPart& part, float clockMs);

// Advances at most one frame when a frame period has passed since lastTime, and sets t (0..1).
// A part that has fallen more than a second behind (or whose clock went back) starts afresh from
// now instead of extrapolating; frames-per-second of 0 or less holds the frame.
void AdvancePartTime(ModelPart& part, float clockMs);

// The 4x4 column-major matrix of tag index tagIndex, interpolated between the part's current and
// next frame by t (linear origin, slerped rotation). False when the part has no such tag.
bool InterpolatedTagMatrix(const ModelPart& part, int tagIndex, float out[16]);

// Vertex v of a mesh between frames a and b (each clamped to the mesh's frames) by t.
BhmVec3 InterpolatedVertex(const MeshObject& mesh, int frameA, int frameB, float t, int v);
