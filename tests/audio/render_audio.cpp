// Renders a few seconds of sound effects and a tracker module through the
// null output into a WAV file, so a person can listen to what the mixer
// makes:  render_audio out.wav [rate] [bits] [data folder]
// Defaults: 22050 Hz, 8 bits (the game's own output settings), stereo.
// With a data folder (one that holds "Sounds/", "Mods/" and "InGameMods/"),
// the game's own effects and music are loaded through the sound bank, as the
// game loads them, and played instead: every effect alone with a pause after
// it, then a busy passage of effects over the first menu module.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/sound_bank.h"
#include "audio/sound_seal.h"
#include "audio/wave_buffer.h"
#include "audio_test_files.h"
#include "platform/seal/seal.h"

namespace seal = plat::seal;
using audiotest::Bytes;

namespace {

constexpr double kPi = 3.14159265358979323846;

// A falling laser sweep, unsigned 8-bit around 127 (the zero line
// CreateSample8 maps to 0). It starts at phase 0 and dies away, so neither
// end clicks.
std::vector<uint8_t> Sweep(int rate) {
  std::vector<uint8_t> s(size_t(rate) * 3 / 10);
  double phase = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = double(i) / double(s.size());
    s[i] = uint8_t(std::lround(127 + 100 * (1 - t) * std::sin(phase)));
    phase += 2 * kPi * (1800 - 1500 * t) / rate;
  }
  return s;
}

// A noise burst with an exponential decay (an explosion), 16-bit.
void Burst(WaveBuffer& w, int rate) {
  w.Create(rate, 16, 0, rate / 2);
  uint32_t x = 12345;
  auto* out = reinterpret_cast<int16_t*>(w.samples);
  int32_t low = 0;
  for (int i = 0; i < rate / 2; ++i) {
    x = x * 1664525u + 1013904223u;
    const int32_t noise = int32_t(x >> 16) - 32768;
    low += (noise - low) / 4;
    out[i] = int16_t(0.7 * low * std::exp(-6.0 * i / rate));
  }
}

// A bell: two partials with a slow decay, unsigned 8-bit around 127.
std::vector<uint8_t> Bell(int rate) {
  std::vector<uint8_t> s(static_cast<size_t>(rate));
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = double(i) / rate;
    // The last 20 ms fade to nothing, so the end of the sample is no click.
    const double tail = std::min(1.0, double(s.size() - i) / (0.02 * rate));
    const double v = tail * std::exp(-3 * t) * (0.6 * std::sin(2 * kPi * 660 * t) + 0.3 * std::sin(2 * kPi * 1650 * t));
    s[i] = uint8_t(std::lround(127 + 120 * v));
  }
  return s;
}

bool WriteWav(const char* path, const std::vector<uint8_t>& pcm, int rate, int bits) {
  Bytes chunks;
  audiotest::PutChunk(chunks, "fmt ", audiotest::FmtBody(2, rate, bits));
  audiotest::PutChunk(chunks, "data", Bytes(pcm.begin(), pcm.end()));
  const Bytes file = audiotest::Riff(chunks);
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  return std::fclose(f) == 0 && ok;
}

// Plays the game's data through the sound bank; the mixed output stays in
// the null output's store.
bool RenderGameData(const char* folder, int rate, int bits) {
  if (chdir(folder) != 0) {
    std::fprintf(stderr, "cannot enter %s\n", folder);
    return false;
  }
  audioSettings.playbackRate = rate;
  audioSettings.playbackBits = bits;
  if (!LoadSounds()) {
    std::fprintf(stderr, "the sound bank did not load\n");
    return false;
  }
  auto advance = [&](double seconds) { seal::AdvanceNullOutput(uint32_t(seconds * rate)); };
  const float width = float(soundBank.screenWidth);
  for (int32_t i = 0; i < kSoundEffectCount; ++i) {
    const int32_t length = soundSystem.GetSampleLength(i);
    const int32_t own = soundSystem.GetSampleRate(i);
    if (length <= 0 || own <= 0) continue;
    PlaySoundAt(static_cast<SoundEffect>(i), width / 2, 0, 63);
    // Long sounds are cut after two seconds.
    advance(std::min(2.0, double(length) / own) + 0.3);
    soundSystem.StopAllVoices();
  }
  // A busy moment: music at the game's volume and effects piling up.
  PlayMusic(0);
  advance(1.0);
  const SoundEffect busy[] = {
      kSoundBoing, kSoundBang, kSoundPadExplode,       kSoundBoing, kSoundRicochet, kSoundExplosionShort, kSoundBoing,
      kSoundGlass, kSoundBang, kSoundExplosionShorter, kSoundBoing, kSoundRicochet};
  for (size_t k = 0; k < sizeof busy / sizeof busy[0]; ++k) {
    PlaySoundAt(busy[k], width * float(k % 5) / 4.0f, 0, 63);
    advance(0.08);
  }
  advance(2.0);
  StopMusic();
  advance(0.3);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s out.wav [rate] [bits] [data folder]\n", argv[0]);
    return 2;
  }
  const int rate = argc > 2 ? std::atoi(argv[2]) : 22050;
  const int bits = argc > 3 ? std::atoi(argv[3]) : 8;
  seal::SelectOutput(seal::Output::kNull);
  if (argc > 4) {
    // The output file name is taken as given, before the folder changes.
    std::string out = argv[1];
    if (out[0] != '/') {
      char here[4096];
      if (getcwd(here, sizeof here)) out = std::string(here) + "/" + out;
    }
    if (!RenderGameData(argv[4], rate, bits)) return 1;
    const std::vector<uint8_t> pcm = seal::TakeNullOutputBytes();
    ShutdownAudio();
    if (!WriteWav(out.c_str(), pcm, rate, bits == 16 ? 16 : 8)) {
      std::fprintf(stderr, "cannot write %s\n", out.c_str());
      return 1;
    }
    std::printf("%s: %.2f s of the game's sounds at %d Hz, %d-bit stereo\n", out.c_str(),
                double(pcm.size()) / (rate * 2 * (bits == 16 ? 2 : 1)), rate, bits == 16 ? 16 : 8);
    return 0;
  }
  SoundSEAL sound;
  if (!sound.Init(true, rate, bits, 1, 8, 8, 16)) {
    std::fprintf(stderr, "cannot open the null output at %d Hz, %d bits\n", rate, bits);
    return 1;
  }
  const std::vector<uint8_t> sweep = Sweep(22050);
  const std::vector<uint8_t> bell = Bell(22050);
  WaveBuffer burst;
  Burst(burst, 22050);
  sound.CreateSample8(sweep.data(), int32_t(sweep.size()), 22050);  // 0
  sound.CreateSampleFromWave(burst);                                // 1
  sound.CreateSample8(bell.data(), int32_t(bell.size()), 22050);    // 2

  const std::string modPath = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                              "/render_audio_tune.mod";
  const Bytes mod = audiotest::FourChannelMod(8);
  if (FILE* f = std::fopen(modPath.c_str(), "wb")) {
    std::fwrite(mod.data(), 1, mod.size(), f);
    std::fclose(f);
  }
  const bool haveModule = sound.LoadModule(modPath.c_str(), 0, 0);
  std::remove(modPath.c_str());

  auto advance = [&](double seconds) { seal::AdvanceNullOutput(uint32_t(seconds * rate)); };
  // Effects: sweeps left to right, an explosion in the middle, bells at two
  // pitches, a run of quick sweeps on all voices.
  for (int i = 0; i < 5; ++i) {
    sound.PlaySample(0, 0, 63, i * 255 / 4);
    advance(0.25);
  }
  sound.PlaySample(1, 0, 63, 128);
  advance(0.6);
  sound.PlaySample(2, 0, 50, 40);
  advance(0.3);
  sound.PlaySample(2, 33075, 50, 215);
  advance(0.8);
  // Up to five of these overlap; at this volume their sum stays inside full scale.
  for (int i = 0; i < 12; ++i) {
    sound.PlaySample(0, 22050 + 2000 * i, 24, (i * 97) % 256);
    advance(0.06);
  }
  advance(0.5);
  // The module, with one more explosion over it.
  if (haveModule) {
    sound.PlayModule(0);
    sound.SetModuleVolume(40);
    advance(1.5);
    sound.PlaySample(1, 0, 40, 200);
    advance(2.0);
    sound.StopModule();
  }
  advance(0.3);

  const std::vector<uint8_t> pcm = seal::TakeNullOutputBytes();
  sound.Shutdown();
  if (!WriteWav(argv[1], pcm, rate, bits == 16 ? 16 : 8)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %.2f s at %d Hz, %d-bit stereo%s\n", argv[1], double(pcm.size()) / (rate * 2 * (bits == 16 ? 2 : 1)),
              rate, bits == 16 ? 16 : 8, haveModule ? "" : " (module did not load)");
  return 0;
}
