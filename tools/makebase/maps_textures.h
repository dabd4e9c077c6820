// Surface pictures of the maps, written to base/textures/maps/NAME.bmp.
#pragma once

#include <string>

namespace makebase {

// Writes every surface picture the map layouts use. False when a file cannot be written.
bool WriteMapTextures(const std::string& outDir);

}  // namespace makebase
