#include "engine/formats/bhm_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/formats/binary_io.h"

void ClearModelPart(ModelPart& part) { part = ModelPart{}; }

namespace {

// A block of count records of recordSize bytes starting at offset lies inside the file.
bool BlockFits(int64_t offset, int64_t count, int64_t recordSize, size_t fileSize) {
  if (offset < 0 || count < 0) return false;
  const int64_t size = static_cast<int64_t>(fileSize);
  if (offset > size) return false;
  if (count == 0) return true;
  return count <= (size - offset) / recordSize;
}

struct MeshHeader {
  int32_t numFrames = 0, numSkins = 0, numVerts = 0, numTriangles = 0;
  int32_t triStart = 0, skinStart = 0, texStart = 0, vertexStart = 0, meshSize = 0;
  std::string name;
};

// Reads one mesh at start; null on success, else what was wrong: a block that does not fit or an
// index out of range. budget: bytes of mesh data the file can still hold; each mesh's blocks are
// taken from it, so meshes that share one block cannot multiply the memory a small file asks for.
const char* ReadMesh(const uint8_t* data, size_t size, size_t start, MeshObject& mesh, int32_t& meshSize,
                     int64_t& budget) {
  constexpr const char* kBeyondEnd = "blocks beyond the end of the file";
  ByteReader r(data, size);
  if (!r.Seek(start)) return "starts outside the file";
  MeshHeader h;
  r.Skip(4);
  h.name = r.FixedString(68);
  h.numFrames = r.I32();
  h.numSkins = r.I32();
  h.numVerts = r.I32();
  h.numTriangles = r.I32();
  h.triStart = r.I32();
  h.skinStart = r.I32();
  h.texStart = r.I32();
  h.vertexStart = r.I32();
  h.meshSize = r.I32();
  if (!r.ok()) return "header beyond the end of the file";
  if (h.numFrames < 1 || h.numSkins < 0 || h.numVerts < 0 || h.numTriangles < 0 || h.meshSize < 0) {
    return "bad count or size";
  }
  // Blocks lie inside the mesh, after its start.
  if (h.triStart < 0 || h.texStart < 0 || h.vertexStart < 0) return "negative block offset";
  const int64_t base = static_cast<int64_t>(start);
  // Skins follow the header directly and are skipped.
  if (!BlockFits(base + static_cast<int64_t>(kBhmMeshHeaderSize), h.numSkins, kBhmSkinSize, size)) return kBeyondEnd;
  if (!BlockFits(base + h.triStart, h.numTriangles, 12, size)) return kBeyondEnd;
  if (!BlockFits(base + h.texStart, h.numVerts, 8, size)) return kBeyondEnd;
  if (!BlockFits(base + h.vertexStart, static_cast<int64_t>(h.numFrames) * h.numVerts, 8, size)) return kBeyondEnd;
  if (h.numVerts > 0 && h.numFrames > (int64_t(1) << 31) / h.numVerts) return kBeyondEnd;
  budget -= static_cast<int64_t>(kBhmMeshHeaderSize) + int64_t(h.numTriangles) * 12 + int64_t(h.numVerts) * 8 +
            int64_t(h.numFrames) * h.numVerts * 8;
  if (budget < 0) return "meshes together larger than the file";

  mesh = MeshObject{};
  mesh.name = h.name;
  mesh.numOfVerts = h.numVerts;
  mesh.numTexVertex = h.numVerts;
  mesh.numOfFaces = h.numTriangles;
  mesh.numOfFrames = h.numFrames;

  mesh.faces.resize(static_cast<size_t>(h.numTriangles));
  r.Seek(static_cast<size_t>(base + h.triStart));
  for (MeshFace& f : mesh.faces) {
    for (int k = 0; k < 3; ++k) {
      const int32_t v = r.I32();
      if (v < 0 || v >= h.numVerts) return "vertex index out of range";
      f.vertIndex[k] = v;
      f.coordIndex[k] = v;
    }
  }
  mesh.texVerts.resize(static_cast<size_t>(h.numVerts));
  r.Seek(static_cast<size_t>(base + h.texStart));
  for (auto& st : mesh.texVerts) {
    st[0] = r.F32();
    st[1] = -r.F32();
  }
  mesh.vertices.resize(static_cast<size_t>(h.numFrames) * static_cast<size_t>(h.numVerts));
  r.Seek(static_cast<size_t>(base + h.vertexStart));
  for (BhmVec3& v : mesh.vertices) {
    v.x = static_cast<float>(r.I16() / 64.0);
    v.y = static_cast<float>(r.I16() / 64.0);
    v.z = static_cast<float>(r.I16() / 64.0);
    r.I16();  // packed normal, not used
  }
  if (!r.ok()) return kBeyondEnd;
  meshSize = h.meshSize;
  return nullptr;
}

}  // namespace

bool ParseBhm(const uint8_t* data, size_t size, ModelPart& part, std::string* problem) {
  ClearModelPart(part);
  auto fail = [problem](const std::string& why) {
    if (problem) *problem = why;
    return false;
  };
  if (size < kBhmHeaderSize) return fail("file shorter than its header");
  ByteReader r(data, size);
  char ident[4];
  r.Bytes(ident, 4);
  const int32_t version = r.I32();
  if (std::memcmp(ident, "IDP3", 4) != 0 || version != kBhmVersion) return fail(kBhmVersionProblem);
  r.Skip(68);
  const int32_t numFrames = r.I32();
  const int32_t numTags = r.I32();
  const int32_t numMeshes = r.I32();
  r.Skip(5 * 4);  // max skins, header size, tag start, tag end, file size
  if (!r.ok()) return fail("file shorter than its header");
  if (numFrames < 1 || numTags < 0 || numMeshes < 0) return fail("bad frame, tag or mesh count");

  // Every count must fit the file before anything is allocated.
  int64_t pos = static_cast<int64_t>(kBhmHeaderSize);
  if (!BlockFits(pos, numFrames, kBhmFrameSize, size)) return fail("frames beyond the end of the file");
  pos += static_cast<int64_t>(numFrames) * static_cast<int64_t>(kBhmFrameSize);
  const int64_t tagCount = static_cast<int64_t>(numFrames) * numTags;
  if (!BlockFits(pos, numTags, kBhmTagSize, size) || (numTags > 0 && numFrames > (int64_t(1) << 31) / numTags) ||
      !BlockFits(pos, tagCount, kBhmTagSize, size)) {
    return fail("tags beyond the end of the file");
  }
  const int64_t meshStart = pos + tagCount * static_cast<int64_t>(kBhmTagSize);
  if (!BlockFits(meshStart, numMeshes, kBhmMeshHeaderSize, size)) return fail("meshes beyond the end of the file");

  ModelPart out;
  out.numOfFrames = numFrames;
  out.numOfTags = numTags;
  out.links.assign(static_cast<size_t>(numTags), nullptr);
  out.tags.resize(static_cast<size_t>(tagCount));
  r.Seek(static_cast<size_t>(pos));
  for (Tag& tag : out.tags) {
    tag.name = r.FixedString(64);
    tag.origin.x = r.F32();
    tag.origin.y = r.F32();
    tag.origin.z = r.F32();
    for (float& a : tag.axis) a = r.F32();
  }
  if (!r.ok()) return fail("tags beyond the end of the file");

  int64_t start = meshStart;
  int64_t budget = static_cast<int64_t>(size) - meshStart;
  for (int32_t m = 0; m < numMeshes; ++m) {
    const char* why = nullptr;
    MeshObject mesh;
    int32_t meshSize = 0;
    if (start < 0 || start > static_cast<int64_t>(size)) {
      why = "starts outside the file";
    } else {
      why = ReadMesh(data, size, static_cast<size_t>(start), mesh, meshSize, budget);
    }
    if (why) return fail("mesh " + std::to_string(m + 1) + ": " + why);
    out.objects.push_back(std::move(mesh));
    ++out.numOfObjects;
    start += meshSize;
  }
  part = std::move(out);
  return true;
}

namespace {

int16_t PackCoordinate(float v) {
  double s = std::round(static_cast<double>(v) * 64.0);
  s = std::clamp(s, -32768.0, 32767.0);
  return static_cast<int16_t>(s);
}

}  // namespace

std::vector<uint8_t> SerializeBhm(const ModelPart& part, const std::string& fileName) {
  const int numFrames = std::max(part.numOfFrames, 1);
  const int numTags = part.numOfTags;

  ByteWriter w;
  w.Bytes("IDP3", 4);
  w.I32(kBhmVersion);
  w.FixedString(fileName.substr(0, 67), 68);
  w.I32(numFrames);
  w.I32(numTags);
  w.I32(static_cast<int32_t>(part.objects.size()));
  w.I32(0);  // maximum skins
  w.I32(static_cast<int32_t>(kBhmHeaderSize));
  const size_t tagStartPatch = w.size();
  w.I32(0);
  const size_t tagEndPatch = w.size();
  w.I32(0);
  const size_t fileSizePatch = w.size();
  w.I32(0);

  // Frame records: the bounds of every mesh in that frame.
  for (int f = 0; f < numFrames; ++f) {
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    bool any = false;
    for (const MeshObject& m : part.objects) {
      if (f >= m.numOfFrames) continue;
      for (int v = 0; v < m.numOfVerts; ++v) {
        const size_t i = static_cast<size_t>(f) * m.numOfVerts + v;
        if (i >= m.vertices.size()) break;
        const float c[3] = {m.vertices[i].x, m.vertices[i].y, m.vertices[i].z};
        for (int k = 0; k < 3; ++k) {
          lo[k] = any ? std::min(lo[k], c[k]) : c[k];
          hi[k] = any ? std::max(hi[k], c[k]) : c[k];
        }
        any = true;
      }
    }
    double radius = 0.0;
    for (int k = 0; k < 3; ++k) radius = std::max({radius, std::fabs(double(lo[k])), std::fabs(double(hi[k]))});
    for (int k = 0; k < 3; ++k) w.F32(lo[k]);
    for (int k = 0; k < 3; ++k) w.F32(hi[k]);
    for (int k = 0; k < 3; ++k) w.F32(0.0f);
    w.F32(static_cast<float>(radius * std::sqrt(3.0)));
    w.FixedString("frame" + std::to_string(f), 16);
  }

  w.PatchU32(tagStartPatch, static_cast<uint32_t>(w.size()));
  for (int f = 0; f < numFrames; ++f) {
    for (int k = 0; k < numTags; ++k) {
      // A part written with fewer tag frames than mesh frames repeats its last tag frame.
      const size_t frames = numTags > 0 ? part.tags.size() / static_cast<size_t>(numTags) : 0;
      Tag tag;
      if (frames > 0) tag = part.tags[std::min<size_t>(f, frames - 1) * numTags + k];
      w.FixedString(tag.name.substr(0, 63), 64);
      w.F32(tag.origin.x);
      w.F32(tag.origin.y);
      w.F32(tag.origin.z);
      for (float a : tag.axis) w.F32(a);
    }
  }
  w.PatchU32(tagEndPatch, static_cast<uint32_t>(w.size()));

  for (const MeshObject& m : part.objects) {
    const int verts = m.numOfVerts;
    const int tris = m.numOfFaces;
    const int frames = std::max(m.numOfFrames, 1);
    const int32_t triStart = static_cast<int32_t>(kBhmMeshHeaderSize);
    const int32_t texStart = triStart + tris * 12;
    const int32_t vertStart = texStart + verts * 8;
    const int32_t meshSize = vertStart + frames * verts * 8;
    w.Bytes("IDP3", 4);
    w.FixedString(m.name.substr(0, 67), 68);
    w.I32(frames);
    w.I32(0);  // skins
    w.I32(verts);
    w.I32(tris);
    w.I32(triStart);
    w.I32(triStart);  // skin start (no skins)
    w.I32(texStart);
    w.I32(vertStart);
    w.I32(meshSize);
    for (int f = 0; f < tris; ++f)
      for (int k = 0; k < 3; ++k) w.I32(f < static_cast<int>(m.faces.size()) ? m.faces[f].vertIndex[k] : 0);
    for (int v = 0; v < verts; ++v) {
      const bool has = v < static_cast<int>(m.texVerts.size());
      w.F32(has ? m.texVerts[v][0] : 0.0f);
      w.F32(has ? -m.texVerts[v][1] : 0.0f);
    }
    // A mesh without vertices may claim any number of frames; they hold nothing to write.
    for (int f = 0; verts > 0 && f < frames; ++f) {
      for (int v = 0; v < verts; ++v) {
        const size_t i = static_cast<size_t>(f) * verts + v;
        const BhmVec3 p = i < m.vertices.size() ? m.vertices[i] : BhmVec3{};
        w.I16(PackCoordinate(p.x));
        w.I16(PackCoordinate(p.y));
        w.I16(PackCoordinate(p.z));
        w.I16(0);
      }
    }
  }
  w.PatchU32(fileSizePatch, static_cast<uint32_t>(w.size()));
  return std::move(w.bytes());
}
