#pragma once
// Drives the whole game in the test process: the in-memory window system
// (a 1920 x 1080 screen, so the 1280 x 720 window maps 1:1), the fake clock,
// a recording shell, captured debug output, the null sound output and the
// fake community service. Input goes in as a user would give it, in back
// buffer coordinates; what the window shows comes back as pixels.
#include <boost/filesystem/path.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/game_main.h"
#include "game/support/mini_pack.h"
#include "platform/clock.h"
#include "platform/debug.h"
#include "platform/headless/headless_window.h"
#include "platform/shell.h"

namespace vantrel::test {

// The fixed Unix time the fake clock starts at.
constexpr int64_t kDriverUnixTime = 1'700'000'000;

struct DriverOptions {
  MiniPackOptions pack;
  // Start on the generated pack (through a dirs.cfg line to VANTREL_PACK_DIR)
  // instead of the fixture pack.
  bool generatedPack = false;
  // config.cfg; none when empty.
  std::optional<std::string> configCfg = std::string("ForceWindowed 1\n");
  // Extra dirs.cfg lines (after the generated pack's, when used).
  std::vector<std::string> dirsLines;
  // Stored settings written before start-up.
  std::map<std::string, int32_t> storedSettings;
  // The community service off (VANTREL_COMMUNITY=off) instead of the fake.
  bool communityOff = false;
};

class GameDriver {
 public:
  GameDriver();
  ~GameDriver();
  GameDriver(const GameDriver&) = delete;
  GameDriver& operator=(const GameDriver&) = delete;

  // Writes the pack, config.cfg, dirs.cfg and the stored settings into a
  // fresh folder, makes it the current folder and resets every game global.
  void Prepare(const DriverOptions& options = {});
  // GameStartUp, then the focus a real window gets. Its result.
  std::optional<int32_t> StartUp();
  // One frame: loop passes while messages wait, then the clock moves by
  // stepMs (9 or more) and one more pass runs.
  void Frame(uint32_t stepMs = 16);
  void RunFor(uint32_t ms, uint32_t stepMs = 16);
  // Frames until pred holds (true) or maxMs have passed (false, with the
  // state printed).
  bool RunUntil(const std::function<bool()>& pred, uint32_t maxMs, uint32_t stepMs = 16);
  // Posts a close, runs the loop to its end, ShutdownGame; GameMain's result.
  int32_t Finish();
  bool Running() const { return running_; }
  LoopState& Loop() { return loop_; }

  // Input, in back-buffer coordinates.
  void MoveMouse(int32_t x, int32_t y);
  void Click(int32_t x, int32_t y, bool right = false);
  void Key(uint32_t vk);
  void Type(const std::string& utf8);
  void Wheel(int32_t notches);
  void Focus(bool gained);
  void Minimise();
  void Restore();
  void Maximise();
  void Close();
  // Posts one message to the game window.
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam);

  // What the window shows at a back-buffer point (0xRRGGBB).
  uint32_t PresentedAt(int32_t x, int32_t y) const;
  // Buffer pixels of the presented picture within [x0, x1) x [y0, y1) for
  // which pred holds.
  int64_t CountPixels(int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                      const std::function<bool(uint32_t rgb)>& pred) const;
  bool SaveScreen(const boost::filesystem::path& path) const;
  const std::vector<plat::headless::MessageBoxRecord>& Boxes() const { return windows_->MessageBoxes(); }
  const std::string& DebugText() const { return debug_->text; }
  std::optional<int32_t> StoredSetting(const std::string& name) const;
  plat::headless::HeadlessWindowSystem& Windows() { return *windows_; }
  plat::headless::HeadlessWindow* Window() const;
  plat::RecordingShell& Shell() { return *shell_; }
  const boost::filesystem::path& Folder() const { return folder_; }

 private:
  std::unique_ptr<plat::FakeClockScope> clock_;
  std::unique_ptr<plat::headless::HeadlessWindowSystem> windows_;
  std::unique_ptr<plat::RecordingShell> shell_;
  std::unique_ptr<plat::DebugCaptureScope> debug_;
  boost::filesystem::path folder_;
  boost::filesystem::path previousFolder_;
  LoopState loop_;
  bool running_ = false;
  bool finished_ = false;
};

// The folder of the generated pack: VANTREL_PACK_DIR, else the build's game folder.
boost::filesystem::path GeneratedPackDir();
// Where tests leave pictures for a person to look at (build/game-review).
boost::filesystem::path ReviewDir();

}  // namespace vantrel::test
