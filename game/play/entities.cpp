#include "game/play/entities.h"

#include <cassert>
#include <new>

#include "game/game_globals.h"
#include "game/play/play_state.h"
#include "platform/random.h"

Entity entityHead;
ExploQueue exploQueueHead;

Entity::Entity(EntityKind kind, int32_t value, int32_t flags, float x, float y, float vx, float vy)
    : x(x), y(y), prevX(x), prevY(y), vx(vx), vy(vy), prevVx(vx), prevVy(vy), kind(kind), value(value), flags(flags) {
  switch (kind) {
    case kEntityBrickPiece:
      if (this->value > 0) {
        image = &boardSet.bricks;
        frame = this->value - 1;
        this->value = 0;
        // x and y came as the cell's column and row.
        this->x = x * kPieceCellWidth + float(boardSet.GetBoardLeft());
        this->y = y * kPieceCellHeight + kPieceBoardTop;
      }
      aux = play.game.playClock;
      break;
    case kEntitySpark: {
      startTime = play.game.playClock;
      int32_t r, g, b;
      if (flags & kSparkGrey) {
        r = g = b = plat::Rand() % 192;
      } else if (flags & kSparkBlueGreen) {
        r = 0;
        g = plat::Rand() % 192;
        b = plat::Rand() % 192;
      } else if (flags & kSparkGreen) {
        r = plat::Rand() % 64;
        g = 255;
        b = plat::Rand() % 64;
      } else {
        r = 255;
        g = 127 + plat::Rand() % 128;
        b = 0;
      }
      aux = r + 256 * g + 65536 * b;
      if (this->value == 0) this->value = kDefaultSparkLife;
      break;
    }
    case kEntityExplosion:
      aux = play.game.playClock;
      this->flags = 0;
      break;
    case kEntityLightning: startTime = play.game.playClock; break;
    default: break;
  }
}

// A node still linked would take its whole chain with it: single nodes go
// through UnlinkAndDelete, whole lists through DeleteAll.
Entity::~Entity() { assert(this == &entityHead || (!prev && !next)); }

ExploQueue::ExploQueue(int32_t column, int32_t row) : column(column), row(row) {}

ExploQueue::~ExploQueue() { assert(this == &exploQueueHead || (!prev && !next)); }

void UnlinkAndDelete(Entity* node) {
  if (!node) return;
  assert(node != &entityHead);
  node->Unlink();
  delete node;
}

void UnlinkAndDelete(ExploQueue* node) {
  if (!node) return;
  assert(node != &exploQueueHead);
  node->Unlink();
  delete node;
}

Entity* InsertEntityFirst(EntityKind kind, int32_t value, int32_t flags, float x, float y, float vx, float vy) {
  Entity* e = new (std::nothrow) Entity(kind, value, flags, x, y, vx, vy);
  return Entity::InsertFirst(&entityHead, e);
}

Entity* AppendEntity(EntityKind kind, int32_t value, int32_t flags, float x, float y, float vx, float vy) {
  Entity* e = new (std::nothrow) Entity(kind, value, flags, x, y, vx, vy);
  return Entity::Append(&entityHead, e);
}
