// The high-score table file: files laid out byte by byte here, with their
// checksums computed here too, read through the codec; the writer's bytes
// checked field by field; and where a board set's tables lie.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <boost/filesystem/path.hpp>

#include "core/hash.h"
#include "game/high_score_file.h"

namespace {

using Table = HighScoreEntry[kHighScoreRows];

struct Row {
  int32_t score;
  std::string field;  // the stored name field's bytes (padded to 96 with NULs)
  int32_t board;
};

uint32_t L(int32_t x) { return uint32_t(x) * 1664525u + 1013904223u; }

// The checksum as the file format defines it, over names as held in memory.
uint32_t ExpectedChecksum(const std::vector<Row>& rows) {
  uint32_t c = 571302846u;
  for (const Row& r : rows) {
    const size_t nul = r.field.find('\0');
    const std::string name = r.field.substr(0, nul == std::string::npos ? r.field.size() : nul);
    c ^= L(r.score) ^ L(r.board) ^ HashBytes(name.data(), int32_t(name.size()));
  }
  return c;
}

void PutInt(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
uint32_t GetInt(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

std::vector<Row> DefaultRows() {
  std::vector<Row> rows;
  for (int i = 0; i < 15; ++i) rows.push_back({1500 - 100 * i, "Nobbinthorpe", 0});
  return rows;
}

// A file of the given version and stored count holding rows; the checksum
// (version 2 and above) over those rows unless one is given.
std::vector<uint8_t> FileBytes(int32_t version, int32_t count, const std::vector<Row>& rows,
                               std::optional<uint32_t> checksum = std::nullopt) {
  std::vector<uint8_t> b;
  PutInt(b, uint32_t(version));
  PutInt(b, uint32_t(count));
  for (const Row& r : rows) {
    PutInt(b, uint32_t(r.score));
    std::string field = r.field;
    field.resize(96, '\0');
    b.insert(b.end(), field.begin(), field.end());
    PutInt(b, uint32_t(r.board));
  }
  if (version >= 2) PutInt(b, checksum ? *checksum : ExpectedChecksum(rows));
  return b;
}

std::vector<Row> SampleRows() {
  std::vector<Row> rows;
  for (int i = 0; i < 15; ++i) rows.push_back({9000 - 7 * i, "Player " + std::to_string(i), i % 4});
  rows[3].field = "Ann\xE4";
  rows[9].field = "";
  return rows;
}

void ExpectRows(const Table& table, const std::vector<Row>& rows, const std::string& label) {
  for (int i = 0; i < 15; ++i) {
    const std::string want = rows[i].field.substr(0, rows[i].field.find('\0'));
    EXPECT_EQ(table[i].score, rows[i].score) << label << " row " << i;
    EXPECT_EQ(table[i].name, want) << label << " row " << i;
    EXPECT_EQ(table[i].board, rows[i].board) << label << " row " << i;
    EXPECT_EQ(table[i].isNew, 0) << label << " row " << i;
  }
}

TEST(HighScoreFile, ChecksumMatchesTheFormatsSamples) {
  Table table;
  ResetHighScoreTable(table);
  EXPECT_EQ(HighScoreChecksum(table, 15), 0x48FD31F9u);
  EXPECT_EQ(ExpectedChecksum(DefaultRows()), 0x48FD31F9u);

  Table sample;
  sample[0] = {2000, "Ann\xE4", 2, 1};  // isNew plays no part
  for (int i = 1; i < 15; ++i) sample[i] = table[i - 1];
  EXPECT_EQ(HighScoreChecksum(sample, 15), 0x6390DABDu);
  // An empty name hashes no bytes at all.
  Table empty;
  ResetHighScoreTable(empty);
  empty[0].name.clear();
  EXPECT_EQ(HighScoreChecksum(empty, 1), 571302846u ^ L(1500) ^ L(0));
}

TEST(HighScoreFile, DefaultTable) {
  Table table;
  for (auto& row : table) row = {7, "x", 9, 1};
  ResetHighScoreTable(table);
  ExpectRows(table, DefaultRows(), "default");
}

TEST(HighScoreFile, ReadsTheTableOfCases) {
  const std::vector<Row> sample = SampleRows();
  std::vector<Row> firstThree = DefaultRows();
  for (int i = 0; i < 3; ++i) firstThree[i] = sample[i];
  const std::vector<Row> longField = [] {
    std::vector<Row> rows = DefaultRows();
    rows[0].field = std::string(96, 'W');
    return rows;
  }();
  const std::vector<uint8_t> good = FileBytes(2, 15, sample);

  struct Case {
    const char* label;
    std::vector<uint8_t> bytes;
    bool ok;
    std::vector<Row> table;
  };
  std::vector<Case> cases = {
      {"nothing", {}, false, DefaultRows()},
      {"version 2", good, true, sample},
      {"version 2, checksum bit flipped", FileBytes(2, 15, sample, ExpectedChecksum(sample) ^ 0x100u), false,
       DefaultRows()},
      {"version 0, three rows", FileBytes(0, 3, {sample[0], sample[1], sample[2]}), true, firstThree},
      {"version 1, three rows", FileBytes(1, 3, {sample[0], sample[1], sample[2]}), true, firstThree},
      {"version 1, count 20", FileBytes(1, 20, std::vector<Row>(sample.begin(), sample.end())), true, sample},
      {"version 1, count 0", FileBytes(1, 0, {}), true, DefaultRows()},
      {"version 1, count -3", FileBytes(1, -3, {}), true, DefaultRows()},
      {"version 2, count -3", FileBytes(2, -3, {}, 571302846u), true, DefaultRows()},
      {"version 3", FileBytes(3, 15, sample), false, DefaultRows()},
      {"version -1", FileBytes(-1, 15, sample), false, DefaultRows()},
      {"version 0x80000000", FileBytes(int32_t(0x80000000u), 15, sample), false, DefaultRows()},
      {"cut inside the version", std::vector<uint8_t>(good.begin(), good.begin() + 3), false, DefaultRows()},
      {"cut inside the count", std::vector<uint8_t>(good.begin(), good.begin() + 6), false, DefaultRows()},
      {"cut inside row 8", std::vector<uint8_t>(good.begin(), good.begin() + 8 + 104 * 7 + 50), false, DefaultRows()},
      {"cut inside the checksum", std::vector<uint8_t>(good.begin(), good.end() - 1), false, DefaultRows()},
      {"version 1 cut inside row 2",
       [&] {
         std::vector<uint8_t> b = FileBytes(1, 3, {sample[0], sample[1], sample[2]});
         b.resize(8 + 104 + 20);
         return b;
       }(),
       false, DefaultRows()},
      {"96-byte name without NUL", FileBytes(2, 15, longField), true, longField},
  };
  // A version-2 file claiming 20 rows: the checksum is read right after the
  // 15th row, where the 16th row's score lies.
  {
    std::vector<Row> twenty = sample;
    for (int i = 0; i < 5; ++i) twenty.push_back({1, "extra", 1});
    cases.push_back({"version 2, count 20", FileBytes(2, 20, twenty), false, DefaultRows()});
  }

  for (const Case& c : cases) {
    Table table;
    for (auto& row : table) row = {-1, "stale", -1, 1};
    EXPECT_EQ(ReadHighScoreTable(c.bytes.data(), c.bytes.size(), table), c.ok) << c.label;
    ExpectRows(table, c.table, c.label);
  }
  Table table;
  EXPECT_FALSE(ReadHighScoreTable(nullptr, 0, table));
  ExpectRows(table, DefaultRows(), "null");
}

TEST(HighScoreFile, WriterLaysOutVersionCountRowsAndChecksum) {
  const std::vector<Row> sample = SampleRows();
  Table table;
  for (int i = 0; i < 15; ++i) table[i] = {sample[i].score, sample[i].field, sample[i].board, i % 2};
  const std::vector<uint8_t> bytes = WriteHighScoreTable(table);
  ASSERT_EQ(bytes.size(), 1572u);
  EXPECT_EQ(bytes, FileBytes(2, 15, sample));
  EXPECT_EQ(GetInt(bytes, 1568), ExpectedChecksum(sample));

  // Byte for byte through a read and a second write.
  Table again;
  ASSERT_TRUE(ReadHighScoreTable(bytes.data(), bytes.size(), again));
  EXPECT_EQ(WriteHighScoreTable(again), bytes);
}

TEST(HighScoreFile, UnterminatedNameStaysInItsFieldAndRoundTrips) {
  // The name field is followed by the board: a reader running past the field
  // would take the board's bytes (and more) into the name.
  std::vector<Row> rows = DefaultRows();
  rows[4] = {1234, std::string(96, 'Z'), 0x41414141};
  const std::vector<uint8_t> bytes = FileBytes(2, 15, rows);
  Table table;
  ASSERT_TRUE(ReadHighScoreTable(bytes.data(), bytes.size(), table));
  EXPECT_EQ(table[4].name, std::string(96, 'Z'));
  EXPECT_EQ(table[4].board, 0x41414141);
  const std::vector<uint8_t> written = WriteHighScoreTable(table);
  EXPECT_EQ(written, bytes);
  Table reloaded;
  ASSERT_TRUE(ReadHighScoreTable(written.data(), written.size(), reloaded));
  EXPECT_EQ(reloaded[4].name, table[4].name);

  // A longer name in memory is stored cut to the field, with the checksum
  // over what the file holds, so it still loads.
  table[0].name = std::string(200, 'q');
  const std::vector<uint8_t> cut = WriteHighScoreTable(table);
  ASSERT_EQ(cut.size(), 1572u);
  ASSERT_TRUE(ReadHighScoreTable(cut.data(), cut.size(), reloaded));
  EXPECT_EQ(reloaded[0].name, std::string(96, 'q'));
}

TEST(HighScoreFile, TrailingBytesAfterAValidFileAreIgnored) {
  std::vector<uint8_t> bytes = FileBytes(2, 15, SampleRows());
  bytes.insert(bytes.end(), 100, 0xEE);
  Table table;
  EXPECT_TRUE(ReadHighScoreTable(bytes.data(), bytes.size(), table));
  ExpectRows(table, SampleRows(), "trailing");
}

TEST(HighScoreFile, WhereTheTablesLie) {
  namespace fs = boost::filesystem;
  const fs::path saved = "/home/u/.local/share/Vantrel - Orvesse";
  struct Case {
    const char* set;
    bool kid;
    const char* file;  // "" for none
  };
  const Case cases[] = {
      {"/game/Boards/Castle.bdz", false, "Castle.hsc"},
      {"/game/Boards/Castle.bdz", true, "Castle.hsk"},
      {"/game/Boards/castle.BDZ", false, "castle.hsc"},  // the listed name, case and all
      {"/w/123/..\\..\\x.bdz", false, "..\\..\\x.hsc"},  // one name, inside Scores
      {"/w/My.Set.v2.bdz", false, "My.Set.v2.hsc"},
      {"/w/NoExtension", true, "NoExtension.hsk"},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    const fs::path path = ScoreFilePath(saved, c.set, c.kid);
    if (!*c.file) {
      EXPECT_TRUE(path.empty()) << c.set;
      continue;
    }
    EXPECT_EQ(path.parent_path(), saved / "Scores") << c.set;
    EXPECT_EQ(path.filename().string(), c.file) << c.set;
  }
  EXPECT_TRUE(ScoreFilePath("", "/game/Boards/Castle.bdz", false).empty());
}

}  // namespace
