#pragma once
// The game's global state: the board set, the pictures and image sets, the
// player slots, the folders, the options and the play state. Every global is
// defined in game_globals.cpp; the entity list heads are declared in
// play/entities.h and the power-up table and deck in play/powerup_deck.h.
#include <cstdint>
#include <string>
#include <vector>

#include <boost/filesystem/path.hpp>

#include "game/boardset.h"
#include "game/play/entities.h"
#include "game/play/powerup_deck.h"
#include "graphics/bitmap.h"

class CommunityManager;

// --- Board set and pictures.
extern BoardSet boardSet;
// The board background alone, and the same with bricks and the score line:
// the picture the screen is restored from.
extern Bitmap boardBackdrop;
extern Bitmap sceneBackdrop;
// The screen area under the software cursor.
extern Image cursorBackdrop;
extern ImageSet powerUpSet;
extern ImageSet paddleSet;
extern ImageSet explosionSet;
extern ImageSet iconSet;
extern ImageSet boingSet;
extern ImageSet buttonSet;
extern ImageSet lockedCharmSet;
// The rendered ball sprites.
extern ImageSet ballSprites;

// --- Players.
constexpr int32_t kMaxPlayers = 4;
struct PlayerSlot {
  BoardRecord boards[BoardSet::kMaxBoards];
  int32_t score = 0;
  int32_t lives = 0;
  int32_t board = 0;
  int32_t charmsThisGame = 0;
  int32_t charmDelay = 0;
};
extern PlayerSlot playerSlots[kMaxPlayers];

// --- Folders and the community service.
extern boost::filesystem::path savedGamesFolder;
extern boost::filesystem::path userContentFolder;
extern std::vector<boost::filesystem::path> gameRootFolders;
// Null when there is none; every caller checks.
extern CommunityManager* communityManager;

// --- Screen.
extern int32_t screenWidth;
extern int32_t screenHeight;

// --- Play state (times on the play clock, in ms).
extern int32_t playClock;
extern int32_t frameMs;
extern float frameSec;
extern int32_t boardPending;
extern int32_t boardCleared;
extern int32_t nextBoard;
extern int32_t paused;
extern int32_t ballLost;
extern int32_t ballLostTime;
extern float paddleX;
extern float paddleY;
extern float paddleHalfWidth;
extern int32_t paddleSize;
extern int32_t throughOn;
extern int32_t fireballOn;
extern int32_t catchOn;
extern int32_t laserOn;
extern int32_t fallArmed;
extern int32_t gravityOn;
extern int32_t doubleScoreMs;
extern int32_t fallRunning;
extern int32_t fallColumn;
extern int32_t heldFrames;
extern int32_t catchGraceFrames;
extern int32_t capsuleMarker;
extern int32_t invinHits;
extern int32_t firstInvinHitTime;
extern Entity* charmEntity;
extern int32_t charmDelay;
extern int32_t lastBricksStart;
extern int32_t lastBricksStep;
extern int32_t animColumn;
extern int32_t animRow;
extern int32_t lastExplosionTime;
extern int32_t particlesThisFrame;
extern int32_t particlesLastFrame;
extern int32_t boltCount;
extern int32_t ballCount;
extern int32_t anyInputThisFrame;
extern int32_t fullRedraw;
extern int32_t backgroundDirty;
extern int32_t hudDirty;
extern int32_t score;
extern int32_t shownScore;
extern int32_t shownScoreTime;
extern int32_t lives;
extern int32_t playerCount;
extern int32_t currentPlayer;

// --- Options and modes.
extern int32_t classicRules;
extern int32_t kidMode;
extern int32_t showScores;
extern int32_t backgroundStyle;
extern int32_t useInGameMods;
extern int32_t cheatMode;

// --- Rules.
// Points for a broken brick; the ball logic recomputes it each frame.
extern int32_t pointsPerBrick;
// Breaks not yet sent to the "BricksBroken" stat; lives for the whole run.
extern int32_t brokenBricksCount;
// The velocity of the ball that hit last, for the next capsule to inherit.
extern float lastBallVx;
extern float lastBallVy;
extern std::string statusLine1;
extern std::string statusLine2;
extern int32_t statusExpiry;

// --- Paddle, scene and charm bookkeeping.
extern float paddleSink;
extern float paddleSinkTrail;
extern int32_t lastPaddleSoundTime;
extern int32_t playfieldLeft;
extern int32_t explosionToggle;
extern int32_t musicStarted;
extern int32_t softCursorX;
extern int32_t softCursorY;
extern int32_t charmsThisGame;
extern float charmPhase[3];

// --- Play scene: pause, buttons and the start of a game.
// The id of the button under the mouse (-1: none).
extern int32_t hoveredButton;
// The board the next game starts on; StartGame takes it and sets it back to 0.
extern int32_t chosenStartBoard;
// The board is ending for a change of player, not because it was finished.
extern int32_t playerChangePending;

// --- Tuning values.
extern float sinkTrailRate;
extern float glowSpeed;
extern int32_t paddleTrailStep;
extern int32_t trailAlphaStep;

// Puts every plain global back to its start value, empties both lists and
// the deck, clears the player slots and re-applies the links the board set
// and the drawing code take from these globals. Loaded pictures and image
// sets stay.
void ResetGameStateForTests();
