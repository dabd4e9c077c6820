// The scenes run by every engine of the comparison, described without any engine's types.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace compare {

// The game's world: gravity (0, -4, 0), three steps of 0.028 / 3 s per frame.
constexpr float kGravity = 4.0f;
constexpr float kFrameTime = 0.028f;
constexpr int kStepsPerFrame = 3;
constexpr float kStepTime = kFrameTime / kStepsPerFrame;
constexpr int kIterations = 4;
constexpr float kSphereRadius = 1.25f;
// The steps whose cost counts as the cost of an awake stack: the stack is settling, nothing sleeps.
constexpr int kAwakeSteps = 30;

// A triangle mesh: x, y, z per vertex and three indices per triangle, wound so that
// (p1 - p0) x (p2 - p0) points up out of the ground.
struct Mesh {
  std::vector<float> xyz;
  std::vector<int32_t> indices;
  int VertexCount() const { return static_cast<int>(xyz.size() / 3); }
  int TriangleCount() const { return static_cast<int>(indices.size() / 3); }
};

struct Point {
  float x = 0, y = 0, z = 0;
};

// Height of the rolling ground inside the rim.
inline float GroundHeight(float x, float z) { return 1.5f * std::sin(x * 0.15f) * std::cos(z * 0.12f); }

// An n x n grid of quads over [-size, size]^2 (2 n^2 triangles) with a rim wall of height 12.
inline Mesh Heightfield(int n, float size) {
  Mesh m;
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) {
      const float x = -size + 2.0f * size * i / n, z = -size + 2.0f * size * j / n;
      const bool rim = i == 0 || j == 0 || i == n || j == n;
      m.xyz.insert(m.xyz.end(), {x, rim ? 12.0f : GroundHeight(x, z), z});
    }
  }
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const int a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
      m.indices.insert(m.indices.end(), {a, c, b, b, c, d});
    }
  }
  return m;
}

// A flat square floor of two triangles at height 0.
inline Mesh Floor(float size) {
  Mesh m;
  m.xyz = {-size, 0, -size, size, 0, -size, size, 0, size, -size, 0, size};
  m.indices = {0, 3, 1, 1, 3, 2};
  return m;
}

// Sphere start points: a square grid 3.5 apart, 4 to 6 above the ground.
inline std::vector<Point> SphereStarts(int n) {
  std::vector<Point> p;
  const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
  uint32_t s = 12345;
  for (int k = 0; k < n; ++k) {
    const float x = (k % side - 0.5f * (side - 1)) * 3.5f, z = (k / side - 0.5f * (side - 1)) * 3.5f;
    s = s * 214013u + 2531011u;
    p.push_back({x, GroundHeight(x, z) + 4.0f + 2.0f * ((s >> 16) & 0x7fff) / 32767.0f, z});
  }
  return p;
}

// The horizontal drive force of sphere k in a frame: a new random push (up to 3 per axis) every 40
// frames, the same in every engine.
inline Point DriveForce(int k, int frame) {
  uint32_t s = static_cast<uint32_t>(k) * 2654435761u ^ static_cast<uint32_t>(frame / 40) * 40503u;
  s = s * 214013u + 2531011u;
  const float fx = (((s >> 16) & 0x7fff) / 32767.0f * 2.0f - 1.0f) * 3.0f;
  s = s * 214013u + 2531011u;
  const float fz = (((s >> 16) & 0x7fff) / 32767.0f * 2.0f - 1.0f) * 3.0f;
  return {fx, 0.0f, fz};
}

// Unit boxes: a tower of `n` and a pyramid with a `base` x `base` bottom layer, each layer over
// the joints of the one below; a gap of 0.01 between layers and 0.02 between neighbours.
inline std::vector<Point> Tower(int n) {
  std::vector<Point> p;
  for (int i = 0; i < n; ++i) p.push_back({0.0f, 0.5f + i * 1.01f + 0.01f, 0.0f});
  return p;
}
inline std::vector<Point> Pyramid(int base) {
  std::vector<Point> p;
  for (int layer = 0; layer < base; ++layer) {
    const int s = base - layer;
    for (int j = 0; j < s; ++j) {
      for (int i = 0; i < s; ++i) {
        p.push_back({(i - 0.5f * (s - 1)) * 1.02f, 0.5f + layer * 1.01f + 0.01f, (j - 0.5f * (s - 1)) * 1.02f});
      }
    }
  }
  return p;
}
// The height a box of the tower or the pyramid settles at.
inline float SettledHeight(const Point& start) { return 0.5f + std::floor(start.y / 1.01f); }

struct SphereResult {
  double seconds = 0.0;  // time spent stepping
  long bodySteps = 0;
  int lost = 0;  // spheres that ended below the ground or outside the rim
  bool finite = true;
};

struct StackResult {
  double seconds = 0.0;
  double awakeSeconds = 0.0;  // time spent in the first kAwakeSteps steps
  int steps = 0;
  int restStep = -1;        // first step after which every box sleeps; -1: never
  float drift = 0.0f;       // largest horizontal distance of any box from its start, at any step
  float sink = 0.0f;        // largest depth of a box below its settled height at the end
  int awakeAtEnd = 0;
  bool finite = true;
};

// Solver settings of an engine that has them: sweeps per step and contact points per pair.
struct EngineSettings {
  int iterations = kIterations;
  int maxContacts = 4;
};

// One engine's side of the comparison. `ground` spans [-half, half] in x and z.
struct Engine {
  const char* name;
  SphereResult (*spheres)(const Mesh& ground, float half, const std::vector<Point>& starts, int frames,
                          const EngineSettings& settings);
  StackResult (*stack)(const Mesh& floor, const std::vector<Point>& boxes, int frames, const EngineSettings& settings);
  EngineSettings settings;
};

Engine OurEngine();
Engine BulletEngine();
Engine OdeEngine(const char* name, int iterations, int maxContacts);

// The bookkeeping shared by every engine's stack run: call Step after each step with its time and
// whether every box sleeps, Track with each box's position during the run and Finish at the end.
struct StackRecorder {
  StackResult r;
  void Step(double seconds, bool allAsleep) {
    r.seconds += seconds;
    if (r.steps < kAwakeSteps) r.awakeSeconds += seconds;
    ++r.steps;
    if (allAsleep && r.restStep < 0) r.restStep = r.steps;
    if (!allAsleep) r.restStep = -1;
  }
  void Track(const Point& start, float x, float z) {
    const float d = std::hypot(x - start.x, z - start.z);
    if (d > r.drift || !std::isfinite(d)) r.drift = std::isfinite(d) ? d : r.drift;
  }
  void Finish(const Point& start, float x, float y, float z, bool asleep) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
      r.finite = false;
      return;
    }
    Track(start, x, z);
    const float settled = SettledHeight(start);
    r.sink = std::fmax(r.sink, settled - y);
    if (!asleep) ++r.awakeAtEnd;
  }
};

// Whether a sphere left the ground (fell below it or out past the rim of a ground of half size `half`).
inline bool Lost(float x, float y, float z, float half) {
  return y < GroundHeight(x, z) + 0.5f || std::fabs(x) > half || std::fabs(z) > half;
}

}  // namespace compare
