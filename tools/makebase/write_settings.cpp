#include <sys/stat.h>

#include "engine/formats/binary_io.h"
#include "engine/formats/game_data.h"
#include "engine/formats/settings_file.h"
#include "tools/makebase/makebase.h"

namespace makebase {

namespace {

// The settings and the career belong to the player once they exist: the game rewrites them, and
// a rebuild that regenerates the data set must not put them back to the defaults.
bool WriteUnlessPresent(const std::string& path, const std::vector<uint8_t>& bytes) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) return true;
  return WriteWholeFile(path, bytes, true);
}

}  // namespace

bool WriteSettingsFiles(const std::string& outDir) {
  // Default settings: 800x600, 32-bit colour, 24-bit depth, sound and music on.
  // A fresh career: easy, map 1.
  return WriteUnlessPresent(outDir + "/base/menu.inf", SerializeSettings(SettingsRecord{})) &&
         WriteUnlessPresent(outDir + "/base/career.inf", SerializeCareer(CareerRecord{1, 1}));
}

}  // namespace makebase
