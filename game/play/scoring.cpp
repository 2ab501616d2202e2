// Points and the status lines.
#include "game/play/scoring.h"

#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "platform/random.h"

namespace {
// Doubles the points while the double score runs and adds them; whether
// they were doubled.
bool AddPoints(int32_t* points) {
  const bool doubled = play.board.doubleScoreMs > 0;
  if (doubled) *points *= 2;
  play.player.score += *points;
  return doubled;
}
}  // namespace

void AddScoreAtCell(int32_t points, int32_t column, int32_t row) {
  const bool doubled = AddPoints(&points);
  if (!settings.showScores) return;
  const int32_t a = plat::Rand();
  const int32_t b = plat::Rand();
  const int32_t c = plat::Rand();
  const int32_t d = plat::Rand();
  InsertEntityFirst(kEntityFloatingScore, points, doubled ? 1 : 0,
                    float(boardSet.GetBoardLeft() + kCellWidth * column + 19 + d % 10),
                    float(kCellHeight * row + 47 + c % 10), float(5 + b % 5), float(-13 - a % 8));
}

void AddScoreAt(int32_t points, int32_t x, int32_t y) {
  const bool doubled = AddPoints(&points);
  if (!settings.showScores) return;
  const int32_t a = plat::Rand();
  const int32_t b = plat::Rand();
  InsertEntityFirst(kEntityFloatingScore, points, doubled ? 1 : 0, float(x), float(y), float(5 + b % 5),
                    float(-13 - a % 8));
}

void SetStatusMessage(const std::string& line1, const std::string& line2, int32_t durationMs) {
  if (&line1 != &play.statusLine1) play.statusLine1 = line1;
  if (&line2 != &play.statusLine2) play.statusLine2 = line2;
  play.board.statusExpiry = play.game.playClock + durationMs;
}
