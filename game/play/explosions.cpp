// The explosion queue's node operations, the lightning strike and the zap.
#include "game/play/explosions.h"

#include <algorithm>
#include <utility>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "platform/random.h"

namespace {

int32_t ColumnCount() { return BoardColumns(); }
int32_t KindOf(int32_t v) { return BrickKindOf(v); }
}  // namespace

ExploQueue* ExploQueue::Append(ExploQueue* from, ExploQueue* node) {
  return LinklistBase<ExploQueue>::Append(from, node);
}

ExploQueue* ExploQueue::InsertAfter(ExploQueue* node) { return LinklistBase<ExploQueue>::InsertFirst(this, node); }

ExploQueue* ExploQueue::Swap(ExploQueue* other) {
  if (!other || other == this) return this;
  if (other->next == this) {
    other->Swap(this);
    return this;
  }
  ExploQueue* before = prev;
  ExploQueue* after = next;
  ExploQueue* otherBefore = other->prev;
  ExploQueue* otherAfter = other->next;
  if (after == other) {
    // this, other -> other, this
    if (before) before->next = other;
    other->prev = before;
    other->next = this;
    prev = other;
    next = otherAfter;
    if (otherAfter) otherAfter->prev = this;
    return this;
  }
  if (before) before->next = other;
  if (after) after->prev = other;
  if (otherBefore) otherBefore->next = this;
  if (otherAfter) otherAfter->prev = this;
  std::swap(prev, other->prev);
  std::swap(next, other->next);
  return this;
}

int32_t LightningStrike(uint8_t withSound) {
  if (withSound) {
    soundSystem.StopAllVoices();
    PlaySoundAt(kSoundThunder, 0, 0, 63);
    PlaySoundAt(kSoundThunder, float(program.screenWidth), 0, 63);
    const int32_t rate = soundSystem.GetSampleRate(kSoundThunder);
    PlaySoundAt(kSoundThunder, float(program.screenWidth / 2), int32_t(0.98 * rate), 63);
  }
  const int32_t columns = ColumnCount();
  const int32_t r0 = plat::Rand() % kBoardRows;
  const int32_t draw = plat::Rand();
  const int32_t c0 = columns > 0 ? draw % columns : 0;
  int32_t column = -1;
  int32_t row = -1;
  for (int32_t i = 0; i < kBoardRows && column < 0; ++i) {
    const int32_t r = (r0 + i) % kBoardRows;
    for (int32_t j = 0; j < columns; ++j) {
      const int32_t c = (c0 + j) % columns;
      const int32_t v = boardSet.GetCell(c, r);
      if (v != 0 && KindOf(v) != kBrickInvin) {
        column = c;
        row = r;
        break;
      }
    }
  }
  InsertEntityFirst(kEntityLightning, 0, 0, float(column), float(row), 0, 0);
  const float x = float(boardSet.GetBoardLeft() + kCellWidth * column + kCellWidth / 2);
  const float y = float(kCellHeight * row + 52);
  for (int i = 0; i < 32; ++i) {
    const int32_t a = plat::Rand() % 600;
    const int32_t b = plat::Rand() % 600;
    InsertEntityFirst(kEntitySpark, 1000, 0, x, y, float(b - 300), float(a - 300));
  }
  int32_t explosive = -1;
  for (int32_t n = 1; n < boardSet.bricks.count; ++n) {
    if (KindOf(n) == kBrickExplo) {
      explosive = n;
      break;
    }
  }
  SetBrick(column, row, explosive);
  return HitBrick(column, row, 0, 0);
}

void ZapBricks() {
  const int32_t columns = ColumnCount();
  for (int32_t column = 0; column < columns; ++column) {
    for (int32_t row = 0; row < kBoardRows; ++row) {
      int32_t v = boardSet.GetCell(column, row);
      if (v >= 0 && v <= 999 && (KindOf(v) == kBrickInvin || KindOf(v) == kBrickAlmostInvin)) {
        SetBrick(column, row, NextBrickIdOfKind(v, kBrickZapped));
      } else if (v < 0 && v >= -999) {
        SetBrick(column, row, -v);
      } else if (KindOf(v) == kBrickMulti) {
        while (v + 1 <= 999 && KindOf(v + 1) == kBrickMulti) ++v;
        SetBrick(column, row, v);
      }
    }
  }
}
