// The generator of the sample data set. Each family of files has its own writer; main() calls them
// in turn with the output directory (the game's working directory: OUTDIR/base/..., OUTDIR/textures/...).
#pragma once

#include <string>

namespace makebase {

// base/menu.inf and base/career.inf, each only where it does not exist yet (the player's own).
bool WriteSettingsFiles(const std::string& outDir);
bool WritePictures(const std::string& outDir);       // textures, sky faces, glyph sheet
bool WriteSounds(const std::string& outDir);         // base/sound/*.wav, base/music/menu.ogg
bool WriteModels(const std::string& outDir);         // weapons, pick-ups, bandit hit meshes
bool WriteMaps(const std::string& outDir);           // base/maps/N/...
bool WriteCharacters(const std::string& outDir);     // player and bandit characters
// fuzz/: seeds of the readers' fuzzing that the game never reads: broken copies of generated
// files, and skin and shader files for the player's parts; runs after the sounds, maps and
// characters.
bool WriteFuzzSeeds(const std::string& outDir);

}  // namespace makebase
