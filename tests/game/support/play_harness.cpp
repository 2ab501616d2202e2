#include "game/support/play_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include <boost/filesystem.hpp>

#include "audio/sound_bank.h"
#include "core/hash.h"
#include "game/game_globals.h"
#include "game/play/ball_sprite.h"
#include "game/play/brick_hits.h"
#include "game/play/charms.h"
#include "game/play/entities.h"
#include "game/play/entity_behaviour.h"
#include "game/play/game_flow.h"
#include "game/play/play_frame.h"
#include "game/play/play_state.h"
#include "game/play/powerup_deck.h"
#include "game/scenes/options.h"
#include "game/scenes/transition.h"
#include "game/support/game_driver.h"
#include "graphics/display.h"
#include "platform/headless/headless_window.h"
#include "platform/present.h"
#include "platform/random.h"
#include "platform/window.h"

namespace vantrel::test {

std::vector<std::string> Rows(std::initializer_list<const char*> rows) { return {rows.begin(), rows.end()}; }

// ---- PlayHarness ----

PlayHarness::PlayHarness(const PlayOptions& options) : options_(options), driver_(new GameDriver) {
  DriverOptions d;
  d.generatedPack = options.generatedPack;
  driver_->Prepare(d);
  const auto ended = driver_->StartUp();
  EXPECT_FALSE(ended.has_value()) << "start-up ended";
  // The recording community replaces the one start-up made (the game owns it).
  auto community = std::make_unique<FakeCommunity>();
  community_ = community.get();
  communityManagerOwner = std::move(community);
  communityManager = community_;
  RecordSounds(&sounds_);
  // Every harness starts without collected charms: the saved-games folder
  // belongs to the whole test process, so an earlier game's file is removed.
  boost::system::error_code ec;
  boost::filesystem::remove(savedGamesFolder / "charms.dat", ec);
  collectedCharms.clear();
  settings.classicRules = options.classicRules ? 1 : 0;
  settings.kidMode = options.kidMode ? 1 : 0;
  settings.showScores = options.showScores ? 1 : 0;
  settings.useInGameMods = 0;
  optionsScreen.playerCount = options.players;
  // The pack's power-up deck respects the modes chosen above.
  BuildPowerUpDeck();
  LoadPackSet(options.generatedPack ? "Starter.bdz" : "Castle.bdz");
  plat::Srand(options.seed);
}

PlayHarness::~PlayHarness() {
  RecordSounds(nullptr);
  driver_.reset();
}

bool PlayHarness::LoadPackSet(const std::string& fileName) {
  try {
    const boost::filesystem::path path = dataFiles.FindFile(fileName, true, true);
    if (!dataFiles.Open(path)) return false;
    boardSet.Load(dataFiles, false, "");
    dataFiles.Close();
    boardSet.LoadImageSets(dataFiles, true);
    boardSet.UploadImageSets(program.screenFormat);
  } catch (const std::exception& e) {
    dataFiles.Close();
    ADD_FAILURE() << "cannot load " << fileName << ": " << e.what();
    return false;
  }
  letters_.clear();
  const int32_t count = std::min(boardSet.bricks.count, 1000);
  auto firstOfKind = [&](int32_t kind) {
    for (int32_t n = 1; n < count; ++n) {
      if (boardSet.GetBrickType(n) == kind) return n;
    }
    return kind == kBrickHidden ? count : 0;  // the last image is never searched
  };
  letters_['.'] = 0;
  letters_['R'] = firstOfKind(kBrickPlain);
  letters_['E'] = firstOfKind(kBrickExplo);
  letters_['M'] = firstOfKind(kBrickMulti);
  letters_['A'] = firstOfKind(kBrickAlmostInvin);
  letters_['H'] = firstOfKind(kBrickInvin);
  letters_['Z'] = firstOfKind(kBrickZapped);
  // Hidden is often the last image, which the kind search above never reaches.
  for (int32_t n = 1; n <= count; ++n) {
    if (n < 1000 && boardSet.brickKind[n] == kBrickHidden) {
      letters_['?'] = n;
      break;
    }
  }
  letters_['X'] = 1000;
  return true;
}

int32_t PlayHarness::Brick(char letter) const {
  auto it = letters_.find(letter);
  return it == letters_.end() ? 0 : it->second;
}

void PlayHarness::MakeSet(const std::vector<std::vector<std::string>>& boards, int32_t columns) {
  boardSet.columns = columns;
  boardSet.boardCount = static_cast<int32_t>(boards.size());
  boardSet.currentBoard = 0;
  startCells_.clear();
  for (size_t b = 0; b < boards.size() && b < BoardSet::kMaxBoards; ++b) {
    BoardRecord& record = boardSet.boards[b];
    record.Clear();
    for (size_t r = 0; r < boards[b].size() && r < BoardRecord::kRows; ++r) {
      const std::string& row = boards[b][r];
      for (size_t c = 0; c < row.size() && c < static_cast<size_t>(columns); ++c) {
        const int32_t v = Brick(row[c]);
        record.cells[c * BoardRecord::kRows + r] = v;
        startCells_.push_back(v);
      }
    }
  }
}

void PlayHarness::Begin() {
  for (int32_t b = 0; b < boardSet.boardCount; ++b) {
    for (int32_t v : boardSet.boards[b].cells) startCells_.push_back(v);
  }
  std::sort(startCells_.begin(), startCells_.end());
  startCells_.erase(std::unique(startCells_.begin(), startCells_.end()), startCells_.end());
  StartGame();
  program.sceneNumber = kScenePlay;
  Step(16);  // the board's first frame starts the transition
  SkipTransition();
  lastScore_ = play.player.score;
  lastPlayer_ = play.game.currentPlayer;
}

void PlayHarness::Step(int32_t ms) {
  const int64_t presents = playFrameCounters.presents;
  driver_->Frame(static_cast<uint32_t>(ms));
  lastStepPresented_ = playFrameCounters.presents != presents;
  ++frames_;
}

void PlayHarness::Steps(int32_t frames, int32_t ms) {
  for (int32_t i = 0; i < frames; ++i) Step(ms);
}

bool PlayHarness::StepUntil(const std::function<bool()>& pred, int32_t maxFrames, int32_t ms) {
  for (int32_t i = 0; i < maxFrames; ++i) {
    if (pred()) return true;
    Step(ms);
  }
  if (pred()) return true;
  ADD_FAILURE() << "not reached after " << maxFrames << " frames of " << ms << " ms (seed " << options_.seed
                << ", scene " << program.sceneNumber << ", play clock " << play.game.playClock << ")";
  return false;
}

void PlayHarness::SkipTransition() {
  for (int i = 0; i < 400 && transition.transitionRunning; ++i) Step(16);
}

Entity* PlayHarness::PlaceBall(float x, float y, float vx, float vy, int32_t size) {
  Entity* ball = nullptr;
  for (Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind == kEntityBall && !e->dead) {
      ball = e;
      break;
    }
  }
  if (!ball) ball = AppendEntity(kEntityBall, size, 0, x, y, vx, vy);
  if (!ball) return nullptr;
  ball->flags &= ~1;
  ball->value = size;
  ball->x = ball->prevX = x;
  ball->y = ball->prevY = y;
  ball->vx = ball->prevVx = vx;
  ball->vy = ball->prevVy = vy;
  return ball;
}

Entity* PlayHarness::BallBelowCell(int32_t column, int32_t row, float speed, int32_t size) {
  const float x = static_cast<float>(boardSet.GetBoardLeft() + column * kCellWidth + kCellWidth / 2);
  // The upward probe (half the diagonal) reaches 2 px into the cell.
  const float diameter = static_cast<float>(kBallDiameters[std::clamp(size, 0, 2)]);
  const float y = static_cast<float>(40 + row * 24 + 24) + diameter * 0.7071f - 2.0f;
  return PlaceBall(x, y, 0.0f, -speed, size);
}

void PlayHarness::HoldAllBalls() {
  for (Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind == kEntityBall) {
      e->flags |= 1;
      e->vx = e->vy = e->prevVx = e->prevVy = 0.0f;
    }
  }
}

void PlayHarness::MoveMouse(int32_t x, int32_t y) {
  mouseX_ = x;
  mouseY_ = y;
  driver_->MoveMouse(x, y);
}

void PlayHarness::Click() { driver_->Click(mouseX_, mouseY_); }

void PlayHarness::Key(int32_t vk) {
  KeyDown(vk);
  KeyUp(vk);
}

void PlayHarness::KeyDown(int32_t vk) { driver_->Post(plat::kMsgKeyDown, static_cast<uintptr_t>(vk), 0); }
void PlayHarness::KeyUp(int32_t vk) { driver_->Post(plat::kMsgKeyUp, static_cast<uintptr_t>(vk), 0); }

void PlayHarness::ButtonDown() {
  int32_t x = mouseX_, y = mouseY_;
  TheDisplay().BufferToClient(&x, &y);
  driver_->Post(plat::kMsgLButtonDown, 1, plat::MakeLParam(x, y));
}

void PlayHarness::ButtonUp() {
  int32_t x = mouseX_, y = mouseY_;
  TheDisplay().BufferToClient(&x, &y);
  driver_->Post(plat::kMsgLButtonUp, 0, plat::MakeLParam(x, y));
}

void PlayHarness::Hold(int32_t frames, int32_t ms) {
  ButtonDown();
  Steps(frames, ms);
  ButtonUp();
}

int32_t PlayHarness::Cell(int32_t column, int32_t row) const {
  return boardSet.boards[std::clamp(boardSet.currentBoard, 0, BoardSet::kRecordCount - 1)]
      .cells[std::clamp(column, 0, 25) * BoardRecord::kRows + std::clamp(row, 0, 19)];
}

int32_t PlayHarness::Count(EntityKind kind) const {
  int32_t n = 0;
  for (const Entity* e = entityHead.next; e; e = e->next) n += e->kind == kind && !e->dead;
  return n;
}

std::vector<Entity*> PlayHarness::Balls() const {
  std::vector<Entity*> balls;
  for (Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind == kEntityBall && !e->dead) balls.push_back(e);
  }
  return balls;
}

std::vector<std::pair<int32_t, int32_t>> PlayHarness::QueueCells() const {
  std::vector<std::pair<int32_t, int32_t>> cells;
  for (const ExploQueue* q = exploQueueHead.next; q; q = q->next) cells.emplace_back(q->column, q->row);
  return cells;
}

bool PlayHarness::PresentedMatchesBackBuffer(std::string* why) const {
  const plat::headless::HeadlessWindow* window = driver_->Window();
  if (!window) {
    if (why) *why = "no window";
    return false;
  }
  const plat::headless::ClientImage& shown = window->LastPresented();
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) {
    if (why) *why = "no lock";
    return false;
  }
  plat::PresentBuffer buffer;
  buffer.bits = lock.bits;
  buffer.width = lock.width;
  buffer.height = lock.height;
  buffer.pitch = lock.pitch;
  buffer.bitsPerPixel = lock.bytesPerPixel * 8;
  buffer.palette = display.palette;
  bool same = shown.width >= lock.width && shown.height >= lock.height;
  if (!same && why) *why = "the window is smaller than the buffer";
  std::vector<uint32_t> row(static_cast<size_t>(lock.width));
  for (int32_t y = 0; y < lock.height && same; ++y) {
    plat::PresentRowRgb(buffer, y, row.data());
    for (int32_t x = 0; x < lock.width; ++x) {
      if ((shown.At(x, y) & 0xFFFFFF) != (row[static_cast<size_t>(x)] & 0xFFFFFF)) {
        same = false;
        if (why) {
          std::ostringstream s;
          s << "differs at " << x << "," << y << ": shown " << std::hex << (shown.At(x, y) & 0xFFFFFF) << ", buffer "
            << (row[static_cast<size_t>(x)] & 0xFFFFFF);
          *why = s.str();
        }
        break;
      }
    }
  }
  display.Unlock();
  return same;
}

int64_t PlayHarness::BackBufferDiffersFromBackdrop(const std::vector<std::array<int32_t, 4>>& except) const {
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return -1;
  int64_t differing = 0;
  const int32_t w = std::min(lock.width, sceneBackdrop.width), h = std::min(lock.height, sceneBackdrop.height);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      bool skip = false;
      for (const auto& r : except) skip |= x >= r[0] && x < r[2] && y >= r[1] && y < r[3];
      if (skip) continue;
      const uint8_t* a = lock.bits + static_cast<ptrdiff_t>(y) * lock.pitch + x * lock.bytesPerPixel;
      const uint8_t* b = sceneBackdrop.pixels + static_cast<ptrdiff_t>(y) * sceneBackdrop.stride +
                         x * sceneBackdrop.bytesPerPixel;
      differing += std::memcmp(a, b, static_cast<size_t>(lock.bytesPerPixel)) != 0;
    }
  }
  display.Unlock();
  return differing;
}

bool PlayHarness::CharmsFileExists() const { return boost::filesystem::exists(savedGamesFolder / "charms.dat"); }

std::vector<std::string> PlayHarness::CharmsFile() const {
  std::vector<std::string> names;
  std::ifstream in((savedGamesFolder / "charms.dat").string(), std::ios::binary);
  if (!in) return names;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  uint8_t* plain = nullptr;
  int32_t plainSize = 0;
  if (bytes.empty() || !UnscrambleBuffer(bytes.data(), static_cast<int32_t>(bytes.size()), &plain, &plainSize) ||
      !plain) {
    return names;
  }
  std::set<std::string> set;
  ParseCollectedCharms(plain, static_cast<size_t>(plainSize), set);
  std::free(plain);
  names.assign(set.begin(), set.end());
  return names;
}

std::string PlayHarness::CheckInvariants() {
  std::ostringstream why;
  // The list: consistent links, the paddle first, bounded.
  int32_t n = 0;
  for (Entity* e = &entityHead; e; e = e->next) {
    if (e->next && e->next->prev != e) why << "broken link after kind " << e->kind << "; ";
    if (++n > 20000) {
      why << "more than 20000 entities; ";
      break;
    }
    if (e->kind == kEntityBall && !e->dead && (e->x < -100 || e->x > 1380 || e->y < -100 || e->y > 820)) {
      why << "ball at " << e->x << "," << e->y << "; ";
    }
  }
  if (entityHead.kind != kEntityPaddle || entityHead.prev) why << "the head is not the paddle; ";
  std::set<std::pair<int32_t, int32_t>> queued;
  for (const ExploQueue* q = exploQueueHead.next; q; q = q->next) {
    if (q->next && q->next->prev != q) why << "broken queue link; ";
    if (!queued.insert({q->column, q->row}).second) why << "cell queued twice; ";
  }
  if (nonFiniteResets != 0) why << nonFiniteResets << " non-finite resets; ";
  // Cells: empty, a brick of the set, a hidden one negated, or a starting value.
  const int32_t count = boardSet.bricks.count;
  if (boardSet.currentBoard < boardSet.boardCount) {
    for (int32_t c = 0; c < boardSet.columns; ++c) {
      for (int32_t r = 0; r < BoardRecord::kRows; ++r) {
        const int32_t v = Cell(c, r);
        const bool ok = v == 0 || (v > 0 && v <= count) || (v < 0 && v >= -count) ||
                        std::binary_search(startCells_.begin(), startCells_.end(), v);
        if (!ok) why << "cell " << c << "," << r << " holds " << v << "; ";
      }
    }
  }
  if (boardSet.currentBoard < 0 || boardSet.currentBoard > boardSet.boardCount)
    why << "board " << boardSet.currentBoard << "; ";
  if (play.player.lives < 0) why << "lives " << play.player.lives << "; ";
  if (play.game.currentPlayer == lastPlayer_ && play.player.score < lastScore_ && !play.board.ballLost)
    why << "the score fell; ";
  lastScore_ = play.player.score;
  lastPlayer_ = play.game.currentPlayer;
  if (program.sceneNumber != kScenePlay && program.sceneNumber != kSceneHighScores &&
      program.sceneNumber != kSceneCompleted)
    why << "scene " << program.sceneNumber << "; ";
  if (transition.transitionRunning) {
    if (transitionSince_ < 0) transitionSince_ = static_cast<int32_t>(plat::MilliClock());
    if (static_cast<int32_t>(plat::MilliClock()) - transitionSince_ > 2100) why << "transition too long; ";
  } else {
    transitionSince_ = -1;
  }
  // A frame that ended early (a new board, the end of the ball-lost wait)
  // presents nothing, and the transition shows its own picture; the next
  // presented play frame catches up.
  if (frames_ % 50 == 0 && lastStepPresented_ && !transition.transitionRunning) {
    std::string diff;
    if (!PresentedMatchesBackBuffer(&diff)) why << "presented picture " << diff << "; ";
  }
  return why.str();
}

void PlayHarness::SaveReview(const std::string& name) {
  const boost::filesystem::path dir = boost::filesystem::path(VANTREL_PLAY_REVIEW_DIR);
  boost::system::error_code ec;
  boost::filesystem::create_directories(dir, ec);
  EXPECT_TRUE(driver_->SaveScreen(dir / (name + ".png"))) << name;
}

}  // namespace vantrel::test
