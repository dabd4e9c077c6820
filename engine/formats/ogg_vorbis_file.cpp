#include "engine/formats/ogg_vorbis_file.h"

#include <ogg/ogg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "engine/formats/binary_io.h"

namespace {

// Bits of a Vorbis header packet, least significant bit of each byte first. A read past the end
// returns zero and clears ok(), so a parser can read a whole record and check once.
class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), bits_(uint64_t{size} * 8) {}

  uint32_t Read(int count) {
    if (!ok_ || static_cast<uint64_t>(count) > bits_ - pos_) {
      ok_ = false;
      pos_ = bits_;
      return 0;
    }
    uint32_t v = 0;
    for (int i = 0; i < count; ++i, ++pos_) {
      v |= static_cast<uint32_t>((data_[pos_ >> 3] >> (pos_ & 7)) & 1u) << i;
    }
    return v;
  }
  bool Skip(uint64_t count) {
    if (!ok_ || count > bits_ - pos_) {
      ok_ = false;
      pos_ = bits_;
      return false;
    }
    pos_ += count;
    return true;
  }
  bool ok() const { return ok_; }

 private:
  const uint8_t* data_;
  uint64_t bits_;
  uint64_t pos_ = 0;
  bool ok_ = true;
};

bool Fail(std::string* why, const std::string& text) {
  if (why) *why = text;
  return false;
}

// Bits needed to write v: 0 for 0, 1 for 1, 3 for 7.
int ILog(uint64_t v) {
  int bits = 0;
  while (v != 0) {
    ++bits;
    v >>= 1;
  }
  return bits;
}

// r to the power n, or limit + 1 once it passes limit.
uint64_t PowerUpTo(uint64_t r, uint32_t n, uint64_t limit) {
  if (r <= 1) return r == 0 && n > 0 ? 0 : 1;
  uint64_t acc = 1;
  for (uint32_t i = 0; i < n; ++i) {
    acc *= r;
    if (acc > limit) return limit + 1;
  }
  return acc;
}

// The greatest r with r to the power dimensions not above entries (dimensions >= 1).
uint64_t Lookup1Values(uint32_t entries, uint32_t dimensions) {
  uint64_t r = static_cast<uint64_t>(std::floor(std::pow(static_cast<double>(entries), 1.0 / dimensions)));
  while (r > 0 && PowerUpTo(r, dimensions, entries) > entries) --r;
  while (PowerUpTo(r + 1, dimensions, entries) <= entries) ++r;
  return r;
}

bool IsHeader(const uint8_t* packet, size_t size, uint8_t type) {
  return size >= 7 && packet[0] == type && std::memcmp(packet + 1, "vorbis", 6) == 0;
}

struct Codebook {
  uint32_t dimensions = 0;
  uint32_t entries = 0;
  bool valueMapped = false;
};

bool ReadCodebook(BitReader& in, Codebook& book, std::string* why) {
  if (in.Read(24) != 0x564342) return Fail(why, "a codebook without its sync pattern");
  book.dimensions = in.Read(16);
  book.entries = in.Read(24);
  if (!in.ok()) return Fail(why, "the setup header ends inside a codebook");
  if (ILog(book.dimensions) + ILog(book.entries) > 24) return Fail(why, "a codebook too large to decode");
  // The codeword lengths must make a complete prefix code: the decoder builds its tables only
  // when the lengths fill the code tree exactly (one used entry of length 1 aside), and a book it
  // could not build is left behind empty, of dimension zero, for the next attempt to decode with.
  uint64_t filled = 0;  // the tree filled, in units of 2^-32
  uint32_t used = 0, lastLength = 0;
  auto use = [&](uint32_t length, uint32_t count) {
    if (count == 0) return;
    filled += (uint64_t{1} << (32 - length)) * count;
    used += count;
    lastLength = length;
  };
  if (in.Read(1) != 0) {
    // Ordered: runs of entries of increasing codeword lengths.
    uint32_t length = in.Read(5) + 1;
    for (uint32_t entry = 0; entry < book.entries && in.ok(); ++length) {
      if (length > 32) return Fail(why, "a codeword longer than 32 bits");
      const uint32_t run = in.Read(ILog(book.entries - entry));
      if (run > book.entries - entry) return Fail(why, "a codebook with more lengths than entries");
      use(length, run);
      entry += run;
    }
  } else {
    const bool sparse = in.Read(1) != 0;
    for (uint32_t entry = 0; entry < book.entries && in.ok(); ++entry) {
      if (!sparse || in.Read(1) != 0) use(in.Read(5) + 1, 1);
    }
  }
  if (!in.ok()) return Fail(why, "the setup header ends inside a codebook");
  if (used > 0 && filled != uint64_t{1} << 32 && !(used == 1 && lastLength == 1)) {
    return Fail(why, filled > uint64_t{1} << 32 ? "a codebook with more codewords than its lengths allow"
                                                 : "a codebook whose codewords leave the code incomplete");
  }
  const uint32_t lookup = in.Read(4);
  if (lookup > 2) return Fail(why, "a codebook of unknown lookup type");
  if (lookup != 0) {
    // The values of a book are read as vectors of its dimension, and the decoder divides by it.
    if (book.dimensions == 0) return Fail(why, "a codebook of dimension zero with values");
    in.Read(32);  // minimum value
    in.Read(32);  // delta value
    const uint32_t valueBits = in.Read(4) + 1;
    in.Read(1);  // sequence flag
    const uint64_t values = lookup == 1 ? Lookup1Values(book.entries, book.dimensions)
                                        : uint64_t{book.entries} * book.dimensions;
    in.Skip(values * valueBits);
    book.valueMapped = true;
  }
  if (!in.ok()) return Fail(why, "the setup header ends inside a codebook");
  return true;
}

bool BookIndex(uint32_t index, const std::vector<Codebook>& books, bool vector, std::string* why,
               const char* user) {
  if (index >= books.size()) return Fail(why, std::string(user) + " names a codebook that does not exist");
  if (vector && !books[index].valueMapped) {
    return Fail(why, std::string(user) + " reads vectors from a codebook without values");
  }
  return true;
}

bool ReadFloor(BitReader& in, const std::vector<Codebook>& books, std::string* why) {
  const uint32_t type = in.Read(16);
  if (type == 0) {
    in.Read(8);   // order
    in.Read(16);  // rate
    in.Read(16);  // bark map size
    in.Read(6);   // amplitude bits
    in.Read(8);   // amplitude offset
    const uint32_t count = in.Read(4) + 1;
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t book = in.Read(8);
      if (!in.ok()) break;
      if (!BookIndex(book, books, true, why, "a floor 0")) return false;
    }
  } else if (type == 1) {
    const uint32_t partitions = in.Read(5);
    uint32_t partitionClass[32] = {};
    int maxClass = -1;
    for (uint32_t i = 0; i < partitions; ++i) {
      partitionClass[i] = in.Read(4);
      maxClass = std::max(maxClass, static_cast<int>(partitionClass[i]));
    }
    uint32_t classDimensions[16] = {};
    for (int c = 0; c <= maxClass && in.ok(); ++c) {
      classDimensions[c] = in.Read(3) + 1;
      const uint32_t subclasses = in.Read(2);
      if (subclasses != 0 && !BookIndex(in.Read(8), books, false, why, "a floor 1 class")) return false;
      for (uint32_t k = 0; k < (1u << subclasses) && in.ok(); ++k) {
        const uint32_t book = in.Read(8);
        if (book != 0 && !BookIndex(book - 1, books, false, why, "a floor 1 subclass")) return false;
      }
    }
    in.Read(2);  // multiplier
    const int rangeBits = static_cast<int>(in.Read(4));
    // The two ends, 0 and 2^rangeBits, then the listed positions; the decoder takes 65 at most.
    std::vector<uint32_t> xs = {0, 1u << rangeBits};
    for (uint32_t i = 0; i < partitions && in.ok(); ++i) {
      for (uint32_t k = 0; k < classDimensions[partitionClass[i]]; ++k) {
        if (xs.size() >= 65) return Fail(why, "a floor 1 with more than 65 positions");
        xs.push_back(in.Read(rangeBits));
      }
    }
    if (!in.ok()) return Fail(why, "the setup header ends inside a floor");
    // Two equal positions make a line of no width, which the decoder divides by.
    std::sort(xs.begin(), xs.end());
    if (std::adjacent_find(xs.begin(), xs.end()) != xs.end()) return Fail(why, "a floor 1 with two equal X positions");
  } else {
    return Fail(why, in.ok() ? "a floor of unknown type" : "the setup header ends inside a floor");
  }
  if (!in.ok()) return Fail(why, "the setup header ends inside a floor");
  return true;
}

bool ReadResidue(BitReader& in, const std::vector<Codebook>& books, std::string* why) {
  const uint32_t type = in.Read(16);
  if (type > 2) return Fail(why, in.ok() ? "a residue of unknown type" : "the setup header ends inside a residue");
  in.Read(24);  // begin
  in.Read(24);  // end
  in.Read(24);  // partition size - 1
  const uint32_t classifications = in.Read(6) + 1;
  const uint32_t classBook = in.Read(8);
  if (!in.ok()) return Fail(why, "the setup header ends inside a residue");
  if (!BookIndex(classBook, books, false, why, "a residue's classification")) return false;
  // Each entry of the classification book codes as many partitions as the book has dimensions;
  // the decoder divides the partitions of a block by that number.
  if (books[classBook].dimensions == 0) return Fail(why, "a residue's classification book of dimension zero");
  // One entry of the classification book codes one classification for each of its dimensions;
  // the decoder's table of those combinations has classifications^dimensions rows.
  if (PowerUpTo(classifications, books[classBook].dimensions, books[classBook].entries) >
      books[classBook].entries) {
    return Fail(why, "a residue with more classifications than its classification book can code");
  }
  uint32_t cascade[64] = {};
  for (uint32_t i = 0; i < classifications; ++i) {
    cascade[i] = in.Read(3);
    if (in.Read(1) != 0) cascade[i] |= in.Read(5) << 3;
  }
  for (uint32_t i = 0; i < classifications && in.ok(); ++i) {
    for (int stage = 0; stage < 8; ++stage) {
      if ((cascade[i] & (1u << stage)) == 0) continue;
      const uint32_t book = in.Read(8);
      if (!in.ok()) break;
      if (!BookIndex(book, books, true, why, "a residue stage")) return false;
    }
  }
  if (!in.ok()) return Fail(why, "the setup header ends inside a residue");
  return true;
}

bool ReadMapping(BitReader& in, int channels, uint32_t floors, uint32_t residues, std::string* why) {
  if (in.Read(16) != 0) return Fail(why, "a mapping of unknown type");
  const uint32_t submaps = in.Read(1) != 0 ? in.Read(4) + 1 : 1;
  if (in.Read(1) != 0) {
    const uint32_t steps = in.Read(8) + 1;
    const int bits = ILog(static_cast<uint64_t>(channels - 1));
    for (uint32_t i = 0; i < steps && in.ok(); ++i) {
      const uint32_t magnitude = in.Read(bits);
      const uint32_t angle = in.Read(bits);
      if (in.ok() && (magnitude == angle || magnitude >= static_cast<uint32_t>(channels) ||
                      angle >= static_cast<uint32_t>(channels))) {
        return Fail(why, "a mapping couples channels that do not exist");
      }
    }
  }
  if (in.Read(2) != 0) return Fail(why, "a mapping with its reserved bits set");
  if (submaps > 1) {
    for (int c = 0; c < channels && in.ok(); ++c) {
      if (in.Read(4) >= submaps) return Fail(why, "a mapping sends a channel to a submap that does not exist");
    }
  }
  for (uint32_t i = 0; i < submaps && in.ok(); ++i) {
    in.Read(8);  // unused time configuration
    const uint32_t floor = in.Read(8);
    const uint32_t residue = in.Read(8);
    if (in.ok() && (floor >= floors || residue >= residues)) {
      return Fail(why, "a mapping names a floor or residue that does not exist");
    }
  }
  if (!in.ok()) return Fail(why, "the setup header ends inside a mapping");
  return true;
}

}  // namespace

bool ParseVorbisIdentification(const uint8_t* packet, size_t size, VorbisIdentification* out, std::string* why) {
  if (!IsHeader(packet, size, 1)) return Fail(why, "not a Vorbis identification header");
  ByteReader r(packet + 7, size - 7);
  const uint32_t version = r.U32();
  const int channels = r.U8();
  const uint32_t rate = r.U32();
  r.Skip(12);  // bit rates
  const uint8_t sizes = r.U8();
  const uint8_t framing = r.U8();
  if (!r.ok()) return Fail(why, "a short identification header");
  if (version != 0) return Fail(why, "a Vorbis version other than 0");
  if (channels < 1 || rate == 0) return Fail(why, "no channels or no sample rate");
  const int small = sizes & 15, large = sizes >> 4;
  if (small < 6 || large > 13 || small > large) return Fail(why, "block sizes outside 64 to 8192 samples");
  if ((framing & 1) == 0) return Fail(why, "an identification header without its framing bit");
  if (out) *out = VorbisIdentification{channels, rate, 1 << small, 1 << large};
  return true;
}

bool ParseVorbisSetup(const uint8_t* packet, size_t size, int channels, std::string* why) {
  if (!IsHeader(packet, size, 5)) return Fail(why, "not a Vorbis setup header");
  if (channels < 1) return Fail(why, "no channels");
  BitReader in(packet + 7, size - 7);

  std::vector<Codebook> books(in.Read(8) + 1);
  for (Codebook& book : books) {
    if (!ReadCodebook(in, book, why)) return false;
  }
  const uint32_t times = in.Read(6) + 1;
  for (uint32_t i = 0; i < times; ++i) {
    if (in.Read(16) != 0) return Fail(why, in.ok() ? "a time-domain value other than 0" : "the setup header ends early");
  }
  const uint32_t floors = in.Read(6) + 1;
  for (uint32_t i = 0; i < floors; ++i) {
    if (!ReadFloor(in, books, why)) return false;
  }
  const uint32_t residues = in.Read(6) + 1;
  for (uint32_t i = 0; i < residues; ++i) {
    if (!ReadResidue(in, books, why)) return false;
  }
  const uint32_t mappings = in.Read(6) + 1;
  for (uint32_t i = 0; i < mappings; ++i) {
    if (!ReadMapping(in, channels, floors, residues, why)) return false;
  }
  const uint32_t modes = in.Read(6) + 1;
  for (uint32_t i = 0; i < modes && in.ok(); ++i) {
    in.Read(1);  // block flag
    const uint32_t window = in.Read(16);
    const uint32_t transform = in.Read(16);
    const uint32_t mapping = in.Read(8);
    if (in.ok() && (window != 0 || transform != 0 || mapping >= mappings)) {
      return Fail(why, "a mode with an unknown window or transform, or a mapping that does not exist");
    }
  }
  if (in.Read(1) != 1) return Fail(why, in.ok() ? "a setup header without its framing bit" : "the setup header ends early");
  return true;
}

namespace {

// Vorbis streams gathered at once, and the bytes of pages held for their headers: far beyond any
// real file, and a bound on what a hostile one can make the check keep.
constexpr size_t kMaxOpenStreams = 64;
constexpr size_t kMaxHeaderBytes = size_t{16} << 20;

// The header packets of one logical stream while they are gathered.
struct HeaderStream {
  explicit HeaderStream(int serial) { ogg_stream_init(&state, serial); }
  ~HeaderStream() { ogg_stream_clear(&state); }
  HeaderStream(const HeaderStream&) = delete;
  HeaderStream& operator=(const HeaderStream&) = delete;

  ogg_stream_state state;
  int packets = 0;  // header packets taken so far
  int channels = 0;
  size_t bytes = 0;
};

// Feeds the file through the same page synchronisation as the decoder: a stream whose first page
// opens with a Vorbis identification packet is a Vorbis stream, and its next two packets must be
// its comment and setup headers, without a gap.
class HeaderScan {
 public:
  HeaderScan() { ogg_sync_init(&sync_); }
  ~HeaderScan() { ogg_sync_clear(&sync_); }
  HeaderScan(const HeaderScan&) = delete;
  HeaderScan& operator=(const HeaderScan&) = delete;

  // Takes the next piece of the file; false once the file is refused.
  bool Feed(const uint8_t* data, size_t size) {
    while (size > 0 && !failed_) {
      const size_t n = std::min<size_t>(size, 65536);
      char* buffer = ogg_sync_buffer(&sync_, static_cast<long>(n));
      if (buffer == nullptr) return Refuse("out of memory");
      std::memcpy(buffer, data, n);
      ogg_sync_wrote(&sync_, static_cast<long>(n));
      data += n;
      size -= n;
      ogg_page page;
      long result;
      while (!failed_ && (result = ogg_sync_pageseek(&sync_, &page)) != 0) {
        if (result < 0) {
          consumed_ += static_cast<uint64_t>(-result);  // bytes that are no page, skipped
          continue;
        }
        consumed_ += static_cast<uint64_t>(result);
        pagesEnd_ = consumed_;
        TakePage(page);
      }
    }
    return !failed_;
  }

  // The file offset just past the last whole page found so far.
  uint64_t pagesEnd() const { return pagesEnd_; }

  bool Finish(std::string* why) {
    if (!failed_ && !open_.empty()) Refuse("the file ends before the headers of a Vorbis stream");
    if (!failed_ && vorbisStreams_ == 0) Refuse("no Vorbis stream");
    if (failed_) return Fail(why, why_);
    return true;
  }

 private:
  bool Refuse(const std::string& why) {
    if (!failed_) why_ = why;
    failed_ = true;
    return false;
  }

  void TakePage(ogg_page& page) {
    const int serial = ogg_page_serialno(&page);
    // A first-page flag on a stream that is still gathering its headers is passed over, as the
    // decoder does; otherwise a stream starts (or starts again as a new link), a Vorbis stream
    // only when the page itself holds a complete identification packet.
    if (ogg_page_bos(&page) && open_.count(serial) == 0) {
      auto stream = std::make_unique<HeaderStream>(serial);
      ogg_stream_pagein(&stream->state, &page);
      ogg_packet packet;
      if (ogg_stream_packetout(&stream->state, &packet) != 1 || !IsHeader(packet.packet, static_cast<size_t>(packet.bytes), 1)) return;
      VorbisIdentification id;
      std::string why;
      if (!ParseVorbisIdentification(packet.packet, static_cast<size_t>(packet.bytes), &id, &why)) {
        Refuse(why);
        return;
      }
      if (open_.size() >= kMaxOpenStreams) {
        Refuse("too many Vorbis streams at once");
        return;
      }
      stream->packets = 1;
      stream->channels = id.channels;
      stream->bytes = page.header_len + page.body_len;
      heldBytes_ += stream->bytes;
      HeaderStream& s = *stream;
      open_[serial] = std::move(stream);
      TakePackets(s, serial);
      return;
    }
    const auto it = open_.find(serial);
    if (it == open_.end()) return;  // audio, or a stream that is not Vorbis
    HeaderStream& s = *it->second;
    const size_t bytes = static_cast<size_t>(page.header_len + page.body_len);
    s.bytes += bytes;
    heldBytes_ += bytes;
    if (heldBytes_ > kMaxHeaderBytes) {
      Refuse("Vorbis headers too large");
      return;
    }
    ogg_stream_pagein(&s.state, &page);
    TakePackets(s, serial);
  }

  void TakePackets(HeaderStream& s, int serial) {
    ogg_packet packet;
    for (;;) {
      const int result = ogg_stream_packetout(&s.state, &packet);
      if (result == 0) return;
      if (result < 0) {
        Refuse("a gap in the headers of a Vorbis stream");
        return;
      }
      std::string why;
      if (s.packets == 1) {
        if (!IsHeader(packet.packet, static_cast<size_t>(packet.bytes), 3)) {
          Refuse("a Vorbis stream without its comment header");
          return;
        }
        s.packets = 2;
        continue;
      }
      if (!ParseVorbisSetup(packet.packet, static_cast<size_t>(packet.bytes), s.channels, &why)) {
        Refuse(why);
        return;
      }
      ++vorbisStreams_;
      DropStream(serial);  // s is gone
      return;
    }
  }

  void DropStream(int serial) {
    const auto it = open_.find(serial);
    if (it == open_.end()) return;
    heldBytes_ -= it->second->bytes;
    open_.erase(it);
  }

  ogg_sync_state sync_;
  std::map<int, std::unique_ptr<HeaderStream>> open_;  // Vorbis streams still gathering headers
  size_t heldBytes_ = 0;
  int vorbisStreams_ = 0;
  uint64_t consumed_ = 0;
  uint64_t pagesEnd_ = 0;
  bool failed_ = false;
  std::string why_;
};

}  // namespace

bool CheckOggVorbisImage(const uint8_t* bytes, size_t size, std::string* why) {
  HeaderScan scan;
  scan.Feed(bytes, size);
  return scan.Finish(why);
}

bool CheckOggVorbisFile(const std::string& path, std::string* why, uint64_t* pagesEnd) {
  FILE* f = OpenRegularDataFile(path);
  if (!f) return Fail(why, "cannot open the file, or it is not a regular file");
  HeaderScan scan;
  std::vector<uint8_t> piece(65536);
  bool readError = false;
  for (;;) {
    const size_t n = std::fread(piece.data(), 1, piece.size(), f);
    if (n == 0) {
      readError = std::ferror(f) != 0;
      break;
    }
    if (!scan.Feed(piece.data(), n)) break;
  }
  std::fclose(f);
  if (readError) return Fail(why, "cannot read the file");
  if (pagesEnd) *pagesEnd = scan.pagesEnd();
  return scan.Finish(why);
}

size_t RewriteOggPageChecksums(uint8_t* bytes, size_t size) {
  size_t pages = 0;
  size_t pos = 0;
  while (size - pos >= 27) {
    if (std::memcmp(bytes + pos, "OggS", 4) == 0) {
      const size_t headerBytes = 27 + size_t{bytes[pos + 26]};
      if (headerBytes <= size - pos) {
        size_t bodyBytes = 0;
        for (size_t i = 27; i < headerBytes; ++i) bodyBytes += bytes[pos + i];
        if (bodyBytes <= size - pos - headerBytes) {
          ogg_page page;
          page.header = bytes + pos;
          page.header_len = static_cast<long>(headerBytes);
          page.body = bytes + pos + headerBytes;
          page.body_len = static_cast<long>(bodyBytes);
          ogg_page_checksum_set(&page);
          ++pages;
          pos += headerBytes + bodyBytes;
          continue;
        }
      }
    }
    const void* next = memmem(bytes + pos + 1, size - pos - 1, "OggS", 4);
    if (next == nullptr) break;
    pos = static_cast<size_t>(static_cast<const uint8_t*>(next) - bytes);
  }
  return pages;
}
