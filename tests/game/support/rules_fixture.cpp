#include "game/support/rules_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "audio/sound_bank.h"
#include "../../audio/audio_test_files.h"
#include "game/game_globals.h"
#include "game/play/entities.h"
#include "game/play/powerup_deck.h"
#include "graphics/display.h"
#include "graphics/imageset_writer.h"
#include "platform/random.h"
#include "platform/seal/seal.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace vantrel::test {

namespace {

Bitmap Solid(int w, int h, uint32_t argb) {
  Bitmap b;
  if (w > 0 && h > 0) {
    b.Create(w, h, 32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) b.SetPixel(x, y, argb);
  }
  return b;
}

void WriteSet(const fs::path& path, const std::vector<std::string>& names, const std::vector<Bitmap>& images) {
  std::vector<ImageSetWriterEntry> entries;
  for (size_t i = 0; i < names.size(); ++i) entries.push_back({names[i], &images[i]});
  ASSERT_TRUE(WriteImageSet(path, entries)) << path;
}

std::vector<std::string> BrickNames(BrickSet variant) {
  std::vector<std::string> names = {"red",   "blue",  "explo",       "explo", "explo",  "glass",  "multi", "multi",
                                    "multi", "stone", "almostinvin", "invin", "zapped", "hidden", "end"};
  switch (variant) {
    case BrickSet::kNoExplo: names[2] = names[3] = names[4] = "plain"; break;
    case BrickSet::kZappedLast:
      names[12] = "plain";
      names[14] = "zapped";
      break;
    case BrickSet::kNoInvin: names[11] = "plain"; break;
    default: break;
  }
  return names;
}

void WriteWave(const fs::path& path, const audiotest::Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path.string(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

uint32_t BrickColour(int32_t image) {
  // Distinct, bright, never black.
  const uint32_t r = 40 + (image * 53) % 200;
  const uint32_t g = 40 + (image * 97) % 200;
  const uint32_t b = 40 + (image * 151) % 200;
  return 0xFF000000u | r << 16 | g << 8 | b;
}

void MakeBoard(std::initializer_list<std::string> rows, int32_t columns) {
  boardSet.columns = columns;
  boardSet.boardCount = 1;
  boardSet.currentBoard = 0;
  boardSet.boards[0].Clear();
  int32_t row = 0;
  for (const std::string& text : rows) {
    int32_t column = 0;
    for (size_t i = 0; i < text.size(); ++i, ++column) {
      int32_t v = 0;
      switch (text[i]) {
        case '.': v = 0; break;
        case 'R': v = 1; break;
        case 'E': v = 3; break;
        case 'M': v = 7; break;
        case 'A': v = 11; break;
        case 'H': v = 12; break;
        case 'Z': v = 13; break;
        case '?': v = 14; break;
        case 'X': v = 1000; break;
        case '#': {
          size_t used = 0;
          const long long n = std::stoll(text.substr(i + 1), &used);
          v = int32_t(n);
          i += used;
          break;
        }
        default: ADD_FAILURE() << "board character " << text[i];
      }
      boardSet.SetCell(column, row, v);
    }
    ++row;
  }
}

void RulesFixture::SetUp() {
  clock = std::make_unique<plat::FakeClockScope>();
  Seed(1);
  dir = MakeTempDir("rules");
  windows = std::make_unique<plat::headless::HeadlessWindowSystem>(1920, 1080);
  Display& display = TheDisplay();
  ASSERT_EQ(display.CreateMainWindow(1280, 720, "Vantrel", nullptr, &window, plat::DefaultWindowProc, 0, false), 1);
  ASSERT_EQ(display.SetVideoMode(1280, 720, depth_, false, nullptr), 1);
  ASSERT_TRUE(sceneBackdrop.Create(1280, 720, 16));
  ASSERT_TRUE(boardBackdrop.Create(1280, 720, 16));

  // Backgrounds: two tiles of distinct colours (or one without pixels).
  {
    std::vector<Bitmap> tiles;
    tiles.push_back(backgrounds_ == Backgrounds::kZeroTile ? Bitmap() : Solid(64, 64, kTileColour[0]));
    tiles.push_back(Solid(64, 64, kTileColour[1]));
    WriteSet(dir / "Backgrounds.img", {"one", "two"}, tiles);
    FILE* f = std::fopen((dir / "Backgrounds.img").c_str(), "rb");
    ASSERT_TRUE(f);
    ASSERT_TRUE(boardSet.LoadBackgroundSet(f));
    std::fclose(f);
  }
  LoadBricks(bricks_);

  // Power-ups named by keyword; explosions: 46 small images and the 16 x 16
  // fire texture last.
  {
    std::vector<std::string> names;
    std::vector<Bitmap> images;
    for (const PowerUpInfo& row : powerUpTable) {
      if (row.keyword.empty()) continue;
      names.push_back(row.keyword);
      images.push_back(Solid(32, 16, 0xFF20C020));
    }
    WriteSet(dir / "PowerUps.img", names, images);
    ASSERT_TRUE(powerUpSet.Load((dir / "PowerUps.img").c_str()));
    for (PowerUpInfo& row : powerUpTable) row.imageIndex = powerUpSet.IndexOf(row.keyword.c_str());
    names.clear();
    images.clear();
    for (int i = 0; i < 46; ++i) {
      names.push_back("explosion" + std::to_string(i));
      images.push_back(Solid(8, 8, 0xFFFFA000));
    }
    Bitmap fire;
    fire.Create(16, 16, 32);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) fire.SetPixel(x, y, 0xFF000000u | uint32_t(x * 16) << 16 | uint32_t(y * 16) << 8);
    names.push_back("fire");
    images.push_back(fire);
    WriteSet(dir / "Explosion.img", names, images);
    ASSERT_TRUE(explosionSet.Load((dir / "Explosion.img").c_str()));
    powerUpSet.Upload(&display.format);
    explosionSet.Upload(&display.format);
  }

  if (audio_ == Audio::kLoaded) {
    for (int k = 0; k < kSoundEffectCount; ++k) {
      WriteWave(dir / "Sounds" / kSoundEffectFiles[k],
                audiotest::Wave(1, 8000 + k, 8, audiotest::Bytes(size_t(100 + k), 160)));
    }
    ASSERT_EQ(chdir(dir.c_str()), 0);
    plat::seal::SelectOutput(plat::seal::Output::kNull);
    soundBank = SoundBank{};
    audioSettings = AudioSettings{};
    ASSERT_EQ(LoadSounds(), 1);
    ASSERT_EQ(soundSystem.GetSampleRate(kSoundGlassShort), 8000 + kSoundGlassShort);
  }
  RecordSounds(&sounds);
  // Loading the sounds shuffled the music with the game's generator.
  communityManager = nullptr;  // the fixture's own recorder: the reset must not free it
  ResetGameStateForTests();
  communityManager = &community;
  display.ClearDirtyRects();
}

void RulesFixture::TearDown() {
  RecordSounds(nullptr);
  communityManager = nullptr;  // the fixture's own recorder: the reset must not free it
  ResetGameStateForTests();
  communityManager = nullptr;
  if (audio_ == Audio::kLoaded) ShutdownAudio();
  TheDisplay().Close(true);
  windows.reset();
  clock.reset();
}

void RulesFixture::LoadBricks(BrickSet variant) {
  const fs::path path = dir / "Bricks.img";
  fs::remove(path);
  if (variant != BrickSet::kMissing) {
    const std::vector<std::string> names = BrickNames(variant);
    std::vector<Bitmap> images;
    for (size_t i = 0; i < names.size(); ++i) {
      images.push_back(variant == BrickSet::kZeroImage && i == 0 ? Bitmap() : Solid(48, 24, BrickColour(int32_t(i))));
    }
    WriteSet(path, names, images);
  }
  FILE* f = std::fopen(path.c_str(), "rb");
  const bool loaded = boardSet.LoadBrickSet(f, false);
  if (f) std::fclose(f);
  EXPECT_EQ(loaded, variant != BrickSet::kMissing);
  boardSet.UploadImageSets(TheDisplay().format);
}

void RulesFixture::Seed(uint32_t seed) {
  plat::Srand(seed);
  plat::SetFakeMilliClock(5000);
  plat::SetFakeUnixTime(1700000000);
}

std::vector<SoundCall> RulesFixture::SoundsOf(SoundEffect sample) const {
  std::vector<SoundCall> out;
  for (const SoundCall& s : sounds)
    if (s.sample == sample) out.push_back(s);
  return out;
}

std::vector<Entity*> RulesFixture::EntitiesOf(EntityKind kind) {
  std::vector<Entity*> out;
  for (Entity* e = entityHead.next; e; e = e->next)
    if (e->kind == kind) out.push_back(e);
  return out;
}

int32_t RulesFixture::CountEntities(EntityKind kind) { return int32_t(EntitiesOf(kind).size()); }

std::vector<std::pair<int32_t, int32_t>> RulesFixture::QueueCells() {
  std::vector<std::pair<int32_t, int32_t>> out;
  for (ExploQueue* q = exploQueueHead.next; q; q = q->next) out.emplace_back(q->column, q->row);
  return out;
}

uint32_t RulesFixture::ScreenPixel(int32_t x, int32_t y) {
  Display& d = TheDisplay();
  SurfaceLock lock;
  if (!d.Lock(&lock)) return 0;
  uint8_t r = 0, g = 0, b = 0;
  d.format.ReadPixel(lock.bits + y * lock.pitch + x * lock.bytesPerPixel, &r, &g, &b);
  d.Unlock();
  return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

uint32_t RulesFixture::PicturePixel(const Bitmap& picture, int32_t x, int32_t y) {
  PixelFormat format;
  format.SetForDepth(picture.bpp);
  uint8_t r = 0, g = 0, b = 0;
  format.UnpackPixel(picture.GetPixel(x, y), &r, &g, &b);
  return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

}  // namespace vantrel::test
