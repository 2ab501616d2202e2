#pragma once
// Menu buttons: where each button of a menu sits and which picture of
// "buttons.img" it shows. The rectangles are inclusive on every edge, as the
// hover test reads them.
#include <cstdint>
#include <vector>

// What a click on a button means (Button::id). A scene reads only the ids of
// its own lists.
enum ButtonId : int32_t {
  kButtonNone = -1,  // no button under the mouse
  kButtonPlay = 0,   // also resume on the pause screen
  kButtonCredits = 1,
  kButtonQuit = 2,  // the main menu's quit; the pause screen's way to it
  kButtonBack = 3,
  kButtonHighScores = 4,
  kButtonYes = 5,
  kButtonNo = 6,
  kButtonDone = 7,  // done, continue, OK
  kButtonCancel = 8,
  kButtonScoresBack = 9,
  kButtonRetry = 10,
  kButtonLocalScores = 11,
  kButtonOnlineScores = 12,
  kButtonCharms = 13,
};

struct Button {
  ButtonId id;    // what a click on it means to its scene
  int32_t frame;  // picture in the buttons image set; frame + 1 is the hovered look
  int32_t x1, y1, x2, y2;
};

using ButtonList = std::vector<Button>;

// The pause screen of play: resume and quit.
extern ButtonList pauseButtons;
// The charm collection: back.
extern ButtonList charmScreenButtons;
// The board-set selection: back, scores and play; and its error panel's OK.
extern ButtonList boardSelectButtons;
extern ButtonList boardSelectErrorButtons;
// The main menu.
extern ButtonList optionsButtons;
// The high-score screen's lists 1 to 8 (index 0 is list 1).
extern ButtonList highScoreButtons[8];

// The button under the mouse, shared by the menus and the pause screen: the
// id UpdateButtonHover found.
struct MenuButtonsState {
  ButtonId hoveredButton = kButtonNone;
};
extern MenuButtonsState menuButtons;

// The first button whose rectangle holds the mouse (edges included) becomes
// the hovered one (hoveredButton, its id; kButtonNone for none); settingsChanged is
// set when that changed, so a menu redraws its buttons.
void UpdateButtonHover(const ButtonList& buttons);
// Draws each button at its top-left corner onto the back buffer, the
// hovered one with its hovered picture, and marks it dirty. The number of
// buttons.
int32_t DrawButtons(const ButtonList& buttons);
