// The .bdz file: round trips, every stored version, plain and scrambled
// files, the checksum, the lock, bounded reading and safe saving.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/data_files.h"
#include "core/hash.h"
#include "boardset/boardset.h"
#include "support/test_support.h"
#include "file_limit.h"

namespace fs = boost::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

void PutInt(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutString(Bytes& b, const std::string& s) {
  PutInt(b, static_cast<uint32_t>(s.size()));
  b.insert(b.end(), s.begin(), s.end());
}

// Content of a hand-made file; Plain() lays out the fields its version holds.
struct Fields {
  int32_t count = 2;
  int32_t columns = 26;
  std::string salt;
  uint32_t lockWord = 0;
  std::string brickPath = "Sets/Bricks.img";
  int32_t signature = 1234;
  std::string backgroundPath = "Back.img";
  std::string title = "Title", author = "Author", notes = "Notes", spare = "Spare";
  int32_t sortOrder = 9;
  int storedBoards = -1;  // records actually written; -1 = count
};

int32_t CellValue(int board, int cell) { return board * 1000 + cell + 1; }

Bytes Plain(int version, const Fields& f) {
  Bytes b = {'B', 'D', 'S', 'T'};
  PutInt(b, static_cast<uint32_t>(version));
  PutInt(b, static_cast<uint32_t>(f.count));
  if (version >= 5) PutInt(b, static_cast<uint32_t>(f.columns));
  if (version >= 6) {
    PutString(b, "reserved");
    PutString(b, f.salt);
    PutInt(b, f.lockWord);
  }
  PutString(b, f.brickPath);
  if (version >= 7) PutInt(b, static_cast<uint32_t>(f.signature));
  PutString(b, f.backgroundPath);
  if (version >= 2) {
    PutString(b, f.title);
    PutString(b, f.author);
    PutString(b, f.notes);
  }
  if (version >= 6) PutString(b, f.spare);
  if (version >= 7) PutInt(b, static_cast<uint32_t>(f.sortOrder));
  int cells = version >= 5 ? 520 : 400;
  int boards = f.storedBoards >= 0 ? f.storedBoards : f.count;
  for (int r = 0; r < boards; ++r) {
    PutInt(b, static_cast<uint32_t>(r + 3));
    for (int i = 0; i < cells; ++i) PutInt(b, static_cast<uint32_t>(CellValue(r, i)));
  }
  if (version >= 6) PutInt(b, HashBytes(b.data(), static_cast<int32_t>(b.size())));
  return b;
}

Bytes Scramble(const Bytes& plain) {
  uint8_t* out = nullptr;
  int32_t size = 0;
  EXPECT_TRUE(ScrambleBuffer(plain.data(), static_cast<int32_t>(plain.size()), &out, &size));
  Bytes b(out, out + size);
  std::free(out);
  return b;
}

Bytes Unscramble(const Bytes& stored) {
  uint8_t* out = nullptr;
  int32_t size = 0;
  EXPECT_TRUE(UnscrambleBuffer(stored.data(), static_cast<int32_t>(stored.size()), &out, &size));
  Bytes b(out, out + size);
  std::free(out);
  return b;
}

void WriteBytes(const fs::path& path, const Bytes& b) {
  std::ofstream out(path.string(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Opens the file as the locator's current file and loads it.
void Load(BoardSet& set, const fs::path& path, bool checkPassword = false, const std::string& password = "") {
  DataFiles files;
  ASSERT_NE(files.Open(path), nullptr) << path;
  set.Load(files, checkPassword, password);
}

// The message that Load, or LoadHeader, raises for the file ("" when it succeeds).
std::string ErrorOf(const fs::path& path, bool header, bool checkPassword = false, const std::string& password = "",
                    BoardSet* into = nullptr) {
  auto own = std::make_unique<BoardSet>();
  BoardSet& set = into ? *into : *own;
  DataFiles files;
  if (!files.Open(path)) return "not opened";
  try {
    if (header) {
      set.LoadHeader(files);
    } else {
      set.Load(files, checkPassword, password);
    }
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

// The message Load raises for these bytes ("" when it succeeds). Without a
// password check, the list's LoadHeader must give the same answer and, when
// the file loads, the same fields.
std::string LoadError(const Bytes& bytes, bool checkPassword = false, const std::string& password = "") {
  static int n = 0;
  fs::path path = vantrel::test::MakeTempDir("err") / ("case" + std::to_string(n++) + ".bdz");
  WriteBytes(path, bytes);
  auto set = std::make_unique<BoardSet>();
  const std::string message = ErrorOf(path, false, checkPassword, password, set.get());
  if (!checkPassword) {
    auto header = std::make_unique<BoardSet>();
    EXPECT_EQ(ErrorOf(path, true, false, "", header.get()), message) << "LoadHeader of " << path;
    if (message.empty()) {
      EXPECT_EQ(header->version, set->version);
      EXPECT_EQ(header->boardCount, set->boardCount);
      EXPECT_EQ(header->title, set->title);
      EXPECT_EQ(header->author, set->author);
      EXPECT_EQ(header->notes, set->notes);
      EXPECT_EQ(header->sortOrder, set->sortOrder);
      EXPECT_EQ(header->GetLeaderboardName(), set->GetLeaderboardName());
    }
  }
  return message;
}

const char kNotFound[] = "Boardset file not found.";
const char kNoMemory[] = "Could not allocator memory for boardset.";
const char kBadVersion[] = "Unrecognized boardset version.";
const char kCorrupted[] = "Boardset file is corrupted.";
const char kLocked[] = "Boardset file is locked.";

std::unique_ptr<BoardSet> SampleSet() {
  auto set = std::make_unique<BoardSet>();
  set->SetBoardCount(3);
  set->columns = 26;
  set->brickSetPath = "Bricks.img";
  set->backgroundSetPath = "Backgrounds.img";
  set->brickSetSignature = 0x1234567;
  set->title = "A title";
  set->author = std::string("Au\xe9thor");
  set->notes = "Line one\r\nLine two";
  set->spareText = "spare";
  set->sortOrder = -12;
  for (int b = 0; b < 3; ++b) {
    set->boards[b].background = static_cast<uint32_t>(b * 2 + 1);
    for (int i = 0; i < BoardRecord::kCells; ++i) set->boards[b].cells[i] = (i % 7 == 0) ? -(i + b) : i * 3 + b;
  }
  return set;
}

}  // namespace

TEST(BoardSetFile, Version7RoundTripKeepsEveryField) {
  fs::path dir = vantrel::test::MakeTempDir("roundtrip");
  auto saved = SampleSet();
  saved->Lock("pw");
  ASSERT_TRUE(saved->Save(dir / "MySet.bdz"));
  EXPECT_EQ(saved->fileStem, "MySet");

  Bytes stored = ReadBytes(dir / "MySet.bdz");
  ASSERT_GT(stored.size(), 4u);
  EXPECT_NE(std::string(stored.begin(), stored.begin() + 4), "BDST");  // always scrambled
  Bytes plain = Unscramble(stored);
  uint32_t sum = plain[plain.size() - 4] | plain[plain.size() - 3] << 8 | plain[plain.size() - 2] << 16 |
                 static_cast<uint32_t>(plain[plain.size() - 1]) << 24;
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", sum);
  EXPECT_EQ(saved->checksumText, hex);

  auto loaded = std::make_unique<BoardSet>();
  Load(*loaded, dir / "MySet.bdz");
  EXPECT_EQ(loaded->version, 7);
  EXPECT_EQ(loaded->boardCount, 3);
  EXPECT_EQ(loaded->columns, 26);
  EXPECT_EQ(loaded->brickSetPath, "Bricks.img");
  EXPECT_EQ(loaded->backgroundSetPath, "Backgrounds.img");
  EXPECT_EQ(loaded->brickSetSignature, 0x1234567);  // no bricks loaded: kept as read
  EXPECT_EQ(loaded->title, saved->title);
  EXPECT_EQ(loaded->author, saved->author);
  EXPECT_EQ(loaded->notes, saved->notes);
  EXPECT_EQ(loaded->spareText, "spare");
  EXPECT_EQ(loaded->sortOrder, -12);
  EXPECT_EQ(loaded->salt, saved->salt);
  EXPECT_EQ(loaded->salt.size(), 16u);
  EXPECT_EQ(loaded->lockWord, saved->lockWord);
  EXPECT_TRUE(loaded->IsLocked());
  EXPECT_EQ(loaded->checksumText, saved->checksumText);
  EXPECT_EQ(loaded->fileStem, "myset");
  for (int b = 0; b < 3; ++b) {
    EXPECT_EQ(loaded->boards[b].background, saved->boards[b].background);
    for (int i = 0; i < BoardRecord::kCells; ++i) ASSERT_EQ(loaded->boards[b].cells[i], saved->boards[b].cells[i]);
  }
  for (int i = 0; i < BoardRecord::kCells; ++i) ASSERT_EQ(loaded->boards[3].cells[i], 0);
}

TEST(BoardSetFile, SaltWithZeroBytesSurvives) {
  fs::path dir = vantrel::test::MakeTempDir("salt");
  auto saved = SampleSet();
  saved->salt = std::string("\0\0ab\0", 5);
  saved->lockWord = HashBytes("key\0\0ab\0", 8);
  ASSERT_TRUE(saved->Save(dir / "s.bdz"));
  auto loaded = std::make_unique<BoardSet>();
  Load(*loaded, dir / "s.bdz", true, "key");
  EXPECT_EQ(loaded->salt, saved->salt);
  EXPECT_TRUE(loaded->IsLocked());
  EXPECT_EQ(LoadError(ReadBytes(dir / "s.bdz"), true, "ke"), kLocked);
}

TEST(BoardSetFile, EveryOlderVersionLoads) {
  for (int version = 0; version <= 7; ++version) {
    SCOPED_TRACE(version);
    fs::path path = vantrel::test::MakeTempDir("old") / "Old.bdz";
    WriteBytes(path, Plain(version, Fields()));
    auto set = std::make_unique<BoardSet>();
    Load(*set, path);
    int v = version < 1 ? 1 : version;
    EXPECT_EQ(set->version, version);
    EXPECT_EQ(set->boardCount, 2);
    EXPECT_EQ(set->columns, v >= 5 ? 26 : 20);
    EXPECT_EQ(set->brickSetPath, "Bricks.img");
    EXPECT_EQ(set->backgroundSetPath, "Back.img");
    EXPECT_EQ(set->brickSetSignature, v >= 7 ? 1234 : 0);
    EXPECT_EQ(set->title, v >= 2 ? "Title" : "");
    EXPECT_EQ(set->author, v >= 2 ? "Author" : "");
    EXPECT_EQ(set->notes, v >= 2 ? "Notes" : "");
    EXPECT_EQ(set->spareText, v >= 6 ? "Spare" : "");
    EXPECT_EQ(set->sortOrder, v >= 7 ? 9 : 0);
    EXPECT_EQ(set->checksumText.empty(), v < 6);
    EXPECT_EQ(set->fileStem, "old");
    int cells = v >= 5 ? 520 : 400;
    for (int b = 0; b < 2; ++b) {
      EXPECT_EQ(set->boards[b].background, static_cast<uint32_t>(b + 3));
      for (int i = 0; i < 520; ++i) ASSERT_EQ(set->boards[b].cells[i], i < cells ? CellValue(b, i) : 0) << i;
    }
  }
}

TEST(BoardSetFile, PlainAndScrambledFilesBothLoad) {
  Bytes plain = Plain(7, Fields());
  EXPECT_EQ(LoadError(plain), "");
  EXPECT_EQ(LoadError(Scramble(plain)), "");
  EXPECT_EQ(LoadError(Scramble(Plain(3, Fields()))), "");
}

TEST(BoardSetFile, BoardCountIsClampedAndZeroFails) {
  Fields many;
  many.count = 200;
  many.storedBoards = 128;
  fs::path path = vantrel::test::MakeTempDir("count") / "many.bdz";
  WriteBytes(path, Plain(7, many));
  auto set = std::make_unique<BoardSet>();
  Load(*set, path);
  EXPECT_EQ(set->boardCount, 128);
  EXPECT_EQ(set->boards[127].cells[0], CellValue(127, 0));

  for (int32_t count : {0, -5}) {
    Fields none;
    none.count = count;
    none.storedBoards = 0;
    EXPECT_EQ(LoadError(Plain(7, none)), kNotFound) << count;
    EXPECT_EQ(LoadError(Plain(1, none)), kNotFound) << count;
  }
}

TEST(BoardSetFile, AnyChangedByteFailsTheChecksum) {
  Bytes plain = Plain(7, Fields());
  // From the board count on (the magic and version have their own errors),
  // through the stored checksum itself.
  for (size_t at = 8; at < plain.size(); at += 37) {
    Bytes bad = plain;
    bad[at] ^= 0x20;
    EXPECT_EQ(LoadError(Scramble(bad)), kCorrupted) << at;
  }
  Bytes bad = plain;
  bad.back() ^= 1;
  EXPECT_EQ(LoadError(bad), kCorrupted);
  // Version 5 has no checksum: a changed cell is simply read.
  Bytes v5 = Plain(5, Fields());
  v5[v5.size() - 1] ^= 1;
  EXPECT_EQ(LoadError(v5), "");
}

TEST(BoardSetFile, ReaderErrors) {
  Bytes v8 = Plain(7, Fields());
  v8[4] = 8;
  Bytes scrambledBad = Scramble(Plain(7, Fields()));
  scrambledBad.push_back(0);  // no longer a whole scrambled buffer
  struct Case {
    const char* what;
    Bytes bytes;
    const char* message;
  } cases[] = {
      {"four bytes", {'B', 'D', 'S', 'T'}, kNoMemory},
      {"empty", {}, kNoMemory},
      {"version 8", v8, kBadVersion},
      {"version 8 and nothing after it", {'B', 'D', 'S', 'T', 8, 0, 0, 0}, kBadVersion},
      {"scrambled version 8 and nothing after it", Scramble({'B', 'D', 'S', 'T', 9, 0, 0, 0}), kBadVersion},
      {"not a board set", Bytes(64, 0x41), kNotFound},
      {"broken scrambling", scrambledBad, kNotFound},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadError(c.bytes), c.message) << c.what;

  auto set = std::make_unique<BoardSet>();
  set->title = "old";
  DataFiles files;
  try {
    set->Load(files, false, "");
    ADD_FAILURE() << "no error without an open file";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), kNotFound);
  }
  EXPECT_EQ(set->title, "");  // reset before the failure
}

TEST(BoardSetFile, MalformedLengthsAndCountsFailInsideTheBuffer) {
  auto withLength = [](int version, uint32_t length) {
    // "BDST", version, count 1, columns 20, then a brick path of that length.
    Bytes b = {'B', 'D', 'S', 'T'};
    PutInt(b, static_cast<uint32_t>(version));
    PutInt(b, 1);
    PutInt(b, 20);
    PutInt(b, length);
    b.insert(b.end(), {'a', 'b', 'c'});
    return b;
  };
  Fields shortBoards;
  shortBoards.count = 3;
  shortBoards.storedBoards = 2;
  Fields cols0, cols27, colsNeg;
  cols0.columns = 0;
  cols27.columns = 27;
  colsNeg.columns = -1;
  Bytes truncated = Plain(5, Fields());
  truncated.resize(truncated.size() - 10);
  Bytes tiny = {'B', 'D', 'S', 'T', 5, 0, 0, 0, 1};
  Bytes v7NoBoards = Plain(7, shortBoards);  // checksum matches, records missing
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"length past the end", withLength(5, 4)},
      {"huge length", withLength(5, 0x7FFFFFF0)},
      {"negative length", withLength(5, 0xFFFFFFFF)},
      {"count past the end", Plain(5, shortBoards)},
      {"count past the end, checksum good", v7NoBoards},
      {"last board cut short", truncated},
      {"too small for its fields", tiny},
      {"half a version", {'B', 'D', 'S', 'T', 7, 0}},
      {"columns 0", Plain(6, cols0)},
      {"columns 27", Plain(7, cols27)},
      {"columns -1", Plain(5, colsNeg)},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadError(c.bytes), kCorrupted) << c.what;
  Fields cols1;
  cols1.columns = 1;
  EXPECT_EQ(LoadError(Plain(7, cols1)), "");
}

TEST(BoardSetFile, StoredPathsKeepOnlyTheFileName) {
  Fields f;
  f.brickPath = "Sets\\Deep/Bricks.img";
  f.backgroundPath = "C:Back.img";
  fs::path path = vantrel::test::MakeTempDir("paths") / "p.bdz";
  WriteBytes(path, Plain(7, f));
  auto set = std::make_unique<BoardSet>();
  Load(*set, path);
  EXPECT_EQ(set->brickSetPath, "Bricks.img");
  EXPECT_EQ(set->backgroundSetPath, "Back.img");
}

TEST(BoardSetFile, LockedSetOpensWithTheRightPasswordOnly) {
  fs::path path = vantrel::test::MakeTempDir("lock") / "Locked.bdz";
  auto set = SampleSet();
  EXPECT_TRUE(set->CheckPassword("anything"));
  set->Lock("open sesame");
  ASSERT_EQ(set->salt.size(), 16u);
  for (char c : set->salt) EXPECT_NE(static_cast<uint8_t>(c), 255);
  EXPECT_EQ(set->lockWord, HashBytes((std::string("open sesame") + set->salt).data(), 27));
  EXPECT_TRUE(set->CheckPassword("open sesame"));
  EXPECT_FALSE(set->CheckPassword("open sesam"));
  EXPECT_FALSE(set->CheckPassword(""));

  std::string salt = set->salt;
  uint32_t word = set->lockWord;
  try {
    set->Lock("other");
    ADD_FAILURE() << "locked twice";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Board set is already password locked.");
  }
  EXPECT_EQ(set->salt, salt);
  EXPECT_EQ(set->lockWord, word);
  ASSERT_TRUE(set->Save(path));

  Bytes stored = ReadBytes(path);
  EXPECT_EQ(LoadError(stored), "");  // the game needs no password
  EXPECT_EQ(LoadError(stored, true, "open sesame"), "");
  EXPECT_EQ(LoadError(stored, true, "wrong"), kLocked);
  EXPECT_EQ(LoadError(stored, true, ""), kLocked);
}

TEST(BoardSetFile, EmptyPasswordLockHashesTheSaltAlone) {
  auto set = std::make_unique<BoardSet>();
  set->Lock("");
  EXPECT_EQ(set->lockWord, HashBytes(set->salt.data(), 16));
  EXPECT_TRUE(set->CheckPassword(""));
  EXPECT_FALSE(set->CheckPassword("x"));
}

TEST(BoardSetFile, SaveRefusesASetItCouldNotReadBack) {
  fs::path dir = vantrel::test::MakeTempDir("noboards");
  auto set = SampleSet();
  set->SetBoardCount(0);
  EXPECT_FALSE(set->Save(dir / "none.bdz"));
  EXPECT_FALSE(fs::exists(dir / "none.bdz"));
  set->SetBoardCount(1);
  set->columns = 27;
  EXPECT_FALSE(set->Save(dir / "none.bdz"));
  EXPECT_FALSE(fs::exists(dir / "none.bdz"));
  set->columns = 20;
  EXPECT_FALSE(set->Save(dir / "missing-folder" / "x.bdz"));
  EXPECT_TRUE(set->Save(dir / "one.bdz"));
}

TEST(BoardSetFile, InterruptedSaveKeepsTheOldFile) {
  fs::path dir = vantrel::test::MakeTempDir("interrupted");
  fs::path path = dir / "Keep.bdz";
  auto small = SampleSet();
  small->SetBoardCount(1);
  ASSERT_TRUE(small->Save(path));
  Bytes before = ReadBytes(path);

  auto big = SampleSet();
  big->SetBoardCount(100);
  // Let the file system take only half of the new file's bytes.
  const rlim_t limit = 100 * 521 * 4 / 2;
  ASSERT_GT(limit, before.size());
  bool saved;
  {
    FileSizeLimit cut(limit);
    ASSERT_TRUE(cut.ok());
    saved = big->Save(path);
  }

  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(big->fileStem, "");
  for (const auto& entry : fs::directory_iterator(dir)) EXPECT_EQ(entry.path().filename().string(), "Keep.bdz");
  auto loaded = std::make_unique<BoardSet>();
  Load(*loaded, path);
  EXPECT_EQ(loaded->boardCount, 1);
}

TEST(BoardSetFile, ReadBoardSetStringStaysInsideTheBuffer) {
  const uint8_t data[] = {3, 0, 0, 0, 'a', 0, 'c', 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  size_t pos = 0;
  EXPECT_EQ(ReadBoardSetString(data, sizeof data, pos), std::string("a\0c", 3));
  EXPECT_EQ(pos, 7u);
  EXPECT_EQ(ReadBoardSetString(data, 11, pos), "");  // length 0
  EXPECT_EQ(pos, 11u);
  for (size_t start : {size_t{11}, size_t{12}, size_t{40}}) {
    pos = start;
    EXPECT_THROW(ReadBoardSetString(data, sizeof data, pos), std::runtime_error) << start;  // -1, short, past
    EXPECT_EQ(pos, start);
  }
  pos = 0;
  EXPECT_THROW(ReadBoardSetString(data, 6, pos), std::runtime_error);  // 3 bytes claimed, 2 there
}

TEST(BoardSetFile, FullSetWithLongTextsRoundTrips) {
  // 128 boards and texts far past any editor limit: more than a fixed
  // half-megabyte buffer would hold.
  fs::path path = vantrel::test::MakeTempDir("long") / "Long.bdz";
  auto saved = SampleSet();
  saved->SetBoardCount(128);
  saved->boards[127].cells[519] = 4321;
  saved->notes = std::string(300000, 'n');
  saved->title = std::string(70000, 't');
  saved->spareText = std::string(1, '\0') + std::string(5000, 's');
  ASSERT_TRUE(saved->Save(path));
  auto loaded = std::make_unique<BoardSet>();
  Load(*loaded, path);
  EXPECT_EQ(loaded->boardCount, 128);
  EXPECT_EQ(loaded->boards[127].cells[519], 4321);
  EXPECT_EQ(loaded->notes, saved->notes);
  EXPECT_EQ(loaded->title, saved->title);
  EXPECT_EQ(loaded->spareText, saved->spareText);
}

TEST(BoardSetFile, FilesLargerThanAnySetAreRefusedUnread) {
  // A plain version-5 set of one board (no checksum, so trailing bytes do not
  // matter), padded with zeros to the size. The padding is a hole in the
  // file, so no disk is used.
  const Bytes set = Plain(5, Fields());
  const fs::path dir = vantrel::test::MakeTempDir("oversize");
  struct Case {
    const char* what;
    int64_t size;
    const char* message;
  } cases[] = {
      {"16 MiB", int64_t{16} << 20, ""},
      {"16 MiB and a byte", (int64_t{16} << 20) + 1, kCorrupted},
      {"500 MB", int64_t{500} << 20, kCorrupted},
      // Its low 32 bits alone would be a file of 4096 bytes that loads.
      {"4 GiB and 4096 bytes", (int64_t{1} << 32) + 4096, kCorrupted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path path = dir / "Padded.bdz";
    WriteBytes(path, set);
    fs::resize_file(path, static_cast<uintmax_t>(c.size));
    EXPECT_EQ(ErrorOf(path, false), c.message);
    EXPECT_EQ(ErrorOf(path, true), c.message);
    fs::remove(path);
  }
}

TEST(BoardSetFile, HeaderLeavesTheBoardsAsResetLeavesThem) {
  const fs::path path = vantrel::test::MakeTempDir("header") / "Set.bdz";
  auto saved = SampleSet();
  ASSERT_TRUE(saved->Save(path));
  auto set = std::make_unique<BoardSet>();
  Load(*set, path);
  ASSERT_EQ(set->boards[1].cells[5], saved->boards[1].cells[5]);
  ASSERT_EQ(ErrorOf(path, true, false, "", set.get()), "");
  EXPECT_EQ(set->boardCount, 3);
  EXPECT_EQ(set->title, "A title");
  EXPECT_EQ(set->checksumText, saved->checksumText);
  for (int b = 0; b < 3; ++b) {
    EXPECT_EQ(set->boards[b].background, 0u);
    EXPECT_EQ(set->boards[b].cells[5], 0) << b;
  }
}
