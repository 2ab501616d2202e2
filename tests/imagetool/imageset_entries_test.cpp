// The tool's set reader and writer: the bytes written, round trips, version-1
// palettes, and cut or hostile files refused with the list kept.
#include "imagetool_fixture.h"

#include "graphics/imageset_writer.h"

using namespace imagetool_test;

namespace {

std::unique_ptr<ImageEntry> MakeEntry(const std::string& name, int32_t w, int32_t h, uint32_t argb) {
  auto e = std::make_unique<ImageEntry>();
  e->name.Assign(name.c_str());
  if (w > 0 && h > 0) {
    e->image.Create(w, h, 32);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) e->image.SetPixel(x, y, argb + static_cast<uint32_t>(x));
  }
  e->BuildDisplayFrame();
  e->RefreshSurface();
  return e;
}

// A version-2 set of one w x h image.
std::vector<uint8_t> V2Set(const std::string& name, int32_t w, int32_t h) {
  Bytes f;
  f.Str("IMST").Int(2).Int(1).Name(name).Int(w).Int(h).Int(0).Int(0);
  for (int32_t i = 0; i < w * h; ++i) f.Int(static_cast<int32_t>(0x80000000u | static_cast<uint32_t>(i)));
  return f.b;
}

}  // namespace

class ImageSetEntries : public ToolFixture {};

TEST_F(ImageSetEntries, WriterLaysOutHeaderRecordsAndPixels) {
  tool.entries.push_back(MakeEntry("a", 1, 1, 0x11223344u));
  tool.entries.push_back(MakeEntry("", 2, 1, 0xAABBCCDDu));
  fs::path p = dir / "two.img";
  ASSERT_TRUE(tool.SaveImageSetEntries(p));
  std::vector<uint8_t> got = ReadBytes(p);
  Bytes want;
  want.Str("IMST").Int(2).Int(2);
  want.Name("a").Int(1).Int(1).Int(0).Int(0).Int(0x11223344);
  want.Name("")
      .Int(2)
      .Int(1)
      .Int(0)
      .Int(0)
      .Int(static_cast<int32_t>(0xAABBCCDDu))
      .Int(static_cast<int32_t>(0xAABBCCDEu));
  EXPECT_EQ(got.size(), 12u + 26u + 29u);
  EXPECT_EQ(got, want.b);
}

TEST_F(ImageSetEntries, LoadThenSaveGivesTheSameBytes) {
  Bytes f;
  f.Str("IMST").Int(2).Int(2).Name("first").Int(2).Int(2).Int(7).Int(9);
  for (int i = 0; i < 4; ++i) f.Int(static_cast<int32_t>(0x01020304u * static_cast<uint32_t>(i + 1)));
  f.Name("second").Int(1).Int(3).Int(0).Int(0).Int(0).Int(-1).Int(0x00FF00FF);
  fs::path in = dir / "in.img";
  WriteBytes(in, f.b);
  ASSERT_TRUE(tool.LoadImageSetEntries(in, false));
  ASSERT_EQ(tool.entries.size(), 2u);
  fs::path out = dir / "out.img";
  ASSERT_TRUE(tool.SaveImageSetEntries(out));
  // The reserved words are written as 0.
  Bytes expected = f;
  std::fill(expected.b.begin() + 12 + 4 + 6 + 8, expected.b.begin() + 12 + 4 + 6 + 16, 0);
  EXPECT_EQ(ReadBytes(out), expected.b);
  ASSERT_TRUE(tool.LoadImageSetEntries(out, false));
  fs::path again = dir / "again.img";
  ASSERT_TRUE(tool.SaveImageSetEntries(again));
  EXPECT_EQ(ReadBytes(again), ReadBytes(out));
}

TEST_F(ImageSetEntries, VersionOneImagesUseTheirOwnOrTheGlobalPalette) {
  Bytes f;
  f.Str("IMST").Int(1).Int(2);
  // Global palette of three entries.
  f.Int(3).Byte(1).Byte(2).Byte(3).Byte(0).Byte(10).Byte(20).Byte(30).Byte(0).Byte(40).Byte(50).Byte(60).Byte(0);
  // Image 0: no palette of its own, 3 x 1.
  f.Name("global").Int(3).Int(1).Int(0).Int(0).Int(0).Byte(0).Byte(1).Byte(2);
  // Image 1: a palette of two with index-map bytes, 1 x 2.
  f.Name("own").Int(1).Int(2).Int(0).Int(0).Int(2);
  f.Byte(200).Byte(100).Byte(50).Byte(7).Byte(9).Byte(8).Byte(7).Byte(6);
  f.Byte(1).Byte(0);
  ImageSetContents c;
  std::string error;
  ASSERT_TRUE(ParseImageSetEntries(f.b.data(), f.b.size(), &c, &error)) << error;
  ASSERT_EQ(c.entries.size(), 2u);
  EXPECT_EQ(c.globalPaletteCount, 3);
  const Bitmap& g = c.entries[0]->DisplayFrame();
  ASSERT_EQ(g.bpp, 32);
  EXPECT_EQ(g.GetPixel(0, 0), 0x00010203u);
  EXPECT_EQ(g.GetPixel(1, 0), 0x000A141Eu);
  EXPECT_EQ(g.GetPixel(2, 0), 0x0028323Cu);
  const ImageEntry& own = *c.entries[1];
  EXPECT_EQ(own.DisplayFrame().GetPixel(0, 0), 0x00090807u);
  EXPECT_EQ(own.DisplayFrame().GetPixel(0, 1), 0x00C86432u);
  EXPECT_EQ(own.image.indexMap[0], 7);
  EXPECT_EQ(own.image.indexMap[1], 6);
  EXPECT_EQ(own.image.indexMap[2], 2);
  EXPECT_EQ(own.image.palette[2][0], 0);
  EXPECT_EQ(own.surface.Width(), 1);
}

TEST_F(ImageSetEntries, AppendKeepsEntriesInFrontAndTheCurrentIndex) {
  fs::path p = dir / "one.img";
  WriteBytes(p, V2Set("x", 1, 1));
  ASSERT_TRUE(tool.LoadImageSetEntries(p, false));
  ASSERT_TRUE(tool.LoadImageSetEntries(p, true));
  tool.current = 1;
  WriteBytes(p, V2Set("y", 2, 2));
  ASSERT_TRUE(tool.LoadImageSetEntries(p, true));
  ASSERT_EQ(tool.entries.size(), 3u);
  EXPECT_STREQ(tool.entries[0]->name.Text(), "x");
  EXPECT_STREQ(tool.entries[1]->name.Text(), "x");
  EXPECT_STREQ(tool.entries[2]->name.Text(), "y");
  EXPECT_EQ(tool.current, 1u);
  Pump();
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"0 x", "1 x", "2 y"}));
}

TEST_F(ImageSetEntries, LongNameFieldIsSkippedWholeAndNamesKeepWhatTheWriterTakes) {
  Bytes f;
  std::string longName(2000, 'n');
  f.Str("IMST").Int(2).Int(2).Name(longName).Int(1).Int(1).Int(0).Int(0).Int(5);
  f.Name("next").Int(1).Int(1).Int(0).Int(0).Int(6);
  ImageSetContents c;
  std::string error;
  ASSERT_TRUE(ParseImageSetEntries(f.b.data(), f.b.size(), &c, &error)) << error;
  ASSERT_EQ(c.entries.size(), 2u);
  EXPECT_EQ(std::string(c.entries[0]->name.Text()), std::string(kMaxSetName, 'n'));
  EXPECT_STREQ(c.entries[1]->name.Text(), "next");
  EXPECT_EQ(c.entries[1]->DisplayFrame().GetPixel(0, 0), 6u);

  // A name longer than the name field takes (but one the writer takes) is
  // kept whole, so loading and saving such a set changes no byte.
  fs::path in = dir / "long.img";
  fs::path out = dir / "long-again.img";
  WriteBytes(in, V2Set(std::string(300, 'q'), 1, 1));
  ASSERT_TRUE(tool.LoadImageSetEntries(in, false));
  EXPECT_EQ(std::string(tool.entries[0]->name.Text()), std::string(300, 'q'));
  ASSERT_TRUE(tool.SaveImageSetEntries(out));
  EXPECT_EQ(ReadBytes(out), ReadBytes(in));
}

TEST_F(ImageSetEntries, EmptyEntryIsNeverSavedAndAFileWithOneIsRefusedOnReading) {
  tool.entries.push_back(MakeEntry("ok", 1, 1, 1));
  tool.entries.push_back(MakeEntry("broken", 0, 0, 0));
  EXPECT_EQ(tool.EntriesWithoutPicture(), std::vector<size_t>{1});
  // The tool writes nothing over an existing file...
  fs::path p = dir / "empty.img";
  WriteBytes(p, {'o', 'l', 'd'});
  EXPECT_FALSE(tool.SaveImageSetEntries(p));
  EXPECT_EQ(ReadBytes(p), (std::vector<uint8_t>{'o', 'l', 'd'}));
  // ...because the writer lays such an entry out without pixels, which the
  // reader refuses.
  std::vector<ImageSetWriterEntry> list;
  for (const auto& entry : tool.entries) list.push_back({entry->name.Text(), &entry->DisplayFrame()});
  ASSERT_TRUE(WriteImageSet(p, list));
  EXPECT_EQ(ReadBytes(p).size(), 12u + (4 + 3 + 16 + 4) + (4 + 7 + 16));
  tool.entries.clear();
  tool.entries.push_back(MakeEntry("kept", 1, 1, 1));
  EXPECT_FALSE(tool.LoadImageSetEntries(p, false));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Error initializing 32-bit bitmap!"});
  ASSERT_EQ(tool.entries.size(), 1u);
  EXPECT_STREQ(tool.entries[0]->name.Text(), "kept");
}

TEST_F(ImageSetEntries, BadFilesFailWithTheReadersMessageAndChangeNothing) {
  std::vector<uint8_t> good = V2Set("abc", 2, 2);
  auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)); };
  auto patched = [](std::vector<uint8_t> b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    return b;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"empty file", {}, "Not an Image Set!"},
      {"other magic", {'I', 'M', 'S', 'X', 2, 0, 0, 0, 1, 0, 0, 0}, "Not an Image Set!"},
      {"cut in the header", cut(10), "Not an Image Set!"},
      {"version 3", patched(good, 4, 3), "Wrong version!"},
      {"huge count", patched(good, 8, 0x7FFFFFFF), "Couldn't allocate ram!"},
      {"count over the bound with the bytes for it",
       [] {
         Bytes b;
         b.Str("IMST").Int(2).Int(kMaxSetEntries + 1);
         b.b.resize(b.b.size() + static_cast<size_t>(kMaxSetEntries + 1) * 24, 0);
         return b.b;
       }(),
       "Couldn't allocate ram!"},
      {"cut before the records can fit", cut(14), "Couldn't allocate ram!"},
      {"name longer than the file", patched(good, 12, 100), "Error initializing 32-bit bitmap!"},
      {"negative name length", patched(good, 12, -1), "Error initializing 32-bit bitmap!"},
      {"zero width", patched(good, 20, 0), "Error initializing 32-bit bitmap!"},
      {"huge size", patched(patched(good, 20, 0x10000), 24, 0x10000), "Error initializing 32-bit bitmap!"},
      {"cut in the pixels", cut(good.size() - 1), "Error initializing 32-bit bitmap!"},
      {"v1 zero height",
       Bytes().Str("IMST").Int(1).Int(1).Int(0).Name("a").Int(1).Int(0).Int(0).Int(0).Int(0).Int(0).Int(0).b,
       "Error initializing 8-bit bitmap!"},
      {"v1 huge palette",
       Bytes().Str("IMST").Int(1).Int(1).Int(0).Name("a").Int(1).Int(1).Int(0).Int(0).Int(1 << 28).Byte(0).b,
       "Error initializing 8-bit bitmap!"},
      {"v1 cut global palette", Bytes().Str("IMST").Int(1).Int(1).Int(300).Int(0).b, "Couldn't allocate ram!"},
  };
  fs::path keep = dir / "keep.img";
  WriteBytes(keep, V2Set("kept", 1, 1));
  ASSERT_TRUE(tool.LoadImageSetEntries(keep, false));
  size_t boxes = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImageSetContents contents;
    contents.version = 42;
    std::string error;
    EXPECT_FALSE(ParseImageSetEntries(c.bytes.data(), c.bytes.size(), &contents, &error));
    EXPECT_EQ(error, c.message);
    EXPECT_EQ(contents.version, 42);
    fs::path p = dir / "bad.img";
    WriteBytes(p, c.bytes);
    for (bool append : {false, true}) {
      EXPECT_FALSE(tool.LoadImageSetEntries(p, append));
      ASSERT_EQ(windows.MessageBoxes().size(), ++boxes);
      EXPECT_EQ(windows.MessageBoxes().back().text, c.message);
      EXPECT_EQ(windows.MessageBoxes().back().caption, "Error");
      ASSERT_EQ(tool.entries.size(), 1u);
      EXPECT_STREQ(tool.entries[0]->name.Text(), "kept");
    }
  }
}

TEST_F(ImageSetEntries, ASetFileLargerThanTheBoundIsRefusedBeforeItIsRead) {
  // A set padded with a hole: at the bound it opens, one byte more is a file
  // the tool cannot read, and the list keeps what it held.
  Bytes f;
  f.Str("IMST").Int(2).Int(1).Name("padded").Int(1).Int(1).Int(0).Int(0).Int(static_cast<int32_t>(0xFF0000FFu));
  const fs::path p = dir / "padded.img";
  WriteBytes(p, f.b);
  fs::resize_file(p, kMaxSetFileBytes);
  ASSERT_TRUE(tool.LoadImageSetEntries(p, false));
  ASSERT_EQ(tool.entries.size(), 1u);
  EXPECT_STREQ(tool.entries[0]->name.Text(), "padded");
  fs::resize_file(p, kMaxSetFileBytes + 1);
  EXPECT_FALSE(tool.LoadImageSetEntries(p, true));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Error opening file: " + p.string()});
  ASSERT_EQ(tool.entries.size(), 1u);
  EXPECT_STREQ(tool.entries[0]->name.Text(), "padded");
}

TEST_F(ImageSetEntries, MissingFileIsReportedWithItsPath) {
  fs::path p = dir / "nowhere.img";
  EXPECT_FALSE(tool.LoadImageSetEntries(p, false));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Error opening file: " + p.string()});
  EXPECT_FALSE(tool.LoadImageSetEntries(dir, false));
  EXPECT_EQ(BoxTexts().back(), "Error opening file: " + dir.string());
  // The path is shown in the message box's Windows-1252, not as UTF-8 bytes.
  fs::path accented = dir / "caf\xC3\xA9.img";
  EXPECT_FALSE(tool.LoadImageSetEntries(accented, false));
  EXPECT_EQ(BoxTexts().back(), "Error opening file: " + dir.string() + "/caf\xE9.img");
}
