#pragma once
// The high-score table of one board set and its file: 15 rows of score,
// name and board, with a checksum over them. No scene or platform code: the
// game and the fuzz build both link it.
//
// File layout, all integers 32-bit little-endian:
//   0            version (2 written; 0..2 read)
//   4            row count n (15 written; min(n, 15) rows read, none for n <= 0)
//   8 + 104 i    score
//   12 + 104 i   name, 96 bytes NUL-padded (the text up to the first NUL, or
//                all 96 bytes when there is none)
//   108 + 104 i  board reached, counted from 1
//   after rows   checksum (version 2 and above)
#include <boost/filesystem/path.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct HighScoreEntry {
  int32_t score = 0;
  std::string name;
  int32_t board = 0;
  // Entered during this visit (drawn highlighted); never stored.
  int32_t isNew = 0;
};

constexpr int kHighScoreRows = 15;
constexpr int kHighScoreNameField = 96;
// The longest name the entry accepts, so that a terminator still fits.
constexpr int kHighScoreMaxName = 95;
constexpr uint32_t kHighScoreSeed = 571302846u;
constexpr size_t kHighScoreFileSize = 8 + kHighScoreRows * (4 + kHighScoreNameField + 4) + 4;
static_assert(kHighScoreFileSize == 1572);

// Scores 1500, 1400, ... 100, the placeholder name, board 0.
void ResetHighScoreTable(HighScoreEntry (&table)[kHighScoreRows]);

// c = seed; per row c ^= L(score) ^ L(board) ^ HashBytes(name), with
// L(x) = x * 1664525 + 1013904223 (mod 2^32).
uint32_t HighScoreChecksum(const HighScoreEntry* rows, int count);

// Reads a table file's bytes into `table`. false, with the default table in
// `table`, for a foreign version, a short file or a checksum that does not
// match; rows beyond the stored count keep their defaults.
bool ReadHighScoreTable(const uint8_t* bytes, size_t size, HighScoreEntry (&table)[kHighScoreRows]);

// The file's bytes: version 2, count 15, the rows, the checksum.
std::vector<uint8_t> WriteHighScoreTable(const HighScoreEntry (&table)[kHighScoreRows]);

// Where the table of a board set lies: savedGames/Scores/<the set's file
// name with its extension replaced by ".hsc", or ".hsk" in kid mode>. The
// file name is taken whole, whatever characters it holds, so the table
// stays directly inside Scores. Empty when either folder or set is empty.
boost::filesystem::path ScoreFilePath(const boost::filesystem::path& savedGames,
                                      const boost::filesystem::path& selectedSet, bool kidMode);
