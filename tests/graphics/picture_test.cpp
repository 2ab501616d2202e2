#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "graphics/bitmap.h"
#include "platform/debug.h"
#include "platform/picture.h"
#include "support/test_support.h"
#include "test_images.h"

namespace fs = boost::filesystem;
using gfxtest::Bytes;

namespace {

// ---------------------------------------------------------------- makers

struct PngSpec {
  int width, height, colourType, bitDepth;
  bool interlace;
  std::vector<uint8_t> raw;  // packed rows as the PNG stores them
  std::vector<png_color> palette;
  std::vector<uint8_t> trnsAlpha;  // palette alphas
  int trnsGrey = -1;               // grey key
};

void AppendBytes(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

std::vector<uint8_t> MakePng(const PngSpec& s) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendBytes, nullptr);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
               s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.trnsAlpha.empty()) png_set_tRNS(png, info, s.trnsAlpha.data(), static_cast<int>(s.trnsAlpha.size()), nullptr);
  if (s.trnsGrey >= 0) {
    png_color_16 key{};
    key.gray = static_cast<png_uint_16>(s.trnsGrey);
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  size_t rowBytes = s.raw.size() / s.height;
  std::vector<png_bytep> rows(s.height);
  for (int y = 0; y < s.height; ++y) rows[y] = const_cast<png_bytep>(s.raw.data() + rowBytes * y);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> MakeJpeg(int w, int h, int components, const std::vector<uint8_t>& px) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = w;
  c.image_height = h;
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(px.data() + static_cast<size_t>(c.next_scanline) * w * components);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&c);
  std::free(buffer);
  return out;
}

// A BMP file: file header, 40-byte header (+ masks), table, rows as given.
std::vector<uint8_t> MakeBmp(int w, int h, int bitCount, uint32_t compression, const std::vector<uint32_t>& masks,
                             const std::vector<std::array<uint8_t, 4>>& table, const std::vector<uint8_t>& rows,
                             uint32_t clrUsed = 0) {
  uint32_t off = 14 + 40 + 4 * static_cast<uint32_t>(masks.size()) + 4 * static_cast<uint32_t>(table.size());
  Bytes b;
  b.Raw("BM").Int(static_cast<int32_t>(off + rows.size())).Int(0).Int(static_cast<int32_t>(off));
  b.Int(40).Int(w).Int(h);
  b.Byte(1).Byte(0).Byte(static_cast<uint8_t>(bitCount)).Byte(0);
  b.Int(static_cast<int32_t>(compression)).Int(static_cast<int32_t>(rows.size())).Int(0).Int(0);
  b.Int(static_cast<int32_t>(clrUsed)).Int(0);
  for (uint32_t m : masks) b.Int(static_cast<int32_t>(m));
  for (const auto& e : table) b.Byte(e[0]).Byte(e[1]).Byte(e[2]).Byte(e[3]);
  b.data.insert(b.data.end(), rows.begin(), rows.end());
  return b.data;
}

uint32_t Px(const plat::Picture& p, int x, int y) {
  const uint8_t* q = &p.pixels[(static_cast<size_t>(y) * p.width + x) * 4];
  return q[0] | q[1] << 8 | q[2] << 16 | static_cast<uint32_t>(q[3]) << 24;
}

fs::path WriteFile(const fs::path& dir, const char* name, const std::vector<uint8_t>& bytes) {
  fs::path p = dir / name;
  std::ofstream(p.string(), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return p;
}

// ---------------------------------------------------------------- PNG

TEST(Picture, PngColourTypesDecodeToStraightArgb) {
  struct Case {
    const char* what;
    PngSpec spec;
    std::vector<uint32_t> expect;  // 0xAARRGGBB, rows top first
  };
  std::vector<Case> cases;
  {
    PngSpec s{2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {0, 1}, {{255, 0, 0}, {0, 255, 0}}, {128}, -1};
    cases.push_back({"palette with tRNS", s, {0x80FF0000u, 0xFF00FF00u}});
  }
  {
    PngSpec s{4, 1, PNG_COLOR_TYPE_PALETTE, 2, false, {0x1B}, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}, {}, -1};
    cases.push_back({"2-bit palette", s, {0xFF010203u, 0xFF040506u, 0xFF070809u, 0xFF0A0B0Cu}});
  }
  {
    PngSpec s{2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {10, 20, 200, 0}, {}, {}, -1};
    cases.push_back({"grey + alpha", s, {0x140A0A0Au, 0x00C8C8C8u}});
  }
  {
    PngSpec s{2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {50, 60}, {}, {}, 50};
    cases.push_back({"grey with tRNS key", s, {0x00323232u, 0xFF3C3C3Cu}});
  }
  {
    PngSpec s{8, 1, PNG_COLOR_TYPE_GRAY, 1, false, {0x81}, {}, {}, -1};
    cases.push_back(
        {"1-bit grey",
         s,
         {0xFFFFFFFFu, 0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFFFFFFFFu}});
  }
  {
    PngSpec s{1, 1, PNG_COLOR_TYPE_RGB, 16, false, {0xAB, 0xCD, 0x12, 0x34, 0xFE, 0xDC}, {}, {}, -1};
    cases.push_back({"16-bit RGB", s, {0xFFAB12FEu}});
  }
  {
    PngSpec s{1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, {0x10, 0, 0x20, 0, 0x30, 0, 0x40, 0}, {}, {}, -1};
    cases.push_back({"16-bit RGBA", s, {0x40102030u}});
  }
  {
    PngSpec s{5, 5, PNG_COLOR_TYPE_RGB, 8, true, {}, {}, {}, -1};
    std::vector<uint32_t> expect;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x) {
        uint8_t r = static_cast<uint8_t>(x * 40), g = static_cast<uint8_t>(y * 50), b = static_cast<uint8_t>(x + y);
        s.raw.push_back(r);
        s.raw.push_back(g);
        s.raw.push_back(b);
        expect.push_back(0xFF000000u | r << 16 | g << 8 | b);
      }
    cases.push_back({"interlaced RGB", s, expect});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> file = MakePng(c.spec);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(plat::DetectPictureFormat(file.data(), file.size()), plat::PictureFormat::Png);
    plat::Picture pic;
    std::string error;
    ASSERT_TRUE(plat::DecodePicture(file.data(), file.size(), &pic, &error)) << error;
    ASSERT_EQ(pic.width, c.spec.width);
    ASSERT_EQ(pic.height, c.spec.height);
    for (int i = 0; i < pic.width * pic.height; ++i)
      EXPECT_EQ(Px(pic, i % pic.width, i / pic.width), c.expect[i]) << "pixel " << i;
  }
}

TEST(Picture, SavePngThenLoadGivesTheSameBytes) {
  fs::path dir = vantrel::test::MakeTempDir("pngroundtrip");
  Bitmap b32;
  ASSERT_TRUE(b32.Create(7, 3, 32));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) b32.SetPixel(x, y, 0x01020304u * (x + 1) + 0x10000000u * y);
  ASSERT_TRUE(b32.SavePng(dir / "a.png"));
  Bitmap back;
  EXPECT_TRUE(back.LoadWithGdiplus(dir / "a.png"));
  ASSERT_EQ(back.width, 7);
  ASSERT_EQ(back.height, 3);
  EXPECT_EQ(back.bpp, 32);
  EXPECT_EQ(0, std::memcmp(back.pixels, b32.pixels, 7 * 4 * 3));

  Bitmap b24;
  ASSERT_TRUE(b24.Create(3, 2, 24));  // stride 12, padding not written
  b24.SetPixel(0, 0, 0x112233);
  b24.SetPixel(2, 1, 0xAABBCC);
  ASSERT_TRUE(b24.SavePng(dir / "b.png"));
  EXPECT_TRUE(back.LoadWithGdiplus(dir / "b.png"));
  ASSERT_EQ(back.width, 3);
  EXPECT_EQ(back.GetPixel(0, 0), 0xFF112233u);
  EXPECT_EQ(back.GetPixel(2, 1), 0xFFAABBCCu);
  EXPECT_EQ(back.GetPixel(1, 0), 0xFF000000u);

  // Rows written without prediction filters decode to the same pixels.
  std::vector<uint8_t> filtered, unfiltered;
  ASSERT_TRUE(plat::EncodePng(b32.pixels, 7, 3, b32.stride, 32, &filtered, nullptr));
  ASSERT_TRUE(plat::EncodePng(b32.pixels, 7, 3, b32.stride, 32, &unfiltered, nullptr, true));
  plat::Picture a, b;
  ASSERT_TRUE(plat::DecodePicture(filtered.data(), filtered.size(), &a, nullptr));
  ASSERT_TRUE(plat::DecodePicture(unfiltered.data(), unfiltered.size(), &b, nullptr));
  EXPECT_EQ(a.pixels, b.pixels);
  EXPECT_EQ(0, std::memcmp(b.pixels.data(), b32.pixels, 7 * 4 * 3));
}

// The size check made at start-up for pictures decoded later: the start of
// a good PNG gives its size; anything that could not be a PNG of an accepted
// size is refused without decoding.
TEST(Picture, ReadPngSizeReadsOnlyTheHeader) {
  fs::path dir = vantrel::test::MakeTempDir("pngsize");
  Bitmap b32;
  ASSERT_TRUE(b32.Create(7, 3, 32));
  ASSERT_TRUE(b32.SavePng(dir / "a.png"));
  int w = 0, h = 0;
  ASSERT_TRUE(plat::ReadPngSize(dir / "a.png", &w, &h));
  EXPECT_EQ(w, 7);
  EXPECT_EQ(h, 3);

  std::ifstream in((dir / "a.png").string(), std::ios::binary);
  const std::vector<char> good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(good.size(), 24u);
  const auto write = [&](const char* name, std::vector<char> bytes) {
    std::ofstream((dir / name).string(), std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return dir / name;
  };
  // The body does not matter: only the header is read.
  std::vector<char> headOnly(good.begin(), good.begin() + 24);
  EXPECT_TRUE(plat::ReadPngSize(write("head.png", headOnly), &w, &h));
  struct Case {
    const char* name;
    size_t at;
    char value;
    size_t keep;
  } cases[] = {
      {"short.png", 0, 0, 23},          // ends inside the header
      {"signature.png", 1, 'Q', 0},     // not the PNG signature
      {"chunk.png", 12, 'J', 0},        // first chunk is not IHDR
      {"zero-width.png", 19, 0, 0},     // width 0
      {"huge.png", 16, char(0x7F), 0},  // width beyond the accepted side
  };
  for (const Case& c : cases) {
    std::vector<char> bytes = good;
    if (c.keep) bytes.resize(c.keep);
    if (!c.keep) bytes[c.at] = c.value;
    if (std::string(c.name) == "zero-width.png") bytes[16] = bytes[17] = bytes[18] = 0;
    EXPECT_FALSE(plat::ReadPngSize(write(c.name, bytes), &w, &h)) << c.name;
  }
  EXPECT_FALSE(plat::ReadPngSize(dir / "missing.png", &w, &h));
  // A JPEG or BMP is not read here (the caller decodes those at once).
  Bitmap b24;
  ASSERT_TRUE(b24.Create(2, 2, 24));
  ASSERT_TRUE(Bitmap::SaveBmp(dir / "a.bmp", &b24, nullptr, false));
  EXPECT_FALSE(plat::ReadPngSize(dir / "a.bmp", &w, &h));
}

TEST(Picture, SavePngReportsFailures) {
  fs::path dir = vantrel::test::MakeTempDir("pngfail");
  Bitmap b8;
  ASSERT_TRUE(b8.Create(2, 2, 8));
  EXPECT_FALSE(b8.SavePng(dir / "x.png"));  // 8 bits: not written
  Bitmap empty;
  EXPECT_FALSE(empty.SavePng(dir / "y.png"));
  Bitmap b32;
  ASSERT_TRUE(b32.Create(2, 2, 32));
  EXPECT_FALSE(b32.SavePng(dir / "no-such-folder" / "z.png"));
  EXPECT_FALSE(fs::exists(dir / "x.png"));
  // A failed save keeps the file that was there.
  std::vector<uint8_t> old = {1, 2, 3};
  fs::path keep = WriteFile(dir, "keep.png", old);
  fs::permissions(dir, fs::owner_read | fs::owner_exe);
  bool saved = b32.SavePng(keep);
  fs::permissions(dir, fs::owner_all);
  if (!saved) {
    EXPECT_EQ(fs::file_size(keep), 3u);  // (root may write anyway)
  }
}

// ------------------------------------------------------- broken pictures

TEST(Picture, BrokenFilesGiveAnEmptyBitmap) {
  PngSpec s{16, 16, PNG_COLOR_TYPE_RGB, 8, false, std::vector<uint8_t>(16 * 16 * 3, 77), {}, {}, -1};
  std::vector<uint8_t> png = MakePng(s);
  std::vector<uint8_t> rgb(16 * 16 * 3, 100);
  std::vector<uint8_t> jpeg = MakeJpeg(16, 16, 3, rgb);
  std::vector<uint8_t> bmp = MakeBmp(2, 2, 24, 0, {}, {}, std::vector<uint8_t>(16, 9));

  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"not a picture", {'h', 'e', 'l', 'l', 'o'}});
  cases.push_back({"PNG signature only", std::vector<uint8_t>(png.begin(), png.begin() + 8)});
  cases.push_back({"PNG cut in half", std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2)});
  {
    std::vector<uint8_t> bad = png;
    bad[png.size() / 2] ^= 0x5A;  // inside IDAT: bad CRC on a critical chunk
    cases.push_back({"PNG with a damaged chunk", bad});
  }
  {
    std::vector<uint8_t> bad = png;
    bad[16] = 0x7F;  // width in the header: 2^31 + ...
    cases.push_back({"PNG with a huge width", bad});
  }
  cases.push_back({"JPEG header only", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 20)});
  cases.push_back({"JPEG cut short", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3)});
  cases.push_back({"BMP cut short", std::vector<uint8_t>(bmp.begin(), bmp.end() - 4)});
  cases.push_back({"BMP header only", std::vector<uint8_t>(bmp.begin(), bmp.begin() + 20)});
  {
    std::vector<uint8_t> rle = MakeBmp(2, 2, 8, 1, {}, {{0, 0, 0, 0}}, std::vector<uint8_t>(8, 0));
    cases.push_back({"RLE BMP", rle});
  }
  fs::path dir = vantrel::test::MakeTempDir("broken");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    plat::Picture pic;
    std::string error;
    EXPECT_FALSE(plat::DecodePicture(c.bytes.data(), c.bytes.size(), &pic, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(pic.width, 0);
    EXPECT_TRUE(pic.pixels.empty());

    fs::path p = WriteFile(dir, "pic", c.bytes);
    Bitmap b;
    ASSERT_TRUE(b.Create(4, 4, 32));
    plat::DebugCaptureScope capture;
    EXPECT_TRUE(b.LoadWithGdiplus(p));  // the contract: callers test the size
    EXPECT_EQ(b.pixels, nullptr);
    EXPECT_EQ(b.width, 0);
    EXPECT_NE(capture.text.find("Could not read picture"), std::string::npos);
  }
  Bitmap missing;
  EXPECT_TRUE(missing.LoadWithGdiplus(dir / "missing.png"));
  EXPECT_EQ(missing.pixels, nullptr);

  // The intact files do decode.
  plat::Picture pic;
  EXPECT_TRUE(plat::DecodePicture(png.data(), png.size(), &pic, nullptr));
  EXPECT_TRUE(plat::DecodePicture(jpeg.data(), jpeg.size(), &pic, nullptr));
  EXPECT_TRUE(plat::DecodePicture(bmp.data(), bmp.size(), &pic, nullptr));
}

// Chunks of a hand-made PNG, each with its length word, type, data and CRC;
// `claimed` puts another length in the word than the data has.
void AppendChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data = {},
                 int64_t claimed = -1) {
  const uint32_t length = claimed >= 0 ? static_cast<uint32_t>(claimed) : static_cast<uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(length >> shift));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = typeAt; i < out.size(); ++i) {
    crc ^= out[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  crc ^= 0xFFFFFFFFu;
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(crc >> shift));
}

// A 1x1 palette picture of the colour 10, 20, 30 with `before` between its
// palette and its image data and `after` behind the image data.
std::vector<uint8_t> PalettePngWith(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  AppendChunk(out, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, PNG_COLOR_TYPE_PALETTE, 0, 0, 0});
  AppendChunk(out, "PLTE", {10, 20, 30});
  out.insert(out.end(), before.begin(), before.end());
  AppendChunk(out, "IDAT", {0x78, 0x9C, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});  // one row: index 0
  out.insert(out.end(), after.begin(), after.end());
  AppendChunk(out, "IEND");
  return out;
}

// How far the resident size of this process rose above what it was at
// Start, in KB; -1 where the system does not let the peak be reset.
class ResidentPeak {
 public:
  void Start() { startKb_ = ResetPeak() ? StatusKb("VmHWM:") : -1; }
  long GrowthKb() const { return startKb_ < 0 ? -1 : StatusKb("VmHWM:") - startKb_; }

 private:
  static bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.close();
    return static_cast<bool>(clear);
  }
  static long StatusKb(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
    }
    return -1;
  }
  long startKb_ = -1;
};

// Empty ancillary chunks of every kind the library knows, and unknown ones.
std::vector<uint8_t> EmptyAncillaryChunks() {
  std::vector<uint8_t> run;
  for (const char* type : {"bKGD", "cHRM", "eXIf", "gAMA", "hIST", "iCCP", "iTXt", "tEXt", "zTXt", "sPLT", "pCAL",
                           "sCAL", "sBIT", "sRGB", "oFFs", "zzZz", "vpAg"})
    AppendChunk(run, type);
  return run;
}

// A few hundred bytes of file must never cost more than a little memory: a
// text, profile or palette-suggestion chunk that claims 2 GB (and is not
// there) is refused with a reason, and the empty chunks of a fuzzed file
// leave the picture readable.
TEST(Picture, PngChunksClaimingHugeLengthsCostNoMemory) {
  const std::vector<uint8_t> empties = EmptyAncillaryChunks();
  struct Case {
    std::string what;
    std::vector<uint8_t> bytes;
    bool decodes;
  };
  std::vector<Case> cases = {
      {"empty ancillary chunks before the image data", PalettePngWith(empties, {}), true},
      {"empty ancillary chunks after the image data", PalettePngWith({}, empties), true},
  };
  for (const char* type : {"iTXt", "tEXt", "zTXt", "sPLT", "pCAL", "sCAL", "iCCP", "eXIf", "zzZz"}) {
    std::vector<uint8_t> claim = empties;
    AppendChunk(claim, type, {'k', 0, 0, 0}, 0x7FFFFFF0);
    claim.insert(claim.end(), empties.begin(), empties.end());
    cases.push_back({std::string(type) + " claiming 2 GB amid empty chunks", PalettePngWith(claim, {}), false});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResidentPeak peak;
    peak.Start();
    plat::Picture pic;
    std::string error;
    const bool ok = plat::DecodePicture(c.bytes.data(), c.bytes.size(), &pic, &error);
    const long growthKb = peak.GrowthKb();
    if (growthKb >= 0) {
      EXPECT_LT(growthKb, 64 * 1024);
    }
    ASSERT_EQ(ok, c.decodes) << error;
    if (ok) {
      ASSERT_EQ(pic.width, 1);
      ASSERT_EQ(pic.height, 1);
      EXPECT_EQ(Px(pic, 0, 0), 0xFF0A141Eu);
    } else {
      EXPECT_EQ(error.rfind("PNG: ", 0), 0u) << error;
      EXPECT_TRUE(pic.pixels.empty());
    }
  }
}

// ------------------------------------------------------------------ JPEG

TEST(Picture, JpegDecodesColourAndGrey) {
  std::vector<uint8_t> rgb;
  for (int i = 0; i < 16 * 8; ++i) {
    rgb.push_back(200);
    rgb.push_back(40);
    rgb.push_back(90);
  }
  std::vector<uint8_t> file = MakeJpeg(16, 8, 3, rgb);
  fs::path dir = vantrel::test::MakeTempDir("jpeg");
  // Found from the content: the name says PNG.
  fs::path p = WriteFile(dir, "photo.png", file);
  Bitmap b;
  ASSERT_TRUE(b.LoadWithGdiplus(p));
  ASSERT_EQ(b.width, 16);
  ASSERT_EQ(b.height, 8);
  int r = 0, g = 0, bl = 0;
  b.GetPixelRGB(5, 5, &r, &g, &bl);  // bytes blue, green, red
  EXPECT_NEAR(bl, 200, 4);
  EXPECT_NEAR(g, 40, 4);
  EXPECT_NEAR(r, 90, 4);
  EXPECT_EQ(b.GetPixel(5, 5) >> 24, 0xFFu);

  std::vector<uint8_t> grey(8 * 8, 130);
  std::vector<uint8_t> gfile = MakeJpeg(8, 8, 1, grey);
  plat::Picture pic;
  ASSERT_TRUE(plat::DecodePicture(gfile.data(), gfile.size(), &pic, nullptr));
  uint32_t v = Px(pic, 3, 3);
  EXPECT_NEAR(static_cast<int>(v & 0xFF), 130, 2);
  EXPECT_EQ((v >> 8) & 0xFF, v & 0xFF);
  EXPECT_EQ(v >> 24, 0xFFu);
}

// ------------------------------------------------------------------- BMP

TEST(Picture, BmpDepthsAndOrientation) {
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
    int w, h;
    std::vector<uint32_t> expect;
  };
  std::vector<Case> cases;
  std::vector<std::array<uint8_t, 4>> table2 = {{{10, 20, 30, 0}}, {{40, 50, 60, 0}}};
  // Bottom-up: the first stored row is the bottom one.
  cases.push_back({"1 bit",
                   MakeBmp(3, 2, 1, 0, {}, table2, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}),
                   3,
                   2,
                   {0xFF1E140Au, 0xFF3C3228u, 0xFF1E140Au, 0xFF3C3228u, 0xFF1E140Au, 0xFF3C3228u}});
  std::vector<std::array<uint8_t, 4>> table16(16, {{0, 0, 0, 0}});
  table16[15] = {{1, 2, 3, 0}};
  cases.push_back({"4 bit", MakeBmp(2, 1, 4, 0, {}, table16, {0xF0, 0, 0, 0}), 2, 1, {0xFF030201u, 0xFF000000u}});
  cases.push_back({"8 bit", MakeBmp(1, 1, 8, 0, {}, table2, {1, 0, 0, 0}, 2), 1, 1, {0xFF3C3228u}});
  cases.push_back(
      {"16 bit 5-5-5", MakeBmp(2, 1, 16, 0, {}, {}, {0x00, 0x7C, 0x1F, 0x00}), 2, 1, {0xFFFF0000u, 0xFF0000FFu}});
  cases.push_back({"16 bit 5-6-5",
                   MakeBmp(2, 1, 16, 3, {0xF800, 0x7E0, 0x1F}, {}, {0xE0, 0x07, 0x00, 0xF8}),
                   2,
                   1,
                   {0xFF00FF00u, 0xFFFF0000u}});
  cases.push_back(
      {"24 bit top-down", MakeBmp(1, -2, 24, 0, {}, {}, {1, 2, 3, 0, 4, 5, 6, 0}), 1, 2, {0xFF030201u, 0xFF060504u}});
  cases.push_back({"32 bit with alpha", MakeBmp(1, 1, 32, 0, {}, {}, {1, 2, 3, 0x80}), 1, 1, {0x80030201u}});
  cases.push_back({"32 bit without alpha", MakeBmp(1, 1, 32, 0, {}, {}, {1, 2, 3, 0}), 1, 1, {0xFF030201u}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    plat::Picture pic;
    std::string error;
    ASSERT_TRUE(plat::DecodePicture(c.file.data(), c.file.size(), &pic, &error)) << error;
    ASSERT_EQ(pic.width, c.w);
    ASSERT_EQ(pic.height, c.h);
    for (int i = 0; i < c.w * c.h; ++i) EXPECT_EQ(Px(pic, i % c.w, i / c.w), c.expect[i]) << "pixel " << i;
  }
}

TEST(GameBmp, ReadsRowsBottomUpAndKeepsThePalette) {
  std::vector<std::array<uint8_t, 4>> table = {{{10, 20, 30, 0}}, {{40, 50, 60, 0}}};
  // 3 x 2, rows of 4 bytes; stored row 0 is the bottom row.
  std::vector<uint8_t> file = MakeBmp(3, 2, 8, 0, {}, table, {1, 0, 1, 0, 0, 1, 0, 0}, 2);
  fs::path dir = vantrel::test::MakeTempDir("gamebmp");
  fs::path p = WriteFile(dir, "a.bmp", file);
  Bitmap b;
  uint8_t pal[256][4];
  std::memset(pal, 0xAA, sizeof(pal));
  ASSERT_TRUE(Bitmap::LoadBmpFile(p, &b, pal));
  ASSERT_EQ(b.width, 3);
  ASSERT_EQ(b.bpp, 8);
  EXPECT_EQ(b.GetPixel(1, 0), 1u);  // top row came last in the file
  EXPECT_EQ(b.GetPixel(0, 1), 1u);
  EXPECT_EQ(pal[0][0], 30);  // red from the entry's third byte
  EXPECT_EQ(pal[1][2], 40);
  EXPECT_EQ(pal[1][3], 0xAA);  // fourth byte left alone
  EXPECT_EQ(pal[2][0], 0);     // missing entries read as 0

  // The same picture as a packed DIB in memory (header, table, rows).
  Bitmap m;
  uint8_t mpal[256][4] = {};
  ASSERT_TRUE(Bitmap::LoadBmpMemory(file.data() + 14, file.size() - 14, &m, mpal));
  EXPECT_EQ(m.GetPixel(1, 0), 1u);
  EXPECT_EQ(m.GetPixel(0, 1), 1u);
  EXPECT_EQ(m.GetPixel(0, 0), 0u);
  EXPECT_EQ(mpal[1][0], 60);

  // A top-down BMP is still read bottom-up: its rows end up upside down.
  std::vector<uint8_t> td = MakeBmp(1, -2, 24, 0, {}, {}, {1, 2, 3, 0, 4, 5, 6, 0});
  ASSERT_TRUE(Bitmap::LoadBmpFile(WriteFile(dir, "td.bmp", td), &b, nullptr));
  EXPECT_EQ(b.GetPixel(0, 0), 0x060504u);
  EXPECT_EQ(b.GetPixel(0, 1), 0x030201u);
}

TEST(GameBmp, RefusedFilesKeepTheBitmap) {
  std::vector<std::array<uint8_t, 4>> big(300, {{5, 6, 7, 0}});
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
    bool ok;
  };
  std::vector<Case> cases;
  cases.push_back({"300 table entries: 256 kept", MakeBmp(1, 1, 8, 0, {}, big, {255, 0, 0, 0}, 300), true});
  cases.push_back({"RLE", MakeBmp(1, 1, 8, 1, {}, {{{0, 0, 0, 0}}}, {0, 0, 0, 0}, 1), false});
  cases.push_back({"4 bit", MakeBmp(2, 1, 4, 0, {}, {}, {0, 0, 0, 0}), false});
  cases.push_back({"rows missing", MakeBmp(4, 4, 24, 0, {}, {}, std::vector<uint8_t>(30, 0)), false});
  cases.push_back({"foreign bit fields", MakeBmp(1, 1, 16, 3, {0xF800, 0x7E0, 0x1F}, {}, {0, 0, 0, 0}), false});
  cases.push_back({"native bit fields", MakeBmp(1, 1, 16, 3, {0x7C00, 0x3E0, 0x1F}, {}, {1, 2, 0, 0}), true});
  {
    std::vector<uint8_t> f = MakeBmp(1, 1, 24, 0, {}, {}, {0, 0, 0, 0});
    f[22] = 0;
    f[23] = 0;
    f[24] = 0;
    f[25] = 0x80;  // height INT32_MIN
    cases.push_back({"height INT32_MIN", f, false});
  }
  cases.push_back({"too short", std::vector<uint8_t>(30, 0), false});
  fs::path dir = vantrel::test::MakeTempDir("gamebmpbad");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bitmap b;
    ASSERT_TRUE(b.Create(2, 2, 32));
    b.SetPixel(1, 1, 0x12345678);
    uint8_t pal[256][4] = {};
    EXPECT_EQ(Bitmap::LoadBmpFile(WriteFile(dir, "x.bmp", c.file), &b, pal), c.ok);
    if (!c.ok) {
      EXPECT_EQ(b.bpp, 32);
      EXPECT_EQ(b.GetPixel(1, 1), 0x12345678u);
      EXPECT_EQ(pal[0][0], 0);
    }
    // Packed DIB in memory: the same rules.
    if (c.file.size() > 14) {
      Bitmap m;
      EXPECT_EQ(Bitmap::LoadBmpMemory(c.file.data() + 14, c.file.size() - 14, &m, nullptr), c.ok);
    }
  }
  Bitmap b;
  uint8_t pal[256][4] = {};
  ASSERT_TRUE(Bitmap::LoadBmpFile(WriteFile(dir, "big.bmp", cases[0].file), &b, pal));
  EXPECT_EQ(b.GetPixel(0, 0), 255u);
  EXPECT_EQ(pal[255][0], 7);
}

TEST(GameBmp, WriteBmpSizesAndRoundTrip) {
  fs::path dir = vantrel::test::MakeTempDir("writebmp");
  Image img;
  ASSERT_TRUE(img.Create(3, 2, 8));
  img.SetPixel(2, 0, 5);
  img.palette[5][0] = 200;
  ASSERT_TRUE(Bitmap::SaveBmp(dir / "a.bmp", &img, img.palette, false));
  EXPECT_EQ(fs::file_size(dir / "a.bmp"), 1086u);
  std::ifstream in((dir / "a.bmp").string(), std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 1086u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[2] | bytes[3] << 8, 1086);
  EXPECT_EQ(bytes[10] | bytes[11] << 8, 1078);
  EXPECT_EQ(bytes[54 + 5 * 4 + 2], 200);  // table entry as blue, green, red
  EXPECT_EQ(bytes[1078 + 4 + 2], 5);      // bottom-up: the top row is last

  Bitmap back;
  uint8_t pal[256][4] = {};
  ASSERT_TRUE(Bitmap::LoadBmpFile(dir / "a.bmp", &back, pal));
  EXPECT_EQ(back.GetPixel(2, 0), 5u);
  EXPECT_EQ(pal[5][0], 200);

  Bitmap deep;
  ASSERT_TRUE(deep.Create(2, 2, 24));
  deep.SetPixel(0, 0, 0x010203);
  ASSERT_TRUE(Bitmap::SaveBmp(dir / "b.bmp", &deep, nullptr, true));
  EXPECT_EQ(fs::file_size(dir / "b.bmp"), 54u + 16u);
  plat::Picture pic;
  ASSERT_TRUE(plat::LoadPicture(dir / "b.bmp", &pic, nullptr));
  EXPECT_EQ(Px(pic, 0, 1), 0xFF010203u);  // written top row first with a bottom-up header
  Bitmap empty;
  EXPECT_FALSE(Bitmap::SaveBmp(dir / "c.bmp", &empty, nullptr, false));
  EXPECT_FALSE(fs::exists(dir / "c.bmp"));
}

// ------------------------------------------------------------ conversions

TEST(Convert, ResizeScaleAndPowerOfTwo) {
  Bitmap b;
  ASSERT_TRUE(b.Create(5, 5, 8));
  uint8_t* before = b.pixels;
  EXPECT_TRUE(b.Resize(5, 5, true));
  EXPECT_EQ(b.pixels, before);
  EXPECT_EQ(b.stateFlags & kBitmapResized, 0u);
  ASSERT_TRUE(b.Scale(0.5f, false));
  EXPECT_EQ(b.width, 2);
  EXPECT_EQ(b.height, 2);
  EXPECT_TRUE(b.stateFlags & kBitmapResized);
  EXPECT_FALSE(b.Resize(0, 3, false));
  EXPECT_FALSE(b.Scale(-1.0f, false));

  // The new size is trunc of a float product.
  struct ScaleCase {
    int w, h;
    float factor;
    bool ok;
    int newW, newH;
  } scales[] = {
      {5, 5, 0.5f, true, 2, 2}, {10, 20, 0.7f, true, 7, 14},  // 10 * 0.7f is 7.0f in float
      {4, 4, 1.5f, true, 6, 6}, {4, 4, std::nanf(""), false, 4, 4}, {4, 4, 1e10f, false, 4, 4},
  };
  for (const ScaleCase& c : scales) {
    SCOPED_TRACE(c.factor);
    Bitmap s;
    ASSERT_TRUE(s.Create(c.w, c.h, 32));
    EXPECT_EQ(s.Scale(c.factor, false), c.ok);
    EXPECT_EQ(s.width, c.newW);
    EXPECT_EQ(s.height, c.newH);
  }

  Bitmap c;
  ASSERT_TRUE(c.Create(100, 64, 32));
  ASSERT_TRUE(c.ResizeToPowerOfTwo());
  EXPECT_EQ(c.width, 64);
  EXPECT_EQ(c.height, 64);
  Bitmap one;
  ASSERT_TRUE(one.Create(1, 1, 8));
  EXPECT_TRUE(one.ResizeToPowerOfTwo());
  EXPECT_EQ(one.width, 1);
  Bitmap none;
  EXPECT_FALSE(none.ResizeToPowerOfTwo());
  EXPECT_EQ(HighestBit(100), 6);
  EXPECT_EQ(HighestBit(1), 0);
  EXPECT_EQ(HighestBit(0), 0);
  EXPECT_EQ(HighestBit(-1), 31);
}

TEST(Convert, ResizeNearestAndSmooth) {
  Bitmap b;
  ASSERT_TRUE(b.Create(4, 2, 32));
  for (int x = 0; x < 4; ++x) {
    b.SetPixel(x, 0, 0x10101010u * static_cast<uint32_t>(x));
    b.SetPixel(x, 1, 0x04040404u);
  }
  Bitmap n = b;
  ASSERT_TRUE(n.Resize(2, 1, false));
  EXPECT_EQ(n.GetPixel(0, 0), 0u);
  EXPECT_EQ(n.GetPixel(1, 0), 0x20202020u);
  Bitmap s = b;
  ASSERT_TRUE(s.Resize(2, 1, true));
  // (0 + 0x10 + 4 + 4) / 4 = 6; (0x20 + 0x30 + 4 + 4) / 4 = 0x16
  EXPECT_EQ(s.GetPixel(0, 0), 0x06060606u);
  EXPECT_EQ(s.GetPixel(1, 0), 0x16161616u);
  Bitmap up = b;
  ASSERT_TRUE(up.Resize(8, 4, true));  // enlarging: nearest pixel
  EXPECT_EQ(up.GetPixel(7, 0), 0x30303030u);
  EXPECT_EQ(up.GetPixel(0, 3), 0x04040404u);
  EXPECT_EQ(up.stride, 32);
}

TEST(Convert, HalfSize) {
  // A table whose entry (a, b) holds a + b in select 0 and max(a, b) in 1.
  std::vector<uint8_t> table(256 * 256 * 4);
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) {
      table[a * 1024 + b * 4 + 0] = static_cast<uint8_t>(a + b);
      table[a * 1024 + b * 4 + 1] = static_cast<uint8_t>(std::max(a, b));
    }
  Bitmap src;
  ASSERT_TRUE(src.Create(3, 3, 8));
  src.SetPixel(0, 0, 1);
  src.SetPixel(1, 0, 2);
  src.SetPixel(0, 1, 3);
  src.SetPixel(1, 1, 4);
  Bitmap half;
  ASSERT_TRUE(half.HalfSize(src, table.data(), 0, false));
  EXPECT_EQ(half.width, 1);
  EXPECT_EQ(half.height, 1);
  EXPECT_EQ(half.GetPixel(0, 0), 10u);  // (1 + 2) + (3 + 4)
  EXPECT_TRUE(half.stateFlags & kBitmapHalved);

  // Keyed: a zero member is replaced by the other one.
  src.SetPixel(1, 0, 0);
  src.SetPixel(0, 1, 0);
  ASSERT_TRUE(half.HalfSize(src, table.data(), 0, true));
  EXPECT_EQ(half.GetPixel(0, 0), 2u + 8u);  // T(1,1) + T(4,4)
  src.SetPixel(0, 0, 0);
  ASSERT_TRUE(half.HalfSize(src, table.data(), 1, true));
  EXPECT_EQ(half.GetPixel(0, 0), 0u);  // top-left clear gives clear

  Bitmap tall;
  ASSERT_TRUE(tall.Create(1, 8, 8));
  tall.Fill(7);
  ASSERT_TRUE(half.HalfSize(tall, table.data(), 0, false));
  EXPECT_EQ(half.width, 1);
  EXPECT_EQ(half.height, 4);
  EXPECT_EQ(half.GetPixel(0, 3), 0u);  // zero-filled

  EXPECT_FALSE(half.HalfSize(tall, nullptr, 0, false));
  EXPECT_FALSE(half.HalfSize(tall, table.data(), 4, false));
  Bitmap deep;
  deep.Create(2, 2, 32);
  EXPECT_FALSE(half.HalfSize(deep, table.data(), 0, false));
  // Halving a bitmap into itself reads the old pixels.
  ASSERT_TRUE(src.HalfSize(src, table.data(), 1, false));
  EXPECT_EQ(src.width, 1);
  EXPECT_EQ(src.GetPixel(0, 0), 4u);
}

TEST(Convert, RotateByQuarterTurns) {
  Bitmap b;
  ASSERT_TRUE(b.Create(3, 2, 8));
  // 1 2 3
  // 4 5 6
  for (int i = 0; i < 6; ++i) b.SetPixel(i % 3, i / 3, static_cast<uint32_t>(i + 1));
  Bitmap l = b;
  ASSERT_TRUE(l.RotateLeft());
  EXPECT_EQ(l.width, 2);
  EXPECT_EQ(l.height, 3);
  EXPECT_EQ(l.stride, 4);
  EXPECT_EQ(l.GetPixel(0, 0), 3u);  // old top-right
  EXPECT_EQ(l.GetPixel(1, 0), 6u);
  EXPECT_EQ(l.GetPixel(0, 2), 1u);
  Bitmap r = b;
  ASSERT_TRUE(r.RotateRight());
  EXPECT_EQ(r.GetPixel(0, 0), 4u);  // old bottom-left
  EXPECT_EQ(r.GetPixel(1, 0), 1u);
  EXPECT_EQ(r.GetPixel(1, 2), 3u);
  EXPECT_TRUE(r.stateFlags & kBitmapRotated);
  Bitmap deep;
  deep.Create(2, 2, 24);
  EXPECT_FALSE(deep.RotateLeft());
}

TEST(Convert, PaletteRemapAndToRgb32) {
  uint8_t pal[256][4] = {};
  for (int i = 0; i < 256; ++i) {
    pal[i][0] = static_cast<uint8_t>(i);
    pal[i][1] = static_cast<uint8_t>(255 - i);
  }
  uint8_t map[256];
  ASSERT_TRUE(BuildPaletteRemap(map, pal, pal));
  for (int i = 0; i < 256; ++i) ASSERT_EQ(map[i], i);
  pal[9][0] = pal[3][0];
  pal[9][1] = pal[3][1];
  ASSERT_TRUE(BuildPaletteRemap(map, pal, pal));
  EXPECT_EQ(map[9], 3);  // a duplicate maps to its first occurrence
  EXPECT_FALSE(BuildPaletteRemap(nullptr, pal, pal));

  Image img;
  ASSERT_TRUE(img.Create(2, 1, 8));
  img.palette[1][0] = 10;
  img.palette[1][1] = 20;
  img.palette[1][2] = 30;
  img.SetPixel(0, 0, 1);
  ASSERT_TRUE(img.ToRGB32(nullptr));
  EXPECT_EQ(img.bpp, 32);
  EXPECT_EQ(img.stride, 8);
  EXPECT_EQ(img.pixels[0], 30);
  EXPECT_EQ(img.pixels[1], 20);
  EXPECT_EQ(img.pixels[2], 10);
  EXPECT_EQ(img.pixels[3], 0);
  EXPECT_TRUE(img.ToRGB32(nullptr));  // already 32 bits

  Bitmap grey;
  ASSERT_TRUE(grey.Create(1, 1, 8));
  grey.SetPixel(0, 0, 77);
  ASSERT_TRUE(grey.ToRGB32(nullptr));
  EXPECT_EQ(grey.GetPixel(0, 0), 0x004D4D4Du);
  Bitmap b16;
  b16.Create(1, 1, 16);
  EXPECT_FALSE(b16.ToRGB32(nullptr));

  // 2^29 8-bit pixels fit a bitmap; at 4 bytes each they would not.
  Bitmap wide;
  ASSERT_TRUE(wide.Create(1 << 29, 1, 8));
  EXPECT_FALSE(wide.ToRGB32(nullptr));
  EXPECT_EQ(wide.bpp, 8);
  EXPECT_EQ(wide.stride, 1 << 29);
}

TEST(Convert, CopyAndConvertBetweenDepths) {
  Bitmap src;
  ASSERT_TRUE(src.Create(2, 1, 24));
  src.SetPixel(0, 0, 0x306090);
  Bitmap grey;
  ASSERT_TRUE(grey.Create(2, 1, 8));
  ASSERT_TRUE(grey.CopyFromBuffer(src.pixels, 2, 1, src.stride, 24));
  EXPECT_EQ(grey.GetPixel(0, 0), (0x90u + 0x60u + 0x30u) / 3);
  Bitmap deep;
  ASSERT_TRUE(deep.Create(2, 1, 32));
  deep.SetPixel(0, 0, 0xAB000000);
  ASSERT_TRUE(deep.ConvertFrom(src, nullptr));
  EXPECT_EQ(deep.GetPixel(0, 0), 0xAB306090u);  // the fourth byte stays
  Bitmap b16;
  ASSERT_TRUE(b16.Create(2, 1, 16));
  EXPECT_FALSE(b16.CopyFromBuffer(src.pixels, 2, 1, src.stride, 24));
  ASSERT_TRUE(b16.ConvertFrom(src, nullptr));
  EXPECT_EQ(b16.GetPixel(0, 0), (0x30u >> 3) << 10 | (0x60u >> 3) << 5 | (0x90u >> 3));
  ASSERT_TRUE(deep.ConvertFrom(b16, nullptr));
  EXPECT_EQ(deep.GetPixel(0, 0), 0xFF306090u);
  Bitmap eight;
  ASSERT_TRUE(eight.Create(2, 1, 8));
  EXPECT_FALSE(eight.ConvertFrom(b16, nullptr));
}

// The upload of true-colour pictures to the 16-bit display: every pixel of
// 24- and 32-bit sources, including an overlap smaller than the target and
// padded source rows, packs to 5-5-5 with the low bits dropped.
TEST(Convert, TrueColourTo16BitsPacksEveryPixel) {
  for (int32_t depth : {24, 32}) {
    Bitmap src;
    ASSERT_TRUE(src.Create(67, 5, depth));
    uint32_t seed = 12345;
    for (int32_t y = 0; y < src.height; ++y)
      for (int32_t x = 0; x < src.width; ++x) {
        seed = seed * 1664525u + 1013904223u;
        src.SetPixel(x, y, seed >> 4);
      }
    Bitmap b16;
    ASSERT_TRUE(b16.Create(70, 4, 16));
    ASSERT_TRUE(b16.ConvertFrom(src, nullptr));
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 70; ++x) {
        const uint32_t v = src.GetPixel(x, y);
        const uint32_t want = x < 67 ? ((v >> 19) & 0x1F) << 10 | ((v >> 11) & 0x1F) << 5 | ((v >> 3) & 0x1F) : 0;
        ASSERT_EQ(b16.GetPixel(x, y), want) << depth << " bits at " << x << ", " << y;
      }
  }
}

TEST(Convert, AdjustColours) {
  Image img;
  ASSERT_TRUE(img.Create(1, 1, 8));
  img.palette[1][0] = 200;
  // Scale 0 and offset 0.5 map every value to trunc(127.5) = 127; a negative
  // offset gives 0; a large one 255.
  ASSERT_TRUE(img.AdjustColours(0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0, 0, 0, 0, 0.5f, -1.0f, 3.0f, 0));
  EXPECT_EQ(img.palette[1][0], 127);
  EXPECT_EQ(img.palette[1][1], 0);
  EXPECT_EQ(img.palette[1][2], 255);
  EXPECT_TRUE(img.stateFlags & kBitmapColoursAdjusted);

  Bitmap b;
  ASSERT_TRUE(b.Create(1, 1, 32));
  b.SetPixel(0, 0, 0x80402010);
  // Halving every channel with neutral curves (gain and bias 0.5).
  ASSERT_TRUE(b.AdjustColours(0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0, 0, 0, 0));
  uint32_t v = b.GetPixel(0, 0);
  EXPECT_NEAR(static_cast<int>(v >> 24), 0x40, 1);
  EXPECT_NEAR(static_cast<int>((v >> 16) & 0xFF), 0x20, 1);
  EXPECT_NEAR(static_cast<int>(v & 0xFF), 0x08, 1);
  Bitmap b16;
  b16.Create(1, 1, 16);
  EXPECT_FALSE(b16.AdjustColours(0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 1, 1, 1, 1, 0, 0, 0, 0));
}

}  // namespace
