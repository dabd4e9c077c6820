// Rest detection, resting contacts and stacks, end to end through the public interface and through
// the internal records.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "physics_test_support.h"

using namespace phys;

namespace {

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }


}  // namespace

TEST(RestEndToEnd, DroppedSphereSitsOnTheFloorEitherWinding) {
  for (bool reversed : {false, true}) {
    GameWorld world;
    world.Floor(30.0f, reversed);
    RigidBody* b = world.Sphere(Vec3(0, 10, 0));
    // Contacts are found once the sphere overlaps the floor: the step of the first impact, at 8.4
    // units/s, may end up to that step's travel (0.078) deep. Once down it never sinks below 1.2.
    float lowest = 100.0f, lowestLanded = 100.0f;
    for (int frame = 0; frame < 715; ++frame) {  // 20 s
      world.Frame();
      ASSERT_TRUE(Finite(b->GetPos()) && Finite(b->GetVelocity())) << frame;
      lowest = std::fmin(lowest, b->GetPos().y);
      if (frame >= 100) lowestLanded = std::fmin(lowestLanded, b->GetPos().y);
    }
    EXPECT_GE(lowest, 1.25f - 0.08f) << reversed;
    EXPECT_GE(lowestLanded, 1.2f) << reversed;
    EXPECT_NEAR(b->GetPos().y, 1.25f, 0.02f) << reversed;
    EXPECT_LT(b->GetVelocity().Length(), 0.05f) << reversed;
    EXPECT_NEAR(b->GetPos().x, 0.0f, 1e-3f);
    EXPECT_NEAR(b->GetPos().z, 0.0f, 1e-3f);
    // One supporting contact never puts a body to sleep; it waits in the list of resting bodies.
    RigidBodyImpl* body = Body(b);
    EXPECT_EQ(body->restState, 0);
    ASSERT_NE(body->stackInfo, nullptr);
    EXPECT_EQ(body->stackInfo->header, &world.W()->defaultStackList);
    EXPECT_EQ(world.W()->stackList.count, 0);
  }
}

// The game's sphere dropped 0.75 onto a floor of 0.5 grid cells (two triangles each, 100 x 100 over
// [-25, 25]^2), along a row of drop points that lands it on and between the cells' edges, without
// friction (the game's material) and with a little: it comes to rest at 1.25 everywhere. (Without
// friction, a contact whose velocity had a mere sliver of a tangential part once got no impulse at
// all: the sphere went on falling at free-fall speed while its position was pushed back out, sank
// slowly, and was thrown up seconds later.)
TEST(RestEndToEnd, GameSphereRestsOnAGridFloorWhereverItLands) {
  for (float friction : {0.0f, 0.1f}) {
    for (int k = -10; k <= 10; ++k) {
      const float x = 0.1f * static_cast<float>(k);
      GameWorld world;
      world.sim->SetMaterial(0, friction, 0.1f);
      const int n = 100;
      for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) world.verts.emplace_back(-25.0f + 0.5f * i, 0.0f, -25.0f + 0.5f * j);
      }
      for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
          const int a = j * (n + 1) + i;
          world.AddQuad(a, a + 1, a + n + 2, a + n + 1);
        }
      }
      world.Mesh();
      RigidBody* b = world.Sphere(Vec3(x, 2.0f, 0.2f));
      float lowest = 100.0f, off = 0.0f, fastest = 0.0f;
      for (int frame = 0; frame < 216; ++frame) {  // 6 s
        b->SetAngularMomentum(Vec3());
        world.Frame();
        lowest = std::fmin(lowest, b->GetPos().y);
        if (frame >= 180) {
          off = std::fmax(off, std::fabs(b->GetPos().y - 1.25f));
          fastest = std::fmax(fastest, b->GetVelocity().Length());
        }
      }
      EXPECT_GE(lowest, 1.2f) << friction << " " << x;
      EXPECT_LE(off, 0.01f) << friction << " " << x;
      EXPECT_LT(fastest, 0.05f) << friction << " " << x;
    }
  }
}

TEST(RestEndToEnd, SphereLandingFastStaysOnTheSurface) {
  GameWorld world;
  world.Floor(30.0f);
  RigidBody* b = world.Sphere(Vec3(0, 4, 0));
  b->SetVelocity(Vec3(0, -80, 0));
  float lowest = 100.0f;
  for (int frame = 0; frame < 200; ++frame) {
    world.Frame();
    ASSERT_TRUE(Finite(b->GetPos()));
    lowest = std::fmin(lowest, b->GetPos().y);
  }
  EXPECT_GT(lowest, 0.4f);  // never through the floor
  EXPECT_NEAR(b->GetPos().y, 1.25f, 0.02f);
  EXPECT_LT(b->GetVelocity().Length(), 0.05f);
}

TEST(RestEndToEnd, FrictionlessSlopeAcceleratesAtGSinTheta) {
  GameWorld world;
  const float theta = 20.0f * 3.14159265f / 180.0f;
  const float c = std::cos(theta), s = std::sin(theta);
  // A plane through the origin falling towards +x: height y = -x tan(theta).
  const float L = 200.0f;
  world.verts = {Vec3(-L * c, L * s, -40), Vec3(L * c, -L * s, -40), Vec3(L * c, -L * s, 40),
                 Vec3(-L * c, L * s, 40)};
  world.AddQuad(0, 1, 2, 3);
  world.Mesh();
  const Vec3 normal(s, c, 0);
  RigidBody* b = world.Sphere(normal * 1.25f);
  const Vec3 down(c, -s, 0);
  float t = 0.0f;
  for (int frame = 0; frame < 36; ++frame) {
    world.Frame();
    t += 0.028f;
  }
  const float along = b->GetVelocity().Dot(down);
  EXPECT_NEAR(along, 4.0f * s * t, 0.02f * 4.0f * s * t);
  // It stays on the plane.
  EXPECT_NEAR((b->GetPos() - Vec3()).Dot(normal), 1.25f, 0.03f);
}

TEST(RestEndToEnd, GameDriveKeepsSpeedBoundedAndTheSphereUp) {
  GameWorld world;
  world.Floor(400.0f);
  RigidBody* b = world.Sphere(Vec3(0, 1.25f, 0));
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f), step(0.3f, 3.0f);
  std::uniform_int_distribution<int> keyHeld(0, 3);
  Vec3 move;
  float highest = 0.0f, lowest = 100.0f;
  for (int frame = 0; frame < 1500; ++frame) {
    if (frame % 40 == 0) move = keyHeld(rng) == 0 ? Vec3() : Vec3(unit(rng), 0, unit(rng)) * 20.0f;
    const float frameStep = step(rng);
    b->SetAngularMomentum(Vec3());
    b->SetForce(move);
    Vec3 v = b->GetVelocity();
    if (std::sqrt(v.x * v.x + v.z * v.z) > 3.5f || move.Length() < 0.5f) {
      v.y = 0.0f;
      b->SetForce(v * -2.0f);
    }
    world.sim->Advance(frameStep * 0.028f, static_cast<int>(2.0f * frameStep) + 1, nullptr);
    const Vec3 p = b->GetPos();
    ASSERT_TRUE(Finite(p) && Finite(b->GetVelocity())) << frame;
    lowest = std::fmin(lowest, p.y);
    highest = std::fmax(highest, b->GetVelocity().Length());
  }
  EXPECT_GE(lowest, 1.2f);
  EXPECT_LT(highest, 10.0f);
}

TEST(RestEndToEnd, ThreeBoxesSettleSleepAsOneStackAndWakeWhenTheBottomGoes) {
  GameWorld world;
  world.sim->SetMaterial(0, 0.5f, 0.1f);
  world.Floor(20.0f);
  RigidBody* boxes[3];
  for (int i = 0; i < 3; ++i) boxes[i] = world.Box(Vec3(0, 0.5f + 1.0f * i + 0.02f * (i + 1), 0));
  int idleAt = -1;
  for (int step = 0; step < 900; ++step) {
    world.sim->Advance(0.028f / 3.0f, 1, nullptr);
    bool all = true;
    for (RigidBody* b : boxes) all = all && b->IsIdle();
    if (all && idleAt < 0) idleAt = step;
  }
  for (int i = 0; i < 3; ++i) {
    const Vec3 p = boxes[i]->GetPos();
    ASSERT_TRUE(Finite(p));
    EXPECT_NEAR(p.y, 0.5f + i, 0.03f) << i;
    EXPECT_NEAR(p.x, 0.0f, 0.03f) << i;
    EXPECT_NEAR(p.z, 0.0f, 0.03f) << i;
  }
  ASSERT_GE(idleAt, 0);
  EXPECT_LE(idleAt, 650);
  // One stack holds all three.
  ASSERT_NE(Body(boxes[0])->stackInfo, nullptr);
  StackHeader* stack = Body(boxes[0])->stackInfo->header;
  ASSERT_NE(stack, nullptr);
  EXPECT_EQ(stack->isDefault, 0);
  EXPECT_EQ(stack->count, 3);
  for (RigidBody* b : boxes) EXPECT_EQ(Body(b)->stackInfo->header, stack);

  // The bottom box goes: the others wake and fall.
  world.sim->FreeRigidBody(boxes[0]);
  for (int step = 0; step < 30; ++step) world.sim->Advance(0.028f / 3.0f, 1, nullptr);
  EXPECT_FALSE(boxes[1]->IsIdle());
  EXPECT_FALSE(boxes[2]->IsIdle());
  EXPECT_LT(boxes[1]->GetPos().y, 1.45f);
  for (int step = 0; step < 900; ++step) world.sim->Advance(0.028f / 3.0f, 1, nullptr);
  EXPECT_NEAR(boxes[1]->GetPos().y, 0.5f, 0.03f);
  EXPECT_NEAR(boxes[2]->GetPos().y, 1.5f, 0.03f);
}

// A support that is deactivated or loses its geometry holds nothing up, as a freed one does not:
// the top box of a sleeping stack of three comes down onto the bottom one.
TEST(RestEndToEnd, ASupportDeactivatedOrWithoutGeometryLetsTheBoxAboveFall) {
  for (int way = 0; way < 2; ++way) {
    GameWorld world;
    world.sim->SetMaterial(0, 0.5f, 0.1f);
    world.Floor(20.0f);
    RigidBody* boxes[3];
    for (int i = 0; i < 3; ++i) boxes[i] = world.Box(Vec3(0, 0.5f + 1.0f * i + 0.02f * (i + 1), 0));
    for (int step = 0; step < 700; ++step) world.sim->Advance(0.028f / 3.0f, 1, nullptr);
    for (RigidBody* b : boxes) ASSERT_TRUE(b->IsIdle()) << way;
    if (way == 0) {
      boxes[1]->Active(false, static_cast<RigidBody*>(nullptr));
    } else {
      boxes[1]->BeginIterateGeometry();
      ASSERT_TRUE(boxes[1]->RemoveGeometry(boxes[1]->GetNextGeometry()));
    }
    EXPECT_EQ(Body(boxes[1])->restingOnMe, nullptr) << way;
    for (int step = 0; step < 300; ++step) world.sim->Advance(0.028f / 3.0f, 1, nullptr);
    EXPECT_NEAR(boxes[2]->GetPos().y, 1.5f, 0.03f) << way;
    EXPECT_NEAR(boxes[0]->GetPos().y, 0.5f, 0.03f) << way;
  }
}

// A support that stops colliding with what rests on it, or no longer fills the space under it,
// holds it up no more: the top box of a sleeping stack of three (ids 0, 1, 2 from the bottom) comes
// down when the middle box's id or the collision table ends the middle/top pair, when the middle
// box shrinks (and falls onto the bottom box with the top one on it) or when its geometry is moved
// aside. The middle box's bounds follow its geometry without a call of UpdateBoundingInfo, so
// moved aside it lands on the floor rather than falling through it (id -1 meets no terrain).
TEST(RestEndToEnd, ASupportWhoseFilterOrShapeChangesLetsTheBoxAboveFall) {
  struct Change {
    const char* what;
    void (*apply)(CollisionTable* table, RigidBody* middle, Geometry* shape);
    float topHeight;     // after 2 s
    float middleLowest;  // the lowest the middle box's centre may be after 2 s, or NaN where it meets no floor
  };
  const float kNone = std::nanf("");
  const Change changes[] = {
      {"id -1", [](CollisionTable*, RigidBody* m, Geometry*) { m->SetCollisionID(-1); }, 1.5f, kNone},
      {"table", [](CollisionTable* t, RigidBody*, Geometry*) { t->Set(1, 2, 0); }, 1.5f, 1.45f},
      {"shrunk", [](CollisionTable*, RigidBody*, Geometry* g) { g->SetBoxSize3(0.4f, 0.4f, 0.4f); }, 1.9f, 1.15f},
      {"moved aside",
       [](CollisionTable*, RigidBody*, Geometry* g) {
         Transform t = Transform::Identity();
         t.position.Set(3, 0, 0);
         t.position.w = 1.0f;
         g->SetTransform(t);
       },
       1.5f, 0.45f},
  };
  for (const Change& change : changes) {
    GameWorld world;
    world.sim->SetMaterial(0, 0.5f, 0.1f);
    world.Floor(20.0f);
    CollisionTable* table = world.sim->GetCollisionTable();
    table->Set(-1, 2, 0);  // a body of id -1 does not meet the top box
    RigidBody* boxes[3];
    for (int i = 0; i < 3; ++i) {
      boxes[i] = world.Box(Vec3(0, 0.5f + 1.0f * i + 0.02f * (i + 1), 0));
      boxes[i]->SetCollisionID(i);
    }
    for (int step = 0; step < 700; ++step) world.sim->Advance(0.028f / 3.0f, 1, nullptr);
    for (RigidBody* b : boxes) ASSERT_TRUE(b->IsIdle()) << change.what;
    boxes[1]->BeginIterateGeometry();
    change.apply(table, boxes[1], boxes[1]->GetNextGeometry());
    for (int step = 0; step < 214; ++step) world.sim->Advance(0.028f / 3.0f, 1, nullptr);
    EXPECT_NEAR(boxes[2]->GetPos().y, change.topHeight, 0.03f) << change.what;
    EXPECT_NEAR(boxes[0]->GetPos().y, 0.5f, 0.03f) << change.what;
    if (!std::isnan(change.middleLowest)) {
      boxes[1]->BeginIterateGeometry();
      const Geometry* shape = boxes[1]->GetNextGeometry();
      const float y = boxes[1]->GetTransform().Apply(shape->GetTransform().position).y;
      EXPECT_GT(y, change.middleLowest) << change.what;
    }
  }
}

// Freeing the terrain mesh drops what stood on it, awake or asleep.
TEST(RestEndToEnd, BodiesFallWhenTheTerrainIsFreed) {
  GameWorld world;
  world.sim->SetMaterial(0, 0.5f, 0.1f);
  world.Floor(20.0f);
  RigidBody* box = world.Box(Vec3(0, 0.51f, 0));
  RigidBody* ball = world.Sphere(Vec3(5, 1.3f, 0));
  for (int frame = 0; frame < 200; ++frame) world.Frame();
  ASSERT_TRUE(box->IsIdle());
  ASSERT_FALSE(ball->IsIdle());  // one contact point never sleeps
  ASSERT_NEAR(ball->GetPos().y, 1.25f, 0.01f);
  world.sim->FreeTerrainMesh();
  for (int frame = 0; frame < 50; ++frame) world.Frame();  // 1.4 s: a free fall of 3.9
  EXPECT_LT(box->GetPos().y, -3.0f);
  EXPECT_LT(ball->GetPos().y, -2.0f);
}

// A symmetric tower of ten boxes with friction stands upright: no box strays from the column at
// any time, and the tower sleeps where it stands.
TEST(RestEndToEnd, TenBoxTowerStandsUpright) {
  GameWorld world;
  world.sim->SetMaterial(0, 0.5f, 0.1f);
  world.Floor(50.0f);
  std::vector<RigidBody*> boxes;
  for (int i = 0; i < 10; ++i) boxes.push_back(world.Box(Vec3(0, 0.5f + i * 1.01f + 0.01f, 0)));
  float drift = 0.0f;
  for (int step = 0; step < 1600; ++step) {
    world.sim->Advance(0.028f / 3.0f, 1, nullptr);
    for (RigidBody* b : boxes) drift = std::max(drift, std::hypot(b->GetPos().x, b->GetPos().z));
  }
  EXPECT_LT(drift, 0.05f);
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(boxes[i]->IsIdle()) << i;
    EXPECT_NEAR(boxes[i]->GetPos().y, 0.5f + i, 0.03f) << i;
  }
}

// The same tower of solid boxes (mass 1, inertia 1/6 about every axis, which turn six times as
// easily as the game's boxes), from three slightly different starts: no box strays 0.02 from the
// column, and none sleeps 0.01 below where it stands.
TEST(RestEndToEnd, TenSolidBoxTowerStandsUpright) {
  for (int start = 0; start < 3; ++start) {
    GameWorld world;
    world.sim->SetMaterial(0, 0.5f, 0.1f);
    world.Floor(50.0f);
    std::vector<RigidBody*> boxes;
    for (int i = 0; i < 10; ++i) {
      const float nudge = 1e-4f * static_cast<float>((start * 7 + i * 3) % 11) / 11.0f;
      RigidBody* b = world.Box(Vec3(0, 0.5f + i * 1.01f + 0.01f + nudge, 0));
      b->SetInertiaTensor(Vec3(1.0f / 6.0f, 1.0f / 6.0f, 1.0f / 6.0f));
      boxes.push_back(b);
    }
    float drift = 0.0f;
    for (int step = 0; step < 600; ++step) {
      world.sim->Advance(0.028f / 3.0f, 1, nullptr);
      for (RigidBody* b : boxes) drift = std::max(drift, std::hypot(b->GetPos().x, b->GetPos().z));
    }
    EXPECT_LT(drift, 0.02f) << start;
    for (int i = 0; i < 10; ++i) {
      EXPECT_TRUE(boxes[i]->IsIdle()) << start << " " << i;
      EXPECT_GT(boxes[i]->GetPos().y, 0.5f + i - 0.01f) << start << " " << i;
    }
  }
}

TEST(RestEndToEnd, FortySpheresInAWalledPit) {
  GameWorld world;
  // A square pit 16 wide with walls 12 high around a floor.
  const float h = 8.0f;
  world.Pit(h, 12.0f);
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> across(-5.5f, 5.5f);
  std::vector<RigidBody*> balls;
  for (int i = 0; i < 40; ++i) balls.push_back(world.Sphere(Vec3(across(rng), 3.0f + 3.0f * (i / 8), across(rng))));
  for (int frame = 0; frame < 1667; ++frame) {  // 5,000 steps
    world.Frame();
    if (frame % 50 != 0 && frame != 1666) continue;
    for (RigidBody* b : balls) {
      const Vec3 p = b->GetPos();
      ASSERT_TRUE(Finite(p) && Finite(b->GetVelocity())) << frame;
      ASSERT_GT(p.y, 0.9f) << frame;
      ASSERT_LT(std::fabs(p.x), h - 0.9f) << frame;
      ASSERT_LT(std::fabs(p.z), h - 0.9f) << frame;
    }
  }
}

// A hundred unit boxes and spheres (friction 0.5) poured into a pit 6 x 6 with walls 30 high. A body
// put to rest in the pile is still moved when an awake neighbour lands on it or leans on it; it must
// not be moved into the walls or the floor unseen (bodies at rest once went 0.5 into a wall and out
// of the pit).
TEST(RestEndToEnd, AMixedPileInANarrowPitStaysOutOfItsWalls) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SimulatorSizeInfo info;
    info.rigidBodiesCount = 120;
    info.geometriesCount = 120;
    info.overlappedPairsCount = 2000;
    GameWorld world(info);
    world.sim->SetMaterial(0, 0.5f, 0.1f);
    const float h = 3.0f;
    world.Pit(h, 30.0f);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> jitter(-0.2f, 0.2f);
    std::vector<RigidBody*> bodies;
    for (int i = 0; i < 100; ++i) {
      const int layer = i / 25, k = i % 25;
      const Vec3 at(-2.2f + 1.1f * (k % 5) + jitter(rng), 1.0f + 1.3f * layer, -2.2f + 1.1f * (k / 5) + jitter(rng));
      RigidBody* b = world.Box(at);
      if (i % 2 == 1) {
        b->BeginIterateGeometry();
        b->GetNextGeometry()->SetSphereDiameter(1.0f);
        b->UpdateMassProperties();
        b->UpdateBoundingInfo();
      }
      bodies.push_back(b);
    }
    float deepest = 0.0f;
    for (int frame = 0; frame < 540; ++frame) {  // 15 s
      world.Frame();
      for (size_t i = 0; i < bodies.size(); ++i) {
        const Transform t = bodies[i]->GetTransform();
        ASSERT_TRUE(Finite(t.position)) << seed << " " << frame;
        // How far the body reaches past a wall or below the floor.
        float reach = 0.0f;
        if (i % 2 == 1) {
          reach = std::fmax(std::fmax(std::fabs(t.position.x), std::fabs(t.position.z)) + 0.5f - h, 0.5f - t.position.y);
        } else {
          for (int c = 0; c < 8; ++c) {
            const Vec3 corner = t.Apply(Vec3(c & 1 ? 0.5f : -0.5f, c & 2 ? 0.5f : -0.5f, c & 4 ? 0.5f : -0.5f));
            reach = std::fmax(reach, std::fmax(std::fmax(std::fabs(corner.x), std::fabs(corner.z)) - h, -corner.y));
          }
        }
        deepest = std::fmax(deepest, reach);
      }
    }
    EXPECT_LT(deepest, 0.05f) << seed;
  }
}
