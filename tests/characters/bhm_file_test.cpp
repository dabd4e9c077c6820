// The .bhm part file reader and writer.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/formats/binary_io.h"
#include "engine/formats/bhm_file.h"

namespace {

struct RawMesh {
  std::string name = "mesh";
  int frames = 1;
  int skins = 0;
  std::vector<std::array<int16_t, 3>> verts;  // frames x verts
  std::vector<std::array<float, 2>> st;
  std::vector<std::array<int32_t, 3>> tris;
  // Layout: gaps (in bytes) before each block, and the order vertices -> triangles -> st when
  // scrambled is set.
  int gap = 0;
  bool scrambled = false;
  int extraSize = 0;  // bytes of padding after the mesh, counted in its size
};

struct RawTag {
  std::string name;
  float origin[3];
  float axis[9];
};

// Builds a file by hand, with explicit offsets, so the reader's use of them is tested apart from
// the writer.
std::vector<uint8_t> BuildFile(int frames, int tagsPerFrame, const std::vector<RawTag>& tags,
                               const std::vector<RawMesh>& meshes, int version = 15, const char* ident = "IDP3") {
  ByteWriter w;
  w.Bytes(ident, 4);
  w.I32(version);
  w.FixedString("test", 68);
  w.I32(frames);
  w.I32(tagsPerFrame);
  w.I32(static_cast<int32_t>(meshes.size()));
  for (int i = 0; i < 5; ++i) w.I32(0);
  for (int f = 0; f < frames; ++f)
    for (int i = 0; i < 56; ++i) w.U8(0xAB);
  for (const RawTag& t : tags) {
    w.FixedString(t.name, 64);
    for (float o : t.origin) w.F32(o);
    for (float a : t.axis) w.F32(a);
  }
  for (const RawMesh& m : meshes) {
    const size_t start = w.size();
    const int nv = m.frames > 0 ? static_cast<int>(m.verts.size()) / m.frames : 0;
    const int32_t skinBytes = m.skins * 68;
    int32_t cursor = 108 + skinBytes;
    int32_t triOff, stOff, vertOff;
    auto take = [&](int32_t bytes) {
      cursor += m.gap;
      const int32_t at = cursor;
      cursor += bytes;
      return at;
    };
    if (m.scrambled) {
      vertOff = take(static_cast<int32_t>(m.verts.size()) * 8);
      triOff = take(static_cast<int32_t>(m.tris.size()) * 12);
      stOff = take(nv * 8);
    } else {
      triOff = take(static_cast<int32_t>(m.tris.size()) * 12);
      stOff = take(nv * 8);
      vertOff = take(static_cast<int32_t>(m.verts.size()) * 8);
    }
    const int32_t meshSize = cursor + m.extraSize;
    w.Bytes("IDP3", 4);
    w.FixedString(m.name, 68);
    w.I32(m.frames);
    w.I32(m.skins);
    w.I32(nv);
    w.I32(static_cast<int32_t>(m.tris.size()));
    w.I32(triOff);
    w.I32(108);
    w.I32(stOff);
    w.I32(vertOff);
    w.I32(meshSize);
    for (int s = 0; s < m.skins; ++s) {
      w.FixedString("skin", 64);
      w.I32(s);
    }
    std::vector<uint8_t>& bytes = w.bytes();
    bytes.resize(start + meshSize, 0xCD);
    auto put32 = [&](size_t at, uint32_t v) {
      for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<uint8_t>(v >> (8 * k));
    };
    for (size_t i = 0; i < m.tris.size(); ++i)
      for (int k = 0; k < 3; ++k) put32(start + triOff + i * 12 + k * 4, static_cast<uint32_t>(m.tris[i][k]));
    for (size_t i = 0; i < m.st.size(); ++i)
      for (int k = 0; k < 2; ++k) {
        uint32_t bits;
        std::memcpy(&bits, &m.st[i][k], 4);
        put32(start + stOff + i * 8 + k * 4, bits);
      }
    for (size_t i = 0; i < m.verts.size(); ++i) {
      for (int k = 0; k < 3; ++k) {
        const uint16_t v = static_cast<uint16_t>(m.verts[i][k]);
        bytes[start + vertOff + i * 8 + k * 2] = static_cast<uint8_t>(v);
        bytes[start + vertOff + i * 8 + k * 2 + 1] = static_cast<uint8_t>(v >> 8);
      }
      bytes[start + vertOff + i * 8 + 6] = 0x11;
      bytes[start + vertOff + i * 8 + 7] = 0x22;
    }
  }
  return std::move(w.bytes());
}

RawMesh Triangle() {
  RawMesh m;
  m.verts = {{64, -96, 0}, {0, 128, 32}, {-64, 0, 640}};
  m.st = {{0.0f, 0.25f}, {1.0f, 0.0f}, {0.5f, 1.0f}};
  m.tris = {{0, 1, 2}};
  return m;
}

RawTag MakeTag(const char* name, float x) {
  RawTag t{name, {x, 2.0f, 3.0f}, {1, 0, 0, 0, 1, 0, 0, 0, 1}};
  return t;
}

TEST(BhmFile, ConvertsVerticesCoordinatesAndFaces) {
  const auto bytes = BuildFile(1, 0, {}, {Triangle()});
  ModelPart part;
  ASSERT_TRUE(ParseBhm(bytes, part));
  ASSERT_EQ(part.numOfObjects, 1);
  ASSERT_EQ(part.objects.size(), 1u);
  const MeshObject& m = part.objects[0];
  EXPECT_EQ(m.name, "mesh");
  EXPECT_EQ(m.numOfVerts, 3);
  EXPECT_EQ(m.numTexVertex, 3);
  EXPECT_EQ(m.numOfFaces, 1);
  EXPECT_EQ(m.materialID, 0);
  EXPECT_FALSE(m.hasTexture);
  EXPECT_FLOAT_EQ(m.vertices[0].x, 1.0f);
  EXPECT_FLOAT_EQ(m.vertices[0].y, -1.5f);
  EXPECT_FLOAT_EQ(m.vertices[2].z, 10.0f);
  EXPECT_FLOAT_EQ(m.texVerts[0][1], -0.25f);
  EXPECT_FLOAT_EQ(m.texVerts[2][0], 0.5f);
  EXPECT_EQ(m.faces[0].vertIndex[1], 1);
  EXPECT_EQ(m.faces[0].coordIndex[2], 2);
  EXPECT_EQ(part.numOfTags, 0);
}

TEST(BhmFile, RefusesWrongIdentifierOrVersion) {
  ModelPart part;
  EXPECT_FALSE(ParseBhm(BuildFile(1, 0, {}, {Triangle()}, 16), part));
  EXPECT_FALSE(ParseBhm(BuildFile(1, 0, {}, {Triangle()}, 15, "IDP2"), part));
  EXPECT_TRUE(part.objects.empty());
  EXPECT_TRUE(ParseBhm(BuildFile(1, 0, {}, {Triangle()}, 15), part));
}

TEST(BhmFile, HonoursMeshOffsetsGapsAndSkins) {
  RawMesh a = Triangle();
  a.gap = 20;
  a.scrambled = true;
  a.skins = 2;
  a.extraSize = 36;  // the next mesh starts after padding
  RawMesh b = Triangle();
  b.name = "second";
  b.frames = 2;
  b.verts.push_back({128, 0, 0});
  b.verts.push_back({0, 0, 0});
  b.verts.push_back({0, 0, -64});
  const auto bytes = BuildFile(2, 0, {}, {a, b});
  ModelPart part;
  ASSERT_TRUE(ParseBhm(bytes, part));
  ASSERT_EQ(part.objects.size(), 2u);
  EXPECT_FLOAT_EQ(part.objects[0].vertices[1].y, 2.0f);
  EXPECT_FLOAT_EQ(part.objects[0].texVerts[1][0], 1.0f);
  const MeshObject& m = part.objects[1];
  EXPECT_EQ(m.name, "second");
  EXPECT_EQ(m.numOfFrames, 2);
  ASSERT_EQ(m.vertices.size(), 6u);
  EXPECT_FLOAT_EQ(m.vertices[3].x, 2.0f);
  EXPECT_FLOAT_EQ(m.vertices[5].z, -1.0f);
}

TEST(BhmFile, ReadsTagsFrameMajor) {
  const std::vector<RawTag> tags = {MakeTag("tag_weapon", 1), MakeTag("tag_head", 2), MakeTag("tag_weapon", 3),
                                    MakeTag("tag_head", 4)};
  RawMesh m = Triangle();
  m.frames = 2;
  m.verts.insert(m.verts.end(), m.verts.begin(), m.verts.end());
  ModelPart part;
  ASSERT_TRUE(ParseBhm(BuildFile(2, 2, tags, {m}), part));
  EXPECT_EQ(part.numOfFrames, 2);
  EXPECT_EQ(part.numOfTags, 2);
  ASSERT_EQ(part.tags.size(), 4u);
  ASSERT_EQ(part.links.size(), 2u);
  EXPECT_EQ(part.links[0], nullptr);
  EXPECT_EQ(part.tags[1].name, "tag_head");
  EXPECT_FLOAT_EQ(part.tags[2].origin.x, 3.0f);
  EXPECT_FLOAT_EQ(part.tags[3].origin.x, 4.0f);
  EXPECT_FLOAT_EQ(part.tags[3].axis[4], 1.0f);
}

TEST(BhmFile, EveryTruncationIsRefused) {
  RawMesh m = Triangle();
  m.skins = 1;
  const auto bytes = BuildFile(1, 1, {MakeTag("tag_torso", 1)}, {m, Triangle()});
  ModelPart part;
  ASSERT_TRUE(ParseBhm(bytes, part));
  for (size_t n = 0; n < bytes.size(); ++n) {
    EXPECT_FALSE(ParseBhm(bytes.data(), n, part)) << n;
    EXPECT_TRUE(part.objects.empty());
    EXPECT_TRUE(part.tags.empty());
  }
}

void Patch32(std::vector<uint8_t>& b, size_t at, int32_t v) {
  for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k));
}

TEST(BhmFile, RefusesCountsOffsetsAndIndicesThatDoNotFit) {
  const auto good = BuildFile(1, 1, {MakeTag("tag_torso", 1)}, {Triangle()});
  const size_t mesh = 108 + 56 + 112;
  struct Case {
    size_t at;
    int32_t value;
  } cases[] = {
      {76, 0},          {76, -1},         {76, 0x7fffffff}, {80, -1},          {80, 0x7fffffff}, {80, 0x40000000},
      {84, -1},         {84, 2},          {84, 0x7fffffff}, {mesh + 72, 0},    {mesh + 72, 0x40000000},
      {mesh + 76, -1},  {mesh + 76, 1000}, {mesh + 80, -1}, {mesh + 80, 0x7fffffff}, {mesh + 84, 0x10000000},
      {mesh + 88, -8},  {mesh + 88, 1 << 30}, {mesh + 96, 4000}, {mesh + 100, -100}, {mesh + 104, -5},
      {mesh + 108, 3},  {mesh + 112, -1},
  };
  for (const Case& c : cases) {
    auto bad = good;
    Patch32(bad, c.at, c.value);
    ModelPart part;
    EXPECT_FALSE(ParseBhm(bad, part)) << "offset " << c.at << " value " << c.value;
  }
  // Three meshes over two meshes' bytes (the first's size 0, so the second reads it again): every
  // block lies inside the file, but together they ask for more than it holds.
  {
    auto shared = BuildFile(1, 0, {}, {Triangle(), Triangle()});
    const size_t first = 108 + 56;
    ModelPart ok;
    ASSERT_TRUE(ParseBhm(shared, ok));
    Patch32(shared, first + 104, 0);
    Patch32(shared, 84, 3);
    ModelPart part;
    EXPECT_FALSE(ParseBhm(shared, part));
  }
  // Large frame and tag counts whose product overflows 32 bits.
  auto bad = good;
  Patch32(bad, 76, 0x10000);
  Patch32(bad, 80, 0x10000);
  ModelPart part;
  EXPECT_FALSE(ParseBhm(bad, part));
}

TEST(BhmFile, WriterRoundTrip) {
  ModelPart part;
  part.numOfFrames = 3;
  part.numOfTags = 2;
  for (int f = 0; f < 3; ++f) {
    Tag a;
    a.name = "tag_weapon";
    a.origin = {1.5f * f, -2.0f, 0.25f};
    Tag b;
    b.name = "tag_head";
    b.origin = {0, 0, 20.0f + f};
    b.axis[0] = 0, b.axis[1] = 1, b.axis[3] = -1, b.axis[4] = 0;
    part.tags.push_back(a);
    part.tags.push_back(b);
  }
  for (int k = 0; k < 2; ++k) {
    MeshObject m;
    m.name = k == 0 ? "body" : "a_mesh_name_longer_than_the_sixty_eight_bytes_of_the_name_field_of_a_mesh_header";
    m.numOfFrames = 3;
    m.numOfVerts = m.numTexVertex = 4;
    m.numOfFaces = 2;
    for (int f = 0; f < 3; ++f)
      for (int v = 0; v < 4; ++v) m.vertices.push_back({v * 1.25f + f, -v * 0.5f, 100.0f - f * 0.015625f});
    for (int v = 0; v < 4; ++v) m.texVerts.push_back({v * 0.25f, 0.125f * v});
    MeshFace f0, f1;
    f0.vertIndex[0] = 0, f0.vertIndex[1] = 2, f0.vertIndex[2] = 1;
    f1.vertIndex[0] = 0, f1.vertIndex[1] = 3, f1.vertIndex[2] = 2;
    m.faces = {f0, f1};
    part.objects.push_back(m);
  }
  part.numOfObjects = 2;

  const auto bytes = SerializeBhm(part, "round");
  ModelPart back;
  ASSERT_TRUE(ParseBhm(bytes, back));
  EXPECT_EQ(back.numOfFrames, 3);
  EXPECT_EQ(back.numOfTags, 2);
  ASSERT_EQ(back.tags.size(), part.tags.size());
  for (size_t i = 0; i < part.tags.size(); ++i) {
    EXPECT_EQ(back.tags[i].name, part.tags[i].name);
    EXPECT_FLOAT_EQ(back.tags[i].origin.x, part.tags[i].origin.x);
    EXPECT_FLOAT_EQ(back.tags[i].origin.z, part.tags[i].origin.z);
    for (int a = 0; a < 9; ++a) EXPECT_FLOAT_EQ(back.tags[i].axis[a], part.tags[i].axis[a]);
  }
  ASSERT_EQ(back.objects.size(), 2u);
  EXPECT_EQ(back.objects[1].name.size(), 67u);  // bounded by the name field
  for (size_t k = 0; k < 2; ++k) {
    const MeshObject& a = part.objects[k];
    const MeshObject& b = back.objects[k];
    ASSERT_EQ(b.vertices.size(), a.vertices.size());
    for (size_t i = 0; i < a.vertices.size(); ++i) {
      EXPECT_NEAR(b.vertices[i].x, a.vertices[i].x, 1.0 / 128);
      EXPECT_NEAR(b.vertices[i].y, a.vertices[i].y, 1.0 / 128);
      EXPECT_NEAR(b.vertices[i].z, a.vertices[i].z, 1.0 / 128);
    }
    for (size_t i = 0; i < a.texVerts.size(); ++i) {
      EXPECT_FLOAT_EQ(b.texVerts[i][0], a.texVerts[i][0]);
      EXPECT_FLOAT_EQ(b.texVerts[i][1], a.texVerts[i][1]);
    }
    for (size_t i = 0; i < a.faces.size(); ++i)
      for (int c = 0; c < 3; ++c) EXPECT_EQ(b.faces[i].vertIndex[c], a.faces[i].vertIndex[c]);
  }
  // Coordinates beyond the 16-bit range are clamped, not wrapped.
  part.objects[0].vertices[0].x = 1000.0f;
  part.objects[0].vertices[1].x = -1000.0f;
  ASSERT_TRUE(ParseBhm(SerializeBhm(part, "clamped"), back));
  EXPECT_FLOAT_EQ(back.objects[0].vertices[0].x, 32767.0f / 64.0f);
  EXPECT_FLOAT_EQ(back.objects[0].vertices[1].x, -512.0f);
}

// A part with the meshes of a character's three parts, as skin and shader files name them.
ModelPart ThreeMeshes() {
  ModelPart p;
  for (const char* name : {"lower", "upper", "head"}) {
    MeshObject m;
    m.name = name;
    p.objects.push_back(m);
  }
  p.numOfObjects = 3;
  return p;
}

TEST(PartMaterialFiles, SkinAndShaderTextureTheMeshesAndRefuseWhatTheyCannotRead) {
  ModelPart p = ThreeMeshes();
  // Skin: by mesh name; a tag's line and a line without a file give nothing.
  ASSERT_TRUE(ParseSkin("upper, textures/upper.bmp \r\ntag_torso,\n\n\t head ,textures/head.bmp\nlower,\n", p));
  ASSERT_EQ(p.numOfMaterials, 2);
  EXPECT_FALSE(p.objects[0].hasTexture);
  ASSERT_TRUE(p.objects[1].hasTexture);
  ASSERT_TRUE(p.objects[2].hasTexture);
  const PartMaterial& upper = p.materials[p.objects[1].materialID];
  EXPECT_EQ(upper.name, "upper");
  EXPECT_EQ(upper.file, "textures/upper.bmp");
  EXPECT_EQ(upper.textureId, p.objects[1].materialID);
  EXPECT_EQ(upper.colour[0], 255);
  EXPECT_EQ(p.materials[p.objects[2].materialID].file, "textures/head.bmp");

  // Shader: in mesh order, replacing the skin's materials.
  ASSERT_TRUE(ParseShader("a.bmp\n\nb.bmp", p));
  ASSERT_EQ(p.numOfMaterials, 2);
  EXPECT_EQ(p.materials[p.objects[0].materialID].file, "a.bmp");
  EXPECT_EQ(p.materials[p.objects[1].materialID].name, "upper");
  EXPECT_EQ(p.materials[p.objects[1].materialID].file, "b.bmp");
  EXPECT_FALSE(p.objects[2].hasTexture);

  const std::string longName(255, 'x');
  const std::string tooLong(kMaxPartMaterialTextBytes + 1, ' ');
  const struct {
    bool skin;
    std::string text;
  } refused[] = {
      {true, "upper textures/upper.bmp\n"},       // no comma
      {true, "upper,a.bmp\nupper,b.bmp\n"},      // a mesh named twice
      {true, "upper," + longName + "\n"},         // a field beyond 254 characters
      {true, std::string("upper,a\0.bmp\n", 13)},  // a control character
      {true, tooLong},
      {false, "a.bmp\nb.bmp\nc.bmp\nd.bmp\n"},  // more files than meshes
      {false, longName},
      {false, "a\x01.bmp"},
  };
  for (const auto& r : refused) {
    ModelPart q = p;
    EXPECT_FALSE(r.skin ? ParseSkin(r.text, q) : ParseShader(r.text, q)) << r.text.substr(0, 40);
    // Nothing of a refused file is taken.
    EXPECT_EQ(q.numOfMaterials, 2);
    EXPECT_EQ(q.materials[1].file, "b.bmp");
    EXPECT_TRUE(q.objects[1].hasTexture);
    EXPECT_FALSE(q.objects[2].hasTexture);
  }
  // Exactly 254 characters is a field.
  EXPECT_TRUE(ParseSkin("head," + longName.substr(1), p));
}

}  // namespace
