#include "engine/light_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/data_file_report.h"
#include "engine/gl_setup.h"
#include "engine/static_model.h"
#include "engine/textures.h"

uint8_t lightMaps[kLightMapCapacity][kLightMapBytes];
GLuint lightMapPages[kLightMapPageCount];
int lightMapPageHeights[kLightMapPageCount];
float lightMapU[3 * kLightMapCapacity];
float lightMapV[3 * kLightMapCapacity];
float triangleCorners[kLightMapCapacity][3][3];
int lightMapTriangleCount = 0;
int lightMapTextureCount = 0;
bool triangleVisible[kLightMapCapacity];
int visibilitySweepStart = 0;
float bakeLights[kMaxBakeLights][6];
int bakeLightCount = 0;

namespace {

// The untextured-surface picture of the texture table.
constexpr int kPlainSurfaceTexture = 40;

const ModelMaterial* MaterialOf(const StaticModel& m, const ModelMesh& mesh) {
  if (mesh.materialIndex < 0 || mesh.materialIndex >= static_cast<int>(m.materials.size())) return nullptr;
  return &m.materials[mesh.materialIndex];
}

// The number of triangle numbers of a model, bounded by the light-map capacity.
int NumberedTriangles(const StaticModel& m) {
  long total = 0;
  for (const ModelMesh& mesh : m.meshes) total += static_cast<long>(mesh.triangleIndices.size());
  return total > kLightMapCapacity ? kLightMapCapacity : static_cast<int>(total);
}

}  // namespace

void ResetLightMaps() {
  FillLightMapsWhite(&lightMaps[0][0], kLightMapCapacity);
  std::memset(lightMapPages, 0, sizeof lightMapPages);
  std::memset(lightMapPageHeights, 0, sizeof lightMapPageHeights);
  std::memset(lightMapU, 0, sizeof lightMapU);
  std::memset(lightMapV, 0, sizeof lightMapV);
  std::memset(triangleCorners, 0, sizeof triangleCorners);
  lightMapTriangleCount = 0;
  lightMapTextureCount = 0;
  std::memset(triangleVisible, 0, sizeof triangleVisible);
  visibilitySweepStart = 0;
  std::memset(bakeLights, 0, sizeof bakeLights);
  bakeLightCount = 0;
}

void ReadLightMap(int map) {
  std::vector<uint8_t> bytes;
  if (map < 1 || map > 20) {
    bytes.clear();
  } else if (!ReadWholeFile(DataPath(LightMapFileName(map)), bytes,
                            size_t(kLightMapCapacity) * kLightMapFileEntryBytes)) {
    ReportDataFileNotLoaded(LightMapFileName(map));
    bytes.clear();
  }
  DecodeLightMap(bytes.data(), bytes.size(), &lightMaps[0][0], kLightMapCapacity);
}

bool WriteLightMap() {
  return WriteWholeFile(DataPath(LightMapFileName(1)), EncodeLightMap(&lightMaps[0][0], kLightMapCapacity));
}

void ComputeLightMapUVs(const float corners[9], int firstCorner) {
  if (firstCorner < 0 || firstCorner + 2 >= 3 * kLightMapCapacity) return;
  ComputeLightMapUVs(corners, lightMapU + firstCorner, lightMapV + firstCorner);
}

GLuint UploadLightMapPage(int first, int count, int& pageHeight) {
  pageHeight = LightMapPageHeight(count);
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, kLightMapAtlasLevels - 1);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  for (int level = 0; level < kLightMapAtlasLevels; ++level) {
    const std::vector<uint8_t> texels = BuildLightMapPageLevel(&lightMaps[0][0], first, count, pageHeight, level);
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGB, kLightMapPageWidth >> level, pageHeight >> level, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, texels.data());
  }
  return name;
}

void BakeTriangleLightMap(const float corners[9], int firstCorner, int light, int triangle) {
  ComputeLightMapUVs(corners, firstCorner);
  if (triangle < 0 || triangle >= kLightMapCapacity || light < 0 || light >= std::min(bakeLightCount, kMaxBakeLights)) {
    return;
  }
  float u[3], v[3];
  ComputeLightMapUVs(corners, u, v);
  double a[3], ab[3], ac[3];
  for (int i = 0; i < 3; ++i) {
    a[i] = corners[i];
    ab[i] = double(corners[3 + i]) - corners[i];
    ac[i] = double(corners[6 + i]) - corners[i];
  }
  auto length = [](const double w[3]) { return std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]); };
  auto cross = [](const double x[3], const double y[3], double out[3]) {
    out[0] = x[1] * y[2] - x[2] * y[1];
    out[1] = x[2] * y[0] - x[0] * y[2];
    out[2] = x[0] * y[1] - x[1] * y[0];
  };
  // A triangle without extent along AB, or without area, has no texels to place.
  const double lengthAB = length(ab);
  const double span = double(u[1]) - u[0];
  if (!(lengthAB > 0.0) || !std::isfinite(span) || span == 0.0) return;
  // U: the edge AB stretched over the part of its line that u 0..1 covers (AB itself when C
  // projects inside AB). A texel at u lies (u - u(A)) U from A, so that the texels sit where
  // the triangle's coordinates sample them also when u(A) is not 0 (C beyond A).
  double uAxis[3];
  for (int i = 0; i < 3; ++i) uAxis[i] = ab[i] / span;
  // V: across AB towards C, as long as C's height over AB (the area by Heron's formula).
  double bc[3];
  for (int i = 0; i < 3; ++i) bc[i] = ac[i] - ab[i];
  const double sa = length(bc), sb = length(ac), sc = lengthAB;
  const double s = (sa + sb + sc) / 2.0;
  const double area = std::sqrt(std::max(0.0, s * (s - sa) * (s - sb) * (s - sc)));
  const double height = 2.0 * area / lengthAB;
  double uxac[3], across[3];
  cross(uAxis, ac, uxac);
  cross(uAxis, uxac, across);
  const double acrossLength = length(across);
  if (!(acrossLength > 0.0) || !std::isfinite(acrossLength) || !std::isfinite(height)) return;
  double vAxis[3];
  for (int i = 0; i < 3; ++i) vAxis[i] = -height * across[i] / acrossLength;
  const float* lamp = bakeLights[light];
  uint8_t* map = lightMaps[triangle];
  for (int row = 0; row < kLightMapSide; ++row) {
    for (int column = 0; column < kLightMapSide; ++column) {
      const double tu = (column + 0.5) / kLightMapSide - u[0];
      const double tv = (row + 0.5) / kLightMapSide;
      double d2 = 0.0;
      for (int i = 0; i < 3; ++i) {
        const double d = lamp[i] - (a[i] + tu * uAxis[i] + tv * vAxis[i]);
        d2 += d * d;
      }
      const double falloff = std::max(1.0, 0.005 * d2);
      uint8_t* texel = map + 3 * (kLightMapSide * row + column);
      for (int c = 0; c < 3; ++c) {
        // Beyond full brightness a texel stays at full brightness.
        const double value = 255.0 * lamp[3 + c] / falloff;
        const uint8_t level = std::isnan(value) ? 0 : static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
        if (level > texel[c]) texel[c] = level;
      }
    }
  }
}

void StaticModel::ComputeLightMaps(int mode) {
  // Mode 0, and mode 1 without lights, place the triangles once; mode 1 then bakes light by light.
  const int lights = std::min(bakeLightCount, kMaxBakeLights);
  const bool bake = mode == 1 && lights > 0;
  for (int light = 0; light < (bake ? lights : 1); ++light) {
    int n = 0;
    for (const ModelMesh& mesh : meshes) {
      for (int ti : mesh.triangleIndices) {
        if (n >= kLightMapCapacity) break;
        float corners[9] = {};
        if (ti >= 0 && ti < static_cast<int>(triangles.size())) {
          const ModelTriangle& t = triangles[ti];
          for (int k = 0; k < 3; ++k) {
            const int vi = t.vertexIndices[k];
            if (vi < 0 || vi >= static_cast<int>(vertices.size())) continue;
            for (int c = 0; c < 3; ++c) corners[3 * k + c] = vertices[vi].location[c];
          }
        }
        std::memcpy(triangleCorners[n], corners, sizeof corners);
        if (bake) {
          BakeTriangleLightMap(corners, 3 * n, light, n);
        } else {
          ComputeLightMapUVs(corners, 3 * n);
        }
        ++n;
      }
    }
    lightMapTriangleCount = n;
  }
}

void StaticModel::CollectLampLights() const {
  int rows = 0;
  for (const FaceRecord& f : faces) {
    if (rows >= kMaxBakeLights) break;
    float* row = bakeLights[rows++];
    std::copy_n(f.centroid, 3, row);
    const bool lit = f.material >= 0 && f.material < static_cast<int>(materials.size());
    for (int c = 0; c < 3; ++c) row[3 + c] = lit ? materials[f.material].diffuse[c] : 0.0f;
  }
  bakeLightCount = rows;
}

void StaticModel::SweepVisibility(const Vec3& point) {
  constexpr int kTrianglesPerSweep = 500;
  constexpr float kNearSquared = 22500.0f;
  if (visibilitySweepStart < 0 || visibilitySweepStart >= kLightMapCapacity) visibilitySweepStart = 0;
  const int end = std::min(visibilitySweepStart + kTrianglesPerSweep, kLightMapCapacity);
  for (int n = visibilitySweepStart; n < end; ++n) {
    bool nearby = false;
    for (const float* corner : triangleCorners[n]) {
      const float dx = corner[0] - point.x, dy = corner[1] - point.y, dz = corner[2] - point.z;
      nearby = nearby || dx * dx + dy * dy + dz * dz < kNearSquared;
    }
    triangleVisible[n] = nearby;
  }
  visibilitySweepStart = end >= kLightMapCapacity ? 0 : end;
}

void StaticModel::CreateLightMapTextures() {
  DeleteLightMapTextures();
  const int count = NumberedTriangles(*this);
  for (int first = 0, page = 0; first < count; first += kLightMapSlotsPerPage, ++page) {
    const int onPage = std::min(kLightMapSlotsPerPage, count - first);
    lightMapPages[page] = UploadLightMapPage(first, onPage, lightMapPageHeights[page]);
  }
  lightMapTextureCount = count;
  lightmappedBuilt = false;
}

void StaticModel::DeleteLightMapTextures() {
  for (GLuint& page : lightMapPages) {
    if (page != 0) glDeleteTextures(1, &page);
    page = 0;
  }
  lightMapTextureCount = 0;
  lightmappedBuilt = false;
}

namespace {

// Gathers the model's triangles in drawing order into vertex arrays, in runs of one mesh and one
// light-map page. A triangle with a corner outside the vertex list draws nothing.
void BuildLightmappedArrays(StaticModel& m) {
  m.lightmappedVertices.clear();
  m.lightmappedRuns.clear();
  int n = 0;
  for (int meshIndex = 0; meshIndex < static_cast<int>(m.meshes.size()); ++meshIndex) {
    for (int ti : m.meshes[meshIndex].triangleIndices) {
      const int number = n++;
      if (ti < 0 || ti >= static_cast<int>(m.triangles.size())) continue;
      const ModelTriangle& t = m.triangles[ti];
      bool complete = true;
      for (int k = 0; k < 3; ++k) complete = complete && t.vertexIndices[k] >= 0 && t.vertexIndices[k] < static_cast<int>(m.vertices.size());
      if (!complete) continue;
      const bool lit = number < kLightMapCapacity && number < lightMapTextureCount;
      const int page = lit ? LightMapPageOf(number) : -1;
      const int first = static_cast<int>(m.lightmappedVertices.size()) / StaticModel::kLightmappedFloats;
      if (m.lightmappedRuns.empty() || m.lightmappedRuns.back().mesh != meshIndex || m.lightmappedRuns.back().page != page) {
        m.lightmappedRuns.push_back(StaticModel::LightmappedRun{meshIndex, page, first, 0});
      }
      m.lightmappedRuns.back().count += 3;
      for (int k = 0; k < 3; ++k) {
        float pageU = 0.0f, pageV = 0.0f;
        if (lit) {
          LightMapPageCoords(number, lightMapPageHeights[page], std::clamp(lightMapU[3 * number + k], -0.5f, 1.5f),
                             std::clamp(lightMapV[3 * number + k], -0.5f, 1.5f), pageU, pageV);
        }
        const float* p = m.vertices[t.vertexIndices[k]].location;
        const float v[StaticModel::kLightmappedFloats] = {p[0], p[1], p[2], t.vertexNormals[k][0], t.vertexNormals[k][1],
                                                          t.vertexNormals[k][2], pageU, pageV, t.s[k], t.t[k]};
        m.lightmappedVertices.insert(m.lightmappedVertices.end(), v, v + StaticModel::kLightmappedFloats);
      }
    }
  }
  m.lightmappedBuilt = true;
}

}  // namespace

void StaticModel::DrawLightmapped() { DrawLightmappedOnUnits(GL_TEXTURE0, GL_TEXTURE1); }

void StaticModel::DrawLightmappedSwapped() { DrawLightmappedOnUnits(GL_TEXTURE1, GL_TEXTURE0); }

void StaticModel::DrawLightmappedOnUnits(GLenum lightMapUnit, GLenum surfaceUnit) {
  if (!lightmappedBuilt) BuildLightmappedArrays(*this);
  glDisable(GL_CULL_FACE);
  const GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
  const GLsizei stride = kLightmappedFloats * sizeof(float);
  const float* base = lightmappedVertices.data();
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glVertexPointer(3, GL_FLOAT, stride, base);
  glNormalPointer(GL_FLOAT, stride, base + 3);
  clientActiveTextureARB(lightMapUnit);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, stride, base + 6);
  clientActiveTextureARB(surfaceUnit);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, stride, base + 8);

  // Depth first: the whole map once without colour, textures or fog, then in colour with the same
  // depth test. Every pixel is then shaded once, by the fragment nearest the eye (the fragments
  // behind it, the floor's and ceiling's far sides among them, fail the test), and the picture is
  // the same as drawing in colour alone: the depths of both passes are the same.
  if (!lightmappedVertices.empty()) {
    GLboolean colourMask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    const GLboolean fog = glIsEnabled(GL_FOG);
    glDisable(GL_FOG);
    activeTextureARB(GL_TEXTURE1);
    glDisable(GL_TEXTURE_2D);
    activeTextureARB(GL_TEXTURE0);
    glDisable(GL_TEXTURE_2D);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(lightmappedVertices.size() / kLightmappedFloats));
    glColorMask(colourMask[0], colourMask[1], colourMask[2], colourMask[3]);
    if (fog) glEnable(GL_FOG);
  }
  int shownMesh = -1;
  for (const LightmappedRun& run : lightmappedRuns) {
    if (run.mesh != shownMesh) {
      shownMesh = run.mesh;
      const ModelMaterial* mat = MaterialOf(*this, meshes[run.mesh]);
      if (mat) {
        glMaterialfv(GL_FRONT, GL_AMBIENT, mat->ambient);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, mat->diffuse);
        glMaterialfv(GL_FRONT, GL_SPECULAR, mat->specular);
        glMaterialfv(GL_FRONT, GL_EMISSION, mat->emissive);
        glMaterialf(GL_FRONT, GL_SHININESS, mat->shininess);
      }
      // The surface texture and the light map each go on their unit and modulate the colour
      // before them. A mesh without a texture of its own shows the plain surface picture.
      const GLuint surface = (mat && mat->texture) ? mat->texture : bmpTextures[kPlainSurfaceTexture];
      glColor4f(1, 1, 1, 1);
      glBlendFunc(GL_ONE, GL_ONE);
      activeTextureARB(surfaceUnit);
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, surface);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      activeTextureARB(lightMapUnit);
      glEnable(GL_TEXTURE_2D);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
    // A triangle beyond the light-map capacity is drawn without a light map.
    glBindTexture(GL_TEXTURE_2D, run.page >= 0 ? lightMapPages[run.page] : 0);
    glDrawArrays(GL_TRIANGLES, run.first, run.count);
  }

  clientActiveTextureARB(GL_TEXTURE1);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  clientActiveTextureARB(GL_TEXTURE0);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  // Unit 0, active when the drawing began, gets its texturing back; unit 1 is left off.
  activeTextureARB(GL_TEXTURE0);
  if (texturing) {
    glEnable(GL_TEXTURE_2D);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
  activeTextureARB(GL_TEXTURE1);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glDisable(GL_TEXTURE_2D);
  activeTextureARB(GL_TEXTURE0);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_CULL_FACE);
}

void StaticModel::DrawFaceListTwoPass() {
  auto textureOf = [this](int material, GLuint& texture) {
    if (material < 0 || material >= static_cast<int>(materials.size())) return false;
    texture = materials[material].texture;
    return true;
  };
  auto pass = [](const FaceRecord& f, GLuint texture, GLenum source, GLenum destination) {
    glBlendFunc(source, destination);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_TRIANGLES);
    for (const FaceRecord::Corner& c : f.corners) {
      glNormal3f(c.nx, c.ny, c.nz);
      glTexCoord2f(c.s, c.t);
      glVertex3f(c.x, c.y, c.z);
    }
    glEnd();
  };
  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT);
  glEnable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  for (const FaceRecord& f : faces) {
    GLuint texture = 0;
    if (textureOf(f.material + 1, texture)) pass(f, texture, GL_DST_COLOR, GL_ZERO);
    if (textureOf(f.material, texture)) pass(f, texture, GL_ONE, GL_ONE);
  }
  glPopAttrib();
}
