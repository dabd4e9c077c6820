// The character's animation file: whitespace-separated words; a line that starts with a number is
// an animation (first frame, frame count, looping frames, frames per second, a comment marker and
// the name); any other line is skipped.
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "engine/formats/bhm_file.h"

bool IsInString(const std::string& text, const std::string& part) {
  if (text.empty() || part.empty()) return false;
  return text.find(part) != std::string::npos;
}

namespace {

constexpr int kMaxAnimationLines = 8;
constexpr size_t kMaxNameLength = 254;
// Frame numbers beyond this are nonsense; keeping them bounded keeps every sum in range.
constexpr long long kFrameLimit = 1 << 24;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

class WordReader {
 public:
  explicit WordReader(const std::string& text) : s_(text) {}

  // The next word, or false at the end of the text.
  bool Next(std::string& word) {
    while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
    if (pos_ >= s_.size()) return false;
    const size_t begin = pos_;
    while (pos_ < s_.size() && !IsSpace(s_[pos_])) ++pos_;
    word.assign(s_, begin, std::min(pos_ - begin, kMaxNameLength));
    return true;
  }

  // An integer word (a leading sign is allowed); false when the word is missing or not a number.
  bool Int(int& out) {
    std::string w;
    if (!Next(w)) return false;
    const char* p = w.c_str();
    char* end = nullptr;
    const long long v = std::strtoll(p, &end, 10);
    if (end == p) return false;
    out = static_cast<int>(std::clamp(v, -kFrameLimit, kFrameLimit));
    return true;
  }

  void SkipLine() {
    while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
  }

 private:
  const std::string& s_;
  size_t pos_ = 0;
};

}  // namespace

void ParseAnimationConfig(const std::string& text, std::vector<AnimationInfo>& upper,
                          std::vector<AnimationInfo>& lower) {
  upper.clear();
  lower.clear();
  WordReader words(text);
  std::string word;
  int lines = 0;
  int firstStart = 0;
  int legsOffset = 0;
  bool legsOffsetFixed = false;
  std::vector<int> starts;
  while (lines < kMaxAnimationLines && words.Next(word)) {
    if (!std::isdigit(static_cast<unsigned char>(word[0]))) {
      words.SkipLine();
      continue;
    }
    AnimationInfo a;
    a.startFrame = static_cast<int>(std::min<long long>(std::atoll(word.c_str()), kFrameLimit));
    int count = 0;
    std::string marker;
    if (!words.Int(count) || !words.Int(a.loopingFrames) || !words.Int(a.framesPerSecond) ||
        !words.Next(marker) || !words.Next(a.name)) {
      break;  // a cut-off line ends the file
    }
    a.endFrame = a.startFrame + count;
    if (lines == 0) firstStart = a.startFrame;
    starts.push_back(a.startFrame);
    ++lines;

    if (IsInString(a.name, "BOTH")) {
      upper.push_back(a);
      lower.push_back(a);
    } else if (IsInString(a.name, "TORSO")) {
      upper.push_back(a);
    } else if (IsInString(a.name, "LEGS")) {
      if (!legsOffsetFixed) {
        // Legs frames count from the legs part's own first frame, which the fourth line starts;
        // a legs line before the fourth has no such line and takes no offset.
        legsOffset = starts.size() >= 4 ? starts[3] - firstStart : 0;
        legsOffsetFixed = true;
      }
      a.startFrame -= legsOffset;
      a.endFrame -= legsOffset;
      lower.push_back(a);
    }
  }
}

void ClampAnimationsToFrames(ModelPart& part) {
  std::vector<AnimationInfo> kept;
  for (AnimationInfo a : part.animations) {
    a.startFrame = std::clamp(a.startFrame, 0, std::max(part.numOfFrames, 0));
    a.endFrame = std::clamp(a.endFrame, 0, std::max(part.numOfFrames, 0));
    if (a.startFrame < a.endFrame) kept.push_back(a);
  }
  part.animations = std::move(kept);
  part.numOfAnimations = static_cast<int>(part.animations.size());
  if (part.currentAnim >= part.numOfAnimations) part.currentAnim = 0;
}
