// Every game global, in one translation unit so that their construction
// order is fixed: the board set first (the display is built on first use),
// then the pictures, the lists, the players and the table.
#include "game/game_globals.h"

#include <algorithm>

#include "audio/sound_bank.h"
#include "core/random_int.h"
#include "game/play/charms.h"
#include "graphics/draw.h"
#include "graphics/flame.h"
#include "community/community_manager.h"
#include "platform/files.h"

BoardSet boardSet;

namespace {
// The board-set code and the drawing code take these from the game.
void ApplyGlobalLinks() {
  BoardSetHost& host = GetBoardSetHost();
  host.gameSet = &boardSet;
  host.screenWidth = [] { return screenWidth; };
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

Entity entityHead;
ExploQueue exploQueueHead;

PlayerSlot playerSlots[kMaxPlayers];

PowerUpInfo powerUpTable[kPowerUpCount] = {
    {0, "life", 12, 5, 1, 1},
    {1, "level", 7, 5, 1, 1},
    {2, "zap", 7, 100, 1, 1},
    {3, "slow", 7, 100, 1, 1},
    {4, "multiply", 7, 100, 1, 1},
    {5, "through", 7, 50, 1, 1},
    {6, "dynamite", 7, 100, 1, 1},
    {7, "fireball", 7, 50, 1, 1},
    {8, "laser", 7, 50, 1, 1},
    {9, "catch", 7, 100, 1, 1},
    {10, "", 0, 0, 1, 1},
    {11, "expand", 9, 100, 1, 1},
    {12, "split", 11, 100, 1, 1},
    {13, "kill", 8, 250, 1, 0},
    {14, "shrink", 10, 100, 1, 1},
    {15, "fast", 8, 200, 1, 1},
    {16, "supershrink", 10, 200, 1, 0},
    {17, "fall", 8, 200, 1, 1},
    {18, "small", 8, 200, 1, 0},
    {19, "megaball", 11, 50, 1, 1},
    {20, "bigball", 9, 100, 1, 1},
    {21, "lightning", 7, 50, 0, 1},
    {22, "doublescore", 31, 50, 0, 1},
    {23, "gravityball", 7, 75, 0, 0},
};
std::vector<int32_t> powerUpDeck;

// --- Charms.
std::vector<CharmInfo> charms;
std::unordered_map<std::string, int32_t> charmIndex;
std::vector<std::unique_ptr<ImageSet>> charmSets;
std::map<std::string, CharmFile> charmFiles;
std::set<std::string> collectedCharms;
bool collectedCharmsNeedBackup = false;

boost::filesystem::path savedGamesFolder;
boost::filesystem::path userContentFolder;
std::vector<boost::filesystem::path> gameRootFolders;
CommunityManager* communityManager = nullptr;

int32_t screenWidth = 1280;
int32_t screenHeight = 720;

int32_t playClock = 0;
int32_t frameMs = 0;
float frameSec = 0;
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
int32_t anyInputThisFrame = 0;
int32_t fullRedraw = 1;
int32_t backgroundDirty = 1;
int32_t hudDirty = 0;
int32_t score = 0;
int32_t shownScore = 0;
int32_t shownScoreTime = 0;
int32_t lives = 0;
int32_t playerCount = 1;
int32_t currentPlayer = 0;

int32_t classicRules = 0;
int32_t kidMode = 0;
int32_t showScores = 1;
int32_t backgroundStyle = 0;
int32_t useInGameMods = 0;
int32_t cheatMode = 0;

int32_t pointsPerBrick = 8;
int32_t brokenBricksCount = 0;
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

int32_t hoveredButton = -1;
int32_t chosenStartBoard = 0;
int32_t playerChangePending = 0;

float sinkTrailRate = 100.0f;
float glowSpeed = 80.0f;
int32_t paddleTrailStep = 10;
int32_t trailAlphaStep = 96;

namespace {
// Runs after every global above is built.
const bool globalLinksApplied = (ApplyGlobalLinks(), true);
}  // namespace

std::vector<BoardSetEntry> boardSetEntries;
int32_t listTop = 0;
bool thumbDragging = false;
int32_t thumbDragOffset = 0;
std::string boardSetLoadError;
int32_t hoveredOption = -1;
int32_t bandSweepPosition = 0;
int32_t bandLastRefreshMs = 0;
int32_t bandSweepCount = 0;
int32_t bandStripFrame = 0;
int32_t creditsStartMs = 0;
int32_t lastBurstMs = 0;
int32_t titleFireVoices[3] = {-1, -1, -1};
std::vector<int32_t> charmDisplayList;
bool charmThumbDragging = false;
int32_t charmThumbDragOffset = 0;
std::string completionMessage;

void ResetGameStateForTests() {
  ResetProgramStateForTests();
  entityHead.DeleteAll();
  exploQueueHead.DeleteAll();
  {
    // The head keeps its (empty) links; every other field starts again.
    Entity fresh;
    entityHead = fresh;
    exploQueueHead.column = 0;
    exploQueueHead.row = 0;
  }
  powerUpDeck.clear();
  for (PlayerSlot& slot : playerSlots) {
    ClearBoardArray(slot.boards);
    for (BoardRecord& record : slot.boards) record.background = 0;
    slot.score = slot.lives = slot.board = slot.charmsThisGame = slot.charmDelay = 0;
  }
  communityManager = nullptr;

  screenWidth = 1280;
  screenHeight = 720;

  playClock = 0;
  frameMs = 0;
  frameSec = 0;
  boardPending = 0;
  boardCleared = 0;
  nextBoard = 0;
  paused = 0;
  ballLost = 0;
  ballLostTime = 0;
  paddleX = 0;
  paddleY = 0;
  paddleHalfWidth = 0;
  paddleSize = 0;
  throughOn = 0;
  fireballOn = 0;
  catchOn = 0;
  laserOn = 0;
  fallArmed = 0;
  gravityOn = 0;
  doubleScoreMs = 0;
  fallRunning = 0;
  fallColumn = 0;
  heldFrames = 0;
  catchGraceFrames = 0;
  capsuleMarker = 0;
  invinHits = 0;
  firstInvinHitTime = 0;
  charmEntity = nullptr;
  charmDelay = 0;
  lastBricksStart = 0;
  lastBricksStep = 0;
  animColumn = 0;
  animRow = 0;
  lastExplosionTime = 0;
  particlesThisFrame = 0;
  particlesLastFrame = 0;
  boltCount = 0;
  ballCount = 0;
  anyInputThisFrame = 0;
  fullRedraw = 1;
  backgroundDirty = 1;
  hudDirty = 0;
  score = 0;
  shownScore = 0;
  shownScoreTime = 0;
  lives = 0;
  playerCount = 1;
  currentPlayer = 0;

  classicRules = 0;
  kidMode = 0;
  showScores = 1;
  backgroundStyle = 0;
  useInGameMods = 0;
  cheatMode = 0;

  pointsPerBrick = 8;
  brokenBricksCount = 0;
  lastBallVx = 0;
  lastBallVy = 0;
  statusLine1.clear();
  statusLine2.clear();
  statusExpiry = 0;

  paddleSink = 0;
  paddleSinkTrail = 0;
  lastPaddleSoundTime = 0;
  playfieldLeft = 0;
  explosionToggle = 0;
  musicStarted = 0;
  softCursorX = -1;
  softCursorY = -1;
  charmsThisGame = 0;
  std::fill(std::begin(charmPhase), std::end(charmPhase), 0.0f);
  hoveredButton = -1;
  chosenStartBoard = 0;
  playerChangePending = 0;

  // The entity list is empty by now, so no charm still points into a set.
  charms.clear();
  charmIndex.clear();
  charmSets.clear();
  charmFiles.clear();
  collectedCharms.clear();
  collectedCharmsNeedBackup = false;

  sinkTrailRate = 100.0f;
  glowSpeed = 80.0f;
  paddleTrailStep = 10;
  trailAlphaStep = 96;

  boardSetEntries.clear();
  listTop = 0;
  thumbDragging = false;
  thumbDragOffset = 0;
  boardSetLoadError.clear();
  hoveredOption = -1;
  bandSweepPosition = 0;
  bandLastRefreshMs = 0;
  bandSweepCount = 0;
  bandStripFrame = 0;
  creditsStartMs = 0;
  lastBurstMs = 0;
  std::fill(std::begin(titleFireVoices), std::end(titleFireVoices), -1);
  charmDisplayList.clear();
  charmThumbDragging = false;
  charmThumbDragOffset = 0;
  completionMessage.clear();

  randomIntState = 123456;
  ApplyGlobalLinks();
}

// ===== The program: start-up, loop, frame, window, settings, front end =====
plat::InstanceToken instanceToken;
int32_t totalMs = 0;
int32_t appActive = 1;
int32_t quitRequested = 0;
Timer mainTimer;
plat::Window* windowHandle = nullptr;
PixelFormat screenFormat;
CommunityManager* startUpCommunityManager = nullptr;
int32_t startUpFailed = 0;

int32_t sceneNumber = 0;
int32_t previousScene = -1;
int32_t fullScreenTogglePending = 0;
int32_t imagesNeedUpload = 1;
int32_t soundReloadRequested = 0;
uint8_t lastTypedChar = 0;
int32_t cursorClipped = 0;

int32_t mouseX = 0;
int32_t mouseY = 0;
int32_t mouseButtonDown = 0;
int32_t paddleButtonHeld = 0;
int32_t pauseKeyReleased = 0;
CStr typedCodeBuffer;
int32_t settingsChanged = 0;
int32_t boardSelectIndex = 0;
int32_t charmScroll = 0;

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

int32_t pauseClickX = -1;
int32_t pauseClickY = -1;

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

uint32_t splashStartMs = 0;

int32_t transitionRunning = 0;
int32_t transitionStyle = 0;
int32_t transitionStart = 0;
plat::WindowRect transitionBand = {0, 0, 0, 0};
int32_t musicFade = 0;
int32_t soundFade = 0;

namespace {
// The board-set code asks the program for the classic-textures setting.
void ApplyProgramLinks() {
  GetBoardSetHost().classicTextures = [] { return classicTextures != 0; };
}
const bool programLinksApplied = (ApplyProgramLinks(), true);
}  // namespace

// The program's part of ResetGameStateForTests.
void ResetProgramStateForTests() {
  instanceToken.Release();
  totalMs = 0;
  appActive = 1;
  quitRequested = 0;
  mainTimer.Restart();
  windowHandle = nullptr;
  screenFormat = PixelFormat();
  startUpFailed = 0;

  sceneNumber = 0;
  previousScene = -1;
  fullScreenTogglePending = 0;
  imagesNeedUpload = 1;
  soundReloadRequested = 0;
  lastTypedChar = 0;
  cursorClipped = 0;

  mouseX = mouseY = 0;
  mouseButtonDown = paddleButtonHeld = pauseKeyReleased = 0;
  typedCodeBuffer = CStr();
  settingsChanged = 0;
  boardSelectIndex = 0;
  charmScroll = 0;

  fullScreen = 1;
  swapStereo = 0;
  communityBoards = 1;
  classicTextures = 0;
  forceWindowed = 0;
  disableAudio = 0;
  disableFadeZoom = 0;
  musicVoices = 8;
  playbackRate = 22050;
  playbackBits = 8;
  highPriorityClass = 1;
  forceWaveOut = 0;

  dataFiles.Close();
  dataFiles.searchDirs = {plat::CurrentFolder()};
  gameRootFolders.clear();
  savedGamesFolder.clear();
  userContentFolder.clear();
  if (communityManager && communityManager == startUpCommunityManager) delete communityManager;
  communityManager = nullptr;
  startUpCommunityManager = nullptr;

  pauseClickX = pauseClickY = -1;
  scoresViewOnly = scoresFromCompletion = scoreMusicStarted = entryPlayerScore = 0;
  ResetHighScoreTable(highScores);
  scoreFilePath.clear();
  scoreScreenState = bestPlayerScore = bestPlayerBoard = entryPlayer = 0;
  typedName.clear();
  splashStartMs = 0;
  transitionRunning = transitionStyle = transitionStart = 0;
  transitionBand = {0, 0, 0, 0};
  musicFade = soundFade = 0;

  gBackgroundEffect.echoOn = true;
  audioSettings = AudioSettings();
  // The sound system stays as it is (open or not): the bank keeps what says so.
  const SoundBank device = soundBank;
  soundBank = SoundBank();
  soundBank.audioLoaded = device.audioLoaded;
  soundBank.audioFailed = device.audioFailed;
  soundBank.alternativeDriver = device.alternativeDriver;
  soundBank.inGameModuleCount = device.inGameModuleCount;
  ApplyProgramLinks();
}
