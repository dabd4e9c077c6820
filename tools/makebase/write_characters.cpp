// The characters of the data set: the player character in three parts with six hand weapons, and
// four bandits, each with its animation file. All figures are procedural (characters_rig.cpp) and
// key-framed (characters_motion.cpp).
#include <cstdio>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/ms3d_file.h"
#include "tools/makebase/characters.h"
#include "tools/makebase/characters_motion.h"
#include "tools/makebase/makebase.h"

namespace makebase {

using namespace rig;

namespace {

struct AnimLine {
  const char* name;
  Motion motion;
  int frames;
  int fps;
};

// The lines of a character's animation file; torso lines come first and number the frames from 0,
// the legs lines continue the numbering.
std::string AnimationConfig(const char* title, const std::vector<AnimLine>& torso, const std::vector<AnimLine>& legs,
                            const char* note) {
  std::string s;
  s += std::string("// animation file of ") + title + "\n";
  s += "// first frame, frame count, looping frames, frames per second\n";
  s += std::string("// ") + note + "\n\n";
  s += "sex m\n\n";
  int frame = 0;
  char line[160];
  for (const auto* list : {&torso, &legs}) {
    for (const AnimLine& a : *list) {
      std::snprintf(line, sizeof line, "%d\t%d\t0\t%d\t\t// %s\n", frame, a.frames, a.fps, a.name);
      s += line;
      frame += a.frames;
    }
  }
  return s;
}

// The part of a mesh whose vertices ride on the given bones.
RigMesh SelectBones(const RigMesh& mesh, std::initializer_list<int> bones) {
  RigMesh out;
  std::vector<int> map(mesh.vertices.size(), -1);
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    for (int b : bones) {
      if (mesh.vertices[i].bone == b) {
        map[i] = static_cast<int>(out.vertices.size());
        out.vertices.push_back(mesh.vertices[i]);
        break;
      }
    }
  }
  for (const auto& t : mesh.triangles)
    if (map[t[0]] >= 0 && map[t[1]] >= 0 && map[t[2]] >= 0) out.triangles.push_back({map[t[0]], map[t[1]], map[t[2]]});
  return out;
}

void AppendFrame(MeshObject& mesh, const RigMesh& rig, const std::array<Xf, kBoneCount>& frames, const Xf& post) {
  PoseVertices(rig, frames, post, mesh.vertices);
  ++mesh.numOfFrames;
}

Build PlayerBuild() {
  Build b;
  b.headWidth = 6.2;
  b.headDepth = 7.0;
  return b;
}

// The six hand weapons, grip at the origin, barrel along +X: pistol, light machine gun, shotgun,
// machine gun, double-barrelled shotgun, heavy machine gun.
RigMesh HandWeapon(int k) {
  RigMesh m;
  const Xf id;
  const Xf alongX = RotY(90);
  auto barrel = [&](double x0, double x1, double y, double z, double r, int sides) {
    AddLoft(m, 0, alongX, {{x0, -z, y, r, r}, {x1, -z, y, r, r}}, sides, kGunMetal);
  };
  switch (k) {
    case 1:  // pistol
      AddBox(m, 0, id, {-1.0, -0.6, -3.2}, {0.9, 0.6, 0.0}, kGunWood, 0.9, 1.0);
      AddBox(m, 0, id, {-1.4, -0.7, 0.0}, {5.5, 0.7, 1.5}, kGunMetal);
      barrel(5.5, 6.3, 0, 0.9, 0.35, 6);
      break;
    case 2:  // light machine gun
      AddBox(m, 0, id, {-7.0, -0.7, -2.2}, {-1.5, 0.7, 0.6}, kGunWood);
      AddBox(m, 0, id, {-1.5, -0.9, -1.0}, {7.5, 0.9, 1.5}, kGunMetal);
      AddBox(m, 0, id, {-0.7, -0.6, -3.6}, {0.7, 0.6, -1.0}, kGunWood);
      AddBox(m, 0, id, {2.0, -0.6, -4.5}, {3.6, 0.6, -1.0}, kGunMetal);
      barrel(7.5, 16.0, 0, 0.5, 0.45, 6);
      break;
    case 3:  // shotgun
      AddBox(m, 0, id, {-8.0, -0.7, -2.6}, {-1.0, 0.7, 0.4}, kGunWood, 1.0, 1.0);
      AddBox(m, 0, id, {-1.0, -0.8, -0.9}, {4.0, 0.8, 1.3}, kGunMetal);
      barrel(4.0, 17.0, 0, 0.7, 0.6, 8);
      barrel(5.0, 12.0, 0, -0.4, 0.65, 8);
      break;
    case 4:  // machine gun
      AddBox(m, 0, id, {-7.5, -0.8, -2.4}, {-1.5, 0.8, 0.8}, kGunWood);
      AddBox(m, 0, id, {-1.5, -1.1, -1.2}, {8.5, 1.1, 1.8}, kGunMetal);
      AddBox(m, 0, id, {-0.7, -0.6, -3.8}, {0.7, 0.6, -1.2}, kGunWood);
      AddBox(m, 0, id, {1.5, -0.8, -5.5}, {3.8, 0.8, -1.2}, kGunMetal);
      AddBox(m, 0, id, {0.0, -0.4, 1.8}, {5.0, 0.4, 2.6}, kGunMetal);
      barrel(8.5, 14.0, 0, 0.5, 0.9, 8);
      barrel(14.0, 19.0, 0, 0.5, 0.45, 6);
      break;
    case 5:  // double-barrelled shotgun
      AddBox(m, 0, id, {-8.0, -0.8, -2.8}, {-1.0, 0.8, 0.4}, kGunWood);
      AddBox(m, 0, id, {-1.0, -1.1, -1.0}, {3.5, 1.1, 1.2}, kGunMetal);
      barrel(3.5, 16.0, 0.55, 0.2, 0.55, 8);
      barrel(3.5, 16.0, -0.55, 0.2, 0.55, 8);
      break;
    default:  // heavy machine gun
      AddBox(m, 0, id, {-7.0, -1.2, -2.6}, {-1.5, 1.2, 1.0}, kGunWood);
      AddBox(m, 0, id, {-1.5, -1.4, -1.6}, {9.0, 1.4, 2.2}, kGunMetal);
      AddBox(m, 0, id, {-0.8, -0.7, -4.0}, {0.8, 0.7, -1.6}, kGunWood);
      AddBox(m, 0, id, {2.0, -3.2, -3.0}, {6.0, -1.4, 1.5}, kGunMetal);
      barrel(9.0, 18.0, 0, 0.4, 1.35, 8);
      barrel(18.0, 21.0, 0, 0.4, 0.6, 6);
      AddBox(m, 0, id, {-1.0, -0.5, 2.2}, {6.0, 0.5, 3.2}, kGunMetal);
      break;
  }
  return m;
}

}  // namespace

void BuildPlayer(PlayerParts& out) {
  const Build b = PlayerBuild();
  RigMesh body;
  AddBody(body, b);
  const RigMesh lowerRig = SelectBones(body, {kPelvis, kThighL, kShinL, kFootL, kThighR, kShinR, kFootR});
  const RigMesh upperRig = SelectBones(body, {kChest, kUpperArmL, kForeArmL, kUpperArmR, kForeArmR});
  const RigMesh headRig = SelectBones(body, {kHead});

  const std::vector<AnimLine> torso = {{"TORSO_1", Motion::kStand, 4, 5},
                                       {"TORSO_2", Motion::kRecoil, 4, 12},
                                       {"TORSO_3", Motion::kDieBackwards, 60, 10}};
  const std::vector<AnimLine> legs = {{"LEGS_1", Motion::kStand, 4, 5},
                                      {"LEGS_2", Motion::kRun, 10, 15},
                                      {"LEGS_3", Motion::kRunBackwards, 10, 12},
                                      {"LEGS_5", Motion::kDieBackwards, 60, 10}};
  out.animationConfig = AnimationConfig("the player character", torso, legs,
                                        "legs: stand, run, run backwards, dead; torso: aim, fire, dead");

  // Upper body: everything relative to the waist (tag_torso of the lower part).
  MeshObject upper = MeshTopology(upperRig, "upper");
  out.upper = ModelPart{};
  out.upper.numOfTags = 2;
  for (const AnimLine& a : torso) {
    for (int i = 0; i < a.frames; ++i) {
      Pose p = RestPose(b);
      TorsoPose(b, a.motion, i, a.frames, p);
      const auto frames = SolvePose(b, p);
      const Xf toWaist = frames[kWaist].Inverse();
      AppendFrame(upper, upperRig, frames, toWaist);
      out.upper.tags.push_back(ToTag("tag_weapon", toWaist * frames[kGun]));
      out.upper.tags.push_back(ToTag("tag_head", toWaist * frames[kHead]));
    }
  }
  out.upper.numOfFrames = upper.numOfFrames;
  out.upper.objects.push_back(std::move(upper));
  out.upper.numOfObjects = 1;

  // Lower body: stands on the ground in every frame; a death lays the whole figure down.
  MeshObject lower = MeshTopology(lowerRig, "lower");
  out.lower = ModelPart{};
  out.lower.numOfTags = 1;
  for (const AnimLine& a : legs) {
    const bool death = a.motion == Motion::kDieBackwards;
    for (int i = 0; i < a.frames; ++i) {
      Pose p = RestPose(b);
      LegsPose(b, a.motion, i, a.frames, p);
      TorsoPose(b, death ? Motion::kDieBackwards : Motion::kStand, death ? i : 0, death ? 60 : 4, p);
      const auto frames = SolvePose(b, p);
      const double lowest = LowestZ(body, frames);
      const Xf post = Translate({0, 0, kPlayerFeetZ - lowest});
      AppendFrame(lower, lowerRig, frames, post);
      out.lower.tags.push_back(ToTag("tag_torso", post * frames[kWaist]));
    }
  }
  out.lower.numOfFrames = lower.numOfFrames;
  out.lower.objects.push_back(std::move(lower));
  out.lower.numOfObjects = 1;

  // Head: one frame in the neck's frame (tag_head carries its motion).
  {
    const auto frames = SolvePose(b, RestPose(b));
    MeshObject head = MeshTopology(headRig, "head");
    AppendFrame(head, headRig, frames, frames[kHead].Inverse());
    out.head = ModelPart{};
    out.head.numOfFrames = 1;
    out.head.objects.push_back(std::move(head));
    out.head.numOfObjects = 1;
  }

  // The hit mesh: the standing figure turned from the part space (X forward, Y left, Z up) into
  // world axes (X left, Y up, Z forward) and scaled to world units.
  {
    Pose p = RestPose(b);
    LegsPose(b, Motion::kStand, 0, 4, p);
    TorsoPose(b, Motion::kStand, 0, 4, p);
    const auto frames = SolvePose(b, p);
    std::vector<BhmVec3> posed;
    PoseVertices(body, frames, Translate({0, 0, kPlayerFeetZ - LowestZ(body, frames)}), posed);
    HitMesh& hit = out.hitMesh;
    hit = HitMesh{};
    for (size_t i = 0; i < posed.size(); ++i) {
      const BhmVec3& v = posed[i];
      hit.vertices.push_back({v.y / 15.0f, v.z / 15.0f, v.x / 15.0f});
      hit.texCoords.push_back({body.vertices[i].s, body.vertices[i].t});
    }
    // The parts' triangles are clockwise seen from outside; static models take them the other way.
    for (const auto& t : body.triangles) hit.triangles.push_back({t[0], t[2], t[1]});
  }

  for (int k = 1; k <= 6; ++k) {
    const RigMesh w = HandWeapon(k);
    MeshObject mesh = MeshTopology(w, "weapon");
    std::array<Xf, kBoneCount> identity{};
    AppendFrame(mesh, w, identity, Xf{});
    ModelPart& part = out.weapons[k - 1];
    part = ModelPart{};
    part.numOfFrames = 1;
    part.objects.push_back(std::move(mesh));
    part.numOfObjects = 1;
  }
}

namespace {

Build BanditBuild(int k) {
  Build b;
  b.dropsGun = true;
  switch (k) {
    case 1:  // heavy: broad, armoured, big gun
      b.shinLength = 12.0, b.thighLength = 13.0, b.torsoLength = 17.5;
      b.chestWidth = 16.5, b.chestDepth = 10.0, b.waistWidth = 14.5, b.waistDepth = 9.0, b.hipWidth = 14.0;
      b.belly = 2.0, b.shoulderHalfWidth = 8.3, b.hipHalfWidth = 4.0;
      b.thighRadius = 3.5, b.shinRadius = 2.6, b.armRadius = 2.5, b.foreArmRadius = 2.1;
      b.headWidth = 6.4, b.headDepth = 7.0;
      b.helmet = true, b.vest = true, b.shoulderPads = true;
      b.gun = 3;
      break;
    case 2:  // tall and thin, wide hat, long rifle
      b.shinLength = 14.0, b.thighLength = 15.0, b.torsoLength = 17.5;
      b.chestWidth = 12.5, b.chestDepth = 7.0, b.waistWidth = 9.5, b.waistDepth = 6.2, b.hipWidth = 10.5;
      b.shoulderHalfWidth = 6.4, b.hipHalfWidth = 3.1;
      b.upperArmLength = 10.8, b.foreArmLength = 10.2;
      b.thighRadius = 2.4, b.shinRadius = 1.9, b.armRadius = 1.7, b.foreArmRadius = 1.45;
      b.headHeight = 8.8, b.headWidth = 5.4;
      b.hat = true, b.beard = true;
      b.gun = 1;
      break;
    case 3:  // short and stocky, bandana and pack, carbine
      b.shinLength = 11.0, b.thighLength = 12.0, b.torsoLength = 16.0;
      b.chestWidth = 15.0, b.chestDepth = 9.0, b.waistWidth = 12.5, b.hipWidth = 12.5;
      b.shoulderHalfWidth = 7.6, b.upperArmLength = 9.0, b.foreArmLength = 8.8;
      b.thighRadius = 3.2, b.shinRadius = 2.5, b.armRadius = 2.3, b.foreArmRadius = 2.0;
      b.headHeight = 9.0, b.headWidth = 6.4, b.headDepth = 7.0;
      b.bandana = true, b.backpack = true;
      b.gun = 2;
      break;
    default:  // wiry raider with goggles and pads
      b.shinLength = 12.8, b.thighLength = 13.8, b.torsoLength = 17.0;
      b.chestWidth = 13.5, b.chestDepth = 7.8;
      b.goggles = true, b.shoulderPads = true, b.beard = true;
      b.gun = 1;
      break;
  }
  return b;
}

}  // namespace

void BuildBandit(int k, BanditParts& out) {
  const Build b = BanditBuild(k);
  RigMesh mesh;
  AddBody(mesh, b);
  AddGun(mesh, kGun, b.gun, kDark, kLeather);

  const std::vector<AnimLine> torso = {{"TORSO_1", Motion::kStand, 1, 10},
                                       {"TORSO_2", Motion::kStand, 1, 10},
                                       {"TORSO_3", Motion::kStand, 1, 10}};
  const std::vector<AnimLine> legs = {{"LEGS_1", Motion::kRun, 10, 15},
                                      {"LEGS_2", Motion::kDieBackwards, 60, 10},
                                      {"LEGS_3", Motion::kDieForwards, 60, 10}};
  out.animationConfig = AnimationConfig(
      ("bandit " + std::to_string(k)).c_str(), torso, legs,
      "one part holds the whole figure; the torso lines only start the frame numbering");

  // The muzzle sits where the drawing puts the flash: 1.6 ahead, 2.8 up and 0.4 right of the
  // origin in world units (times 16.5 here), measured on the feet-on-ground figure.
  const V3 muzzleTarget{1.6 * 16.5, -0.4 * 16.5, 2.8 * 16.5 - kBanditFeetZ};
  const V3 muzzleLocal{20.0, 0.0, 0.8};
  V3 correction{0, 0, 0};
  {
    const int n = 10;
    for (int i = 0; i < n; ++i) {
      Pose p = RestPose(b);
      LegsPose(b, Motion::kRun, i, n, p);
      TorsoPose(b, Motion::kRun, i, n, p);
      const auto frames = SolvePose(b, p);
      const V3 muzzle = frames[kGun].Apply(muzzleLocal) - V3{0, 0, LowestZ(mesh, frames, kGun)};
      correction = correction + frames[kChest].Inverse().ApplyDir(muzzleTarget - muzzle) * (1.0 / n);
    }
  }

  MeshObject obj = MeshTopology(mesh, "body");
  for (const AnimLine& a : legs) {
    for (int i = 0; i < a.frames; ++i) {
      Pose p = RestPose(b);
      LegsPose(b, a.motion, i, a.frames, p);
      TorsoPose(b, a.motion, i, a.frames, p);
      double weight = 1.0;
      if (a.motion != Motion::kRun) weight = std::max(0.0, 1.0 - static_cast<double>(i) / FallFrames());
      p.gunPos = p.gunPos + correction * weight;
      auto frames = SolvePose(b, p);
      // The body rests on the ground; a dropped gun lands beside it.
      const double ground = LowestZ(mesh, frames, kGun);
      DropGun(mesh, p, ground, frames);
      AppendFrame(obj, mesh, frames, Translate({0, 0, kBanditFeetZ - ground}));
    }
  }
  out.lower = ModelPart{};
  out.lower.numOfFrames = obj.numOfFrames;
  out.lower.objects.push_back(std::move(obj));
  out.lower.numOfObjects = 1;
}

Ms3dData HitMeshModel(const HitMesh& hit) {
  Ms3dData model;
  for (const BhmVec3& v : hit.vertices) {
    Ms3dVertex mv;
    mv.location[0] = v.x, mv.location[1] = v.y, mv.location[2] = v.z;
    model.vertices.push_back(mv);
  }
  Ms3dGroup group;
  group.name = "player";
  group.materialIndex = 0;
  for (const auto& t : hit.triangles) {
    Ms3dTriangle tri;
    const BhmVec3 &a = hit.vertices[t[0]], &b = hit.vertices[t[1]], &c = hit.vertices[t[2]];
    const V3 n = Normalised(Cross(V3{b.x - a.x, b.y - a.y, b.z - a.z}, V3{c.x - a.x, c.y - a.y, c.z - a.z}));
    for (int k = 0; k < 3; ++k) {
      tri.vertexIndices[k] = t[k];
      tri.s[k] = hit.texCoords[t[k]][0];
      tri.t[k] = hit.texCoords[t[k]][1];
      tri.vertexNormals[k][0] = static_cast<float>(n.x);
      tri.vertexNormals[k][1] = static_cast<float>(n.y);
      tri.vertexNormals[k][2] = static_cast<float>(n.z);
    }
    group.triangleIndices.push_back(static_cast<int>(model.triangles.size()));
    model.triangles.push_back(tri);
  }
  model.groups.push_back(group);
  Ms3dMaterial skin;
  skin.name = "player";
  skin.textureFile = "base/textures/tex08.bmp";
  model.materials.push_back(skin);
  return model;
}

bool WriteCharacters(const std::string& outDir) {
  auto write = [&](const std::string& rel, const std::vector<uint8_t>& bytes) {
    return WriteWholeFile(outDir + "/" + rel, bytes, true);
  };
  auto writeText = [&](const std::string& rel, const std::string& text) {
    return write(rel, std::vector<uint8_t>(text.begin(), text.end()));
  };
  PlayerParts player;
  BuildPlayer(player);
  const std::string dir = kPlayerCharacterDir;
  const std::string name = kPlayerCharacterName;
  bool ok = write(dir + name + "_lower.bhm", SerializeBhm(player.lower, name + "_lower")) &&
            write(dir + name + "_upper.bhm", SerializeBhm(player.upper, name + "_upper")) &&
            write(dir + name + "_head.bhm", SerializeBhm(player.head, name + "_head")) &&
            writeText(dir + name + "_animation.cfg", player.animationConfig) &&
            SaveMs3dFile(outDir + "/" + kPlayerHitMeshFile, HitMeshModel(player.hitMesh));
  for (int k = 1; k <= 6 && ok; ++k)
    ok = write(dir + std::to_string(k) + ".bhm", SerializeBhm(player.weapons[k - 1], std::to_string(k)));
  for (int k = 1; k <= kBanditCount && ok; ++k) {
    BanditParts bandit;
    BuildBandit(k, bandit);
    const std::string base = kBanditCharacterDir + std::to_string(k);
    ok = write(base + "_lower.bhm", SerializeBhm(bandit.lower, std::to_string(k) + "_lower")) &&
         writeText(base + "_animation.cfg", bandit.animationConfig);
  }
  return ok;
}

}  // namespace makebase
