// Drawing of character models: the parts hang from each other at their tags; each link binds the
// skin or the weapon's texture by its place in the walk.
#include "engine/character_model.h"
#include "engine/frame.h"
#include "engine/textures.h"

int characterLinkCounter = 0;
float characterTorsoYaw = 0.0f;

void CharacterModel::Draw(float torsoYaw, float) {
  glEnable(GL_CULL_FACE);
  glCullFace(GL_FRONT);
  glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
  UpdateAnimation(gameClock);
  characterLinkCounter = 0;
  characterTorsoYaw = torsoYaw;
  DrawLinks(lower);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
}

void CharacterModel::DrawLinks(ModelPart& part) {
  // Parts hang three deep (lower, upper, head or weapon); a longer chain can only be a loop of
  // links and stops here.
  static int depth = 0;
  if (depth >= kMaxLinkDepth) return;
  ++depth;
  DrawLinksAt(part);
  --depth;
}

void CharacterModel::DrawLinksAt(ModelPart& part) {
  RenderPart(part);
  const int count = std::min<int>(part.numOfTags, static_cast<int>(part.links.size()));
  for (int i = 0; i < count; ++i) {
    ModelPart* linked = part.links[i];
    if (!linked) continue;
    float m[16];
    if (!InterpolatedTagMatrix(part, i, m)) continue;
    glPushMatrix();
    glMultMatrixf(m);
    const GLuint bodySkin = bmpTextures[skin == 1 ? 9 : 8];
    switch (characterLinkCounter) {
      case 0:
      case 2:
        glBindTexture(GL_TEXTURE_2D, bodySkin);
        glRotatef(characterTorsoYaw, 0.0f, 1.0f, 0.0f);
        break;
      case 1:
        glBindTexture(GL_TEXTURE_2D, bmpTextures[42 + (currentWeapon >= 0 && currentWeapon <= 5 ? currentWeapon : 0)]);
        break;
      default:
        break;
    }
    ++characterLinkCounter;
    DrawLinks(*linked);
    glPopMatrix();
  }
}

void CharacterModel::RenderPart(const ModelPart& part) {
  for (const MeshObject& mesh : part.objects) {
    // A mesh given a texture by a skin or shader file is drawn with it; the others keep what the
    // links bound.
    const int entry = MeshTextureEntry(part, mesh);
    if (entry >= 0) glBindTexture(GL_TEXTURE_2D, textures[entry]);
    const bool hasCoords = !mesh.texVerts.empty();
    glBegin(GL_TRIANGLES);
    for (const MeshFace& face : mesh.faces) {
      for (int k = 0; k < 3; ++k) {
        const int v = face.vertIndex[k];
        if (hasCoords && v >= 0 && v < static_cast<int>(mesh.texVerts.size()))
          glTexCoord2f(mesh.texVerts[v][0], mesh.texVerts[v][1]);
        const BhmVec3 p = InterpolatedVertex(mesh, part.currentFrame, part.nextFrame, part.t, v);
        glVertex3f(p.x, p.y, p.z);
      }
    }
    glEnd();
  }
}
