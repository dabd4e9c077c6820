// Runs the same scenes in this library, Bullet and ODE (with the comparison's settings and at its
// own defaults) and prints the cost per body-step and peak memory of driven spheres on a terrain,
// and the settling of two box stacks: time to sleep, cost per step while awake, drift and sinking,
// with the ratios against this library. Each figure of cost is the best and the median of several
// runs that alternate the engines.
//
//   physics_compare [--quick] [--runs N] [--ours-only] [--no-large]
//
// --quick: few frames, for a smoke run. --runs N: rounds of the alternating runs (5). --ours-only:
// this library alone (to set a build beside another). --no-large: leave out 5,000 and 10,000 bodies.
#include <ode/ode.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/physics_compare/scenes.h"

using namespace compare;

namespace {

// A field of /proc/self/status in kB, or -1.
long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t len = std::strlen(field);
  while (std::getline(in, line)) {
    if (line.compare(0, len, field) == 0 && line.size() > len && line[len] == ':') return std::atol(line.c_str() + len + 1);
  }
  return -1;
}

struct SphereRun {
  SphereResult r;
  double peakMb = -1.0;  // resident memory the run added at its peak
};

// Runs one sphere scene in a child process, so that its peak memory is its own.
SphereRun RunSpheresApart(const Engine& e, const Mesh& ground, float half, const std::vector<Point>& starts,
                          int frames) {
  SphereRun out;
  int fds[2];
  if (pipe(fds) != 0) return out;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    // Start the high-water mark afresh: the child inherits the parent's.
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
      std::fputs("5", f);
      std::fclose(f);
    }
    const long before = StatusKb("VmRSS");
    SphereRun run;
    run.r = e.spheres(ground, half, starts, frames, e.settings);
    const long peak = StatusKb("VmHWM");
    if (before >= 0 && peak >= 0) run.peakMb = (peak - before) / 1024.0;
    const ssize_t n = write(fds[1], &run, sizeof run);
    _exit(n == static_cast<ssize_t>(sizeof run) ? 0 : 1);
  }
  close(fds[1]);
  if (pid > 0) {
    if (read(fds[0], &out, sizeof out) != static_cast<ssize_t>(sizeof out)) out = SphereRun();
    waitpid(pid, nullptr, 0);
  }
  close(fds[0]);
  return out;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0.0 : (n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]));
}
double Best(const std::vector<double>& v) { return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end()); }

void SphereScene(const std::vector<Engine>& engines, const Mesh& ground, float half, const std::vector<int>& counts,
                 int framesSmall, int framesLarge, int runs) {
  std::printf("%6s %-14s %12s %12s %9s %9s %9s %6s\n", "N", "engine", "best us/bs", "median us/bs", "vs ours",
              "frames", "peak MB", "lost");
  for (int n : counts) {
    const int frames = n >= 2000 ? framesLarge : framesSmall;
    const std::vector<Point> starts = SphereStarts(n);
    std::vector<std::vector<double>> us(engines.size());
    std::vector<SphereRun> last(engines.size());
    for (int round = 0; round < runs; ++round) {
      for (size_t e = 0; e < engines.size(); ++e) {
        last[e] = RunSpheresApart(engines[e], ground, half, starts, frames);
        if (last[e].r.bodySteps > 0) us[e].push_back(last[e].r.seconds * 1e6 / static_cast<double>(last[e].r.bodySteps));
      }
    }
    const double ours = Median(us[0]);
    for (size_t e = 0; e < engines.size(); ++e) {
      const SphereRun& r = last[e];
      std::printf("%6d %-14s %12.3f %12.3f %8.2fx %9d %9.1f %6d%s\n", n, engines[e].name, Best(us[e]), Median(us[e]),
                  Median(us[e]) / ours, frames, r.peakMb, r.r.lost, r.r.finite ? "" : " NaN");
      std::fflush(stdout);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = false, oursOnly = false, large = true;
  int runs = 5;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      quick = true;
    } else if (std::strcmp(argv[i], "--ours-only") == 0) {
      oursOnly = true;
    } else if (std::strcmp(argv[i], "--no-large") == 0) {
      large = false;
    } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: %s [--quick] [--runs N] [--ours-only] [--no-large]\n", argv[0]);
      return 2;
    }
  }
  if (quick) runs = 1;
  dInitODE2(0);
  std::vector<Engine> engines = {OurEngine()};
  if (!oursOnly) {
    engines.push_back(BulletEngine());
    // As set for this comparison (the game's 4 sweeps, 4 contact points), and at ODE's own defaults.
    engines.push_back(OdeEngine("ODE 4/4", kIterations, 4));
    engines.push_back(OdeEngine("ODE 20/8", 20, 8));
  }
  std::printf("Cost figures: best and median of %d runs alternating the engines; ODE a/b = a solver iterations, "
              "at most b contacts per pair.\n\n",
              runs);

  const Mesh ground = Heightfield(100, 110.0f);
  std::printf("Scene 1: spheres of diameter 2.5 on a %d-triangle heightfield, gravity 4, step %.5f s, %d solver "
              "iterations\n",
              ground.TriangleCount(), kStepTime, kIterations);
  SphereScene(engines, ground, 110.0f, {50, 500, 2000}, quick ? 20 : 300, quick ? 20 : 150, runs);
  if (large) {
    const Mesh wide = Heightfield(200, 220.0f);
    std::printf("\nScene 1b: the same on a %d-triangle heightfield twice as wide (one run)\n", wide.TriangleCount());
    SphereScene(engines, wide, 220.0f, {5000, 10000}, quick ? 5 : 40, quick ? 5 : 40, 1);
  }

  const Mesh floor = Floor(50.0f);
  const int frames = quick ? 100 : 536;  // 15 s
  struct StackScene {
    const char* name;
    std::vector<Point> boxes;
  } scenes[2] = {{"10-box tower", Tower(10)}, {"5x5 pyramid", Pyramid(5)}};
  for (const StackScene& s : scenes) {
    std::printf("\nScene 2: %s (%zu unit boxes, friction 0.5, restitution 0.1), %.1f s. Awake: the first %d steps; "
                "drift: largest horizontal move of any box at any time; sink: deepest box below its settled "
                "height at the end\n",
                s.name, s.boxes.size(), frames * kFrameTime, kAwakeSteps);
    std::printf("%-14s %9s %13s %13s %8s %12s %8s %8s %8s %6s\n", "engine", "rest at s", "best us/awake",
                "median us/aw", "vs ours", "us/step all", "vs ours", "drift", "sink", "awake");
    std::vector<std::vector<double>> awake(engines.size()), all(engines.size());
    std::vector<StackResult> last(engines.size());
    for (int round = 0; round < runs; ++round) {
      for (size_t e = 0; e < engines.size(); ++e) {
        last[e] = engines[e].stack(floor, s.boxes, frames, engines[e].settings);
        awake[e].push_back(last[e].awakeSeconds * 1e6 / std::min(kAwakeSteps, std::max(1, last[e].steps)));
        all[e].push_back(last[e].seconds * 1e6 / std::max(1, last[e].steps));
      }
    }
    const double oursAwake = Median(awake[0]), oursAll = Median(all[0]);
    for (size_t e = 0; e < engines.size(); ++e) {
      const StackResult& r = last[e];
      char rest[32];
      if (r.restStep < 0) {
        std::snprintf(rest, sizeof rest, "never");
      } else {
        std::snprintf(rest, sizeof rest, "%.2f", r.restStep * kStepTime);
      }
      std::printf("%-14s %9s %13.2f %13.2f %7.2fx %12.2f %7.2fx %8.4f %8.4f %6d%s\n", engines[e].name, rest,
                  Best(awake[e]), Median(awake[e]), Median(awake[e]) / oursAwake, Median(all[e]),
                  Median(all[e]) / oursAll, r.drift, r.sink, r.awakeAtEnd, r.finite ? "" : " NaN");
      std::fflush(stdout);
    }
  }
  dCloseODE();
  return 0;
}
