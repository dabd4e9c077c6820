#include "tools/makebase/pictures.h"
namespace makebase {
bool WriteEffectPictures(const std::string&) { return true; }
}
