// The version-2 image-set writer: exact bytes, a round trip through the
// reader, refused entries and safe replacement of an existing file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/imageset_writer.h"
#include "support/test_support.h"
#include "file_limit.h"

namespace fs = boost::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A 32-bit bitmap whose pixel (x, y) is seed + x + 100 y with the alpha byte varying.
Bitmap Pattern(int w, int h, uint32_t seed) {
  Bitmap b;
  EXPECT_TRUE(b.Create(w, h, 32));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, ((seed + x * 7 + y * 13) << 24) | (seed + x + 100 * y));
  return b;
}

}  // namespace

TEST(ImageSetWriter, SingleImageIsTheFortyTwoByteLayout) {
  Bitmap image;
  ASSERT_TRUE(image.Create(2, 1, 32));
  image.SetPixel(0, 0, 0x80112233);
  image.SetPixel(1, 0, 0xFFAABBCC);
  Bytes out;
  ASSERT_TRUE(BuildImageSet({{"a", &image}}, out));
  const Bytes expected = {'I',  'M',  'S',  'T',  2,    0,    0,    0,   1, 0, 0, 0,  // magic, version, count
                          2,    0,    0,    0,    'a',  0,                            // name length with NUL, name
                          2,    0,    0,    0,    1,    0,    0,    0,   0, 0, 0, 0,
                          0,    0,    0,    0,  // width, height, reserved
                          0x33, 0x22, 0x11, 0x80, 0xCC, 0xBB, 0xAA, 0xFF};
  EXPECT_EQ(out, expected);
  EXPECT_EQ(out.size(), 42u);
}

TEST(ImageSetWriter, EmptyNamesAndEmptyImages) {
  Bitmap one = Pattern(1, 1, 5), two = Pattern(2, 1, 9), none;
  Bytes out;
  ASSERT_TRUE(BuildImageSet({{"a", &one}, {"", &two}}, out));
  EXPECT_EQ(out.size(), 12u + (4 + 2 + 16 + 4) + (4 + 1 + 16 + 8));
  EXPECT_EQ(out[38], 1);  // second name length: just the NUL

  ASSERT_TRUE(BuildImageSet({{"gone", &none}}, out));
  EXPECT_EQ(out.size(), 12u + 4 + 5 + 16);  // 0 x 0, no pixels
  EXPECT_EQ(out[21], 0);
  EXPECT_EQ(out[25], 0);
}

TEST(ImageSetWriter, OutputLoadsBackToTheSameNamesAndPixels) {
  fs::path path = vantrel::test::MakeTempDir("writer") / "set.img";
  std::vector<Bitmap> images;
  images.push_back(Pattern(3, 2, 1));
  images.push_back(Pattern(48, 24, 77));
  images.push_back(Pattern(1, 5, 200));
  const char* names[] = {"brick1", "explo", "A longer name with spaces"};
  std::vector<ImageSetWriterEntry> entries;
  for (size_t i = 0; i < images.size(); ++i) entries.push_back({names[i], &images[i]});
  ASSERT_TRUE(WriteImageSet(path, entries));

  ImageSet set;
  ASSERT_TRUE(set.Load(path.string().c_str()));
  ASSERT_EQ(set.count, 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const Image* image = set.GetImage(i);
    EXPECT_EQ(std::string(set.GetName(i).Text()), names[i]);
    ASSERT_EQ(image->width, images[i].width);
    ASSERT_EQ(image->height, images[i].height);
    EXPECT_EQ(image->bpp, 32);
    for (int y = 0; y < image->height; ++y)
      for (int x = 0; x < image->width; ++x) ASSERT_EQ(image->GetPixel(x, y), images[i].GetPixel(x, y));
  }
}

TEST(ImageSetWriter, RefusesWhatNoReaderCouldLoad) {
  fs::path path = vantrel::test::MakeTempDir("refuse") / "set.img";
  Bitmap good = Pattern(2, 2, 3);
  ASSERT_TRUE(WriteImageSet(path, {{"keep", &good}}));
  Bytes before = ReadBytes(path);

  Bitmap paletted;
  ASSERT_TRUE(paletted.Create(4, 4, 8));
  std::string longest(1022, 'n');
  std::string tooLong(1023, 'n');
  Bytes out = {1, 2, 3};
  EXPECT_FALSE(WriteImageSet(path, {}));
  EXPECT_FALSE(WriteImageSet(path, {{"eight", &paletted}}));
  EXPECT_FALSE(WriteImageSet(path, {{"null", nullptr}}));
  EXPECT_FALSE(BuildImageSet({{tooLong, &good}}, out));
  EXPECT_EQ(out, (Bytes{1, 2, 3}));
  EXPECT_TRUE(BuildImageSet({{longest, &good}}, out));
  EXPECT_EQ(ReadBytes(path), before);
}

TEST(ImageSetWriter, InterruptedWriteKeepsTheOldFile) {
  fs::path dir = vantrel::test::MakeTempDir("cut");
  fs::path path = dir / "set.img";
  Bitmap small = Pattern(2, 2, 3);
  ASSERT_TRUE(WriteImageSet(path, {{"old", &small}}));
  Bytes before = ReadBytes(path);

  Bitmap big = Pattern(256, 256, 1);  // 256 KiB of pixels
  bool written;
  {
    FileSizeLimit cut(128 * 1024);
    ASSERT_TRUE(cut.ok());
    written = WriteImageSet(path, {{"new", &big}});
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadBytes(path), before);
  for (const auto& entry : fs::directory_iterator(dir)) EXPECT_EQ(entry.path().filename().string(), "set.img");
  EXPECT_FALSE(WriteImageSet(dir / "no-such-folder" / "x.img", {{"old", &small}}));
}
