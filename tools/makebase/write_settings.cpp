#include "engine/formats/binary_io.h"
#include "engine/formats/game_data.h"
#include "engine/formats/settings_file.h"
#include "tools/makebase/makebase.h"

namespace makebase {

bool WriteSettingsFiles(const std::string& outDir) {
  // Default settings: 800x600, 32-bit colour, 24-bit depth, sound and music on.
  // A fresh career: easy, map 1.
  return WriteWholeFile(outDir + "/base/menu.inf", SerializeSettings(SettingsRecord{}), true) &&
         WriteWholeFile(outDir + "/base/career.inf", SerializeCareer(CareerRecord{1, 1}), true);
}

}  // namespace makebase
