#include "game/support/game_driver.h"

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "audio/sound_bank.h"
#include "game/frame.h"
#include "game/game_globals.h"
#include "game/play/play_state.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "platform/cp1252.h"
#include "platform/seal/seal.h"
#include "platform/settings.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace vantrel::test {

namespace {
int folderCount = 0;
const char* const kSettingsKey = "Software\\Quillmark\\Vantrel - Orvesse";
}  // namespace

fs::path GeneratedPackDir() {
  const char* dir = std::getenv("VANTREL_PACK_DIR");
  if (dir && *dir) return fs::path(dir);
  return fs::path(VANTREL_BUILT_PACK_DIR);
}

fs::path ReviewDir() { return fs::path(VANTREL_BUILT_PACK_DIR).parent_path() / "game-review"; }

GameDriver::GameDriver() {
  clock_ = std::make_unique<plat::FakeClockScope>();
  plat::SetFakeUnixTime(kDriverUnixTime);
  windows_ = std::make_unique<plat::headless::HeadlessWindowSystem>(1920, 1080);
  shell_ = std::make_unique<plat::RecordingShell>();
  debug_ = std::make_unique<plat::DebugCaptureScope>();
  plat::seal::SelectOutput(plat::seal::Output::kNull);
  plat::steam::fake::Reset();
  plat::steam::UseBackend(plat::steam::Backend::Fake);
  previousFolder_ = fs::current_path();
}

GameDriver::~GameDriver() {
  SetFrameHookForTests(nullptr);
  if (running_ && !finished_) ShutdownGame();
  ShutdownAudio();
  ResetGameStateForTests();
  TheDisplay().Shutdown();
  plat::steam::fake::Reset();
  boost::system::error_code ec;
  fs::current_path(previousFolder_, ec);
}

void GameDriver::Prepare(const DriverOptions& options) {
  folder_ = MakeTempDir("game-" + std::to_string(++folderCount));
  std::vector<std::string> dirs;
  if (options.generatedPack) {
    const fs::path pack = GeneratedPackDir();
    EXPECT_FALSE(pack.empty()) << "VANTREL_PACK_DIR is not set";
    dirs.push_back(pack.string());
  } else {
    WriteMiniPack(folder_, options.pack);
  }
  for (const std::string& line : options.dirsLines) dirs.push_back(line);
  auto write = [&](const char* name, const std::string& text) {
    FILE* f = std::fopen((folder_ / name).string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  };
  if (options.configCfg) write("config.cfg", *options.configCfg);
  if (!dirs.empty()) {
    std::string text;
    for (const std::string& d : dirs) text += d + "\n";
    write("dirs.cfg", text);
  }
  if (!options.storedSettings.empty()) {
    auto store = plat::SettingsStore::Open(kSettingsKey, false);
    ASSERT_TRUE(store);
    for (const auto& [name, value] : options.storedSettings) store->WriteDword(name, uint32_t(value));
  }
  if (options.communityOff)
    setenv("VANTREL_COMMUNITY", "off", 1);
  else
    unsetenv("VANTREL_COMMUNITY");
  fs::current_path(folder_);
  ResetGameStateForTests();
}

std::optional<int32_t> GameDriver::StartUp() {
  std::optional<int32_t> result = GameStartUp();
  if (result) return result;
  running_ = true;
  loop_ = LoopState();
  loop_.last = mainTimer.Elapsed(1000);
  if (plat::headless::HeadlessWindow* w = Window()) w->UserFocus(true);
  return std::nullopt;
}

plat::headless::HeadlessWindow* GameDriver::Window() const {
  return program.windowHandle ? static_cast<plat::headless::HeadlessWindow*>(program.windowHandle)
                              : windows_->MainWindow();
}

void GameDriver::Frame(uint32_t stepMs) {
  plat::Message m;
  while (running_ && windows_->PeekMessage(&m, false)) running_ = MainLoopTurn(loop_);
  if (!running_) return;
  plat::AdvanceFakeClockMs(stepMs);
  running_ = MainLoopTurn(loop_);
}

void GameDriver::RunFor(uint32_t ms, uint32_t stepMs) {
  for (uint32_t t = 0; t < ms && running_; t += stepMs) Frame(stepMs);
}

bool GameDriver::RunUntil(const std::function<bool()>& pred, uint32_t maxMs, uint32_t stepMs) {
  for (uint32_t t = 0; t <= maxMs; t += stepMs) {
    if (pred()) return true;
    if (!running_) break;
    Frame(stepMs);
  }
  if (pred()) return true;
  ADD_FAILURE() << "condition not reached: scene " << program.sceneNumber << ", previous " << program.previousScene
                << ", transition " << transition.transitionRunning << ", running " << running_ << ", paused "
                << play.board.paused;
  return false;
}

int32_t GameDriver::Finish() {
  if (running_) {
    Close();
    for (int i = 0; i < 100000 && running_; ++i) {
      plat::Message m;
      if (windows_->PeekMessage(&m, false))
        running_ = MainLoopTurn(loop_);
      else
        Frame(16);
    }
  }
  finished_ = true;
  ShutdownGame();
  return loop_.result;
}

void GameDriver::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  windows_->PostMessage(program.windowHandle, message, wParam, lParam);
}

void GameDriver::MoveMouse(int32_t x, int32_t y) {
  TheDisplay().BufferToClient(&x, &y);
  Post(plat::kMsgMouseMove, 0, plat::MakeLParam(x, y));
}

void GameDriver::Click(int32_t x, int32_t y, bool right) {
  TheDisplay().BufferToClient(&x, &y);
  const intptr_t at = plat::MakeLParam(x, y);
  Post(right ? plat::kMsgRButtonDown : plat::kMsgLButtonDown, right ? plat::kButtonRight : plat::kButtonLeft, at);
  Post(right ? plat::kMsgRButtonUp : plat::kMsgLButtonUp, 0, at);
}

void GameDriver::Key(uint32_t vk) {
  Post(plat::kMsgKeyDown, vk, 0);
  if (vk == plat::kKeyEscape || vk == plat::kKeyBackspace || vk == plat::kKeyEnter || vk == plat::kKeyTab)
    Post(plat::kMsgChar, vk, 0);
  Post(plat::kMsgKeyUp, vk, 0);
}

void GameDriver::Type(const std::string& utf8) {
  for (uint8_t c : plat::Utf8ToCp1252(utf8)) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    const uint32_t vk = letter ? uint32_t(c & ~0x20u) : uint32_t(c);
    if (letter || digit) Post(plat::kMsgKeyDown, vk, 0);
    Post(plat::kMsgChar, c, 0);
    if (letter || digit) Post(plat::kMsgKeyUp, vk, 0);
  }
}

void GameDriver::Wheel(int32_t notches) {
  const int32_t step = notches > 0 ? 1 : -1;
  for (int32_t i = 0; i != notches; i += step)
    Post(plat::kMsgMouseWheel, plat::MakeWParam(0, step * plat::kWheelDelta), 0);
}

void GameDriver::Focus(bool gained) {
  if (auto* w = Window()) w->UserFocus(gained);
}
void GameDriver::Minimise() {
  if (auto* w = Window()) w->UserMinimise();
}
void GameDriver::Restore() {
  if (auto* w = Window()) w->UserRestore();
}
void GameDriver::Maximise() {
  if (auto* w = Window()) w->UserMaximise();
}
void GameDriver::Close() {
  if (auto* w = Window()) w->UserClose();
}

uint32_t GameDriver::PresentedAt(int32_t x, int32_t y) const {
  const plat::headless::HeadlessWindow* w = Window();
  if (!w) return 0;
  TheDisplay().BufferToClient(&x, &y);
  const plat::headless::ClientImage& image = w->LastPresented();
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return 0;
  return image.At(x, y) & 0xFFFFFF;
}

int64_t GameDriver::CountPixels(int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                                const std::function<bool(uint32_t)>& pred) const {
  int64_t n = 0;
  for (int32_t y = y0; y < y1; ++y)
    for (int32_t x = x0; x < x1; ++x)
      if (pred(PresentedAt(x, y))) ++n;
  return n;
}

bool GameDriver::SaveScreen(const fs::path& path) const {
  const plat::headless::HeadlessWindow* w = Window();
  if (!w) return false;
  fs::create_directories(path.parent_path());
  return w->LastPresented().SavePng(path.string());
}

std::optional<int32_t> GameDriver::StoredSetting(const std::string& name) const {
  auto store = plat::SettingsStore::Open(kSettingsKey, false);
  uint32_t value = 0;
  if (!store || !store->ReadDword(name, &value)) return std::nullopt;
  return int32_t(value);
}

}  // namespace vantrel::test
