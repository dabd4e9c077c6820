#include "engine/static_model.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/formats/binary_io.h"
#include "engine/formats/data_file_report.h"
#include "engine/gl_setup.h"
#include "engine/textures.h"

namespace {
StaticModel* firstLiveModel = nullptr;
}  // namespace

StaticModel::StaticModel() {
  nextLive_ = firstLiveModel;
  if (nextLive_) nextLive_->prevLive_ = this;
  firstLiveModel = this;
}

StaticModel::~StaticModel() {
  Clear();
  // Unlinks once: a second run of the destructor finds the model no longer in the list.
  if (prevLive_) prevLive_->nextLive_ = nextLive_;
  else if (firstLiveModel == this) firstLiveModel = nextLive_;
  else return;
  if (nextLive_) nextLive_->prevLive_ = prevLive_;
  prevLive_ = nextLive_ = nullptr;
}

void ReleaseModelTextures() {
  for (StaticModel* model = firstLiveModel; model; model = model->nextLive_) model->DeleteMaterialTextures();
}

void StaticModel::DeleteMaterialTextures() {
  for (ModelMaterial& m : materials) {
    if (m.texture != 0) glDeleteTextures(1, &m.texture);
    m.texture = 0;
  }
}

void StaticModel::Clear() {
  DeleteMaterialTextures();
  meshes.clear();
  materials.clear();
  triangles.clear();
  vertices.clear();
  numMeshes = numMaterials = numTriangles = numVertices = 0;
}

void StaticModel::SetContents(Ms3dData&& data) {
  Clear();
  vertices = std::move(data.vertices);
  triangles = std::move(data.triangles);
  meshes.resize(data.groups.size());
  for (size_t i = 0; i < data.groups.size(); ++i) {
    meshes[i].materialIndex = data.groups[i].materialIndex;
    meshes[i].triangleIndices = std::move(data.groups[i].triangleIndices);
    meshes[i].numTriangles = static_cast<int>(meshes[i].triangleIndices.size());
  }
  materials.resize(data.materials.size());
  for (size_t i = 0; i < data.materials.size(); ++i) {
    const Ms3dMaterial& src = data.materials[i];
    ModelMaterial& m = materials[i];
    std::copy_n(src.ambient, 4, m.ambient);
    std::copy_n(src.diffuse, 4, m.diffuse);
    std::copy_n(src.specular, 4, m.specular);
    std::copy_n(src.emissive, 4, m.emissive);
    m.shininess = src.shininess;
    m.transparency = src.transparency;
    m.texture = 0;
    m.textureFile = src.textureFile;
  }
  numVertices = static_cast<int>(vertices.size());
  numTriangles = static_cast<int>(triangles.size());
  numMeshes = static_cast<int>(meshes.size());
  numMaterials = static_cast<int>(materials.size());
}

bool Ms3dModel::Load(const char* fileName) {
  if (!fileName) return false;
  Ms3dData data;
  if (!LoadMs3dFile(fileName, data)) {
    ReportDataFileNotLoaded(fileName);
    return false;
  }
  SetContents(std::move(data));
  return true;
}

int StaticModel::LoadTextures() {
  for (ModelMaterial& m : materials) {
    if (m.texture != 0) glDeleteTextures(1, &m.texture);
    m.texture = m.textureFile.empty() ? 0 : LoadMipmappedTexture(DataPath(m.textureFile).c_str());
  }
  return numMaterials;
}

namespace {

// The fixed-function defaults, used for a mesh without a material.
const GLfloat kDefaultAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
const GLfloat kDefaultDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
const GLfloat kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};

void SetFrontMaterial(const GLfloat ambient[4], const GLfloat diffuse[4], const GLfloat specular[4],
                      const GLfloat emission[4], float shininess) {
  glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
  glMaterialfv(GL_FRONT, GL_EMISSION, emission);
  // GL accepts exponents 0..128 only; a file's value outside is clamped rather than dropped.
  glMaterialf(GL_FRONT, GL_SHININESS, std::isnan(shininess) ? 0.0f : std::clamp(shininess, 0.0f, 128.0f));
}

// One batch of a mesh's triangles with their normals and texture coordinates.
void DrawMeshTriangles(const StaticModel& m, const ModelMesh& mesh) {
  glBegin(GL_TRIANGLES);
  for (int index : mesh.triangleIndices) {
    const ModelTriangle& tri = m.triangles[index];
    for (int k = 0; k < 3; ++k) {
      glNormal3fv(tri.vertexNormals[k]);
      glTexCoord2f(tri.s[k], tri.t[k]);
      glVertex3fv(m.vertices[tri.vertexIndices[k]].location);
    }
  }
  glEnd();
}

// The picture that the sphere- and environment-mapped drawings reflect.
constexpr int kReflectionTexture = 49;

}  // namespace

void StaticModel::Draw() { DrawMeshes(0.4f, nullptr); }

void StaticModel::DrawSphereMapped() {
  BeginSphereMap();
  DrawMeshes(0.9f, &bmpTextures[kReflectionTexture]);
  EndSphereMap();
}

void StaticModel::DrawMeshes(float visibleAbove, const GLuint* textureInstead) {
  glDisable(GL_CULL_FACE);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  glMaterialfv(GL_BACK, GL_DIFFUSE, kBlack);
  glMaterialfv(GL_BACK, GL_AMBIENT, kBlack);
  glMaterialfv(GL_BACK, GL_SPECULAR, kBlack);
  glMaterialfv(GL_BACK, GL_EMISSION, kBlack);
  const GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);

  for (const ModelMesh& mesh : meshes) {
    const ModelMaterial* material =
        mesh.materialIndex >= 0 && mesh.materialIndex < numMaterials ? &materials[mesh.materialIndex] : nullptr;
    if (material) {
      SetFrontMaterial(material->ambient, material->diffuse, material->specular, material->emissive,
                       material->shininess);
      if (material->texture != 0) {
        glBindTexture(GL_TEXTURE_2D, textureInstead ? *textureInstead : material->texture);
        glEnable(GL_TEXTURE_2D);
      } else {
        glDisable(GL_TEXTURE_2D);
      }
      // A material at or below the limit hides its meshes.
      if (!(material->transparency > visibleAbove)) continue;
    } else {
      // No material: untextured and opaque, in the default material.
      SetFrontMaterial(kDefaultAmbient, kDefaultDiffuse, kBlack, kBlack, 0.0f);
      glDisable(GL_TEXTURE_2D);
    }
    DrawMeshTriangles(*this, mesh);
  }

  if (texturing) {
    glEnable(GL_TEXTURE_2D);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
}

void StaticModel::DrawEnvironmentMapped() {
  glPushAttrib(GL_COLOR_BUFFER_BIT);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  glColor4f(0.1f, 0.1f, 0.1f, 0.01f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
  glBindTexture(GL_TEXTURE_2D, bmpTextures[kReflectionTexture]);
  BeginEnvironmentMap();
  for (const ModelMesh& mesh : meshes) DrawMeshTriangles(*this, mesh);
  EndEnvironmentMap();
  glPopAttrib();
}

void StaticModel::Update() {}
