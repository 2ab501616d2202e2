#include "game/high_score_file.h"

#include <algorithm>
#include <cstring>

#include "core/hash.h"

namespace {

constexpr size_t kRowBytes = 4 + kHighScoreNameField + 4;

uint32_t Lcg(int32_t x) { return static_cast<uint32_t>(x) * 1664525u + 1013904223u; }

int32_t GetInt(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

void PutInt(std::vector<uint8_t>& out, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

void ResetHighScoreTable(HighScoreEntry (&table)[kHighScoreRows]) {
  for (int i = 0; i < kHighScoreRows; ++i) table[i] = {1500 - 100 * i, "Nobbinthorpe", 0, 0};
}

uint32_t HighScoreChecksum(const HighScoreEntry* rows, int count) {
  uint32_t c = kHighScoreSeed;
  for (int i = 0; i < count; ++i) {
    const HighScoreEntry& row = rows[i];
    c ^= Lcg(row.score) ^ Lcg(row.board) ^ HashBytes(row.name.data(), static_cast<int32_t>(row.name.size()));
  }
  return c;
}

bool ReadHighScoreTable(const uint8_t* bytes, size_t size, HighScoreEntry (&table)[kHighScoreRows]) {
  ResetHighScoreTable(table);
  if (!bytes || size < 8) return false;
  const int32_t version = GetInt(bytes);
  if (version < 0 || version > 2) return false;
  const int32_t count = GetInt(bytes + 4);
  const int rows = count <= 0 ? 0 : std::min<int32_t>(count, kHighScoreRows);

  // Everything the file must hold is checked before a row is taken, so a
  // short file never leaves half a table behind.
  const size_t needed = 8 + rows * kRowBytes + (version >= 2 ? 4 : 0);
  if (size < needed) return false;

  HighScoreEntry read[kHighScoreRows];
  ResetHighScoreTable(read);
  const uint8_t* p = bytes + 8;
  for (int i = 0; i < rows; ++i, p += kRowBytes) {
    const char* field = reinterpret_cast<const char*>(p + 4);
    const void* nul = std::memchr(field, 0, kHighScoreNameField);
    const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : kHighScoreNameField;
    read[i] = {GetInt(p), std::string(field, length), GetInt(p + 4 + kHighScoreNameField), 0};
  }
  if (version >= 2 && static_cast<uint32_t>(GetInt(p)) != HighScoreChecksum(read, rows)) return false;
  for (int i = 0; i < kHighScoreRows; ++i) table[i] = std::move(read[i]);
  return true;
}

std::vector<uint8_t> WriteHighScoreTable(const HighScoreEntry (&table)[kHighScoreRows]) {
  // The checksum covers the names exactly as the file holds them.
  HighScoreEntry stored[kHighScoreRows];
  for (int i = 0; i < kHighScoreRows; ++i) {
    stored[i] = table[i];
    if (stored[i].name.size() > size_t(kHighScoreNameField)) stored[i].name.resize(kHighScoreNameField);
  }
  std::vector<uint8_t> out;
  out.reserve(kHighScoreFileSize);
  PutInt(out, 2);
  PutInt(out, kHighScoreRows);
  for (const HighScoreEntry& row : stored) {
    PutInt(out, row.score);
    const size_t at = out.size();
    out.resize(at + kHighScoreNameField, 0);
    std::memcpy(out.data() + at, row.name.data(), row.name.size());
    PutInt(out, row.board);
  }
  PutInt(out, static_cast<int32_t>(HighScoreChecksum(stored, kHighScoreRows)));
  return out;
}

boost::filesystem::path ScoreFilePath(const boost::filesystem::path& savedGames,
                                      const boost::filesystem::path& selectedSet, bool kidMode) {
  if (savedGames.empty() || selectedSet.empty()) return {};
  boost::filesystem::path name = selectedSet.filename();
  if (name.empty() || name == "." || name == "..") return {};
  name.replace_extension(kidMode ? ".hsk" : ".hsc");
  return savedGames / "Scores" / name;
}
