// Procedural low-poly humanoids for the generated characters: a rigid-segment skeleton posed by a
// few joint angles and hand targets, convex segment shapes per bone, and the skin regions they
// map into. Space: X forward, Y left, Z up; feet on z = 0 in the rest pose.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/formats/bhm_file.h"

namespace makebase::rig {

struct V3 {
  double x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b);
V3 operator-(V3 a, V3 b);
V3 operator*(V3 a, double s);
double Dot(V3 a, V3 b);
V3 Cross(V3 a, V3 b);
double Length(V3 a);
V3 Normalised(V3 a);

// A rigid transform: x' = r x + p (r row-major).
struct Xf {
  double r[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  V3 p;
  V3 Apply(V3 v) const;
  V3 ApplyDir(V3 v) const;
  Xf Inverse() const;
};
Xf operator*(const Xf& a, const Xf& b);
Xf Translate(V3 p);
Xf RotX(double deg);
Xf RotY(double deg);
Xf RotZ(double deg);
// Frame with its -Z axis running from start to end and X as close to hint as possible.
Xf LimbFrame(V3 start, V3 end, V3 hint);
// The tag record of a frame (origin and the three axes as OpenGL columns).
Tag ToTag(const char* name, const Xf& f);

// Where each kind of surface maps in the character skins (bmpTextures 8, 9 and 50..59, one layout
// for all, t up from the bottom of the picture): t 0.80..1.00 the head (s 0..0.5 the face, s
// 0.5..1 hair or hat), t 0.50..0.80 torso and arms (s 0..0.5 the front, s 0.5..1 back and
// sleeves), t 0.45..0.50 the belt, t 0.10..0.45 trousers, t 0..0.10 boots. The hand weapons'
// skins (42..47): s 0..0.6 gun metal, s 0.6..1 wood.
enum Region {
  kFace,      // the head all round: face in front, hair behind
  kHat,       // hats, helmets, bandanas: the hair or hat colour
  kSkin,      // neck, hands, nose: bare skin of the forehead
  kShirt,     // the chest all round: shirt in front, coat behind
  kSleeve,    // arms
  kCoat,      // vests and coats over the shirt
  kBelt,      // the belt all round, buckle in front
  kLeather,   // packs, pads, straps: belt leather without the buckle
  kTrousers,  // hips and legs
  kBoots,     // boots and feet
  kDark,      // a gun carried in the figure's own mesh, beards: the dark of the boots
  kGunMetal,  // hand weapons: metal
  kGunWood,   // hand weapons: stock and grip
  kRegionCount
};
// A region's texture rectangle. With split set, the front half of a wrapped part (u 0.25..0.75)
// maps to s0..s1 and the back half to backS0..backS1.
struct UvMap {
  float s0, s1, t0, t1;
  bool split = false;
  float backS0 = 0, backS1 = 0;
};
UvMap RegionMap(Region r);

enum Bone {
  kPelvis,
  kChest,
  kHead,
  kUpperArmL,
  kForeArmL,
  kUpperArmR,
  kForeArmR,
  kThighL,
  kShinL,
  kFootL,
  kThighR,
  kShinR,
  kFootR,
  kGun,
  kWaist,
  kBoneCount
};

// Body measures of one figure (model units).
struct Build {
  double footHeight = 3.0;
  double shinLength = 12.5;
  double thighLength = 13.5;
  double hipHalfWidth = 3.6;
  double waistUp = 3.0;     // pelvis joint to the waist (tag_torso)
  double torsoLength = 17;  // waist to the top of the chest
  double shoulderHalfWidth = 7.2;
  double shoulderDrop = 2.0;
  double upperArmLength = 10.0;
  double foreArmLength = 9.5;
  double neckLength = 2.5;
  double headHeight = 8.5;
  double headWidth = 5.8;
  double headDepth = 6.6;
  double chestWidth = 14.0, chestDepth = 8.0;
  double waistWidth = 11.0, waistDepth = 7.0;
  double hipWidth = 12.0;
  double thighRadius = 2.9, shinRadius = 2.2, armRadius = 2.0, foreArmRadius = 1.7;
  double belly = 0.0;  // extra depth at the waist
  // Gear.
  bool helmet = false, hat = false, bandana = false, backpack = false, vest = false, shoulderPads = false,
       beard = false, goggles = false, longCoat = false;
  int gun = 0;  // 0 none in the mesh, 1 rifle, 2 short carbine, 3 heavy gun
  bool dropsGun = false;  // a death lets the gun fall to the ground
  double HipHeight() const { return footHeight + shinLength + thighLength; }
  double Height() const { return HipHeight() + waistUp + torsoLength + neckLength + headHeight; }
};

struct Pose {
  // Whole body: a fall turns everything about the Y axis through fallPivot (degrees; positive
  // pitches the figure forward onto its face).
  double fallAngle = 0;
  V3 fallPivot;
  double pelvisX = 0, pelvisZ = 0;
  double pelvisPitch = 0, pelvisRoll = 0, pelvisYaw = 0;
  double chestPitch = 0, chestRoll = 0, chestYaw = 0;
  double headPitch = 0, headRoll = 0, headYaw = 0;
  // Legs, index 0 left and 1 right: thigh swing forward, knee bend, foot pitch beyond level, spread.
  double thigh[2] = {0, 0}, knee[2] = {0, 0}, foot[2] = {0, 0}, spread[2] = {0, 0};
  // Arms: hand targets and elbow pole directions in the chest frame.
  V3 hand[2];
  V3 elbowPole[2];
  // Gun (in the chest frame): grip position and aim angles; a hand on the gun follows it.
  V3 gunPos;
  double gunPitch = 0, gunYaw = 0, gunRoll = 0;
  bool handOnGun[2] = {false, false};
  // A dropped gun: by gunDrop (0..1) it goes from the chest's hold to lying on the ground at
  // gunGround (x, y; z is found from the ground) turned by gunGroundYaw.
  double gunDrop = 0;
  V3 gunGround;
  double gunGroundYaw = 0;
};

// The rest pose of a build: arms hanging, gun (if any) held low.
Pose RestPose(const Build& b);
// Hands on a gun aimed straight ahead from the right shoulder (at chest-frame height z).
void AimGun(const Build& b, Pose& p, double z, double forward);

// World frames of every bone for a pose.
std::array<Xf, kBoneCount> SolvePose(const Build& b, const Pose& pose);

// One vertex of a figure mesh: the bone it rides on, its place in that bone's frame, its texture
// coordinate.
struct RigVertex {
  int bone;
  V3 local;
  float s, t;
};
struct RigMesh {
  std::vector<RigVertex> vertices;
  std::vector<std::array<int, 3>> triangles;  // clockwise seen from outside
};

// A convex loft along the shape's own Z: rings of (centre x, centre y, half width x, half width y)
// at increasing z. Placed in the bone frame by place; uv inside the region.
struct Ring {
  double z, cx, cy, rx, ry;
};
void AddLoft(RigMesh& mesh, int bone, const Xf& place, const std::vector<Ring>& rings, int sides, Region region);
// A box (optionally narrower at the top: taper scales the top face's half widths).
void AddBox(RigMesh& mesh, int bone, const Xf& place, V3 lo, V3 hi, Region region, double taperX = 1.0,
            double taperY = 1.0);

// The body of a build (every bone but the gun), and its gun on kGun.
void AddBody(RigMesh& mesh, const Build& b);
void AddGun(RigMesh& mesh, int bone, int kind, Region metal, Region wood);

// Vertices of the mesh for one frame, each moved by its bone's frame then by post.
void PoseVertices(const RigMesh& mesh, const std::array<Xf, kBoneCount>& frames, const Xf& post,
                  std::vector<BhmVec3>& out);
// The lowest z of the posed mesh (leaving out the vertices of one bone, if given).
double LowestZ(const RigMesh& mesh, const std::array<Xf, kBoneCount>& frames, int skipBone = -1);
// Moves the gun's frame towards its place on the ground (z = groundZ) by the pose's gunDrop; the
// gun lies on its side, resting on the lowest of its vertices in mesh.
void DropGun(const RigMesh& mesh, const Pose& pose, double groundZ, std::array<Xf, kBoneCount>& frames);

// A MeshObject with the mesh's topology (frames appended later).
MeshObject MeshTopology(const RigMesh& mesh, const char* name);

}  // namespace makebase::rig
