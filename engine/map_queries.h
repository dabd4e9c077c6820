// Queries on a loaded static model: the collision models built from models' triangles.
// (The face list, its sort and the segment test are StaticModel members.)
#pragma once

class CollisionModel3D;

// Collision models of the level and of the characters, made by the level life cycle and filled
// by the StaticModel builders.
extern CollisionModel3D* playerCollisionModel;
extern CollisionModel3D* banditCollisionModel1;
extern CollisionModel3D* banditCollisionModel2;
extern CollisionModel3D* banditCollisionModel3;
extern CollisionModel3D* banditCollisionModel4;
extern CollisionModel3D* banditCollisionModel5;
extern CollisionModel3D* mapCollisionModel;
