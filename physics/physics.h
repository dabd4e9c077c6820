// Public interface of the rigid-body physics library. The game sees only this header: facade
// classes without data of their own, whose objects are the library's internal records.
#pragma once

#include <cstddef>
#include <cstdint>

#include "math/vec3_inline.h"

class Simulator;
class RigidBody;
class AnimatedBody;
class Geometry;
class Sensor;
class Controller;
class CollisionTable;
class Joint;

// Source of every block the library takes. Alloc is asked only while a world is created (and when
// the terrain-pass scratch lists or the terrain tree grow); a null result is a failure.
class Allocator {
 public:
  virtual void* Alloc(size_t size, int flags) = 0;
  virtual void Free(void* block) = 0;
  virtual ~Allocator() = default;
};

// The process heap; counts the bytes it has handed out (frees are not subtracted).
class DefaultAllocator : public Allocator {
 public:
  void* Alloc(size_t size, int flags) override;
  void Free(void* block) override;
  size_t bytesAllocated = 0;
};

// What the collision and terrain passes report to the collision callback. Kind words: 1 rigid
// body, 2 animated body, 0 the static terrain.
struct CollisionInfo {
  void* bodyA = nullptr;
  void* bodyB = nullptr;
  int32_t kindA = 0;
  int32_t kindB = 0;
  Vec3 pointA;
  Vec3 pointB;
  Vec3 normal;
  int32_t idA = 0;
  int32_t idB = 0;
};

// Filled by a custom collision callback (zeroed before the call); points in world coordinates.
struct CustomCollisionRecord {
  Vec3 normal;
  Vec3 pointA;
  Vec3 pointB;
  float depth = 0.0f;
  int32_t idA = 0;
  int32_t idB = 0;
};

// Performance report of one Advance call (the caller owns it).
struct PerformanceReport {
  float result = 0.0f;
  float phases[9] = {};
  float total = 0.0f;
  uint8_t reserved[36] = {};
  int32_t mode = 0;
  int32_t sampleCount = 0;
};

// Called by a body controller every `period` + 1 steps.
class ControllerCallback {
 public:
  virtual void Run(Controller* controller, float stepTime) = 0;
  virtual ~ControllerCallback() = default;
};

using LogOutputCallback = void (*)(char* message);
using CollisionCallback = void (*)(CollisionInfo* info);
using BreakageCallback = void (*)(void* body, int kind, Geometry* geometry, RigidBody* newBody);
using TerrainQueryCallback = void (*)(const Vec3& boxMin, const Vec3& boxMax, int32_t** indices,
                                      Triangle** triangles, Vec3** vertices, int32_t* indexCount,
                                      int32_t* triangleCount, RigidBody* body);
using CustomCollisionCallback = int (*)(void* bodyA, void* bodyB, CustomCollisionRecord* record);

// Every message of the library is formatted here before it goes to the log callback.
extern char physicsMessageBuffer[256];

// Clock of the step timer: a monotonic tick counter and its frequency in ticks per second.
// Tests install a fake; null restores the steady clock.
using PhysicsClockFunction = uint64_t (*)();
void SetPhysicsClock(PhysicsClockFunction counter, uint64_t frequency);

Simulator* CreateSimulator(const SimulatorSizeInfo& sizeInfo, Allocator* allocator, const Vec3* gravity);
void DestroySimulator(Simulator* simulator);
Vec3 BoxInertiaTensor(const Vec3& size, float mass);
Vec3 BoxInertiaTensor(float x, float y, float z, float mass);
Vec3 SphereInertiaTensor(float diameter, float mass);
Vec3 CylinderInertiaTensor(float diameter, float height, float mass);

class CollisionTable {
 public:
  void Set(int id1, int id2, int value);
  int Get(int id1, int id2) const;
  int GetMaxCollisionID() const { return 64; }

 protected:
  CollisionTable() = default;
};

class Simulator {
 public:
  RigidBody* CreateRigidBody();
  RigidBody* CreateRigidParticle();
  AnimatedBody* CreateAnimatedBody();
  void FreeRigidBody(RigidBody* body);
  void FreeAnimatedBody(AnimatedBody* body);

  Vec3 GetGravity() const;
  void SetGravity(const Vec3& gravity);
  bool SetMaterial(int index, float friction, float restitution);
  bool GetMaterial(int index, float& friction, float& restitution) const;
  CollisionTable* GetCollisionTable();

  int Advance(float seconds, int steps, PerformanceReport* report);
  void AdvanceVariable(float seconds, float minTime, float maxStep, PerformanceReport* report);

  void SetTerrainMesh(const TerrainMesh* mesh);
  void FreeTerrainMesh();

  CollisionCallback GetCollisionCallback() const;
  void SetBreakageCallback(BreakageCallback callback);
  BreakageCallback GetBreakageCallback() const;
  void SetTerrainQueryCallback(TerrainQueryCallback callback);
  TerrainQueryCallback GetTerrainQueryCallback() const;
  void SetRigidCustomCollisionCallback(CustomCollisionCallback callback);
  CustomCollisionCallback GetRigidCustomCollisionCallback() const;
  void SetAnimatedCustomCollisionCallback(CustomCollisionCallback callback);
  CustomCollisionCallback GetAnimatedCustomCollisionCallback() const;
  LogOutputCallback SetLogOutputCallback(LogOutputCallback callback);
  LogOutputCallback GetLogOutputCallback() const;
  void SetLogOutputLevel(int level);

  // Joints: null when either body is null or the joint pool is empty.
  Joint* CreateJoint(RigidBody* bodyA, RigidBody* bodyB);
  Joint* CreateJoint(RigidBody* bodyA, AnimatedBody* bodyB);
  // A joint of one body to the world: frame B (and SetJointFrameWorld) is a fixed world frame.
  // Null when the body is null or the joint pool is empty.
  Joint* CreateJoint(RigidBody* body);
  void FreeJoint(Joint* joint);

  SimulatorSizeInfo GetCurrentSizeInfo() const;
  SimulatorSizeInfo GetStartSizeInfo() const;
  void GetMemoryAllocated(int& bytes) const;

 protected:
  Simulator() = default;
};

class Geometry {
 public:
  void SetBoxSize(const Vec3& size);
  void SetBoxSize3(float x, float y, float z);
  bool GetBoxSize(Vec3& size) const;
  void SetSphereDiameter(float diameter);
  bool GetSphereDiameter(float& diameter) const;
  void SetCylinder(float diameter, float height);
  bool GetCylinder(float& diameter, float& height) const;
  void SetTransform(const Transform& transform);
  Transform GetTransform() const;
  // A convex hull given by a mesh block (see physics/convex_mesh.h); the caller keeps the block
  // unchanged while the geometry uses it. A block with more than 256 faces or vertices, or one
  // that is not a valid block, is refused with a log message: false, and the geometry stays as it
  // was.
  bool SetConvexMesh(const void* block);
  bool GetConvexMesh(const void*& block) const;
  void SetMaterialIndex(int index);
  int GetMaterialIndex() const;
  void SetUserData(int data);
  int GetUserData() const;
  void SetBreakMode(int mode);
  int GetBreakMode() const;
  void SetBreakMass(float mass);
  float GetBreakMass() const;
  void SetBreakInertia(const Vec3& inertia);
  void SetBreakThreshold(float threshold);
  float GetBreakThreshold() const;
  void SetBreakAbsorption(float absorption);
  float GetBreakAbsorption() const;
  void SetBreakPlane(const Vec3& plane);
  void SetBreakParameter(float parameter);
  float GetBreakParameter() const;

 protected:
  Geometry() = default;
};

class Sensor {
 public:
  void SetLineSensor(const Vec3& pos, const Vec3& line);
  Vec3 GetLinePos() const;
  Vec3 GetLineVector() const;
  Vec3 GetLineUnitVector() const;
  int GetUserData() const;
  float GetDetectDepth() const;
  Vec3 GetDetectNormal() const;
  Vec3 GetDetectContactPoint() const;
  int GetDetectMaterial() const;
  RigidBody* GetDetectRigidBody() const;
  AnimatedBody* GetDetectAnimatedBody() const;

 protected:
  Sensor() = default;
};

class Controller {
 public:
  RigidBody* GetRigidBody() const;
  void SetControllerForce(const Vec3& force);
  Vec3 GetControllerForce() const;
  void SetControllerTorque(const Vec3& torque);
  Vec3 GetControllerTorque() const;
  // Controllers of a joint: A applies to body A, B to body B.
  void SetJointForceA(const Vec3& force);
  Vec3 GetJointForceA() const;
  Vec3 GetJointTorqueA() const;
  void SetJointForceB(const Vec3& force);
  Vec3 GetJointForceB() const;
  Vec3 GetJointTorqueB() const;
  void SetJointForceBAtPos(const Vec3& force, const Vec3& pos);

 protected:
  Controller() = default;
};

// A joint: ball (type 0), hinge (type 2) or slider (type 3). The joint frames' y axis is the joint
// axis. Limit 1 bounds the swing or hinge angle or the slide position, limit 2 the twist of a ball
// joint; motor 1 drives a hinge or slider.
class Joint {
 public:
  void SetType(int type);
  int GetType() const;
  RigidBody* GetRigidBodyA() const;
  RigidBody* GetRigidBodyB() const;
  AnimatedBody* GetAnimatedBodyB() const;
  void SetJointFrameA(const Transform& frame);
  void SetJointFrameB(const Transform& frame);
  void SetJointFrameWorld(const Transform& frame);
  Transform GetJointFrameA() const;
  Transform GetJointFrameB() const;
  void SetJointLength(float length);
  float GetJointLength() const;
  void SetDampingFactor(float damping);
  float GetDampingFactor() const;
  void Enable(bool on);
  bool IsEnabled() const;
  void SetEpsilon(float epsilon);
  float GetEpsilon() const;
  void SetIterations(int iterations);
  int GetIterations() const;

  void EnableLimit(bool on);
  bool IsLimitEnabled() const;
  void SetLowerLimit(float value);
  float GetLowerLimit() const;
  void SetUpperLimit(float value);
  float GetUpperLimit() const;
  void EnableLimit2(bool on);
  bool IsLimit2Enabled() const;
  void SetLowerLimit2(float value);
  float GetLowerLimit2() const;
  void SetUpperLimit2(float value);
  float GetUpperLimit2() const;

  void EnableMotor(bool on);
  bool IsMotorEnabled() const;
  void SetMotor(int mode, float desiredValue, float maxForce);
  void GetMotor(int& mode, float& desiredValue, float& maxForce) const;
  void EnableMotor2(bool on);
  bool IsMotor2Enabled() const;
  void SetMotor2(int mode, float desiredValue, float maxForce);
  void GetMotor2(int& mode, float& desiredValue, float& maxForce) const;

  Controller* AddController(ControllerCallback* callback, int period);
  bool RemoveController(Controller* controller);
  void BeginIterateController();
  Controller* GetNextController();

 protected:
  Joint() = default;
};

class RigidBody {
 public:
  // Mass and inertia.
  void SetMass(float mass);
  float GetMass() const;
  void SetInertiaTensor(const Vec3& diagonal);
  void SetInertiaTensorM3(const Mat3& tensor);
  void UpdateMassProperties();

  // State.
  Vec3 GetPos() const;
  void SetPos(const Vec3& pos);
  Mat3 GetRotationM3() const;
  Quat GetRotationQ() const;
  void SetRotationM3(const Mat3& rotation);
  Transform GetTransform();
  Vec3 GetVelocity() const;
  void SetVelocity(const Vec3& velocity);
  Vec3 GetAngularVelocity() const;
  Vec3 GetAngularMomentum() const;
  void SetAngularMomentum(const Vec3& momentum);
  Vec3 GetVelocityAtPoint(const Vec3& offset) const;

  // Forces.
  void SetForce(const Vec3& force);
  Vec3 GetForce() const;
  void SetTorque(const Vec3& torque);
  Vec3 GetTorque() const;
  void SetForceAtPos(const Vec3& force, const Vec3& pos);
  void ApplyImpulse(const Vec3& impulse);
  void ApplyImpulseAtPos(const Vec3& impulse, const Vec3& pos);
  void ApplyTwist(const Vec3& twist);
  void GravityEnable(bool enable);
  bool GetGravityEnable() const;
  void SetLinearDamping(float damping);
  float GetLinearDamping() const;
  void SetAngularDamping(float damping);
  float GetAngularDamping() const;
  void SetSleepThreshold(float threshold);
  float GetSleepThreshold() const;

  Controller* AddController(ControllerCallback* callback, int period);
  bool RemoveController(Controller* controller);
  void BeginIterateController();
  Controller* GetNextController();

  // Shared with animated bodies.
  void SetCollisionID(int id);
  int GetCollisionID() const;
  void SetUserData(int data);
  int GetUserData() const;
  void SetCollideConnected(bool on);
  bool GetCollideConnected() const;
  void SetCollideJoined(bool on);
  bool GetCollideJoined() const;
  Geometry* AddGeometry();
  bool RemoveGeometry(Geometry* geometry);
  int GetGeometryCount() const;
  void BeginIterateGeometry();
  Geometry* GetNextGeometry();
  RigidBody* BreakGeometry(Geometry* geometry);
  void UpdateBoundingInfo();
  void UseCustomCollisionDetection(bool on, const Transform* box, float radius);
  bool UsingCustomCollisionDetection() const;
  Sensor* AddSensor();
  bool RemoveSensor(Sensor* sensor);
  void BeginIterateSensor();
  Sensor* GetNextSensor();
  void Active(bool active, RigidBody* hint);
  void Active(bool active, AnimatedBody* hint);
  bool IsActive() const;
  bool IsIdle() const;

 protected:
  RigidBody() = default;
};

class AnimatedBody {
 public:
  Vec3 GetPos() const;
  void SetPos(const Vec3& pos);
  Mat3 GetRotationM3() const;
  Quat GetRotationQ() const;
  void SetRotationM3(const Mat3& rotation);
  void SetRotationQ(const Quat& rotation);
  Transform GetTransform() const;

  void SetCollisionID(int id);
  int GetCollisionID() const;
  void SetUserData(int data);
  int GetUserData() const;
  void SetCollideConnected(bool on);
  bool GetCollideConnected() const;
  void SetCollideJoined(bool on);
  bool GetCollideJoined() const;
  Geometry* AddGeometry();
  bool RemoveGeometry(Geometry* geometry);
  int GetGeometryCount() const;
  void BeginIterateGeometry();
  Geometry* GetNextGeometry();
  RigidBody* BreakGeometry(Geometry* geometry);
  void UpdateBoundingInfo();
  void UseCustomCollisionDetection(bool on, const Transform* box, float radius);
  bool UsingCustomCollisionDetection() const;
  Sensor* AddSensor();
  bool RemoveSensor(Sensor* sensor);
  void BeginIterateSensor();
  Sensor* GetNextSensor();
  void Active(bool active, RigidBody* hint);
  void Active(bool active, AnimatedBody* hint);
  bool IsActive() const;

 protected:
  AnimatedBody() = default;
};
