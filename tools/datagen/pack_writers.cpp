// The toolkit-free writers of the data pack.
#include "tools/datagen/pack_writers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "graphics/bitmap.h"

namespace vantrel::datagen {

namespace {
void Put32(Bytes& b, int32_t v) {
  uint32_t u = uint32_t(v);
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(u >> (8 * i)));
}
void PutName(Bytes& b, const std::string& name) {
  Put32(b, int32_t(name.size() + 1));
  b.insert(b.end(), name.begin(), name.end());
  b.push_back(0);
}
void PutBE16(Bytes& b, int v) {
  b.push_back(uint8_t((v >> 8) & 0xFF));
  b.push_back(uint8_t(v & 0xFF));
}
}  // namespace

Bytes ImageSetV1(const std::vector<Rgb>& palette, const std::vector<IndexedImage>& images) {
  Bytes b = {'I', 'M', 'S', 'T'};
  Put32(b, 1);
  Put32(b, int32_t(images.size()));
  Put32(b, 256);
  for (int i = 0; i < 256; ++i) {
    Rgb c = i < int(palette.size()) ? palette[i] : Rgb{0, 0, 0};
    b.push_back(c.r);
    b.push_back(c.g);
    b.push_back(c.b);
    b.push_back(0);
  }
  for (const IndexedImage& img : images) {
    PutName(b, img.name);
    Put32(b, img.width);
    Put32(b, img.height);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);  // P = 0: the global palette
    b.insert(b.end(), img.pixels.begin(), img.pixels.end());
  }
  return b;
}

Bytes Bmp8Bytes(int w, int h, const std::vector<Rgb>& palette, const std::vector<uint8_t>& idx) {
  Bitmap bmp;
  if (!bmp.Create(w, h, 8)) throw std::runtime_error("out of memory");
  for (int y = 0; y < h; ++y) std::memcpy(bmp.pixels + size_t(y) * bmp.stride, &idx[size_t(y) * w], size_t(w));
  uint8_t pal[256][4] = {};
  for (int i = 0; i < 256 && i < int(palette.size()); ++i) {
    pal[i][0] = palette[i].r;
    pal[i][1] = palette[i].g;
    pal[i][2] = palette[i].b;
  }
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* mem = open_memstream(&buffer, &size);
  if (!mem) throw std::runtime_error("out of memory");
  // Rows are top first in memory; the file stores them bottom-up.
  bool ok = Bitmap::WriteBmp(mem, &bmp, pal, false);
  std::fclose(mem);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  if (!ok) throw std::runtime_error("BMP writer failed");
  return out;
}

Bytes Wave8Bytes(const std::vector<uint8_t>& samples, int rate) {
  Bytes data = samples;
  if (data.size() & 1) data.push_back(128);
  Bytes b = {'R', 'I', 'F', 'F'};
  Put32(b, int32_t(36 + data.size()));
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(b, 16);
  b.push_back(1);
  b.push_back(0);  // PCM
  b.push_back(1);
  b.push_back(0);  // mono
  Put32(b, rate);
  Put32(b, rate);  // bytes per second
  b.push_back(1);
  b.push_back(0);  // block align
  b.push_back(8);
  b.push_back(0);  // bits
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  Put32(b, int32_t(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

const int kPeriods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 339, 320,
                          302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

Bytes ModBytes(const std::string& title, const std::vector<ModSample>& samples, const std::vector<Pattern>& patterns,
               const std::vector<int>& order) {
  Bytes b;
  for (int i = 0; i < 20; ++i) b.push_back(i < int(title.size()) ? uint8_t(title[i]) : 0);
  for (int s = 0; s < 31; ++s) {
    const ModSample* m = s < int(samples.size()) ? &samples[s] : nullptr;
    for (int i = 0; i < 22; ++i) b.push_back(m && i < int(m->name.size()) ? uint8_t(m->name[i]) : 0);
    PutBE16(b, m ? int(m->data.size() / 2) : 0);
    b.push_back(0);  // finetune
    b.push_back(uint8_t(m ? m->volume : 0));
    PutBE16(b, m && m->loopLength ? m->loopStart / 2 : 0);
    PutBE16(b, m && m->loopLength ? m->loopLength / 2 : 1);
  }
  b.push_back(uint8_t(order.size()));
  // 0x7F: the ProTracker mark, so players read Fxx >= 0x20 as a tempo (the
  // game starts every song from the first order whatever this byte says).
  b.push_back(0x7F);
  for (int i = 0; i < 128; ++i) b.push_back(i < int(order.size()) ? uint8_t(order[i]) : 0);
  b.insert(b.end(), {'M', '.', 'K', '.'});
  for (const Pattern& p : patterns) {
    for (int r = 0; r < 64; ++r) {
      for (int c = 0; c < 4; ++c) {
        const Cell& e = p.cells[r][c];
        int period = e.note >= 0 ? kPeriods[e.note] : 0;
        b.push_back(uint8_t((e.sample & 0xF0) | (period >> 8)));
        b.push_back(uint8_t(period & 0xFF));
        b.push_back(uint8_t(((e.sample & 0x0F) << 4) | (e.effect & 0x0F)));
        b.push_back(uint8_t(e.param));
      }
    }
  }
  for (const ModSample& m : samples)
    for (int8_t v : m.data) b.push_back(uint8_t(v));
  return b;
}

}  // namespace vantrel::datagen
