#include "engine/light_map.h"

#include <GL/glu.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/gl_setup.h"
#include "engine/static_model.h"
#include "engine/textures.h"

uint8_t lightMaps[kLightMapCapacity][kLightMapBytes];
GLuint lightMapTextures[kLightMapCapacity];
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
  std::memset(lightMapTextures, 0, sizeof lightMapTextures);
  std::memset(lightMapU, 0, sizeof lightMapU);
  std::memset(lightMapV, 0, sizeof lightMapV);
  std::memset(triangleCorners, 0, sizeof triangleCorners);
  lightMapTriangleCount = 0;
  lightMapTextureCount = 0;
}

void ReadLightMap(int map) {
  std::vector<uint8_t> bytes;
  if (map < 1 || map > 20 ||
      !ReadWholeFile(DataPath(LightMapFileName(map)), bytes, size_t(kLightMapCapacity) * kLightMapFileEntryBytes)) {
    bytes.clear();
  }
  DecodeLightMap(bytes.data(), bytes.size(), &lightMaps[0][0], kLightMapCapacity);
}

void ComputeLightMapUVs(const float corners[9], int firstCorner) {
  if (firstCorner < 0 || firstCorner + 2 >= 3 * kLightMapCapacity) return;
  ComputeLightMapUVs(corners, lightMapU + firstCorner, lightMapV + firstCorner);
}

GLuint UploadLightMap(int n) {
  if (n < 0 || n >= kLightMapCapacity) return 0;
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, kLightMapSide, kLightMapSide, GL_RGB, GL_UNSIGNED_BYTE, lightMaps[n]);
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
  const int count = NumberedTriangles(*this);
  for (int n = 0; n < count; ++n) lightMapTextures[n] = UploadLightMap(n);
  lightMapTextureCount = count;
}

void StaticModel::DeleteLightMapTextures() {
  if (lightMapTextureCount > 0) glDeleteTextures(lightMapTextureCount, lightMapTextures);
  std::memset(lightMapTextures, 0, sizeof(GLuint) * static_cast<size_t>(lightMapTextureCount));
  lightMapTextureCount = 0;
}

void StaticModel::DrawLightmapped() {
  glDisable(GL_CULL_FACE);
  const GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
  int n = 0;
  for (const ModelMesh& mesh : meshes) {
    const ModelMaterial* mat = MaterialOf(*this, mesh);
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

    for (int ti : mesh.triangleIndices) {
      const bool numbered = n < kLightMapCapacity;
      // A triangle beyond the light-map capacity is drawn without a light map.
      glBindTexture(GL_TEXTURE_2D, numbered && n < lightMapTextureCount ? lightMapTextures[n] : 0);
      if (ti >= 0 && ti < static_cast<int>(triangles.size())) {
        const ModelTriangle& t = triangles[ti];
        glBegin(GL_TRIANGLES);
        for (int k = 0; k < 3; ++k) {
          const int vi = t.vertexIndices[k];
          if (vi < 0 || vi >= static_cast<int>(vertices.size())) continue;
          glNormal3fv(t.vertexNormals[k]);
          if (numbered) multiTexCoord2fARB(GL_TEXTURE0, lightMapU[3 * n + k], lightMapV[3 * n + k]);
          multiTexCoord2fARB(GL_TEXTURE1, t.s[k], t.t[k]);
          glVertex3fv(vertices[vi].location);
        }
        glEnd();
      }
      ++n;
    }
  }
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
