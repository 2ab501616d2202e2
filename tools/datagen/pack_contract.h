#pragma once
// The names and numbers of the default data pack: every file the game, the
// editor and the tools open, with the image counts, sizes and depths their
// loaders rely on. The generator writes exactly this list and the pack check
// reads it back against the same list, so the two cannot drift apart.
#include <array>
#include <cstdint>
#include <string_view>

namespace vantrel::pack {

// ---- image sets -----------------------------------------------------------
struct ImageSetSpec {
  std::string_view path;  // relative to the data root
  int count;              // number of images
  int width, height;      // size of every image (0 = varies)
  int version;            // 1 = 8-bit palette, 2 = 32-bit
};

inline constexpr int kPowerUpSize = 48;
inline constexpr int kPaddleFrames = 60;
inline constexpr int kPaddleHeight = 12;                                    // before the game's x1.5 scale
inline constexpr std::array<int, 5> kPaddleWidths = {36, 54, 72, 96, 120};  // by paddleSize 0..4
inline constexpr int kPaddleLaserHeight = 16;                               // laser frames carry cannons above the bar
inline constexpr int kExplosionFrames = 46;                                 // animation; image 46 is the fire texture
inline constexpr int kExplosionSize = 96;
inline constexpr int kButtonFrames = 28;
inline constexpr int kButtonWidth = 235, kButtonHeight = 75;
inline constexpr int kLockedCharmSize = 58;
inline constexpr int kCharmSize = 48;
inline constexpr int kBrickWidth = 48, kBrickHeight = 24;
inline constexpr int kBackgroundTile = 128;
inline constexpr int kBoingFrames = 8, kBoingSize = 32;
inline constexpr int kScreenWidth = 1280, kScreenHeight = 720;

// Power-up pictures are looked up by these keywords (the power-up table order).
inline constexpr std::array<std::string_view, 23> kPowerUpNames = {
    "life",  "level", "zap",      "slow",    "multiply",  "through",     "dynamite",   "fireball",
    "laser", "catch", "expand",   "split",   "kill",      "shrink",      "fast",       "supershrink",
    "fall",  "small", "megaball", "bigball", "lightning", "doublescore", "gravityball"};
// 0 good, 1 bad, 2 neutral: the capsule colour.
inline constexpr std::array<int, 23> kPowerUpClass = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                      1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 2};

inline constexpr std::array<std::string_view, 4> kIconNames = {"ScrollThumb", "ScrollThumbLit", "LocalBoard",
                                                               "CloudBoard"};
inline constexpr int kScrollThumbSize = 22, kSourceIconSize = 16;

// Button labels by button id; image 2*id is the normal look, 2*id+1 hovered.
inline constexpr std::array<std::string_view, 14> kButtonLabels = {"PLAY",  "CREDITS", "EXIT",   "BACK",   "SCORES",
                                                                   "YES",   "NO",      "OK",     "CANCEL", "BACK",
                                                                   "RETRY", "LOCAL",   "ONLINE", "CHARMS"};

inline constexpr std::array<ImageSetSpec, 7> kGameImageSets = {{
    {"Graphics/PowerUps.img", 23, kPowerUpSize, kPowerUpSize, 2},
    {"Graphics/Paddle.img", kPaddleFrames, 0, 0, 2},
    {"Graphics/Explosion.img", kExplosionFrames + 1, kExplosionSize, kExplosionSize, 2},
    {"Graphics/Icons.img", 4, 0, 0, 2},
    {"Graphics/Boing.img", kBoingFrames, kBoingSize, kBoingSize, 2},
    {"Graphics/buttons.img", kButtonFrames, kButtonWidth, kButtonHeight, 2},
    {"Graphics/LockedCharms.img", 5, kLockedCharmSize, kLockedCharmSize, 2},
}};

// ---- fonts ----------------------------------------------------------------
struct FontSpec {
  std::string_view path;
  int version;     // 1 = 8-bit with a global palette, 2 = 32-bit
  int lineHeight;  // height of every glyph cell ('M' included)
  bool latin1;     // also holds 0xA1..0xFF
};
inline constexpr std::array<FontSpec, 7> kFonts = {{
    {"Fonts/StSmallFont.img", 2, 10, false},
    {"Fonts/CandyFont.img", 2, 24, false},
    {"Fonts/ChiselFont.img", 1, 32, false},
    {"Fonts/VantrelBigFont.img", 1, 38, false},
    {"Fonts/SysFont.img", 1, 13, true},
    {"Fonts/BrushedFont.img", 2, 22, false},
    {"Fonts/GreenBrushedFont.img", 2, 22, false},
}};
inline constexpr int kFontFirstChar = 33, kFontLastChar = 126;
inline constexpr int kLatin1First = 0xA1, kLatin1Last = 0xFF;
inline constexpr int kMaxBrushedDigitAdvance = 10;

// ---- pictures -------------------------------------------------------------
struct PictureSpec {
  std::string_view path;
  int width, height;
};
inline constexpr int kMarqueeFrames = 16, kMarqueeHeight = 56;
// The main menu draws a marquee frame 10 pixels below the screen's top edge,
// keyed, and its version text above it on rows 2 to 14 (the system font's
// line height): the first rows of every frame are the drawing key, so the
// strip shows from screen row 16 down and leaves the version text whole.
inline constexpr int kMarqueeClearRows = 6;
inline constexpr std::array<PictureSpec, 8> kPictures = {{
    {"Pictures/HighScores.png", kScreenWidth, kScreenHeight},
    {"Pictures/splash.png", kScreenWidth, kScreenHeight},
    {"Pictures/Charms.png", kScreenWidth, kScreenHeight},
    {"Pictures/BoardSelect.png", kScreenWidth, kScreenHeight},
    {"Pictures/TitlePowerups.png", kScreenWidth, kMarqueeHeight* kMarqueeFrames},
    {"Pictures/cursor.png", 32, 32},
    {"Pictures/TitleScreen.bmp", kScreenWidth, kScreenHeight},
    {"Pictures/ExitScreen.png", kScreenWidth, kScreenHeight},
}};

// ---- board-set graphics ---------------------------------------------------
// Brick numbers are image index + 1. Names decide the brick kinds.
inline constexpr int kBrickCount = 44;
inline constexpr int kFirstExplo = 21, kExploFrames = 8;  // bricks 21..28
inline constexpr int kMulti3First = 30, kMulti2First = 34, kMulti4First = 37;
inline constexpr int kAlmostInvin = 41, kInvin = 42, kZapped = 43, kHidden = 44;
inline constexpr std::array<std::string_view, 20> kPlainBrickNames = {
    "red",    "orange",  "yellow", "lime",  "green", "teal",  "cyan", "sky",    "blue",   "indigo",
    "violet", "magenta", "pink",   "white", "grey",  "brown", "gold", "silver", "copper", "jade"};
inline constexpr int kBackgroundCount = 10;
inline constexpr std::string_view kBrickSet = "Boards/Bricks.img";
inline constexpr std::string_view kBrickSetClassic = "Boards/Bricks_classic.img";
inline constexpr std::string_view kBackgroundSet = "Boards/Backgrounds.img";
inline constexpr std::string_view kBackgroundSetClassic = "Boards/Backgrounds_classic.img";

// The name of brick number n (1-based).
constexpr std::string_view BrickName(int n) {
  if (n >= 1 && n <= 20) return kPlainBrickNames[n - 1];
  if (n >= kFirstExplo && n < kFirstExplo + kExploFrames) return "explo";
  if (n == 29) return "glass";
  if (n == 33) return "stone";
  if (n == 36) return "marble";
  if ((n >= 30 && n <= 32) || (n >= 34 && n <= 35) || (n >= 37 && n <= 40)) return "multi";
  if (n == kAlmostInvin) return "almostinvin";
  if (n == kInvin) return "invin";
  if (n == kZapped) return "zapped";
  if (n == kHidden) return "hidden";
  return "";
}

// ---- board sets -----------------------------------------------------------
struct BoardSetSpec {
  std::string_view path;
  std::string_view title, author, notes;
  int columns;
  int boards;
  int sortOrder;
};
inline constexpr std::array<BoardSetSpec, 2> kBoardSets = {{
    {"Boards/Starter.bdz", "Starter Set", "Vantrel Team", "Twelve boards to learn on", 20, 12, 0},
    {"Boards/StarterWide.bdz", "Starter Set Wide", "Vantrel Team", "Eight boards, wide screen", 26, 8, 1},
}};
inline constexpr int kBoardSetVersion = 7;
inline constexpr int kBoardRows = 20, kUsedRows = 16;

// ---- charms ---------------------------------------------------------------
inline constexpr std::string_view kCharmSet = "Charms/Default.charms";
inline constexpr int kCharmCount = 40;

// ---- sounds and music -----------------------------------------------------
inline constexpr std::array<std::string_view, 32> kSounds = {
    "boing.wav",    "effect.wav",   "bang.wav",     "ao-laser.wav", "bassdrum.wav",          "byeball.wav",
    "wowpulse.wav", "saucer.wav",   "orchestr.wav", "effect2.wav",  "sweepdow.wav",          "peow!.wav",
    "fanfare.wav",  "padexplo.wav", "ricochet.wav", "swordswi.wav", "gunfire.wav",           "humm.wav",
    "glass.wav",    "orchblas.wav", "tank.wav",     "xplosht1.wav", "xploshor.wav",          "HighVoltage8.wav",
    "Thunder8.wav", "FireLow8.wav", "Whoosh.wav",   "ChChing.wav",  "VolleyBall03_Loud.wav", "Glass_Short.wav",
    "Lock.wav",     "x2.wav"};
inline constexpr std::string_view kSoundFolder = "Sounds/";
inline constexpr int kSampleRate = 22050;
inline constexpr int kLoopedSound = 25;  // FireLow8.wav loops over its whole length

struct ModuleSpec {
  std::string_view path;
  std::string_view title;
  int bpm;
  int minSeconds;  // playing time before the song loops
};
inline constexpr std::array<ModuleSpec, 4> kModules = {{
    {"Mods/BeatWave.mod", "BeatWave", 120, 60},
    {"Mods/Raiders.mod", "Raiders", 140, 60},
    {"Mods/Seasons.mod", "Seasons", 96, 60},
    {"Mods/OrbFlowr.mod", "OrbFlowr", 112, 60},
}};
inline constexpr std::array<ModuleSpec, 4> kInGameModules = {{
    {"InGameMods/Lumen.mod", "Lumen", 128, 60},
    {"InGameMods/Quarry.mod", "Quarry", 132, 60},
    {"InGameMods/Tidewater.mod", "Tidewater", 104, 60},
    {"InGameMods/Starlight.s3m", "Starlight", 124, 60},
}};

inline constexpr std::string_view kLicenceFile = "LICENSES.txt";

}  // namespace vantrel::pack
