#pragma once
// The game's application id on the community service. The game and the
// Workshop helper must use the same one: the helper uploads items for the game.
#include <cstdint>

inline constexpr uint32_t kVantrelAppId = 3599990;
