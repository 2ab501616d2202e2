// The automatic player plays the generated pack's starter sets to the end
// in every mode, replays exactly, and survives hostile boards.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>
#include <ostream>
#include <sstream>
#include <algorithm>
#include <cctype>

#include "game/game_globals.h"
#include "game/play/charms.h"
#include "game/play/entities.h"
#include "game/play/entity_behaviour.h"
#include "game/play/play_state.h"
#include "graphics/display.h"
#include "game/support/game_driver.h"
#include "game/support/auto_player.h"
#include "game/support/play_harness.h"

using vantrel::test::AutoPlayer;
using vantrel::test::AutoRunConfig;
using vantrel::test::AutoRunResult;
using vantrel::test::PlayHarness;
using vantrel::test::PlayOptions;
using vantrel::test::RunAutoGame;

namespace {

struct Config {
  const char* set;
  int32_t boards;
  int32_t players;
  const char* mode;  // "default", "classic", "kid"
  bool cycled;       // frames of 16, 16, 33, 9 instead of 16
};

std::string Name(const Config& c) {
  return std::string(c.set) + ", " + std::to_string(c.players) + " players, " + c.mode +
         (c.cycled ? ", cycled frames" : ", 16 ms frames");
}

// The configuration by name in test listings, in place of the raw bytes.
void PrintTo(const Config& c, std::ostream* os) { *os << Name(c); }

// Plays one configuration with one seed to the end of the set, or its
// first boards only.
void PlaySetToTheEnd(const Config& c, uint32_t seed, int32_t onlyBoards = -1) {
  SCOPED_TRACE(Name(c) + ", seed " + std::to_string(seed));
  PlayOptions o;
  o.generatedPack = true;
  o.seed = seed;
  o.players = c.players;
  o.classicRules = std::string(c.mode) == "classic";
  o.kidMode = std::string(c.mode) == "kid";
  PlayHarness h(o);
  ASSERT_TRUE(h.LoadPackSet(c.set));
  ASSERT_EQ(boardSet.boardCount, c.boards);
  h.Begin();
  AutoPlayer player(seed * 7919u + 1u);
  AutoRunConfig config;
  if (c.cycled) config.frameLengths = {16, 16, 33, 9};
  config.stopAfterBoards = onlyBoards;
  const AutoRunResult r = RunAutoGame(h, player, config);
  EXPECT_EQ(r.failure, "");
  std::ostringstream perBoard;
  for (int64_t f : r.framesPerBoard) perBoard << f << " ";
  std::printf("[auto player] %s, seed %u: boards finished %d at frames %s\n", Name(c).c_str(), seed, r.boardsFinished,
              perBoard.str().c_str());
  if (onlyBoards >= 0) {
    // The short runs check the invariants and the flow; whether the player
    // wins is asserted by the whole-set runs.
    EXPECT_TRUE(r.boardsFinished == onlyBoards || r.endScene == kSceneHighScores) << "ended in scene " << r.endScene;
    return;
  }
  EXPECT_TRUE(r.finished) << "ended in scene " << r.endScene;
  EXPECT_EQ(h.Community().added["BoardsCompleted"], static_cast<float>(c.boards * c.players));
  const std::vector<std::string> achievement{boardSet.GetAchievementName()};
  EXPECT_EQ(h.Community().unlocked, achievement);
  const std::vector<std::string> file = h.CharmsFile();
  for (const std::string& name : collectedCharms) {
    EXPECT_NE(std::find(file.begin(), file.end(), name), file.end()) << name;
  }
  if (o.classicRules) {
    for (int id : {21, 22, 23}) EXPECT_EQ(r.powerUps[id], 0) << id;
    EXPECT_EQ(r.charmsCollected, 0);
  }
  if (o.kidMode) {
    for (int id : {13, 16, 18, 23}) EXPECT_EQ(r.powerUps[id], 0) << id;
  }
  std::ostringstream caught;
  for (int id = 0; id < 24; ++id) caught << r.powerUps[id] << (id < 23 ? "," : "");
  std::printf("[auto player] %s, seed %u: %lld frames, %d lives lost, power-ups %s, %d charms, at most %d entities\n",
              Name(c).c_str(), seed, static_cast<long long>(r.frames), r.livesLost, caught.str().c_str(),
              r.charmsCollected, r.mostEntities);
}

const Config kConfigs[] = {
    {"Starter.bdz", 12, 1, "default", false},   {"Starter.bdz", 12, 1, "classic", true},
    {"Starter.bdz", 12, 1, "kid", false},       {"Starter.bdz", 12, 2, "default", true},
    {"Starter.bdz", 12, 2, "classic", false},   {"Starter.bdz", 12, 2, "kid", true},
    {"StarterWide.bdz", 8, 1, "default", true}, {"StarterWide.bdz", 8, 1, "classic", false},
    {"StarterWide.bdz", 8, 1, "kid", true},     {"StarterWide.bdz", 8, 2, "default", false},
    {"StarterWide.bdz", 8, 2, "classic", true}, {"StarterWide.bdz", 8, 2, "kid", false},
};

class AutoPlayerSets : public testing::TestWithParam<Config> {};

}  // namespace

#ifdef VANTREL_LONG_RUNS
// The whole set, one seed and then eight, per configuration (the "long"
// label: a set is about a hundred thousand frames).
TEST_P(AutoPlayerSets, PlaysTheSetToTheEnd) { PlaySetToTheEnd(GetParam(), 1); }
TEST_P(AutoPlayerSets, PlaysTheSetToTheEndWithEightSeeds) {
  for (uint32_t seed = 2; seed <= 9; ++seed) PlaySetToTheEnd(GetParam(), seed);
}
#else
// The first board of the set, with every invariant checked each frame.
TEST_P(AutoPlayerSets, PlaysTheFirstBoard) { PlaySetToTheEnd(GetParam(), 1, 1); }
#endif

INSTANTIATE_TEST_SUITE_P(Starter, AutoPlayerSets, testing::ValuesIn(kConfigs), [](const auto& info) {
  std::string n = Name(info.param);
  for (char& ch : n) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return n;
});

#ifndef VANTREL_LONG_RUNS
namespace {

uint64_t Mix(uint64_t h, uint64_t v) { return (h ^ v) * 1099511628211ull; }

// Score, lives, the cells, the entity counts by kind and the presented picture.
uint64_t StateHash(PlayHarness& h) {
  uint64_t hash = 1469598103934665603ull;
  hash = Mix(hash, static_cast<uint64_t>(play.player.score));
  hash = Mix(hash, static_cast<uint64_t>(play.player.lives));
  for (int32_t c = 0; c < boardSet.columns; ++c) {
    for (int32_t r = 0; r < 20; ++r) hash = Mix(hash, static_cast<uint64_t>(h.Cell(c, r)));
  }
  for (int32_t kind = 0; kind < kEntityKindCount; ++kind) {
    hash = Mix(hash, static_cast<uint64_t>(h.Count(static_cast<EntityKind>(kind))));
  }
  for (int32_t y = 0; y < 720; y += 3) {
    for (int32_t x = 0; x < 1280; x += 3) hash = Mix(hash, h.Driver().PresentedAt(x, y));
  }
  return hash;
}

uint64_t RunForReplay(uint32_t seed) {
  PlayOptions o;
  o.generatedPack = true;
  o.seed = seed;
  PlayHarness h(o);
  h.Begin();
  AutoPlayer player(seed);
  AutoRunConfig config;
  config.maxFrames = 3000;
  config.frameLengths = {16, 16, 33, 9};
  const AutoRunResult r = RunAutoGame(h, player, config);
  EXPECT_EQ(r.failure, "");
  return StateHash(h);
}

}  // namespace

TEST(AutoPlayerReplay, SameSeedSameGame) {
  const uint64_t first = RunForReplay(5);
  const uint64_t second = RunForReplay(5);
  EXPECT_EQ(first, second);
  EXPECT_NE(RunForReplay(6), first);
}

TEST(AutoPlayerSoak, HostileBoardsKeepEveryInvariant) {
  for (int32_t columns : {20, 26}) {
    for (uint32_t seed : {11u, 12u}) {
      SCOPED_TRACE(testing::Message() << columns << " columns, seed " << seed);
      PlayOptions o;
      o.generatedPack = true;
      o.seed = seed;
      PlayHarness h(o);
      std::mt19937 rng(seed);
      const int32_t count = boardSet.bricks.count;
      const int32_t values[] = {0, 1, count, count + 1, 999, 1000, 5000, -1, -count, -1000, INT_MIN, INT_MAX};
      boardSet.columns = columns;
      boardSet.boardCount = 3;
      for (int32_t b = 0; b < 3; ++b) {
        for (int32_t& cell : boardSet.boards[b].cells) {
          const uint32_t pick = rng() % 16;
          cell = pick < 12 ? values[pick] : static_cast<int32_t>(rng() % static_cast<uint32_t>(count)) + 1;
        }
      }
      nonFiniteResets = 0;
      h.Begin();
      AutoPlayer player(seed);
      AutoRunConfig config;
      config.maxFrames = 5000;
      config.frameLengths = {16, 50, 9, 33};
      const AutoRunResult r = RunAutoGame(h, player, config);
      EXPECT_EQ(r.failure, "");
    }
  }
}
#endif
