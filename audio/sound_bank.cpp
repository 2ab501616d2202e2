#include "audio/sound_bank.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <string>

#include "core/cstr.h"
#include "core/linklist.h"
#include "core/random_int.h"
#include "platform/debug.h"

SoundSEAL soundSystem;
SoundBank soundBank;
AudioSettings audioSettings;

const char* const kSoundEffectFiles[kSoundEffectCount] = {
    "boing.wav",    "effect.wav",   "bang.wav",     "ao-laser.wav", "bassdrum.wav",          "byeball.wav",
    "wowpulse.wav", "saucer.wav",   "orchestr.wav", "effect2.wav",  "sweepdow.wav",          "peow!.wav",
    "fanfare.wav",  "padexplo.wav", "ricochet.wav", "swordswi.wav", "gunfire.wav",           "humm.wav",
    "glass.wav",    "orchblas.wav", "tank.wav",     "xplosht1.wav", "xploshor.wav",          "HighVoltage8.wav",
    "Thunder8.wav", "FireLow8.wav", "Whoosh.wav",   "ChChing.wav",  "VolleyBall03_Loud.wav", "Glass_Short.wav",
    "Lock.wav",     "x2.wav"};

const char* const kFixedModuleFiles[kFixedModuleCount] = {"Mods/BeatWave.mod", "Mods/Raiders.mod", "Mods/Seasons.mod",
                                                          "Mods/OrbFlowr.mod"};

int32_t LoadSounds() {
  SoundBank& b = soundBank;
  if (b.audioLoaded) return 1;
  soundSystem.Shutdown();
  // This system counts as the platform family that always takes the
  // alternative output path.
  b.alternativeDriver = 1;
  if (audioSettings.disableAudio) {
    b.audioLoaded = 1;
    b.audioFailed = 1;
    return 0;
  }
  // Brought into range before the sum, so no stored count can overflow it.
  const int32_t musicVoices = std::clamp<int32_t>(audioSettings.musicVoices, 0, kMaxMusicVoices);
  if (!soundSystem.Init(b.alternativeDriver != 0, audioSettings.playbackRate, audioSettings.playbackBits, kModuleSlots,
                        kSampleSlots, kEffectVoices, musicVoices + kEffectVoices)) {
    b.audioLoaded = 1;
    b.audioFailed = 1;
    return 0;
  }
  b.audioFailed = 0;
  b.audioLoaded = 1;
  for (int32_t i = 0; i < kFixedModuleCount; ++i) soundSystem.LoadModule(kFixedModuleFiles[i], 0, i);

  Linklist<CStr> names;
  names.Refill("InGameMods/*.mod", false, "");
  names.FillFromDirectory("InGameMods/*.xm", false, "");
  names.FillFromDirectory("InGameMods/*.s3m", false, "");
  int32_t count = 0;
  while (names.Get(count)) ++count;
  b.inGameModuleCount = count;
  if (count == 0) {
    plat::DebugOutput("No InGame Mods Found!\n");
  } else {
    for (int32_t i = 0; i < count; ++i) {
      const char* name = names.Get(i);
      const std::string path = std::string("InGameMods/") + name;
      if (!soundSystem.LoadModule(path.c_str(), 0, kFixedModuleCount + i)) {
        const std::string line = std::string("Error loading module ") + name + "\n";
        plat::DebugOutput(line.c_str());
      }
    }
  }
  names.Clear();

  BuildMusicPlaylist();

  for (int32_t i = 0; i < kSoundEffectCount; ++i) {
    const std::string path = std::string("Sounds/") + kSoundEffectFiles[i];
    soundSystem.LoadSample(path.c_str(), 0);
  }

  if (b.currentModule >= 0 && soundSystem.PlayModule(b.currentModule)) soundSystem.SetModuleVolume(b.musicVolume);
  return 1;
}

namespace {
PlaySoundObserver& SoundObserver() {
  static PlaySoundObserver observer;
  return observer;
}
}  // namespace

void SetPlaySoundObserver(PlaySoundObserver observer) { SoundObserver() = std::move(observer); }

int32_t PlaySoundAt(int32_t sample, float x, int32_t frequency, int32_t volume) {
  if (const PlaySoundObserver& observer = SoundObserver()) observer(sample, x, frequency, volume);
  const double width = soundBank.screenWidth;
  const double p = double(x) / width * 255.0;
  int32_t pan = 0;
  if (std::isfinite(p)) pan = int32_t(std::clamp(std::trunc(p), -1.0e6, 1.0e6));
  if (audioSettings.swapStereo) pan = 255 - pan;
  return soundSystem.PlaySample(sample, frequency, volume, pan) ? 1 : 0;
}

int32_t PlayMusic(int32_t module) {
  if (!soundSystem.PlayModule(module)) return 0;
  soundSystem.SetModuleVolume(40);
  soundBank.currentModule = module;
  return 1;
}

void PlayNextInGameMusic() {
  SoundBank& b = soundBank;
  if (b.playlistLength <= 0) return;
  if (b.playlistPosition < 0 || b.playlistPosition >= b.playlistLength) b.playlistPosition = 0;
  PlayMusic(b.playlist[b.playlistPosition]);
  ++b.playlistPosition;
  if (b.playlistPosition >= b.playlistLength) b.playlistPosition = 0;
}

void BuildMusicPlaylist() {
  SoundBank& b = soundBank;
  // The playlist holds at most kPlaylistSize modules; in-game modules beyond
  // that are left out.
  const int32_t length = std::min(3 + std::max(b.inGameModuleCount, 0), kPlaylistSize);
  for (int32_t i = 0; i < length; ++i) b.playlist[i] = i < b.scoreModule ? i : i + 1;
  b.playlistLength = length;
  for (int pass = 0; pass < 100; ++pass) {
    for (int32_t k = 0; k < length; ++k) {
      const uint32_t p = RandomInt(uint32_t(length));
      const uint32_t q = RandomInt(uint32_t(length));
      std::swap(b.playlist[p], b.playlist[q]);
    }
  }
}

int32_t StopMusic() {
  const bool ok = soundSystem.StopModule();
  soundBank.currentModule = -1;
  return ok ? 1 : 0;
}

int32_t ShutdownAudio() {
  const bool ok = soundSystem.Shutdown();
  soundBank.audioLoaded = 0;
  return ok ? 1 : 0;
}
