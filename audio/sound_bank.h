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

// The effects in sample-number order.
constexpr int32_t kSoundEffectCount = 32;
extern const char* const kSoundEffectFiles[kSoundEffectCount];
// The fixed modules in slots 0..3.
constexpr int32_t kFixedModuleCount = 4;
extern const char* const kFixedModuleFiles[kFixedModuleCount];
constexpr int32_t kModuleSlots = 32;
constexpr int32_t kSampleSlots = 100;
constexpr int32_t kPlaylistSize = 100;

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
