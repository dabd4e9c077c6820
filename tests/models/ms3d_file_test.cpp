#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/ms3d_file.h"

namespace {

// A small model: a quad of two triangles in one group with a textured material, a second group
// without a material, and a second material.
Ms3dData SampleModel() {
  Ms3dData m;
  const float pos[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0.5f}};
  for (int i = 0; i < 4; ++i) {
    Ms3dVertex v;
    std::memcpy(v.location, pos[i], sizeof v.location);
    v.boneId = static_cast<signed char>(i == 3 ? -1 : i);
    m.vertices.push_back(v);
  }
  const int idx[3][3] = {{0, 1, 2}, {0, 2, 3}, {3, 2, 1}};
  for (int i = 0; i < 3; ++i) {
    Ms3dTriangle t;
    for (int k = 0; k < 3; ++k) {
      t.vertexIndices[k] = idx[i][k];
      t.vertexNormals[k][2] = 1.0f;
      t.vertexNormals[k][0] = 0.125f * k;
      t.s[k] = 0.25f * k;
      t.t[k] = 0.75f - 0.25f * k;  // file t = 0.25, 0.5, 0.75
    }
    m.triangles.push_back(t);
  }
  Ms3dGroup g0;
  g0.name = "body";
  g0.materialIndex = 1;
  g0.triangleIndices = {0, 1};
  Ms3dGroup g1;
  g1.name = "plain";
  g1.materialIndex = -1;
  g1.triangleIndices = {2};
  m.groups = {g0, g1};
  Ms3dMaterial a;
  a.name = "steel";
  a.textureFile = "textures/steel.bmp";
  a.shininess = 12.5f;
  a.transparency = 0.41f;
  Ms3dMaterial b;
  b.name = "wood";
  b.textureFile = "textures/wood.bmp";
  b.diffuse[1] = 0.5f;
  m.materials = {a, b};
  return m;
}

std::vector<uint8_t> Bytes(const Ms3dData& m, int version = 4) {
  std::vector<uint8_t> out;
  EXPECT_TRUE(WriteMs3d(m, out, version));
  return out;
}

// Size of the sample file without the animation section the writer appends.
size_t ModelBytes(const Ms3dData& m) {
  size_t n = kMs3dHeaderSize + 2 + m.vertices.size() * kMs3dVertexSize + 2 + m.triangles.size() * kMs3dTriangleSize + 2;
  for (const Ms3dGroup& g : m.groups) n += 1 + kMs3dNameSize + 2 + 2 * g.triangleIndices.size() + 1;
  return n + 2 + m.materials.size() * kMs3dMaterialSize;
}

void ExpectSame(const Ms3dData& a, const Ms3dData& b) {
  ASSERT_EQ(a.vertices.size(), b.vertices.size());
  ASSERT_EQ(a.triangles.size(), b.triangles.size());
  ASSERT_EQ(a.groups.size(), b.groups.size());
  ASSERT_EQ(a.materials.size(), b.materials.size());
  for (size_t i = 0; i < a.vertices.size(); ++i) {
    EXPECT_EQ(a.vertices[i].boneId, b.vertices[i].boneId);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(a.vertices[i].location[k], b.vertices[i].location[k]);
  }
  for (size_t i = 0; i < a.triangles.size(); ++i) {
    const Ms3dTriangle &x = a.triangles[i], &y = b.triangles[i];
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(x.vertexIndices[k], y.vertexIndices[k]);
      EXPECT_EQ(x.s[k], y.s[k]);
      EXPECT_FLOAT_EQ(x.t[k], y.t[k]);
      for (int c = 0; c < 3; ++c) EXPECT_EQ(x.vertexNormals[k][c], y.vertexNormals[k][c]);
    }
  }
  for (size_t i = 0; i < a.groups.size(); ++i) {
    EXPECT_EQ(a.groups[i].name, b.groups[i].name);
    EXPECT_EQ(a.groups[i].materialIndex, b.groups[i].materialIndex);
    EXPECT_EQ(a.groups[i].triangleIndices, b.groups[i].triangleIndices);
  }
  for (size_t i = 0; i < a.materials.size(); ++i) {
    const Ms3dMaterial &x = a.materials[i], &y = b.materials[i];
    EXPECT_EQ(x.name, y.name);
    EXPECT_EQ(x.textureFile, y.textureFile);
    EXPECT_EQ(x.shininess, y.shininess);
    EXPECT_EQ(x.transparency, y.transparency);
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(x.ambient[k], y.ambient[k]);
      EXPECT_EQ(x.diffuse[k], y.diffuse[k]);
      EXPECT_EQ(x.specular[k], y.specular[k]);
      EXPECT_EQ(x.emissive[k], y.emissive[k]);
    }
  }
}

// Offset of the first material record in the sample file.
size_t MaterialOffset(const Ms3dData& m) { return ModelBytes(m) - m.materials.size() * kMs3dMaterialSize; }

TEST(Ms3dFile, WriterRoundTripsThroughTheReader) {
  const Ms3dData m = SampleModel();
  const std::vector<uint8_t> bytes = Bytes(m);
  EXPECT_EQ(bytes.size(), ModelBytes(m) + 14);  // plus the animation section
  Ms3dData back;
  ASSERT_TRUE(ParseMs3d(bytes, back));
  ExpectSame(m, back);

  const std::string path = std::string(DUN_TEST_OUTPUT_DIR) + "/ms3d_round_trip/model.ms3d";
  ASSERT_TRUE(SaveMs3dFile(path, m));
  Ms3dData fromFile;
  ASSERT_TRUE(LoadMs3dFile(path, fromFile));
  ExpectSame(m, fromFile);
  EXPECT_FALSE(LoadMs3dFile(path + ".missing", fromFile));
}

TEST(Ms3dFile, TextureRowIsFlippedAndBytesAreLittleEndian) {
  Ms3dData m = SampleModel();
  const std::vector<uint8_t> bytes = Bytes(m);
  // The first triangle's file t values sit after its flags, indices, normals and s values.
  const size_t tri0 = kMs3dHeaderSize + 2 + 4 * kMs3dVertexSize + 2;
  ByteReader r(bytes.data() + tri0 + 56, 12);
  EXPECT_EQ(r.F32(), 0.25f);
  EXPECT_EQ(bytes[tri0 + 2], 0);  // vertex index 0, low byte first
  EXPECT_EQ(bytes[tri0 + 4], 1);
  Ms3dData back;
  ASSERT_TRUE(ParseMs3d(bytes, back));
  EXPECT_EQ(back.triangles[0].t[0], 0.75f);  // file t 0.25 is stored as 0.75
}

TEST(Ms3dFile, VersionsThreeAndFourReadAlikeOthersAndWrongIdentifiersAreRefused) {
  const Ms3dData m = SampleModel();
  Ms3dData v3, v4;
  ASSERT_TRUE(ParseMs3d(Bytes(m, 3), v3));
  ASSERT_TRUE(ParseMs3d(Bytes(m, 4), v4));
  ExpectSame(v3, v4);
  Ms3dData out;
  for (int version : {2, 5, 0, -1}) EXPECT_FALSE(ParseMs3d(Bytes(m, version), out)) << version;
  std::vector<uint8_t> bad = Bytes(m);
  bad[9] = '1';  // MS3D000001
  EXPECT_FALSE(ParseMs3d(bad, out));
  bad = Bytes(m);
  bad[0] = 'm';
  EXPECT_FALSE(ParseMs3d(bad, out));
  EXPECT_FALSE(ParseMs3d(nullptr, 0, out));
}

TEST(Ms3dFile, EveryTruncationIsRefusedAndTrailingBytesAreIgnored) {
  const Ms3dData m = SampleModel();
  std::vector<uint8_t> bytes = Bytes(m);
  const size_t needed = ModelBytes(m);
  for (size_t len = 0; len < needed; ++len) {
    // A fresh copy of exactly len bytes, so a sanitizer sees any read past the end.
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + len);
    Ms3dData out;
    EXPECT_FALSE(ParseMs3d(cut.data(), cut.size(), out)) << len;
  }
  std::vector<uint8_t> exact(bytes.begin(), bytes.begin() + needed);
  Ms3dData out;
  ASSERT_TRUE(ParseMs3d(exact, out));
  ExpectSame(m, out);
  bytes.insert(bytes.end(), 1000, 0xAB);
  ASSERT_TRUE(ParseMs3d(bytes, out));
  ExpectSame(m, out);
}

TEST(Ms3dFile, BadIndicesAreRefusedAndUnknownMaterialsMeanNone) {
  const Ms3dData m = SampleModel();
  const std::vector<uint8_t> good = Bytes(m);
  const size_t tri0 = kMs3dHeaderSize + 2 + 4 * kMs3dVertexSize + 2;
  Ms3dData out;
  // Vertex index 4 of 4 vertices, in each corner slot.
  for (int k = 0; k < 3; ++k) {
    std::vector<uint8_t> b = good;
    b[tri0 + 2 + 2 * k] = 4;
    EXPECT_FALSE(ParseMs3d(b, out)) << k;
    b[tri0 + 2 + 2 * k] = 0xFF;
    b[tri0 + 3 + 2 * k] = 0xFF;
    EXPECT_FALSE(ParseMs3d(b, out)) << k;
  }
  // Group 0's second triangle index: 3 of 3 triangles.
  const size_t groups = tri0 + 3 * kMs3dTriangleSize + 2;
  const size_t g0List = groups + 1 + kMs3dNameSize + 2;
  std::vector<uint8_t> b = good;
  b[g0List + 2] = 3;
  EXPECT_FALSE(ParseMs3d(b, out));

  // Group 0's material index: 2 of 2 materials, 127, and -7 all mean none; 1 stays.
  const size_t g0Material = g0List + 2 * 2;
  for (uint8_t value : {uint8_t(2), uint8_t(127), uint8_t(0xF9)}) {
    b = good;
    b[g0Material] = value;
    ASSERT_TRUE(ParseMs3d(b, out)) << int(value);
    EXPECT_EQ(out.groups[0].materialIndex, -1) << int(value);
  }
  ASSERT_TRUE(ParseMs3d(good, out));
  EXPECT_EQ(out.groups[0].materialIndex, 1);
  EXPECT_EQ(out.groups[1].materialIndex, -1);
}

TEST(Ms3dFile, NonFinitePositionsAndNormalsAreRefused) {
  const Ms3dData m = SampleModel();
  const std::vector<uint8_t> good = Bytes(m);
  const size_t vertex0 = kMs3dHeaderSize + 2;
  const size_t tri0 = vertex0 + 4 * kMs3dVertexSize + 2;
  // Every coordinate of the last vertex and of the last triangle's last normal.
  std::vector<size_t> fields;
  for (int c = 0; c < 3; ++c) {
    fields.push_back(vertex0 + 3 * kMs3dVertexSize + 1 + 4 * c);
    fields.push_back(tri0 + 2 * kMs3dTriangleSize + 8 + 4 * (6 + c));
  }
  const uint32_t kNan = 0x7FC00000u, kInfinity = 0x7F800000u, kMinusInfinity = 0xFF800000u;
  Ms3dData out;
  for (size_t at : fields) {
    for (uint32_t bits : {kNan, kInfinity, kMinusInfinity}) {
      std::vector<uint8_t> b = good;
      for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(bits >> (8 * k));
      EXPECT_FALSE(ParseMs3d(b, out)) << "offset " << at << " bits " << std::hex << bits;
    }
  }
  // The largest finite value is a position like any other.
  std::vector<uint8_t> b = good;
  for (int k = 0; k < 4; ++k) b[fields[0] + k] = static_cast<uint8_t>(0x7F7FFFFFu >> (8 * k));
  ASSERT_TRUE(ParseMs3d(b, out));
  EXPECT_EQ(out.vertices[3].location[0], 3.4028234663852886e38f);
}

TEST(Ms3dFile, UnterminatedNamesAreCutAtTheirFields) {
  const Ms3dData m = SampleModel();
  std::vector<uint8_t> b = Bytes(m);
  const size_t mat0 = MaterialOffset(m);
  std::memset(&b[mat0], 'n', kMs3dNameSize);
  std::memset(&b[mat0 + 105], 'x', kMs3dFileNameSize);  // texture name without a terminator
  std::memset(&b[mat0 + 233], 'y', kMs3dFileNameSize);
  Ms3dData out;
  ASSERT_TRUE(ParseMs3d(b, out));
  EXPECT_EQ(out.materials[0].name, std::string(kMs3dNameSize, 'n'));
  EXPECT_EQ(out.materials[0].textureFile, std::string(kMs3dFileNameSize, 'x'));
  EXPECT_EQ(out.materials[1].textureFile, "textures/wood.bmp");
}

TEST(Ms3dFile, WriterRefusesWhatTheFormatCannotHold) {
  std::vector<uint8_t> out;
  Ms3dData m = SampleModel();
  m.triangles[1].vertexIndices[2] = 4;
  EXPECT_FALSE(WriteMs3d(m, out));
  m = SampleModel();
  m.groups[1].triangleIndices.push_back(3);
  EXPECT_FALSE(WriteMs3d(m, out));
  m = SampleModel();
  m.groups[1].materialIndex = 2;
  EXPECT_FALSE(WriteMs3d(m, out));
  m = SampleModel();
  m.materials[0].textureFile = std::string(kMs3dFileNameSize, 'a');
  EXPECT_FALSE(WriteMs3d(m, out));
  m = SampleModel();
  m.vertices.resize(65536);
  EXPECT_FALSE(WriteMs3d(m, out));
  EXPECT_TRUE(out.empty());
}

}  // namespace
