// The Vorbis header check on hand-built streams: a small valid setup header is accepted, and each
// value that makes the system decoder crash or hang while it decodes is refused with its reason.
#include <gtest/gtest.h>

#include <ogg/ogg.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/formats/ogg_vorbis_file.h"

namespace {

// Writes bits least significant first, as Vorbis packets hold them.
class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i, ++bit_) {
      if (bit_ % 8 == 0) bytes.push_back(0);
      if ((value >> i) & 1u) bytes.back() |= static_cast<uint8_t>(1u << (bit_ % 8));
    }
  }
  void Text(const char* s) {
    for (; *s; ++s) Put(static_cast<uint8_t>(*s), 8);
  }
  std::vector<uint8_t> bytes;

 private:
  size_t bit_ = 0;
};

struct Book {
  uint32_t dimensions = 1;
  std::vector<uint32_t> lengths = {1, 2, 3, 3};  // a complete code
  bool values = true;
};

// A setup header for one channel: books, one floor 1, one residue 2, one mapping, one mode.
struct SetupHeader {
  std::vector<Book> books = {Book{}, Book{}};
  std::vector<uint32_t> floorXs = {5, 9};  // besides the ends 0 and 16
  uint32_t residueClassifications = 2;
  uint32_t classBook = 0;
  uint32_t stageBook = 1;
  uint32_t mappingFloor = 0;
  bool framing = true;

  std::vector<uint8_t> Packet() const {
    BitWriter w;
    w.Put(5, 8);
    w.Text("vorbis");
    w.Put(static_cast<uint32_t>(books.size() - 1), 8);
    for (const Book& b : books) {
      w.Put(0x564342, 24);
      w.Put(b.dimensions, 16);
      w.Put(static_cast<uint32_t>(b.lengths.size()), 24);
      w.Put(0, 1);  // not ordered
      w.Put(0, 1);  // not sparse
      for (uint32_t length : b.lengths) w.Put(length - 1, 5);
      w.Put(b.values ? 2 : 0, 4);
      if (b.values) {
        w.Put(0, 32);
        w.Put(0, 32);
        w.Put(3, 4);  // 4-bit values
        w.Put(0, 1);
        for (size_t i = 0; i < b.lengths.size() * b.dimensions; ++i) w.Put(static_cast<uint32_t>(i & 15), 4);
      }
    }
    w.Put(0, 6);
    w.Put(0, 16);  // one time-domain placeholder
    w.Put(0, 6);   // one floor: type 1, one partition of class 0
    w.Put(1, 16);
    w.Put(1, 5);
    w.Put(0, 4);
    w.Put(static_cast<uint32_t>(floorXs.size() - 1), 3);
    w.Put(0, 2);  // no subclasses
    w.Put(1, 8);  // subclass book 0
    w.Put(0, 2);
    w.Put(4, 4);  // positions of 4 bits
    for (uint32_t x : floorXs) w.Put(x, 4);
    w.Put(0, 6);  // one residue of type 2
    w.Put(2, 16);
    w.Put(0, 24);
    w.Put(64, 24);
    w.Put(7, 24);
    w.Put(residueClassifications - 1, 6);
    w.Put(classBook, 8);
    for (uint32_t c = 0; c < residueClassifications; ++c) {
      w.Put(1, 3);  // stage 0 only
      w.Put(0, 1);
    }
    for (uint32_t c = 0; c < residueClassifications; ++c) w.Put(stageBook, 8);
    w.Put(0, 6);  // one mapping
    w.Put(0, 16);
    w.Put(0, 1);
    w.Put(0, 1);
    w.Put(0, 2);
    w.Put(0, 8);
    w.Put(mappingFloor, 8);
    w.Put(0, 8);
    w.Put(0, 6);  // one mode
    w.Put(0, 1);
    w.Put(0, 16);
    w.Put(0, 16);
    w.Put(0, 8);
    w.Put(framing ? 1 : 0, 1);
    return w.bytes;
  }
};

std::vector<uint8_t> Identification(int channels, uint32_t rate, uint8_t blockSizes = 0xb8) {
  BitWriter w;
  w.Put(1, 8);
  w.Text("vorbis");
  w.Put(0, 32);
  w.Put(static_cast<uint32_t>(channels), 8);
  w.Put(rate, 32);
  for (int i = 0; i < 3; ++i) w.Put(0, 32);
  w.Put(blockSizes, 8);
  w.Put(1, 8);
  return w.bytes;
}

std::vector<uint8_t> Comment() {
  BitWriter w;
  w.Put(3, 8);
  w.Text("vorbis");
  w.Put(4, 32);
  w.Text("test");
  w.Put(0, 32);
  w.Put(1, 8);
  return w.bytes;
}

// The packets laid out in Ogg pages of one stream, each packet flushed to a page of its own.
std::vector<uint8_t> OggFile(const std::vector<std::vector<uint8_t>>& packets, int serial = 7) {
  ogg_stream_state os;
  ogg_stream_init(&os, serial);
  std::vector<uint8_t> out;
  for (size_t i = 0; i < packets.size(); ++i) {
    ogg_packet p{};
    std::vector<uint8_t> copy = packets[i];
    p.packet = copy.data();
    p.bytes = static_cast<long>(copy.size());
    p.b_o_s = i == 0;
    p.e_o_s = i + 1 == packets.size();
    p.packetno = static_cast<ogg_int64_t>(i);
    ogg_stream_packetin(&os, &p);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0) {
      out.insert(out.end(), page.header, page.header + page.header_len);
      out.insert(out.end(), page.body, page.body + page.body_len);
    }
  }
  ogg_stream_clear(&os);
  return out;
}

std::string SetupWhy(const SetupHeader& s) {
  const auto packet = s.Packet();
  std::string why;
  return ParseVorbisSetup(packet.data(), packet.size(), 1, &why) ? "" : why;
}

TEST(OggVorbisHeaderCheckTest, RefusesEverySetupValueThatBreaksTheDecoder) {
  ASSERT_EQ(SetupWhy(SetupHeader{}), "");

  const struct {
    const char* what;
    std::function<void(SetupHeader&)> change;
    const char* why;
  } cases[] = {
      {"classification book of dimension 0",
       [](SetupHeader& s) {
         s.books[0].dimensions = 0;
         s.books[0].values = false;
       },
       "classification book of dimension zero"},
      {"stage book of dimension 0", [](SetupHeader& s) { s.books[1].dimensions = 0; }, "dimension zero with values"},
      {"lengths that leave the code incomplete", [](SetupHeader& s) { s.books[1].lengths = {1, 2, 3}; }, "incomplete"},
      {"lengths that overfill the code", [](SetupHeader& s) { s.books[1].lengths = {1, 2, 2, 3}; }, "more codewords"},
      {"one entry longer than 1 bit", [](SetupHeader& s) { s.books[0].lengths = {2}; s.residueClassifications = 1; },
       "incomplete"},
      {"stage book without values", [](SetupHeader& s) { s.books[1].values = false; }, "without values"},
      {"two equal floor positions", [](SetupHeader& s) { s.floorXs = {5, 5}; }, "equal X"},
      {"floor position on an end", [](SetupHeader& s) { s.floorXs = {0, 9}; }, "equal X"},
      {"more classifications than the book codes", [](SetupHeader& s) { s.residueClassifications = 5; },
       "more classifications"},
      {"missing stage book", [](SetupHeader& s) { s.stageBook = 2; }, "does not exist"},
      {"missing floor", [](SetupHeader& s) { s.mappingFloor = 1; }, "does not exist"},
      {"no framing bit", [](SetupHeader& s) { s.framing = false; }, "framing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetupHeader s;
    c.change(s);
    EXPECT_NE(SetupWhy(s).find(c.why), std::string::npos) << SetupWhy(s);
  }
  // One used entry of length 1 is the decoder's one exception to a complete code, and a book of
  // dimension zero that is only read for single numbers does no harm.
  SetupHeader single;
  single.books[0].lengths = {1};
  single.residueClassifications = 1;
  single.books.push_back(Book{0, {1, 1}, false});
  EXPECT_EQ(SetupWhy(single), "");

  // Every shortened packet is refused, reading nothing past its end (the sanitizer build checks).
  const auto packet = SetupHeader{}.Packet();
  for (size_t n = 0; n < packet.size(); ++n) {
    std::vector<uint8_t> cut(packet.begin(), packet.begin() + static_cast<long>(n));
    EXPECT_FALSE(ParseVorbisSetup(cut.data(), cut.size(), 1)) << n;
  }
}

TEST(OggVorbisHeaderCheckTest, FindsTheHeadersOfEveryStreamThroughThePages) {
  const auto id = Identification(1, 22050);
  const auto good = OggFile({id, Comment(), SetupHeader{}.Packet(), {0x00, 0x01}});
  std::string why;
  EXPECT_TRUE(CheckOggVorbisImage(good.data(), good.size(), &why)) << why;
  VorbisIdentification info;
  ASSERT_TRUE(ParseVorbisIdentification(id.data(), id.size(), &info));
  EXPECT_EQ(info.channels, 1);
  EXPECT_EQ(info.rate, 22050u);
  EXPECT_EQ(info.blockSize0, 256);
  EXPECT_EQ(info.blockSize1, 2048);

  SetupHeader broken;
  broken.books[0].dimensions = 0;
  const auto bad = OggFile({id, Comment(), broken.Packet()}, 9);
  const auto expectRefused = [](const std::vector<uint8_t>& file, const char* reason) {
    std::string w;
    EXPECT_FALSE(CheckOggVorbisImage(file.data(), file.size(), &w));
    EXPECT_NE(w.find(reason), std::string::npos) << w;
  };
  expectRefused(bad, "dimension zero");
  // A later link of a chained file is decoded too, and checked too.
  std::vector<uint8_t> chained = good;
  chained.insert(chained.end(), bad.begin(), bad.end());
  expectRefused(chained, "dimension zero");
  // The broken setup page hidden behind a damaged checksum is skipped like the decoder skips it,
  // leaving a stream whose headers never complete.
  std::vector<uint8_t> skipped = bad;
  skipped[skipped.size() - 1] ^= 0x01;
  expectRefused(skipped, "ends before the headers");
  // ... and once the checksums are made right again, the broken header is found.
  EXPECT_EQ(RewriteOggPageChecksums(skipped.data(), skipped.size()), 3u);
  EXPECT_FALSE(CheckOggVorbisImage(skipped.data(), skipped.size()));
  expectRefused(OggFile({id, SetupHeader{}.Packet()}), "comment header");
  expectRefused(OggFile({Identification(1, 22050, 0x5b), Comment(), SetupHeader{}.Packet()}), "block sizes");
  expectRefused(OggFile({Identification(0, 22050), Comment(), SetupHeader{}.Packet()}), "no channels");
  expectRefused(std::vector<uint8_t>(5000, 'x'), "no Vorbis stream");
}

}  // namespace
