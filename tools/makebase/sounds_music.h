// The synthesised menu music: a loop of sixteen bars with melody, bass, pads, arpeggio and drums.
#pragma once

#include <vector>

namespace makebase {

constexpr int kMusicRate = 44100;
constexpr int kMusicChannels = 2;

// Interleaved stereo frames at kMusicRate, -1..1. The end joins the start without a seam.
std::vector<float> MakeMenuMusic();

}  // namespace makebase
