// The high-score table reader over arbitrary bytes: never a crash or a read
// outside the data; a table it accepts writes back to a file that reads
// again to the same rows and the same bytes; a table it refuses is the
// default one.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/high_score_file.h"

namespace {

bool Same(const HighScoreEntry (&a)[kHighScoreRows], const HighScoreEntry (&b)[kHighScoreRows]) {
  for (int i = 0; i < kHighScoreRows; ++i) {
    if (a[i].score != b[i].score || a[i].name != b[i].name || a[i].board != b[i].board) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HighScoreEntry table[kHighScoreRows];
  const bool ok = ReadHighScoreTable(data, size, table);
  HighScoreEntry defaults[kHighScoreRows];
  ResetHighScoreTable(defaults);
  if (!ok && !Same(table, defaults)) std::abort();
  for (const HighScoreEntry& row : table) {
    if (row.name.size() > size_t(kHighScoreNameField) || row.isNew) std::abort();
  }
  const std::vector<uint8_t> bytes = WriteHighScoreTable(table);
  if (bytes.size() != kHighScoreFileSize) std::abort();
  HighScoreEntry again[kHighScoreRows];
  if (!ReadHighScoreTable(bytes.data(), bytes.size(), again) || !Same(table, again)) std::abort();
  if (WriteHighScoreTable(again) != bytes) std::abort();
  return 0;
}
