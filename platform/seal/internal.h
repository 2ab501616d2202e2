#pragma once
// State shared by the parts of the sound library. Everything here is touched
// only with the output lock held (see OutputLock).
#include <SDL.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/seal/seal.h"

namespace plat::seal::detail {

// The library's own copy of a block of sample data.
struct SampleStore {
  std::uint32_t handle = 0;
  void* clientData = nullptr;  // the record's data pointer we handed out
  std::vector<std::uint8_t> bytes;
};

struct VoiceState {
  bool created = false;
  bool playing = false;
  SampleStore* store = nullptr;
  std::uint32_t handle = 0;
  std::uint16_t format = 0;
  std::uint32_t frames = 0;
  std::uint32_t loopStart = 0;  // frames
  std::uint32_t loopEnd = 0;    // frames, exclusive
  bool loop = false;
  std::uint64_t position = 0;  // frames, 32.32 fixed point
  std::uint32_t frequency = 0;
  std::uint32_t volume = kMaxVolume;
  std::uint32_t panning = kPanCentre;
};

struct State {
  Output selected = Output::kSdl;
  bool deviceOpen = false;
  Output openOutput = Output::kNull;
  DeviceDesc desc;
  int channels = 2;
  bool sixteenBit = true;
  SDL_AudioDeviceID sdlDevice = 0;

  std::uint32_t voicesOpened = 0;
  VoiceState voices[kMaxVoices];

  std::map<std::uint32_t, std::unique_ptr<SampleStore>> samples;
  std::uint32_t nextHandle = 1;
  std::set<Sample*> waveRecords;  // records made by LoadWaveFile

  std::set<Module*> modules;
  Module* playing = nullptr;
  bool modulePaused = false;
  std::uint32_t moduleVolume = kMaxVolume;

  std::vector<std::int32_t> mixBuffer;
  std::vector<std::uint8_t> nullKept;
};

// The one library state. Never destroyed, so calls made while the program's
// static objects are torn down still find it.
State& S();

// Holds the SDL audio device lock while the SDL output is open.
class OutputLock {
 public:
  OutputLock();
  ~OutputLock();
  OutputLock(const OutputLock&) = delete;
  OutputLock& operator=(const OutputLock&) = delete;

 private:
  SDL_AudioDeviceID device_;
};

// Module side (module.cpp).
int StartModulePlayer(Module* module, int rate, bool mono);
void EndModulePlayer(Module* module);
// Adds `frames` frames of the playing module (volume applied) to `acc`
// (int32 at 16-bit scale, `channels` interleaved).
void MixModule(Module* module, std::int32_t* acc, std::uint32_t frames, int channels, std::uint32_t volume);
std::uint32_t ModuleOrder(const Module* module);
std::uint32_t ModuleLoops(const Module* module);

// WAVE parsing (wave.cpp): fills `out` with signed 8-bit frames.
struct WaveData {
  int channels = 1;
  std::uint16_t rate = 0;
  std::vector<std::uint8_t> bytes;
};
int ParseWave(const std::uint8_t* bytes, std::size_t size, WaveData* out);

// Reads the file from `offset` to its end (at most `limit` bytes).
int ReadFileFrom(const char* fileName, std::uint32_t offset, std::size_t limit, std::vector<std::uint8_t>* out);

}  // namespace plat::seal::detail
