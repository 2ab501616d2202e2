#include "game/play/explosions.h"

#include "game/game_globals.h"

ExploQueue* ExploQueue::Append(ExploQueue* from, ExploQueue* node) {
  return LinklistBase<ExploQueue>::Append(from, node);
}
ExploQueue* ExploQueue::InsertAfter(ExploQueue* node) { return LinklistBase<ExploQueue>::InsertFirst(this, node); }
ExploQueue* ExploQueue::Swap(ExploQueue*) { return this; }
int32_t LightningStrike(uint8_t) { return 0; }
void ZapBricks() {}
