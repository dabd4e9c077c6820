#include "tools/makebase/makebase.h"

namespace makebase {

// Nothing of this family is generated yet.
bool WriteMaps(const std::string&) { return true; }

}  // namespace makebase
