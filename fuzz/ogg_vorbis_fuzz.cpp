// The Vorbis header check on arbitrary bytes, then the system decoder on every file the check
// passes, read the way the music track reads it: open, a fill of both streaming buffers with
// errors passed over, back to the first sample at the end, and on. The page checksums are
// recomputed first, so that altered headers and audio reach the decoder instead of being skipped
// as broken pages. A crash in the decoder (a division by zero is a signal, not a sanitizer
// report) or a hang fails the run.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include "engine/formats/ogg_vorbis_file.h"

namespace {

struct Memory {
  const std::vector<uint8_t>& bytes;
  size_t position;
};

size_t Read(void* ptr, size_t size, size_t count, void* source) {
  auto* m = static_cast<Memory*>(source);
  if (size == 0) return 0;
  const size_t items = std::min(count, (m->bytes.size() - m->position) / size);
  std::memcpy(ptr, m->bytes.data() + m->position, items * size);
  m->position += items * size;
  return items;
}

int Seek(void* source, ogg_int64_t offset, int whence) {
  auto* m = static_cast<Memory*>(source);
  const int64_t size = static_cast<int64_t>(m->bytes.size());
  const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<int64_t>(m->position) : size;
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
  if (offset < -base || offset > size - base) return -1;
  m->position = static_cast<size_t>(base + offset);
  return 0;
}

long Tell(void* source) { return static_cast<long>(static_cast<Memory*>(source)->position); }

int Close(void*) { return 0; }

// The two streaming buffers of the music track.
constexpr long kFillBytes = 2 * 0x40000;

}  // namespace

// The system decoder keeps 8 bytes of its own when a chained file starts a link again with the
// serial number of the one before (as two copies of one file put end to end do); not a fault of
// the reader, and not one a player can avoid.
extern "C" const char* __lsan_default_suppressions() { return "leak:libvorbisfile.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckOggVorbisImage(data, size);
  std::vector<uint8_t> bytes(data, data + size);
  RewriteOggPageChecksums(bytes.data(), bytes.size());
  if (!CheckOggVorbisImage(bytes.data(), bytes.size())) return 0;

  Memory memory{bytes, 0};
  OggVorbis_File vf;
  if (ov_open_callbacks(&memory, &vf, nullptr, 0, ov_callbacks{Read, Seek, Close, Tell}) < 0) return 0;
  // The first fill, then back to the first sample (as at the end of the data) and a second one.
  static char block[8192];
  for (int pass = 0; pass < 2; ++pass) {
    long decoded = 0;
    int errors = 0;
    while (decoded < kFillBytes && errors < 64) {
      int section = 0;
      const long got = ov_read(&vf, block, sizeof block, 0, 2, 1, &section);
      if (got == 0) break;
      if (got < 0) ++errors;
      else decoded += got;
    }
    ov_pcm_seek(&vf, 0);
  }
  ov_clear(&vf);
  return 0;
}
