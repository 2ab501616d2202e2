// The title and credits (scene 1): flames over the whole screen with the
// credits scrolling up through them, and the low fire sound looping.
#include <cmath>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/scenes/credits.h"
#include "game/scenes/flame_screen.h"
#include "game/scenes/scene_draw.h"
#include "game/scenes/title.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "graphics/flame.h"

TitleScreenState titleScreen;

namespace {

constexpr int32_t kFireSample = kSoundFireLow;

// Starts the three fire voices. Voices of an earlier start that still play
// the fire are stopped first, so regaining the focus never stacks the fire
// or takes the voices the menu click needs.
void StartFireVoices() {
  for (int32_t& voice : titleScreen.titleFireVoices) {
    if (voice >= 0 && soundSystem.IsVoicePlaying(voice) && soundSystem.GetVoiceSample(voice) == kFireSample)
      soundSystem.StopVoice(voice);
    voice = -1;
  }
  soundSystem.SetSampleLoop(kFireSample, true);
  const int32_t rate = soundSystem.GetSampleRate(kFireSample);
  const int32_t frequencies[3] = {0, static_cast<int32_t>(0.98 * rate), 0};
  const int32_t pans[3] = {0, 256, 128};
  for (int i = 0; i < 3; ++i) {
    if (soundSystem.PlaySample(kFireSample, frequencies[i], 63, pans[i]))
      titleScreen.titleFireVoices[i] = soundSystem.GetLastVoice();
  }
}

}  // namespace

void DrawCredits(Bitmap& field, int32_t elapsedMs) {
  if (field.bpp != 8 || !field.pixels) return;
  const int32_t lineStep = sysFontGlow.lineHeight + 32;
  const float scrolled = static_cast<float>(elapsedMs) / 1000.0f * static_cast<float>(lineStep);
  const float height = static_cast<float>(field.height);
  bigFont.SetTarget(field.pixels, field.width, field.height, field.stride, 8);
  sysFontGlow.SetTarget(field.pixels, field.width, field.height, field.stride, 8);
  for (int32_t k = 0; k < kCreditRowCount; ++k) {
    const char* row = kCreditRows[static_cast<size_t>(k)];
    const float y = height - scrolled + static_cast<float>(k * lineStep);
    if (!row || !*row || !(y > 1.0f && y < height)) continue;
    BitFont& font = k < 2 ? bigFont : sysFontGlow;
    font.DrawTextCentered(row, 0, static_cast<int32_t>(y), field.width);
  }
}

bool CreditsFinished(int32_t elapsedMs, int32_t fieldHeight) {
  const int32_t lineStep = sysFontGlow.lineHeight + 32;
  if (lineStep <= 0) return false;
  const float scrolled = static_cast<float>(elapsedMs) / 1000.0f * static_cast<float>(lineStep);
  return (scrolled - static_cast<float>(fieldHeight)) / static_cast<float>(lineStep) > kCreditRowCount;
}

void RunTitleScreen() {
  const bool firstFrame = program.sceneNumber != program.previousScene;
  if (input.anyInputThisFrame) {
    program.sceneNumber = kSceneOptions;
    input.anyInputThisFrame = 0;
    transition.musicFade = 1;
    transition.soundFade = -1;
    return;
  }
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  const int32_t now = mainTimer.Elapsed(1000);
  if (firstFrame || program.fullRedraw) {
    program.fullRedraw = 1;
    StartFireVoices();
    InitBackgroundEffect(100, lock.width, lock.height, 0, 0, 1000000);
    flameField.Create(lock.width, lock.height, 8);
    titleScreen.creditsStartMs = now;
    titleScreen.lastBurstMs = 0;
  }
  if (now - titleScreen.lastBurstMs > 500) {
    BurstBackgroundEffect();
    titleScreen.lastBurstMs = now;
  }
  RenderBackgroundEffect(flameField.pixels, flameField.width, flameField.height, flameField.stride);
  DrawCredits(flameField, now - titleScreen.creditsStartMs);
  if (CreditsFinished(now - titleScreen.creditsStartMs, flameField.height)) titleScreen.creditsStartMs = now;
  DrawFlameField(flameField, 0, 0);
  EndSceneFrame(false, 0, true);
}
