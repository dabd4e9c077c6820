// Runs the same scenes in this library, Bullet and ODE and prints the cost per body-step, the
// settling of two box stacks and the ratios against this library.
#include <ode/ode.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/physics_compare/scenes.h"

using namespace compare;

int main(int argc, char** argv) {
  // --quick: fewer frames, for a smoke run.
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  dInitODE2(0);
  const Engine engines[3] = {OurEngine(), BulletEngine(), OdeEngine()};
  const Mesh ground = Heightfield(100, 110.0f);
  std::printf("Scene 1: spheres of diameter 2.5 on a %d-triangle heightfield, gravity 4, step %.5f s, %d solver "
              "iterations\n",
              ground.TriangleCount(), kStepTime, kIterations);
  std::printf("%6s %-14s %12s %12s %6s\n", "N", "engine", "us/body-step", "vs ours", "lost");
  for (int n : {50, 500, 2000}) {
    const int frames = quick ? 20 : (n >= 2000 ? 150 : 300);
    const std::vector<Point> starts = SphereStarts(n);
    double ours = 0.0;
    for (const Engine& e : engines) {
      const SphereResult r = e.spheres(ground, starts, frames);
      const double us = r.seconds * 1e6 / static_cast<double>(r.bodySteps);
      if (&e == &engines[0]) ours = us;
      std::printf("%6d %-14s %12.3f %11.2fx %6d%s\n", n, e.name, us, us / ours, r.lost, r.finite ? "" : " NaN");
      std::fflush(stdout);
    }
  }

  const Mesh floor = Floor(50.0f);
  const int frames = quick ? 100 : 536;  // 15 s
  struct StackScene {
    const char* name;
    std::vector<Point> boxes;
  } scenes[2] = {{"10-box tower", Tower(10)}, {"5x5 pyramid", Pyramid(5)}};
  for (const StackScene& s : scenes) {
    std::printf("\nScene 2: %s (%zu unit boxes, friction 0.5, restitution 0.1), %.1f s\n", s.name, s.boxes.size(),
                frames * kFrameTime);
    std::printf("%-14s %10s %12s %10s %10s %8s %12s %10s\n", "engine", "rest at s", "us/step", "vs ours", "drift",
                "height", "us/body-step", "awake");
    double ours = 0.0;
    for (const Engine& e : engines) {
      const StackResult r = e.stack(floor, s.boxes, frames);
      const double us = r.seconds * 1e6 / r.steps;
      if (&e == &engines[0]) ours = us;
      char rest[32];
      if (r.restStep < 0) {
        std::snprintf(rest, sizeof rest, "never");
      } else {
        std::snprintf(rest, sizeof rest, "%.2f", r.restStep * kStepTime);
      }
      std::printf("%-14s %10s %12.2f %9.2fx %10.4f %8.4f %12.3f %10d%s\n", e.name, rest, us, us / ours, r.drift,
                  r.heightError, us / static_cast<double>(s.boxes.size()), r.awakeAtEnd, r.finite ? "" : " NaN");
      std::fflush(stdout);
    }
  }
  dCloseODE();
  return 0;
}
