#pragma once
// The things that move or live briefly on the play screen (entities) and the
// explosions still to come (explosion queue nodes). Both are intrusive lists
// reached through a global head: the entity head is the paddle itself, the
// queue head is a cell that never explodes.
#include <cstdint>

#include "core/linklist.h"

class ImageSet;

// What an entity is: the case of its logic and of its drawing.
enum EntityKind : int32_t {
  kEntityPaddle = 0,  // only the list head
  kEntityBall = 1,
  kEntityFallingPowerUp = 2,  // the capsule a broken brick drops
  kEntityLaserBolt = 3,
  kEntityBrickPiece = 4,  // a broken brick fading out
  kEntitySpark = 5,
  kEntityExplosion = 6,  // of one cell
  kEntityLightning = 7,  // a strike at a cell
  kEntityFloatingScore = 8,
  kEntityX2Glow = 9,  // running around a cell while the score counts double
  kEntityCharm = 10,
};
constexpr int32_t kEntityKindCount = 11;

// What `value`, `flags` and `aux` mean for each kind (times on the play clock):
//   paddle (the list head)  startTime: the last x2 spark
//   ball           value: size (kBallSmall, kBallNormal, kBallBig); flags:
//                  kBallHeld; aux: x offset from the paddle centre while
//                  held; heldSpeed: the launch speed; startTime: last trail spark
//   falling power-up  value: power-up id; flags: the sound played when caught
//   laser bolt     -
//   brick piece    value: brick number at construction, then 0; aux: creation
//   spark          value: life in ms (0 means kDefaultSparkLife); flags:
//                  kSparkFalls and one colour bit; aux: the colour, red in the
//                  low byte; startTime: creation
//   explosion      x, y: column and row; value: 0 drawn, 1 not drawn; flags:
//                  kExplosionSpread once its neighbours were hit; aux: creation
//   lightning      x, y: column and row; startTime: creation
//   floating score value: the points shown; flags: 0 the brushed font, else
//                  the green one
//   x2 glow        value: column + 256 x row of its cell; aux: the colour
//   charm          -

// Ball sizes (value) and the held bit (flags).
constexpr int32_t kBallSmall = 0;
constexpr int32_t kBallNormal = 1;
constexpr int32_t kBallBig = 2;
constexpr int32_t kBallHeld = 1;

// An explosion's flags once it has hit its neighbours.
constexpr int32_t kExplosionSpread = 1;

// Spark flag bits: falls under gravity, then the colour choice.
constexpr int32_t kSparkFalls = 1;
constexpr int32_t kSparkGrey = 2;
constexpr int32_t kSparkBlueGreen = 4;
constexpr int32_t kSparkGreen = 8;

// A brick piece's cell geometry (the board's: 48 x 24 cells, row 0 at 40).
constexpr float kPieceCellWidth = 48.0f;
constexpr float kPieceCellHeight = 24.0f;
constexpr float kPieceBoardTop = 40.0f;

// A spark built with life 0 lives this long (ms).
constexpr int32_t kDefaultSparkLife = 400;

class Entity : public LinklistBase<Entity> {
 public:
  // Every field 0 but alpha (opaque): the list head.
  Entity() = default;
  // Stores the arguments (and x, y, vx, vy again as the previous values),
  // then the set-up of its kind: a brick piece takes its brick picture and
  // turns column and row into the cell's screen position, a spark picks its
  // colour and life, an explosion and a lightning strike note the time.
  Entity(EntityKind kind, int32_t value, int32_t flags, float x, float y, float vx, float vy);
  ~Entity() override;

  float x = 0;
  float y = 0;
  float prevX = 0;
  float prevY = 0;
  float vx = 0;
  float vy = 0;
  float prevVx = 0;
  float prevVy = 0;
  float width = 0;
  float height = 0;
  ImageSet* image = nullptr;
  int32_t frame = 0;
  int32_t prevFrame = 0;
  EntityKind kind = kEntityPaddle;
  int32_t value = 0;
  int32_t flags = 0;
  int32_t dirty[4] = {};
  int32_t dead = 0;
  int32_t aux = 0;
  int32_t heldSpeed = 0;
  int32_t alpha = 256;
  int32_t startTime = 0;
};

class ExploQueue : public LinklistBase<ExploQueue> {
 public:
  ExploQueue() = default;
  ExploQueue(int32_t column, int32_t row);
  ~ExploQueue() override;

  // Links node behind the last node of the chain that `from` is in; the
  // node (null for a null node).
  static ExploQueue* Append(ExploQueue* from, ExploQueue* node);
  // Links node directly after this node; the node (null for a null node).
  ExploQueue* InsertAfter(ExploQueue* node);
  // This node and `other` change places in the list; this node.
  ExploQueue* Swap(ExploQueue* other);

  int32_t column = 0;
  int32_t row = 0;
};

// The list heads: the paddle with every live entity behind it, and the
// queue of explosions still to come (the first node after the head goes off
// next).
extern Entity entityHead;
extern ExploQueue exploQueueHead;

// The one way to remove a single node: joins its neighbours, clears its
// links, deletes it. Null is ignored. (Deleting a node that is still linked
// would delete its whole chain.)
void UnlinkAndDelete(Entity* node);
void UnlinkAndDelete(ExploQueue* node);

// Makes an entity and links it first (after the head) or last; null when
// it could not be made.
Entity* InsertEntityFirst(EntityKind kind, int32_t value, int32_t flags, float x, float y, float vx, float vy);
Entity* AppendEntity(EntityKind kind, int32_t value, int32_t flags, float x, float y, float vx, float vy);
