// The mesh block of a convex-hull geometry (Geometry::SetConvexMesh). All words are 32 bits:
//   bytes 0..15   header: vertex-array offset from the block start in 16-byte units, vertex
//                 count, face count, 0
//   bytes 16..    one plane per face: outward unit normal x, y, z and offset (n . p + d = 0)
//   offset*16..   the vertices: x, y, z, 1 (body coordinates)
//   then          three vertex indices per face (triangles, counter-clockwise seen from outside)
// A hull has 4 to 256 vertices and 4 to 256 faces; a block outside those bounds, or with an index
// outside its vertices, collides with nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "math/vec3_inline.h"

// Bytes a block for the given counts takes (0 when a count is negative or too large).
size_t ConvexMeshBlockSize(int vertexCount, int faceCount);

// Writes a block from vertices and triangles into `block` (at least ConvexMeshBlockSize bytes,
// 16-byte aligned). False, with nothing usable written, when a count or index is out of range or
// the block is too small.
bool WriteConvexMeshBlock(const Vec3* vertices, int vertexCount, const int32_t* triangles, int faceCount, void* block,
                          size_t blockSize);
