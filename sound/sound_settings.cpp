#include "sound/sound_settings.h"

bool soundOn = true;
bool musicOn = true;
