#include "e2e_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::vector<unsigned char> out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<unsigned char>(c));
  std::fclose(f);
  return out;
}

void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string MakeRunDirectory(const std::string& name) {
  const std::string dir = std::string(DUN_BINARY_DIR) + "/e2e-runs/" + name;
  std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "/base'").c_str());
  const std::string data = DUN_DATA_DIR;
  if (access((data + "/textures").c_str(), F_OK) == 0) symlink((data + "/textures").c_str(), (dir + "/textures").c_str());
  if (DIR* d = opendir((data + "/base").c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n == "." || n == "..") continue;
      const std::string from = data + "/base/" + n, to = dir + "/base/" + n;
      if (n == "menu.inf" || n == "career.inf") WriteFileBytes(to, ReadFileBytes(from));
      else symlink(from.c_str(), to.c_str());
    }
    closedir(d);
  }
  return dir;
}
