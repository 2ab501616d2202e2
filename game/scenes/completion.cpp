// The scene after the last board of a set (scene 7): the congratulation over
// flames; a click or key goes on to the high scores.
#include <string>
#include <vector>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/scenes/completion.h"
#include "game/scenes/flame_screen.h"
#include "game/scenes/high_scores.h"
#include "game/scenes/scene_draw.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "graphics/flame.h"

CompletionScreenState completionScreen;

std::vector<std::string> SplitMessageLines(const std::string& message) {
  std::vector<std::string> lines(1);
  for (char c : message) {
    if (c == '\r') continue;
    if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

void RunCompletedScreen() {
  const bool firstFrame = program.sceneNumber != program.previousScene;
  Display& display = TheDisplay();
  if (firstFrame) {
    completionScreen.completionMessage = "Congratulations!\n\n\nYou've completed all the boards!\n";
    input.anyInputThisFrame = 0;
    InitBackgroundEffect(300, display.width > 0 ? display.width : 1280, display.height > 0 ? display.height : 720, 2, 0,
                         1000000);
    flameField.Create(display.width > 0 ? display.width : 1280, display.height > 0 ? display.height : 720, 8);
  }
  if (input.anyInputThisFrame) {
    program.sceneNumber = kSceneHighScores;
    highScoreScreen.scoresFromCompletion = 1;
    input.anyInputThisFrame = 0;
    return;
  }
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  if (firstFrame) {
    highScoreScreen.scoreMusicStarted = 0;
    transition.musicFade = -1;
    SnapshotOldScreen();
  } else if (!highScoreScreen.scoreMusicStarted) {
    highScoreScreen.scoreMusicStarted = 1;
    PlayMusic(soundBank.scoreModule);
  }
  RenderBackgroundEffect(flameField.pixels, flameField.width, flameField.height, flameField.stride);
  DrawFlameField(flameField, 0, 0);

  bigFont.SetTarget(lock.bits, lock.width, lock.height, lock.pitch, lock.bytesPerPixel * 8);
  sysFont.SetTarget(lock.bits, lock.width, lock.height, lock.pitch, lock.bytesPerPixel * 8);
  int32_t y = bigFont.lineHeight;
  bool first = true;
  for (const std::string& line : SplitMessageLines(completionScreen.completionMessage)) {
    BitFont& font = first ? bigFont : sysFont;
    if (!line.empty()) font.DrawTextCentered(line.c_str(), 0, y, lock.width);
    y += font.lineHeight + 2;
    first = false;
  }
  EndSceneFrame(firstFrame, 0, true);
}
