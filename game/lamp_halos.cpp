// Glowing halos over the lamps of the level's lamp model, faded out with the distance from the eye.
#include <GL/gl.h>

#include "engine/static_model.h"
#include "engine/textures.h"
#include "game/effects.h"
#include "game/player.h"

void StaticModel::DrawLampHalos() {
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glBindTexture(GL_TEXTURE_2D, bmpTextures[23]);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  const int count = numTriangles < static_cast<int>(faces.size()) ? numTriangles : static_cast<int>(faces.size());
  for (int i = 0; i < count; ++i) {
    const FaceRecord& face = faces[i];
    float c[3];
    c[0] = (face.corners[0].x + face.corners[1].x + face.corners[2].x) * 0.33333f;
    c[1] = (face.corners[0].y + face.corners[1].y + face.corners[2].y) * 0.33333f;
    c[2] = (face.corners[0].z + face.corners[1].z + face.corners[2].z) * 0.33333f;
    const float dx = eyePosition.x - c[0];
    const float dy = eyePosition.y - c[1];
    const float dz = eyePosition.z - c[2];
    const float alpha = LampHaloAlpha(dx * dx + dy * dy + dz * dz);
    if (alpha < 0.0f) continue;
    // A face without a valid material is drawn white with the smallest halo.
    float red = 1.0f, green = 1.0f, blue = 1.0f, size = 0.0f;
    if (face.material >= 0 && face.material < static_cast<int>(materials.size())) {
      const ModelMaterial& m = materials[face.material];
      red = m.diffuse[0];
      green = m.diffuse[1];
      blue = m.diffuse[2];
      size = m.emissive[0] * 0.7f;
    }
    glColor4f(red, green, blue, alpha);
    DrawBillboard(eyePosition.x, eyePosition.y + 2.5f, eyePosition.z, c[0], c[1], c[2], size);
  }
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
