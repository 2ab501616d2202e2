// A seeded game played by the automatic player gives the very frames it
// gave when the hashes below were recorded: every presented picture is
// hashed, and a change that only moves code or renames state must leave all
// of them as they are. A difference names the first checkpoint it reached.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "game/game_globals.h"
#include "game/support/auto_player.h"
#include "game/support/game_driver.h"
#include "game/support/play_harness.h"
#include "platform/headless/headless_window.h"

using vantrel::test::AutoPlayer;
using vantrel::test::AutoRunConfig;
using vantrel::test::AutoRunResult;
using vantrel::test::PlayHarness;
using vantrel::test::PlayOptions;
using vantrel::test::Rows;
using vantrel::test::RunAutoGame;

namespace {

constexpr int64_t kReplayFrames = 3000;
constexpr int64_t kCheckpointEvery = 500;
constexpr size_t kCheckpoints = kReplayFrames / kCheckpointEvery;

uint64_t Mix(uint64_t h, uint64_t v) { return (h ^ v) * 1099511628211ull; }

// The whole presented picture, its size included, two pixels a word over
// four interleaved lanes: quick enough for 3,000 pictures in the sanitizer
// build too.
uint64_t PictureHash(const plat::headless::ClientImage& image) {
  uint64_t a = 1469598103934665603ull, b = 2, c = 3, d = 4;
  const std::vector<uint32_t>& px = image.pixels;
  size_t i = 0;
  for (; i + 8 <= px.size(); i += 8) {
    uint64_t w[4];
    std::memcpy(w, px.data() + i, sizeof w);
    a = Mix(a, w[0]);
    b = Mix(b, w[1]);
    c = Mix(c, w[2]);
    d = Mix(d, w[3]);
  }
  for (; i < px.size(); ++i) a = Mix(a, px[i]);
  a = Mix(a, static_cast<uint64_t>(image.width) << 32 | static_cast<uint32_t>(image.height));
  return Mix(Mix(Mix(a, b), c), d);
}

// Three boards of the fixture set's brick kinds.
std::vector<std::vector<std::string>> ReplayBoards() {
  return {
      Rows({"", "", "RRRRRRRRRRRRRRRRRRRR", "RRMMRRRREEEERRRRMMRR", "RR??RRRRRRRRRRRR??RR", "", "",
            "...RRRR......RRRR..."}),
      Rows({"", "", "MMMMMMMMMMMMMMMMMMMM", "AAAA....ZZZZ....AAAA", "RRRRRRRRXXRRRRRRRRRR", "", "EEEE............EEEE",
            "RRRRRRRRRRRRRRRRRRRR"}),
      Rows({"", "", "", "H..................H", "RRRRRRRRRRRRRRRRRRRR", "EEEEEEEEEEEEEEEEEEEE", "??????????????????..",
            "MMMMMMMMMMMMMMMMMMMM"}),
  };
}

struct Replay {
  const char* name;
  uint32_t seed;
  int32_t players;
  bool kidMode;
  std::vector<int32_t> frameLengths;
  // What the run went through, recorded with the hashes: a replay that no
  // longer reaches the turn change or the next board says so first.
  int32_t livesLost;
  int32_t boardsFinished;
  // The combined hash of every presented picture so far, after each
  // kCheckpointEvery frames.
  uint64_t expected[kCheckpoints];
};

struct ReplayResult {
  uint64_t checkpoints[kCheckpoints] = {};
  int64_t presents = 0;
  AutoRunResult run;
};

ReplayResult Play(const Replay& replay) {
  PlayOptions o;
  o.seed = replay.seed;
  o.players = replay.players;
  o.kidMode = replay.kidMode;
  PlayHarness h(o);
  h.MakeSet(ReplayBoards());
  h.Begin();
  AutoPlayer player(replay.seed);
  AutoRunConfig config;
  config.maxFrames = kReplayFrames;
  config.frameLengths = replay.frameLengths;
  ReplayResult result;
  uint64_t combined = 1469598103934665603ull;
  int lastPresent = h.Driver().Window()->PresentCount();
  config.afterFrame = [&](int64_t frames) {
    const plat::headless::HeadlessWindow* window = h.Driver().Window();
    if (window->PresentCount() != lastPresent) {
      lastPresent = window->PresentCount();
      combined = Mix(combined, PictureHash(window->LastPresented()));
      ++result.presents;
    }
    if (frames % kCheckpointEvery == 0) result.checkpoints[frames / kCheckpointEvery - 1] = combined;
  };
  result.run = RunAutoGame(h, player, config);
  return result;
}

// A two-player game that loses a ball (the turn passes) and finishes a
// board, and a kid-mode game on cycled frame lengths.
const Replay kReplays[] = {
    {"TwoPlayersLoseABallAndFinishABoard",
     3,
     2,
     false,
     {33},
     1,
     1,
     {0xbe6b9f2788abb284, 0x858a5a0d89294254, 0xd9e5ff4bc9d103d2, 0x67f9197336b58a3d, 0x017fe80ffcb4cd15,
      0x78395f6195861650}},
    {"KidModeCycledFrames",
     2,
     1,
     true,
     {16, 16, 33, 9},
     0,
     0,
     {0xaa3c7ec13cc2b26c, 0xc4d81d75ed897dc5, 0xcd12b7a40f4201e6, 0xb8554634accae03c, 0xa0890616a34eb896,
      0x9fe49b3f1e52125c}},
};

void PrintTo(const Replay& replay, std::ostream* os) { *os << replay.name; }

class PlayReplay : public testing::TestWithParam<Replay> {};

}  // namespace

TEST_P(PlayReplay, GivesTheRecordedFrames) {
  const Replay& replay = GetParam();
  const ReplayResult r = Play(replay);
  EXPECT_EQ(r.run.failure, "");
  EXPECT_EQ(r.run.frames, kReplayFrames) << "the game ended in scene " << r.run.endScene;
  EXPECT_EQ(r.run.livesLost, replay.livesLost);
  EXPECT_EQ(r.run.boardsFinished, replay.boardsFinished);
  std::string hashes;
  for (uint64_t c : r.checkpoints) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016" PRIx64 ", ", c);
    hashes += text;
  }
  std::printf("[replay] %s: %" PRId64 " pictures, %d lives lost, %d boards finished, hashes %s\n", replay.name,
              r.presents, r.run.livesLost, r.run.boardsFinished, hashes.c_str());
  for (size_t i = 0; i < kCheckpoints; ++i) {
    if (r.checkpoints[i] != replay.expected[i]) {
      ADD_FAILURE() << "the frames differ from the recorded ones by frame " << (i + 1) * kCheckpointEvery;
      break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Seeded, PlayReplay, testing::ValuesIn(kReplays),
                         [](const auto& info) { return std::string(info.param.name); });
