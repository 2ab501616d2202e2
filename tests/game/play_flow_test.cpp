// Game, board and player flow in play: losing balls and the end of a game,
// players taking turns, boards and sets finished, the anti-stall zap and the
// last-bricks timer, the pause, and the faults found in these paths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/game_flow.h"
#include "game/play/play_state.h"
#include "game/play/player_state.h"
#include "game/scenes/menu_pointer.h"
#include "game/scenes/options.h"
#include "game/scenes/transition.h"
#include "game/support/game_driver.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/seal/seal.h"
#include "platform/window.h"
#include "game/support/play_harness.h"

using vantrel::test::PlayHarness;
using vantrel::test::PlayOptions;
using vantrel::test::Rows;

namespace {

void DropBallOut(PlayHarness& h) { h.PlaceBall(300.0f, 716.0f, 0.0f, 300.0f); }

// Counts an aggregate's members: the most values a brace initialisation of
// it takes. The tests that set every member of a run check it, so a member
// added later fails them until it is set there too.
struct AnyValue {
  template <class T>
  operator T() const;
};
template <class T, class... Given>
constexpr size_t MemberCount() {
  if constexpr (requires { T{Given{}..., AnyValue{}}; }) {
    return MemberCount<T, Given..., AnyValue>();
  } else {
    return sizeof...(Given);
  }
}

int32_t OrangeDeathSparks() {
  int32_t n = 0;
  for (Entity* e = entityHead.next; e; e = e->next) n += e->kind == kEntitySpark && e->value == 2000 && e->flags == 0;
  return n;
}

void WaitForNextGo(PlayHarness& h) {
  h.StepUntil([] { return !play.board.ballLost || program.sceneNumber != kScenePlay; }, 400, 16);
  h.Step();  // a player change: the board finished frame
  h.Step();  // and the board's first frame
  h.SkipTransition();
}

}  // namespace

TEST(PlayFlow, LosingABallAndTheGame) {
  for (int32_t players : {1, 2}) {
    SCOPED_TRACE(testing::Message() << players << " players");
    PlayOptions o;
    o.players = players;
    PlayHarness h(o);
    h.MakeSet({Rows({"RRRR", "", "", "", "RRRR"})});
    h.Begin();
    h.MoveMouse(640);
    h.Step();
    SetBrick(1, 0, 0);
    DropBallOut(h);
    h.ClearSounds();
    h.Step();
    EXPECT_EQ(h.SoundCount(kSoundByeBall), 1);
    EXPECT_TRUE(h.Balls().empty());
    EXPECT_EQ(play.board.ballLost, 0);
    h.Step();
    EXPECT_EQ(play.board.ballLost, 1);
    EXPECT_EQ(play.player.lives, 2);
    EXPECT_EQ(OrangeDeathSparks(), 32);
    std::vector<float> at;
    for (const auto& s : h.Sounds()) {
      if (s.sample == kSoundPadExplode) at.push_back(s.x);
    }
    EXPECT_EQ(at, (std::vector<float>{0.0f, 640.0f}));
    EXPECT_EQ(LoseBall(), 0);  // once only
    EXPECT_EQ(play.player.lives, 2);

    // The 2000 ms wait, then play on with the broken brick still broken.
    int32_t waited = 0;
    while (play.board.ballLost && waited < 3000) {
      h.Step(16);
      waited += 16;
    }
    EXPECT_GT(waited, 2000 - 16);
    EXPECT_LE(waited, 2000 + 32);
    if (players > 1) WaitForNextGo(h);  // player 2's go
    if (players == 1) {
      EXPECT_EQ(h.Cell(1, 0), 0);
      ASSERT_EQ(h.Balls().size(), 1u);
      EXPECT_EQ(h.Balls()[0]->flags & 1, 1);
    } else {
      EXPECT_EQ(play.game.currentPlayer, 1);
      EXPECT_NE(h.Cell(1, 0), 0) << "player 2 plays an intact board";
    }

    // The last life: "Game Over" each frame of the wait, then the scores.
    play.player.lives = 1;
    h.Step();
    DropBallOut(h);
    h.Steps(2);
    ASSERT_EQ(play.board.ballLost, 1);
    for (int i = 0; i < 20; ++i) {
      h.Step();
      EXPECT_EQ(play.statusLine1, "Game Over");
      EXPECT_EQ(play.statusLine2, players > 1 ? "Player " + std::to_string(play.game.currentPlayer + 1) : "");
    }
    if (players == 1) {
      h.StepUntil([] { return program.sceneNumber != kScenePlay; }, 200);
      EXPECT_EQ(program.sceneNumber, kSceneHighScores);
    } else {
      WaitForNextGo(h);
      EXPECT_EQ(program.sceneNumber, kScenePlay);
      EXPECT_EQ(play.game.currentPlayer, 0);
    }
    EXPECT_EQ(h.Community().added.count("BoardsCompleted"), 0u) << "a player change counted as a finished board";
  }
}

TEST(PlayFlow, ThreePlayersTakeTurnsWithTheirOwnBoards) {
  PlayOptions o;
  o.players = 3;
  PlayHarness h(o);
  h.MakeSet({Rows({"RRRR", "", "", "", "RRRR"})});
  h.Begin();
  EXPECT_EQ(play.statusLine1, "Get Ready");
  EXPECT_EQ(play.statusLine2, "Player 1");
  h.MoveMouse(640);
  playerSlots[2].run.lives = 0;  // player 3 is out
  h.Step();
  SetBrick(0, 0, 0);
  SetBrick(1, 0, 0);
  play.player.score = 777;
  DropBallOut(h);
  h.Steps(2);
  WaitForNextGo(h);
  EXPECT_EQ(play.game.currentPlayer, 1);
  EXPECT_EQ(h.Cell(0, 0), h.Brick('R'));
  EXPECT_EQ(play.player.score, 0);
  EXPECT_EQ(play.player.lives, 3);
  EXPECT_EQ(play.statusLine2, "Player 2");
  EXPECT_EQ(h.Community().added.count("BoardsCompleted"), 0u);
  EXPECT_EQ(h.Community().stores, 0);

  DropBallOut(h);
  h.Steps(2);
  h.StepUntil([] { return !play.board.ballLost; }, 400);
  EXPECT_EQ(play.game.currentPlayer, 0) << "player 3 has no lives left";
  EXPECT_EQ(play.player.score, 777);
  EXPECT_EQ(play.game.shownScore, 777) << "the restored score shows at once";
  h.Steps(2);
  h.SkipTransition();
  EXPECT_EQ(h.Cell(0, 0), 0);
  EXPECT_EQ(h.Cell(1, 0), 0);
  EXPECT_EQ(h.Cell(2, 0), h.Brick('R'));
  EXPECT_EQ(play.player.lives, 2);
  EXPECT_EQ(h.Community().added.count("BoardsCompleted"), 0u);
}

TEST(PlayFlow, SlotsOfAnEarlierLargerGameDoNotEndALostGameAsCompleted) {
  PlayHarness h;
  h.MakeSet({Rows({"RRRR"})});
  // An earlier four-player game left player 4 past the last board.
  playerSlots[3].board = 5;
  playerSlots[3].run.lives = 2;
  h.Begin();
  h.MoveMouse(640);
  play.player.lives = 1;
  h.Step();
  DropBallOut(h);
  h.StepUntil([] { return program.sceneNumber != kScenePlay; }, 300);
  EXPECT_EQ(program.sceneNumber, kSceneHighScores);
}

TEST(PlayFlow, FinishingBoardsAndTheSet) {
  for (bool cheat : {false, true}) {
    SCOPED_TRACE(cheat ? "cheat mode" : "normal");
    PlayHarness h;
    h.MakeSet({Rows({"", "", "..R"}), Rows({"", "", "", "R"})});
    h.Begin();
    h.MoveMouse(640);
    settings.cheatMode = cheat;
    h.Step();
    SetBrick(2, 2, 0);
    h.StepUntil([] { return play.board.boardPending == 1; }, 10);
    EXPECT_EQ(h.Community().added["BoardsCompleted"], cheat ? 0.0f : 1.0f);
    EXPECT_EQ(h.Community().stores, cheat ? 0 : 1);
    EXPECT_TRUE(h.CharmsFileExists());
    EXPECT_EQ(boardSet.currentBoard, 1);
    h.Step();
    EXPECT_EQ(transition.transitionRunning, 1);
    h.SkipTransition();
    ASSERT_EQ(h.Balls().size(), 1u);
    EXPECT_EQ(h.Balls()[0]->flags & 1, 1);

    SetBrick(0, 3, 0);
    h.StepUntil([] { return program.sceneNumber != kScenePlay; }, 10);
    EXPECT_EQ(program.sceneNumber, kSceneCompleted);
    EXPECT_EQ(h.Community().added["BoardsCompleted"], cheat ? 0.0f : 2.0f);
    const std::vector<std::string> expected = cheat ? std::vector<std::string>{}
                                                    : std::vector<std::string>{boardSet.GetAchievementName()};
    EXPECT_EQ(h.Community().unlocked, expected);
    // The finished player's board is the board count: still a record.
    EXPECT_EQ(playerSlots[0].board, 2);
    EXPECT_EQ(boardSet.currentBoard, 2);
  }
}

TEST(PlayFlow, BoardWithoutBreakableBricksClearsOnItsFirstFrame) {
  PlayHarness h;
  h.MakeSet({Rows({"HHH"}), Rows({"R"})});
  h.Begin();
  h.Step();
  EXPECT_EQ(play.board.boardCleared, 1);
  h.Step();
  EXPECT_EQ(boardSet.currentBoard, 1);
}

TEST(PlayFlow, CheatKeysChooseTheNextBoardClamped) {
  PlayHarness h;
  h.MakeSet({Rows({"R"}), Rows({"R"}), Rows({"R"})});
  h.Begin();
  settings.cheatMode = 1;
  h.Key(plat::kKeyLeft);  // board -1
  h.Step();
  EXPECT_EQ(play.board.boardPending, 1);
  EXPECT_EQ(boardSet.currentBoard, 0);
  boardSet.SetCurrentBoard(-5);
  EXPECT_EQ(boardSet.currentBoard, 0);
  boardSet.SetCurrentBoard(999);
  EXPECT_EQ(boardSet.currentBoard, 2);
}

TEST(PlayFlow, AntiStallZapsTheHardBricks) {
  struct Case {
    int32_t hits;
    int32_t sinceFirst;
    bool zaps;
  };
  const Case cases[] = {{101, 0, true}, {100, 0, false}, {11, 60001, true}, {11, 60000, false}, {10, 90000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hits << " hits over " << c.sinceFirst << " ms");
    PlayHarness h;
    h.MakeSet({Rows({"HHR"})});
    h.Begin();
    h.HoldAllBalls();
    play.game.playClock = 100000;
    play.board.invinHits = c.hits;
    play.firstInvinHitTime = play.game.playClock - c.sinceFirst;
    h.Step();
    EXPECT_EQ(h.Cell(0, 0), c.zaps ? h.Brick('Z') : h.Brick('H'));
    EXPECT_EQ(play.board.invinHits, c.zaps ? 0 : c.hits);
  }
}

TEST(PlayFlow, LastBricksTimerSoundsAndStrikes) {
  PlayHarness h;
  h.MakeSet({Rows({"", "", "", "", "", "", "..........R", "HHHHHHHH"})});
  h.Begin();
  h.HoldAllBalls();
  h.ClearSounds();
  // Held while the score counts up: the elapsed time stays 0.
  play.player.score = play.game.shownScore + 100000;
  h.Steps(200, 50);
  EXPECT_EQ(h.SoundCount(kSoundHighVoltage), 1);
  play.player.score = play.game.shownScore;
  h.ClearSounds();
  int32_t frames = 0;
  while (h.Count(kEntityLightning) == 0 && frames < 1400) {
    h.Step(50);
    ++frames;
  }
  EXPECT_NEAR(frames * 50, 60000, 200);
  // Step 0 sounded while the score counted up; steps 1..13 since.
  EXPECT_EQ(h.SoundCount(kSoundHighVoltage), 60000 / 4400);
  EXPECT_EQ(play.board.lastBricksStart, 0);
  h.StepUntil([&] { return h.Cell(10, 6) == 0; }, 20, 50);
  EXPECT_EQ(h.Cell(10, 6), 0);
}

TEST(PlayFlow, PauseFreezesPlayAndItsButtonsWork) {
  PlayHarness h;
  h.MakeSet({Rows({"RRRR"})});
  h.Begin();
  h.MoveMouse(640);
  Entity* ball = h.PlaceBall(640.0f, 400.0f, 100.0f, -300.0f);
  h.Step();
  h.KeyDown('P');
  h.Step();
  ASSERT_EQ(play.board.paused, 1);
  const float x = ball->x, y = ball->y;
  const int32_t clock = play.game.playClock;
  h.Steps(5);
  EXPECT_EQ(ball->x, x);
  EXPECT_EQ(ball->y, y);
  EXPECT_EQ(play.game.playClock, clock);
  EXPECT_EQ(program.frameMs, 0);
  EXPECT_EQ(play.statusLine1, "Game Paused");
  // Still down: a second press does not resume.
  h.KeyDown('P');
  h.Step();
  EXPECT_EQ(play.board.paused, 1);
  h.KeyUp('P');
  // A click beside the buttons does nothing.
  h.MoveMouse(100, 100);
  h.Click();
  h.Step();
  EXPECT_EQ(play.board.paused, 1);
  // The paddle and the ball are gone from the screen while paused.
  EXPECT_EQ(h.BackBufferDiffersFromBackdrop({{0, 315, 1280, 455}, {100, 100, 140, 140}}), 0);
  // Resume with button 0.
  h.MoveMouse(400, 400);
  h.Step();
  h.Click();
  h.Step();
  EXPECT_EQ(play.board.paused, 0);
  h.Step();
  EXPECT_NE(ball->y, y);

  // Button 2 leaves for the main menu and saves the charms.
  h.Key('P');
  h.Step();
  ASSERT_EQ(play.board.paused, 1);
  h.MoveMouse(700, 400);
  h.Step();
  h.Click();
  h.Step();
  EXPECT_EQ(program.sceneNumber, kSceneOptions);
  EXPECT_TRUE(h.CharmsFileExists());
}

TEST(PlayFlow, NoCursorImageStaysAfterResumingWithTheKey) {
  PlayHarness h;
  h.MakeSet({Rows({"RRRR"})});  // enough bricks that no charm comes yet
  h.Begin();
  h.HoldAllBalls();
  h.MoveMouse(640);
  h.Step();
  h.Key('P');
  h.MoveMouse(300, 200);
  h.Steps(3);
  ASSERT_EQ(play.board.paused, 1);
  EXPECT_GT(h.BackBufferDiffersFromBackdrop({{0, 315, 1280, 455}}), 0) << "the cursor is drawn while paused";
  h.Key('P');
  h.Step();
  ASSERT_EQ(play.board.paused, 0);
  h.Steps(2);
  // Outside the paddle's area nothing but the board is left.
  EXPECT_EQ(h.BackBufferDiffersFromBackdrop({{0, 600, 1280, 720}}), 0);
  EXPECT_EQ(softCursor.x, -1);
}

TEST(PlayFlow, FailedDisplayLockStillRemovesTheDeadAndMoves) {
  PlayHarness h;
  h.MakeSet({Rows({"RRRR"})});
  h.Begin();
  h.MoveMouse(640);
  h.Step();
  Entity* ball = h.PlaceBall(200.0f, 500.0f, 0.0f, 400.0f);
  TheDisplay().FreeBuffers();
  const float y = ball->y;
  h.Step();
  EXPECT_GT(ball->y, y) << "positions are still integrated";
  h.StepUntil([] { return play.board.ballLost == 1; }, 40);
  EXPECT_EQ(play.board.ballLost, 1);
  int32_t entities = 0;
  for (Entity* e = entityHead.next; e; e = e->next) ++entities;
  h.Steps(150);  // the death sparks run out
  int32_t after = 0;
  for (Entity* e = entityHead.next; e; e = e->next) ++after;
  EXPECT_LT(after, entities);
}

TEST(PlayFlow, LivesStripKeepsTheTextAndOnlyWholeIcons) {
  PlayHarness h;
  h.MakeSet({Rows({"R"})});
  h.Begin();
  h.HoldAllBalls();
  play.player.lives = 3;
  play.hudDirty = 1;
  h.Step();
  // The centred line's area of the HUD with few lives...
  const int32_t quarter = 320;
  std::vector<uint32_t> line;
  for (int32_t y = 0; y < 40; ++y) {
    for (int32_t x = quarter; x < 3 * quarter; x += 1) line.push_back(sceneBackdrop.GetPixel(x, y));
  }
  for (int32_t many : {9, 30, 200}) {
    play.player.lives = many;
    play.hudDirty = 1;
    h.Step();
    std::vector<uint32_t> now;
    for (int32_t y = 0; y < 40; ++y) {
      for (int32_t x = quarter; x < 3 * quarter; x += 1) now.push_back(sceneBackdrop.GetPixel(x, y));
    }
    // ... is the same with many lives except where icons were drawn right
    // of the text: no icon pixel and no erased text left of its end.
    int32_t changedLeftOfText = 0;
    const int32_t tw = sysFont.TextWidth("Player 1    Board 1");
    const int32_t textRight = quarter + (2 * quarter - tw) / 2 + tw;
    for (int32_t y = 0; y < 40; ++y) {
      for (int32_t x = quarter; x < std::min(textRight, 3 * quarter); ++x) {
        const size_t i = static_cast<size_t>(y) * (2 * quarter) + (x - quarter);
        changedLeftOfText += line[i] != now[i];
      }
    }
    EXPECT_EQ(changedLeftOfText, 0) << many << " lives";
    EXPECT_EQ(play.player.lives, many);
  }
}

TEST(PlayFlow, PlayerSlotsOutsideTheFourAreIgnored) {
  PlayHarness h;
  h.MakeSet({Rows({"R"}), Rows({"R"})});
  h.Begin();
  play.player.score = 123;
  SavePlayerState(4);
  SavePlayerState(-1);
  RestorePlayerState(7);
  EXPECT_EQ(play.player.score, 123);
  // Restoring copies only the set's boards.
  boardSet.boards[2].cells[0] = 99;
  SavePlayerState(0);
  playerSlots[0].boards[2].cells[0] = 55;
  RestorePlayerState(0);
  EXPECT_EQ(boardSet.boards[2].cells[0], 99);
  EXPECT_EQ(play.player.score, 123);
  EXPECT_EQ(play.game.shownScore, 123);
}

// A board start is one assignment of a fresh board run plus what the board
// derives, so no board value carries into the next board: every member set
// away from its start value comes back, in kid mode with the larger paddle.
TEST(PlayFlow, ABoardStartPutsEveryBoardValueBack) {
  for (const bool kid : {false, true}) {
    SCOPED_TRACE(kid ? "kid mode" : "default mode");
    PlayOptions o;
    o.kidMode = kid;
    o.players = 2;
    PlayHarness h(o);
    h.MakeSet({Rows({"RRRRRRRR", "RRRRRRRR", "HHHH"})});  // 16 breakable bricks
    h.Begin();
    Entity charm;
    static_assert(MemberCount<BoardRun>() == 21, "a new BoardRun member: give it a value it does not start with here");
    BoardRun& b = play.board;
    b.paused = 1;
    b.paddleSize = 4;
    b.throughOn = b.fireballOn = b.catchOn = b.laserOn = b.fallArmed = 1;
    b.gravityOn = 60000;
    b.doubleScoreMs = 5000;
    b.paddleSink = 12.5f;
    b.paddleSinkTrail = 7.5f;
    b.invinHits = 40;
    b.fallRunning = 1;
    b.fallColumn = 3;
    b.boardCleared = b.boardPending = b.ballLost = 1;
    b.charmEntity = &charm;
    b.heldFrames = 9;
    b.lastBricksStart = 777;
    b.statusExpiry = 888;
    input.paddleButtonHeld = 1;
    input.anyInputThisFrame = 1;
    InsertEntityFirst(kEntitySpark, 0, 0, 10.0f, 10.0f, 0.0f, 0.0f);
    exploQueueHead.InsertAfter(new ExploQueue(1, 1));
    play.player = PlayerRun{4321, 2, 3, 99};
    play.game.currentPlayer = 1;

    StartBoard();

    BoardRun expected;
    expected.paddleSize = kid ? 2 : 1;
    expected.statusExpiry = play.game.playClock + 2000;  // "Get Ready" with two players
    EXPECT_TRUE(play.board == expected);
    EXPECT_EQ(play.statusLine2, "Player 2");
    EXPECT_EQ(input.paddleButtonHeld, 0);
    EXPECT_EQ(input.anyInputThisFrame, 0);
    // The held ball alone on the paddle, the queue empty.
    ASSERT_NE(entityHead.next, nullptr);
    const Entity* ball = entityHead.next;
    EXPECT_EQ(ball->next, nullptr);
    EXPECT_EQ(ball->kind, kEntityBall);
    EXPECT_EQ(ball->value, kid ? kBallBig : kBallNormal);
    EXPECT_EQ(ball->flags, kBallHeld);
    EXPECT_EQ(ball->aux, 6);
    EXPECT_EQ(ball->heldSpeed, 330);
    EXPECT_EQ(exploQueueHead.next, nullptr);
    // The charm delay comes from the board; the rest of the player's run stays.
    EXPECT_EQ(boardSet.bricksAtStart, 16);
    EXPECT_TRUE(play.player == (PlayerRun{4321, 2, 3, 12}));
  }
}

// A game start is a fresh game run and a fresh run for every player; a turn
// keeps and gives back the whole player's run.
TEST(PlayFlow, AGameStartsEveryPlayerAlikeAndATurnKeepsThePlayersRun) {
  PlayOptions o;
  o.players = 3;
  PlayHarness h(o);
  h.MakeSet({Rows({"RRRR"}), Rows({"RRRRRRRR"})});
  h.Begin();
  static_assert(MemberCount<GameRun>() == 7 && MemberCount<PlayerRun>() == 4,
                "a new GameRun or PlayerRun member: give it a value it does not start with here");
  play.game = GameRun{50000, 2, 17, 400, 300, 200, 1};
  play.player = PlayerRun{999, 1, 5, 0};
  for (PlayerSlot& slot : playerSlots) slot.run = PlayerRun{5, 0, 6, 7};

  StartGame();

  EXPECT_TRUE(play.game == GameRun());
  EXPECT_TRUE(play.player == (PlayerRun{0, 3, 0, 3}));  // 4 bricks: charm delay 3
  for (int32_t p = 0; p < 3; ++p) {
    SCOPED_TRACE(p);
    EXPECT_TRUE(playerSlots[p].run == PlayerRun());
    EXPECT_EQ(playerSlots[p].board, 0);
  }
  EXPECT_TRUE(playerSlots[3].run == (PlayerRun{5, 0, 6, 7})) << "a slot past the game's players is left alone";
  EXPECT_EQ(play.board.boardPending, 1);

  const PlayerRun run{1234, 2, 1, 40};
  play.player = run;
  SavePlayerState(1);
  play.player = PlayerRun();
  RestorePlayerState(1);
  EXPECT_TRUE(play.player == run);
  EXPECT_EQ(play.game.shownScore, 1234);
}

TEST(PlayFlow, PlayerCountIsClampedWhereItIsRead) {
  for (int32_t count : {0, 9}) {
    PlayOptions o;
    o.players = count;
    PlayHarness h(o);
    h.MakeSet({Rows({"RR"})});
    h.Begin();
    h.MoveMouse(640);
    for (int turn = 0; turn < 5; ++turn) {
      DropBallOut(h);
      h.Steps(2);
      h.StepUntil([] { return !play.board.ballLost || program.sceneNumber != kScenePlay; }, 400);
      EXPECT_GE(play.game.currentPlayer, 0);
      EXPECT_LT(play.game.currentPlayer, count == 0 ? 1 : 4);
      h.Steps(3);
      h.SkipTransition();
      if (program.sceneNumber != kScenePlay) break;
    }
  }
}

TEST(PlayFlow, NextPlayerSkipsPlayersWithoutLivesAndWraps) {
  PlayHarness h;
  h.MakeSet({Rows({"R"})});
  h.Begin();
  optionsScreen.playerCount = 3;
  playerSlots[0] = playerSlots[1] = playerSlots[2] = PlayerSlot{};
  for (auto& s : playerSlots) s.board = 0;
  playerSlots[0].run.lives = 3;
  playerSlots[1].run.lives = 0;
  playerSlots[2].run.lives = 2;
  play.game.currentPlayer = 0;
  EXPECT_EQ(NextPlayer(), 1);
  EXPECT_EQ(play.game.currentPlayer, 2);
  EXPECT_EQ(NextPlayer(), 1);
  EXPECT_EQ(play.game.currentPlayer, 0);
  playerSlots[0].run.lives = playerSlots[2].run.lives = 0;
  EXPECT_EQ(NextPlayer(), 0);
  EXPECT_EQ(play.game.currentPlayer, 0);
}

TEST(PlayFlow, PaddleBallAndArcsVanishWhilePaused) {
  PlayHarness h;
  h.MakeSet({Rows({"RRRR"})});  // enough bricks that no charm comes yet
  h.Begin();
  h.MoveMouse(640);
  h.Steps(3);  // the ball waits on the paddle with its arcs
  ASSERT_GT(play.board.heldFrames, 0);
  h.Key('P');
  h.MoveMouse(500, 400);  // the cursor stays within the status strip
  h.Steps(3);
  ASSERT_EQ(play.board.paused, 1);
  EXPECT_EQ(h.BackBufferDiffersFromBackdrop({{0, 315, 1280, 455}}), 0);
}

namespace {

bool MusicPlays() {
  plat::seal::ModuleInfo module;
  plat::seal::GetModuleInfo(&module);
  return module.playing != nullptr;
}

// What the window shows for a pixel of a 16-bit picture.
uint32_t ShownPixel(const Bitmap& picture, int32_t x, int32_t y) {
  uint16_t v = 0;
  std::memcpy(&v, picture.pixels + static_cast<ptrdiff_t>(y) * picture.stride + x * 2, 2);
  uint8_t r = 0, g = 0, b = 0;
  program.screenFormat.UnpackPixel(v, &r, &g, &b);
  return vantrel::test::Through555(uint32_t(r) << 16 | uint32_t(g) << 8 | b);
}

}  // namespace

TEST(PlayFlow, InGameMusicStartsWithEachBoardAndF5TurnsItOffAndOn) {
  PlayHarness h;
  h.MakeSet({Rows({"R"}), Rows({"R"})});
  settings.useInGameMods = 1;
  ASSERT_GT(soundBank.playlistLength, 1);
  const int32_t first = soundBank.playlistPosition;
  auto next = [](int32_t p) { return (p + 1) % soundBank.playlistLength; };
  h.Begin();
  EXPECT_EQ(play.musicStarted, 0) << "nothing plays before the board's first play frame";
  h.Step();
  EXPECT_EQ(play.musicStarted, 1);
  EXPECT_TRUE(MusicPlays());
  EXPECT_EQ(soundBank.playlistPosition, next(first));
  EXPECT_EQ(soundBank.currentModule, -1) << "the menus start their own music again";
  h.Steps(3);
  EXPECT_EQ(soundBank.playlistPosition, next(first)) << "one module per board";

  h.Key(plat::kKeyF1 + 4);  // F5: off
  h.Step();
  EXPECT_EQ(settings.useInGameMods, 0);
  EXPECT_EQ(play.musicStarted, 0);
  EXPECT_FALSE(MusicPlays());
  h.Steps(3);
  EXPECT_FALSE(MusicPlays());

  h.Key(plat::kKeyF1 + 4);  // F5: on again, with the next module
  h.Step();
  EXPECT_EQ(play.musicStarted, 1);
  EXPECT_TRUE(MusicPlays());
  EXPECT_EQ(soundBank.playlistPosition, next(next(first)));

  // The next board starts the next module once its transition is over.
  SetBrick(0, 0, 0);
  ASSERT_TRUE(h.StepUntil([] { return boardSet.currentBoard == 1 && transition.transitionRunning; }, 50));
  EXPECT_EQ(play.musicStarted, 0);
  h.SkipTransition();
  h.Step();
  EXPECT_EQ(play.musicStarted, 1);
  EXPECT_EQ(soundBank.playlistPosition, next(next(next(first))));
}

TEST(PlayFlow, ABoardStartsBehindTheBlendedBand) {
  PlayHarness h;
  h.MakeSet({Rows({"RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR"})});
  // The screen before the board: one flat colour.
  plat::WindowRect ignored;
  FillRectColour(0, 0, 720, 1280, 200, 40, 40, &ignored);
  TheDisplay().Present(0);
  const uint32_t old = vantrel::test::Through555(0xC82828);
  StartGame();
  program.sceneNumber = kScenePlay;
  h.Step();
  ASSERT_EQ(transition.transitionRunning, 1);
  EXPECT_EQ(transition.transitionStyle, 1);
  const int32_t clockAtStart = play.game.playClock;
  h.Steps(60);  // about halfway
  ASSERT_EQ(transition.transitionRunning, 1);
  EXPECT_EQ(play.game.playClock, clockAtStart) << "the board waits for its transition";
  const int32_t e = transition.transitionBand.top;
  ASSERT_GT(e, 100);
  ASSERT_LT(e, 600);
  // The new picture is the board as drawn.
  ASSERT_EQ(transitionNewPicture.width, sceneBackdrop.width);
  for (int32_t y = 0; y < sceneBackdrop.height; y += 37)
    ASSERT_EQ(std::memcmp(transitionNewPicture.pixels + static_cast<ptrdiff_t>(y) * transitionNewPicture.stride,
                          sceneBackdrop.pixels + static_cast<ptrdiff_t>(y) * sceneBackdrop.stride,
                          static_cast<size_t>(sceneBackdrop.width) * 2),
              0)
        << "row " << y;
  vantrel::test::GameDriver& d = h.Driver();
  int64_t mixed = 0;
  for (int32_t x = 0; x < 1280; x += 7) {
    for (int32_t y = 0; y <= e; y += 3) ASSERT_EQ(d.PresentedAt(x, y), ShownPixel(transitionNewPicture, x, y)) << x;
    for (int32_t y = e + 50; y < 720; y += 3) ASSERT_EQ(d.PresentedAt(x, y), old) << x << "," << y;
    const uint32_t mid = d.PresentedAt(x, e + 25);
    mixed += mid != old && mid != ShownPixel(transitionNewPicture, x, e + 25);
  }
  EXPECT_GT(mixed, 100) << "the band blends the two";
  h.SkipTransition();
  h.Step();
  EXPECT_GT(play.game.playClock, clockAtStart);
  std::string why;
  EXPECT_TRUE(h.PresentedMatchesBackBuffer(&why)) << why;
}
