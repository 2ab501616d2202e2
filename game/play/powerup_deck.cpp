#include "game/play/powerup_deck.h"

#include "game/game_globals.h"

PowerUpInfo::PowerUpInfo(int32_t id, const std::string& keyword, int32_t catchSound, int32_t dropWeight,
                         int32_t classicAllowed, int32_t kidAllowed)
    : id(id), keyword(keyword), catchSound(catchSound), dropWeight(dropWeight), classicAllowed(classicAllowed),
      kidAllowed(kidAllowed) {}

void BuildPowerUpDeck() {}
int32_t DrawPowerUpFromDeck() { return -1; }
int32_t MaybeDropPowerUp(int32_t, int32_t, int32_t) { return 0; }
