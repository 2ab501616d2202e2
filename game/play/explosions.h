#pragma once
// Board-wide mechanics: the lightning strike and the zap. The explosion
// queue's node operations are declared with ExploQueue (entities.h).
#include <cstdint>

#include "game/play/entities.h"

// Strikes a random breakable brick: makes it explosive and hits it. With
// sound, every voice stops and the thunder plays. The HitBrick result (0
// when no brick qualified).
int32_t LightningStrike(uint8_t withSound);
// Hard and almost-hard bricks become zapped ones, hidden bricks show,
// multi-hit bricks drop to their last stage.
void ZapBricks();
