#pragma once
// The charm collection scene (scene 6).
#include <cstdint>
#include <vector>

constexpr int32_t kCharmsPerRow = 16;

// Charm collection: the charms in display order (indexes into `charms`),
// the scroll position (also moved by the window procedure) and the thumb
// drag.
struct CharmScreenState {
  std::vector<int32_t> charmDisplayList;
  int32_t charmScroll = 0;
  bool charmThumbDragging = false;
  int32_t charmThumbDragOffset = 0;
};
extern CharmScreenState charmScreen;

// `charmDisplayList`: every charm's index, ordered by rarity 0..4 (a rarity
// above 4 counts as 4), keeping the table's order within a rarity.
void BuildCharmDisplayList();
// The last row the grid scrolls to for `count` charms.
int32_t CharmMaxRows(int32_t count);

void RunCharmsScreen();
