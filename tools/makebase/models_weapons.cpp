// The six view weapons, base/weapon/1..6.ms3d, modelled in eye space: the camera sits at the
// origin looking down -z, and each weapon lies in the lower right of the view with its muzzle at
// the point where the game draws that weapon's muzzle flash. The barrels run along -z.
#include <string>

#include "tools/makebase/models_mesh.h"

namespace makebase {

namespace {

// Regions of the weapon skins: gun metal on the left, wood on the right.
constexpr UvRect kMetal{0.02f, 0.05f, 0.58f, 0.95f};
constexpr UvRect kWood{0.62f, 0.05f, 0.98f, 0.95f};

// Muzzle points (the flash offsets of the view).
constexpr P3 kMuzzle[6] = {{0.323f, -0.16f, -1.05f}, {0.38f, -0.183f, -1.05f}, {0.225f, -0.235f, -1.8f},
                           {0.178f, -0.15f, -1.65f}, {0.125f, -0.15f, -1.8f},  {0.109f, -0.19f, -1.8f}};

struct Gun {
  ModelBuilder b;
  int metal = 0;
  int dark = 0;
  P3 m;  // the muzzle

  explicit Gun(int weapon) : m(kMuzzle[weapon]) {
    const std::string skin = TextureFile(42 + weapon);
    metal = b.AddMaterial("metal", skin, {0.9f, 0.9f, 0.92f}, 40.0f);
    dark = b.AddMaterial("dark", skin, {0.45f, 0.45f, 0.5f}, 20.0f);
  }
  // A point relative to the muzzle's line: dx, dy off the barrel axis, at depth z.
  P3 On(float dx, float dy, float z) const { return {m.x + dx, m.y + dy, z}; }
  void Barrel(float r, float z1, int sides = 10, float dx = 0.0f, float dy = 0.0f) {
    b.Use(metal);
    b.Cylinder(At(On(dx, dy, 0.0f)), r, m.z - 0.005f, z1, sides, true, kMetal);
  }
  void Tube(int material, float r, float dx, float dy, float z0, float z1, int sides, bool smooth = true) {
    b.Use(material);
    b.Cylinder(At(On(dx, dy, 0.0f)), r, z0, z1, sides, smooth, kMetal);
  }
  void Block(int material, P3 centre, P3 half, float tilt = 0.0f, UvRect uv = kMetal) {
    b.Use(material);
    b.Box(At(centre).TiltedX(tilt), half, uv);
  }
  void Wood(P3 centre, P3 half, float tilt = 0.0f) { Block(metal, centre, half, tilt, kWood); }
  // A pistol grip below the receiver at depth z, leaning back towards the shooter.
  void Grip(float z, float length, float dy = -0.05f) {
    Wood(On(0.0f, dy - length, z + 0.02f), {0.02f, length, 0.032f}, -16.0f);
    Block(dark, On(0.0f, dy - 0.015f, z - 0.05f), {0.006f, 0.018f, 0.028f});  // trigger guard
  }
};

void Pistol(Gun& g) {
  const float z = g.m.z;
  g.Barrel(0.012f, z + 0.08f);
  g.Block(g.metal, g.On(0.0f, 0.012f, z + 0.2f), {0.026f, 0.026f, 0.198f});  // slide
  g.Block(g.dark, g.On(0.0f, -0.03f, z + 0.23f), {0.022f, 0.017f, 0.17f});   // frame
  g.Block(g.dark, g.On(0.0f, 0.043f, z + 0.02f), {0.004f, 0.006f, 0.008f});  // front sight
  g.Block(g.dark, g.On(0.0f, 0.043f, z + 0.38f), {0.014f, 0.006f, 0.008f});  // rear sight
  g.Grip(z + 0.34f, 0.2f, -0.04f);
}

void LightMachineGun(Gun& g) {
  const float z = g.m.z;
  g.Barrel(0.016f, z + 0.3f);
  g.Tube(g.dark, 0.032f, 0.0f, 0.0f, z + 0.1f, z + 0.33f, 8, false);        // handguard
  g.Block(g.metal, g.On(0.0f, 0.005f, z + 0.47f), {0.04f, 0.045f, 0.16f});  // receiver
  g.Block(g.dark, g.On(0.0f, -0.1f, z + 0.4f), {0.02f, 0.07f, 0.034f}, 8.0f);  // magazine
  g.Block(g.dark, g.On(0.0f, 0.062f, z + 0.45f), {0.01f, 0.012f, 0.1f});       // sight rail
  g.Grip(z + 0.58f, 0.12f);
  g.Wood(g.On(0.0f, -0.01f, z + 0.72f), {0.03f, 0.04f, 0.14f}, 22.0f);           // stock
}

void Shotgun(Gun& g) {
  const float z = g.m.z;
  g.Barrel(0.024f, z + 0.9f);
  g.Tube(g.dark, 0.017f, 0.0f, -0.045f, z + 0.2f, z + 0.9f, 10);            // magazine tube
  g.b.Use(g.metal);
  g.b.Cylinder(At(g.On(0.0f, -0.04f, 0.0f)), 0.035f, z + 0.45f, z + 0.72f, 12, true, kWood);  // pump
  g.Block(g.metal, g.On(0.0f, -0.02f, z + 1.02f), {0.038f, 0.055f, 0.14f});  // receiver
  g.Block(g.dark, g.On(0.0f, 0.027f, z + 0.02f), {0.005f, 0.005f, 0.006f});  // bead sight
  g.Grip(z + 1.14f, 0.1f, -0.07f);
  g.Wood(g.On(0.0f, -0.075f, z + 1.36f), {0.032f, 0.05f, 0.19f}, 22.0f);     // stock
}

void MachineGun(Gun& g) {
  const float z = g.m.z;
  g.Barrel(0.014f, z + 0.65f);
  g.Tube(g.dark, 0.034f, 0.0f, 0.0f, z + 0.15f, z + 0.7f, 12);                // cooling jacket
  g.Block(g.metal, g.On(0.0f, -0.01f, z + 0.9f), {0.04f, 0.05f, 0.2f});      // receiver
  g.Block(g.dark, g.On(0.0f, -0.12f, z + 0.85f), {0.022f, 0.08f, 0.04f});    // magazine
  g.Block(g.dark, g.On(0.0f, 0.055f, z + 0.2f), {0.004f, 0.012f, 0.006f});   // front sight
  g.Grip(z + 1.05f, 0.1f, -0.06f);
  g.Wood(g.On(0.0f, -0.03f, z + 1.24f), {0.03f, 0.045f, 0.15f}, 22.0f);       // stock
}

void SuperShotgun(Gun& g) {
  const float z = g.m.z;
  // Two barrels side by side; the left muzzle is where the second flash is drawn.
  g.Barrel(0.03f, z + 0.95f);
  g.Barrel(0.03f, z + 0.95f, 10, -0.07f, -0.008f);
  g.Block(g.dark, g.On(-0.035f, 0.028f, z + 0.5f), {0.01f, 0.006f, 0.48f});  // sighting rib
  g.Wood(g.On(-0.035f, -0.045f, z + 0.65f), {0.058f, 0.028f, 0.2f});          // forend
  g.Block(g.metal, g.On(-0.035f, -0.015f, z + 1.05f), {0.07f, 0.05f, 0.11f}); // receiver
  g.Grip(z + 1.16f, 0.1f, -0.06f);
  // A short stock: a longer one would reach down over the HUD's health icon in the lower centre.
  g.Wood(g.On(-0.02f, -0.06f, z + 1.3f), {0.045f, 0.05f, 0.12f}, 22.0f);      // stock
}

void SuperMachineGun(Gun& g) {
  const float z = g.m.z;
  g.Tube(g.dark, 0.026f, 0.0f, 0.0f, z - 0.005f, z + 0.1f, 6, false);         // flash hider
  g.Barrel(0.016f, z + 0.7f);
  g.Block(g.dark, g.On(0.0f, -0.005f, z + 0.6f), {0.04f, 0.04f, 0.18f});      // handguard
  g.Block(g.metal, g.On(0.0f, 0.0f, z + 1.0f), {0.05f, 0.06f, 0.22f});        // receiver
  g.b.Use(g.dark);
  g.b.Cylinder(At(g.On(0.0f, -0.13f, z + 0.95f)).TurnedY(90.0f), 0.08f, -0.035f, 0.035f, 16, true, kMetal);  // drum
  g.Block(g.metal, g.On(0.0f, 0.085f, z + 1.0f), {0.012f, 0.02f, 0.12f});     // carry handle
  g.Grip(z + 1.2f, 0.1f, -0.07f);
  g.Wood(g.On(0.0f, -0.02f, z + 1.38f), {0.035f, 0.05f, 0.14f}, 22.0f);        // stock
}

}  // namespace

bool WriteViewWeapons(const std::string& outDir) {
  void (*const build[6])(Gun&) = {Pistol, LightMachineGun, Shotgun, MachineGun, SuperShotgun, SuperMachineGun};
  for (int w = 0; w < 6; ++w) {
    Gun gun(w);
    build[w](gun);
    if (!gun.b.Save(outDir, "base/weapon/" + std::to_string(w + 1) + ".ms3d")) return false;
  }
  return true;
}

}  // namespace makebase
