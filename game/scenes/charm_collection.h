#pragma once
// The charm collection scene (scene 6).
#include <cstdint>

constexpr int32_t kCharmsPerRow = 16;

// `charmDisplayList`: every charm's index, ordered by rarity 0..4 (a rarity
// above 4 counts as 4), keeping the table's order within a rarity.
void BuildCharmDisplayList();
// The last row the grid scrolls to for `count` charms.
int32_t CharmMaxRows(int32_t count);

void RunCharmsScreen();
