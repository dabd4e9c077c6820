// Light-map placement of triangles and the light.map file layout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/lightmap_file.h"
#include "engine/formats/lightmap_uv.h"

namespace {

void Uvs(const float c[9], float u[3], float v[3]) { ComputeLightMapUVs(c, u, v); }

TEST(LightMapUvs, EquilateralSpansEdgeAndApex) {
  const float h = std::sqrt(3.0f) / 2.0f;
  const float c[9] = {0, 0, 0, 1, 0, 0, 0.5f, h, 0};
  float u[3], v[3];
  Uvs(c, u, v);
  EXPECT_FLOAT_EQ(u[0], 0.0f);
  EXPECT_FLOAT_EQ(u[1], 1.0f);
  EXPECT_NEAR(u[2], 0.5f, 1e-5f);
  EXPECT_FLOAT_EQ(v[0], 0.0f);
  EXPECT_FLOAT_EQ(v[1], 0.0f);
  EXPECT_FLOAT_EQ(v[2], 1.0f);
}

TEST(LightMapUvs, ThresholdIsOnePointFiftySevenNotHalfPi) {
  // A right angle at A (1.5708 rad) counts as obtuse: C is placed at u 0 with A, and B at 1.
  const float right[9] = {0, 0, 0, 4, 0, 0, 0, 3, 0};
  float u[3], v[3];
  Uvs(right, u, v);
  EXPECT_NEAR(u[0], 0.0f, 1e-5f);
  EXPECT_FLOAT_EQ(u[1], 1.0f);
  EXPECT_FLOAT_EQ(u[2], 0.0f);
  // An angle of 1.569 rad at A is acute: C projects inside AB, just past A.
  const float a = 1.569f;
  const float acute[9] = {0, 0, 0, 4, 0, 0, 3 * std::cos(a), 3 * std::sin(a), 0};
  Uvs(acute, u, v);
  EXPECT_FLOAT_EQ(u[0], 0.0f);
  EXPECT_FLOAT_EQ(u[1], 1.0f);
  EXPECT_NEAR(u[2], 3 * std::cos(a) / 4, 1e-5f);
  EXPECT_GT(u[2], 0.0f);
}

TEST(LightMapUvs, ObtuseAngleAtBPlacesCAtOne) {
  // C projects beyond B at x = 6 on AB of length 4.
  const float c[9] = {0, 0, 0, 4, 0, 0, 6, 2, 0};
  float u[3], v[3];
  Uvs(c, u, v);
  EXPECT_FLOAT_EQ(u[0], 0.0f);
  EXPECT_NEAR(u[1], 4.0f / 6.0f, 1e-5f);
  EXPECT_FLOAT_EQ(u[2], 1.0f);
}

TEST(LightMapUvs, ObtuseAngleAtAPlacesCAtZero) {
  // C projects beyond A at x = -2: the map runs from the foot of C (u 0) to B (u 1).
  const float c[9] = {0, 0, 0, 4, 0, 0, -2, 2, 0};
  float u[3], v[3];
  Uvs(c, u, v);
  EXPECT_NEAR(u[0], 2.0f / 6.0f, 1e-5f);
  EXPECT_FLOAT_EQ(u[1], 1.0f);
  EXPECT_FLOAT_EQ(u[2], 0.0f);
}

TEST(LightMapUvs, TexelPointsInvertThePlacementInEveryCase) {
  const float cases[][9] = {
      {0, 0, 0, 1, 0, 0, 0.5f, 0.8f, 0},  // both acute
      {0, 0, 0, 4, 0, 0, 6, 2, 0},        // beyond B
      {0, 0, 0, 4, 0, 0, -2, 2, 0},       // beyond A
      {1, 2, 3, 1, 2, 9, 1, 7, 3},        // right angle at A, in a vertical plane
  };
  for (const auto& c : cases) {
    float u[3], v[3];
    Uvs(c, u, v);
    for (int k = 0; k < 3; ++k) {
      float p[3];
      ASSERT_TRUE(LightMapPoint(c, u, v, u[k], v[k], p));
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], c[3 * k + i], 1e-4f);
    }
  }
  // Degenerate triangles (collinear corners, two or three corners at one point) still get finite
  // coordinates, and their texels land on the triangle's points.
  const float degenerate[][9] = {{0, 0, 0, 1, 1, 1, 2, 2, 2}, {3, 3, 3, 3, 3, 3, 3, 3, 3},
                                 {1, 2, 3, 1, 2, 3, 4, 0, 1}, {1, 2, 3, 4, 0, 1, 1, 2, 3},
                                 {4, 0, 1, 1, 2, 3, 1, 2, 3}};
  for (const auto& c : degenerate) {
    float u[3], v[3], p[3];
    Uvs(c, u, v);
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(std::isfinite(u[k]) && std::isfinite(v[k]));
    if (LightMapPoint(c, u, v, 0.5f, 0.5f, p)) {
      for (int i = 0; i < 3; ++i) EXPECT_TRUE(std::isfinite(p[i]));
    }
  }
}

std::vector<uint8_t> Entries(int count, uint32_t value) {
  ByteWriter w;
  for (size_t i = 0; i < size_t(count) * kLightMapBytes; ++i) w.U32(value);
  return w.bytes();
}

TEST(LightMapFile, KeepsTheLowByteOfEachComponent) {
  std::vector<uint8_t> store(size_t(3) * kLightMapBytes, 0);
  const std::vector<uint8_t> file = Entries(2, 300);
  EXPECT_EQ(DecodeLightMap(file.data(), file.size(), store.data(), 3), 2);
  EXPECT_EQ(store[0], 44);
  EXPECT_EQ(store[2 * kLightMapBytes - 1], 44);
  // The entry the file does not hold is white.
  EXPECT_EQ(store[2 * kLightMapBytes], 255);
  EXPECT_EQ(store.back(), 255);
}

TEST(LightMapFile, ShortAndMissingFilesGiveWhite) {
  std::vector<uint8_t> store(size_t(2) * kLightMapBytes, 7);
  std::vector<uint8_t> file = Entries(2, 10);
  file.pop_back();  // the second entry is cut short
  EXPECT_EQ(DecodeLightMap(file.data(), file.size(), store.data(), 2), 1);
  EXPECT_EQ(store[0], 10);
  EXPECT_EQ(store[kLightMapBytes], 255);
  store = std::vector<uint8_t>(size_t(2) * kLightMapBytes, 7);
  EXPECT_EQ(DecodeLightMap(nullptr, 0, store.data(), 2), 0);
  for (uint8_t b : store) ASSERT_EQ(b, 255);
}

TEST(LightMapFile, ExtraEntriesBeyondTheCapacityAreIgnored) {
  std::vector<uint8_t> store(size_t(1) * kLightMapBytes + 1, 9);
  const std::vector<uint8_t> file = Entries(2, 1);
  EXPECT_EQ(DecodeLightMap(file.data(), file.size(), store.data(), 1), 1);
  EXPECT_EQ(store[kLightMapBytes - 1], 1);
  EXPECT_EQ(store[kLightMapBytes], 9);  // nothing written past the capacity
}

TEST(LightMapFile, WriterRoundTripsThroughTheReader) {
  std::vector<uint8_t> maps(size_t(2) * kLightMapBytes);
  for (size_t i = 0; i < maps.size(); ++i) maps[i] = static_cast<uint8_t>(i * 7);
  const std::vector<uint8_t> file = EncodeLightMap(maps.data(), 2);
  EXPECT_EQ(file.size(), 2 * kLightMapFileEntryBytes);
  std::vector<uint8_t> back(maps.size());
  EXPECT_EQ(DecodeLightMap(file.data(), file.size(), back.data(), 2), 2);
  EXPECT_EQ(back, maps);
  EXPECT_EQ(LightMapFileName(7), "base/maps/7/light.map");
  // A full file is exactly 30,720,000 bytes.
  EXPECT_EQ(size_t(kLightMapCapacity) * kLightMapFileEntryBytes, 30720000u);
}

}  // namespace
