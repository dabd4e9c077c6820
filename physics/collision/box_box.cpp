// Box against box: not supported yet; reports no contact.
#include "physics/collision/pair_tests.h"

namespace phys {

void TestBoxBox(CollisionResult* r, const TConvex&, const Transform&, const TConvex&, const Transform&) {
  r->hasContact = 0;
}

}  // namespace phys
