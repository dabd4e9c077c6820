// Bounds-checked little-endian reading and writing of binary data files, one word at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Reads little-endian words from a byte buffer. Every read checks the remaining length; a read
// past the end returns zero, leaves the position at the end and clears ok(), so a parser can read
// a whole record and check once.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit ByteReader(const std::vector<uint8_t>& v) : data_(v.data()), size_(v.size()) {}

  bool ok() const { return ok_; }
  size_t position() const { return pos_; }
  size_t size() const { return size_; }
  size_t remaining() const { return size_ - pos_; }
  bool Seek(size_t pos);
  bool Skip(size_t n);

  uint8_t U8();
  uint16_t U16();
  int16_t I16() { return static_cast<int16_t>(U16()); }
  uint32_t U32();
  int32_t I32() { return static_cast<int32_t>(U32()); }
  float F32();
  // Copies n bytes into out; on a short buffer copies nothing, zero-fills out and fails.
  bool Bytes(void* out, size_t n);
  // Reads a fixed-size name field of n bytes into a string that stops at the first NUL (the field
  // need not be terminated).
  std::string FixedString(size_t n);

 private:
  bool Need(size_t n);
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// Appends little-endian words to a byte vector.
class ByteWriter {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v);
  void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
  void U32(uint32_t v);
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F32(float v);
  void Bytes(const void* data, size_t n);
  // Writes s into a field of exactly n bytes, NUL-padded and truncated to fit.
  void FixedString(const std::string& s, size_t n);
  // Overwrites the four bytes at `at`; nothing when they do not all lie inside the bytes written.
  void PatchU32(size_t at, uint32_t v);

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t>& bytes() { return bytes_; }
  size_t size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};

// Data paths may be written with '\' separators; they become '/'.
std::string DataPath(const std::string& path);

// Opens a data file for reading when it is a regular file, else null (a named pipe, a directory or
// a device is treated as missing). The open never waits, as it would on a pipe without a writer, and
// the kind is checked on the opened file itself, so nothing swapped in after a check gets through.
FILE* OpenRegularDataFile(const std::string& path);

// The most a file the program writes for itself (settings, career) is read to: far above their
// few words, so a huge file in their place is refused at once.
constexpr size_t kMaxOwnFileBytes = 4096;

// Reads a whole regular file; false when it is missing, not a regular file, unreadable or larger
// than maxBytes (why then says which of the last two, when given).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, size_t maxBytes = size_t(1) << 30,
                   std::string* why = nullptr);

// Writes a whole file through a temporary file and a rename, so a failed write never leaves a
// truncated file behind. Creates missing parent directories when makeDirs is set. False when the
// file could not be written, with the system's reason in why when given.
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, bool makeDirs = false,
                    std::string* why = nullptr);

// Creates a directory and its parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path);
