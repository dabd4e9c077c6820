// The picture writers of the data generator, one per family of pictures. Each writes its files
// under the output directory and returns false when a file cannot be written.
#pragma once

#include <string>

#include "tools/makebase/pictures_canvas.h"

namespace makebase {

bool WriteGlyphSheet(const std::string& path);
// Menu screens, splash, loading backdrop, cursor, map intro pictures.
bool WriteScreenPictures(const std::string& textureDir);
// HUD icons, crosshair, weapon bar, lamp halo, black.
bool WriteHudPictures(const std::string& textureDir);
// Floors, walls and trims, player and bandit skins, weapon skins.
bool WriteSurfacePictures(const std::string& textureDir);
// The six sky faces (outDir/textures/).
bool WriteSkyFaces(const std::string& skyDir);
// The effect pictures of the TGA table (blood, impact marks, muzzle flash, smoke, hurt overlay).
bool WriteEffectPictures(const std::string& textureDir);

// base/textures/texNN.bmp or .tga under the given directory.
std::string TexturePath(const std::string& textureDir, int number, const char* extension);

}  // namespace makebase
