#include "game/buttons.h"

#include "game/game_globals.h"
#include "game/play/play_state.h"
#include "graphics/display.h"

MenuButtonsState menuButtons;

// The pause buttons sit 10 and 85 lines below the middle of the 720-line screen.
ButtonList pauseButtons = {{kButtonPlay, 0, 384, 370, 619, 445}, {kButtonQuit, 4, 661, 370, 896, 445}};

ButtonList charmScreenButtons = {{kButtonBack, 6, 39, 622, 274, 697}};

ButtonList boardSelectButtons = {{kButtonBack, 6, 39, 622, 274, 697},
                                 {kButtonHighScores, 8, 522, 622, 757, 697},
                                 {kButtonPlay, 0, 1003, 622, 1238, 697}};
ButtonList boardSelectErrorButtons = {{kButtonDone, 14, 522, 410, 757, 485}};

ButtonList optionsButtons = {{kButtonPlay, 0, 195, 322, 430, 397},
                             {kButtonCredits, 2, 450, 322, 685, 397},
                             {kButtonCharms, 26, 195, 412, 430, 487},
                             {kButtonQuit, 4, 450, 412, 685, 487}};

ButtonList highScoreButtons[8] = {
    {{kButtonScoresBack, 18, 39, 622, 274, 697}, {kButtonOnlineScores, 24, 522, 622, 757, 697}},
    {{kButtonDone, 14, 522, 410, 757, 485}},
    {{kButtonYes, 10, 384, 410, 619, 485}, {kButtonNo, 12, 661, 410, 896, 485}},
    {},
    {{kButtonDone, 14, 522, 410, 757, 485}},
    {{kButtonRetry, 20, 384, 410, 619, 485}, {kButtonCancel, 16, 661, 410, 896, 485}},
    {},
    {{kButtonScoresBack, 18, 39, 622, 274, 697}, {kButtonLocalScores, 22, 522, 622, 757, 697}},
};

void UpdateButtonHover(const ButtonList& buttons) {
  const ButtonId previous = menuButtons.hoveredButton;
  menuButtons.hoveredButton = kButtonNone;
  for (const Button& b : buttons) {
    if (input.mouseX >= b.x1 && input.mouseX <= b.x2 && input.mouseY >= b.y1 && input.mouseY <= b.y2) {
      menuButtons.hoveredButton = b.id;
      break;
    }
  }
  if (menuButtons.hoveredButton != previous) input.settingsChanged = 1;
}

int32_t DrawButtons(const ButtonList& buttons) {
  Display& display = TheDisplay();
  for (const Button& b : buttons) {
    const int32_t index = b.frame + (b.id == menuButtons.hoveredButton ? 1 : 0);
    // GetImage gives the set itself for an index outside 1..count-1.
    const Image* image = buttonSet.GetImage(index);
    const Bitmap* picture = image ? image->GetFrame(1) : nullptr;
    if (!picture || !picture->pixels) continue;
    SurfaceLock lock;
    if (!display.Lock(&lock)) continue;
    // A picture of another depth than the back buffer's would be written
    // past its rows: it is not drawn.
    if (picture->bytesPerPixel == lock.bytesPerPixel) {
      picture->Draw(lock.bits, lock.width, lock.height, lock.pitch, b.x1, b.y1, 1, 256);
      display.AddDirtyRect(b.x1 - picture->hotX, b.y1 - picture->hotY, picture->width, picture->height);
    }
    display.Unlock();
  }
  return static_cast<int32_t>(buttons.size());
}
