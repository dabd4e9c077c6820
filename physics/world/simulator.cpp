// The world record: creation, destruction, gravity, materials, the collision table, logging and the
// size reports.
#include "physics/world/simulator.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>

char physicsMessageBuffer[256];

void* DefaultAllocator::Alloc(size_t size, int) {
  void* p = std::malloc(size > 0 ? size : 1);
  if (p) bytesAllocated += size;
  return p;
}

void DefaultAllocator::Free(void* block) { std::free(block); }

namespace phys {

namespace {

// a + b + c as a pool capacity; -1 (refused) when it does not fit in an int.
int SumCapacity(int a, int b, int c) {
  const long long s = static_cast<long long>(a > 0 ? a : 0) + (b > 0 ? b : 0) + (c > 0 ? c : 0);
  return s > INT_MAX ? -1 : static_cast<int>(s);
}

}  // namespace

void SimulatorImpl::SetGravity(const Vec3& g) {
  gravity = g;
  unitGravity = g;
  unitGravity.Normalize();
  const float len = g.Length();
  gravityMagnitude03 = 0.3f * len;
  gravityMagnitude = std::isfinite(len) ? len : 0.0f;
}

bool SimulatorImpl::Init(const SimulatorSizeInfo& info, Allocator* alloc, const Vec3* g) {
  collisionTable.owner = this;
  terrainBody.sim = this;
  terrainBody.id = -1;
  terrainBody.holder.InitDefault();
  terrainBody.collisionID = -1;
  terrainGeometry.rec.SetTriangleList(nullptr, 0, nullptr, nullptr);
  terrainGeometry.inUse = 1;
  terrainBody.geometries.Append(&terrainGeometry);
  sizeInfo = info;
  allocator = alloc ? alloc : &defaultAllocator;
  SetGravity(g ? *g : Vec3());

  const int stackInfos = SumCapacity(info.rigidBodiesCount, info.rigidParticleCount, 0);
  const int stackHeaders = SumCapacity(info.rigidBodiesCount, info.rigidParticleCount, 100);
  if (stackInfos < 0 || stackHeaders < 0) return false;

  if (!rigidPool.Init(info.rigidBodiesCount, allocator)) return false;
  if (!animatedPool.Init(info.animatedBodiesCount, allocator)) return false;
  if (!particlePool.Init(info.rigidParticleCount, allocator)) return false;
  if (!region.Init(this, 7)) return false;
  for (Material& m : materials) m = Material();
  if (!terrainNodeList.Init(100, 100, allocator)) return false;
  if (!terrainTriangleList.Init(200, 200, allocator)) return false;
  if (!terrainStamps.Init(0, 0, allocator)) return false;
  const int caches = region.bodyCapacity + region.particleCapacity;
  if (caches < 0 || !terrainLeafCaches.Init(caches, 0, allocator)) return false;
  terrainLeafCaches.Resize(static_cast<size_t>(caches));
  for (size_t i = 0; i < terrainLeafCaches.Count(); ++i) terrainLeafCaches[i] = TerrainLeafCache();
  if (!jointPool.Init(info.constraintsCount, allocator)) return false;
  if (!constraintSetPool.Init(info.constraintSetsCount, allocator)) return false;
  if (!stackInfoPool.Init(stackInfos, allocator)) return false;
  if (!stackHeaderPool.Init(stackHeaders, allocator)) return false;
  if (!controllerPool.Init(info.controllersCount, allocator)) return false;
  if (!sensorPool.Init(info.sensorsCount, allocator)) return false;
  if (!geometryPool.Init(info.geometriesCount, allocator)) return false;
  if (!pointerArray.Init(1000, 100, allocator)) return false;
  if (!stacksToSolve.Init(1000, 100, allocator)) return false;
  if (!InitSolverArrays()) return false;

  collisionCallback = nullptr;
  logCallback = nullptr;
  breakageCallback = nullptr;
  terrainQueryCallback = nullptr;
  rigidCustomCallback = nullptr;
  animatedCustomCallback = nullptr;
  logLevel = 0;
  initialised = 0;
  restSpeedThreshold = 1.0f;
  timer = NewStepTimer();
  if (!timer) return false;
  timer->Init();
  timer->Reset();
  stepRemainder = 0.0f;
  lastVariableStep = 0.0f;
  return true;
}

SimulatorImpl::~SimulatorImpl() {
  FreeAllBodies();
  delete timer;
  timer = nullptr;
  // Every block goes back to the allocator that gave it, before the built-in allocator goes.
  region.Free();
  ReleaseSolverArrays();
  terrainStamps.Release();
  terrainLeafCaches.Release();
  terrainTriangleList.Release();
  terrainNodeList.Release();
  stacksToSolve.Release();
  pointerArray.Release();
  geometryPool.Release();
  sensorPool.Release();
  controllerPool.Release();
  stackHeaderPool.Release();
  stackInfoPool.Release();
  constraintSetPool.Release();
  jointPool.Release();
  particlePool.Release();
  animatedPool.Release();
  rigidPool.Release();
}

void SimulatorImpl::LogOutput(int level) {
  if (logCallback && level <= logLevel) logCallback(physicsMessageBuffer);
}

void SimulatorImpl::Log(const char* message) {
  std::snprintf(physicsMessageBuffer, sizeof(physicsMessageBuffer), "%s", message);
  LogOutput(1);
}

bool RefuseValue(SimulatorImpl* sim, const char* operation, bool acceptable, const char* reason) {
  if (acceptable) return false;
  std::snprintf(physicsMessageBuffer, sizeof(physicsMessageBuffer), "%s refused: %s.\n", operation, reason);
  if (sim) sim->LogOutput(1);
  return true;
}

namespace {
SimulatorImpl* liveSimulators = nullptr;
}  // namespace

void SimulatorImpl::LogForGeometry(const TConvex* geometry, const char* message) {
  for (SimulatorImpl* s = liveSimulators; s; s = s->nextLive) {
    if (s->geometryPool.UsedNodeAt(geometry)) {
      s->Log(message);
      return;
    }
  }
  std::snprintf(physicsMessageBuffer, sizeof(physicsMessageBuffer), "%s", message);
}

SimulatorImpl* SimulatorImpl::OfSensor(const SensorImpl* sensor) {
  for (SimulatorImpl* s = liveSimulators; s; s = s->nextLive) {
    if (s->sensorPool.UsedNodeAt(sensor)) return s;
  }
  return nullptr;
}

bool SimulatorImpl::SetMaterial(int index, float friction, float restitution, float density) {
  if (index < 0 || index >= 256) return false;
  materials[index].friction = friction;
  materials[index].restitution = restitution;
  materials[index].density = density;
  return true;
}

bool SimulatorImpl::GetMaterial(int index, float* friction, float* restitution, float* density) const {
  if (index < 0 || index >= 256) return false;
  *friction = materials[index].friction;
  *restitution = materials[index].restitution;
  *density = materials[index].density;
  return true;
}

const Material& SimulatorImpl::MaterialOrDefault(int index) const {
  return (index >= 0 && index < 256) ? materials[index] : materials[0];
}

void SimulatorImpl::SetTerrainMesh(const TerrainMesh* mesh) {
  if (!mesh) return;
  // The old mesh goes whether or not the new one can be built: nothing stands on it any more.
  terrainBody.ReleaseRestingBodies();
  if (!region.SetTerrainMesh(mesh)) return;
  // One stamp word per triangle for the terrain pass's duplicate test.
  terrainStamps.Release();
  if (terrainStamps.Init(region.tree.triangleCount, 0, allocator)) {
    terrainStamps.Resize(static_cast<size_t>(region.tree.triangleCount));
    for (size_t i = 0; i < terrainStamps.Count(); ++i) terrainStamps[i] = 0;
  }
  terrainStamp = 0;
}

void SimulatorImpl::FreeTerrainMesh() {
  region.tree.FreeMesh();
  terrainBody.ReleaseRestingBodies();
}

size_t SimulatorImpl::MemoryAllocated() const {
  return rigidPool.BytesTaken() + particlePool.BytesTaken() + animatedPool.BytesTaken() +
         terrainNodeList.BytesTaken() + terrainTriangleList.BytesTaken() + terrainLeafCaches.BytesTaken() + constraintSetPool.BytesTaken() +
         jointPool.BytesTaken() + controllerPool.BytesTaken() + stackInfoPool.BytesTaken() +
         stackHeaderPool.BytesTaken() + sensorPool.BytesTaken() + geometryPool.BytesTaken() +
         pointerArray.BytesTaken() + stacksToSolve.BytesTaken() + SolverArrayBytes() + region.BytesTaken();
}

// ---- collision table ----

void CollisionTableImpl::Fill(int32_t value) {
  for (auto& row : entries) {
    for (int32_t& e : row) e = value;
  }
  for (int32_t& e : wildcard) e = value;
}

static bool ValidId(int id) { return id >= 0 && id < 64; }

bool CollisionTableImpl::SetEntry(int id1, int id2, int value) {
  int32_t* entry = nullptr;
  int32_t* mirror = nullptr;
  if (ValidId(id1) && ValidId(id2)) {
    entry = &entries[id1][id2];
    mirror = &entries[id2][id1];
  } else if (id1 == -1 && ValidId(id2)) {
    entry = &wildcard[id2];
  } else if (id2 == -1 && ValidId(id1)) {
    entry = &wildcard[id1];
  }
  if (!entry || *entry == value) return false;
  *entry = value;
  if (mirror) *mirror = value;
  return true;
}

int CollisionTableImpl::Lookup(int id1, int id2) const {
  if (id1 == -1 && id2 == -1) return 0;
  if (id1 == -1) return ValidId(id2) ? wildcard[id2] : 0;
  if (id2 == -1) return ValidId(id1) ? wildcard[id1] : 0;
  if (!ValidId(id1) || !ValidId(id2)) return 0;
  return entries[id1][id2];
}

int CollisionTableImpl::GetEntry(int id1, int id2) const {
  if (!ValidId(id1) || !ValidId(id2)) return 0;
  return entries[id1][id2];
}

}  // namespace phys

using namespace phys;

Simulator* CreateSimulator(const SimulatorSizeInfo& sizeInfo, Allocator* allocator, const Vec3* gravity) {
  SimulatorImpl* sim = new (std::nothrow) SimulatorImpl();
  if (!sim) return nullptr;
  if (!sim->Init(sizeInfo, allocator, gravity)) {
    delete sim;
    return nullptr;
  }
  sim->nextLive = liveSimulators;
  liveSimulators = sim;
  return sim;
}

void DestroySimulator(Simulator* simulator) {
  if (!simulator) return;
  SimulatorImpl* sim = Impl(simulator);
  for (SimulatorImpl** link = &liveSimulators; *link; link = &(*link)->nextLive) {
    if (*link == sim) {
      *link = sim->nextLive;
      break;
    }
  }
  delete sim;
}

void CollisionTable::Set(int id1, int id2, int value) {
  CollisionTableImpl* table = static_cast<CollisionTableImpl*>(this);
  if (table->SetEntry(id1, id2, value) && table->owner) table->owner->DropUnhandledRestContacts();
}
int CollisionTable::Get(int id1, int id2) const { return static_cast<const CollisionTableImpl*>(this)->GetEntry(id1, id2); }

Vec3 Simulator::GetGravity() const { return Impl(this)->gravity; }
// A gravity or material value that is not finite is refused (logged): the world keeps the old one.
void Simulator::SetGravity(const Vec3& g) {
  REFUSE_NONFINITE(Impl(this), "Simulator::SetGravity", IsFiniteVec(g));
  Impl(this)->SetGravity(g);
}
bool Simulator::SetMaterial(int index, float friction, float restitution) {
  if (RefuseValue(Impl(this), "Simulator::SetMaterial", std::isfinite(friction) && std::isfinite(restitution),
                  kNotFinite)) {
    return false;
  }
  return Impl(this)->SetMaterial(index, friction, restitution, 0.0f);
}
bool Simulator::GetMaterial(int index, float& friction, float& restitution) const {
  float density = 0.0f;
  return Impl(this)->GetMaterial(index, &friction, &restitution, &density);
}
CollisionTable* Simulator::GetCollisionTable() { return &Impl(this)->collisionTable; }
void Simulator::SetTerrainMesh(const TerrainMesh* mesh) { Impl(this)->SetTerrainMesh(mesh); }
void Simulator::FreeTerrainMesh() { Impl(this)->FreeTerrainMesh(); }
CollisionCallback Simulator::GetCollisionCallback() const { return Impl(this)->collisionCallback; }
void Simulator::SetBreakageCallback(BreakageCallback c) { Impl(this)->breakageCallback = c; }
BreakageCallback Simulator::GetBreakageCallback() const { return Impl(this)->breakageCallback; }
void Simulator::SetTerrainQueryCallback(TerrainQueryCallback c) { Impl(this)->terrainQueryCallback = c; }
TerrainQueryCallback Simulator::GetTerrainQueryCallback() const { return Impl(this)->terrainQueryCallback; }
void Simulator::SetRigidCustomCollisionCallback(CustomCollisionCallback c) { Impl(this)->rigidCustomCallback = c; }
CustomCollisionCallback Simulator::GetRigidCustomCollisionCallback() const { return Impl(this)->rigidCustomCallback; }
void Simulator::SetAnimatedCustomCollisionCallback(CustomCollisionCallback c) { Impl(this)->animatedCustomCallback = c; }
CustomCollisionCallback Simulator::GetAnimatedCustomCollisionCallback() const { return Impl(this)->animatedCustomCallback; }
LogOutputCallback Simulator::SetLogOutputCallback(LogOutputCallback c) {
  LogOutputCallback old = Impl(this)->logCallback;
  Impl(this)->logCallback = c;
  return old;
}
LogOutputCallback Simulator::GetLogOutputCallback() const { return Impl(this)->logCallback; }
void Simulator::SetLogOutputLevel(int level) { Impl(this)->logLevel = level; }

SimulatorSizeInfo Simulator::GetCurrentSizeInfo() const {
  const SimulatorImpl* s = Impl(this);
  SimulatorSizeInfo r;
  r.rigidBodiesCount = s->rigidPool.UsedCount();
  r.animatedBodiesCount = s->animatedPool.UsedCount();
  r.rigidParticleCount = s->particlePool.UsedCount();
  r.controllersCount = s->controllerPool.UsedCount();
  r.overlappedPairsCount = s->region.pairPool.UsedCount();
  r.geometriesCount = s->geometryPool.UsedCount();
  r.constraintsCount = s->jointPool.UsedCount();
  r.constraintSetsCount = s->constraintSetPool.UsedCount();
  r.reservedBufferSize = 2000;
  r.sensorsCount = s->sensorPool.UsedCount();
  r.terrainNodesStartCount = s->region.tree.NodesInUse();
  r.terrainNodesGrowByCount = s->sizeInfo.terrainNodesGrowByCount;
  return r;
}

SimulatorSizeInfo Simulator::GetStartSizeInfo() const { return Impl(this)->sizeInfo; }

void Simulator::GetMemoryAllocated(int& bytes) const {
  const size_t b = Impl(this)->MemoryAllocated();
  bytes = b > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(b);
}

int Simulator::Advance(float seconds, int steps, PerformanceReport* report) {
  return Impl(this)->Advance(seconds, steps, report);
}
void Simulator::AdvanceVariable(float seconds, float minTime, float maxStep, PerformanceReport* report) {
  Impl(this)->AdvanceVariable(seconds, minTime, maxStep, report);
}
