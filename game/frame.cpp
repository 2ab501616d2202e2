#include "game/frame.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

#include "audio/sound_bank.h"
#include "community/community_manager.h"
#include "core/log.h"
#include "game/game_globals.h"
#include "game/play/charms.h"
#include "game/play/play_frame.h"
#include "game/play/play_state.h"
#include "game/scenes/deferred_pictures.h"
#include "game/scenes/scenes.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "platform/message_box.h"

ProgramState program;

namespace {

std::function<void()> frameHook;

void RunFrameSteps();

// Every picture in the display's pixel format, after start-up and after
// every display change.
void UploadEverything() {
  const PixelFormat* format = &program.screenFormat;
  for (ImageSet* set : {&powerUpSet, &paddleSet, &explosionSet, &boingSet, &buttonSet, &lockedCharmSet, &iconSet})
    set->Upload(format);
  // Pictures decoded when first shown keep no pixels to convert: they are
  // decoded again, for this format, when next shown.
  for (Image* picture : {&cursorPicture, &splashPicture, &highScoresPicture, &titlePowerupsPicture, &titleScreenPicture,
                         &boardSelectPicture, &charmsPicture, &exitPicture}) {
    if (IsDeferredPicture(*picture))
      ReleaseDeferredPicture(*picture);
    else
      picture->Upload(format);
  }
  for (BitFont* font :
       {&smallFont, &candyFont, &chiselFont, &bigFont, &sysFont, &brushedFont, &greenBrushedFont, &amberSysFont})
    font->Upload(format);
  for (auto& set : charmSets)
    if (set) set->Upload(format);
  boardSet.UploadImageSets(program.screenFormat);
}

// Runs the scene of sceneNumber; false when no scene has that number.
bool RunScene() {
  switch (program.sceneNumber) {
    case kSceneSplash: RunSplashScreen(); return true;
    case kSceneTitle: RunTitleScreen(); return true;
    case kSceneOptions: RunOptionsScreen(); return true;
    case kSceneBoardSetSelect: RunBoardSetSelectScreen(); return true;
    case kScenePlay: RunPlayScreen(); return true;
    case kSceneHighScores: RunHighScoresScreen(); return true;
    case kSceneCharms: RunCharmsScreen(); return true;
    case kSceneCompleted: RunCompletedScreen(); return true;
    case kSceneExit: RunExitScreen(); return true;
    default: return false;
  }
}

}  // namespace

void SetFrameHookForTests(std::function<void()> hook) { frameHook = std::move(hook); }

void ClipCursorToWindow(bool want) {
  if (play.board.paused) want = false;
  // Confining again on every call follows a window that has moved.
  if (want && program.windowHandle) program.windowHandle->ConfineCursor(true);
  if ((want ? 1 : 0) == program.cursorClipped) return;
  program.cursorClipped = want ? 1 : 0;
  if (!want && program.windowHandle) program.windowHandle->ConfineCursor(false);
}

void StampFirstPresentedFrame(uint32_t presentsBefore, uint32_t presentsAfter) {
  const char* path = std::getenv("VANTREL_FIRST_FRAME_FILE");
  if (!path || !*path || presentsAfter == presentsBefore) return;
  // One stamp per file named.
  static std::string stamped;
  if (stamped == path) return;
  stamped = path;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  if (FILE* f = std::fopen(path, "w")) {
    std::fprintf(f, "%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fclose(f);
  }
}

void RunFrame() {
  const uint32_t presentsBefore = TheDisplay().presentCount;
  RunFrameSteps();
  StampFirstPresentedFrame(presentsBefore, TheDisplay().presentCount);
}

namespace {

void RunFrameSteps() {
  if (frameHook) frameHook();
  ClipCursorToWindow(program.appActive && program.sceneNumber == kScenePlay);
  if (communityManager) communityManager->Update(float(program.frameMs));

  if (program.fullScreenTogglePending) {
    settings.fullScreen = settings.fullScreen ? 0 : 1;
    ClipCursorToWindow(true);
    if (!TheDisplay().SetVideoMode(1280, 720, 16, settings.fullScreen != 0, &program.screenFormat)) {
      plat::ShowMessageBox(nullptr, "Could not open init display!", "Fatal Error", 0);
      // Full screen refused: the flag stays, so the next frame goes back to
      // a window. The window refused: the game cannot go on.
      if (settings.fullScreen) return;
      program.startUpFailed = 1;
      if (program.windowHandle) program.windowHandle->Destroy();
      return;
    }
    ClipCursorToWindow(true);
    program.fullScreenTogglePending = 0;
    program.imagesNeedUpload = 1;
  }

  if (program.imagesNeedUpload) {
    UploadEverything();
    program.imagesNeedUpload = 0;
    program.backgroundDirty = 1;
    program.fullRedraw = 1;
  }

  if (program.soundReloadRequested) {
    LoadSounds();
    program.soundReloadRequested = 0;
  }

  if (transition.transitionRunning) {
    DrawScreenTransition();
    return;
  }

  const Scene scene = program.sceneNumber;
  if (RunScene()) program.previousScene = scene;
  input.lastTypedChar = 0;
  input.anyInputThisFrame = 0;

  if (program.frameMs > 0) DebugPrint(FormatString("FPS: %.2f\n", 1000.0 / program.frameMs));
}

}  // namespace
