// Writes the pack's review material into a folder: a contact sheet PNG of
// every image set and font, and a WAV rendering of every module (the sound
// effects are WAVs already and are copied beside them).
//   vantrel-datagen-review <pack folder> <review folder>
#include <boost/filesystem.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "contact_sheet.h"
#include "core/data_files.h"
#include "graphics/bitfont.h"
#include "boardset/boardset.h"
#include "platform/seal/seal.h"
#include "tools/datagen/pack_contract.h"

namespace fs = boost::filesystem;
namespace pack = vantrel::pack;

namespace {

std::string Stem(std::string_view path) { return fs::path(std::string(path)).stem().string(); }

bool Sheet(const fs::path& root, std::string_view rel, const fs::path& out) {
  ImageSet set;
  if (!set.Load((root / std::string(rel)).string().c_str())) {
    std::fprintf(stderr, "cannot load %s\n", std::string(rel).c_str());
    return false;
  }
  return vantrel::datagen_check::WriteContactSheet(set, out / (Stem(rel) + ".png"));
}

// Every board of a set drawn at half size with its bricks over its
// background tile, three boards to a row.
bool BoardSheet(const fs::path& root, std::string_view rel, const fs::path& png) {
  DataFiles files;
  files.searchDirs = {root};
  if (!files.Open(root / std::string(rel))) return false;
  BoardSet set;
  try {
    set.Load(files, false, "");
    if (!set.LoadImageSets(files, true)) return false;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", std::string(rel).c_str(), e.what());
    return false;
  }
  const int bw = set.columns * 24, bh = 20 * 12 + 60, pad = 8;
  Bitmap sheet;
  if (!sheet.Create(3 * (bw + pad) + pad, ((set.boardCount + 2) / 3) * (bh + pad) + pad, 32)) return false;
  for (int y = 0; y < sheet.height; ++y)
    for (int x = 0; x < sheet.width; ++x) sheet.SetPixel(x, y, 0xFF202028u);
  for (int b = 0; b < set.boardCount; ++b) {
    int ox = pad + (b % 3) * (bw + pad), oy = pad + (b / 3) * (bh + pad);
    const Image* tile = set.backgrounds.GetImage(int(set.boards[b].background));
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x) {
        uint32_t c = vantrel::datagen_check::RgbAt(*tile, (x * 2) % tile->width, (y * 2) % tile->height);
        int col = x / 24, row = y / 12;
        int32_t v = row < 20 ? set.boards[b].cells[col * BoardRecord::kRows + row] : 0;
        if (v > 0 && v <= set.bricks.count)
          c = vantrel::datagen_check::RgbAt(*set.bricks.GetImage(v - 1), (x % 24) * 2, (y % 12) * 2);
        sheet.SetPixel(ox + x, oy + y, 0xFF000000u | c);
      }
  }
  return sheet.SavePng(png);
}

// A specimen of every font: sample lines drawn with BitFont onto a dark
// 5-5-5 picture (the game's screen format, whose colour key drops black),
// then widened to 32 bits for the PNG.
bool FontSpecimens(const fs::path& root, const fs::path& png) {
  const char* lines[] = {"Vantrel 0123456789 Score: 48250", "Select A Boardset - Game Paused!",
                         "The quick brown fox jumps over the lazy dog?",
                         "(Local Scores) #1 ABCDEFGHIJKLMNOPQRSTUVWXYZ"};
  Bitmap screen;
  if (!screen.Create(1400, 620, 16)) return false;
  for (int y = 0; y < screen.height; ++y)
    for (int x = 0; x < screen.width; ++x) screen.SetPixel(x, y, (3u << 10) | (3u << 5) | 5u);
  PixelFormat fmt;
  fmt.SetForDepth(16);
  int y = 10;
  for (const auto& spec : pack::kFonts) {
    BitFont font;
    if (!font.Load((root / std::string(spec.path)).string().c_str()) || !font.Upload(&fmt)) return false;
    std::string name(spec.path);
    if (name == "Fonts/SysFont.img" || name == "Fonts/BrushedFont.img") font.SetSpacing(2, 0, 0, 0, 6);
    font.SetTarget(screen.pixels, screen.width, screen.height, screen.stride, 16);
    for (int k = 0; k < 2 && y < screen.height - spec.lineHeight; ++k) {
      font.DrawText(lines[(k + y) % 4], 10, y);
      y += font.lineHeight + 4;
    }
    y += 10;
  }
  Bitmap sheet;
  if (!sheet.Create(screen.width, screen.height, 32)) return false;
  for (int yy = 0; yy < screen.height; ++yy)
    for (int x = 0; x < screen.width; ++x) {
      uint32_t v = screen.GetPixel(x, yy);
      uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      sheet.SetPixel(x, yy, 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2));
    }
  return sheet.SavePng(png);
}

Bitmap Widen555(const Bitmap& screen) {
  Bitmap sheet;
  sheet.Create(screen.width, screen.height, 32);
  for (int y = 0; y < screen.height; ++y)
    for (int x = 0; x < screen.width; ++x) {
      uint32_t v = screen.GetPixel(x, y);
      uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      sheet.SetPixel(x, y, 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2));
    }
  return sheet;
}

// A play-screen mock-up from the pack's own pieces, laid out as the play
// scene draws them: tiled background, the first board, paddle, a falling
// capsule, an explosion, the score and the life icons.
bool PlayMockup(const fs::path& root, const fs::path& png) {
  DataFiles files;
  files.searchDirs = {root};
  if (!files.Open(root / std::string(pack::kBoardSets[0].path))) return false;
  BoardSet set;
  ImageSet paddle, powerUps, explosion;
  BitFont chisel, big;
  try {
    set.Load(files, false, "");
    if (!set.LoadImageSets(files, true)) return false;
  } catch (const std::exception&) {
    return false;
  }
  if (!paddle.Load((root / "Graphics/Paddle.img").string().c_str()) ||
      !powerUps.Load((root / "Graphics/PowerUps.img").string().c_str()) ||
      !explosion.Load((root / "Graphics/Explosion.img").string().c_str()) ||
      !chisel.Load((root / "Fonts/ChiselFont.img").string().c_str()) ||
      !big.Load((root / "Fonts/VantrelBigFont.img").string().c_str()))
    return false;
  paddle.Scale(1.5f, false);
  PixelFormat fmt;
  fmt.SetForDepth(16);
  for (ImageSet* s : {static_cast<ImageSet*>(&paddle), &powerUps, &explosion, &set.bricks, &set.backgrounds,
                      static_cast<ImageSet*>(&chisel), static_cast<ImageSet*>(&big)})
    s->Upload(&fmt);
  Bitmap screen;
  if (!screen.Create(pack::kScreenWidth, pack::kScreenHeight, 16)) return false;
  const int left = 160, right = left + set.columns * 48;
  auto draw = [&](const Image* img, int x, int y, bool keyed) {
    img->GetFrame(1)->Draw(screen.pixels, screen.width, screen.height, screen.stride, x, y, keyed ? 1 : 0, 256);
  };
  const Image* tile = set.backgrounds.GetImage(int(set.boards[0].background));
  for (int y = 0; y < screen.height; y += tile->height)
    for (int x = left; x < right; x += tile->width) draw(tile, x, y, false);
  for (int c = 0; c < set.columns; ++c)
    for (int r = 0; r < 20; ++r) {
      int32_t v = set.boards[0].cells[c * BoardRecord::kRows + r];
      if (v > 0 && v <= set.bricks.count) draw(set.bricks.GetImage(v - 1), left + 48 * c, 40 + 24 * r, false);
    }
  const Image* pad = paddle.GetImage(4);  // normal mode, size 3, first step
  draw(pad, 620 - pad->width / 2, 690, true);
  draw(powerUps.GetImage(powerUps.IndexOf("laser")), 430, 470, true);
  draw(explosion.GetImage(9), 700, 120, true);
  chisel.SetTarget(screen.pixels, screen.width, screen.height, screen.stride, 16);
  chisel.DrawText("48250", left + 4, 2);
  big.SetTarget(screen.pixels, screen.width, screen.height, screen.stride, 16);
  big.DrawTextCentered("Get Ready", left, 340, right - left);
  const Image* life = paddle.GetImage(16);
  for (int j = 0; j < 3; ++j) draw(life, right - 10 - life->width - j * (life->width + 6), 10, true);
  return Widen555(screen).SavePng(png);
}

void Put32(std::FILE* f, uint32_t v) {
  for (int i = 0; i < 4; ++i) std::fputc(int((v >> (8 * i)) & 0xFF), f);
}

// 16-bit stereo WAVE of interleaved samples.
bool WriteWav16(const fs::path& path, const std::vector<int16_t>& s, uint32_t rate) {
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  if (!f) return false;
  uint32_t bytes = uint32_t(s.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  Put32(f, 36 + bytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  Put32(f, 16);
  Put32(f, 1 | (2u << 16));
  Put32(f, rate);
  Put32(f, rate * 4);
  Put32(f, 4 | (16u << 16));
  std::fwrite("data", 1, 4, f);
  Put32(f, bytes);
  std::fwrite(s.data(), 2, s.size(), f);
  return std::fclose(f) == 0;
}

// Plays a module once through the sound library's null output into a WAV;
// the playing time until it loops goes to *seconds.
bool RenderModule(const fs::path& mod, const fs::path& wav, double* seconds) {
  namespace seal = plat::seal;
  const uint32_t rate = 22050;
  seal::Module* m = nullptr;
  if (seal::LoadModuleFile(mod.string().c_str(), 0, &m) != seal::kOk) return false;
  seal::SelectOutput(seal::Output::kNull);
  seal::DeviceDesc desc;
  desc.format = seal::kFormat16Bit | seal::kFormatStereo;
  desc.rate = rate;
  bool ok = seal::OpenDevice(&desc) == seal::kOk && seal::PlayModule(m) == seal::kOk;
  std::vector<int16_t> all;
  uint32_t frames = 0;
  while (ok && frames < rate * 300) {
    seal::AdvanceNullOutput(rate / 10);
    frames += rate / 10;
    std::vector<int16_t> part = seal::TakeNullOutputSamples();
    all.insert(all.end(), part.begin(), part.end());
    seal::ModuleInfo info;
    seal::GetModuleInfo(&info);
    if (info.loops > 0) break;
  }
  *seconds = frames / double(rate);
  seal::StopModule();
  seal::CloseDevice();
  seal::FreeModuleFile(m);
  return ok && WriteWav16(wav, all, rate);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vantrel-datagen-review <pack folder> <review folder>\n");
    return 2;
  }
  fs::path root = argv[1], out = argv[2];
  fs::create_directories(out / "sheets");
  fs::create_directories(out / "sounds");
  bool ok = true;
  for (const auto& s : pack::kGameImageSets) ok &= Sheet(root, s.path, out / "sheets");
  for (const auto& f : pack::kFonts) ok &= Sheet(root, f.path, out / "sheets");
  for (auto rel :
       {pack::kBrickSet, pack::kBrickSetClassic, pack::kBackgroundSet, pack::kBackgroundSetClassic, pack::kCharmSet})
    ok &= Sheet(root, rel, out / "sheets");
  ok &= FontSpecimens(root, out / "sheets" / "font-specimens.png");
  ok &= PlayMockup(root, out / "sheets" / "play-mockup.png");
  for (const auto& b : pack::kBoardSets)
    ok &= BoardSheet(root, b.path, out / "sheets" / (Stem(b.path) + "-boards.png"));
  for (auto name : pack::kSounds) {
    fs::path src = root / std::string(pack::kSoundFolder) / std::string(name);
    boost::system::error_code ec;
    fs::copy_file(src, out / "sounds" / std::string(name), fs::copy_options::overwrite_existing, ec);
    ok &= !ec;
  }
  fs::create_directories(out / "music");
  for (const auto& list : {std::vector<pack::ModuleSpec>(pack::kModules.begin(), pack::kModules.end()),
                           std::vector<pack::ModuleSpec>(pack::kInGameModules.begin(), pack::kInGameModules.end())}) {
    for (const auto& m : list) {
      double seconds = 0;
      bool rendered = RenderModule(root / std::string(m.path), out / "music" / (Stem(m.path) + ".wav"), &seconds);
      std::printf("%s: %s, %.1f s before it loops\n", std::string(m.path).c_str(), rendered ? "rendered" : "FAILED",
                  seconds);
      ok &= rendered;
    }
  }
  std::printf("review material in %s\n", out.string().c_str());
  return ok ? 0 : 1;
}
