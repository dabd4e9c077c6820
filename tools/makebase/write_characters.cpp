#include "tools/makebase/makebase.h"

namespace makebase {

// Nothing of this family is generated yet.
bool WriteCharacters(const std::string&) { return true; }

}  // namespace makebase
