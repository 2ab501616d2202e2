#pragma once
// What catching a power-up capsule does.
#include <cstdint>

#include "game/play/powerup_deck.h"

// Applies the effect of power-up id 0..23; other ids do nothing.
void ApplyPowerUpEffect(PowerUpId id);
