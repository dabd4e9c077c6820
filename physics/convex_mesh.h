// The mesh block of a convex-hull geometry (Geometry::SetConvexMesh). All words are 32 bits:
//   bytes 0..15   header: vertex-array offset from the block start in 16-byte units (1 + face
//                 count), vertex count, face count, edge count (3/2 of the face count)
//   bytes 16..    one plane per face: outward unit normal x, y, z and offset (n . p + d = 0)
//   offset*16..   the vertices: x, y, z, 1 (body coordinates)
//   then          three words per face, one per corner k (counter-clockwise seen from outside):
//                 the corner's vertex (bits 0..7), the face beyond the edge from corner k to
//                 corner k + 1 (bits 8..15) and that edge's index (bits 16..31)
//   then          one word per vertex: a face holding it (bits 0..7), its corner there (bits
//                 8..15), the number of edges meeting there (bits 16..31)
//   then          four bytes per edge: the face it runs counter-clockwise in, the face beyond it,
//                 its start and its end vertex
// A hull is closed: 4 to 256 vertices, every one of them used, and 4 to 256 triangles, each edge
// shared by exactly two of them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "math/vec3_inline.h"

// Bytes a block for the given counts takes (0 when a count is negative or too large, or the face
// count is odd, which no closed hull of triangles has).
size_t ConvexMeshBlockSize(int vertexCount, int faceCount);

// Writes a block from vertices and triangles into `block` (at least ConvexMeshBlockSize bytes,
// 16-byte aligned). False, with nothing usable written, when a count or index is out of range, the
// triangles do not close a hull (an edge without its twin, or used twice), or the block is too
// small.
bool WriteConvexMeshBlock(const Vec3* vertices, int vertexCount, const int32_t* triangles, int faceCount, void* block,
                          size_t blockSize);
