// Ogg Vorbis files: the check of every Vorbis stream's headers made before a file is handed to
// the decoding library. The library accepts setup headers whose values later make it divide by
// zero or loop without end while it decodes audio (a residue classification book of dimension
// zero, a floor with two equal X positions, ...); such a file is refused here instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The values of a Vorbis identification header.
struct VorbisIdentification {
  int channels = 0;
  uint32_t rate = 0;
  int blockSize0 = 0;  // samples of a short block
  int blockSize1 = 0;  // samples of a long block
};

// Reads an identification header packet (type 1). False, with the reason in why, unless it is
// version 0 with at least one channel, a rate above zero, block sizes of 64 to 8192 samples with
// the short one not above the long one, and the framing bit set.
bool ParseVorbisIdentification(const uint8_t* packet, size_t size, VorbisIdentification* out,
                               std::string* why = nullptr);

// Reads a setup header packet (type 5) of a stream with the given channel count: codebooks,
// time-domain placeholders, floors, residues, mappings and modes, every value inside the packet
// and every reference to a book, floor, residue or mapping that exists. Beyond the layout it
// refuses what the decoder cannot decode safely: codeword lengths that do not make a complete
// code (one entry of length 1 aside), a value table or a residue classification book of
// dimension zero, a codebook whose dimension and entry count together need more than 24 bits, a
// book read as vectors (floor 0, residue stages) without a value table, a residue whose
// classifications cannot all be coded by its classification book, and a floor 1 with two equal
// X positions.
bool ParseVorbisSetup(const uint8_t* packet, size_t size, int channels, std::string* why = nullptr);

// Walks the Ogg pages of a whole file image the way the decoder's page reader does (bytes that do
// not form a page with a correct checksum are skipped) and checks the three header packets of
// every logical stream that starts with a Vorbis identification header. False, with the reason in
// why, when a Vorbis stream's headers are invalid, incomplete or interrupted, or when the file
// holds no Vorbis stream at all.
bool CheckOggVorbisImage(const uint8_t* bytes, size_t size, std::string* why = nullptr);
// The same check on a regular file, read in pieces; false when it does not open. pagesEnd, when
// given, receives the offset just past the file's last whole page: what follows is no Ogg data.
bool CheckOggVorbisFile(const std::string& path, std::string* why = nullptr, uint64_t* pagesEnd = nullptr);

// Recomputes the checksum of every whole page found from the start of the image (after bytes that
// do not start a page, the search goes on at the next capture pattern). Returns the pages
// rewritten. Tests and the fuzzer use it to make altered files that the page reader still takes.
size_t RewriteOggPageChecksums(uint8_t* bytes, size_t size);
