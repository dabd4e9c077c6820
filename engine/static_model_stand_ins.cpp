#include "engine/static_model.h"

// Stand-in for the member the frame calls until the lamp halos exist.
void StaticModel::DrawLampHalos() {}
