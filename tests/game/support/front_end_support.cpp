#include "game/support/front_end_support.h"

#include <algorithm>
#include <fstream>

#include "core/hash.h"
#include "game/scenes/scenes.h"
#include "game/scenes/transition.h"
#include "platform/files.h"
#include "platform/settings.h"

namespace vantrel::test {

namespace {

void PutInt(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutString(std::vector<uint8_t>& b, const std::string& s) {
  PutInt(b, static_cast<uint32_t>(s.size()));
  b.insert(b.end(), s.begin(), s.end());
}

}  // namespace

std::vector<uint8_t> PlainBoardSetBytes(int version, const std::string& title, int32_t boards) {
  std::vector<uint8_t> b = {'B', 'D', 'S', 'T'};
  PutInt(b, static_cast<uint32_t>(version));
  PutInt(b, static_cast<uint32_t>(boards));
  if (version >= 5) PutInt(b, 20);
  if (version >= 6) {
    PutString(b, "reserved");
    PutString(b, "");
    PutInt(b, 0);
  }
  PutString(b, "Bricks.img");
  if (version >= 7) PutInt(b, 0);
  PutString(b, "Backgrounds.img");
  if (version >= 2) {
    PutString(b, title);
    PutString(b, "Old Author");
    PutString(b, "Old notes");
  }
  if (version >= 6) PutString(b, "");
  if (version >= 7) PutInt(b, 0);
  const int cells = version >= 5 ? 520 : 400;
  for (int32_t r = 0; r < boards; ++r) {
    PutInt(b, 0);
    for (int i = 0; i < cells; ++i) PutInt(b, 0);
  }
  if (version >= 6) PutInt(b, HashBytes(b.data(), static_cast<int32_t>(b.size())));
  return b;
}

void WriteSet(const fs::path& path, const SetSpec& spec) {
  auto set = std::make_unique<BoardSet>();
  set->brickSetPath = spec.brickSet;
  set->backgroundSetPath = spec.backgroundSet;
  set->columns = 20;
  set->title = spec.title;
  set->author = spec.author;
  set->notes = "Notes of " + spec.title;
  set->sortOrder = spec.sortOrder;
  set->version = 7;
  for (int32_t i = 0; i < spec.boards; ++i) {
    set->boards[i].Clear();
    set->boards[i].cells[5 * BoardRecord::kRows + 4] = 1;
  }
  set->SetBoardCount(spec.boards);
  set->boardCount = spec.boards;
  fs::create_directories(path.parent_path());
  ASSERT_TRUE(set->Save(path)) << path;
}

void WritePaddedSet(const fs::path& path, const std::string& title, int64_t size) {
  std::vector<uint8_t> b = PlainBoardSetBytes(7, title, 1);
  b.resize(b.size() - 4);  // the checksum, taken again below over the zeros too
  ASSERT_GT(size, static_cast<int64_t>(b.size()) + 4);
  fs::create_directories(path.parent_path());
  {
    std::ofstream out(path.string(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
  const int64_t hashed = size - 4;
  fs::resize_file(path, static_cast<uintmax_t>(hashed));
  uint32_t h = HashSeed(static_cast<uint32_t>(hashed));
  int32_t k = 0;
  for (uint8_t byte : b) HashAddByte(h, byte, k);
  for (int64_t i = static_cast<int64_t>(b.size()); i < hashed; ++i) HashAddByte(h, 0, k);
  std::vector<uint8_t> checksum;
  PutInt(checksum, h);
  std::fstream out(path.string(), std::ios::binary | std::ios::in | std::ios::out);
  out.seekp(static_cast<std::streamoff>(hashed));
  out.write(reinterpret_cast<const char*>(checksum.data()), 4);
  ASSERT_TRUE(out.good()) << path;
}

void FrontEndTest::SetUp() { RecordSounds(&sounds_); }

void FrontEndTest::TearDown() {
  RecordSounds(nullptr);
  if (d.Running()) d.Finish();
}

void FrontEndTest::Prepare(const DriverOptions& options) {
  // The settings file outlives a test inside one test program: start from
  // no stored values, so each test sees the start values or its own.
  boost::system::error_code ignored;
  fs::remove(plat::SettingsStore::FilePath("Software\\Quillmark\\Vantrel - Orvesse", false), ignored);
  // Nor do the player's own sets: start with none.
  fs::remove_all(plat::GetKnownFolder(plat::KnownFolder::Documents, false) / "Quillmark", ignored);
  d.Prepare(options);
}

void FrontEndTest::Start(const DriverOptions& options) {
  Prepare(options);
  ASSERT_EQ(d.StartUp(), std::nullopt);
  d.Frame();
  Settle();
}

void FrontEndTest::Settle() {
  ASSERT_TRUE(d.RunUntil([] { return transition.transitionRunning == 0; }, 5000));
}

void FrontEndTest::Enter(Scene scene) {
  Settle();
  program.sceneNumber = scene;
  d.Frame();
  Settle();
  d.Frame();
  ASSERT_EQ(program.previousScene, scene);
}

void FrontEndTest::ClickAndFrame(int32_t x, int32_t y) {
  d.Click(x, y);
  d.Frame();
}

int FrontEndTest::CountSound(SoundEffect sample) const { return CountSample(sounds_, sample); }

}  // namespace vantrel::test
