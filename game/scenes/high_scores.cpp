// The high scores (scene 5): the local table of the selected board set with
// the name entry of the players who beat it, the offer to post the best
// player's score online, and the online table of the set's leaderboard.
#include "game/scenes/high_scores.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "audio/sound_bank.h"
#include "community/community_manager.h"
#include "core/log.h"
#include "game/buttons.h"
#include "game/game_globals.h"
#include "game/high_score_file.h"
#include "game/play/charms.h"
#include "game/play/play_state.h"
#include "game/play/player_state.h"
#include "game/save_failures.h"
#include "game/scenes/board_set_select.h"
#include "game/scenes/deferred_pictures.h"
#include "game/scenes/menu_pointer.h"
#include "game/scenes/options.h"
#include "game/scenes/scene_draw.h"
#include "game/scenes/scenes.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/files.h"
#include "platform/window.h"

HighScoreScreenState highScoreScreen;

namespace {

// Online waits the scene gives up after.
constexpr float kUploadTimeoutMs = 10000.0f;
constexpr int32_t kDownloadTimeoutSeconds = 10;

// Column edges of the tables.
constexpr int32_t kRankX = 336, kNameX = 394, kScoreX = 830, kBoardX = 910;

// Every valid table fits in this; whatever follows is not read.
constexpr size_t kMostBytesRead = 4096;

void PlayChoiceSound() { PlaySoundAt(kSoundLock, 640.0f, 0, 63); }

// A click on the button: a typed character in the same frame decides
// instead, so typing with the pointer resting on a button never presses it.
bool Pressed(ButtonId id) {
  return input.anyInputThisFrame && input.lastTypedChar == 0 && menuButtons.hoveredButton == id;
}

bool IsNameCharacter(uint8_t c) {
  if (c == ' ' || c == '.' || c == ',' || c == '-' || c == '\'') return true;
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  // å Å ä Ä ö Ö in the Windows Latin-1 code page.
  return c == 0xE5 || c == 0xC5 || c == 0xE4 || c == 0xC4 || c == 0xF6 || c == 0xD6;
}

// Tables whose last save failed, by file: they are shown from here and
// written again at every later save until a write works.
struct UnsavedTable {
  HighScoreEntry rows[kHighScoreRows];
};
std::map<boost::filesystem::path, UnsavedTable> unsavedTables;

// Table files that were there but could not be read as a table file (a
// pipe, a device, a file the player may not read, one larger than any
// table): the first save over each keeps it aside as NAME.bak (NAME.bak.1,
// ... when that is taken) rather than replace it. A folder is left where it
// is: no save can replace it, and the save fails as any other.
std::set<boost::filesystem::path> tablesToKeep;
constexpr const char* kKeptTableSuffix = ".bak";

// Writes one table; false, with errno set, when the file was not written.
bool WriteTable(const boost::filesystem::path& path, const HighScoreEntry (&table)[kHighScoreRows]) {
  if (tablesToKeep.count(path) != 0) {
    int error = 0;
    if (plat::KeepAside(path, kKeptTableSuffix, &error).empty() && error != ENOENT) {
      errno = error;
      return false;
    }
    tablesToKeep.erase(path);
  }
  const std::vector<uint8_t> bytes = WriteHighScoreTable(table);
  // The path as it is: a '\\' in the set's file name is part of the name.
  plat::WriteFailure failure;
  if (plat::WriteFileAtomic(path, bytes.data(), bytes.size(), false, &failure)) return true;
  errno = failure.error;
  return false;
}

void LoadHighScores() {
  ResetHighScoreTable(highScoreScreen.highScores);
  if (highScoreScreen.scoreFilePath.empty()) return;
  const auto unsaved = unsavedTables.find(highScoreScreen.scoreFilePath);
  if (unsaved != unsavedTables.end()) {
    // What the file holds is older than what the players entered.
    for (int i = 0; i < kHighScoreRows; ++i) {
      highScoreScreen.highScores[i] = unsaved->second.rows[i];
      highScoreScreen.highScores[i].isNew = 0;
    }
    return;
  }
  // The path as it is: a '\\' in the set's file name is part of the name.
  // The one regular-file open: a pipe, a device or a folder under the name
  // is a table that cannot be read, and the open never waits.
  const boost::filesystem::path& path = highScoreScreen.scoreFilePath;
  tablesToKeep.erase(path);
  errno = 0;
  FILE* file = plat::OpenFile(path, "rb");
  if (!file) {
    const int error = errno;
    boost::system::error_code ec;
    const bool folder = boost::filesystem::symlink_status(path, ec).type() == boost::filesystem::directory_file;
    if (error != ENOENT && error != ENOTDIR && !folder) tablesToKeep.insert(path);
    if (error != ENOENT) DebugPrint("Error reading high scores: " + path.string() + ": " + std::strerror(error) + "\n");
    return;
  }
  std::vector<uint8_t> bytes(kMostBytesRead);
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  // More than any table: not a file the game wrote alone.
  if (got == bytes.size() && std::fgetc(file) != EOF) tablesToKeep.insert(path);
  std::fclose(file);
  ReadHighScoreTable(bytes.data(), got, highScoreScreen.highScores);
}

void SaveHighScores() {
  const boost::filesystem::path& path = highScoreScreen.scoreFilePath;
  if (path.empty()) return;
  if (WriteTable(path, highScoreScreen.highScores)) {
    unsavedTables.erase(path);
    if (unsavedTables.empty()) ReportSaveWorked(SavedData::kHighScores);
    return;
  }
  const int error = errno;
  UnsavedTable& kept = unsavedTables[path];
  for (int i = 0; i < kHighScoreRows; ++i) kept.rows[i] = highScoreScreen.highScores[i];
  ReportSaveFailed(SavedData::kHighScores, path, error);
}

void EnterScene() {
  SaveCollectedCharms();
  SaveUnsavedHighScores();
  highScoreScreen.scoreFilePath.clear();
  if (savedGamesFolder.empty()) {
    DebugPrint("No saved games folder: the high scores are neither read nor saved\n");
  } else {
    highScoreScreen.scoreFilePath = ScoreFilePath(savedGamesFolder, GetSelectedBoardSetPath(), settings.kidMode != 0);
    if (highScoreScreen.scoreFilePath.empty()) {
      DebugPrint("No board set selected: the high scores are neither read nor saved\n");
    } else {
      const boost::filesystem::path folder = highScoreScreen.scoreFilePath.parent_path();
      if (!plat::MakeDirs(folder)) {
        boost::system::error_code error;
        boost::filesystem::create_directories(folder, error);
        DebugPrint("Error creating scores folder: " + (error ? error.message() : std::string("not a folder")) + "\n");
      }
    }
  }
  LoadHighScores();

  highScoreScreen.bestPlayerScore = 0;
  highScoreScreen.bestPlayerBoard = 0;
  for (int32_t p = 0; p < optionsScreen.playerCount && p < kMaxPlayers; ++p) {
    if (playerSlots[p].run.score > highScoreScreen.bestPlayerScore) {
      highScoreScreen.bestPlayerScore = playerSlots[p].run.score;
      highScoreScreen.bestPlayerBoard = playerSlots[p].board + 1;
    }
  }
  highScoreScreen.scoreScreenState = highScoreScreen.bestPlayerScore >
                                                 highScoreScreen.highScores[kHighScoreRows - 1].score &&
                                             !settings.cheatMode && !highScoreScreen.scoresViewOnly
                                         ? kScoresNameEntry
                                         : kScoresLocalTable;
  input.lastTypedChar = 0;
  highScoreScreen.typedName.clear();
  highScoreScreen.entryPlayer = 0;
}

void LeaveScene() {
  if (highScoreScreen.scoresViewOnly) {
    highScoreScreen.scoresViewOnly = 0;
    program.sceneNumber = kSceneBoardSetSelect;
  } else {
    program.sceneNumber = kSceneOptions;
    transition.musicFade = -1;
  }
}

void PostBestScore() {
  highScoreScreen.scoreScreenState = kScoresPosting;
  if (communityManager)
    communityManager->RequestScoreUpload(boardSet.GetLeaderboardName(), highScoreScreen.bestPlayerScore,
                                         {highScoreScreen.bestPlayerBoard});
}

void AskForOnlineScores() {
  highScoreScreen.scoreScreenState = kScoresOnlineTable;
  if (!communityManager) return;
  if (GetSelectedBoardSetSource() != kBoardSourceGame) {
    communityManager->FailScoreDownload("Online leaderboards are not supported for community boardsets.");
  } else {
    communityManager->RequestScoreDownload(GetSelectedLeaderboardName());
  }
}

void EnterName() {
  if (optionsScreen.playerCount >= 2) PlaySoundAt(kSoundFanfare, 640.0f, 0, 63);
  int i = kHighScoreRows - 1;
  while (i > 0 && highScoreScreen.highScores[i - 1].score < highScoreScreen.entryPlayerScore) {
    highScoreScreen.highScores[i] = highScoreScreen.highScores[i - 1];
    --i;
  }
  highScoreScreen.highScores[i] = {highScoreScreen.entryPlayerScore, highScoreScreen.typedName,
                                   playerSlots[highScoreScreen.entryPlayer].board + 1, 1};
  highScoreScreen.typedName.clear();
  ++highScoreScreen.entryPlayer;
  SaveHighScores();
}

// The state's input step; false ends the frame without drawing.
bool RunInput() {
  const uint8_t c = input.lastTypedChar;
  switch (highScoreScreen.scoreScreenState) {
    case kScoresLocalTable:
    case kScoresOnlineTable:
      if (Pressed(kButtonScoresBack) || c == plat::kCharEscape) {
        LeaveScene();
      } else if (highScoreScreen.scoreScreenState == kScoresLocalTable && Pressed(kButtonOnlineScores)) {
        AskForOnlineScores();
      } else if (highScoreScreen.scoreScreenState == kScoresOnlineTable && Pressed(kButtonLocalScores)) {
        highScoreScreen.scoreScreenState = kScoresLocalTable;
      } else {
        return true;
      }
      PlayChoiceSound();
      return false;

    case kScoresNameEntry: {
      // The score is taken before anything can enter it, so a click in the
      // visit's first frame never enters the previous visit's score.
      if (highScoreScreen.entryPlayer < optionsScreen.playerCount)
        highScoreScreen.entryPlayerScore = playerSlots[highScoreScreen.entryPlayer].run.score;
      if (highScoreScreen.entryPlayer >= optionsScreen.playerCount) {
        highScoreScreen.scoreScreenState = !settings.kidMode && GetSelectedBoardSetSource() == kBoardSourceGame
                                               ? kScoresAskToPost
                                               : kScoresLocalTable;
        return false;
      }
      if (highScoreScreen.entryPlayerScore > highScoreScreen.highScores[kHighScoreRows - 1].score) {
        if (IsNameCharacter(c)) {
          // Longer names would not fit the file's field with its terminator.
          if (highScoreScreen.typedName.size() < size_t(kHighScoreMaxName)) highScoreScreen.typedName += char(c);
        } else if (c == plat::kCharBackspace) {
          if (!highScoreScreen.typedName.empty()) highScoreScreen.typedName.pop_back();
        } else if (c == plat::kCharLineFeed || c == plat::kCharReturn || Pressed(kButtonDone)) {
          EnterName();
        }
      } else {
        if (c == plat::kCharLineFeed || c == plat::kCharReturn || input.anyInputThisFrame) {
          ++highScoreScreen.entryPlayer;
          if (optionsScreen.playerCount >= 2) PlaySoundAt(kSoundFanfare, 640.0f, 0, 63);
        }
        input.lastTypedChar = 0;
        input.anyInputThisFrame = 0;
      }
      return true;
    }

    case kScoresAskToPost:
    case kScoresPostFailed:
      if (Pressed(highScoreScreen.scoreScreenState == kScoresAskToPost ? kButtonYes : kButtonRetry) || c == 'Y' ||
          c == 'y' || c == plat::kCharReturn) {
        PostBestScore();
      } else if (Pressed(highScoreScreen.scoreScreenState == kScoresAskToPost ? kButtonNo : kButtonCancel) ||
                 c == 'N' || c == 'n' || c == plat::kCharEscape) {
        highScoreScreen.scoreScreenState = kScoresDeclined;
      } else {
        return true;
      }
      PlayChoiceSound();
      return false;

    case kScoresPosting:
      if (!communityManager) {
        highScoreScreen.scoreScreenState = kScoresPostFailed;
        return false;
      }
      if (!communityManager->IsUploading()) {
        highScoreScreen.scoreScreenState = communityManager->GetScoreUploadResult() ? kScoresPosted : kScoresPostFailed;
        return false;
      }
      if (communityManager->GetRequestWaitTime() > kUploadTimeoutMs) {
        communityManager->FailScoreUpload("Timeout");
        highScoreScreen.scoreScreenState = kScoresPostFailed;
        return false;
      }
      return true;

    case kScoresPosted:
      if (!input.anyInputThisFrame && !c) return true;
      highScoreScreen.scoreScreenState = kScoresOnlineTable;
      if (communityManager) communityManager->RequestScoreDownload(GetSelectedLeaderboardName());
      PlayChoiceSound();
      return false;

    default: return true;
  }
}

void SetFontTarget(BitFont& font, const SurfaceLock& lock) {
  font.SetTarget(lock.bits, lock.width, lock.height, lock.pitch, lock.bytesPerPixel * 8);
}

std::string BoardText(int32_t board) {
  return board > GetSelectedBoardCount() ? std::string("Won!") : std::to_string(board);
}

void DrawHeadings() {
  sysFont.DrawText("Rank", kRankX, 257);
  sysFont.DrawText("Name", kNameX, 257);
  sysFont.DrawText("Score", kScoreX, 257);
  sysFont.DrawText("Board", kBoardX, 257);
}

void DrawRow(BitFont& font, int32_t y, int32_t rank, const std::string& name, int32_t score, int32_t board) {
  font.DrawText(std::to_string(rank).c_str(), kRankX, y);
  font.DrawText(name.c_str(), kNameX, y);
  font.DrawText(std::to_string(score).c_str(), kScoreX, y);
  font.DrawText(BoardText(board).c_str(), kBoardX, y);
}

void DrawPostedText(int32_t width) {
  const ScoreUploadResult* result = communityManager ? communityManager->GetScoreUploadResult() : nullptr;
  char text[256];
  if (!result) {
    std::snprintf(text, sizeof text, "Your score was posted successfully!");
  } else if (!result->changed) {
    std::snprintf(text, sizeof text, "Your score of %d did not beat your previous highscore.", result->score);
  } else if (result->previousGlobalRank < 1 || result->newGlobalRank == result->previousGlobalRank) {
    std::snprintf(text, sizeof text, "Congratulations! Your score of %d has been posted!", result->score);
  } else {
    std::snprintf(text, sizeof text, "Congratulations! Your score of %d beat your previous best score!.",
                  result->score);
  }
  sysFont.DrawTextCentered(text, 0, 335, width);
}

void DrawOnlineTable(int32_t width) {
  sysFont.DrawTextCentered("(Online Scores)", 0, 200, width);
  DrawHeadings();
  if (!communityManager) return;
  const std::string error = communityManager->GetErrorMessage();
  if (!error.empty()) {
    sysFont.DrawTextCentered("Unable to download online scores ...", 0, 350, width);
    sysFont.DrawTextCentered(error.c_str(), 0, 370, width);
  } else if (communityManager->IsDownloading()) {
    const int32_t seconds = int32_t(communityManager->GetRequestWaitTime() / 1000.0f);
    if (seconds > kDownloadTimeoutSeconds) communityManager->FailScoreDownload("Timeout");
    char text[64];
    std::snprintf(text, sizeof text, "Downloading scores ... %d", seconds);
    sysFont.DrawTextCentered(text, 0, 350, width);
  } else {
    int32_t y = 261;
    const int32_t count = communityManager->GetEntryCount();
    for (int32_t i = 0; i < count; ++i) {
      int32_t rank = 0, score = 0, detail = 0;
      std::string name;
      if (!communityManager->GetEntry(i, rank, name, score, detail)) continue;
      y += sysFont.lineHeight + 7;
      DrawRow(sysFont, y, rank, name, score, detail);
    }
  }
}

void DrawState(const SurfaceLock& lock) {
  const int32_t width = lock.width;
  switch (highScoreScreen.scoreScreenState) {
    case kScoresNameEntry: {
      // Every player has had a turn: the next frame moves on.
      if (highScoreScreen.entryPlayer >= optionsScreen.playerCount) break;
      highScoreScreen.entryPlayerScore = playerSlots[highScoreScreen.entryPlayer].run.score;
      chiselFont.DrawTextCentered(std::to_string(highScoreScreen.entryPlayerScore).c_str(), 0, 265, width);
      const std::string player = std::to_string(highScoreScreen.entryPlayer + 1);
      if (highScoreScreen.entryPlayerScore > highScoreScreen.highScores[kHighScoreRows - 1].score) {
        sysFont.DrawTextCentered(("Great Score Player " + player + " !  Enter your name:").c_str(), 0, 335, width);
        sysFont.DrawTextCentered((highScoreScreen.typedName + "_").c_str(), 0, 355, width);
      } else {
        sysFont.DrawTextCentered(("Sorry Player " + player + ", you didn't get a high score.").c_str(), 0, 300, width);
      }
      break;
    }
    case kScoresAskToPost:
      sysFont.DrawTextCentered(optionsScreen.playerCount > 1 ? "Would you like to post the best player's score online?"
                                                             : "Would you like to post your score online?",
                               0, 335, width);
      break;
    case kScoresPosting: {
      const float waited = communityManager ? communityManager->GetRequestWaitTime() : 0.0f;
      char text[64];
      std::snprintf(text, sizeof text, "Posting Score ... %d", int32_t(waited / 1000.0f));
      sysFont.DrawTextCentered(text, 0, 335, width);
      break;
    }
    case kScoresPosted: DrawPostedText(width); break;
    case kScoresPostFailed: {
      sysFont.DrawTextCentered("Sorry, your score could not be posted online.", 0, 335, width);
      const std::string error = communityManager ? communityManager->GetErrorMessage() : std::string();
      if (!error.empty()) sysFont.DrawTextCentered(error.c_str(), 0, 355, width);
      break;
    }
    case kScoresLocalTable: {
      sysFont.DrawTextCentered(settings.kidMode ? "(Local Scores - Kid Mode)" : "(Local Scores)", 0, 200, width);
      DrawHeadings();
      int32_t y = 261;
      for (int i = 0; i < kHighScoreRows; ++i) {
        const HighScoreEntry& row = highScoreScreen.highScores[i];
        BitFont& font = row.isNew ? amberSysFont : sysFont;
        y += font.lineHeight + 7;
        DrawRow(font, y, i + 1, row.name, row.score, row.board);
      }
      break;
    }
    case kScoresOnlineTable: DrawOnlineTable(width); break;
    default: break;
  }
}

}  // namespace

void ResetHighScoreTable() { ResetHighScoreTable(highScoreScreen.highScores); }

void SaveUnsavedHighScores() {
  if (unsavedTables.empty()) return;
  for (auto it = unsavedTables.begin(); it != unsavedTables.end();) {
    if (!WriteTable(it->first, it->second.rows)) {
      ReportSaveFailed(SavedData::kHighScores, it->first, errno);
      ++it;
      continue;
    }
    it = unsavedTables.erase(it);
  }
  if (unsavedTables.empty()) ReportSaveWorked(SavedData::kHighScores);
}

void ForgetUnsavedHighScoresForTests() {
  unsavedTables.clear();
  tablesToKeep.clear();
}

void RunHighScoresScreen() {
  const bool firstFrame = program.sceneNumber != program.previousScene;
  if (firstFrame) EnterScene();

  // State s shows the buttons of list s + 1.
  const int32_t state = highScoreScreen.scoreScreenState >= 0 && highScoreScreen.scoreScreenState < kHighScoreStateCount
                            ? highScoreScreen.scoreScreenState
                            : 0;
  UpdateButtonHover(highScoreButtons[state]);
  if (!RunInput()) return;

  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  const bool musicLeftAlone = highScoreScreen.scoresViewOnly || highScoreScreen.scoresFromCompletion;
  if (firstFrame) {
    if (!musicLeftAlone) {
      transition.musicFade = -1;
      highScoreScreen.scoreMusicStarted = 0;
    }
    SnapshotOldScreen();
  } else if (!musicLeftAlone && !highScoreScreen.scoreMusicStarted) {
    PlayMusic(soundBank.scoreModule);
    highScoreScreen.scoreMusicStarted = 1;
  }

  UsePicture(highScoresPicture);
  DrawMenuPointer(true, [&] {
    BlitImage(highScoresPicture.GetFrame(1), 0, 0, nullptr, 0);
    display.AddDirtyRect(0, 0, lock.width, lock.height);
    DrawButtons(highScoreButtons[highScoreScreen.scoreScreenState >= 0 &&
                                         highScoreScreen.scoreScreenState < kHighScoreStateCount
                                     ? highScoreScreen.scoreScreenState
                                     : 0]);
    SetFontTarget(chiselFont, lock);
    SetFontTarget(sysFont, lock);
    SetFontTarget(amberSysFont, lock);
    // The set's title comes from its file: one line, centred when it fits,
    // else cut at the screen's right edge.
    const std::string title = GetSelectedBoardSetTitle();
    const int32_t titleX = std::max(0, (lock.width - sysFont.TextWidth(title.c_str())) / 2);
    sysFont.DrawTextLine(title.c_str(), titleX, 180, lock.width - titleX);
    DrawState(lock);
  });

  EndSceneFrame(firstFrame, kPresentDirtyOnly, true);
  // A declined post lasts one frame; the local table is then drawn anew.
  if (!firstFrame && highScoreScreen.scoreScreenState == kScoresDeclined) {
    highScoreScreen.scoreScreenState = kScoresLocalTable;
    program.fullRedraw = 1;
  }
}
