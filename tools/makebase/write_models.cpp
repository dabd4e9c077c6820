#include "tools/makebase/makebase.h"

namespace makebase {

// Nothing of this family is generated yet.
bool WriteModels(const std::string&) { return true; }

}  // namespace makebase
