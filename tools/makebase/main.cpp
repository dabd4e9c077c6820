#include <chrono>
#include <cstdio>

#include "engine/formats/binary_io.h"
#include "tools/makebase/makebase.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: makebase OUTDIR\n");
    return 2;
  }
  const std::string out = argv[1];
  if (!MakeDirectories(out + "/base")) {
    std::fprintf(stderr, "makebase: cannot create %s/base\n", out.c_str());
    return 1;
  }
  struct Step {
    const char* name;
    bool (*run)(const std::string&);
  };
  const Step steps[] = {
      {"settings", makebase::WriteSettingsFiles}, {"pictures", makebase::WritePictures},
      {"sounds", makebase::WriteSounds},          {"models", makebase::WriteModels},
      {"maps", makebase::WriteMaps},              {"characters", makebase::WriteCharacters},
      {"fuzz seeds", makebase::WriteFuzzSeeds},
  };
  for (const Step& s : steps) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!s.run(out)) {
      std::fprintf(stderr, "makebase: writing the %s failed\n", s.name);
      return 1;
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("makebase: %-10s %8.1f ms\n", s.name, ms);
  }
  return 0;
}
