#pragma once
// One downloaded leaderboard entry.
#include <cstdint>
#include <string>

#include "platform/steam/steam.h"

struct LeaderboardEntry {
  // As the service filled it: user, global rank, score, detail count.
  plat::steam::LeaderboardEntryRecord entry;
  std::string playerName;
  int32_t detail = 0;  // the first detail value (0 when the score has none)
};
