#pragma once
// The power-up table, the shuffled deck power-ups are dealt from, and the
// capsule that falls from a broken brick.
#include <cstdint>
#include <string>
#include <vector>

#include "audio/sound_bank.h"

// The power-ups by id: the row of the table, the value a falling capsule
// carries and the case of its effect.
enum PowerUpId : int32_t {
  kPowerUpNone = -1,  // an empty deck deals none
  kPowerUpLife = 0,
  kPowerUpLevel = 1,
  kPowerUpZap = 2,
  kPowerUpSlow = 3,
  kPowerUpMultiply = 4,
  kPowerUpThrough = 5,
  kPowerUpDynamite = 6,
  kPowerUpFireball = 7,
  kPowerUpLaser = 8,
  kPowerUpCatch = 9,
  kPowerUpUnused = 10,  // no keyword and no weight: never dealt
  kPowerUpExpand = 11,
  kPowerUpSplit = 12,
  kPowerUpKill = 13,
  kPowerUpShrink = 14,
  kPowerUpFast = 15,
  kPowerUpSuperShrink = 16,
  kPowerUpFall = 17,
  kPowerUpSmall = 18,
  kPowerUpMegaBall = 19,
  kPowerUpBigBall = 20,
  kPowerUpLightning = 21,
  kPowerUpDoubleScore = 22,
  kPowerUpGravityBall = 23,
};
constexpr int32_t kPowerUpCount = 24;
// The deck's storage is kept for at least this many cards.
constexpr size_t kDeckReserve = 5000;

struct PowerUpInfo {
  PowerUpInfo(PowerUpId id, const std::string& keyword, SoundEffect catchSound, int32_t dropWeight,
              int32_t classicAllowed, int32_t kidAllowed);

  PowerUpId id;
  std::string keyword;     // also the name of its picture in the power-up set
  int32_t imageIndex = 0;  // that picture's index; start-up sets it (-1: none)
  SoundEffect catchSound;  // sound played when the capsule is caught
  int32_t dropWeight;      // copies in the deck
  int32_t classicAllowed;  // may drop with the classic rules
  int32_t kidAllowed;      // may drop in kid mode
};

extern PowerUpInfo powerUpTable[kPowerUpCount];
// Ids still to deal; cards come off the end.
extern std::vector<PowerUpId> powerUpDeck;

// Fills the deck with each allowed row's id, weight times, and shuffles it
// (the runtime generator seeded with the time in seconds).
void BuildPowerUpDeck();
// The last card (rebuilding an empty deck first); kPowerUpNone when there
// is none.
PowerUpId DrawPowerUpFromDeck();
// One time in five (always when forced) deals a card and drops its capsule
// from the cell with a burst of sparks. 1 when a capsule was made.
int32_t MaybeDropPowerUp(int32_t column, int32_t row, int32_t force);
