#include "engine/formats/data_file_report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/formats/binary_io.h"

namespace {

std::string Fault(const std::string& path, const std::string& loaderReason) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return "missing";
    return std::string("unreadable (") + std::strerror(errno) + ")";
  }
  if (S_ISDIR(st.st_mode)) return "unreadable (a directory)";
  // Opening a pipe or a device could block or have effects: only regular files are tried.
  if (!S_ISREG(st.st_mode)) return "unreadable (not a regular file)";
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return std::string("unreadable (") + std::strerror(errno) + ")";
  ::close(fd);
  return loaderReason.empty() ? "refused as corrupt" : "refused as corrupt (" + loaderReason + ")";
}

}  // namespace

void ReportDataFileNotLoaded(const std::string& path, const std::string& loaderReason) {
  const std::string p = DataPath(path);
  std::fprintf(stderr, "Cannot load %s: %s\n", p.c_str(), Fault(p, loaderReason).c_str());
}

void ReportOwnFileNotLoaded(const std::string& path, const std::string& loaderReason) {
  const std::string p = DataPath(path);
  const std::string fault = Fault(p, loaderReason);
  if (fault != "missing") std::fprintf(stderr, "Cannot load %s: %s\n", p.c_str(), fault.c_str());
}

void ReportDataFileNotSaved(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "Could not write %s: %s\n", DataPath(path).c_str(), reason.c_str());
}
