#include <cstdio>

#include "tools/makebase/makebase.h"
#include "tools/makebase/pictures.h"

namespace makebase {

std::string TexturePath(const std::string& textureDir, int number, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "/tex%02d.%s", number, extension);
  return textureDir + name;
}

// Every picture the game loads: base/textures/tex00..60.bmp, tex00..10.tga and the six sky faces
// under textures/.
bool WritePictures(const std::string& outDir) {
  const std::string textureDir = outDir + "/base/textures";
  return WriteGlyphSheet(TexturePath(textureDir, 7, "tga")) && WriteScreenPictures(textureDir) &&
         WriteHudPictures(textureDir) && WriteSurfacePictures(textureDir) && WriteSkyFaces(outDir + "/textures") &&
         WriteEffectPictures(textureDir);
}

}  // namespace makebase
