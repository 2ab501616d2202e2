#include "game/play/scoring.h"

#include "game/game_globals.h"

void AddScoreAtCell(int32_t, int32_t, int32_t) {}
void AddScoreAt(int32_t, float, float) {}
void SetStatusMessage(const std::string&, const std::string&, int32_t) {}
