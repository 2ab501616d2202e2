#pragma once
// The game's global state: the board set, the pictures and image sets, the
// folders, and the plain state of the program, the input and the settings,
// each one object whose members carry their start values. Each scene's state
// is declared in that scene's header (the play scene's in play/play_state.h,
// the player slots in play/player_state.h, the entity list heads in
// play/entities.h, the power-up table and deck in play/powerup_deck.h). The
// objects whose construction order matters are defined in game_globals.cpp,
// the others beside the code that owns them.
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
