#include "game/scenes/transition.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "graphics/display.h"

TransitionState transition;

namespace {

constexpr int32_t kBandHeight = 50;
constexpr float kDurationMs = 2000.0f;

// Copies the back buffer into picture (made the buffer's size and depth).
void CopyBuffer(const SurfaceLock& lock, Bitmap& picture) {
  const int32_t depth = lock.bytesPerPixel * 8;
  if (picture.width != lock.width || picture.height != lock.height || picture.bpp != depth || !picture.pixels)
    picture.Create(lock.width, lock.height, depth);
  if (!picture.pixels) return;
  const size_t rowBytes = size_t(lock.width) * size_t(lock.bytesPerPixel);
  for (int32_t y = 0; y < lock.height; ++y)
    std::memcpy(picture.pixels + size_t(y) * size_t(picture.stride), lock.bits + size_t(y) * size_t(lock.pitch),
                rowBytes);
}

bool Matches(const Bitmap& picture, const SurfaceLock& lock) {
  return picture.pixels && picture.width == lock.width && picture.height == lock.height &&
         picture.bpp == lock.bytesPerPixel * 8;
}

const uint16_t* Row16(const Bitmap& picture, int32_t y) {
  return reinterpret_cast<const uint16_t*>(picture.pixels + size_t(y) * size_t(picture.stride));
}

uint16_t* BufferRow16(const SurfaceLock& lock, int32_t y) {
  return reinterpret_cast<uint16_t*>(lock.bits + size_t(y) * size_t(lock.pitch));
}

// One colour field brightened by b steps, kept inside the field.
uint32_t Brighten(uint32_t pixel, uint32_t mask, int32_t b) {
  if (!mask) return 0;
  const uint32_t unit = mask & (~mask + 1);
  const uint32_t sum = (pixel & mask) + uint32_t(b) * unit;
  return std::min(sum, mask);
}

// One colour field of new + (old - new) * a / 256.
uint32_t Blend(uint32_t fresh, uint32_t old, uint32_t mask, int32_t a) {
  const int64_t n = int64_t(fresh & mask);
  const int64_t o = int64_t(old & mask);
  const int64_t v = n + (o - n) * a / 256;
  return uint32_t(v) & mask;
}

void DrawRollingRow(const SurfaceLock& lock, int32_t y, int32_t e) {
  const int32_t i = y - e;
  const float m = (float(i) / float(kBandHeight)) * 2.0f - 1.0f;
  uint16_t* dst = BufferRow16(lock, y);
  const size_t rowBytes = size_t(lock.width) * 2;
  if (m < -1.0f) {
    std::memcpy(dst, Row16(transitionNewPicture, y), rowBytes);
    return;
  }
  const int32_t s = 100 - int32_t(std::floor(std::acos(-m) / 3.1415926535f * 50.0f));
  const int32_t source = e + s;
  if (source < 0 || source >= transitionNewPicture.height) {
    std::memcpy(dst, Row16(transitionNewPicture, y), rowBytes);
    return;
  }
  const float k = 0.5f - 0.5f * m;
  const int32_t b = int32_t(std::floor(k * k * k * 24.0f));
  const uint16_t* src = Row16(transitionNewPicture, source);
  for (int32_t x = 0; x < lock.width; ++x) {
    const uint32_t p = src[x];
    dst[x] = uint16_t(Brighten(p, program.screenFormat.maskR, b) | Brighten(p, program.screenFormat.maskG, b) |
                      Brighten(p, program.screenFormat.maskB, b));
  }
}

void DrawBlendRow(const SurfaceLock& lock, int32_t y, int32_t e) {
  uint16_t* dst = BufferRow16(lock, y);
  const uint16_t* fresh = Row16(transitionNewPicture, y);
  if (y <= e) {
    std::memcpy(dst, fresh, size_t(lock.width) * 2);
    return;
  }
  const uint16_t* old = Row16(transitionOldPicture, y);
  const int32_t a = std::clamp((y - e) * 256 / kBandHeight, 0, 256);
  for (int32_t x = 0; x < lock.width; ++x) {
    dst[x] = uint16_t(Blend(fresh[x], old[x], program.screenFormat.maskR, a) |
                      Blend(fresh[x], old[x], program.screenFormat.maskG, a) |
                      Blend(fresh[x], old[x], program.screenFormat.maskB, a));
  }
}

}  // namespace

void SnapshotOldScreen() {
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  CopyBuffer(lock, transitionOldPicture);
  display.Unlock();
}

void SnapshotNewScreen() {
  Display& display = TheDisplay();
  SurfaceLock lock;
  const bool locked = display.Lock(&lock);
  if (locked) CopyBuffer(lock, transitionNewPicture);
  StartTransition(0);
  if (locked) display.Unlock();
}

void StartTransition(int32_t style) {
  transition.transitionStyle = style;
  transition.transitionRunning = 1;
  transition.transitionBand = {0, 0, 0, 0};
  transition.transitionStart = mainTimer.Elapsed(1000);
}

void DrawScreenTransition() {
  input.anyInputThisFrame = 0;
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  display.ClearDirtyRects();
  display.AddDirtyRect(&transition.transitionBand);

  // Unsigned difference: the clock may pass 2^31 ms.
  const uint32_t passed = uint32_t(mainTimer.Elapsed(1000)) - uint32_t(transition.transitionStart);
  const float t = float(passed) / kDurationMs;
  const int32_t h = lock.height;
  const int32_t e = int32_t(std::floor(float(h + kBandHeight) * t - float(kBandHeight)));

  const int32_t lastTop = transition.transitionBand.top;
  if (lock.bytesPerPixel == 2 && Matches(transitionNewPicture, lock) && Matches(transitionOldPicture, lock)) {
    const int32_t from = std::max(transition.transitionBand.top, 0);
    const int32_t to = std::min(e + kBandHeight - 1, h - 1);
    for (int32_t y = from; y <= to; ++y) {
      if (transition.transitionStyle == 1)
        DrawBlendRow(lock, y, e);
      else
        DrawRollingRow(lock, y, e);
    }
  }

  // The fades stop at their ends: the music reaches exactly its volume.
  const float done = std::min(t, 1.0f);
  const int32_t musicVolume = soundBank.musicVolume;
  if (transition.musicFade < 0) soundSystem.SetModuleVolume(int32_t(std::floor((1.0f - done) * float(musicVolume))));
  if (transition.musicFade > 0) soundSystem.SetModuleVolume(int32_t(std::floor(done * float(musicVolume))));
  if (transition.soundFade != 0) {
    const int32_t volume = int32_t(std::floor((transition.soundFade < 0 ? 1.0f - done : done) * 63.0f));
    for (int32_t voice = 0; voice < 8; ++voice) soundSystem.SetVoiceVolume(voice, volume);
  }
  if (t > 1.0f) {
    transition.transitionRunning = 0;
    if (transition.musicFade < 0) StopMusic();
    if (transition.soundFade < 0) soundSystem.StopAllVoices();
    transition.musicFade = 0;
    transition.soundFade = 0;
  }

  transition.transitionBand = {0, e, lock.width, e + kBandHeight};
  display.AddDirtyRect(&transition.transitionBand);
  // Every row drawn in this frame reaches the window, however far the band
  // moved since the last one.
  if (lastTop < e) display.AddDirtyRect(0, lastTop, lock.width, e - lastTop);
  display.Unlock();
  display.Present(kPresentDirtyOnly);
}
