#include "engine/formats/wav_file.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "engine/formats/binary_io.h"

namespace {

constexpr int kMaxChunks = 1000;

uint32_t Word(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// readAt(offset, out, n) fills out with n bytes of the file at offset, or fails.
template <class ReadAt>
bool Walk(ReadAt&& readAt, uint64_t fileSize, uint64_t maxDataBytes, WavDataChunk* data) {
  uint8_t head[12];
  if (fileSize < sizeof head || !readAt(0, head, sizeof head)) return false;
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return false;
  uint64_t pos = sizeof head;
  bool format = false;
  for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
    uint8_t header[8];
    if (fileSize - pos < sizeof header || !readAt(pos, header, sizeof header)) return false;
    pos += sizeof header;
    const int32_t length = static_cast<int32_t>(Word(header + 4));
    // The decoder reads the length as a signed word and allocates it (also to skip a chunk).
    if (length < 0 || static_cast<uint64_t>(length) > fileSize - pos) return false;
    if (std::memcmp(header, "fmt ", 4) == 0) {
      if (length < 16) return false;
      format = true;
    } else if (std::memcmp(header, "data", 4) == 0) {
      if (!format || static_cast<uint64_t>(length) > maxDataBytes) return false;
      if (data) *data = WavDataChunk{pos, static_cast<uint64_t>(length)};
      return true;
    }
    pos += static_cast<uint64_t>(length);
    if ((length & 1) != 0 && pos < fileSize) ++pos;
  }
  return false;
}

}  // namespace

bool CheckWavLayout(const uint8_t* bytes, size_t size, uint64_t maxDataBytes, WavDataChunk* data) {
  auto readAt = [&](uint64_t offset, uint8_t* out, size_t n) {
    if (offset > size || n > size - offset) return false;
    std::memcpy(out, bytes + offset, n);
    return true;
  };
  return Walk(readAt, size, maxDataBytes, data);
}

bool CheckWavFile(const std::string& path, uint64_t maxDataBytes, WavDataChunk* data) {
  FILE* f = OpenRegularDataFile(path);
  if (!f) return false;
  struct stat st;
  bool ok = fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0;
  if (ok) {
    auto readAt = [&](uint64_t offset, uint8_t* out, size_t n) {
      return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0 && std::fread(out, 1, n, f) == n;
    };
    ok = Walk(readAt, static_cast<uint64_t>(st.st_size), maxDataBytes, data);
  }
  std::fclose(f);
  return ok;
}
