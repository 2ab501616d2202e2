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
#include "game/play/powerup_deck.h"
#include "graphics/display.h"

namespace {

bool InPlayRunning() { return !paused && sceneNumber == 4 && !transitionRunning; }

// Reloads the board set's pictures for the classic-textures setting just
// switched. A refused set (an exception, a false result, no bricks) puts the
// setting back and loads the previous pictures again.
void ReloadBoardPictures() {
  auto load = []() -> bool {
    try {
      if (!boardSet.LoadImageSets(dataFiles, true)) return false;
      if (!boardSet.UploadImageSets(screenFormat)) return false;
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
  classicTextures = classicTextures ? 0 : 1;
  if (!load()) DebugPrint("The previous board pictures could not be loaded again either\n");
}

void OnKeyDown(uint32_t key) {
  switch (key) {
    case plat::kKeyEscape:
      if (sceneNumber == 8 || sceneNumber == 2) {
        if (windowHandle) plat::GetWindowSystem()->PostMessage(windowHandle, plat::kMsgClose, 0, 0);
      } else if (sceneNumber == 4) {
        TogglePause();
      } else if (sceneNumber == 3) {
        sceneNumber = 2;
      } else if (sceneNumber == 1 || sceneNumber == 5 || sceneNumber == 7) {
        anyInputThisFrame = 1;
      }
      break;
    case 'P': TogglePause(); break;
    case plat::kKeyF1:
      backgroundStyle = (backgroundStyle == 0 || backgroundStyle == 1) ? backgroundStyle + 1 : 0;
      backgroundDirty = 1;
      settingsChanged = 1;
      break;
    case plat::kKeyF1 + 4:  // F5
      useInGameMods = useInGameMods ? 0 : 1;
      settingsChanged = 1;
      break;
    case plat::kKeyF1 + 5:  // F6
      swapStereo = swapStereo ? 0 : 1;
      audioSettings.swapStereo = swapStereo;
      settingsChanged = 1;
      break;
    case plat::kKeyF1 + 6:  // F7
      fullScreenTogglePending = 1;
      settingsChanged = 1;
      if (InPlayRunning()) {
        paused = 1;
        pauseKeyReleased = 1;
      }
      break;
    case plat::kKeyF1 + 7:  // F8
      classicTextures = classicTextures ? 0 : 1;
      if (!paused) {
        TogglePause();
        pauseKeyReleased = 1;
      }
      if (sceneNumber == 4) ReloadBoardPictures();
      backgroundDirty = 1;
      settingsChanged = 1;
      break;
    case plat::kKeyF1 + 8:  // F9
      showScores = showScores ? 0 : 1;
      settingsChanged = 1;
      break;
    case plat::kKeyUp:
      if (sceneNumber == 3) --boardSelectIndex;
      if (cheatMode) {
        boardCleared = 1;
        nextBoard = boardSet.boardCount - 1;
      }
      break;
    case plat::kKeyDown:
      if (sceneNumber == 3) ++boardSelectIndex;
      if (cheatMode) {
        boardCleared = 1;
        nextBoard = 0;
      }
      break;
    case plat::kKeyLeft:
      if (cheatMode) {
        boardCleared = 1;
        nextBoard = boardSet.currentBoard - 1;
      }
      break;
    case plat::kKeyRight:
      if (cheatMode) {
        boardCleared = 1;
        nextBoard = boardSet.currentBoard + 1;
      }
      break;
    default: break;
  }
}

void OnChar(uint8_t c) {
  lastTypedChar = c;
  // The name entry of the high scores uses the characters itself: there the
  // buffer stays as it is, and so nothing can match anew.
  bool entered = false;
  if (sceneNumber != 5) {
    const char text[2] = {char(c), 0};
    typedCodeBuffer = CStr::Right(typedCodeBuffer + text, 6);
    entered = true;
  }
  if (entered && EqualsNoCase(typedCodeBuffer.Text(), "tamble")) {
    PlaySoundAt(13, 640.0f, 0, 63);
    if (communityManager) communityManager->ResetAllStats(true);
  }
  if (sceneNumber == 4 && playerCount <= 1) {
    if (cheatMode) {
      MaybeDropPowerUp(10, 0, 1);
    } else if (EqualsNoCase(typedCodeBuffer.Text(), "vorpex")) {
      cheatMode = 1;
      PlaySoundAt(12, 0.0f, int32_t(soundSystem.GetSampleRate(12) * 0.98), 63);
      PlaySoundAt(12, 1280.0f, 0, 63);
    }
  } else if (c != 27) {
    anyInputThisFrame = 1;
  }
}

void OnMouse(uint32_t message, intptr_t lParam) {
  if (message == plat::kMsgLButtonDown) {
    anyInputThisFrame = 1;
    if (classicRules == 0 && !catchOn && !laserOn && !heldFrames && !paused && sceneNumber == 4) {
      PlaySoundAt(26, float(mouseX), 0, 63);
      paddleButtonHeld = 1;
    }
  }
  // Signed words: a drag above or left of the window is negative and
  // clamps to the buffer's edge instead of wrapping to the far side.
  const int32_t clientX = int16_t(plat::LowWord(uintptr_t(lParam)));
  const int32_t clientY = int16_t(plat::HighWord(uintptr_t(lParam)));
  mouseX = clientX;
  mouseY = clientY;
  Display& display = TheDisplay();
  display.ClientToBuffer(&mouseX, &mouseY);

  if (sceneNumber == 4 && !paused && playfieldLeft > 0 && windowHandle) {
    int32_t left = playfieldLeft, right = 1280 - playfieldLeft, y = 0;
    display.BufferToClient(&left, &y);
    y = 0;
    display.BufferToClient(&right, &y);
    if (clientX < left)
      windowHandle->WarpCursor(left, clientY);
    else if (clientX > right)
      windowHandle->WarpCursor(right, clientY);
  }

  switch (message) {
    case plat::kMsgLButtonDown:
    case plat::kMsgRButtonDown: mouseButtonDown = 1; break;
    case plat::kMsgLButtonUp:
      mouseButtonDown = 0;
      paddleButtonHeld = 0;
      break;
    case plat::kMsgRButtonUp: mouseButtonDown = 0; break;
    default: break;
  }
}

intptr_t HandleMessage(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case plat::kMsgDestroy:
      windowHandle = nullptr;
      plat::GetWindowSystem()->PostQuitMessage(0);
      TheDisplay().Close(false);
      return 0;
    case plat::kMsgMove: ClipCursorToWindow(appActive && sceneNumber == 4); break;
    case plat::kMsgSize:
      if (wParam == plat::kSizeMaximised && !fullScreen) fullScreenTogglePending = 1;
      ClipCursorToWindow(appActive && sceneNumber == 4);
      break;
    case plat::kMsgActivate:
      if (plat::HighWord(wParam) != 0)
        ShutdownAudio();
      else
        soundReloadRequested = 1;
      break;
    case plat::kMsgPaint: TheDisplay().Present(0); return 0;
    case plat::kMsgClose:
      if (window) window->Destroy();
      return 0;
    case plat::kMsgActivateApp:
      appActive = wParam != 0 ? 1 : 0;
      fullRedraw = 1;
      soundSystem.PauseModule(!appActive);
      if (!appActive && InPlayRunning()) {
        paused = 1;
        pauseKeyReleased = 1;
      }
      ClipCursorToWindow(appActive && sceneNumber == 4);
      plat::GetWindowSystem()->ShowCursor(!appActive);
      break;
    case plat::kMsgKeyDown: OnKeyDown(uint32_t(wParam)); break;
    case plat::kMsgKeyUp:
      if (wParam == plat::kKeyEscape || wParam == 'P') pauseKeyReleased = 1;
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
      if (sceneNumber == 3) boardSelectIndex += step;
      if (sceneNumber == 6) charmScroll += step;
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
