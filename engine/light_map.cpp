#include "engine/light_map.h"

#include <algorithm>
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

void StaticModel::ComputeLightMaps(int /*mode*/) {
  // Only the coordinates are computed here; the light maps themselves are baked by the data
  // generator and read from the map's light.map.
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
      ComputeLightMapUVs(corners, 3 * n);
      ++n;
    }
  }
  lightMapTriangleCount = n;
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

void StaticModel::DrawLightmapped() {
  if (!lightmappedBuilt) BuildLightmappedArrays(*this);
  glDisable(GL_CULL_FACE);
  const GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
  const GLsizei stride = kLightmappedFloats * sizeof(float);
  const float* base = lightmappedVertices.data();
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glVertexPointer(3, GL_FLOAT, stride, base);
  glNormalPointer(GL_FLOAT, stride, base + 3);
  clientActiveTextureARB(GL_TEXTURE0);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, stride, base + 6);
  clientActiveTextureARB(GL_TEXTURE1);
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
      // The surface texture goes on unit 1, the light map on unit 0; each modulates the colour
      // before it. A mesh without a texture of its own shows the plain surface picture.
      const GLuint surface = (mat && mat->texture) ? mat->texture : bmpTextures[kPlainSurfaceTexture];
      glColor4f(1, 1, 1, 1);
      glBlendFunc(GL_ONE, GL_ONE);
      activeTextureARB(GL_TEXTURE1);
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, surface);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      activeTextureARB(GL_TEXTURE0);
      glEnable(GL_TEXTURE_2D);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
    // A triangle beyond the light-map capacity is drawn without a light map.
    glBindTexture(GL_TEXTURE_2D, run.page >= 0 ? lightMapPages[run.page] : 0);
    glDrawArrays(GL_TRIANGLES, run.first, run.count);
  }

  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  clientActiveTextureARB(GL_TEXTURE0);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
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
