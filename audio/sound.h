#pragma once
// The game's audio interface. Every operation reports failure by false (or 0,
// or -1 where said) and never throws. Voices, samples and module slots are
// numbered from 0; an index out of range makes an operation fail and change
// nothing.
#include <cstdint>

class WaveBuffer;

class Sound {
 public:
  virtual ~Sound() = default;

  // Opens the output (rate <= 0 means 44100 Hz; bits 16 or else 8) with the
  // given numbers of module slots, sample slots and voices, and `openVoices`
  // voices opened in the library (at least `voices`, at most 32).
  virtual bool Init(bool alternativeDriver, int32_t rate, int32_t bits, int32_t moduleSlots, int32_t sampleSlots,
                    int32_t voices, int32_t openVoices) = 0;
  // Frees everything and closes the device; true when the device was closed.
  virtual bool Shutdown() = 0;
  virtual bool SetDefaultDistances(float minDistance, float maxDistance) = 0;

  // ---- modules ----
  virtual bool LoadModule(const char* fileName, int32_t fileOffset, int32_t slot) = 0;
  virtual bool FreeModule(int32_t slot) = 0;
  virtual bool PlayModule(int32_t slot) = 0;
  virtual bool PauseModule(bool pause) = 0;
  virtual bool StopModule() = 0;
  virtual int32_t GetModulePosition() = 0;
  virtual bool SetModuleVolume(int32_t volume) = 0;

  // ---- samples ----
  virtual bool CreateSample8(const uint8_t* data, int32_t length, int32_t rate) = 0;
  virtual bool CreateSample(const int8_t* data, int32_t length, int32_t rate) = 0;
  virtual bool LoadSample(const char* fileName, int32_t fileOffset) = 0;
  virtual bool CreateSampleFromWave(const WaveBuffer& buffer) = 0;
  virtual int32_t GetSampleRate(int32_t sample) = 0;
  virtual int32_t GetSampleLength(int32_t sample) = 0;

  // ---- voices ----
  // frequency 0 = the sample's own rate; volume 0..63; pan 0..255.
  virtual bool PlaySample(int32_t sample, int32_t frequency, int32_t volume, int32_t pan) = 0;
  virtual bool SetVoicePan(int32_t voice, int32_t pan) = 0;
  virtual bool SetVoiceVolume(int32_t voice, int32_t volume) = 0;
  virtual bool SetVoiceFrequency(int32_t voice, int32_t frequency) = 0;
  virtual bool SetSampleLoop(int32_t sample, bool on) = 0;
  virtual bool StopVoice(int32_t voice) = 0;
  virtual bool StopAllVoices() = 0;
  virtual int32_t GetSampleCount() = 0;
  virtual int32_t GetVoiceCount() = 0;
  virtual int32_t GetLastVoice() = 0;
  virtual bool IsVoicePlaying(int32_t voice) = 0;
  virtual int32_t GetVoiceSample(int32_t voice) = 0;

  // ---- 3-D voices ----
  virtual bool Update3D() = 0;
  virtual bool SetListenerPosition(const float* xyz) = 0;
  virtual bool SetListenerOrientation(const float* angles) = 0;
  virtual bool SetListenerVelocity(const float* xyz) = 0;
  virtual bool SetVoicePosition(int32_t voice, float x, float y, float z) = 0;
  virtual bool SetVoiceVelocity(int32_t voice, float x, float y, float z) = 0;
  virtual bool SetVoiceFactor(int32_t voice, float factor) = 0;
  virtual bool SetVoiceGain(int32_t voice, float gain) = 0;
  virtual bool SetVoicePitch(int32_t voice, float pitch) = 0;
  virtual bool SetVoiceDistances(int32_t voice, float minMultiple, float maxMultiple) = 0;
  virtual bool SetVoice3D(int32_t voice, const float* position, const float* velocity, float gain, float pitch,
                          float factor) = 0;
  virtual bool PlaceVoiceAtListener(int32_t voice) = 0;

  // ---- streaming ----
  virtual bool UpdateStream(WaveBuffer& buffer) = 0;
  virtual bool StartStream(WaveBuffer& buffer) = 0;
  virtual bool StopStream() = 0;
  virtual bool PauseStream(bool pause) = 0;

  // ---- volume factors ----
  virtual bool SetSampleVolume(float volume) = 0;
  virtual bool Set3DVolume(float volume) = 0;
  virtual bool SetPitchFactor(float factor) = 0;
  virtual bool SetStreamVolume(float volume) = 0;
  virtual void SetReservedVoices(int32_t count) = 0;
};
