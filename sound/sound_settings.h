// The two sound switches of the settings file. They live with the sound code so that the sources
// can honour them; the shell reads and writes them with the other settings.
#pragma once

// Effect sounds on: SoundSource::Play does nothing while this is false.
extern bool soundOn;
// Menu music on.
extern bool musicOn;
