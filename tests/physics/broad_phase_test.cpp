#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "physics_test_support.h"

using namespace phys;

namespace {

using PairList = std::vector<std::pair<const RigidBodyBase*, const RigidBodyBase*>>;

bool Overlap(const RigidBodyBase* a, const RigidBodyBase* b) {
  for (int i = 0; i < 3; ++i) {
    if (!(a->worldMin[i] < b->worldMax[i] && a->worldMax[i] > b->worldMin[i])) return false;
  }
  return true;
}

int Rank(const RigidBodyBase* b) { return b->kind == 0 ? 2 : (b->IsParticleBody() ? 1 : 0); }

// Every body with a geometry in an active list, as the broad phase should see it.
std::vector<RigidBodyBase*> RegionBodies(SimulatorImpl* s) {
  std::vector<RigidBodyBase*> out;
  for (auto* n = s->activeRigid.head; n; n = n->next) out.push_back(&n->rec);
  for (auto* n = s->particles.head; n; n = n->next) out.push_back(&n->rec);
  for (auto* n = s->animated.head; n; n = n->next) out.push_back(&n->rec);
  out.erase(std::remove_if(out.begin(), out.end(), [](RigidBodyBase* b) { return b->geometries.count == 0; }),
            out.end());
  return out;
}

// Sorted, with the two bodies of a same-rank pair in address order.
PairList Normalised(PairList pairs) {
  for (auto& p : pairs) {
    if (Rank(p.first) == Rank(p.second) && p.second < p.first) std::swap(p.first, p.second);
  }
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

PairList BruteForce(SimulatorImpl* s) {
  PairList pairs;
  std::vector<RigidBodyBase*> bodies = RegionBodies(s);
  for (size_t i = 0; i < bodies.size(); ++i) {
    for (size_t j = i + 1; j < bodies.size(); ++j) {
      RigidBodyBase* a = bodies[i];
      RigidBodyBase* b = bodies[j];
      if (a->IsParticleBody() && b->IsParticleBody()) continue;
      if (s->collisionTable.Lookup(a->collisionID, b->collisionID) == 0) continue;
      if (!Overlap(a, b)) continue;
      if (Rank(b) < Rank(a)) std::swap(a, b);
      pairs.emplace_back(a, b);
    }
  }
  return Normalised(pairs);
}

PairList Listed(SimulatorImpl* s) {
  PairList pairs;
  for (auto* p = s->region.pairs.head; p; p = p->next) pairs.emplace_back(p->rec.first, p->rec.second);
  return pairs;
}

// The sorted lists are well linked: prev links mirror next links, the tail is the last node.
void CheckLinks(SimulatorImpl* s, int where) {
  for (const RegionAxis& axis : s->region.axes) {
    int count = 0;
    const PoolNode<EndPoint>* prev = nullptr;
    for (auto* e = axis.sorted.head; e; e = e->next) {
      ASSERT_EQ(e->prev, prev) << where;
      ASSERT_TRUE(e->inUse) << where;
      prev = e;
      ++count;
    }
    ASSERT_EQ(axis.sorted.tail, prev) << where;
    ASSERT_EQ(axis.sorted.count, count) << where;
  }
}

void Refresh(SimulatorImpl* s) {
  for (RigidBodyBase* b : RegionBodies(s)) UpdateBodyBoundingBox(b);
}

struct BroadPhase : ::testing::Test {
  void SetUp() override {
    SimulatorSizeInfo info;
    info.rigidBodiesCount = 30;
    info.animatedBodiesCount = 8;
    info.rigidParticleCount = 16;
    info.geometriesCount = 200;
    sim = CreateSimulator(info, nullptr, nullptr);
    ASSERT_NE(sim, nullptr);
    w = World(sim);
  }
  void TearDown() override { DestroySimulator(sim); }
  Simulator* sim = nullptr;
  SimulatorImpl* w = nullptr;
};

void Place(RigidBodyBase* b, const Vec3& p) {
  if (b->kind == 1) {
    static_cast<RigidBodyImpl*>(b)->pose.position = p;
  } else {
    static_cast<AnimatedBody*>(static_cast<AnimatedBodyImpl*>(b))->SetPos(p);
  }
}

}  // namespace

TEST_F(BroadPhase, TouchingBoxesDoNotOverlapAndEqualEndsKeepTheirOrder) {
  RigidBody* a = sim->CreateRigidBody();
  RigidBody* b = sim->CreateRigidBody();
  a->AddGeometry();
  b->AddGeometry();
  a->UpdateBoundingInfo();
  b->UpdateBoundingInfo();
  Body(a)->pose.position.Set(0, 0, 0);
  Body(b)->pose.position.Set(1, 0, 0);  // a's max x equals b's min x
  Refresh(w);
  w->region.Update();
  EXPECT_TRUE(Listed(w).empty());
  for (int i = 0; i < 3; ++i) {
    Refresh(w);
    w->region.Update();
    EXPECT_TRUE(Listed(w).empty());
  }
  Body(b)->pose.position.Set(0.99f, 0, 0);
  Refresh(w);
  w->region.Update();
  EXPECT_EQ(Listed(w).size(), 1u);
  Body(b)->pose.position.Set(1.0f, 0, 0);
  Refresh(w);
  w->region.Update();
  EXPECT_TRUE(Listed(w).empty());
}

TEST_F(BroadPhase, PendingBodiesAndPairOrder) {
  RigidBody* a = sim->CreateRigidBody();
  RigidBody* p = sim->CreateRigidParticle();
  RigidBody* q = sim->CreateRigidParticle();
  p->AddGeometry();
  q->AddGeometry();
  a->AddGeometry();
  for (RigidBody* b : {a, p, q}) b->UpdateBoundingInfo();
  // Added and removed before the update: never enters the sorted lists.
  RigidBody* ghost = sim->CreateRigidBody();
  Geometry* g = ghost->AddGeometry();
  ghost->RemoveGeometry(g);
  // Added, removed and added again: queued once.
  RigidBody* twice = sim->CreateRigidBody();
  g = twice->AddGeometry();
  twice->Active(false, static_cast<RigidBody*>(nullptr));
  twice->Active(true, static_cast<RigidBody*>(nullptr));
  twice->UpdateBoundingInfo();
  EXPECT_EQ(w->region.pending.Count(), 4u);
  Refresh(w);
  w->region.Update();
  EXPECT_EQ(Body(ghost)->minEnd[0], nullptr);
  EXPECT_EQ(w->region.axes[0].sorted.count, 8);
  // Particle pairs have the rigid body first; no particle-particle pair.
  for (const auto& pr : Listed(w)) {
    EXPECT_FALSE(pr.second->kind == 1 && !pr.second->IsParticleBody() && pr.first->IsParticleBody());
    EXPECT_FALSE(pr.first->IsParticleBody() && pr.second->IsParticleBody());
  }
  EXPECT_EQ(Normalised(Listed(w)), BruteForce(w));
  EXPECT_EQ(Listed(w).size(), 5u);  // a-p, a-q, a-twice, twice-p, twice-q
}

TEST_F(BroadPhase, CollisionTableFiltersPairsFromEveryPath) {
  sim->GetCollisionTable()->Set(1, 2, 0);
  RigidBody* a = sim->CreateRigidBody();
  RigidBody* b = sim->CreateRigidBody();
  a->SetCollisionID(1);
  b->SetCollisionID(2);
  a->AddGeometry();
  b->AddGeometry();
  a->UpdateBoundingInfo();
  b->UpdateBoundingInfo();
  Refresh(w);
  w->region.Update();
  EXPECT_TRUE(Listed(w).empty());
  Body(b)->pose.position.Set(5, 0, 0);
  Refresh(w);
  w->region.Update();
  Body(b)->pose.position.Set(0, 0, 0);
  Refresh(w);
  w->region.Update();
  EXPECT_TRUE(Listed(w).empty());
}

TEST_F(BroadPhase, FuzzAgainstBruteForce) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> pos(-12.0f, 12.0f);
  std::uniform_real_distribution<float> step(-0.6f, 0.6f);
  std::uniform_real_distribution<float> size(0.3f, 4.0f);
  std::uniform_int_distribution<int> pick(0, 99);
  sim->GetCollisionTable()->Set(1, 2, 0);

  auto makeBody = [&](int kind) -> RigidBodyBase* {
    RigidBodyBase* b = nullptr;
    if (kind == 0) b = Body(sim->CreateRigidBody());
    if (kind == 1) b = Body(sim->CreateRigidParticle());
    if (kind == 2) b = static_cast<AnimatedBodyImpl*>(sim->CreateAnimatedBody());
    if (!b) return nullptr;
    b->collisionID = pick(rng) % 3;
    TConvex* g = b->AddGeometry();
    g->SetBoxSize(size(rng), size(rng), size(rng));
    b->UpdateBoundingInfo();
    Place(b, Vec3(pos(rng), pos(rng) * 0.3f, pos(rng)));
    return b;
  };
  std::vector<RigidBodyBase*> bodies;
  for (int i = 0; i < 26; ++i) bodies.push_back(makeBody(0));
  for (int i = 0; i < 14; ++i) bodies.push_back(makeBody(1));
  for (int i = 0; i < 6; ++i) bodies.push_back(makeBody(2));

  size_t maxPairs = 0;
  for (int round = 0; round < 400; ++round) {
    for (RigidBodyBase*& b : bodies) {
      if (!b) continue;
      const int r = pick(rng);
      const Vec3 at = b->CurrentTransform().position;
      if (r < 60) {
        Place(b, Vec3(at.x + step(rng), at.y + step(rng) * 0.3f, at.z + step(rng)));
      } else if (r < 64) {
        Place(b, Vec3(pos(rng), pos(rng) * 0.3f, pos(rng)));  // teleport
      } else if (r < 67) {
        b->Active(!b->active, nullptr);
        if (pick(rng) < 50) b->Active(!b->active, bodies[static_cast<size_t>(pick(rng)) % bodies.size()]);
      } else if (r < 70) {
        // Remove and add a geometry (out of and back into the broad phase).
        TConvex* g = &b->geometries.head->rec;
        b->RemoveGeometry(g);
        if (pick(rng) < 70) {
          b->AddGeometry()->SetBoxSize(size(rng), size(rng), size(rng));
          b->UpdateBoundingInfo();
        } else {
          b->AddGeometry();
          b->UpdateBoundingInfo();
        }
      } else if (r < 72) {
        // Free and create again (often the same node).
        const int kind = b->kind == 0 ? 2 : (b->IsParticleBody() ? 1 : 0);
        if (kind == 2) {
          sim->FreeAnimatedBody(static_cast<AnimatedBodyImpl*>(b));
        } else {
          sim->FreeRigidBody(static_cast<RigidBodyImpl*>(b));
        }
        b = makeBody(kind);
        if (b && pick(rng) < 30) {
          b->Active(false, nullptr);
          b->Active(true, nullptr);
        }
        CheckLinks(w, round * 10 + 5);
      } else if (r < 73 && b->kind == 1) {
        // A rotated body.
        static_cast<RigidBodyImpl*>(b)->SetRotation(Quat(0.2f, 0.4f, 0.1f, 0.8888194f).ToMat3());
      }
    }
    CheckLinks(w, round * 10);
    Refresh(w);
    w->region.Update();
    CheckLinks(w, round * 10 + 1);
    PairList listed = Listed(w);
    PairList sorted = Normalised(listed);
    ASSERT_TRUE(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()) << "duplicate pair, round " << round;
    const PairList expected = BruteForce(w);
    ASSERT_EQ(sorted, expected) << "round " << round;
    for (const auto& pr : listed) ASSERT_LE(Rank(pr.first), Rank(pr.second));
    ASSERT_EQ(static_cast<size_t>(w->region.pairPool.UsedCount()), listed.size());
    maxPairs = std::max(maxPairs, listed.size());
    // Now and then every pair is worked out afresh: the same pairs, and the updates that follow
    // carry on from the rebuilt pair slots.
    if (round % 7 == 3) {
      w->region.Rebuild();
      CheckLinks(w, round * 10 + 2);
      ASSERT_EQ(Normalised(Listed(w)), expected) << "rebuilt, round " << round;
      ASSERT_EQ(static_cast<size_t>(w->region.pairPool.UsedCount()), listed.size());
    }
    // The sorted lists stay sorted and hold both ends of every body in the broad phase.
    for (const RegionAxis& axis : w->region.axes) {
      ASSERT_EQ(axis.sorted.count, 2 * static_cast<int>(RegionBodies(w).size()));
      for (auto* e = axis.sorted.head; e && e->next; e = e->next) ASSERT_LE(e->rec.value, e->next->rec.value);
    }
  }
  EXPECT_GT(maxPairs, 5u);
}
