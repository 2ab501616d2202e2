#pragma once
// The main menu (scene 2): the option lines, the four buttons, the version
// text and the flame band over the title picture's logo.
#include <cstdint>
#include <string>

// Options menu: the line under the pointer (-1 none) and the logo band's
// sweep position (pixels), last refresh (ms), finished sweeps and the frame
// of the power-ups strips.
struct OptionsScreenState {
  int32_t hoveredOption = -1;
  int32_t bandSweepPosition = 0;
  int32_t bandLastRefreshMs = 0;
  int32_t bandSweepCount = 0;
  int32_t bandStripFrame = 0;
  // The players of the next game, as the "Players" line sets it (the game
  // reads it as 1..4).
  int32_t playerCount = 1;
};
extern OptionsScreenState optionsScreen;

// The program's version text, "Unknown" when it has none.
std::string GetProgramVersion();
// `text`, or "Unknown" when it is empty.
std::string VersionTextOrUnknown(const std::string& text);

// Option lines: left edge, first line, pitch, and the number of lines
// (including the two blanks).
constexpr int32_t kOptionLineX = 782, kOptionLineY = 295, kOptionLinePitch = 20, kOptionLineCount = 12;

// The option lines from the top; two blank lines part them into groups.
enum OptionLine : int32_t {
  kOptionPlayers,
  kOptionDifficulty,
  kOptionClassicRules,
  kOptionCommunityBoards,
  kOptionBlankAfterBoards,
  kOptionDisplay,
  kOptionBackgrounds,
  kOptionClassicTextures,
  kOptionFloatingScores,
  kOptionBlankAfterScores,
  kOptionInGameMusic,
  kOptionStereo,
};

// One option line: its label and the value it shows now ("Label:  value"),
// what clicking it changes, and the function key that makes the same change
// in any scene (0 for none; the line names it after the value). A blank
// line has no label and takes no click.
struct OptionRow {
  OptionLine line;
  const char* label;
  std::string (*value)();
  void (*change)();
  uint32_t functionKey;
};
// Every option line, kOptionRows[k] being line k.
extern const OptionRow kOptionRows[kOptionLineCount];
// The line whose function key `key` is; null for any other key.
const OptionRow* OptionRowOfKey(uint32_t key);

// The logo band over the title picture.
constexpr int32_t kLogoBandX = 316, kLogoBandY = 93, kLogoBandWidth = 646, kLogoBandHeight = 108;
constexpr int32_t kBandSweepMs = 1500, kBandRefreshMs = 50;
// The title power-ups strips: frames stacked in the picture.
constexpr int32_t kStripFrames = 16, kStripHeight = 56, kStripTopY = 10, kStripBottomY = 654;

// The text of option line k as the menu shows it now; empty for a blank
// or a number outside the lines.
std::string OptionLineText(int32_t k);
// What clicking line k does; false for a line that changes nothing.
bool ApplyOptionClick(int32_t k);

// Makes the logo band from the title picture and starts its flame effect.
void SetUpLogoBand();
// One step of the band: sweep, flames, and the drawing at its place (black
// when `black`).
void AdvanceLogoBand(int32_t nowMs, bool black);

void RunOptionsScreen();
