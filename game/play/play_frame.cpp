#include "game/play/play_frame.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>

#include "audio/sound_bank.h"
#include "community/community_manager.h"
#include "game/buttons.h"
#include "game/game_globals.h"
#include "game/play/board_background.h"
#include "game/play/brick_hits.h"
#include "game/play/charms.h"
#include "game/play/entities.h"
#include "game/play/entity_behaviour.h"
#include "game/play/explosions.h"
#include "game/play/game_flow.h"
#include "game/play/pause.h"
#include "game/play/play_state.h"
#include "game/play/player_state.h"
#include "game/play/powerup_deck.h"
#include "game/play/scoring.h"
#include "game/scenes/menu_pointer.h"
#include "game/scenes/transition.h"
#include "graphics/bitfont.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/clock.h"
#include "platform/random.h"

PlayState play;

PlayFrameCounters playFrameCounters;

namespace {

constexpr int32_t kHudHeight = 40;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int32_t Columns() { return std::clamp(boardSet.columns, 1, BoardRecord::kColumns); }

bool SameDepth(const Bitmap& a, const Bitmap& b) { return a.pixels && b.pixels && a.bytesPerPixel == b.bytesPerPixel; }

// Copies a rectangle of `from` onto the same place of `to` (pictures of the
// same size and depth), clipped to both.
void CopyPictureRect(Bitmap& to, const Bitmap& from, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (!SameDepth(to, from)) return;
  from.DrawPart(to.pixels, to.width, to.height, to.stride, x + from.hotX, y + from.hotY, x, y, w, h, 0, 256);
}

void DrawIntoPicture(Bitmap& to, const Bitmap* image, int32_t x, int32_t y) {
  if (!image || !SameDepth(to, *image)) return;
  image->Draw(to.pixels, to.width, to.height, to.stride, x, y, 1, 256);
}

void TargetFontAt(BitFont& font, Bitmap& picture) {
  font.SetTarget(picture.pixels, picture.width, picture.height, picture.stride, picture.bpp);
}

bool AnyPieceExplosionOrLightning() {
  for (const Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind == kEntityBrickPiece || e->kind == kEntityExplosion || e->kind == kEntityLightning) return true;
  }
  return false;
}

// A pending board draws its background, starts and fades in.
bool PendingBoard() {
  if (play.board.boardPending) SnapshotOldScreen();
  if (play.board.boardPending || program.backgroundDirty) {
    if (play.board.boardPending) HideInvisibleBricks();
    DrawBoardBackground(255, 255, 255);
    program.backgroundDirty = 0;
    program.fullRedraw = 1;
  }
  if (!play.board.boardPending) return false;
  if (transitionNewPicture.Create(sceneBackdrop.width, sceneBackdrop.height, sceneBackdrop.bpp)) {
    CopyPictureRect(transitionNewPicture, sceneBackdrop, 0, 0, sceneBackdrop.width, sceneBackdrop.height);
  }
  StartBoard();
  play.board.boardPending = 0;
  StartTransition(1);
  play.musicStarted = 0;
  return true;
}

void InGameMusic() {
  if (!play.musicStarted && settings.useInGameMods) {
    play.musicStarted = 1;
    PlayNextInGameMusic();
    soundBank.currentModule = -1;  // the menus start their own music again
  } else if (!settings.useInGameMods && play.musicStarted) {
    StopMusic();
    play.musicStarted = 0;
  }
}

// A cleared board, once no brick piece, explosion or lightning is left,
// leads to the next board, to the next player who can play or, with none
// left, to the completion scene. True when the frame ends here.
bool BoardFinished() {
  if (!play.board.boardCleared || play.board.ballLost || AnyPieceExplosionOrLightning()) return false;
  // A player change passes through here as a finished board: it is no
  // board completed.
  if (!settings.cheatMode && !play.game.playerChangePending && communityManager) {
    communityManager->AddToStat("BoardsCompleted", 1.0f);
    communityManager->StoreStats();
  }
  play.game.playerChangePending = 0;
  SaveCollectedCharms();
  if (play.nextBoard < boardSet.boardCount) {
    play.board.boardPending = 1;
    play.board.boardCleared = 0;
    boardSet.SetCurrentBoard(play.nextBoard);
    return true;
  }
  boardSet.currentBoard = std::clamp<int32_t>(play.nextBoard, 0, BoardSet::kMaxBoards);
  SavePlayerState(play.game.currentPlayer);
  program.fullRedraw = 1;
  if (NextPlayer()) {
    StartBoard();
    if (ActivePlayerCount() >= 2) {
      RestorePlayerState(play.game.currentPlayer);
      play.board.boardPending = 1;
      play.board.boardCleared = 0;
      boardSet.SetCurrentBoard(playerSlots[play.game.currentPlayer].board);
    }
  } else {
    if (!settings.cheatMode && communityManager) communityManager->UnlockAchievement(boardSet.GetAchievementName());
    program.sceneNumber = kSceneCompleted;
  }
  return true;
}

// Counts the bricks left: none finishes the board; with one or two left the
// last-bricks timer hums louder every 4.4 s and after a minute strikes
// lightning.
void BricksLeft() {
  const int32_t left = boardSet.CountBreakableBricks();
  if (left < 1 && !play.board.ballLost) {
    play.board.boardCleared = 1;
    play.nextBoard = boardSet.currentBoard + 1;
  }
  if (left != 1 && left != 2) return;
  if (play.board.lastBricksStart == 0) {
    play.board.lastBricksStart = play.game.playClock;
    play.lastBricksStep = -1;
    return;
  }
  if (play.game.shownScore != play.player.score)
    play.board.lastBricksStart = play.game.playClock;  // held while the score counts up
  const int32_t elapsed = play.game.playClock - play.board.lastBricksStart;
  const int32_t step = elapsed / 4400;
  if (step != play.lastBricksStep) {
    play.lastBricksStep = step;
    PlaySoundAt(kSoundHighVoltage, static_cast<float>(plat::Rand() % std::max(1, program.screenWidth)), 0,
                static_cast<int32_t>(int64_t{elapsed} * 63 / 60000));
  }
  if (elapsed > 60000) {
    LightningStrike(1);
    play.board.lastBricksStart = 0;
  }
}

// The explosive bricks step through their run of pictures.
void AnimateExplosiveBricks() {
  const int32_t columns = Columns();
  for (int32_t i = 0; i < 4 * program.frameMs; ++i) {
    play.animColumn = std::clamp(play.animColumn, 0, columns - 1);
    play.animRow = std::clamp(play.animRow, 0, BoardRecord::kRows - 1);
    const int32_t v = boardSet.GetCell(play.animColumn, play.animRow);
    if (v >= 1 && v <= 999 && boardSet.GetBrickType(v) == kBrickExplo) {
      const int32_t n = NextBrickInRun(v, kBrickExplo);
      if (n > 0) SetBrick(play.animColumn, play.animRow, n);
    }
    if (++play.animColumn >= columns) {
      play.animColumn = 0;
      play.animRow = (play.animRow + 1) % BoardRecord::kRows;
    }
  }
}

// The brick fall: one column per frame, right to left, drops by one row.
void BrickFall() {
  if (!play.board.fallRunning) return;
  const int32_t columns = Columns();
  play.board.fallColumn = std::clamp(play.board.fallColumn, 0, columns - 1);
  const int32_t c = play.board.fallColumn;
  for (int32_t r = BoardRecord::kRows - 2; r >= 0; --r) {
    const int32_t v = boardSet.GetCell(c, r);
    if (v == 0 || boardSet.GetCell(c, r + 1) != 0) continue;
    if (v < 0) {  // a hidden brick moves unseen
      boardSet.SetCell(c, r + 1, v);
      boardSet.SetCell(c, r, 0);
    } else {
      SetBrick(c, r + 1, v);
      SetBrick(c, r, 0);
    }
  }
  if (--play.board.fallColumn < 0) {
    play.board.fallColumn = columns;
    play.board.fallRunning = 0;
  }
}

// The explosion queue: at most one queued explosion every 25 ms.
void PopExplosionQueue() {
  ExploQueue* node = exploQueueHead.next;
  if (!node || std::abs(play.game.playClock - play.game.lastExplosionTime) <= 24) return;
  const int32_t c = node->column, r = node->row;
  const int32_t left = boardSet.GetBoardLeft();
  PlaySoundAt((plat::Rand() & 1) ? kSoundExplosionShorter : kSoundExplosionShort, static_cast<float>(left + c * 48), 0,
              63);
  const int32_t before = play.explosionToggle;
  play.explosionToggle = play.explosionToggle ? 0 : 1;
  const int32_t value = (before == 0 || node->next == nullptr) ? 0 : 1;
  AppendEntity(kEntityExplosion, value, 0, static_cast<float>(c), static_cast<float>(r), 0.0f, 0.0f);
  const int32_t cell = boardSet.GetCell(c, r);
  InsertEntityFirst(kEntityBrickPiece, cell, 0, static_cast<float>(c), static_cast<float>(r), 0.0f, 0.0f);
  if (cell != 0) {
    SetBrick(c, r, 0);
    AddScoreAtCell(8, c, r);
    MaybeDropPowerUp(c, r, 0);
  }
  UnlinkAndDelete(node);
  play.game.lastExplosionTime = play.game.playClock;
}

// The HUD: the score counting up, and on a redraw the player and board line
// and the lives.
void DrawHud() {
  const bool redraw = program.fullRedraw || play.hudDirty;
  if (!redraw && !(play.player.score != play.game.shownScore && (play.game.playClock - play.game.shownScoreTime > 25 ||
                                                                 play.player.score - play.game.shownScore > 50)))
    return;
  const int32_t left = boardSet.GetBoardLeft();
  play.game.shownScore = std::min(play.game.shownScore + 1, play.player.score);
  char text[64];
  std::snprintf(text, sizeof text, "%d", play.game.shownScore);
  const int32_t textWidth = std::max(chiselFont.TextWidth(text), 0);
  CopyPictureRect(sceneBackdrop, boardBackdrop, left + 4, 0, textWidth, kHudHeight);
  TargetFontAt(chiselFont, sceneBackdrop);
  chiselFont.DrawText(text, left + 4, 2);
  RestoreBackgroundRect(left + 4, 0, textWidth, kHudHeight);
  play.game.shownScoreTime = play.game.playClock;
  if (!redraw) return;

  const int32_t quarter = program.screenWidth / 4, half = program.screenWidth / 2;
  std::snprintf(text, sizeof text, "Player %d    Board %d", play.game.currentPlayer + 1, boardSet.currentBoard + 1);
  CopyPictureRect(sceneBackdrop, boardBackdrop, quarter, 0, half, kHudHeight);
  TargetFontAt(sysFont, sceneBackdrop);
  sysFont.DrawTextCentered(text, quarter, 14, half);
  RestoreBackgroundRect(quarter, 0, half, kHudHeight);

  // The lives strip ends at the board's right edge. Only the icons that fit
  // between the end of the text and that edge are drawn, and the strip
  // never reaches into the text.
  const Image* icon = paddleSet.GetImage(16);
  const Bitmap* iconFrame = icon ? icon->GetFrame(1) : nullptr;
  const int32_t iconWidth = iconFrame ? iconFrame->width : 0;
  const int32_t pitch = iconWidth + 6;
  const int32_t right = left + Columns() * BoardSet::kCellWidth;
  const int32_t textWidthLine = std::max(sysFont.TextWidth(text), 0);
  const int32_t textRight = quarter + std::max(0, (half - textWidthLine) / 2) + textWidthLine;
  const int64_t wanted = std::max<int64_t>(180, int64_t{std::max(play.player.lives - 1, 0)} * pitch);
  const int32_t stripLeft = static_cast<int32_t>(std::max<int64_t>(right - wanted, std::min(textRight, right)));
  CopyPictureRect(sceneBackdrop, boardBackdrop, stripLeft, 0, right - stripLeft, kHudHeight);
  if (iconFrame && pitch > 0) {
    for (int32_t j = 1; j < play.player.lives; ++j) {
      const int64_t iconLeft = int64_t{right} - int64_t{j} * pitch;
      if (iconLeft < stripLeft) break;
      DrawIntoPicture(sceneBackdrop, iconFrame, static_cast<int32_t>(iconLeft) + iconFrame->hotX, 10);
    }
  }
  RestoreBackgroundRect(stripLeft, 0, right - stripLeft, kHudHeight);
}

void RestoreCursorBacking() {
  if (softCursor.x < 0 || softCursor.y < 0) return;
  SurfaceLock lock;
  Display& display = TheDisplay();
  if (cursorBackdrop.pixels && display.Lock(&lock)) {
    if (cursorBackdrop.bytesPerPixel == lock.bytesPerPixel) {
      cursorBackdrop.DrawPart(lock.bits, lock.width, lock.height, lock.pitch, softCursor.x + cursorBackdrop.hotX,
                              softCursor.y + cursorBackdrop.hotY, 0, 0, cursorBackdrop.width, cursorBackdrop.height, 0,
                              256);
    }
    display.Unlock();
  }
  display.AddDirtyRect(softCursor.x, softCursor.y, cursorBackdrop.width, cursorBackdrop.height);
}

// The software cursor over the pause screen, with the screen under it kept.
void DrawSoftCursor() {
  const Bitmap* picture = cursorPicture.GetFrame(1);
  if (!picture || !picture->pixels) picture = &cursorPicture;
  const int32_t cw = std::max(picture->width, 1), ch = std::max(picture->height, 1);
  softCursor.x = std::clamp(input.mouseX, 0, std::max(0, program.screenWidth - cw));
  softCursor.y = std::clamp(input.mouseY, 0, std::max(0, program.screenHeight - ch));
  SurfaceLock lock;
  Display& display = TheDisplay();
  if (!display.Lock(&lock)) return;
  if (cursorBackdrop.width != cw || cursorBackdrop.height != ch || cursorBackdrop.bytesPerPixel != lock.bytesPerPixel) {
    cursorBackdrop.Create(cw, ch, lock.bytesPerPixel * 8);
  }
  if (cursorBackdrop.pixels && cursorBackdrop.bytesPerPixel == lock.bytesPerPixel) {
    cursorBackdrop.hotX = cursorBackdrop.hotY = 0;
    cursorBackdrop.CopyFromBuffer(lock.bits + static_cast<ptrdiff_t>(softCursor.y) * lock.pitch +
                                      static_cast<ptrdiff_t>(softCursor.x) * lock.bytesPerPixel,
                                  std::min(cw, lock.width - softCursor.x), std::min(ch, lock.height - softCursor.y),
                                  lock.pitch, lock.bytesPerPixel * 8);
  }
  display.Unlock();
  if (picture->pixels && picture->bytesPerPixel == lock.bytesPerPixel) {
    plat::WindowRect rect;
    BlitImage(picture, softCursor.x + picture->hotX, softCursor.y + picture->hotY, &rect, 1);
  }
}

void StatusStrip(int32_t top, int32_t height) {
  if (play.board.statusExpiry == 0) return;
  RestoreBackgroundRect(0, top, program.screenWidth, height);
  if (play.board.statusExpiry > play.game.playClock) {
    plat::WindowRect rect;
    FillRectColour(0, top, height, program.screenWidth, 0, 0, 0, &rect);
    TheDisplay().AddDirtyRect(&rect);
    SurfaceLock lock;
    Display& display = TheDisplay();
    if (display.Lock(&lock)) {
      bigFont.SetTarget(lock.bits, lock.width, lock.height, lock.pitch, lock.bytesPerPixel * 8);
      bigFont.DrawTextCentered(play.statusLine1.c_str(), 0, program.screenHeight / 2 - 20, program.screenWidth);
      bigFont.DrawTextCentered(play.statusLine2.c_str(), 0, program.screenHeight / 2 + 20, program.screenWidth);
      display.Unlock();
    }
  } else {
    play.board.statusExpiry = 0;
  }
}

// Moves an entity by the mean of last frame's and this frame's velocity. A
// position that is no longer a number is put back at (100, 100) at rest
// first, so one bad value cannot spread through the drawing.
void MoveEntity(Entity* e) {
  if (!std::isfinite(e->x) || !std::isfinite(e->y)) {
    e->x = e->y = e->prevX = e->prevY = e->vx = e->vy = e->prevVx = e->prevVy = 100.0f;
    ++nonFiniteResets;
  }
  e->x += (e->prevVx + e->vx) * program.frameSec * 0.5f;
  e->y += (e->prevVy + e->vy) * program.frameSec * 0.5f;
}

// The position and velocity the next frame starts from.
void KeepMotion(Entity* e) {
  e->prevX = e->x;
  e->prevY = e->y;
  e->prevVx = e->vx;
  e->prevVy = e->vy;
}

// Without a display lock nothing is drawn, but the dead are still removed
// and the living still move, so nothing piles up and a lost ball is seen.
void MoveWithoutDrawing() {
  for (Entity* e = entityHead.next; e;) {
    Entity* next = e->next;
    if (e->dead) {
      UnlinkAndDelete(e);
    } else {
      MoveEntity(e);
      KeepMotion(e);
    }
    e = next;
  }
}

void DrawFrame() {
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) {
    MoveWithoutDrawing();
    return;
  }
  if (program.fullRedraw) {
    DrawBoardBackground(255, 255, 255);
    RestoreBackgroundRect(0, 0, program.screenWidth, static_cast<int32_t>(kBoardBottom));
  }
  // The screen under the software cursor is put back while paused and once
  // more in the first frame after the pause, so no cursor image stays.
  RestoreCursorBacking();
  if (!play.board.paused) softCursor.x = softCursor.y = -1;
  DrawHud();
  play.hudDirty = 0;
  for (Entity* e = &entityHead; e; e = e->next) {
    if (e->prevFrame >= 0) {
      RestoreBackgroundRect(e->dirty[0], e->dirty[1], e->dirty[2] - e->dirty[0], e->dirty[3] - e->dirty[1]);
    }
  }
  int32_t drawn = 0;
  for (Entity* e = &entityHead; e;) {
    Entity* next = e->next;
    if (e->dead && e != &entityHead) {
      UnlinkAndDelete(e);
      e = next;
      continue;
    }
    MoveEntity(e);
    DrawEntity(e);
    ++drawn;
    e->prevFrame = e->frame;
    KeepMotion(e);
    e = next;
  }
  StatusStrip(program.screenHeight / 2 - 45, 140);
  if (play.board.paused) {
    DrawButtons(pauseButtons);
    DrawSoftCursor();
  }
  display.Unlock();
  playFrameCounters.entities = drawn;
  playFrameCounters.dirtyRects = display.dirtyCount;
  playFrameCounters.fullPresent = program.fullRedraw ? 1 : 0;
  int64_t pixels = 0;
  if (program.fullRedraw) {
    pixels = int64_t{display.width} * display.height;
  } else {
    for (int32_t i = 0; i < display.dirtyCount; ++i) {
      const plat::WindowRect& r = display.dirty[i];
      pixels += int64_t{std::max(0, r.right - r.left)} * std::max(0, r.bottom - r.top);
    }
  }
  playFrameCounters.presentedPixels = pixels;
  const int64_t beforePresent = NowNs();
  display.Present(program.fullRedraw ? 0 : kPresentDirtyOnly);
  playFrameCounters.presentNs = NowNs() - beforePresent;
  ++playFrameCounters.presents;
  program.fullRedraw = 0;
}

// The pause screen's buttons. True when the frame ends here.
bool RunPauseButtons() {
  SetStatusMessage("Game Paused", "", 1000);
  plat::SleepMs(1);
  UpdateButtonHover(pauseButtons);
  if (!input.anyInputThisFrame) return false;
  if (menuButtons.hoveredButton == kButtonPlay) {
    TogglePause();
    PlaySoundAt(kSoundLock, 640.0f, 0, 63);
    return true;
  }
  if (menuButtons.hoveredButton == kButtonQuit) {
    program.sceneNumber = kSceneOptions;
    SaveCollectedCharms();
    PlaySoundAt(kSoundLock, 640.0f, 0, 63);
    return true;
  }
  return false;
}

// A click launches the held balls and, with the laser, fires a bolt
// from each side of the paddle.
void HandleClick() {
  if (input.anyInputThisFrame && !program.fullRedraw && !play.board.ballLost && !play.board.paused) {
    LaunchBalls();
    if (play.board.laserOn && play.boltCount < kMaxLaserBolts) {
      PlaySoundAt(kSoundGunfire, play.paddleX, 0, 63);
      const float dx = 0.85f * play.paddleHalfWidth;
      InsertEntityFirst(kEntityLaserBolt, 0, 0, play.paddleX + dx, play.paddleY - 16.0f, 0.0f, -600.0f);
      InsertEntityFirst(kEntityLaserBolt, 0, 0, play.paddleX - dx, play.paddleY - 16.0f, 0.0f, -600.0f);
    }
  }
  input.anyInputThisFrame = 0;
}

// Bricks the ball keeps bouncing off without breaking are zapped.
void ZapWhenStuck() {
  if (play.board.invinHits > 100 ||
      (play.board.invinHits > 10 && play.game.playClock - play.firstInvinHitTime > 60000)) {
    play.board.invinHits = 0;
    ZapBricks();
  }
}

// This frame's particle and bolt counts start again; the double
// score runs down.
void StartFrameCounts() {
  play.particlesLastFrame = play.particlesThisFrame;
  play.particlesThisFrame = 0;
  play.boltCount = 0;
  if (!play.board.paused) play.board.doubleScoreMs = std::max(0, play.board.doubleScoreMs - program.frameMs);
}

// A charm appears when none is on the board and its countdown of broken
// bricks has run out, except under the classic rules and in cheat mode.
void MaybeSpawnCharm() {
  if (!play.board.charmEntity && !settings.classicRules && !settings.cheatMode && play.player.charmDelay < 1)
    SpawnCharm();
}

// Two seconds after a lost ball, the next player, the next life or
// the end of the game. True when the frame ends here.
bool AfterBallLost() {
  if (!play.board.ballLost) return false;
  const int32_t players = ActivePlayerCount();
  if (play.player.lives < 1) {
    SetStatusMessage("Game Over", players >= 2 ? "Player " + std::to_string(play.game.currentPlayer + 1) : "", 1);
  }
  // More than the 2000 ms wait (a floating division).
  if (std::fabs(static_cast<double>(play.game.playClock) - static_cast<double>(play.ballLostTime)) / 2000.0 <= 1.0) {
    return false;
  }
  play.board.ballLost = 0;
  SavePlayerState(play.game.currentPlayer);
  program.fullRedraw = 1;
  if (NextPlayer()) {
    StartBoard();
    RestorePlayerState(play.game.currentPlayer);
    if (players >= 2) {
      play.board.boardCleared = 1;
      play.game.playerChangePending = 1;
      play.nextBoard = playerSlots[play.game.currentPlayer].board;
    }
  } else {
    // Only this game's players count: slots of an earlier, larger game
    // must not end a lost game as completed.
    bool completed = false;
    for (int32_t p = 0; p < players; ++p) completed |= playerSlots[p].board >= boardSet.boardCount;
    program.sceneNumber = completed ? kSceneCompleted : kSceneHighScores;
  }
  return true;
}

// The logic pass over every entity, then the frame counters.
void RunLogicPass() {
  play.ballCount = 0;
  for (Entity* e = &entityHead; e; e = e->next) RunEntityLogic(e);
  if (play.capsuleMarker > 0) --play.capsuleMarker;
  if (play.board.heldFrames > 0) --play.board.heldFrames;
  if (play.catchGraceFrames > 0) --play.catchGraceFrames;
}

}  // namespace

// One frame of play. The order of the steps is the game's: board and player
// changes first, then the timed board effects, input, the logic pass, the
// explosion queue and last the drawing; a step that ends the frame returns.
void RunPlayScreen() {
  if (program.previousScene != program.sceneNumber) softCursor.x = softCursor.y = -1;

  if (PendingBoard()) return;
  InGameMusic();
  if (BoardFinished()) return;
  BricksLeft();
  AnimateExplosiveBricks();
  BrickFall();
  if (play.board.paused && RunPauseButtons()) return;
  HandleClick();
  ZapWhenStuck();
  StartFrameCounts();
  MaybeSpawnCharm();
  if (AfterBallLost()) return;

  const int64_t logicStart = NowNs();
  RunLogicPass();
  if (play.ballCount < 1 && !play.board.boardCleared) LoseBall();  // the last ball is gone
  PopExplosionQueue();

  const int64_t drawStart = NowNs();
  playFrameCounters.logicNs = drawStart - logicStart;
  playFrameCounters.presentNs = 0;
  DrawFrame();
  playFrameCounters.drawNs = NowNs() - drawStart - playFrameCounters.presentNs;
  play.game.playClock += program.frameMs;  // the play clock runs only in frames that reach the end
}
