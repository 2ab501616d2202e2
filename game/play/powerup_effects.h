#pragma once
// What catching a power-up capsule does.
#include <cstdint>

// Applies the effect of power-up id 0..23; other ids do nothing.
void ApplyPowerUpEffect(int32_t id);
