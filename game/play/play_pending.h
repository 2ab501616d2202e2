#pragma once
// TEMPORARY: declarations of the game program's and the charms' pieces the
// play scene calls, until their headers land.
#include <cstdint>
#include <vector>
#include "graphics/bitfont.h"
#include "graphics/bitmap.h"
struct Button { int32_t id, frame, x1, y1, x2, y2; };
extern std::vector<Button> pauseButtons;
extern int32_t mouseX, mouseY, paddleButtonHeld, pauseKeyReleased, settingsChanged, sceneNumber, previousScene;
extern int32_t scoresViewOnly, scoresFromCompletion;
extern int32_t totalMs;
extern BitFont chiselFont, sysFont, bigFont, brushedFont, greenBrushedFont;
extern Image cursorPicture;
extern Bitmap transitionNewPicture;
void SnapshotOldScreen();
void StartTransition(int32_t style);
void TogglePause();
void SpawnCharm();
void SaveCollectedCharms();
void UpdateButtonHover(const std::vector<Button>& buttons);
int32_t DrawButtons(const std::vector<Button>& buttons);
