// The physics world record and its step timer.
#pragma once

#include <algorithm>
#include <cstdint>

#include "physics/collision/constraint_item.h"
#include "physics/collision/solver.h"
#include "physics/world/region.h"

namespace phys {

// Per-phase time slots of one Advance call.
enum TimerSlot {
  kSlotVelocity = 0,
  kSlotPosition = 1,
  kSlotControllers = 2,
  kSlotStack = 3,
  kSlotSolver = 4,
  kSlotBroadPhase = 5,
  kSlotCollision = 6,
  kSlotTerrain = 7,
  kSlotTerrainQuery = 8,
};

struct StepTimer {
  float slots[9] = {};
  int32_t shift = 0;
  int32_t overhead = 0;

  void Init();
  void Reset();
  double Elapsed();
  void Add(int slot) { slots[slot] += static_cast<float>(Elapsed()); }
  float Total() const;
};
StepTimer* NewStepTimer();
// Fills the report from the timer's slots at the end of an Advance call.
void FillPerformanceReport(PerformanceReport* report, const StepTimer& timer);

struct SimulatorImpl : public Simulator {
  SimulatorSizeInfo sizeInfo;
  PerformanceReport* report = nullptr;
  StepTimer* timer = nullptr;
  Vec3 gravity, unitGravity;
  float gravityMagnitude = 0.0f;
  float gravityMagnitude03 = 0.0f;
  int32_t advanceCount = 0;
  float stepTime = 0.0f;
  float inverseStepTime = 0.0f;
  float restSpeedThreshold = 1.0f;

  Pool<ConstraintHeader> constraintSetPool;
  Pool<JointImpl> jointPool;
  Pool<ControllerImpl> controllerPool;
  Pool<StackInfo> stackInfoPool;
  Pool<StackHeader> stackHeaderPool;
  Pool<SensorImpl> sensorPool;
  Pool<TConvex> geometryPool;
  GrowArray<void*> pointerArray;
  GrowArray<void*> stacksToSolve;
  int32_t logLevel = 0;

  float stepRemainder = 0.0f;
  float lastVariableStep = 0.0f;
  Material materials[256];
  Allocator* allocator = nullptr;
  DefaultAllocator defaultAllocator;

  Pool<RigidBodyImpl> rigidPool;
  Pool<AnimatedBodyImpl> animatedPool;
  Pool<RigidBodyImpl> particlePool;
  NodeList<RigidBodyImpl> activeRigid;
  NodeList<RigidBodyImpl> inactiveRigid;
  NodeList<RigidBodyImpl> particles;
  NodeList<RigidBodyImpl> inactiveParticles;
  NodeList<AnimatedBodyImpl> animated;
  NodeList<AnimatedBodyImpl> inactiveAnimated;

  Region region;
  CollisionTableImpl collisionTable;
  GrowArray<const TerrainTreeNode*> terrainNodeList;
  GrowArray<int32_t> terrainTriangleList;
  // Per-triangle stamps of the terrain pass (one word per terrain triangle).
  GrowArray<uint32_t> terrainStamps;
  uint32_t terrainStamp = 0;
  // Per body (by id): the terrain leaves found for a box a little larger than the body's, kept while
  // the body's box stays inside it so that the next steps need not walk the tree again.
  static constexpr int kKeptLeaves = 8;
  static constexpr int kKeptEntries = 24;
  struct TerrainLeafCache {
    Vec3 lo, hi;
    uint32_t build = 0;
    int32_t count = 0;
    const TerrainTreeNode* leaves[kKeptLeaves];
    // Bit k: leaves[k] touches the body's box in this step.
    uint32_t touching = 0;
    // For a sphere: the entries of the kept leaves near `near` within `nearReach`, in order, as the
    // leaf (its place in `leaves`) and the entry's place in the tree's leaf index array; a count
    // of -1 when none are kept.
    Vec3 near;
    float nearReach = 0.0f;
    int32_t entryCount = -1;
    uint8_t entryLeaf[kKeptEntries];
    int32_t entryAt[kKeptEntries];
  };
  GrowArray<TerrainLeafCache> terrainLeafCaches;
  // The leaves of the terrain tree that touch the body's box, in tree order, into terrainNodeList;
  // returns the body's kept leaves when the list came from them.
  TerrainLeafCache* FindTerrainLeaves(RigidBodyImpl* body);
  // The static terrain as a pseudo-body whose only geometry is a triangle list.
  AnimatedBodyImpl terrainBody;
  PoolNode<TConvex> terrainGeometry;
  int32_t initialised = 0;

  CollisionCallback collisionCallback = nullptr;
  LogOutputCallback logCallback = nullptr;
  BreakageCallback breakageCallback = nullptr;
  TerrainQueryCallback terrainQueryCallback = nullptr;
  CustomCollisionCallback rigidCustomCallback = nullptr;
  CustomCollisionCallback animatedCustomCallback = nullptr;
  int32_t restContactCounter = 0;
  // Solver state.
  GrowArray<ConstraintItem> jointRows;
  GrowArray<ConstraintItem> stackContacts;
  GrowArray<StackGroup*> solveGroups;
  StackGroup activeStacks;
  // The constraint sets in use, and the rigid members of the joint groups of the current solve.
  NodeList<ConstraintHeader> constraintSets;
  StackGroup jointGroup;
  int32_t solverPhase = 0;
  bool lastSweep = false;
  // Set when a joint motor of the current solve drives towards a non-zero speed: its group is not
  // at rest however still it is.
  bool motorDriving = false;

  bool InitSolverArrays() {
    const int bodies = static_cast<int>(std::min<long long>(
        INT32_MAX, static_cast<long long>(rigidPool.Capacity()) + particlePool.Capacity()));
    return jointRows.Init(100, 100, allocator) && stackContacts.Init(100, 100, allocator) &&
           solveGroups.Init(constraintSetPool.Capacity(), -1, allocator) &&
           activeStacks.members.Init(bodies, 0, allocator) && jointGroup.members.Init(bodies, 0, allocator);
  }
  void ReleaseSolverArrays() {
    jointGroup.members.Release();
    activeStacks.members.Release();
    solveGroups.Release();
    stackContacts.Release();
    jointRows.Release();
  }
  size_t SolverArrayBytes() const {
    return jointRows.BytesTaken() + stackContacts.BytesTaken() + solveGroups.BytesTaken() +
           activeStacks.members.BytesTaken() + jointGroup.members.BytesTaken();
  }
  // Pool pops for the stack and joint-group code; null (with the pool's message logged) when empty.
  StackHeader* AllocStackHeader(StackInfo* first);
  ConstraintHeader* AllocConstraintHeader();
  // Solves the joint rows and stack contacts over the groups; iterations -1 means 4.
  void SolveSet(float tolerance, int iterations);
  bool AppendStackContact(const ConstraintItem& item);

  SimulatorImpl() = default;
  SimulatorImpl(const SimulatorImpl&) = delete;
  SimulatorImpl& operator=(const SimulatorImpl&) = delete;
  ~SimulatorImpl();

  // Takes every block; false (with everything taken so far given back) when one cannot be had.
  bool Init(const SimulatorSizeInfo& info, Allocator* alloc, const Vec3* gravity);
  void SetGravity(const Vec3& g);
  void LogOutput(int level);
  CollisionCallback SetCollisionCallback(CollisionCallback callback) {
    CollisionCallback old = collisionCallback;
    collisionCallback = callback;
    return old;
  }
  void Log(const char* message);
  // Logs through the simulator whose geometry pool holds the geometry (a geometry of no live
  // simulator only fills the message buffer).
  static void LogForGeometry(const TConvex* geometry, const char* message);
  // The live simulator whose sensor pool holds the sensor, or null.
  static SimulatorImpl* OfSensor(const SensorImpl* sensor);
  SimulatorImpl* nextLive = nullptr;  // the list of live simulators

  RigidBodyImpl* CreateRigidBody(bool isParticle);
  AnimatedBodyImpl* CreateAnimatedBody();
  void FreeRigid(RigidBodyImpl* body);
  void FreeAnimated(AnimatedBodyImpl* body);
  bool IsBodyInUse(const RigidBodyBase* body) const;
  // Whether the collision table has contacts between the two bodies handled (the terrain counts
  // as the wildcard id, which a body of id -1 never meets).
  bool HandlesPair(const RigidBodyBase* a, const RigidBodyBase* b) const;
  // After a change of the collision table: every body drops the resting contacts whose pair the
  // table no longer handles.
  void DropUnhandledRestContacts();
  void FreeAllBodies();
  RigidBodyImpl* BreakGeometry(TConvex* geometry, RigidBodyBase* body);

  bool SetMaterial(int index, float friction, float restitution, float density);
  bool GetMaterial(int index, float* friction, float* restitution, float* density) const;
  // Material `index`, or material 0's values for an index outside 0..255.
  const Material& MaterialOrDefault(int index) const;

  void SetTerrainMesh(const TerrainMesh* mesh);
  void FreeTerrainMesh();

  // List moves used by activation.
  void MoveToInactive(RigidBodyBase* body);
  void MoveToActive(RigidBodyBase* body);
  void MoveBetweenLists(RigidBodyBase* body, bool toActive);

  int Advance(float seconds, int steps, PerformanceReport* report);
  void AdvanceVariable(float seconds, float minTime, float maxStep, PerformanceReport* report);
  void Step();
  void ResetSensors();
  void CollisionPass();
  void TerrainPass();
  // With sensorsOnly, only the body's sensors are tested (the body rests where it rested).
  void TestBodyAgainstTerrain(RigidBodyImpl* body, bool sensorsOnly);
  void HandleContact(RigidBodyBase* a, RigidBodyBase* b, ConstraintItem* contact);
  void SeparateBodies(ConstraintItem* contact);
  bool HandleBreakage(RigidBodyBase* body, const TConvex* geometry, const Vec3* point, Vec3* impulse);
  // Hands a resting contact to the body's stack.
  void JoinStacks(RigidBodyImpl* body, const RestContact& contact, ConstraintItem* row);
  // Solver passes over constraint sets and stacks.
  void SolverPasses();
  // Passes over the joints of the constraint sets: damping before the velocity update, the solve
  // of every group with an awake member, and the controllers after the position update.
  void DampJoints();
  void SolveJointGroups();
  void GatherJointGroup(ConstraintHeader& set);
  void RunJointControllers();
  void SolveConstraintSets();
  void PreparePendingStacks(float* tolerance, int32_t* iterations);
  void TryRestGroups();
  void ProcessStacks();
  void SolveRestingStacks();
  // Stacks: the simulator's stack list, the resting bodies outside any stack, and the stacks queued
  // for the next solve (`stacksToSolve`, also the scratch of a regroup).
  NodeList<StackHeader> stackList;
  StackHeader defaultStackList = DefaultStackHeader();
  static StackHeader DefaultStackHeader() {
    StackHeader h;
    h.isDefault = 1;
    return h;
  }
  StackInfo* AllocStackInfo(RigidBodyImpl* body);
  void FreeStackInfo(StackInfo* info);
  void FreeStackHeader(StackHeader* header);
  // Empties the active stack group, clearing each member's link to it.
  void ClearActiveStacks();
  // Rest test of an awake body outside any joint group.
  void CheckForRest(RigidBodyImpl* body);
  void ClearMoved();
  void Mark(int slot) {
    if (report) timer->Add(slot);
  }
  size_t MemoryAllocated() const;
};

// A public setter's refusal of its value: when `acceptable` is false, "<operation> refused:
// <reason>.\n" is logged through `sim` (only formatted into the message buffer when there is no
// simulator) and the result is true: the caller returns and keeps what it had.
bool RefuseValue(SimulatorImpl* sim, const char* operation, bool acceptable, const char* reason);
inline constexpr const char* kNotFinite = "not a finite value";
// Stores a setter's float value, or refuses it as above when it is not finite.
inline void StoreFinite(SimulatorImpl* sim, const char* operation, float* field, float value) {
  if (!RefuseValue(sim, operation, std::isfinite(value), kNotFinite)) *field = value;
}
#define REFUSE_NONFINITE(sim, operation, finite) \
  if (::phys::RefuseValue(sim, operation, finite, ::phys::kNotFinite)) return

inline SimulatorImpl* Impl(Simulator* s) { return static_cast<SimulatorImpl*>(s); }
inline const SimulatorImpl* Impl(const Simulator* s) { return static_cast<const SimulatorImpl*>(s); }
inline RigidBodyImpl* Impl(RigidBody* b) { return static_cast<RigidBodyImpl*>(b); }
inline const RigidBodyImpl* Impl(const RigidBody* b) { return static_cast<const RigidBodyImpl*>(b); }
inline AnimatedBodyImpl* Impl(AnimatedBody* b) { return static_cast<AnimatedBodyImpl*>(b); }
inline const AnimatedBodyImpl* Impl(const AnimatedBody* b) { return static_cast<const AnimatedBodyImpl*>(b); }
inline TConvex* Impl(Geometry* g) { return static_cast<TConvex*>(g); }
inline const TConvex* Impl(const Geometry* g) { return static_cast<const TConvex*>(g); }
inline SensorImpl* Impl(Sensor* s) { return static_cast<SensorImpl*>(s); }
inline const SensorImpl* Impl(const Sensor* s) { return static_cast<const SensorImpl*>(s); }
inline ControllerImpl* Impl(Controller* c) { return static_cast<ControllerImpl*>(c); }
inline const ControllerImpl* Impl(const Controller* c) { return static_cast<const ControllerImpl*>(c); }

}  // namespace phys
