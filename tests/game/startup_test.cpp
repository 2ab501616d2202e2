// Start-up and shutdown of the game over the test driver: the single-copy
// token, missing and broken data files, window and display failures, the
// settings read at start and written at a normal exit, and the player folders.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/sound_bank.h"
#include "community/app_id.h"
#include "game/game_globals.h"
#include "game/play/charms.h"
#include "game/play/powerup_deck.h"
#include "game/scenes/deferred_pictures.h"
#include "game/scenes/transition.h"
#include "game/support/game_driver.h"
#include "graphics/display.h"
#include "graphics/flame.h"
#include "graphics/imageset_writer.h"
#include "platform/instance.h"
#include "platform/seal/seal.h"
#include "platform/settings.h"
#include "platform/steam/fake.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;
using vantrel::test::DriverOptions;
using vantrel::test::GameDriver;

namespace {

const char* const kSettingsKey = "Software\\Quillmark\\Vantrel - Orvesse";

bool SettingsFileExists() { return fs::exists(plat::SettingsStore::FilePath(kSettingsKey, false)); }

bool HasBox(const GameDriver& d, const std::string& text, const std::string& caption) {
  for (const auto& box : d.Boxes())
    if (box.text == text && box.caption == caption) return true;
  return false;
}

TEST(GameStartUp, SecondCopyIsRefusedWithoutTouchingSettingsOrWindow) {
  GameDriver d;
  d.Prepare();
  plat::InstanceToken running;
  ASSERT_EQ(running.Acquire("Vantrel - Orvesse Semaphore"), plat::InstanceResult::kAcquired);
  EXPECT_EQ(d.StartUp(), 0);
  EXPECT_TRUE(HasBox(d, "Vantrel is already running!", "Error!"));
  EXPECT_EQ(d.Windows().MainWindow(), nullptr);
  EXPECT_FALSE(SettingsFileExists());
  EXPECT_EQ(program.startUpFailed, 0);
}

TEST(GameStartUp, MissingOrBrokenGraphicFilesStopBeforeTheWindow) {
  struct Case {
    const char* omit;
    const char* corrupt;
    const char* box;
  } cases[] = {
      {"Fonts/GreenBrushedFont.img", nullptr, "Could not find needed graphic file: GreenBrushedFont.img!"},
      {nullptr, "Graphics/Icons.img", "Could not load needed graphic file: Icons.img!"},
      {"Pictures/Charms.png", nullptr, "Could not find needed graphic file: Charms.png!"},
      {nullptr, "Pictures/TitleScreen.bmp", "Could not find needed graphic file: TitleScreen.bmp!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box);
    GameDriver d;
    DriverOptions options;
    if (c.omit) options.pack.omit.insert(c.omit);
    if (c.corrupt) options.pack.corrupt.insert(c.corrupt);
    d.Prepare(options);
    EXPECT_EQ(d.StartUp(), -1);
    ASSERT_EQ(d.Boxes().size(), 1u);
    EXPECT_EQ(d.Boxes()[0].text, c.box);
    EXPECT_EQ(d.Boxes()[0].caption, "Fatal Error");
    EXPECT_EQ(d.Windows().MainWindow(), nullptr);
  }
}

// The other screens' pictures are found and their headers read at start-up
// but decoded when first shown; what they hold then is what decoding them at
// start-up gave, in the picture and in its display copy.
TEST(GameStartUp, PicturesDecodedWhenFirstShownMatchThoseDecodedAtOnce) {
  GameDriver d;
  d.Prepare();
  ASSERT_EQ(d.StartUp(), std::nullopt);
  d.Frame();
  struct Case {
    Image* image;
    const char* file;
  } cases[] = {
      {&highScoresPicture, "HighScores.png"},   {&charmsPicture, "Charms.png"},
      {&boardSelectPicture, "BoardSelect.png"}, {&titlePowerupsPicture, "TitlePowerups.png"},
      {&exitPicture, "ExitScreen.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(c.image->pixels, nullptr);
    Image eager;
    eager.LoadWithGdiplus(d.Folder() / "Pictures" / c.file);
    ASSERT_NE(eager.pixels, nullptr);
    ASSERT_TRUE(eager.Upload(&program.screenFormat));
    UsePicture(*c.image);
    const Bitmap* shown = c.image->GetFrame(1);
    const Bitmap* wanted = eager.GetFrame(1);
    ASSERT_NE(shown, c.image);
    ASSERT_EQ(shown->bpp, 16);
    ASSERT_EQ(shown->width, wanted->width);
    ASSERT_EQ(shown->height, wanted->height);
    EXPECT_EQ(std::memcmp(shown->pixels, wanted->pixels, size_t(wanted->stride) * size_t(wanted->height)), 0);
    // Only the display copy is kept.
    EXPECT_EQ(c.image->pixels, nullptr);
    EXPECT_TRUE(PictureShowable(*c.image));
    // Once decoded it stays: a second use changes nothing.
    const uint8_t* pixels = shown->pixels;
    UsePicture(*c.image);
    EXPECT_EQ(c.image->GetFrame(1)->pixels, pixels);
  }
  // A display switch releases them; the next use decodes them again for the
  // display it finds, with the same pixels.
  const std::vector<uint8_t> before(highScoresPicture.GetFrame(1)->pixels,
                                    highScoresPicture.GetFrame(1)->pixels + 1280 * 2 * 720);
  d.Key(plat::kKeyF1 + 6);
  d.Frame();
  ASSERT_EQ(settings.fullScreen, 1);
  EXPECT_FALSE(PictureShowable(highScoresPicture));
  UsePicture(highScoresPicture);
  ASSERT_TRUE(PictureShowable(highScoresPicture));
  EXPECT_EQ(std::memcmp(highScoresPicture.GetFrame(1)->pixels, before.data(), before.size()), 0);
  EXPECT_TRUE(d.Boxes().empty());
  EXPECT_EQ(d.Finish(), 0);
}

// A picture whose header reads well but whose body does not decode gets the
// missing-picture message when first shown, once, and the game goes on; the
// optional exit picture falls back to the splash without a message.
TEST(GameStartUp, APictureThatFailsLaterIsReportedOnceWhenFirstShown) {
  GameDriver d;
  d.Prepare();
  for (const char* file : {"HighScores.png", "ExitScreen.png"}) {
    const fs::path path = d.Folder() / "Pictures" / file;
    const uintmax_t size = fs::file_size(path);
    ASSERT_GT(size, 100u);
    fs::resize_file(path, 100);
  }
  ASSERT_EQ(d.StartUp(), std::nullopt);
  EXPECT_TRUE(d.Boxes().empty());
  d.Frame();
  UsePicture(highScoresPicture);
  UsePicture(highScoresPicture);
  ASSERT_EQ(d.Boxes().size(), 1u);
  EXPECT_EQ(d.Boxes()[0].text, "Could not find needed graphic file: HighScores.png!");
  EXPECT_EQ(d.Boxes()[0].caption, "Fatal Error");
  EXPECT_FALSE(PictureShowable(highScoresPicture));
  UsePicture(exitPicture);
  EXPECT_FALSE(PictureShowable(exitPicture));
  EXPECT_EQ(d.Boxes().size(), 1u);
  EXPECT_TRUE(d.Running());
  EXPECT_EQ(d.Finish(), 0);
}

TEST(GameStartUp, ThirtyTwoBitFontsSkipThePaletteStepsSafely) {
  GameDriver d;
  DriverOptions options;
  options.pack.fonts32 = {"ChiselFont", "SysFont"};
  d.Prepare(options);
  EXPECT_EQ(d.StartUp(), std::nullopt);
  EXPECT_NE(d.DebugText().find("ChiselFont.img is not an 8-bit font"), std::string::npos);
  EXPECT_NE(d.DebugText().find("SysFont.img is not an 8-bit font: it is not remapped"), std::string::npos);
  EXPECT_NE(d.DebugText().find("no glow is made"), std::string::npos);
  d.Frame();
  EXPECT_EQ(d.Finish(), 0);
}

TEST(GameStartUp, FontStepsOnEightBitFonts) {
  GameDriver d;
  d.Prepare();
  ASSERT_EQ(d.StartUp(), std::nullopt);
  // The palette entry of the chisel font's first pixel is black in every
  // image; the others keep their colours.
  const uint8_t first = chiselFont.pixels[0];
  for (int32_t i = 0; i < chiselFont.count; ++i) {
    const Image* image = chiselFont.GetImage(i);
    EXPECT_EQ(image->palette[first][0] + image->palette[first][1] + image->palette[first][2], 0) << i;
    EXPECT_NE(image->palette[200][1], 0) << i;
  }
  // The system font's dark column (index 8) became see-through; the bright
  // pixels stayed.
  const Image* glyph = sysFont.GetImage(sysFont.IndexOf("A"));
  ASSERT_NE(glyph, nullptr);
  EXPECT_EQ(glyph->GetPixel(0, 0), 0u);
  EXPECT_EQ(glyph->GetPixel(1, 0), 200u);
  // Amber: red doubled (limited), green as red, blue a quarter.
  EXPECT_EQ(amberSysFont.palette[200][0], 255);
  EXPECT_EQ(amberSysFont.palette[200][1], 200);
  EXPECT_EQ(amberSysFont.palette[200][2], 50);
  EXPECT_EQ(amberSysFont.palette[100][0], 200);
  // Glow: pixels hold their brightness; the see-through last column takes a
  // third of its neighbours in the run: the bright pixel left of it and the
  // next row's first pixel (brightness 8), read across the row's end.
  const Image* glow = sysFontGlow.GetImage(sysFontGlow.IndexOf("A"));
  ASSERT_NE(glow, nullptr);
  const int32_t w = glow->width;
  EXPECT_EQ(glow->GetPixel(1, 0), 200u);
  EXPECT_EQ(glow->GetPixel(w - 1, 0), uint32_t((200 + 8) / 3));
  // The big title font took the flame ramp as its palette.
  EXPECT_EQ(0, std::memcmp(bigFont.GetImage(bigFont.count - 1)->palette, gBackgroundEffect.ramp, 1024));
  // Power-up pictures by keyword; the empty row finds none.
  EXPECT_EQ(powerUpTable[kPowerUpLife].imageIndex, powerUpSet.IndexOf("life"));
  EXPECT_GE(powerUpTable[kPowerUpGravityBall].imageIndex, 0);
  d.Finish();
}

TEST(GameStartUp, WindowAndDisplayFailures) {
  {
    SCOPED_TRACE("no window");
    GameDriver d;
    d.Prepare();
    d.Windows().RefuseWindows(true);
    EXPECT_EQ(d.StartUp(), 0);
    EXPECT_TRUE(HasBox(d, "Could not open Window!", "Fatal Error"));
    EXPECT_EQ(program.startUpFailed, 1);
  }
  {
    SCOPED_TRACE("full screen refused, the window works");
    GameDriver d;
    DriverOptions options;
    options.configCfg.reset();
    d.Prepare(options);
    d.Windows().RefuseStyle(plat::WindowStyle::kFullScreen, true);
    EXPECT_EQ(d.StartUp(), std::nullopt);
    EXPECT_EQ(settings.fullScreen, 0);
    EXPECT_EQ(d.Window()->Style(), plat::WindowStyle::kFramedSizable);
    EXPECT_EQ(d.Finish(), 0);
    EXPECT_EQ(d.StoredSetting("FullScreen"), 0);
    EXPECT_EQ(program.startUpFailed, 0);
  }
  {
    SCOPED_TRACE("both refused");
    GameDriver d;
    DriverOptions options;
    options.configCfg.reset();
    d.Prepare(options);
    d.Windows().RefuseStyle(plat::WindowStyle::kFullScreen, true);
    d.Windows().RefuseStyle(plat::WindowStyle::kFramedSizable, true);
    EXPECT_EQ(d.StartUp(), 0);
    EXPECT_TRUE(HasBox(d, "Could not open initialize display!", "Fatal Error"));
    EXPECT_EQ(program.startUpFailed, 1);
  }
}

TEST(GameStartUp, ForceWindowedWinsOverStoredFullScreenAndIsWrittenBack) {
  GameDriver d;
  DriverOptions options;
  options.configCfg = "ForceWindowed 1\n";
  options.storedSettings = {{"FullScreen", 1}};
  d.Prepare(options);
  ASSERT_EQ(d.StartUp(), std::nullopt);
  EXPECT_EQ(settings.fullScreen, 0);
  EXPECT_NE(d.Window()->Style(), plat::WindowStyle::kFullScreen);
  EXPECT_EQ(d.Finish(), 0);
  EXPECT_EQ(d.StoredSetting("FullScreen"), 0);
}

TEST(GameStartUp, WithoutConfigFileTheDefaultsOpenTheSound) {
  GameDriver d;
  DriverOptions options;
  options.configCfg.reset();
  d.Prepare(options);
  ASSERT_EQ(d.StartUp(), std::nullopt);
  plat::seal::DeviceDesc device;
  ASSERT_EQ(plat::seal::GetOpenDevice(&device), 0);
  EXPECT_EQ(device.rate, 22050);
  EXPECT_EQ(device.format & plat::seal::kFormat16Bit, 0);
  EXPECT_EQ(plat::seal::GetCounts().voicesOpened, 16u);
  EXPECT_EQ(d.Shell().priorityRaises, 1);
  d.Finish();
}

TEST(GameStartUp, AFileInTheWayOfTheSavedGamesFolderKeepsTheDocumentsFolder) {
  GameDriver d;
  d.Prepare();
  const fs::path dataHome = std::getenv("XDG_DATA_HOME");
  fs::create_directories(dataHome);
  fs::remove_all(dataHome / "Vantrel - Orvesse");
  std::FILE* f = std::fopen((dataHome / "Vantrel - Orvesse").string().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  ASSERT_EQ(d.StartUp(), std::nullopt);
  EXPECT_NE(d.DebugText().find("Error creating game folder: "), std::string::npos);
  EXPECT_FALSE(userContentFolder.empty());
  EXPECT_TRUE(fs::is_directory(userContentFolder));
  d.Finish();
}

TEST(GameStartUp, SettingsChangedByKeysPersistOnlyThroughANormalExit) {
  GameDriver d;
  d.Prepare();
  ASSERT_EQ(d.StartUp(), std::nullopt);
  d.Frame();
  for (uint32_t key :
       {uint32_t(plat::kKeyF1), uint32_t(plat::kKeyF1), plat::kKeyF1 + 4u, plat::kKeyF1 + 5u, plat::kKeyF1 + 8u})
    d.Key(key);
  d.Frame();
  EXPECT_EQ(d.Finish(), 0);
  EXPECT_EQ(d.StoredSetting("BackgroundStyle"), 2);
  EXPECT_EQ(d.StoredSetting("UseInGameMods"), 1);
  EXPECT_EQ(d.StoredSetting("SwapStereo"), 1);
  EXPECT_EQ(d.StoredSetting("ShowScores"), 0);
  EXPECT_EQ(d.StoredSetting("FullScreen"), 0);
  EXPECT_EQ(d.StoredSetting("KidMode"), 0);
  EXPECT_EQ(d.StoredSetting("CommunityBoards"), 1);
}

TEST(GameStartUp, AStoredBackgroundStyleOutOfRangeReadsAsTexturedAndStepsOnFromThere) {
  GameDriver d;
  DriverOptions options;
  options.storedSettings = {{"BackgroundStyle", 5}};
  d.Prepare(options);
  ASSERT_EQ(d.StartUp(), std::nullopt);
  EXPECT_EQ(settings.backgroundStyle, 0);
  d.Key(plat::kKeyF1);
  d.Frame();
  EXPECT_EQ(settings.backgroundStyle, 1);
  EXPECT_EQ(d.Finish(), 0);
  EXPECT_EQ(d.StoredSetting("BackgroundStyle"), 1);
}

TEST(GameStartUp, MusicVoicesBeyondTheMixerOpenEveryVoiceItHas) {
  for (const char* count : {"2147483647", "-2147483648", "99999999999"}) {
    SCOPED_TRACE(count);
    GameDriver d;
    DriverOptions options;
    options.configCfg = std::string("ForceWindowed 1\nMusicVoices ") + count + "\n";
    d.Prepare(options);
    ASSERT_EQ(d.StartUp(), std::nullopt);
    const bool huge = count[0] != '-';
    EXPECT_EQ(settings.musicVoices, huge ? kMaxMusicVoices : 0);
    EXPECT_EQ(plat::seal::GetCounts().voicesOpened, huge ? plat::seal::kMaxVoices : uint32_t(kEffectVoices));
    EXPECT_EQ(soundBank.audioFailed, 0);
    d.Finish();
  }
}

TEST(GameStartUp, TheGeneratedPackStartsAndShowsItsSplash) {
  GameDriver d;
  DriverOptions options;
  options.generatedPack = true;
  d.Prepare(options);
  ASSERT_EQ(d.StartUp(), std::nullopt);
  EXPECT_TRUE(d.Boxes().empty());
  d.RunFor(1000);
  d.SaveScreen(vantrel::test::ReviewDir() / "splash-transition.png");
  d.RunFor(1200);
  EXPECT_EQ(program.sceneNumber, kSceneSplash);
  EXPECT_EQ(transition.transitionRunning, 0);
  d.SaveScreen(vantrel::test::ReviewDir() / "splash.png");
  // The splash picture is not one flat colour: something was drawn.
  const uint32_t corner = d.PresentedAt(0, 0);
  EXPECT_GT(d.CountPixels(0, 0, 1280, 720, [&](uint32_t c) { return c != corner; }), 100000);
  EXPECT_EQ(d.Finish(), 0);
}

TEST(GameShutdown, ReleasesTheTokenAndTheResources) {
  GameDriver d;
  d.Prepare();
  ASSERT_EQ(d.StartUp(), std::nullopt);
  d.Frame();
  EXPECT_EQ(d.Finish(), 0);
  EXPECT_FALSE(instanceToken.Held());
  EXPECT_EQ(communityManager, nullptr);
  EXPECT_EQ(powerUpSet.pixels, nullptr);
  EXPECT_EQ(sysFontGlow.count, 1);
  EXPECT_EQ(splashPicture.pixels, nullptr);
  plat::InstanceToken next;
  EXPECT_EQ(next.Acquire("Vantrel - Orvesse Semaphore"), plat::InstanceResult::kAcquired);
}

}  // namespace

namespace {

// An installed Workshop item of the fake service, in a folder of its own
// that holds one charm set with the charm "Wheel" (rarity 2).
fs::path InstalledItemWithCharms(uint64_t id) {
  const fs::path folder = vantrel::test::MakeTempDir("workshop-item-" + std::to_string(id));
  Bitmap frame;
  EXPECT_TRUE(frame.Create(12, 12, 32));
  for (int32_t y = 0; y < 12; ++y)
    for (int32_t x = 0; x < 12; ++x) frame.SetPixel(x, y, 0xFF40C040u);
  std::vector<ImageSetWriterEntry> entries = {{"Wheel_2", &frame}};
  fs::create_directories(folder / "Items");
  EXPECT_TRUE(WriteImageSet(folder / "Items" / "W.charms", entries));
  plat::steam::fake::ItemRecord item;
  item.id = id;
  item.appId = kVantrelAppId;
  item.owner = 7;
  item.title = "Wheels";
  item.installFolder = folder.string();
  plat::steam::fake::SeedItem(item);
  plat::steam::fake::Subscribe(id);
  return folder;
}

}  // namespace

TEST(GameStartUp, InstalledWorkshopItemsAreSearchedLastAndBringTheirCharms) {
  for (bool communityOff : {false, true}) {
    SCOPED_TRACE(communityOff ? "community off" : "community on");
    GameDriver d;
    DriverOptions o;
    o.dirsLines = {"extra"};
    o.communityOff = communityOff;
    d.Prepare(o);
    const fs::path item = InstalledItemWithCharms(4242);
    ASSERT_EQ(d.StartUp(), std::nullopt);
    // The starting folder, the dirs.cfg folder, the player's content folder,
    // then the item's folder.
    std::vector<fs::path> want = {fs::path("extra"), userContentFolder};
    if (!communityOff) want.push_back(item);
    std::vector<fs::path> tail(dataFiles.searchDirs.end() - std::min(dataFiles.searchDirs.size(), want.size()),
                               dataFiles.searchDirs.end());
    EXPECT_EQ(tail, want);
    EXPECT_EQ(std::count(dataFiles.searchDirs.begin(), dataFiles.searchDirs.end(), item), communityOff ? 0 : 1);
    // The item's charm set is loaded beside the pack's, tagged as the
    // Workshop's.
    auto charm = charmIndex.find("Wheel");
    if (communityOff) {
      EXPECT_EQ(charm, charmIndex.end());
      EXPECT_EQ(charmFiles.count("W.charms"), 0u);
    } else {
      ASSERT_NE(charm, charmIndex.end());
      EXPECT_EQ(charms[static_cast<size_t>(charm->second)].rarity, 2);
      EXPECT_EQ(charmFiles["W.charms"].tag, kCharmSourceCloud);
      EXPECT_EQ(charmFiles["W.charms"].path, item / "Items" / "W.charms");
    }
    EXPECT_NE(charmIndex.find("charm0"), charmIndex.end()) << "the pack's own charms";
    d.Finish();
  }
}
