#include "engine/formats/binary_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool ByteReader::Need(size_t n) {
  if (!ok_ || n > size_ - pos_) {
    ok_ = false;
    pos_ = size_;
    return false;
  }
  return true;
}

bool ByteReader::Seek(size_t pos) {
  if (pos > size_) {
    ok_ = false;
    pos_ = size_;
    return false;
  }
  pos_ = pos;
  return ok_;
}

bool ByteReader::Skip(size_t n) {
  if (!Need(n)) return false;
  pos_ += n;
  return true;
}

uint8_t ByteReader::U8() {
  if (!Need(1)) return 0;
  return data_[pos_++];
}

uint16_t ByteReader::U16() {
  if (!Need(2)) return 0;
  const uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
  pos_ += 2;
  return v;
}

uint32_t ByteReader::U32() {
  if (!Need(4)) return 0;
  const uint32_t v = static_cast<uint32_t>(data_[pos_]) | (static_cast<uint32_t>(data_[pos_ + 1]) << 8) |
                     (static_cast<uint32_t>(data_[pos_ + 2]) << 16) |
                     (static_cast<uint32_t>(data_[pos_ + 3]) << 24);
  pos_ += 4;
  return v;
}

float ByteReader::F32() {
  const uint32_t bits = U32();
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

bool ByteReader::Bytes(void* out, size_t n) {
  if (!Need(n)) {
    if (n) std::memset(out, 0, n);
    return false;
  }
  if (n) std::memcpy(out, data_ + pos_, n);
  pos_ += n;
  return true;
}

std::string ByteReader::FixedString(size_t n) {
  if (!Need(n)) return std::string();
  const char* p = reinterpret_cast<const char*>(data_ + pos_);
  size_t len = 0;
  while (len < n && p[len] != '\0') ++len;
  pos_ += n;
  return std::string(p, len);
}

void ByteWriter::U16(uint16_t v) {
  bytes_.push_back(static_cast<uint8_t>(v));
  bytes_.push_back(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::F32(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  U32(bits);
}

void ByteWriter::Bytes(const void* data, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + n);
}

void ByteWriter::FixedString(const std::string& s, size_t n) {
  for (size_t i = 0; i < n; ++i) bytes_.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
}

void ByteWriter::PatchU32(size_t at, uint32_t v) {
  // Written so that an offset near the top of size_t cannot wrap past the check.
  if (at > bytes_.size() || bytes_.size() - at < 4) return;
  for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::string DataPath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

FILE* OpenRegularDataFile(const std::string& path) {
  const int fd = ::open(DataPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  FILE* f = ::fdopen(fd, "rb");
  if (!f) ::close(fd);
  return f;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, size_t maxBytes, std::string* why) {
  out.clear();
  FILE* f = OpenRegularDataFile(path);
  if (!f) {
    if (why) *why = std::strerror(errno);
    return false;
  }
  bool good = true;
  uint8_t buf[65536];
  for (;;) {
    const size_t n = std::fread(buf, 1, sizeof buf, f);
    if (n == 0) break;
    if (out.size() + n > maxBytes) {
      if (why) *why = "larger than " + std::to_string(maxBytes) + " bytes";
      good = false;
      break;
    }
    out.insert(out.end(), buf, buf + n);
  }
  if (good && std::ferror(f)) {
    if (why) *why = std::strerror(errno);
    good = false;
  }
  std::fclose(f);
  if (!good) out.clear();
  return good;
}

bool MakeDirectories(const std::string& path) {
  std::string p = DataPath(path);
  if (p.empty()) return false;
  for (size_t i = 1; i <= p.size(); ++i) {
    if (i == p.size() || p[i] == '/') {
      const std::string part = p.substr(0, i);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return true;
  errno = ENOTDIR;  // something else stands where a folder is needed
  return false;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, bool makeDirs, std::string* why) {
  const std::string p = DataPath(path);
  const auto fail = [why]() {
    if (why) *why = std::strerror(errno);
    return false;
  };
  if (makeDirs) {
    const size_t slash = p.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(p.substr(0, slash))) return fail();
  }
  // A temporary name of this process's own, so two writers of one file never share it.
  static unsigned long sequence = 0;
  const std::string tmp = p + ".tmp." + std::to_string(static_cast<long>(getpid())) + "." + std::to_string(++sequence);
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return fail();
  bool good = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
  good = good && std::fflush(f) == 0;
  int error = good ? 0 : errno;
  if (std::fclose(f) != 0 && good) {
    good = false;
    error = errno;
  }
  if (good && std::rename(tmp.c_str(), p.c_str()) != 0) {
    good = false;
    error = errno;
  }
  if (!good) {
    std::remove(tmp.c_str());
    errno = error;
    return fail();
  }
  return true;
}
