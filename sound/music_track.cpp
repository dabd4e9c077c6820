#include "sound/music_track.h"

// Stand-in until the music track exists.
MusicTrack menuMusic;

bool MusicTrack::Open(const std::string&, bool, bool) { return false; }
void MusicTrack::Play() {}
void MusicTrack::Update() {}
void MusicTrack::Stop() {}
void MusicTrack::Release() {}
