// Writes a few frames of the flame background for every palette kind as PNG
// pictures, so a person can look at them:
//   flame_frames <output folder> [width height]
// Files: flame-kind<k>-frame<n>.png, flame-noecho-kind<k>.png (echo stage
// off) and, at the options screen's size with a
// half-bright seed row, flame-small-kind<k>.png.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include "graphics/bitmap.h"
#include "graphics/flame.h"
#include "platform/clock.h"
#include "platform/random.h"

namespace {

bool Save(const std::vector<uint8_t>& field, int w, int h, const boost::filesystem::path& path) {
  Bitmap out;
  if (!out.Create(w, h, 32)) return false;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* c = gBackgroundEffect.ramp[field[y * w + x]];
      uint8_t* p = out.pixels + y * out.stride + x * 4;
      p[0] = c[2];
      p[1] = c[1];
      p[2] = c[0];
      p[3] = 255;
    }
  if (!out.SavePng(path)) {
    std::fprintf(stderr, "could not write %s\n", path.string().c_str());
    return false;
  }
  std::printf("%s\n", path.string().c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: flame_frames <output folder> [width height]\n");
    return 2;
  }
  const boost::filesystem::path dir = argv[1];
  boost::filesystem::create_directories(dir);
  const int w = argc >= 4 ? std::atoi(argv[2]) : 640;
  const int h = argc >= 4 ? std::atoi(argv[3]) : 360;
  plat::FakeClockScope clock;
  bool ok = true;
  for (int kind = 0; kind < 5; ++kind) {
    plat::Srand(static_cast<uint32_t>(kind + 1));
    if (!InitBackgroundEffect(300, w, h, kind, 0, 1000000)) return 1;
    std::vector<uint8_t> field(static_cast<size_t>(w) * h, 0);
    for (int frame = 1; frame <= 240; ++frame) {
      RenderBackgroundEffect(field.data(), w, h, w);
      plat::AdvanceFakeClockMs(20);
      if (frame % 80 == 0)
        ok &= Save(field, w, h,
                   dir / ("flame-kind" + std::to_string(kind) + "-frame" + std::to_string(frame) + ".png"));
    }
    // The same start with the echo stage off (the "DisableFadeZoom" look):
    // the plain flame rising from the seed row.
    plat::Srand(static_cast<uint32_t>(kind + 1));
    if (!InitBackgroundEffect(300, w, h, kind, 0, 1000000)) return 1;
    gBackgroundEffect.echoOn = false;
    std::fill(field.begin(), field.end(), 0);
    for (int frame = 1; frame <= 240; ++frame) {
      RenderBackgroundEffect(field.data(), w, h, w);
      plat::AdvanceFakeClockMs(20);
    }
    ok &= Save(field, w, h, dir / ("flame-noecho-kind" + std::to_string(kind) + ".png"));
    gBackgroundEffect.echoOn = true;

    // The options screen's band.
    if (!InitBackgroundEffect(20, 646, 108, kind, 1, 20)) return 1;
    std::vector<uint8_t> band(646 * 108, 0);
    for (int frame = 0; frame < 120; ++frame) {
      RenderBackgroundEffect(band.data(), 646, 108, 646);
      plat::AdvanceFakeClockMs(50);
    }
    ok &= Save(band, 646, 108, dir / ("flame-small-kind" + std::to_string(kind) + ".png"));
  }
  return ok ? 0 : 1;
}
