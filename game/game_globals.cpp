// The game globals whose construction order matters, in one translation
// unit so that the order is fixed: the board set first (the display is built
// on first use), then the pictures and fonts, the data files and the stored
// settings. The plain state lives beside the code that owns it; the test
// reset below starts every part of it again.
#include "game/game_globals.h"

#include <algorithm>
#include <iterator>

#include "audio/sound_bank.h"
#include "community/community_manager.h"
#include "core/random_int.h"
#include "game/buttons.h"
#include "game/high_score_file.h"
#include "game/play/charms.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "game/play/player_state.h"
#include "game/play/powerup_deck.h"
#include "game/save_failures.h"
#include "game/scenes/board_set_select.h"
#include "game/scenes/charm_collection.h"
#include "game/scenes/completion.h"
#include "game/scenes/high_scores.h"
#include "game/scenes/menu_pointer.h"
#include "game/scenes/options.h"
#include "game/scenes/splash.h"
#include "game/scenes/title.h"
#include "game/scenes/transition.h"
#include "graphics/draw.h"
#include "graphics/flame.h"
#include "platform/files.h"

BoardSet boardSet;

namespace {
// The board-set code and the drawing code take these from the game.
void ApplyGlobalLinks() {
  BoardSetHost& host = GetBoardSetHost();
  host.gameSet = &boardSet;
  host.screenWidth = [] { return program.screenWidth; };
  host.classicTextures = [] { return settings.classicTextures != 0; };
  SetBackgroundPicture(&sceneBackdrop);
}
}  // namespace

Bitmap boardBackdrop;
Bitmap sceneBackdrop;
Image cursorBackdrop;
ImageSet powerUpSet;
ImageSet paddleSet;
ImageSet explosionSet;
ImageSet iconSet;
ImageSet boingSet;
ImageSet buttonSet;
ImageSet lockedCharmSet;
ImageSet ballSprites;

namespace {
// Runs after every global above is built.
const bool globalLinksApplied = (ApplyGlobalLinks(), true);
}  // namespace

plat::InstanceToken instanceToken;
Timer mainTimer;

Bitmap transitionOldPicture;
Bitmap transitionNewPicture;
BitFont smallFont;
BitFont candyFont;
BitFont chiselFont;
BitFont bigFont;
BitFont sysFont;
BitFont brushedFont;
BitFont greenBrushedFont;
BitFont sysFontGlow;
BitFont amberSysFont;
Image highScoresPicture;
Image splashPicture;
Image charmsPicture;
Image boardSelectPicture;
Image titlePowerupsPicture;
Image cursorPicture;
Image titleScreenPicture;
Image exitPicture;
Image flameField;
Image logoBand;
DataFiles dataFiles;
RegistrySettings registrySettings("Quillmark", "Vantrel - Orvesse", 0);

void ResetGameStateForTests() {
  instanceToken.Release();
  mainTimer.Restart();
  // The community object start-up made goes; a test's own stays its own.
  communityManager = nullptr;
  communityManagerOwner.reset();
  dataFiles.Close();
  dataFiles.searchDirs = {plat::CurrentFolder()};
  gameRootFolders.clear();
  savedGamesFolder.clear();
  userContentFolder.clear();

  entityHead.DeleteAll();
  exploQueueHead.DeleteAll();
  entityHead = Entity();  // the head keeps its (empty) links
  exploQueueHead.column = exploQueueHead.row = 0;
  powerUpDeck.clear();
  std::fill(std::begin(playerSlots), std::end(playerSlots), PlayerSlot());
  // The entity list is empty by now, so no charm still points into a set.
  ResetCharmsForTests();

  program = ProgramState();
  input = InputState();
  settings = Settings();
  play = PlayState();
  menuButtons = MenuButtonsState();
  softCursor = SoftCursorState();
  boardSetSelect = BoardSetSelectState();
  optionsScreen = OptionsScreenState();
  titleScreen = TitleScreenState();
  splashScreen = SplashScreenState();
  charmScreen = CharmScreenState();
  completionScreen = CompletionScreenState();
  highScoreScreen = HighScoreScreenState();
  ResetHighScoreTable(highScoreScreen.highScores);
  ForgetUnsavedHighScoresForTests();
  ResetSaveFailuresForTests();
  transition = TransitionState();

  randomIntState = 123456;
  gBackgroundEffect.echoOn = true;
  audioSettings = AudioSettings();
  // The sound system stays as it is (open or not): the bank keeps what says so.
  const SoundBank device = soundBank;
  soundBank = SoundBank();
  soundBank.audioLoaded = device.audioLoaded;
  soundBank.audioFailed = device.audioFailed;
  soundBank.alternativeDriver = device.alternativeDriver;
  soundBank.inGameModuleCount = device.inGameModuleCount;
  ApplyGlobalLinks();
}
