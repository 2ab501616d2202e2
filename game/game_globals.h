#pragma once
// The game's global state: the board set, the pictures and image sets, the
// player slots, the folders, and the plain state in a few groups (program,
// input, settings, play, one per front-end scene), each one object whose
// members carry their start values. The objects whose construction order
// matters are defined in game_globals.cpp, the others beside the code that
// owns them; the entity list heads are declared in play/entities.h and the
// power-up table and deck in play/powerup_deck.h.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <boost/filesystem/path.hpp>

#include "boardset/boardset.h"
#include "core/cstr.h"
#include "core/data_files.h"
#include "core/registry_settings.h"
#include "core/timer.h"
#include "game/high_score_file.h"
#include "game/play/entities.h"
#include "game/play/powerup_deck.h"
#include "game/scenes/board_set_select.h"
#include "graphics/bitfont.h"
#include "graphics/bitmap.h"
#include "graphics/pixel_format.h"
#include "platform/instance.h"
#include "platform/window.h"

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
// The community object start-up made, owned for the run (null before
// start-up and after shutdown).
extern std::unique_ptr<CommunityManager> communityManagerOwner;
// The community object every caller uses: the owner's, or one a test
// installs; null when there is none, and every caller checks.
extern CommunityManager* communityManager;

// --- The plain state. Each group is one global object whose members start
// at their start values; a reset is an assignment of a fresh object.

// The scenes, by the number sceneNumber holds.
enum Scene : int32_t {
  kSceneNone = -1,  // no scene: previousScene before the first frame; a frame of it runs none
  kSceneSplash = 0,
  kSceneTitle = 1,    // title and credits
  kSceneOptions = 2,  // main menu
  kSceneBoardSetSelect = 3,
  kScenePlay = 4,
  kSceneHighScores = 5,
  kSceneCharms = 6,     // charm collection
  kSceneCompleted = 7,  // all boards completed
  kSceneExit = 8,       // exit picture
};

// The program: start-up, the main loop, the frame step and the screen.
struct ProgramState {
  int32_t screenWidth = 1280;
  int32_t screenHeight = 720;
  // The length of this frame (9 to 50 ms; 0 while paused), in ms and in
  // seconds, and the sum of every frameMs since start-up.
  int32_t frameMs = 0;
  float frameSec = 0;
  int32_t totalMs = 0;
  int32_t appActive = 1;
  int32_t quitRequested = 0;
  plat::Window* windowHandle = nullptr;
  PixelFormat screenFormat;
  // Set when the window or the display could not be opened (or reopened):
  // the process then ends with status 1.
  int32_t startUpFailed = 0;
  Scene sceneNumber = kSceneSplash;
  Scene previousScene = kSceneNone;
  int32_t fullScreenTogglePending = 0;
  int32_t imagesNeedUpload = 1;
  int32_t soundReloadRequested = 0;
  int32_t cursorClipped = 0;
  // The scene must redraw the whole screen; the play scene must redraw the
  // board background.
  int32_t fullRedraw = 1;
  int32_t backgroundDirty = 1;
};
extern ProgramState program;

// Input, as the window procedure leaves it for the next frame.
struct InputState {
  int32_t mouseX = 0;
  int32_t mouseY = 0;
  int32_t mouseButtonDown = 0;
  int32_t paddleButtonHeld = 0;
  int32_t pauseKeyReleased = 0;
  uint8_t lastTypedChar = 0;
  int32_t anyInputThisFrame = 0;
  CStr typedCodeBuffer;  // the last six typed characters
  // A setting changed (function keys); also the pause screen's and the
  // options menu's redraw flag.
  int32_t settingsChanged = 0;
};
extern InputState input;

// The stored choices, then the config.cfg values, then the hidden mode.
struct Settings {
  int32_t classicRules = 0;
  int32_t kidMode = 0;
  int32_t showScores = 1;
  int32_t backgroundStyle = 0;
  int32_t useInGameMods = 0;
  int32_t fullScreen = 1;
  int32_t swapStereo = 0;
  int32_t communityBoards = 1;
  int32_t classicTextures = 0;
  int32_t forceWindowed = 0;
  int32_t disableAudio = 0;
  int32_t disableFadeZoom = 0;
  int32_t musicVoices = 8;
  int32_t playbackRate = 22050;
  int32_t playbackBits = 8;
  int32_t highPriorityClass = 1;
  int32_t forceWaveOut = 0;
  int32_t cheatMode = 0;
};
extern Settings settings;

// The play scene (times on the play clock, in ms).
struct PlayState {
  int32_t playClock = 0;
  int32_t boardPending = 0;
  int32_t boardCleared = 0;
  int32_t nextBoard = 0;
  int32_t paused = 0;
  int32_t ballLost = 0;
  int32_t ballLostTime = 0;
  float paddleX = 0;
  float paddleY = 0;
  float paddleHalfWidth = 0;
  int32_t paddleSize = 0;
  int32_t throughOn = 0;
  int32_t fireballOn = 0;
  int32_t catchOn = 0;
  int32_t laserOn = 0;
  int32_t fallArmed = 0;
  int32_t gravityOn = 0;
  int32_t doubleScoreMs = 0;
  int32_t fallRunning = 0;
  int32_t fallColumn = 0;
  int32_t heldFrames = 0;
  int32_t catchGraceFrames = 0;
  int32_t capsuleMarker = 0;
  int32_t invinHits = 0;
  int32_t firstInvinHitTime = 0;
  Entity* charmEntity = nullptr;
  int32_t charmDelay = 0;
  int32_t lastBricksStart = 0;
  int32_t lastBricksStep = 0;
  int32_t animColumn = 0;
  int32_t animRow = 0;
  int32_t lastExplosionTime = 0;
  int32_t particlesThisFrame = 0;
  int32_t particlesLastFrame = 0;
  int32_t boltCount = 0;
  int32_t ballCount = 0;
  int32_t hudDirty = 0;
  int32_t score = 0;
  int32_t shownScore = 0;
  int32_t shownScoreTime = 0;
  int32_t lives = 0;
  int32_t playerCount = 1;
  int32_t currentPlayer = 0;

  // Points for a broken brick; the ball logic recomputes it each frame.
  int32_t pointsPerBrick = 8;
  // Breaks not yet sent to the "BricksBroken" stat; lives for the whole run.
  int32_t brokenBricksCount = 0;
  // The velocity of the ball that hit last, for the next capsule to inherit.
  float lastBallVx = 0;
  float lastBallVy = 0;
  std::string statusLine1;
  std::string statusLine2;
  int32_t statusExpiry = 0;

  float paddleSink = 0;
  float paddleSinkTrail = 0;
  int32_t lastPaddleSoundTime = 0;
  int32_t playfieldLeft = 0;
  int32_t explosionToggle = 0;
  int32_t musicStarted = 0;
  int32_t softCursorX = -1;
  int32_t softCursorY = -1;
  int32_t charmsThisGame = 0;
  float charmPhase[3] = {};

  // The id of the button under the mouse (-1: none).
  int32_t hoveredButton = -1;
  // The board the next game starts on; StartGame takes it and sets it back to 0.
  int32_t chosenStartBoard = 0;
  // The board is ending for a change of player, not because it was finished.
  int32_t playerChangePending = 0;
  // The pause screen's click waiting to be handled (-1: none).
  int32_t pauseClickX = -1;
  int32_t pauseClickY = -1;

  // Tuning values.
  float sinkTrailRate = 100.0f;
  float glowSpeed = 80.0f;
  int32_t paddleTrailStep = 10;
  int32_t trailAlphaStep = 96;
};
extern PlayState play;

// Board-set selection: the list, the selected row (also moved by the
// window procedure), its first visible row, the thumb drag and the text of
// the error box (empty while none shows).
struct BoardSetSelectState {
  std::vector<BoardSetEntry> boardSetEntries;
  int32_t boardSelectIndex = 0;
  int32_t listTop = 0;
  bool thumbDragging = false;
  int32_t thumbDragOffset = 0;
  std::string boardSetLoadError;
};
extern BoardSetSelectState boardSetSelect;

// Options menu: the line under the pointer (-1 none) and the logo band's
// sweep position (pixels), last refresh (ms), finished sweeps and the frame
// of the power-ups strips.
struct OptionsScreenState {
  int32_t hoveredOption = -1;
  int32_t bandSweepPosition = 0;
  int32_t bandLastRefreshMs = 0;
  int32_t bandSweepCount = 0;
  int32_t bandStripFrame = 0;
};
extern OptionsScreenState optionsScreen;

// Title: when the credits started and the last flame burst (ms), and the
// voices playing the fire (-1 none).
struct TitleScreenState {
  int32_t creditsStartMs = 0;
  int32_t lastBurstMs = 0;
  int32_t titleFireVoices[3] = {-1, -1, -1};
};
extern TitleScreenState titleScreen;

// Splash: when the picture went up (mainTimer ms).
struct SplashScreenState {
  uint32_t splashStartMs = 0;
};
extern SplashScreenState splashScreen;

// Charm collection: the charms in display order (indexes into `charms`),
// the scroll position (also moved by the window procedure) and the thumb
// drag.
struct CharmScreenState {
  std::vector<int32_t> charmDisplayList;
  int32_t charmScroll = 0;
  bool charmThumbDragging = false;
  int32_t charmThumbDragOffset = 0;
};
extern CharmScreenState charmScreen;

// Completion: the message shown.
struct CompletionScreenState {
  std::string completionMessage;
};
extern CompletionScreenState completionScreen;

// The high-score scene's states (scoreScreenState).
enum HighScoreState : int32_t {
  kScoresLocalTable = 0,
  kScoresNameEntry = 1,
  kScoresAskToPost = 2,
  kScoresPosting = 3,
  kScoresPosted = 4,
  kScoresPostFailed = 5,
  kScoresDeclined = 6,  // lasts one frame
  kScoresOnlineTable = 7,
};
constexpr int32_t kHighScoreStateCount = 8;

// High scores (set by play and the menus). The table shown, the file it came
// from (empty: none is read or written), the scene's state (HighScoreState),
// the best player's score and board + 1, the player whose name is asked and
// the name so far.
struct HighScoreScreenState {
  int32_t scoresViewOnly = 0;
  int32_t scoresFromCompletion = 0;
  int32_t scoreMusicStarted = 0;
  int32_t entryPlayerScore = 0;
  HighScoreEntry highScores[kHighScoreRows];
  boost::filesystem::path scoreFilePath;
  int32_t scoreScreenState = 0;
  int32_t bestPlayerScore = 0;
  int32_t bestPlayerBoard = 0;
  int32_t entryPlayer = 0;
  std::string typedName;
};
extern HighScoreScreenState highScoreScreen;

// Scene transition.
struct TransitionState {
  int32_t transitionRunning = 0;
  int32_t transitionStyle = 0;  // 0 rolling band, 1 blend
  int32_t transitionStart = 0;  // mainTimer ms
  plat::WindowRect transitionBand = {0, 0, 0, 0};
  int32_t musicFade = 0;  // -1 out, 1 in, 0 leave
  int32_t soundFade = 0;
};
extern TransitionState transition;

// Puts every plain global back to its start value, empties both lists and
// the deck, clears the player slots, deletes the community object start-up
// made and re-applies the links the board set and the drawing code take from
// these globals. Loaded pictures and image sets stay, except the charm sets:
// the charm tables and the collected set are emptied.
void ResetGameStateForTests();

// --- Start-up and the main loop.
// Held while this copy runs; refuses a second copy.
extern plat::InstanceToken instanceToken;
extern Timer mainTimer;  // the loop's clock, read in ms by the scenes too

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
