#pragma once
// The game's sound bank: opens the audio device with the game's settings,
// loads the fixed music modules, the in-game modules and the 32 effects in
// their fixed order, plays effects panned by screen position and runs the
// shuffled in-game music playlist.
#include <cstdint>
#include <functional>

#include "audio/sound_seal.h"

// The settings the sound bank reads. The game fills them from its
// configuration before the first LoadSounds and keeps swapStereo in step with
// its own setting.
struct AudioSettings {
  int32_t disableAudio = 0;
  int32_t forceWaveOut = 0;
  int32_t playbackRate = 22050;
  int32_t playbackBits = 8;
  int32_t musicVoices = 8;
  int32_t swapStereo = 0;
};

// The sound effects by sample number: effect k is the k-th file of
// kSoundEffectFiles, so every name here is that file's.
enum SoundEffect : int32_t {
  kSoundBoing = 0,              // "boing.wav"
  kSoundEffect = 1,             // "effect.wav"
  kSoundBang = 2,               // "bang.wav"
  kSoundAoLaser = 3,            // "ao-laser.wav"
  kSoundBassDrum = 4,           // "bassdrum.wav"
  kSoundByeBall = 5,            // "byeball.wav"
  kSoundWowPulse = 6,           // "wowpulse.wav"
  kSoundSaucer = 7,             // "saucer.wav"
  kSoundOrchestra = 8,          // "orchestr.wav"
  kSoundEffect2 = 9,            // "effect2.wav"
  kSoundSweepDown = 10,         // "sweepdow.wav"
  kSoundPeow = 11,              // "peow!.wav"
  kSoundFanfare = 12,           // "fanfare.wav"
  kSoundPadExplode = 13,        // "padexplo.wav"
  kSoundRicochet = 14,          // "ricochet.wav"
  kSoundSwordSwing = 15,        // "swordswi.wav"
  kSoundGunfire = 16,           // "gunfire.wav"
  kSoundHumm = 17,              // "humm.wav"
  kSoundGlass = 18,             // "glass.wav"
  kSoundOrchestraBlast = 19,    // "orchblas.wav"
  kSoundTank = 20,              // "tank.wav"
  kSoundExplosionShort = 21,    // "xplosht1.wav"
  kSoundExplosionShorter = 22,  // "xploshor.wav"
  kSoundHighVoltage = 23,       // "HighVoltage8.wav"
  kSoundThunder = 24,           // "Thunder8.wav"
  kSoundFireLow = 25,           // "FireLow8.wav"
  kSoundWhoosh = 26,            // "Whoosh.wav"
  kSoundChChing = 27,           // "ChChing.wav"
  kSoundVolleyBall = 28,        // "VolleyBall03_Loud.wav"
  kSoundGlassShort = 29,        // "Glass_Short.wav"
  kSoundLock = 30,              // "Lock.wav"
  kSoundX2 = 31,                // "x2.wav"
};
constexpr int32_t kSoundEffectCount = 32;
extern const char* const kSoundEffectFiles[kSoundEffectCount];
// The fixed modules in slots 0..3.
constexpr int32_t kFixedModuleCount = 4;
extern const char* const kFixedModuleFiles[kFixedModuleCount];
constexpr int32_t kModuleSlots = 32;
constexpr int32_t kSampleSlots = 100;
constexpr int32_t kPlaylistSize = 100;
// The voices the device is opened with: 8 for the effects and musicVoices
// more for the music, at most the mixer's voices in all; the rates it plays.
constexpr int32_t kEffectVoices = 8;
constexpr int32_t kMaxMusicVoices = int32_t(plat::seal::kMaxVoices) - kEffectVoices;
constexpr int32_t kMinPlaybackRate = int32_t(plat::seal::kMinRate);
constexpr int32_t kMaxPlaybackRate = int32_t(plat::seal::kMaxRate);

struct SoundBank {
  int32_t audioLoaded = 0;
  int32_t audioFailed = 0;
  int32_t alternativeDriver = 0;
  int32_t inGameModuleCount = 0;
  int32_t playlist[kPlaylistSize] = {};
  int32_t playlistLength = 0;
  int32_t playlistPosition = 0;
  int32_t currentModule = -1;
  int32_t musicVolume = 40;
  int32_t menuModuleCount = 3;  // the menu screens play one of modules 0..2
  int32_t scoreModule = 3;      // high scores and completion; never in the playlist
  int32_t screenWidth = 1280;   // the pan reference
};

// The one sound system of the program and the bank's state.
extern SoundSEAL soundSystem;
extern SoundBank soundBank;
extern AudioSettings audioSettings;

// 1 when loaded (or loaded already), 0 when audio is off or the device failed.
int32_t LoadSounds();
// Plays effect `sample` panned by x across the screen width; the PlaySample
// result.
int32_t PlaySoundAt(int32_t sample, float x, int32_t frequency, int32_t volume);
// Called at the start of every PlaySoundAt with its arguments, whether or
// not audio is open (tests record the sounds the game plays). An empty
// function removes the observer.
using PlaySoundObserver = std::function<void(int32_t sample, float x, int32_t frequency, int32_t volume)>;
void SetPlaySoundObserver(PlaySoundObserver observer);
// 1 when module m plays (at the music volume), else 0.
int32_t PlayMusic(int32_t module);
void PlayNextInGameMusic();
void BuildMusicPlaylist();
int32_t StopMusic();
int32_t ShutdownAudio();
