#include "game/game_main.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include "audio/sound_bank.h"
#include "community/app_id.h"
#include "community/community_manager_steam.h"
#include "core/log.h"
#include "game/config.h"
#include "game/frame.h"
#include "game/game_globals.h"
#include "game/play/charms.h"
#include "game/play/entities.h"
#include "game/play/game_flow.h"
#include "game/play/image_origins.h"
#include "game/play/play_state.h"
#include "game/play/powerup_deck.h"
#include "game/save_failures.h"
#include "game/scenes/deferred_pictures.h"
#include "game/scenes/high_scores.h"
#include "game/window_proc.h"
#include "graphics/display.h"
#include "graphics/flame.h"
#include "platform/clock.h"
#include "platform/debug.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/picture.h"
#include "platform/random.h"
#include "platform/shell.h"

namespace fs = boost::filesystem;

namespace {

constexpr int32_t kScreenW = 1280;
constexpr int32_t kScreenH = 720;

void ShowFileError(const char* format, const char* name) {
  plat::ShowMessageBox(nullptr, FormatString(format, name), "Fatal Error", plat::kMbOk);
}

// Makes one player folder; a failure only costs that folder.
void PreparePlayerFolder(fs::path& target, plat::KnownFolder which, const fs::path& below) {
  try {
    const fs::path base = plat::GetKnownFolder(which, true);
    if (base.empty()) {
      DebugPrint("No folder for " + below.string() + "\n");
      return;
    }
    target = base / below;
    fs::create_directories(target);
  } catch (const std::exception& e) {
    DebugPrint(std::string("Error creating game folder: ") + e.what() + "\n");
  }
}

// Every pixel of an 8-bit image as (column, row) of the k-th pixel of a
// row-major run: the stride padding is never read.
uint8_t& PixelAt(Bitmap& image, int32_t k) {
  return image.pixels[size_t(k / image.width) * size_t(image.stride) + size_t(k % image.width)];
}

bool Is8BitWithPixels(const Bitmap& image) {
  return image.bpp == 8 && image.pixels && image.width > 0 && image.height > 0;
}

// The chisel font's background colour (its first pixel's index) becomes black.
void DarkenChiselBackground() {
  if (!Is8BitWithPixels(chiselFont)) {
    DebugPrint("ChiselFont.img is not an 8-bit font: its background stays\n");
    return;
  }
  const uint8_t index = chiselFont.pixels[0];
  for (int32_t i = 0; i < chiselFont.count; ++i) {
    Image* image = chiselFont.GetImage(i);
    image->palette[index][0] = image->palette[index][1] = image->palette[index][2] = 0;
  }
}

// sysFont: dark palette entries become index 0 (see-through); amberSysFont
// is the same font in amber.
void PrepareSystemFonts() {
  if (sysFont.bpp != 8) {
    DebugPrint("SysFont.img is not an 8-bit font: it is not remapped\n");
  } else {
    uint8_t map[256];
    for (int i = 0; i < 256; ++i) map[i] = sysFont.palette[i][0] < 16 ? 0 : uint8_t(i);
    sysFont.SetIndexMap(map);
    sysFont.RemapToPalette(nullptr);
  }
  amberSysFont.CopyFrom(sysFont);
  uint8_t amber[256][4];
  std::memcpy(amber, amberSysFont.palette, sizeof amber);
  for (int i = 0; i < 256; ++i) {
    const int r = amberSysFont.palette[i][0];
    amber[i][0] = uint8_t(std::min(255, 2 * r));
    amber[i][1] = uint8_t(r);
    amber[i][2] = uint8_t(r / 4);
  }
  for (int32_t i = 0; i < amberSysFont.count; ++i) {
    Image* image = amberSysFont.GetImage(i);
    for (int c = 0; c < 256; ++c) std::memcpy(image->palette[c], amber[c], 3);
  }
}

// sysFontGlow: every pixel holds its brightness, and each see-through pixel
// takes a third of its two neighbours in the run: a soft edge.
void PrepareGlowFont() {
  if (sysFontGlow.bpp != 8) {
    DebugPrint("SysFont.img is not an 8-bit font: no glow is made\n");
    return;
  }
  uint8_t map[256];
  for (int i = 0; i < 256; ++i)
    map[i] = uint8_t((sysFontGlow.palette[i][0] + sysFontGlow.palette[i][1] + sysFontGlow.palette[i][2]) / 3);
  sysFontGlow.SetIndexMap(map);
  sysFontGlow.RemapToPalette(nullptr);
  for (int32_t i = 0; i < sysFontGlow.count; ++i) {
    Image* image = sysFontGlow.GetImage(i);
    if (!Is8BitWithPixels(*image)) {
      DebugPrint("A glow font image is not 8-bit: skipped\n");
      continue;
    }
    const int32_t n = image->width * image->height;
    std::vector<uint8_t> copy(static_cast<size_t>(n));
    for (int32_t k = 0; k < n; ++k) copy[size_t(k)] = PixelAt(*image, k);
    for (int32_t k = 1; k <= n - 2; ++k) {
      if (copy[size_t(k)] == 0) PixelAt(*image, k) = uint8_t((copy[size_t(k - 1)] + copy[size_t(k + 1)]) / 3);
    }
  }
}

void FreeSet(ImageSet& set) {
  set.ImageSet::Free();
  set.Image::Free();
}

bool OpenWindowAndDisplay() {
  Display& display = TheDisplay();
  display.SetCentreWindow(true);
  display.SetOpenFullScreen(settings.fullScreen != 0);
  if (!display.CreateMainWindow(kScreenW, kScreenH, "Vantrel: Orvesse", nullptr, &program.windowHandle, MainWndProc,
                                102, true)) {
    plat::ShowMessageBox(nullptr, "Could not open Window!", "Fatal Error", 0);
    return false;
  }
  if (!display.SetVideoMode(kScreenW, kScreenH, 16, settings.fullScreen != 0, &program.screenFormat)) {
    bool ok = false;
    if (settings.fullScreen) {
      settings.fullScreen = 0;
      ok = display.SetVideoMode(kScreenW, kScreenH, 16, false, &program.screenFormat) != 0;
    }
    if (!ok) {
      plat::ShowMessageBox(nullptr, "Could not open initialize display!", "Fatal Error", 0);
      return false;
    }
  }
  SurfaceLock lock;
  if (display.Lock(&lock)) {
    for (int32_t y = 0; y < lock.height; ++y)
      std::memset(lock.bits + size_t(y) * size_t(lock.pitch), 0, size_t(lock.width) * size_t(lock.bytesPerPixel));
    display.Unlock();
  }
  display.Present(0);
  return true;
}

}  // namespace

bool LoadNeededImageSet(ImageSet& set, const char* name) {
  const fs::path path = dataFiles.FindFile(name, true, true);
  FILE* file = dataFiles.Open(path);
  if (!file) {
    ShowFileError("Could not find needed graphic file: %s!", name);
    return false;
  }
  const bool loaded = set.Load(file);
  dataFiles.Close();
  if (!loaded) {
    ShowFileError("Could not load needed graphic file: %s!", name);
    return false;
  }
  return true;
}

bool LoadNeededPicture(Image& image, const char* name, bool fromOpenFile) {
  const fs::path path = dataFiles.FindFile(name, true, true);
  bool loaded = false;
  if (fromOpenFile) {
    if (FILE* file = dataFiles.Open(path)) {
      loaded = Bitmap::LoadBmp(file, &image, image.palette);
      dataFiles.Close();
    }
  } else {
    image.LoadWithGdiplus(path);
    loaded = image.pixels != nullptr && image.width > 0 && image.height > 0;
  }
  if (!loaded) ShowFileError("Could not find needed graphic file: %s!", name);
  return loaded;
}

bool CheckNeededPicture(Image& image, const char* name) {
  const fs::path path = dataFiles.FindFile(name, true, true);
  // Only a PNG can be checked without decoding it; anything else is read now.
  if (!plat::ReadPngSize(path, nullptr, nullptr)) return LoadNeededPicture(image, name, false);
  image.Free();
  DeferPicture(image, path, name, true);
  return true;
}

bool LoadGameResources() {
  struct NeededSet {
    ImageSet* set;
    const char* name;
  };
  const NeededSet sets[] = {
      {&powerUpSet, "PowerUps.img"},
      {&paddleSet, "Paddle.img"},
      {&explosionSet, "Explosion.img"},
      {&iconSet, "Icons.img"},
      {&boingSet, "Boing.img"},
      {&buttonSet, "buttons.img"},
      {&lockedCharmSet, "LockedCharms.img"},
      {&smallFont, "StSmallFont.img"},
      {&candyFont, "CandyFont.img"},
      {&chiselFont, "ChiselFont.img"},
      {&bigFont, "VantrelBigFont.img"},
      {&sysFont, "SysFont.img"},
      {&brushedFont, "BrushedFont.img"},
      {&greenBrushedFont, "GreenBrushedFont.img"},
      {&sysFontGlow, "SysFont.img"},
  };
  for (const NeededSet& s : sets) {
    if (!LoadNeededImageSet(*s.set, s.name)) return false;
  }
  powerUpSet.Resize(48, 48, false);
  paddleSet.Scale(1.5f, false);
  explosionSet.Resize(96, 96, false);
  CentreImageOrigins();

  struct NeededPicture {
    Image* image;
    const char* name;
    bool fromOpenFile;
    bool deferred;
  };
  // The splash, the cursor and the title are on screen in the first seconds;
  // the other screens' pictures are decoded when first shown.
  const NeededPicture pictures[] = {
      {&highScoresPicture, "HighScores.png", false, true},
      {&splashPicture, "splash.png", false, false},
      {&charmsPicture, "Charms.png", false, true},
      {&boardSelectPicture, "BoardSelect.png", false, true},
      {&titlePowerupsPicture, "TitlePowerups.png", false, true},
      {&cursorPicture, "cursor.png", false, false},
      {&titleScreenPicture, "TitleScreen.bmp", true, false},
  };
  ForgetDeferredPictures();
  for (const NeededPicture& p : pictures) {
    const bool found = p.deferred ? CheckNeededPicture(*p.image, p.name)
                                  : LoadNeededPicture(*p.image, p.name, p.fromOpenFile);
    if (!found) return false;
  }
  // The exit picture is optional: without it the exit scene shows the splash.
  {
    const fs::path exitPath = dataFiles.FindFile("ExitScreen.png", true, true);
    if (plat::ReadPngSize(exitPath, nullptr, nullptr)) {
      exitPicture.Free();
      DeferPicture(exitPicture, exitPath, "ExitScreen.png", false);
    } else {
      exitPicture.LoadWithGdiplus(exitPath);
    }
  }
  cursorBackdrop.Create(cursorPicture.width, cursorPicture.height, 16);

  sysFont.SetSpacing(2, 0, 0, 0, 6);
  brushedFont.SetSpacing(2, 0, 0, 0, 6);
  sysFontGlow.SetSpacing(2, 0, 0, 0, 6);

  SetEffectPalette(0);
  for (int32_t i = 0; i < bigFont.count; ++i) std::memcpy(bigFont.GetImage(i)->palette, gBackgroundEffect.ramp, 1024);
  DarkenChiselBackground();
  PrepareSystemFonts();
  PrepareGlowFont();

  {
    std::vector<WorkshopItem> items;
    if (communityManager) items = communityManager->GetInstalledItems();
    LoadCharms(gameRootFolders, userContentFolder, items);
    LoadCollectedCharms();
  }

  for (PowerUpInfo& row : powerUpTable) row.imageIndex = powerUpSet.IndexOf(row.keyword.c_str());
  return true;
}

std::optional<int32_t> GameStartUp() {
  switch (instanceToken.Acquire("Vantrel - Orvesse Semaphore")) {
    case plat::InstanceResult::kAlreadyHeld:
      plat::ShowMessageBox(nullptr, "Vantrel is already running!", "Error!", plat::kMbOk);
      return 0;
    case plat::InstanceResult::kUnavailable:
      DebugPrint("The single-instance lock is not available; starting anyway\n");
      break;
    case plat::InstanceResult::kAcquired: break;
  }

  ReadStoredSettings();
  ReadConfigFile();
  if (settings.forceWindowed) settings.fullScreen = 0;
  gBackgroundEffect.echoOn = settings.disableFadeZoom == 0;
  ApplyAudioSettings();

  plat::Srand(uint32_t(plat::UnixTime()));

  // A previous object of start-up's own goes first.
  communityManager = nullptr;
  communityManagerOwner.reset();
  auto manager = std::make_unique<CommunityManagerSteam>(kVantrelAppId);
  communityManager = manager.get();
  manager->LoadSubscribedItems();
  communityManagerOwner = std::move(manager);

  PreparePlayerFolder(savedGamesFolder, plat::KnownFolder::SavedGames, "Vantrel - Orvesse");
  PreparePlayerFolder(userContentFolder, plat::KnownFolder::Documents, fs::path("Quillmark") / "Vantrel - Orvesse");

  boardBackdrop.Create(kScreenW, kScreenH, 16);
  sceneBackdrop.Create(kScreenW, kScreenH, 16);

  ReadDirsConfig(dataFiles);
  for (const WorkshopItem& item : communityManager->GetInstalledItems()) dataFiles.searchDirs.push_back(item.folder);

  if (!LoadGameResources()) return -1;

  if (!OpenWindowAndDisplay()) {
    program.startUpFailed = 1;
    return 0;
  }
  LoadSounds();

  const std::list<StatTrigger> none;
  communityManager->DefineStat("BricksBroken", "float", none);
  for (const char* stat :
       {"PowerupDeaths", "BoardsCompleted", "CharmsCollected", "UncommonCharms", "RareCharms", "UniqueCharms"})
    communityManager->DefineStat(stat, "int", none);

  // The first game, which also builds the music playlist and the ball lens tables.
  if (!StartGame()) return ShutdownGame();

  if (settings.highPriorityClass) plat::RaisePriority();
  ClipCursorToWindow(true);
  mainTimer.Restart();
  return std::nullopt;
}

bool MainLoopTurn(LoopState& s) {
  // A frame runs once more than 8 ms have passed since the last check.
  constexpr int32_t kFrameCheckMs = 9;
  plat::WindowSystem* system = plat::GetWindowSystem();
  if (system && system->PeekMessage(&s.message, false)) {
    if (!system->GetMessage(&s.message)) {
      s.result = int32_t(s.message.wParam);
      return false;
    }
    if (program.quitRequested) {
      s.result = 0;
      return false;
    }
    plat::WindowSystem::DispatchMessage(s.message);
  } else {
    const int32_t now = mainTimer.Elapsed(1000);
    // Unsigned difference: the clock may pass 2^31 ms.
    const int32_t elapsed = int32_t(uint32_t(now) - uint32_t(s.last));
    if (elapsed >= kFrameCheckMs) {
      program.frameMs = std::min(elapsed, 50);
      if (program.frameMs < 0) program.frameMs = 0;
      if (play.board.paused) program.frameMs = 0;
      program.frameSec = float(program.frameMs) / 1000.0f;
      program.totalMs = int32_t(uint32_t(program.totalMs) + uint32_t(program.frameMs));
      if (program.appActive) RunFrame();
      s.last = now;
      if (program.quitRequested) {
        s.result = 0;
        plat::SleepMs(0);
        return false;
      }
    } else if (system) {
      // Nothing to do before the next check is due: sleep until then, or
      // until a message arrives, instead of spinning. The wait is for the
      // whole milliseconds left (elapsed is truncated, so the check after it
      // is never early); an early wake-up just waits again for the rest.
      // While the game is inactive the checks go on as well, so that
      // totalMs and the first frame after re-activation keep their times.
      const int32_t left = kFrameCheckMs - std::max(elapsed, 0);
      system->WaitMessageFor(uint32_t(std::clamp(left, 1, kFrameCheckMs)));
    }
  }
  plat::SleepMs(0);
  return true;
}

int32_t ShutdownGame() {
  instanceToken.Release();
  communityManager = nullptr;
  communityManagerOwner.reset();
  ShutdownAudio();

  boardBackdrop.Destroy();
  sceneBackdrop.Destroy();
  for (ImageSet* set : {&powerUpSet, &paddleSet, &explosionSet, &iconSet, &boingSet, &buttonSet, &lockedCharmSet})
    FreeSet(*set);
  for (BitFont* font : {&smallFont, &candyFont, &chiselFont, &bigFont, &sysFont, &brushedFont, &greenBrushedFont,
                        &sysFontGlow, &amberSysFont})
    FreeSet(*font);
  for (Image* picture : {&highScoresPicture, &splashPicture, &charmsPicture, &boardSelectPicture, &titlePowerupsPicture,
                         &cursorPicture, &titleScreenPicture, &exitPicture})
    picture->Free();
  ForgetDeferredPictures();
  cursorBackdrop.Free();
  for (auto& set : charmSets)
    if (set) FreeSet(*set);
  charmSets.clear();
  // Emptied one node at a time: no recursion however many entities are left.
  entityHead.DeleteAll();
  exploQueueHead.DeleteAll();

  // Whatever could not be saved before gets its last chance.
  if (SaveFailed(SavedData::kCollectedCharms)) SaveCollectedCharms();
  SaveUnsavedHighScores();
  WriteStoredSettings();
  return 1;
}

int32_t GameMain() {
  if (std::optional<int32_t> result = GameStartUp()) return *result;
  LoopState s;
  s.last = mainTimer.Elapsed(1000);
  while (MainLoopTurn(s)) {
  }
  ShutdownGame();
  return s.result;
}
