#include "game/scenes/options.h"

#include <algorithm>
#include <string>

#include "audio/sound_bank.h"
#include "core/random_int.h"
#include "game/buttons.h"
#include "game/game_globals.h"
#include "game/play/play_state.h"
#include "game/scenes/deferred_pictures.h"
#include "game/scenes/flame_screen.h"
#include "game/scenes/menu_pointer.h"
#include "game/scenes/scene_draw.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/flame.h"
#include "platform/version.h"
#include "platform/window.h"

OptionsScreenState optionsScreen;

namespace {

std::string OnOff(int32_t value, const char* on, const char* off) { return value != 0 ? on : off; }

void Toggle(int32_t& value) { value = value != 0 ? 0 : 1; }

std::string BackgroundWords() {
  static const char* const kWords[3] = {"Textured", "Half-Bright", "Black"};
  // A stored value outside the three styles reads as the default.
  const int32_t style = settings.backgroundStyle >= 0 && settings.backgroundStyle <= 2 ? settings.backgroundStyle : 0;
  return kWords[style];
}

constexpr OptionRow Blank(OptionLine line) { return {line, nullptr, nullptr, nullptr, 0}; }

// Heat 0..253 for a colour: its luminance.
uint8_t HeatOf(int r, int g, int b) {
  const int lum = (r * 299 + g * 587 + b * 114) / 1000;
  return static_cast<uint8_t>(lum * 253 / 255);
}

}  // namespace

std::string VersionTextOrUnknown(const std::string& text) { return text.empty() ? std::string("Unknown") : text; }

std::string GetProgramVersion() { return VersionTextOrUnknown(plat::ProgramVersion()); }

constexpr OptionRow kOptionRows[kOptionLineCount] = {
    {kOptionPlayers, "Players", [] { return std::to_string(optionsScreen.playerCount); },
     [] {
       optionsScreen.playerCount = optionsScreen.playerCount >= 1 && optionsScreen.playerCount < 4
                                       ? optionsScreen.playerCount + 1
                                       : 1;
     },
     0},
    {kOptionDifficulty, "Difficulty", [] { return OnOff(settings.kidMode, "Kid-Mode", "Normal"); },
     [] { Toggle(settings.kidMode); }, 0},
    {kOptionClassicRules, "Orvesse Ed. Features", [] { return OnOff(settings.classicRules, "Disabled", "Enabled"); },
     [] { Toggle(settings.classicRules); }, 0},
    {kOptionCommunityBoards, "Community Boardsets",
     [] { return OnOff(settings.communityBoards, "Enabled", "Disabled"); }, [] { Toggle(settings.communityBoards); },
     0},
    Blank(kOptionBlankAfterBoards),
    // The frame step carries the switch out.
    {kOptionDisplay, "Display", [] { return OnOff(settings.fullScreen, "Fullscreen", "Windowed"); },
     [] { program.fullScreenTogglePending = 1; }, plat::kKeyF7},
    {kOptionBackgrounds, "Backgrounds", BackgroundWords,
     [] {
       settings.backgroundStyle = settings.backgroundStyle >= 0 && settings.backgroundStyle < 2
                                      ? settings.backgroundStyle + 1
                                      : 0;
     },
     plat::kKeyF1},
    {kOptionClassicTextures, "Classic Textures", [] { return OnOff(settings.classicTextures, "Enabled", "Disabled"); },
     [] { Toggle(settings.classicTextures); }, plat::kKeyF8},
    {kOptionFloatingScores, "Floating Scores", [] { return OnOff(settings.showScores, "Enabled", "Disabled"); },
     [] { Toggle(settings.showScores); }, plat::kKeyF9},
    Blank(kOptionBlankAfterScores),
    {kOptionInGameMusic, "In-game Music", [] { return OnOff(settings.useInGameMods, "Enabled", "Disabled"); },
     [] { Toggle(settings.useInGameMods); }, plat::kKeyF5},
    // The sound system mixes by its own copy of the setting.
    {kOptionStereo, "Stereo Mode", [] { return OnOff(settings.swapStereo, "Left/Right Swapped", "Normal"); },
     [] {
       Toggle(settings.swapStereo);
       audioSettings.swapStereo = settings.swapStereo;
     },
     plat::kKeyF6},
};

constexpr bool RowsAreInLineOrder() {
  for (int32_t k = 0; k < kOptionLineCount; ++k)
    if (kOptionRows[k].line != k) return false;
  return true;
}
static_assert(RowsAreInLineOrder(), "kOptionRows[k] is line k");

const OptionRow* OptionRowOfKey(uint32_t key) {
  if (key == 0) return nullptr;
  for (const OptionRow& row : kOptionRows)
    if (row.functionKey == key) return &row;
  return nullptr;
}

std::string OptionLineText(int32_t k) {
  if (k < 0 || k >= kOptionLineCount || !kOptionRows[k].label) return std::string();
  const OptionRow& row = kOptionRows[k];
  std::string text = std::string(row.label) + ":  " + row.value();
  if (row.functionKey != 0) text += " (F" + std::to_string(row.functionKey - plat::kKeyF1 + 1) + ")";
  return text;
}

bool ApplyOptionClick(int32_t k) {
  if (k < 0 || k >= kOptionLineCount || !kOptionRows[k].change) return false;
  kOptionRows[k].change();
  return true;
}

void SetUpLogoBand() {
  logoBand.Create(kLogoBandWidth, kLogoBandHeight, 8);
  logoBand.SetFrameCount(2);
  Bitmap* field = logoBand.GetFrame(1);
  if (field != &logoBand) field->Create(kLogoBandWidth, kLogoBandHeight, 8);
  // Frame 0: the logo region of the title picture as heat.
  const Image& title = titleScreenPicture;
  for (int32_t y = 0; y < kLogoBandHeight; ++y) {
    for (int32_t x = 0; x < kLogoBandWidth; ++x) {
      const int32_t sx = kLogoBandX + x, sy = kLogoBandY + y;
      if (sx >= title.width || sy >= title.height || !title.pixels) continue;
      int r = 0, g = 0, b = 0;
      if (title.bpp == 8) {
        const uint8_t p = static_cast<uint8_t>(title.GetPixel(sx, sy));
        r = title.palette[p][0];
        g = title.palette[p][1];
        b = title.palette[p][2];
      } else {
        title.GetPixelRGB(sx, sy, &r, &g, &b);
      }
      logoBand.SetPixel(x, y, HeatOf(r, g, b));
    }
  }
  InitBackgroundEffect(20, kLogoBandWidth, kLogoBandHeight, static_cast<int32_t>(RandomInt(5)), 1, 20);
  optionsScreen.bandSweepPosition = 0;
  optionsScreen.bandSweepCount = 0;
}

void AdvanceLogoBand(int32_t nowMs, bool black) {
  Bitmap* field = logoBand.GetFrame(1);
  if (field != &logoBand && field->pixels && logoBand.pixels && field->width == logoBand.width &&
      field->height == logoBand.height) {
    const int32_t t = ((nowMs % kBandSweepMs) + kBandSweepMs) % kBandSweepMs;
    const int32_t position = t * kLogoBandWidth / kBandSweepMs;
    // The stretch the sweep crossed since the last step, wrapping at the
    // right edge into a new sweep.
    auto copyColumns = [&](int32_t from, int32_t to) {
      const bool slanted = optionsScreen.bandSweepCount % 7 == 6;
      const int32_t half = kLogoBandWidth / 2;
      for (int32_t x = std::max(0, from); x < std::min(to, kLogoBandWidth); ++x) {
        int32_t top = 0;
        if (slanted) {
          // A triangle rising to the band's middle and back.
          const int32_t rise = (half - std::abs(x - half)) * (kLogoBandHeight / 2) / half;
          top = kLogoBandHeight - rise;
        }
        for (int32_t y = top; y < kLogoBandHeight; ++y) {
          const uint8_t heat = logoBand.pixels[static_cast<ptrdiff_t>(y) * logoBand.stride + x];
          uint8_t& cell = field->pixels[static_cast<ptrdiff_t>(y) * field->stride + x];
          cell = std::max(cell, heat);
        }
      }
    };
    if (position >= optionsScreen.bandSweepPosition) {
      copyColumns(optionsScreen.bandSweepPosition, position);
    } else {
      copyColumns(optionsScreen.bandSweepPosition, kLogoBandWidth);
      ++optionsScreen.bandSweepCount;
      copyColumns(0, position);
    }
    optionsScreen.bandSweepPosition = position;
    RenderBackgroundEffect(field->pixels, field->width, field->height, field->stride);
    if (black) {
      FillRectColour(kLogoBandX, kLogoBandY, kLogoBandHeight, kLogoBandWidth, 0, 0, 0, nullptr);
    } else {
      DrawFlameField(*field, kLogoBandX, kLogoBandY);
    }
  }

  // The two strips of the title power-ups animation, the top one four
  // frames ahead. They are drawn keyed: what a frame leaves see-through (the
  // generated strip's top rows, over the version text) keeps what is under it.
  ++optionsScreen.bandStripFrame;
  UsePicture(titlePowerupsPicture);
  const Bitmap* strips = titlePowerupsPicture.GetFrame(1);
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (strips && strips->pixels && display.Lock(&lock)) {
    if (strips->bytesPerPixel == lock.bytesPerPixel) {
      const int32_t frames = std::max(1, std::min(kStripFrames, strips->height / kStripHeight));
      const int32_t top = ((optionsScreen.bandStripFrame + 4) % frames + frames) % frames;
      const int32_t bottom = (optionsScreen.bandStripFrame % frames + frames) % frames;
      strips->DrawPart(lock.bits, lock.width, lock.height, lock.pitch, 0, kStripTopY, 0, top * kStripHeight,
                       strips->width, kStripHeight, 1, 256);
      strips->DrawPart(lock.bits, lock.width, lock.height, lock.pitch, 0, kStripBottomY, 0, bottom * kStripHeight,
                       strips->width, kStripHeight, 1, 256);
      // The strips change on every step, so they go to the window with the band.
      display.AddDirtyRect(0, kStripTopY, strips->width, kStripHeight);
      display.AddDirtyRect(0, kStripBottomY, strips->width, kStripHeight);
    }
    display.Unlock();
  }
}

void RunOptionsScreen() {
  const bool firstFrame = program.sceneNumber != program.previousScene;
  UpdateButtonHover(optionsButtons);
  const int32_t hovered = input.mouseX >= kOptionLineX + 1 && input.mouseX <= 1181 && input.mouseY >= kOptionLineY + 1
                              ? (input.mouseY - kOptionLineY) / kOptionLinePitch
                              : -1;
  if (hovered != optionsScreen.hoveredOption) {
    optionsScreen.hoveredOption = hovered;
    input.settingsChanged = 1;
  }

  if (input.anyInputThisFrame) {
    input.anyInputThisFrame = 0;
    if (input.lastTypedChar != 0) {
      program.sceneNumber = kSceneBoardSetSelect;
    } else if (menuButtons.hoveredButton == kButtonQuit) {
      if (plat::WindowSystem* system = plat::GetWindowSystem())
        system->PostMessage(program.windowHandle, plat::kMsgClose, 0, 0);
      return;
    } else if (menuButtons.hoveredButton == kButtonCredits) {
      program.sceneNumber = kSceneTitle;
    } else if (menuButtons.hoveredButton == kButtonCharms) {
      program.sceneNumber = kSceneCharms;
    } else if (ApplyOptionClick(optionsScreen.hoveredOption)) {
      input.settingsChanged = 1;
    } else {
      program.sceneNumber = kSceneBoardSetSelect;
    }
    PlaySoundAt(kSoundLock, 640.0f, 0, 63);
    return;
  }

  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  if (firstFrame) StartSceneFadeIn(true);
  const int32_t now = mainTimer.Elapsed(1000);
  DrawMenuPointer(program.fullRedraw != 0, [&] {
    const Bitmap* title = titleScreenPicture.GetFrame(1);
    const bool titleDrawable = title && title->pixels && title->bytesPerPixel == lock.bytesPerPixel;
    if (program.fullRedraw) {
      if (titleDrawable) title->Draw(lock.bits, lock.width, lock.height, lock.pitch, 0, 0, 0, 256);
      display.AddDirtyRect(0, 0, lock.width, lock.height);
      SetUpLogoBand();
      sysFont.SetTarget(lock.bits, lock.width, lock.height, lock.pitch, lock.bytesPerPixel * 8);
      const std::string version = GetProgramVersion();
      sysFont.DrawText(version.c_str(), lock.width - sysFont.TextWidth(version.c_str()) - 5, 2);
      input.settingsChanged = 1;
    }
    if (input.settingsChanged) {
      DrawButtons(optionsButtons);
      if (titleDrawable)
        title->DrawPart(lock.bits, lock.width, lock.height, lock.pitch, kOptionLineX, kOptionLineY, kOptionLineX,
                        kOptionLineY, 400, 240, 0, 256);
      display.AddDirtyRect(kOptionLineX, kOptionLineY, 400, 240);
      sysFont.SetTarget(lock.bits, lock.width, lock.height, lock.pitch, lock.bytesPerPixel * 8);
      amberSysFont.SetTarget(lock.bits, lock.width, lock.height, lock.pitch, lock.bytesPerPixel * 8);
      for (const OptionRow& row : kOptionRows) {
        if (!row.label) continue;
        BitFont& font = row.line == optionsScreen.hoveredOption ? amberSysFont : sysFont;
        font.DrawText(OptionLineText(row.line).c_str(), kOptionLineX, kOptionLineY + kOptionLinePitch * row.line);
      }
      input.settingsChanged = 0;
    }
    if (program.fullRedraw || now - optionsScreen.bandLastRefreshMs >= kBandRefreshMs ||
        now < optionsScreen.bandLastRefreshMs) {
      optionsScreen.bandLastRefreshMs = now;
      AdvanceLogoBand(now, firstFrame);
    }
  });
  if (!firstFrame) display.AddDirtyRect(kLogoBandX, kLogoBandY, kLogoBandWidth, kLogoBandHeight);
  EndSceneFrame(firstFrame, kPresentDirtyOnly, true);
}
