#pragma once
// The animated flame background of the title, options and completion
// screens: a flame field in an 8-bit surface (palette indices), fed by a
// swarm of particles that draw glowing trails, shown through a 256-colour
// ramp. One module with global state: at most one effect runs at a time.
#include <cstdint>

#include "graphics/bitmap.h"

constexpr int32_t kFlameParticleMax = 10000;
// One column mark per group of four columns: surfaces up to 8192 wide.
constexpr int32_t kFlameColumnMarks = 2048;

struct FlameParticle {
  double x, y;              // position in pixels
  double vx, vy;            // velocity in pixels per frame
  double prevX, prevY;      // position before the last step (trail start)
  double targetX, targetY;  // point the particle steers toward
  int32_t flags;            // bit 0: drift added each frame; bit 1: steer to target
  int32_t heat;             // trail brightness, palette index 127..253
};

struct BackgroundEffectState {
  FlameParticle particles[kFlameParticleMax];
  int32_t count = 300;  // particles 0..count-1 take part
  int32_t width = 0;
  int32_t height = 0;
  int32_t phaseLength = 20;  // seconds per drift phase
  int32_t seedShift = 0;     // 1: the seed row at half brightness
  double driftX = 0.0, driftY = 0.0;
  bool burnDownward = false;
  int32_t eventOdds = 4;  // once a second, an event with probability 1 in this
  bool followMode = true;
  bool smallGroups = true;
  bool noiseSeedRow = true;
  bool driftOn = true;
  bool globalTarget = false;
  double globalTargetX = 0.0, globalTargetY = 0.0;
  double freeAngle = 3.0;  // angle used for a zero vector
  double noiseTime = 0.0;
  int32_t spiralRemaining = 0;
  int32_t spiralDirection = 0;  // -1, 0 or +1
  uint32_t frameCounter = 0;
  uint8_t columnMarks[kFlameColumnMarks] = {};
  Bitmap echoBuffer;      // copy of the field for the zoom echo
  bool echoOn = true;     // the game's configuration can switch the echo off
  int64_t startTime = 0;  // seconds
  int64_t lastTime = 0;
  uint8_t ramp[256][4] = {};  // R, G, B, pad
};

extern BackgroundEffectState gBackgroundEffect;

// Starts an effect on a width x height field (width > 10, height > 6, width
// at most 8192; else false). count is clamped to 0..10000. Places all
// particles at random and draws the four mode switches.
bool InitBackgroundEffect(int32_t count, int32_t width, int32_t height, int32_t paletteKind, int32_t seedShift,
                          int32_t phaseSeconds);
// Fills the ramp: 0 fire, 1 blue, 2 violet, 3 green, 4 red; another kind
// keeps the entries. The top 32 entries then fade to white.
void SetEffectPalette(int32_t kind);
// Advances the effect by one frame in an 8-bit surface at least as large as
// the field. With null bits (or a surface too small) only the clock, the
// events, the targets and the free angle advance.
void RenderBackgroundEffect(uint8_t* bits, int32_t width, int32_t height, int32_t pitch);
// Called when a screen with the effect is left; nothing to free.
bool EndBackgroundEffect();
// A burst of particles from a random point, as the once-a-second events
// make; the title screen asks for one itself every half second.
void BurstBackgroundEffect();
