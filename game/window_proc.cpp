#include "game/window_proc.h"

#include <exception>
#include <string>

#include "audio/sound_bank.h"
#include "community/community_manager.h"
#include "core/cstr.h"
#include "core/log.h"
#include "game/frame.h"
#include "game/game_globals.h"
#include "game/play/pause.h"
#include "game/play/play_state.h"
#include "game/play/powerup_deck.h"
#include "game/scenes/board_set_select.h"
#include "game/scenes/charm_collection.h"
#include "game/scenes/options.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"

InputState input;

namespace {

bool InPlayRunning() {
  return !play.board.paused && program.sceneNumber == kScenePlay && !transition.transitionRunning;
}

// Reloads the board set's pictures for the classic-textures setting just
// switched. A refused set (an exception, a false result, no bricks) puts the
// setting back and loads the previous pictures again.
void ReloadBoardPictures() {
  auto load = []() -> bool {
    try {
      if (!boardSet.LoadImageSets(dataFiles, true)) return false;
      if (!boardSet.UploadImageSets(program.screenFormat)) return false;
      return boardSet.bricks.pixels != nullptr && boardSet.bricks.width > 0;
    } catch (const std::exception& e) {
      DebugPrint(std::string("Board pictures not loaded: ") + e.what() + "\n");
      return false;
    } catch (...) {
      DebugPrint("Board pictures not loaded\n");
      return false;
    }
  };
  if (load()) return;
  settings.classicTextures = settings.classicTextures ? 0 : 1;
  if (!load()) DebugPrint("The previous board pictures could not be loaded again either\n");
}

// A function key makes its option line's change in any scene, and the texts
// that show the settings redraw. Beside that, the backgrounds and textures
// keys redraw the board background; the display key pauses a running game
// for the switch; the textures key starts a pause whenever the game is not
// paused (outside a running game the pause stays off, but the pause key
// counts as let go) and in play loads the board pictures for the new setting.
void OnOptionKey(const OptionRow& row) {
  row.change();
  switch (row.line) {
    case kOptionBackgrounds: program.backgroundDirty = 1; break;
    case kOptionDisplay:
      if (InPlayRunning()) {
        play.board.paused = 1;
        input.pauseKeyReleased = 1;
      }
      break;
    case kOptionClassicTextures:
      if (!play.board.paused) {
        TogglePause();
        input.pauseKeyReleased = 1;
      }
      if (program.sceneNumber == kScenePlay) ReloadBoardPictures();
      program.backgroundDirty = 1;
      break;
    default: break;
  }
  input.settingsChanged = 1;
}

void OnKeyDown(uint32_t key) {
  if (const OptionRow* row = OptionRowOfKey(key)) {
    OnOptionKey(*row);
    return;
  }
  switch (key) {
    case plat::kKeyEscape:
      if (program.sceneNumber == kSceneExit || program.sceneNumber == kSceneOptions) {
        if (program.windowHandle) plat::GetWindowSystem()->PostMessage(program.windowHandle, plat::kMsgClose, 0, 0);
      } else if (program.sceneNumber == kScenePlay) {
        TogglePause();
      } else if (program.sceneNumber == kSceneBoardSetSelect) {
        program.sceneNumber = kSceneOptions;
      } else if (program.sceneNumber == kSceneTitle || program.sceneNumber == kSceneHighScores ||
                 program.sceneNumber == kSceneCompleted) {
        input.anyInputThisFrame = 1;
      }
      break;
    case 'P': TogglePause(); break;
    case plat::kKeyUp:
      if (program.sceneNumber == kSceneBoardSetSelect) --boardSetSelect.boardSelectIndex;
      if (settings.cheatMode) {
        play.board.boardCleared = 1;
        play.nextBoard = boardSet.boardCount - 1;
      }
      break;
    case plat::kKeyDown:
      if (program.sceneNumber == kSceneBoardSetSelect) ++boardSetSelect.boardSelectIndex;
      if (settings.cheatMode) {
        play.board.boardCleared = 1;
        play.nextBoard = 0;
      }
      break;
    case plat::kKeyLeft:
      if (settings.cheatMode) {
        play.board.boardCleared = 1;
        play.nextBoard = boardSet.currentBoard - 1;
      }
      break;
    case plat::kKeyRight:
      if (settings.cheatMode) {
        play.board.boardCleared = 1;
        play.nextBoard = boardSet.currentBoard + 1;
      }
      break;
    default: break;
  }
}

void OnChar(uint8_t c) {
  input.lastTypedChar = c;
  // The name entry of the high scores uses the characters itself: there the
  // buffer stays as it is, and so nothing can match anew.
  bool entered = false;
  if (program.sceneNumber != kSceneHighScores) {
    const char text[2] = {char(c), 0};
    input.typedCodeBuffer = CStr::Right(input.typedCodeBuffer + text, 6);
    entered = true;
  }
  if (entered && EqualsNoCase(input.typedCodeBuffer.Text(), "tamble")) {
    PlaySoundAt(kSoundPadExplode, 640.0f, 0, 63);
    if (communityManager) communityManager->ResetAllStats(true);
  }
  if (program.sceneNumber == kScenePlay && optionsScreen.playerCount <= 1) {
    if (settings.cheatMode) {
      MaybeDropPowerUp(10, 0, 1);
    } else if (EqualsNoCase(input.typedCodeBuffer.Text(), "vorpex")) {
      settings.cheatMode = 1;
      PlaySoundAt(kSoundFanfare, 0.0f, int32_t(soundSystem.GetSampleRate(kSoundFanfare) * 0.98), 63);
      PlaySoundAt(kSoundFanfare, 1280.0f, 0, 63);
    }
  } else if (c != plat::kCharEscape) {
    input.anyInputThisFrame = 1;
  }
}

void OnMouse(uint32_t message, intptr_t lParam) {
  if (message == plat::kMsgLButtonDown) {
    input.anyInputThisFrame = 1;
    if (settings.classicRules == 0 && !play.board.catchOn && !play.board.laserOn && !play.board.heldFrames &&
        !play.board.paused && program.sceneNumber == kScenePlay) {
      PlaySoundAt(kSoundWhoosh, float(input.mouseX), 0, 63);
      input.paddleButtonHeld = 1;
    }
  }
  // Signed words: a drag above or left of the window is negative and
  // clamps to the buffer's edge instead of wrapping to the far side.
  const int32_t clientX = int16_t(plat::LowWord(uintptr_t(lParam)));
  const int32_t clientY = int16_t(plat::HighWord(uintptr_t(lParam)));
  input.mouseX = clientX;
  input.mouseY = clientY;
  Display& display = TheDisplay();
  display.ClientToBuffer(&input.mouseX, &input.mouseY);

  if (program.sceneNumber == kScenePlay && !play.board.paused && play.playfieldLeft > 0 && program.windowHandle) {
    int32_t left = play.playfieldLeft, right = 1280 - play.playfieldLeft, y = 0;
    display.BufferToClient(&left, &y);
    y = 0;
    display.BufferToClient(&right, &y);
    if (clientX < left)
      program.windowHandle->WarpCursor(left, clientY);
    else if (clientX > right)
      program.windowHandle->WarpCursor(right, clientY);
  }

  switch (message) {
    case plat::kMsgLButtonDown:
    case plat::kMsgRButtonDown: input.mouseButtonDown = 1; break;
    case plat::kMsgLButtonUp:
      input.mouseButtonDown = 0;
      input.paddleButtonHeld = 0;
      break;
    case plat::kMsgRButtonUp: input.mouseButtonDown = 0; break;
    default: break;
  }
}

intptr_t HandleMessage(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case plat::kMsgDestroy:
      program.windowHandle = nullptr;
      plat::GetWindowSystem()->PostQuitMessage(0);
      TheDisplay().Close(false);
      return 0;
    case plat::kMsgMove: ClipCursorToWindow(program.appActive && program.sceneNumber == kScenePlay); break;
    case plat::kMsgSize:
      if (wParam == plat::kSizeMaximised && !settings.fullScreen) program.fullScreenTogglePending = 1;
      ClipCursorToWindow(program.appActive && program.sceneNumber == kScenePlay);
      break;
    case plat::kMsgActivate:
      if (plat::HighWord(wParam) != 0)
        ShutdownAudio();
      else
        program.soundReloadRequested = 1;
      break;
    case plat::kMsgPaint: TheDisplay().Present(0); return 0;
    case plat::kMsgClose:
      if (window) window->Destroy();
      return 0;
    case plat::kMsgActivateApp:
      program.appActive = wParam != 0 ? 1 : 0;
      program.fullRedraw = 1;
      soundSystem.PauseModule(!program.appActive);
      if (!program.appActive && InPlayRunning()) {
        play.board.paused = 1;
        input.pauseKeyReleased = 1;
      }
      ClipCursorToWindow(program.appActive && program.sceneNumber == kScenePlay);
      plat::GetWindowSystem()->ShowCursor(!program.appActive);
      break;
    case plat::kMsgKeyDown: OnKeyDown(uint32_t(wParam)); break;
    case plat::kMsgKeyUp:
      if (wParam == plat::kKeyEscape || wParam == 'P') input.pauseKeyReleased = 1;
      break;
    case plat::kMsgChar: OnChar(uint8_t(wParam)); break;
    case plat::kMsgMouseMove:
    case plat::kMsgLButtonDown:
    case plat::kMsgLButtonUp:
    case plat::kMsgRButtonDown:
    case plat::kMsgRButtonUp: OnMouse(message, lParam); break;
    case plat::kMsgMouseWheel: {
      const int32_t delta = plat::SignedHighWord(wParam);
      const int32_t step = delta > 0 ? -1 : 1;
      if (program.sceneNumber == kSceneBoardSetSelect) boardSetSelect.boardSelectIndex += step;
      if (program.sceneNumber == kSceneCharms) charmScreen.charmScroll += step;
      break;
    }
    default: break;
  }
  return plat::DefaultWindowProc(window, message, wParam, lParam);
}

}  // namespace

intptr_t MainWndProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  // Nothing thrown in here may unwind into the window system.
  try {
    return HandleMessage(window, message, wParam, lParam);
  } catch (const std::exception& e) {
    DebugPrint(std::string("Window message not handled: ") + e.what() + "\n");
  } catch (...) {
    DebugPrint("Window message not handled\n");
  }
  return 0;
}
