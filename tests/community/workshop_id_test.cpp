// "steamid.txt": the id file of a Workshop item folder.
#include "community/workshop_id.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <fstream>
#include <iterator>
#include <string>

#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path.string(), std::ios::binary | std::ios::trunc);
  out << bytes;
}

TEST(WorkshopIdFile, RoundTripWritesCrLf) {
  const fs::path dir = vantrel::test::MakeTempDir("item");
  const uint64_t ids[] = {1, 4294967296ull, 0xFFFFFFFFFFFFFFFFull};
  for (uint64_t id : ids) {
    ASSERT_TRUE(WriteWorkshopIdFile(dir, id));
    const std::string expected = std::to_string(id) + "\r\nDo not modify or delete this file.";
    EXPECT_EQ(ReadAll(dir / "steamid.txt"), expected);
    uint64_t back = 0;
    EXPECT_EQ(ReadWorkshopIdFile(dir, back), WorkshopIdFileRead::kOk);
    EXPECT_EQ(back, id);
  }
  // Only the file itself is left in the folder (no temporary files).
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(WorkshopIdFile, ParseTable) {
  struct Case {
    std::string text;
    bool ok;
    uint64_t id;
  };
  const Case cases[] = {
      {"42\r\nDo not modify or delete this file.", true, 42},
      {"42", true, 42},
      {"  \t\r\n 42abc", true, 42},  // leading space skipped, trailing text ignored
      {"+7", true, 7},
      {"18446744073709551615", true, 18446744073709551615ull},
      {"0", false, 0},
      {"000", false, 0},
      {"", false, 0},
      {"   ", false, 0},
      {"abc", false, 0},
      {"-5", false, 0},  // would wrap to a huge id
      {"+", false, 0},
      {"18446744073709551616", false, 0},  // one past the largest id
      {"99999999999999999999999", false, 0},
      {std::string("\0"
                   "12",
                   3),
       false, 0},
  };
  for (const Case& c : cases) {
    uint64_t id = 99;
    EXPECT_EQ(ParseWorkshopIdText(c.text.data(), c.text.size(), id), c.ok) << c.text;
    EXPECT_EQ(id, c.ok ? c.id : 99u) << c.text;
  }
  uint64_t id = 5;
  EXPECT_FALSE(ParseWorkshopIdText(nullptr, 0, id));
  // The size bounds the scan: digits past it are not read.
  EXPECT_TRUE(ParseWorkshopIdText("1234", 2, id));
  EXPECT_EQ(id, 12u);
}

TEST(WorkshopIdFile, MissingDamagedAndHugeFiles) {
  const fs::path dir = vantrel::test::MakeTempDir("item");
  uint64_t id = 77;
  EXPECT_EQ(ReadWorkshopIdFile(dir, id), WorkshopIdFileRead::kMissing);
  EXPECT_EQ(ReadWorkshopIdFile(dir / "no such folder", id), WorkshopIdFileRead::kMissing);

  WriteAll(dir / "steamid.txt", "0\r\nDo not modify or delete this file.");
  EXPECT_EQ(ReadWorkshopIdFile(dir, id), WorkshopIdFileRead::kCorrupted);
  WriteAll(dir / "steamid.txt", std::string("\xff\xfe\x00\x01", 4));
  EXPECT_EQ(ReadWorkshopIdFile(dir, id), WorkshopIdFileRead::kCorrupted);

  // A valid number followed by far more text than the file ever holds.
  WriteAll(dir / "steamid.txt", "123\r\n" + std::string(kWorkshopIdFileMaxSize, 'x'));
  EXPECT_EQ(ReadWorkshopIdFile(dir, id), WorkshopIdFileRead::kCorrupted);
  EXPECT_EQ(id, 77u);
  // At the limit it is still read.
  WriteAll(dir / "steamid.txt", "123" + std::string(kWorkshopIdFileMaxSize - 3, ' '));
  EXPECT_EQ(ReadWorkshopIdFile(dir, id), WorkshopIdFileRead::kOk);
  EXPECT_EQ(id, 123u);

  // A folder in the file's place cannot be read.
  fs::remove(dir / "steamid.txt");
  fs::create_directory(dir / "steamid.txt");
  id = 77;
  EXPECT_EQ(ReadWorkshopIdFile(dir, id), WorkshopIdFileRead::kMissing);
  EXPECT_EQ(id, 77u);
}

TEST(WorkshopIdFile, FailedWriteLeavesNothingBehind) {
  const fs::path dir = vantrel::test::MakeTempDir("item");
  EXPECT_FALSE(WriteWorkshopIdFile(dir / "missing", 5));
  // A folder with content where the file belongs: the rename fails, and the
  // temporary file is removed again.
  fs::create_directories(dir / "steamid.txt" / "inside");
  EXPECT_FALSE(WriteWorkshopIdFile(dir, 5));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  EXPECT_TRUE(fs::is_directory(dir / "steamid.txt" / "inside"));
}

}  // namespace
