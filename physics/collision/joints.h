// Joints, their limits and motors, their controllers and the constraint sets that group them.
#pragma once

#include "physics/collision/constraint_item.h"

namespace phys {

// A frame given relative to a pose, placed in the pose's parent space.
Transform PlaceFrame(const Transform& frame, const Transform& pose);
// The inverse: a parent-space frame expressed relative to a pose.
Transform LocalFrame(const Transform& world, const Transform& pose);

// The body a joint's rows, damping and controllers act on. An inactive body takes no part: the
// joint holds the other body at the point where it stopped, as a joint to the world holds its body,
// and the inactive body keeps its velocity until it is active again.
inline RigidBodyBase* JointSide(RigidBodyBase* body) { return body && body->active ? body : nullptr; }
// The body as a rigid body; null for none or an animated body.
inline RigidBodyImpl* RigidOf(RigidBodyBase* body) { return body ? body->AsRigid() : nullptr; }

// Null when body A is null, when both bodies are the same or when the joint pool is empty (which
// is logged). A null body B joins body A to the world.
JointImpl* CreateJointImpl(SimulatorImpl* sim, RigidBodyImpl* a, RigidBodyBase* b);
// Unlinks the joint from its bodies and its set, frees its controllers, returns it to the pool;
// the set is regrouped over its remaining joints and resting bodies of the joint are woken.
void FreeJointImpl(SimulatorImpl* sim, JointImpl* joint);
// Rebuilds a set from its joints after one left it: bodies still joined keep a set (split where
// the set no longer hangs together), a body without a joint in it leaves.
void RegroupConstraintSet(SimulatorImpl* sim, ConstraintHeader* set);
// Frees every joint that uses the body.
void FreeJointsOfBody(RigidBodyBase* body);

// Restarts a resting body's controller sums from its own controllers' stored values.
void RestartControllerSums(RigidBodyImpl* body);
// Takes the joint out of its constraint set's joint list (the set is marked for re-preparation).
void RemoveJointFromSet(JointImpl* joint);
// Queues the stacks of the joint's rigid bodies for the joint group's solve.
void QueueStacksOfJoint(JointImpl* joint);
// Emits the rows of every enabled joint of the set and folds the joints' tolerance (smallest
// positive) and iteration count (largest) into the two values.
void PrepareConstraintSet(ConstraintHeader& header, float* tolerance, int32_t* iterations);

}  // namespace phys
