#pragma once
// The game's global state: the board set, the pictures and image sets, the
// player slots, the folders, the options and the play state. Every global is
// defined in game_globals.cpp; the entity list heads are declared in
// play/entities.h and the power-up table and deck in play/powerup_deck.h.
#include <cstdint>
#include <string>
#include <vector>

#include <boost/filesystem/path.hpp>

#include "boardset/boardset.h"
#include "game/high_score_file.h"
#include "game/scenes/board_set_select.h"
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

// --- Front-end scenes.
// Board-set selection: the list, its first visible row, the thumb drag and
// the text of the error box (empty while none shows).
extern std::vector<BoardSetEntry> boardSetEntries;
extern int32_t listTop;
extern bool thumbDragging;
extern int32_t thumbDragOffset;
extern std::string boardSetLoadError;
// Options menu: the line under the pointer (-1 none) and the logo band's
// sweep position (pixels), last refresh (ms), finished sweeps and the frame
// of the power-ups strips.
extern int32_t hoveredOption;
extern int32_t bandSweepPosition;
extern int32_t bandLastRefreshMs;
extern int32_t bandSweepCount;
extern int32_t bandStripFrame;
// Title: when the credits started and the last flame burst (ms), and the
// voices playing the fire (-1 none).
extern int32_t creditsStartMs;
extern int32_t lastBurstMs;
extern int32_t titleFireVoices[3];
// Charm collection: the charms in display order (indexes into `charms`) and
// the thumb drag.
extern std::vector<int32_t> charmDisplayList;
extern bool charmThumbDragging;
extern int32_t charmThumbDragOffset;
// Completion: the message shown.
extern std::string completionMessage;

// Puts every plain global back to its start value, empties both lists and
// the deck, clears the player slots and re-applies the links the board set
// and the drawing code take from these globals. Loaded pictures and image
// sets stay, except the charm sets: the charm tables and the collected set
// are emptied.
void ResetGameStateForTests();

// ===== The program: start-up, loop, frame, window, settings, front end =====
// (declarations this block needs beyond the ones above)
#include "core/cstr.h"
#include "core/data_files.h"
#include "core/registry_settings.h"
#include "core/timer.h"
#include "graphics/bitfont.h"
#include "graphics/pixel_format.h"
#include "platform/instance.h"
#include "platform/window.h"

// --- Start-up and the main loop.
// Held while this copy runs; refuses a second copy.
extern plat::InstanceToken instanceToken;
extern int32_t totalMs;  // the sum of every frameMs since start-up
extern int32_t appActive;
extern int32_t quitRequested;
extern Timer mainTimer;  // the loop's clock, read in ms by the scenes too
extern plat::Window* windowHandle;
extern PixelFormat screenFormat;
// The community object start-up made, while it lives: the test reset deletes
// only this one (tests may install objects of their own).
extern CommunityManager* startUpCommunityManager;
// Set when the window or the display could not be opened (or reopened): the
// process then ends with status 1.
extern int32_t startUpFailed;

// --- Frame step and scenes.
extern int32_t sceneNumber;
extern int32_t previousScene;
extern int32_t fullScreenTogglePending;
extern int32_t imagesNeedUpload;
extern int32_t soundReloadRequested;
extern uint8_t lastTypedChar;
extern int32_t cursorClipped;

// --- Input.
extern int32_t mouseX;
extern int32_t mouseY;
extern int32_t mouseButtonDown;
extern int32_t paddleButtonHeld;
extern int32_t pauseKeyReleased;
extern CStr typedCodeBuffer;  // the last six typed characters
// A setting changed (function keys); also the pause screen's redraw flag.
extern int32_t settingsChanged;
extern int32_t boardSelectIndex;
extern int32_t charmScroll;

// --- Settings: the stored choices beside classicRules, kidMode, showScores,
// backgroundStyle and useInGameMods above, then the config.cfg values.
extern int32_t fullScreen;
extern int32_t swapStereo;
extern int32_t communityBoards;
extern int32_t classicTextures;
extern int32_t forceWindowed;
extern int32_t disableAudio;
extern int32_t disableFadeZoom;
extern int32_t musicVoices;
extern int32_t playbackRate;
extern int32_t playbackBits;
extern int32_t highPriorityClass;
extern int32_t forceWaveOut;

// --- Pictures, fonts, the data files and the stored settings.
extern Bitmap transitionOldPicture;
extern Bitmap transitionNewPicture;
extern BitFont smallFont;
extern BitFont candyFont;
extern BitFont chiselFont;
extern BitFont bigFont;
extern BitFont sysFont;
extern BitFont brushedFont;
extern BitFont greenBrushedFont;
extern BitFont sysFontGlow;
extern BitFont amberSysFont;
extern Image highScoresPicture;
extern Image splashPicture;
extern Image charmsPicture;
extern Image boardSelectPicture;
extern Image titlePowerupsPicture;
extern Image cursorPicture;
extern Image titleScreenPicture;
extern Image exitPicture;
extern Image flameField;  // the title and completion screens' flame field
extern Image logoBand;    // shared by the options and high-score screens
extern DataFiles dataFiles;
extern RegistrySettings registrySettings;

// --- Pause screen: the click waiting to be handled (-1: none).
extern int32_t pauseClickX;
extern int32_t pauseClickY;

// --- High scores (set by play and the menus).
extern int32_t scoresViewOnly;
extern int32_t scoresFromCompletion;
extern int32_t scoreMusicStarted;
extern int32_t entryPlayerScore;
// The table shown, the file it came from (empty: none is read or written),
// the scene's state (0 local table, 1 name entry, 2 ask to post, 3 posting,
// 4 posted, 5 posting failed, 6 declined, 7 online table), the best player's
// score and board + 1, the player whose name is asked and the name so far.
extern HighScoreEntry highScores[kHighScoreRows];
extern boost::filesystem::path scoreFilePath;
extern int32_t scoreScreenState;
extern int32_t bestPlayerScore;
extern int32_t bestPlayerBoard;
extern int32_t entryPlayer;
extern std::string typedName;

// --- Splash.
extern uint32_t splashStartMs;

// --- Scene transition.
extern int32_t transitionRunning;
extern int32_t transitionStyle;  // 0 rolling band, 1 blend
extern int32_t transitionStart;  // mainTimer ms
extern plat::WindowRect transitionBand;
extern int32_t musicFade;  // -1 out, 1 in, 0 leave
extern int32_t soundFade;

// The program's part of ResetGameStateForTests (which calls it).
void ResetProgramStateForTests();
