// Internal records of the physics world. The public facade classes of physics/physics.h are empty
// bases of these records; a facade pointer is turned into its record by a downward static_cast.
#pragma once

#include <cstdint>

#include "physics/physics.h"
#include "physics/world/pool.h"

namespace phys {

struct SimulatorImpl;
struct RigidBodyBase;
struct RigidBodyImpl;
struct AnimatedBodyImpl;
struct ControllerImpl;
struct SensorImpl;
struct ConstraintHeader;
struct EndPoint;
struct BodyNode;
struct ConstraintItem;

constexpr float kZeroSquared = 1e-6f;

inline bool IsFiniteVec(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
inline bool IsFiniteMat3(const Mat3& m) { return IsFiniteVec(m.row[0]) && IsFiniteVec(m.row[1]) && IsFiniteVec(m.row[2]); }
inline bool IsFiniteTransform(const Transform& t) { return IsFiniteMat3(t.rotation) && IsFiniteVec(t.position); }
inline float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
// The part of v across a unit normal: v less its component along the normal.
inline Vec3 ProjectOntoPlane(const Vec3& v, const Vec3& unitNormal) { return v - unitNormal * v.Dot(unitNormal); }
// Whether two unit vectors point the same way: their dot product lies within 1e-6 of 1.
inline bool SameUnitVector(const Vec3& a, const Vec3& b) { return std::fabs(a.Dot(b) - 1.0f) < 1e-6f; }

// Inverse by cofactors; false (and `out` unchanged) when |determinant| < 1e-17.
bool InvertMat3(const Mat3& m, Mat3* out);
Mat3 DiagonalMat3(const Vec3& d);
// R^T * M * R for a rotation whose rows are the local axes in the parent frame: carries a tensor
// given in the local frame into the parent frame (acting on column vectors).
Mat3 RotateTensor(const Mat3& rotation, const Mat3& tensor);
// Hamilton product with the vector part first and w last.
Quat QuatMultiply(const Quat& a, const Quat& b);
Quat QuatFromMat3(const Mat3& m);
void QuatNormalize(Quat* q);

// Geometry type codes.
enum GeometryType : int32_t {
  kTypeTriangle = 2,
  kTypeBox = 3,
  kTypeSphere = 4,
  kTypeCylinder = 5,
  kTypeTriangleList = 6,
  kTypeVertexCloud = 7,
  kTypeConvex = 8,
};

// One collision shape. Which primitive fields are meaningful depends on `type`.
struct PreparedTriangle;

// What a convex mesh block (physics/convex_mesh.h) is worth: usable, over the 256 faces or
// vertices a hull may have, or otherwise out of range.
enum class MeshBlockCheck { kValid, kTooLarge, kInvalid };
MeshBlockCheck CheckConvexMeshBlock(const void* block);

struct TConvex : public Geometry {
  // box
  Vec3 halfExtents{0.5f, 0.5f, 0.5f};
  // sphere and cylinder
  float radius = 0.0f;
  float radiusSquared = 0.0f;
  float halfHeight = 0.0f;
  // convex mesh
  const void* mesh = nullptr;
  const Vec3* meshVertices = nullptr;
  int32_t meshVertexCount = 0;
  // triangle list: the triangles named by the index array
  const int32_t* listIndices = nullptr;
  int32_t listIndexCount = 0;
  const Triangle* listTriangles = nullptr;
  int32_t listTriangleCount = 0;
  const Vec3* listVertices = nullptr;
  // Optional: the triangles already prepared, indexed like listTriangles (the terrain tree keeps
  // them so that the tests need not rebuild a triangle's plane and edges per query).
  const PreparedTriangle* listPrepared = nullptr;
  // single triangle
  const Vec3* corners[3] = {nullptr, nullptr, nullptr};

  Transform transform = Transform::Identity();
  float boundingRadius = 0.0f;
  float scale = 0.0f;
  int32_t type = kTypeBox;
  int32_t materialIndex = 0;
  int32_t userData = 0;
  Vec3 breakInertia{2.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f};
  Vec3 breakPlane;
  float breakMass = 1.0f;
  float breakThreshold = 0.0f;
  float breakAbsorption = 0.5f;
  float breakParameter = 0.0f;
  int32_t breakMode = 0;
  int32_t triangleUserWord = 0;
  // The body whose geometry list holds this geometry (null for a body's collision holder, a
  // terrain triangle or a free pool node).
  RigidBodyBase* body = nullptr;

  void InitDefault();
  void SetBoxSize(float x, float y, float z);
  void SetSphere(float diameter);
  void SetCylinderShape(float diameter, float height);
  // A hull from a mesh block; a block that fails the check leaves the geometry as it was.
  MeshBlockCheck SetConvexMesh(const void* block);
  void SetTriangleList(const int32_t* indices, int32_t indexCount, const Triangle* triangles, const Vec3* vertices,
                       int32_t triangleCount = 0);
  void SetTriangle(const Vec3* a, const Vec3* b, const Vec3* c, int32_t userWord);
  Transform GetTransformOrIdentity() const;
  float GetExtend() const;
  void GetLocalBounds(Vec3& min, Vec3& max) const;
};

// Mass and body-frame inertia of one geometry at `density`; only boxes have mass.
Mat3 GeometryMassProperties(const TConvex& geometry, float density, float& mass);
void ShiftInertia(Mat3& inertia, const Vec3& offset, float mass, float sign);

struct ControllerImpl : public Controller {
  int32_t period = 0;
  int32_t countdown = 0;
  ControllerCallback* bodyCallback = nullptr;
  ControllerCallback* jointCallback = nullptr;
  void* joint = nullptr;
  RigidBodyImpl* body = nullptr;
  Vec3 forceA, torqueA, forceB, torqueB;
  // The controller's simulator: its body's, or its joint's.
  SimulatorImpl* OwnerSimulator() const;
};

struct SensorImpl : public Sensor {
  Vec3 linePos, lineVector, lineUnit;
  float lineLength = 0.0f;
  int32_t userData = 0;
  float detectDepth = 0.0f;
  Vec3 detectNormal, detectPoint;
  int32_t detectMaterial = 0;
  RigidBodyBase* detectBody = nullptr;
};

struct JointImpl;

// A joint group: every body that enabled joints connect, directly or through other bodies, and
// every joint among them; the solver solves one group at a time.
struct ConstraintHeader {
  JointImpl* firstJoint = nullptr;
  JointImpl* lastJoint = nullptr;
  // Set when the group's rows were emitted in the current solver pass.
  int32_t prepared = 0;
  // Bit 0: a joint was added.
  int32_t flags = 0;
  RigidBodyBase* firstBody = nullptr;
  RigidBodyBase* lastBody = nullptr;
  int32_t bodyCount = 0;
  // 2 when a body or joint left the group and its rows must be prepared again.
  int32_t state = 0;
};

// One item of a body's joint list.
struct JointLink {
  JointImpl* joint = nullptr;
  JointLink* next = nullptr;
  JointLink* prev = nullptr;
};

// A limit of a joint: the angle range of a hinge or ball joint, the twist of a ball joint or the
// travel of a slider.
struct JointLimit {
  int32_t limitNumber = 0;
  int32_t isActive = 0;
  Vec3 axis;
  int32_t violatedSide = 0;
  int32_t enabled = 0;
  float violation = 0.0f;
  float violationCopy = 0.0f;
  float upper = 0.0f;
  float lower = 0.0f;
  JointImpl* joint = nullptr;

  void EmitAngularRow();
  void EmitTwistRow();
  void EmitSliderRow();
};

// A motor of a joint: drives the relative angular speed of a hinge or the relative linear speed of
// a slider towards `desiredSpeed`.
struct JointMotor {
  int32_t enabled = 0;
  int32_t mode = 0;
  float desiredSpeed = 0.0f;
  float maxForce = 0.0f;

  void EmitRow(JointImpl& joint);
};

struct JointAnchor {
  Vec3 local;
  Vec3 world;
};

// A joint between body A and body B (or the world): ball (type 0), hinge (2) or slider (3).
struct JointImpl : public Joint {
  Transform frameA = Transform::Identity();
  Transform frameB = Transform::Identity();
  Transform worldFrameA = Transform::Identity();
  Transform worldFrameB = Transform::Identity();
  SimulatorImpl* ownerSimulator = nullptr;
  PoolNode<ControllerImpl>* controllers = nullptr;
  PoolNode<ControllerImpl>* controllerIterator = nullptr;
  RigidBodyBase* bodyA = nullptr;
  RigidBodyBase* bodyB = nullptr;
  JointLink bodyLinkA;
  JointLink bodyLinkB;
  int32_t rowCount = 0;
  JointAnchor anchorsA[2];
  JointAnchor anchorsB[2];
  int32_t enabled = 0;
  float tolerance = -1.0f;
  int32_t iterations = -1;
  float length = 1.0f;
  float angle = 0.0f;
  float signedAngle = 0.0f;
  float angularDamping = 0.0f;
  int32_t anchorsReady = 0;
  JointLimit limit1;
  JointLimit limit2;
  JointMotor motor1;
  JointMotor motor2;
  int32_t type = 0;
  JointImpl* setNext = nullptr;
  JointImpl* setPrev = nullptr;
  // The group whose joint list holds this joint (null while in none).
  ConstraintHeader* set = nullptr;

  void Init();
  void SetType(int32_t newType);
  void Enable(bool on);
  void ComputeLocalAnchors();
  void AddToConstraintSet();
  void UpdateWorldFrames();
  void UpdateWorldAnchors();
  void EmitRows();
  void ApplyDamping();
  ControllerImpl* AddController(ControllerCallback* callback, int32_t period);
  bool RemoveController(ControllerImpl* controller);
  void BeginIterateController() { controllerIterator = controllers; }
  ControllerImpl* GetNextController();
  void UpdateControllers();
  void ReleaseControllers();
  // The joint angles of the current world frames, by type.
  void MeasureAngles();
};

struct StackHeader;
// A body's membership of a stack (or of the simulator's list of resting bodies outside any stack).
struct StackInfo {
  RigidBodyImpl* body = nullptr;
  StackHeader* header = nullptr;
  StackInfo* next = nullptr;
  StackInfo* prev = nullptr;
  int32_t mark = 0;
  // Set when created or moved by a join; cleared when the body records a new resting contact. A
  // loose member does not pass activation on to the bodies it rests on.
  int32_t loose = 0;
  // Set when the body kept no resting contact; such a member is not regrouped.
  int32_t noContacts = 0;
};
// A stack: bodies resting on one another, solved, put to sleep and woken as one unit.
struct StackHeader {
  StackInfo* first = nullptr;
  StackInfo* last = nullptr;
  int32_t count = 0;
  // 1 while every member rests and none was pushed; 0 marks the stack for solving.
  int32_t checked = 0;
  // 1 only for the simulator's list of resting bodies that belong to no stack.
  int32_t isDefault = 0;
  // Set while the stack waits in the simulator's pending-stack array.
  int32_t queued = 0;
  SimulatorImpl* sim = nullptr;

  void AddMember(StackInfo* info);
  void RemoveMember(StackInfo* info);
  // Moves every member of this stack to the end of `target`.
  void Concat(StackHeader* target);
  // Splits the stack along the resting contacts of its members; false when a pool ran out.
  bool Regroup();
  // Puts the members (and the bodies they rest on) into the simulator's active stack group and
  // makes their stack contacts.
  void ActivateMembers();
};

// A contact on which the owning body rests. Kind: 0 free, 1 the other body is rigid, 2 animated,
// 3 the static terrain.
struct RestContact {
  Vec3 pointOnThis;
  Vec3 pointOnOther;
  Vec3 normal;
  int32_t idA = 0;
  int32_t idB = 0;
  float depth = 0.0f;
  int32_t stamp = 0;
  int32_t kind = 0;
  RigidBodyBase* other = nullptr;
  RigidBodyImpl* owner = nullptr;
  // Links in the other body's list of contacts that rest on it.
  RestContact* listNext = nullptr;
  RestContact* listPrev = nullptr;

  RestContact() {}
  ~RestContact() {}
  // From the contact result of a body A that rests on body B: both points in their bodies' frames,
  // the normal in B's frame, the material words and the depth; the other body is B, and the kind
  // is 3 when B is the terrain, else 1.
  void Set(const ConstraintItem& contact);
  void Set(int32_t kind, const Vec3& pointA, const Vec3& pointB, const Vec3& normal, int32_t idA, int32_t idB);
  void Unlink();
  bool IsOtherResting() const;
  // The terrain is always valid; another body must still be in use and active.
  bool IsOtherValid(const SimulatorImpl* sim) const;
  Vec3 GetOtherWorldPoint() const;
  // The normal in world space, pointing from the support towards the resting body.
  Vec3 GetOtherWorldNormal() const;
  bool IsUsed() const { return kind != 0; }
};

// True when the origin lies inside the triangle of the three points (x and z only), scaled by 1.1
// about its centroid; either winding counts, a degenerate triangle contains nothing.
bool PointInTriangleXZ(const Vec3& p0, const Vec3& p1, const Vec3& p2);

// What rigid and animated bodies share: identity, geometry, lists, activation, broad-phase state.
struct RigidBodyBase {
  ConstraintHeader* constraintSet = nullptr;
  // Joint list: one item per joint that uses the body.
  JointLink* firstJoint = nullptr;
  JointLink* lastJoint = nullptr;
  int32_t jointCount = 0;
  // Links in the body list of the constraint set.
  RigidBodyBase* setNext = nullptr;
  RigidBodyBase* setPrev = nullptr;
  PoolNode<TConvex>* geometryIter = nullptr;
  PoolNode<SensorImpl>* sensorIter = nullptr;
  int32_t userData = 0;

  // Collision holder: one box that summarises the geometries.
  TConvex holder;
  NodeList<TConvex> geometries;
  float boundingRadius = 0.0f;

  int32_t id = 0;
  int32_t collisionID = 0;
  int32_t kind = 1;
  int32_t active = 1;
  int32_t collideConnected = 0;
  int32_t collideJoined = 0;
  NodeList<SensorImpl> sensors;
  SimulatorImpl* sim = nullptr;

  // The bounding-box transform (rows: the box axes scaled by the half extents; position: the
  // centre), which is also the custom collision box.
  Transform boundsTransform = Transform::Identity();
  int32_t customCollision = 0;

  Vec3 worldMin, worldMax;
  // Broad phase.
  PoolNode<BodyNode>* bodyNode = nullptr;
  PoolNode<EndPoint>* minEnd[3] = {nullptr, nullptr, nullptr};
  PoolNode<EndPoint>* maxEnd[3] = {nullptr, nullptr, nullptr};
  // 0 in the sorted lists, 1 waiting to enter them, kOutOfSort while its box is not finite.
  int32_t regionState = 0;
  static constexpr int32_t kOutOfSort = 3;

  Vec3 smoothedDisplacement;
  // Contacts of other bodies that rest on this one.
  RestContact* restingOnMe = nullptr;
  int32_t restingOnMeCount = 0;

  // Contact-pass flags.
  int32_t pushedThisStep = 0;
  int32_t pushedLastStep = 0;

  bool IsRigid() const { return kind == 1; }
  bool IsParticleBody() const;
  RigidBodyImpl* AsRigid();
  AnimatedBodyImpl* AsAnimated();
  const Transform& CurrentTransform() const;

  TConvex* AddGeometry();
  bool RemoveGeometry(TConvex* geometry);
  void BeginIterateGeometry() { geometryIter = geometries.head; }
  TConvex* GetNextGeometry();
  // True when some geometry is not a sphere: the body can rest on several corners or a face.
  bool HasCorners() const;
  void UpdateBoundingInfo();
  void UseCustomCollisionDetection(bool on, const Transform* box, float radius);
  SensorImpl* AddSensor();
  bool RemoveSensor(SensorImpl* sensor);
  void BeginIterateSensor() { sensorIter = sensors.head; }
  SensorImpl* GetNextSensor();
  void Active(bool on, RigidBodyBase* hint);
  // The bodies resting on this one lose those contacts and wake: it holds nothing up any more (it
  // was freed, deactivated or left without geometry, or it is the terrain and its mesh went).
  void ReleaseRestingBodies();
  // What the body occupies changed (a geometry's shape or place, a geometry added, removed or
  // broken off): neither the contacts resting on it nor its own resting contacts hold any more.
  // They go, and every body that lost one wakes.
  void ReleaseRestContacts();
  // One of the body's geometries changed its shape or place: the rest contacts go as above, and
  // the body's bounds follow the new shape (a caller's own UpdateBoundingInfo after this finds
  // them already right). A custom collision box is the caller's and stays.
  void GeometryReshaped();
  // What the body collides with changed: the contacts resting on it and its own whose pair the
  // collision table no longer handles go, and every body that lost one wakes.
  void DropUnhandledRestContacts();
  void SetCollisionID(int32_t id);
  void LeaveConstraintSet();
  void ReleaseGeometriesAndSensors();
  bool InRegion() const { return bodyNode != nullptr; }
};

struct RigidBodyImpl : public RigidBodyBase, public RigidBody {
  float mass = 1.0f;
  float inverseMass = 1.0f;
  Mat3 inverseInertia = Mat3::Identity();
  Mat3 inertia;
  Vec3 force, torque;
  int32_t restState = 0;
  int32_t gravityEnabled = 1;
  Vec3 gravityForce, controllerForce, controllerTorque, totalTorque, totalForce, acceleration;
  float linearDamping = 0.0f;
  float angularDamping = 0.0f;
  int32_t stateIndex = 0;
  // State.
  Quat orientation;
  Vec3 angularMomentum;
  Transform pose = Transform::Identity();
  Vec3 velocity, angularVelocity;
  Quat quatRate{0.0f, 0.0f, 0.0f, 0.0f};
  Mat3 worldInverseInertia = Mat3::Identity();
  // Rest bookkeeping.
  int32_t restCounter = 0;
  int32_t terrainContact = 0;
  int32_t stackSolveAllowed = 1;
  NodeList<ControllerImpl> controllers;
  PoolNode<ControllerImpl>* controllerIter = nullptr;
  RestContact restContacts[3];
  Vec3 velocityHistory[10];
  Vec3 angularVelocityHistory[10];
  StackInfo* stackInfo = nullptr;
  int32_t isParticle = 0;
  Vec3 velocityChange[10];
  Vec3 angularChange[10];
  Vec3 linearCorrection, angularCorrection;
  int32_t linearCorrectionCount = 0;
  int32_t angularCorrectionCount = 0;
  float sleepThreshold = 0.2f;
  // Rest snapshot.
  Vec3 snapPosition;
  Quat snapOrientation;
  Vec3 snapVelocity, snapAngularVelocity;
  int32_t stepsSinceSnapshot = 0;

  RigidBodyImpl() { kind = 1; }

  void SetAngularMomentum(const Vec3& L);
  void RecomputeAngular();
  void WakeUp();
  void SaveRestSnapshot();
  void PutToRest();
  void WakeUpStack();
  void SetMass(float m);
  void SetInertiaTensor(const Mat3& tensor);
  void SetRotation(const Mat3& rotation);
  void UpdateMassProperties();
  ControllerImpl* AddController(ControllerCallback* callback, int period);
  bool RemoveController(ControllerImpl* controller);
  void UpdateVelocity(float dt);
  void AngularUpdate(const Vec3& T, float dt);
  void UpdatePosition(float dt);
  void ApplyForcesAndControllers();
  void ApplyContactImpulse(const Vec3& impulse, const Vec3& arm);
  void ApplyVelocityCorrection();
  void ApplyAngularCorrection();
  // Takes the angular momentum's component along a unit direction away, adds `added`, and brings
  // the angular velocity and quaternion rate up to date.
  void RemoveAngularMomentumAlong(const Vec3& direction, const Vec3& added);
  void ClearVelocityHistory();
  void StoreRestContact(const RestContact& contact);
  void ReleaseLinks();
  // Unlinks the body's own resting contacts, or with `unhandledOnly` those whose pair the collision
  // table no longer handles; the body wakes when any went.
  void DropOwnRestContacts(bool unhandledOnly);
  // Whether an idle body stays asleep.
  bool ConfirmRest() { return CheckIdleVelocity(); }

  // Rest detection and stacking.
  int32_t restContactCount = 0;
  int32_t restContactIndices[3] = {0, 0, 0};
  Vec3 supportNormal;
  // Set while the body is a member of the simulator's active stack group.
  int32_t inActiveStacks = 0;
  void CheckForRest();
  bool CheckIdleVelocity();
  // For a member of a joint group: counts the consecutive steps it has been slow by the rule that
  // keeps an idle body asleep; whether it has been still through the rest snapshot's window.
  void CountSlowStep();
  bool StillThroughRestWindow() const;
  int TestRestingContacts();
  bool TestRestContactPoints();
  int ValidateRestContacts();
  bool CheckRestSnapshot();
  // Whether the body has kept still by its histories: its angular speed times the step time has
  // stayed below the sleep threshold for 50 calls in a row, and its averaged velocity history
  // times the step time is below it too.
  bool CheckRestHistory();
  int32_t restHistoryCount = 0;
  // Whether the body is too fast to idle: it fails the speed test that keeps an idle body asleep.
  bool IsMoving() const;
  int SolveStack(bool force);
  void QueueStackSolve();
  bool JoinStacks(const RestContact& contact);
  bool MergeStacks(const RestContact& contact);
  void ReleaseStackInfo();
};

struct AnimatedBodyImpl : public RigidBodyBase, public AnimatedBody {
  Transform pose = Transform::Identity();
  int32_t moved = 0;

  AnimatedBodyImpl() { kind = 0; }
};

// Writes the body's world box from its bounding-box transform and current pose into its end points.
void UpdateBodyBoundingBox(RigidBodyBase* body);
inline void UpdateAnimatedBodyBoundingBox(RigidBodyBase* body) { UpdateBodyBoundingBox(body); }

bool ListsShareEntry(const RigidBodyBase* a, const RigidBodyBase* b);

struct Material {
  float friction = 0.5f;
  float restitution = 0.4f;
  float density = 1.0f;
};

struct CollisionTableImpl : public CollisionTable {
  int32_t entries[64][64];
  int32_t wildcard[64];

  CollisionTableImpl() { Fill(1); }
  void Fill(int32_t value);
  // The simulator that owns the table: a change of an entry drops the resting contacts it stops.
  SimulatorImpl* owner = nullptr;

  // True when an entry changed.
  bool SetEntry(int id1, int id2, int value);
  int Lookup(int id1, int id2) const;
  int GetEntry(int id1, int id2) const;
};

}  // namespace phys
