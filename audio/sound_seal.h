#pragma once
// The Sound interface over the sound library (platform/seal): one output
// device, a fixed set of voices, numbered sample and module slots, 3-D
// placement of voices around a listener and one streamed voice.
#include <cstdint>

#include "audio/sound.h"
#include "platform/seal/seal.h"

// One voice: its library handle and its 3-D placement.
struct VoiceRecord {
  plat::seal::Voice handle = 0;
  float posX = 0, posY = 0, posZ = 0;
  float velX = 0, velY = 0, velZ = 0;
  float minDistance = 0;
  float maxDistance = 0;
  float gain = 0;
  float pitch = 0;
  float factor = 0;
  int32_t isStream = 0;  // 1 for the stream voice, which 3-D placement skips
};

class SoundSEAL : public Sound {
 public:
  // Bytes of the stream's looping ring.
  static constexpr int32_t kStreamBytes = 0x40000;
  // Bytes kept free in front of the play position when the ring is refilled.
  static constexpr int32_t kStreamGap = 4096;

  SoundSEAL() = default;
  ~SoundSEAL() override;
  SoundSEAL(const SoundSEAL&) = delete;
  SoundSEAL& operator=(const SoundSEAL&) = delete;

  bool Init(bool alternativeDriver, int32_t rate, int32_t bits, int32_t moduleSlots, int32_t sampleSlots,
            int32_t voices, int32_t openVoices) override;
  bool Shutdown() override;
  bool SetDefaultDistances(float minDistance, float maxDistance) override;

  bool LoadModule(const char* fileName, int32_t fileOffset, int32_t slot) override;
  bool FreeModule(int32_t slot) override;
  bool PlayModule(int32_t slot) override;
  bool PauseModule(bool pause) override;
  bool StopModule() override;
  int32_t GetModulePosition() override;
  bool SetModuleVolume(int32_t volume) override;

  bool CreateSample8(const uint8_t* data, int32_t length, int32_t rate) override;
  bool CreateSample(const int8_t* data, int32_t length, int32_t rate) override;
  bool LoadSample(const char* fileName, int32_t fileOffset) override;
  bool CreateSampleFromWave(const WaveBuffer& buffer) override;
  int32_t GetSampleRate(int32_t sample) override;
  int32_t GetSampleLength(int32_t sample) override;

  bool PlaySample(int32_t sample, int32_t frequency, int32_t volume, int32_t pan) override;
  bool SetVoicePan(int32_t voice, int32_t pan) override;
  bool SetVoiceVolume(int32_t voice, int32_t volume) override;
  bool SetVoiceFrequency(int32_t voice, int32_t frequency) override;
  bool SetSampleLoop(int32_t sample, bool on) override;
  bool StopVoice(int32_t voice) override;
  bool StopAllVoices() override;
  int32_t GetSampleCount() override;
  int32_t GetVoiceCount() override;
  int32_t GetLastVoice() override;
  bool IsVoicePlaying(int32_t voice) override;
  int32_t GetVoiceSample(int32_t voice) override;

  bool Update3D() override;
  bool SetListenerPosition(const float* xyz) override;
  bool SetListenerOrientation(const float* angles) override;
  bool SetListenerVelocity(const float* xyz) override;
  bool SetVoicePosition(int32_t voice, float x, float y, float z) override;
  bool SetVoiceVelocity(int32_t voice, float x, float y, float z) override;
  bool SetVoiceFactor(int32_t voice, float factor) override;
  bool SetVoiceGain(int32_t voice, float gain) override;
  bool SetVoicePitch(int32_t voice, float pitch) override;
  bool SetVoiceDistances(int32_t voice, float minMultiple, float maxMultiple) override;
  bool SetVoice3D(int32_t voice, const float* position, const float* velocity, float gain, float pitch,
                  float factor) override;
  bool PlaceVoiceAtListener(int32_t voice) override;

  bool UpdateStream(WaveBuffer& buffer) override;
  bool StartStream(WaveBuffer& buffer) override;
  bool StopStream() override;
  bool PauseStream(bool pause) override;

  bool SetSampleVolume(float volume) override;
  bool Set3DVolume(float volume) override;
  bool SetPitchFactor(float factor) override;
  bool SetStreamVolume(float volume) override;
  void SetReservedVoices(int32_t count) override;

  // Read-only views for diagnostics and tests.
  const plat::seal::DeviceDesc& Device() const { return device; }
  int32_t OpenedVoiceCount() const { return openVoiceCount; }
  int32_t ModuleSlotCount() const { return moduleSlotCount; }
  int32_t StreamVoice() const { return streamVoice; }
  const VoiceRecord* Voice(int32_t voice) const { return ValidVoice(voice) ? &voices[voice] : nullptr; }
  const plat::seal::Sample* SampleRecord(int32_t sample) const {
    return ValidSample(sample) ? sampleSlots[sample].sample : nullptr;
  }
  plat::seal::Module* ModuleRecord(int32_t slot) const { return ValidModuleSlot(slot) ? modules[slot] : nullptr; }

 private:
  struct SampleSlot {
    plat::seal::Sample* sample = nullptr;
    uint8_t fromFile = 0;
  };

  bool ValidVoice(int32_t voice) const { return voices && voice >= 0 && voice < voiceCount; }
  bool ValidSample(int32_t sample) const { return sampleSlots && sample >= 0 && sample < sampleCount; }
  bool ValidModuleSlot(int32_t slot) const { return modules && slot >= 0 && slot < moduleSlotCount; }
  bool VoiceStopped(int32_t voice);
  // Makes a sample record with library data of `length` bytes, fills it with
  // `fill` and adds it to the next slot.
  bool AddCreatedSample(int32_t length, int32_t rate, uint16_t format,
                        void (*fill)(void* out, const void* in, int32_t length), const void* in);
  void ResetVoiceRecord(VoiceRecord& record, bool defaults);

  float volume3D = 1.0f;
  float sampleVolume = 1.0f;
  float streamVolume = 1.0f;
  float pitchFactor = 1.0f;
  int32_t reservedVoices = 0;

  uint8_t streamActive = 0;
  int32_t streamWritePos = 0;
  int32_t streamPaused = 0;
  int32_t streamSavedPos = 0;
  plat::seal::Sample* streamSample = nullptr;
  int32_t streamVoice = -1;

  plat::seal::DeviceDesc device;

  int32_t sampleCount = 0;
  int32_t moduleSlotCount = 0;
  int32_t sampleSlotCount = 0;
  int32_t voiceCount = 0;
  int32_t openVoiceCount = 0;

  SampleSlot* sampleSlots = nullptr;
  plat::seal::Module** modules = nullptr;
  VoiceRecord* voices = nullptr;

  uint8_t deviceOpen = 0;
  int32_t lastVoice = -1;
  int32_t voiceSample[256] = {};

  float listenerPos[3] = {0, 0, 0};
  float listenerVel[3] = {0, 0, 0};
  float listenerOrient[3] = {0, 0, 0};

  float defaultMinDistance = 75.0f;
  float defaultMaxDistance = 500.0f;
};
