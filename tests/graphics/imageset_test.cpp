#include <gtest/gtest.h>

#include <cstdio>

#include <boost/filesystem/operations.hpp>

#include "graphics/bitmap.h"
#include "graphics/imageset.h"
#include "platform/debug.h"
#include "support/test_support.h"
#include "test_images.h"

using gfxtest::Bytes;

namespace {

// Loads bytes through the FILE* form; also reports where the file was left.
bool LoadBytes(ImageSet& set, const std::vector<uint8_t>& bytes, long* endPos = nullptr) {
  std::vector<uint8_t> copy = bytes;
  if (copy.empty()) copy.push_back(0);
  FILE* f = fmemopen(copy.data(), bytes.size() ? bytes.size() : 1, "rb");
  if (!f) return false;
  bool ok = set.Load(f);
  if (endPos) *endPos = std::ftell(f);
  std::fclose(f);
  return ok;
}

// A set that already holds something, to see whether a refused file keeps it.
void FillWithMarker(ImageSet& set) {
  ASSERT_TRUE(set.SetCount(2));
  set.names[1].Assign("marker");
  ASSERT_TRUE(set.Create(1, 1, 8));
  set.SetPixel(0, 0, 42);
  ASSERT_TRUE(set.GetImage(1)->Create(3, 3, 32));
}

void ExpectMarker(ImageSet& set) {
  EXPECT_EQ(set.count, 2);
  EXPECT_STREQ(set.GetName(1).Text(), "marker");
  EXPECT_EQ(set.GetPixel(0, 0), 42u);
  EXPECT_EQ(set.GetImage(1)->width, 3);
}

TEST(ImageSetFile, Version2SingleImageIs42Bytes) {
  Bytes b;
  b.Raw("IMST").Int(2).Int(1);
  b.Name("a").Int(2).Int(1).Int(0).Int(0);
  b.Byte(1).Byte(2).Byte(3).Byte(4).Byte(5).Byte(6).Byte(7).Byte(8);
  ASSERT_EQ(b.data.size(), 42u);
  ImageSet set;
  long end = 0;
  ASSERT_TRUE(LoadBytes(set, b.data, &end));
  EXPECT_EQ(end, 42);
  EXPECT_EQ(set.count, 1);
  EXPECT_STREQ(set.GetName(0).Text(), "a");
  EXPECT_EQ(set.bpp, 32);
  EXPECT_EQ(set.width, 2);
  EXPECT_EQ(set.height, 1);
  EXPECT_EQ(set.stride, 8);
  EXPECT_EQ(set.GetPixel(0, 0), 0x04030201u);
  EXPECT_EQ(set.GetPixel(1, 0), 0x08070605u);
  EXPECT_EQ(set.hotX, 0);
}

TEST(ImageSetFile, Version1GlobalAndOwnPalettes) {
  Bytes b;
  b.Raw("IMST").Int(1).Int(2);
  b.Int(3);  // global palette: 3 entries
  b.Byte(10).Byte(11).Byte(12).Byte(99);
  b.Byte(20).Byte(21).Byte(22).Byte(99);
  b.Byte(30).Byte(31).Byte(32).Byte(99);
  // Image 0: 3 x 2, P = 0 takes the global palette; rows of 3 bytes.
  b.Name("glob").Int(3).Int(2).Int(0).Int(0).Int(0);
  b.Byte(0).Byte(1).Byte(2).Byte(2).Byte(1).Byte(0);
  // Image 1: 1 x 1, P = 2 own entries with index-map bytes 7 and 8.
  b.Name("own").Int(1).Int(1).Int(0).Int(0).Int(2);
  b.Byte(1).Byte(2).Byte(3).Byte(7);
  b.Byte(4).Byte(5).Byte(6).Byte(8);
  b.Byte(1);
  ImageSet set;
  long end = 0;
  ASSERT_TRUE(LoadBytes(set, b.data, &end));
  EXPECT_EQ(end, static_cast<long>(b.data.size()));
  ASSERT_EQ(set.count, 2);
  EXPECT_EQ(set.bpp, 8);
  EXPECT_EQ(set.stride, 4);  // 3 pixels held in rows of 4
  EXPECT_EQ(set.GetPixel(2, 0), 2u);
  EXPECT_EQ(set.GetPixel(0, 1), 2u);
  EXPECT_EQ(set.GetPixel(2, 1), 0u);
  EXPECT_EQ(set.palette[1][0], 20);
  EXPECT_EQ(set.palette[2][2], 32);
  EXPECT_EQ(set.palette[3][0], 0);
  EXPECT_EQ(set.indexMap[0], 0);  // the global table carries no index map

  Image* own = set.GetImage(1);
  EXPECT_STREQ(set.GetName(1).Text(), "own");
  EXPECT_EQ(own->palette[0][0], 1);
  EXPECT_EQ(own->palette[1][2], 6);
  EXPECT_EQ(own->palette[2][0], 0);
  EXPECT_EQ(own->palette[255][1], 0);
  EXPECT_EQ(own->indexMap[0], 7);
  EXPECT_EQ(own->indexMap[1], 8);
  EXPECT_EQ(own->indexMap[2], 2);
  EXPECT_EQ(own->indexMap[255], 255);
  EXPECT_EQ(own->GetPixel(0, 0), 1u);
}

TEST(ImageSetFile, RefusedFilesLeaveTheSetAsItWas) {
  struct Case {
    const char* what;
    Bytes bytes;
    bool versionMessage;
  };
  std::vector<Case> cases;
  cases.push_back({"wrong magic", Bytes().Raw("IMSX").Int(2).Int(1), false});
  cases.push_back({"version 3", Bytes().Raw("IMST").Int(3).Int(1), true});
  cases.push_back({"version 7", Bytes().Raw("IMST").Int(7).Int(1), true});
  cases.push_back({"count 0", Bytes().Raw("IMST").Int(2).Int(0), false});
  cases.push_back({"negative count", Bytes().Raw("IMST").Int(2).Int(-4), false});
  cases.push_back({"count beyond the file", Bytes().Raw("IMST").Int(2).Int(1000000).Fill(40, 0), false});
  cases.push_back({"negative name length", Bytes().Raw("IMST").Int(2).Int(1).Int(-1).Fill(1100, 0), false});
  cases.push_back({"pixels beyond the file",
                   Bytes().Raw("IMST").Int(2).Int(1).Name("x").Int(100).Int(100).Int(0).Int(0).Fill(16, 1), false});
  cases.push_back({"overflowing size",
                   Bytes().Raw("IMST").Int(2).Int(1).Name("x").Int(0x7FFFFFFF).Int(0x7FFFFFFF).Int(0).Int(0), false});
  cases.push_back({"8-bit rows beyond the file",
                   Bytes().Raw("IMST").Int(1).Int(1).Int(0).Name("x").Int(64).Int(64).Int(0).Int(0).Int(0), false});
  cases.push_back({"own palette and rows beyond the file",
                   Bytes().Raw("IMST").Int(1).Int(1).Int(0).Name("x").Int(4).Int(4).Int(0).Int(0).Int(100).Fill(16, 1),
                   false});
  cases.push_back({"empty file", Bytes(), false});
  // Each record must fit in the bytes left; none of these used to count.
  cases.push_back({"name beyond the file", Bytes().Raw("IMST").Int(2).Int(1).Int(5000).Fill(40, 0), false});
  cases.push_back(
      {"second record cut short",
       Bytes().Raw("IMST").Int(2).Int(2).Name("a").Int(0).Int(0).Int(0).Int(0).Name("b").Int(0).Int(0).Fill(1, 0),
       false});
  cases.push_back({"global palette beyond the file", Bytes().Raw("IMST").Int(1).Int(1).Int(1000).Fill(24, 0), false});
  // 50,000 empty records really in the file: about 1 MB that would cost
  // over 100 MB as images.
  cases.push_back(
      {"more images than the file may pay for", Bytes().Raw("IMST").Int(2).Int(50000).Fill(1000000, 0), false});
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImageSet set;
    FillWithMarker(set);
    plat::DebugCaptureScope capture;
    EXPECT_FALSE(LoadBytes(set, c.bytes.data));
    ExpectMarker(set);
    EXPECT_EQ(capture.text == "Bad ImageSet version!\n", c.versionMessage) << capture.text;
  }
}

TEST(ImageSetFile, MalformedRecordsStayInStep) {
  // 300 global entries (only 256 kept), a 1500-byte name without a NUL, and
  // an own palette of 258 entries: the records after them still line up.
  Bytes b;
  b.Raw("IMST").Int(1).Int(3);
  b.Int(300);
  for (int i = 0; i < 300; ++i) b.Byte(static_cast<uint8_t>(i)).Byte(1).Byte(2).Byte(3);
  b.Int(1500).Fill(1500, 'n');
  b.Int(1).Int(1).Int(0).Int(0).Int(0).Byte(5);
  b.Int(2).Raw("z").Raw("q");  // a name field without NUL: the name is "zq"
  b.Int(2).Int(1).Int(0).Int(0).Int(258);
  for (int i = 0; i < 258; ++i) b.Byte(static_cast<uint8_t>(i)).Byte(0).Byte(0).Byte(static_cast<uint8_t>(i));
  b.Byte(9).Byte(8);
  b.Name("last").Int(0).Int(0).Int(0).Int(0).Int(77);  // zero size: palette and rows not read
  ImageSet set;
  long end = 0;
  ASSERT_TRUE(LoadBytes(set, b.data, &end));
  EXPECT_EQ(end, static_cast<long>(b.data.size()));
  ASSERT_EQ(set.count, 3);
  EXPECT_EQ(set.GetName(0).length, 1023);
  EXPECT_EQ(set.palette[255][0], 255);  // global entry 255 kept
  EXPECT_EQ(set.GetPixel(0, 0), 5u);
  EXPECT_STREQ(set.GetName(1).Text(), "zq");
  EXPECT_EQ(set.GetImage(1)->GetPixel(0, 0), 9u);
  EXPECT_EQ(set.GetImage(1)->GetPixel(1, 0), 8u);
  EXPECT_EQ(set.GetImage(1)->indexMap[200], 200);
  EXPECT_STREQ(set.GetName(2).Text(), "last");
  EXPECT_EQ(set.GetImage(2)->pixels, nullptr);
}

TEST(ImageSetFile, ShortNameDoesNotInheritTheLastOne) {
  Bytes b;
  b.Raw("IMST").Int(2).Int(2);
  b.Name("longname").Int(0).Int(0).Int(0).Int(0);
  b.Int(2).Raw("ab");  // no NUL in a 2-byte field
  b.Int(0).Int(0).Int(0).Int(0);
  ImageSet set;
  ASSERT_TRUE(LoadBytes(set, b.data));
  EXPECT_STREQ(set.GetName(1).Text(), "ab");
}

TEST(ImageSetFile, TruncatedIntegersReadAsZero) {
  // The count is there but the records are cut: missing integers are 0.
  Bytes b;
  b.Raw("IMST").Int(2).Int(1).Int(0).Int(0);
  b.Fill(12, 0);
  ImageSet set;
  ASSERT_TRUE(LoadBytes(set, b.data));
  EXPECT_EQ(set.count, 1);
  EXPECT_EQ(set.pixels, nullptr);
}

TEST(ImageSetFile, RecordOfTwoGigabytesIsRefusedEvenWhenTheFileHoldsIt) {
  // 2^29 x 1 pixels of 4 bytes: 2^31 bytes, one more than a 32-bit size can
  // hold. The file is sparse, so it is cheap to make.
  Bytes b;
  b.Raw("IMST").Int(2).Int(1).Name("x").Int(1 << 29).Int(1).Int(0).Int(0);
  auto dir = vantrel::test::MakeTempDir("imghuge");
  auto path = dir / "huge.img";
  FILE* f = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(b.data.data(), 1, b.data.size(), f);
  std::fclose(f);
  boost::filesystem::resize_file(path, b.data.size() + (uint64_t{1} << 31) + 16);
  ImageSet set;
  FillWithMarker(set);
  EXPECT_FALSE(set.Load(path.string().c_str()));
  ExpectMarker(set);
}

TEST(ImageSetFile, LoadFromPath) {
  Bytes b;
  b.Raw("IMST").Int(2).Int(2);
  b.Name("one").Int(1).Int(1).Int(0).Int(0).Int(0x11223344);
  b.Name("two").Int(1).Int(2).Int(0).Int(0).Int(1).Int(2);
  auto dir = vantrel::test::MakeTempDir("imgpath");
  std::string path = (dir / "set.img").string();
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(b.data.data(), 1, b.data.size(), f);
  std::fclose(f);
  ImageSet set;
  ASSERT_TRUE(set.Load(path.c_str()));
  EXPECT_EQ(set.count, 2);
  EXPECT_EQ(set.GetImage(1)->height, 2);
  EXPECT_EQ(set.GetPixel(0, 0), 0x11223344u);
  EXPECT_FALSE(set.Load((dir / "missing.img").string().c_str()));
  EXPECT_EQ(set.count, 2);
}

// What a set holds in memory follows what its file holds: a few times the
// file's bytes beyond a fixed allowance. Sets of many small images as real
// files have them still load; a count that only empty records pay for is
// refused at once.
TEST(ImageSetFile, MemoryStaysWithinAFewTimesTheFile) {
  struct Case {
    const char* what;
    Bytes bytes;
    bool loads;
  };
  std::vector<Case> cases;
  cases.push_back({"1,000 empty records", Bytes().Raw("IMST").Int(2).Int(1000).Fill(20000, 0), true});
  Bytes font;
  font.Raw("IMST").Int(1).Int(2000).Int(0);
  for (int i = 0; i < 2000; ++i) font.Name("g").Int(1).Int(2).Int(0).Int(0).Int(0).Byte(1).Byte(2);
  cases.push_back({"2,000 glyphs of 1 x 2 pixels", font, true});
  Bytes wide;
  wide.Raw("IMST").Int(1).Int(1).Int(0).Name("w").Int(1).Int(200000).Int(0).Int(0).Int(0).Fill(200000, 7);
  cases.push_back({"rows of one pixel, padded to 4 bytes", wide, true});
  cases.push_back({"20,000 empty records", Bytes().Raw("IMST").Int(2).Int(20000).Fill(400000, 0), false});
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImageSet set;
    EXPECT_EQ(LoadBytes(set, c.bytes.data), c.loads);
    EXPECT_LE(ImageSetMemoryBytes(set), ImageSetMemoryBudget(static_cast<int64_t>(c.bytes.data.size())));
  }
}

// The claimed count of a sparse 20 MB file of zeros (a million empty
// records) is refused before its records are read.
TEST(ImageSetFile, MillionEmptyRecordsAreRefused) {
  Bytes b;
  b.Raw("IMST").Int(2).Int(1000000);
  auto dir = vantrel::test::MakeTempDir("imgmillion");
  auto path = dir / "million.charms";
  FILE* f = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(b.data.data(), 1, b.data.size(), f);
  std::fclose(f);
  boost::filesystem::resize_file(path, b.data.size() + 20 * 1000000);
  ImageSet set;
  FillWithMarker(set);
  EXPECT_FALSE(set.Load(path.string().c_str()));
  ExpectMarker(set);
}

}  // namespace
