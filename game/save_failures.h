#pragma once
// Telling the player about saves that failed: the high-score tables, the
// collected charms and the settings. Each kind is told once, in a message
// box, until a save of it works again; the data itself stays with its owner,
// which tries again at the game's next save.
#include <boost/filesystem/path.hpp>

enum class SavedData { kHighScores, kCollectedCharms, kSettings };

// A save of `what` into `path` failed with the errno value `error` (0: the
// reason is not known). The first failure since the last save of it that
// worked shows "Could not save ...", the reason and the path, captioned
// "Error!".
void ReportSaveFailed(SavedData what, const boost::filesystem::path& path, int error);
// A save of `what` worked: its next failure is told again.
void ReportSaveWorked(SavedData what);

// Whether the last save of `what` failed (and was told).
bool SaveFailed(SavedData what);
void ResetSaveFailuresForTests();
