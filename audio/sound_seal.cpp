#include "audio/sound_seal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "audio/wave_buffer.h"
#include "platform/debug.h"

namespace seal = plat::seal;

namespace {

// Float to integer, truncating toward zero; NaN gives 0 and values beyond
// the int32 range give its ends.
int32_t Trunc(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return int32_t(v);
}

float Clamp01(float v) {
  if (std::isnan(v)) return 0.0f;
  return std::clamp(v, 0.0f, 1.0f);
}

// Unsigned 8-bit to signed: byte - 127, so 127 is the zero line; 255 would
// wrap round to -128, so it is held at +127.
void FillUnsigned8(void* out, const void* in, int32_t length) {
  const uint8_t* src = static_cast<const uint8_t*>(in);
  int8_t* dst = static_cast<int8_t*>(out);
  for (int32_t i = 0; i < length; ++i) dst[i] = int8_t(std::min(int(src[i]) - 127, 127));
}

void FillCopy(void* out, const void* in, int32_t length) { std::memcpy(out, in, size_t(length)); }

// 8-bit WAVE data is unsigned with 128 as the zero line.
void FillFromUnsigned8(void* out, const void* in, int32_t length) {
  const uint8_t* src = static_cast<const uint8_t*>(in);
  uint8_t* dst = static_cast<uint8_t*>(out);
  for (int32_t i = 0; i < length; ++i) dst[i] = uint8_t(src[i] - 128);
}

// Fades the first and last 16 frames of a loaded sample in, and out, sample
// by sample in the record's own format: value i of the fade becomes
// (i * value) >> 4.
void FadeEnds(seal::Sample* s) {
  if (!s->data) return;
  const bool wide = (s->format & seal::kFormat16Bit) != 0;
  const uint32_t channels = (s->format & seal::kFormatStereo) ? 2 : 1;
  const uint32_t bytesPerFrame = channels * (wide ? 2 : 1);
  const uint32_t frames = s->length / bytesPerFrame;
  if (frames <= 32) return;
  auto fade = [&](uint32_t frame, int32_t i) {
    for (uint32_t c = 0; c < channels; ++c) {
      const uint32_t index = frame * channels + c;
      if (wide) {
        int16_t v;
        std::memcpy(&v, static_cast<uint8_t*>(s->data) + 2 * index, 2);
        v = int16_t((i * int32_t(v)) >> 4);
        std::memcpy(static_cast<uint8_t*>(s->data) + 2 * index, &v, 2);
      } else {
        int8_t* p = static_cast<int8_t*>(s->data) + index;
        *p = int8_t((i * int32_t(*p)) >> 4);
      }
    }
  };
  for (int32_t i = 0; i < 16; ++i) {
    fade(uint32_t(i), i);
    fade(frames - 1 - uint32_t(i), i);
  }
}

float Distance(const float* a, const float* b) {
  const double dx = double(a[0]) - b[0], dy = double(a[1]) - b[1], dz = double(a[2]) - b[2];
  return float(std::sqrt(dx * dx + dy * dy + dz * dz));
}

}  // namespace

SoundSEAL::~SoundSEAL() {
  plat::DebugOutput("Sound destructor called, freeing SEAL.\n");
  Shutdown();
}

bool SoundSEAL::Init(bool alternativeDriver, int32_t rate, int32_t bits, int32_t moduleSlots, int32_t sampleSlots,
                     int32_t voicesWanted, int32_t openVoices) {
  Shutdown();
  device.deviceId = seal::kDefaultDevice;
  device.format = uint16_t(seal::kFormatStereo | (bits == 16 ? seal::kFormat16Bit : 0));
  if (rate <= 0) rate = 44100;
  // A rate the description cannot hold is passed as its largest value, which
  // the library refuses like any other rate it cannot play.
  device.rate = uint16_t(std::min<int32_t>(rate, 0xFFFF));

  openVoices = std::min<int32_t>(openVoices, 32);
  voicesWanted = std::min<int32_t>(voicesWanted, 32);
  openVoices = std::max(openVoices, voicesWanted);

  const uint32_t devices = seal::GetDeviceCount();
  const uint16_t wanted = alternativeDriver ? 256 : 260;
  for (uint32_t i = 0; i < devices; ++i) {
    seal::DeviceCaps caps;
    if (seal::GetDeviceCaps(i, &caps) != seal::kOk) continue;
    char name[sizeof caps.productName + 1];
    std::memcpy(name, caps.productName, sizeof caps.productName);
    name[sizeof caps.productName] = '\0';
    std::string line = std::string("Found Audio driver: ") + name + "\n";
    plat::DebugOutput(line.c_str());
    if (caps.productId == wanted) {
      device.deviceId = i;
      break;
    }
  }

  bool ok = seal::OpenDevice(&device) == seal::kOk;
  if (ok) {
    seal::SetDeviceSetting(1, 192);
    deviceOpen = 1;
    if (moduleSlots > 0) {
      modules = new (std::nothrow) seal::Module*[size_t(moduleSlots)]();
      if (modules) moduleSlotCount = moduleSlots;
      ok = modules != nullptr;
    }
  }
  if (ok) ok = voicesWanted > 0 && openVoices > 0;
  if (ok) {
    voices = new (std::nothrow) VoiceRecord[size_t(voicesWanted)];
    ok = voices != nullptr;
  }
  if (ok) {
    voiceCount = voicesWanted;
    for (int32_t v = 0; v < voiceCount; ++v) ResetVoiceRecord(voices[v], false);
    ok = seal::OpenVoices(uint32_t(openVoices)) == seal::kOk;
    if (ok) openVoiceCount = openVoices;
    for (int32_t v = 0; ok && v < voiceCount; ++v) ok = seal::CreateVoice(&voices[v].handle) == seal::kOk;
  }
  if (ok) ok = sampleSlots > 0;
  if (ok) {
    this->sampleSlots = new (std::nothrow) SampleSlot[size_t(sampleSlots)]();
    ok = this->sampleSlots != nullptr;
    if (ok) sampleSlotCount = sampleSlots;
  }
  if (!ok) {
    Shutdown();
    return false;
  }
  plat::DebugOutput("SEAL Initialized.\n");
  return true;
}

bool SoundSEAL::Shutdown() {
  if (modules) {
    seal::StopModule();
    for (int32_t i = 0; i < moduleSlotCount; ++i)
      if (modules[i]) seal::FreeModuleFile(modules[i]);
    delete[] modules;
    modules = nullptr;
  }
  if (voices) {
    for (int32_t v = 0; v < voiceCount; ++v) {
      if (voices[v].handle == 0) continue;
      seal::StopVoice(voices[v].handle);
      seal::DestroyVoice(voices[v].handle);
    }
    delete[] voices;
    voices = nullptr;
  }
  if (openVoiceCount > 0) seal::CloseVoices();
  if (sampleSlots) {
    for (int32_t i = 0; i < sampleSlotCount; ++i) {
      seal::Sample* s = sampleSlots[i].sample;
      if (!s) continue;
      if (sampleSlots[i].fromFile) {
        seal::FreeWaveFile(s);
      } else {
        seal::DestroySampleData(s);
        delete s;
      }
    }
    delete[] sampleSlots;
    sampleSlots = nullptr;
  }
  if (streamSample) {
    seal::DestroySampleData(streamSample);
    delete streamSample;
    streamSample = nullptr;
  }
  streamActive = 0;
  streamWritePos = 0;
  streamPaused = 0;
  streamSavedPos = 0;
  streamVoice = -1;
  sampleCount = moduleSlotCount = sampleSlotCount = voiceCount = openVoiceCount = 0;
  if (!deviceOpen) return false;
  deviceOpen = 0;
  return seal::CloseDevice() == seal::kOk;
}

bool SoundSEAL::SetDefaultDistances(float minDistance, float maxDistance) {
  defaultMinDistance = minDistance;
  defaultMaxDistance = maxDistance;
  return true;
}

// ---- modules ---------------------------------------------------------------

bool SoundSEAL::LoadModule(const char* fileName, int32_t fileOffset, int32_t slot) {
  if (!ValidModuleSlot(slot)) return false;
  // The slot is emptied first: a load that fails for any reason leaves it empty.
  if (modules[slot]) {
    seal::FreeModuleFile(modules[slot]);
    modules[slot] = nullptr;
  }
  if (!fileName || fileOffset < 0) return false;
  seal::Module* m = nullptr;
  if (seal::LoadModuleFile(fileName, uint32_t(fileOffset), &m) != seal::kOk || !m) return false;
  modules[slot] = m;
  char line[64];
  std::snprintf(line, sizeof line, "nRestart is %d\n", int(m->restart));
  plat::DebugOutput(line);
  m->restart = 0;
  return true;
}

bool SoundSEAL::FreeModule(int32_t slot) {
  if (!ValidModuleSlot(slot) || !modules[slot]) return false;
  seal::FreeModuleFile(modules[slot]);
  modules[slot] = nullptr;
  return true;
}

bool SoundSEAL::PlayModule(int32_t slot) {
  if (!ValidModuleSlot(slot)) return false;
  seal::StopModule();
  if (!modules[slot]) return false;
  return seal::PlayModule(modules[slot]) == seal::kOk;
}

bool SoundSEAL::PauseModule(bool pause) {
  if (!deviceOpen || !modules) return false;
  return (pause ? seal::PauseModule() : seal::ResumeModule()) == seal::kOk;
}

bool SoundSEAL::StopModule() { return seal::StopModule() == seal::kOk; }

int32_t SoundSEAL::GetModulePosition() {
  uint32_t order = 0;
  if (seal::GetModulePosition(&order) != seal::kOk) return 0;
  return int32_t(order);
}

bool SoundSEAL::SetModuleVolume(int32_t volume) {
  if (uint32_t(volume) >= 64) return false;
  return seal::SetModuleVolume(uint32_t(volume)) == seal::kOk;
}

// ---- samples ---------------------------------------------------------------

bool SoundSEAL::AddCreatedSample(int32_t length, int32_t rate, uint16_t format,
                                 void (*fill)(void*, const void*, int32_t), const void* in) {
  if (!sampleSlots || sampleCount >= sampleSlotCount || !in || length <= 0) return false;
  // The record keeps the rate in 16 bits; a rate beyond that cannot be played.
  if (rate <= 0 || rate > 0xFFFF) return false;
  seal::Sample* s = new (std::nothrow) seal::Sample;
  if (!s) return false;
  s->length = uint32_t(length);
  s->rate = uint16_t(rate);
  s->format = format;
  if (seal::CreateSampleData(s) != seal::kOk || !s->data) {
    delete s;
    return false;
  }
  fill(s->data, in, length);
  if (seal::WriteSampleData(s, 0, uint32_t(length)) != seal::kOk) {
    seal::DestroySampleData(s);
    delete s;
    return false;
  }
  sampleSlots[sampleCount].sample = s;
  sampleSlots[sampleCount].fromFile = 0;
  ++sampleCount;
  return true;
}

bool SoundSEAL::CreateSample8(const uint8_t* data, int32_t length, int32_t rate) {
  return AddCreatedSample(length, rate, 0, FillUnsigned8, data);
}

bool SoundSEAL::CreateSample(const int8_t* data, int32_t length, int32_t rate) {
  return AddCreatedSample(length, rate, 0, FillCopy, data);
}

bool SoundSEAL::CreateSampleFromWave(const WaveBuffer& buffer) {
  const bool eight = buffer.format.bitsPerSample == 8;
  uint16_t format = 0;
  if (!eight) format |= seal::kFormat16Bit;
  if (buffer.format.channels == 2) format |= seal::kFormatStereo;
  const uint32_t rate = buffer.format.samplesPerSec;
  return AddCreatedSample(buffer.sizeBytes, rate > 0xFFFF ? 0x10000 : int32_t(rate), format,
                          eight ? FillFromUnsigned8 : FillCopy, buffer.samples);
}

bool SoundSEAL::LoadSample(const char* fileName, int32_t fileOffset) {
  if (!sampleSlots || sampleCount >= sampleSlotCount) return false;
  if (!fileName || !fileName[0] || fileOffset < 0) return false;
  if (std::strlen(fileName) > 1023) return false;
  seal::Sample* s = nullptr;
  if (seal::LoadWaveFile(fileName, uint32_t(fileOffset), &s) != seal::kOk || !s) {
    // The slot stays empty but is taken, so the samples loaded after this one
    // keep the numbers their callers know them by.
    sampleSlots[sampleCount].sample = nullptr;
    sampleSlots[sampleCount].fromFile = 0;
    ++sampleCount;
    return false;
  }
  FadeEnds(s);
  if (s->data) seal::WriteSampleData(s, 0, s->length);
  sampleSlots[sampleCount].sample = s;
  sampleSlots[sampleCount].fromFile = 1;
  ++sampleCount;
  return true;
}

int32_t SoundSEAL::GetSampleRate(int32_t sample) {
  if (!ValidSample(sample) || !sampleSlots[sample].sample) return 0;
  return sampleSlots[sample].sample->rate;
}

int32_t SoundSEAL::GetSampleLength(int32_t sample) {
  if (!ValidSample(sample) || !sampleSlots[sample].sample) return 0;
  return int32_t(sampleSlots[sample].sample->length);
}

bool SoundSEAL::SetSampleLoop(int32_t sample, bool on) {
  if (!ValidSample(sample) || !sampleSlots[sample].sample) return false;
  seal::Sample* s = sampleSlots[sample].sample;
  if (on) {
    s->format |= seal::kFormatLoop;
    s->loopStart = 0;
    s->loopEnd = s->length - 1;
  } else {
    s->format &= uint16_t(~seal::kFormatLoop);
    s->loopStart = 0;
    s->loopEnd = 0;
  }
  return true;
}

int32_t SoundSEAL::GetSampleCount() { return sampleCount; }

// ---- voices ----------------------------------------------------------------

bool SoundSEAL::VoiceStopped(int32_t voice) {
  int stopped = 0;
  return seal::GetVoiceStatus(voices[voice].handle, &stopped) == seal::kOk && stopped != 0;
}

void SoundSEAL::ResetVoiceRecord(VoiceRecord& r, bool defaults) {
  r.posX = r.posY = r.posZ = 0;
  r.velX = r.velY = r.velZ = 0;
  r.minDistance = defaults ? defaultMinDistance : 1.0f;
  r.maxDistance = defaults ? defaultMaxDistance : 1.0f;
  r.gain = r.pitch = r.factor = 1.0f;
  r.isStream = 0;
}

bool SoundSEAL::PlaySample(int32_t sample, int32_t frequency, int32_t volume, int32_t pan) {
  if (voiceCount <= 0 || !ValidSample(sample) || !sampleSlots[sample].sample || frequency < 0) {
    lastVoice = -1;
    return false;
  }
  int32_t free = 0;
  int32_t first = -1;
  for (int32_t v = 0; v < voiceCount; ++v) {
    if (!VoiceStopped(v)) continue;
    if (first < 0) first = v;
    ++free;
  }
  if (free <= reservedVoices || first < 0) {
    lastVoice = -1;
    return false;
  }
  seal::Sample* s = sampleSlots[sample].sample;
  const seal::Voice h = voices[first].handle;
  seal::PrimeVoice(h, s);
  seal::SetVoiceFrequency(h, frequency == 0 ? s->rate : uint32_t(frequency));
  seal::SetVoicePanning(h, uint32_t(std::clamp(pan, 0, 255)));
  seal::SetVoiceVolume(h, uint32_t(std::clamp(Trunc(std::clamp(volume, 0, 63) * double(sampleVolume)), 0, 63)));
  seal::StartVoice(h);
  ResetVoiceRecord(voices[first], true);
  if (first == streamVoice) streamVoice = -1;
  lastVoice = first;
  voiceSample[first] = sample;
  return true;
}

bool SoundSEAL::SetVoicePan(int32_t voice, int32_t pan) {
  if (!ValidVoice(voice)) return false;
  return seal::SetVoicePanning(voices[voice].handle, uint32_t(std::clamp(pan, 0, 255))) == seal::kOk;
}

bool SoundSEAL::SetVoiceVolume(int32_t voice, int32_t volume) {
  if (!ValidVoice(voice)) return false;
  const int32_t v = std::clamp(Trunc(std::clamp(volume, 0, 63) * double(sampleVolume)), 0, 63);
  return seal::SetVoiceVolume(voices[voice].handle, uint32_t(v)) == seal::kOk;
}

bool SoundSEAL::SetVoiceFrequency(int32_t voice, int32_t frequency) {
  if (!ValidVoice(voice) || frequency < 0) return false;
  return seal::SetVoiceFrequency(voices[voice].handle, uint32_t(frequency)) == seal::kOk;
}

bool SoundSEAL::StopVoice(int32_t voice) {
  if (!ValidVoice(voice)) return false;
  return seal::StopVoice(voices[voice].handle) == seal::kOk;
}

bool SoundSEAL::StopAllVoices() {
  if (voiceCount <= 0) return false;
  for (int32_t v = 0; v < voiceCount; ++v) seal::StopVoice(voices[v].handle);
  return true;
}

int32_t SoundSEAL::GetVoiceCount() { return voiceCount; }
int32_t SoundSEAL::GetLastVoice() { return lastVoice; }

bool SoundSEAL::IsVoicePlaying(int32_t voice) {
  if (!ValidVoice(voice)) return false;
  int stopped = 0;
  return seal::GetVoiceStatus(voices[voice].handle, &stopped) == seal::kOk && stopped == 0;
}

int32_t SoundSEAL::GetVoiceSample(int32_t voice) {
  if (!ValidVoice(voice)) return -1;
  return voiceSample[voice];
}

// ---- 3-D voices ------------------------------------------------------------

bool SoundSEAL::Update3D() {
  const double alpha = listenerOrient[0], beta = listenerOrient[1], gamma = listenerOrient[2];
  const double right[3] = {std::cos(gamma) * std::cos(beta) - std::sin(beta) * std::sin(alpha) * std::sin(gamma),
                           -std::sin(gamma) * std::cos(alpha),
                           -(std::cos(beta) * std::sin(alpha) * std::sin(gamma) + std::cos(gamma) * std::sin(beta))};
  for (int32_t v = 0; v < voiceCount; ++v) {
    VoiceRecord& r = voices[v];
    if (r.isStream || v == streamVoice || !IsVoicePlaying(v)) continue;
    const float pos[3] = {r.posX, r.posY, r.posZ};
    const double d[3] = {double(pos[0]) - listenerPos[0], double(pos[1]) - listenerPos[1],
                         double(pos[2]) - listenerPos[2]};
    const double dist = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const double len = std::max(dist, 0.1);
    double g = std::min(1.0, double(r.gain) * volume3D);
    if (dist > r.minDistance) g = g * r.minDistance / std::max(std::min(dist, double(r.maxDistance)), 0.01);
    SetVoiceVolume(v, Trunc(g * 64));
    const double dot = (d[0] * right[0] + d[1] * right[1] + d[2] * right[2]) / len;
    SetVoicePan(v, Trunc((dot * 0.5 + 0.5) * 255));
    const double base = GetSampleRate(GetVoiceSample(v));
    const float now = Distance(listenerPos, pos);
    const float lLater[3] = {listenerPos[0] + listenerVel[0] * 0.1f, listenerPos[1] + listenerVel[1] * 0.1f,
                             listenerPos[2] + listenerVel[2] * 0.1f};
    const float vLater[3] = {pos[0] + r.velX * 0.1f, pos[1] + r.velY * 0.1f, pos[2] + r.velZ * 0.1f};
    const float later = Distance(lLater, vLater);
    const double doppler = 1.0 - (double(now) - later) * 10.0 / 340.0;
    SetVoiceFrequency(v, Trunc(double(pitchFactor) * base * r.pitch / std::max(doppler, 0.1)));
  }
  return true;
}

bool SoundSEAL::SetListenerPosition(const float* xyz) {
  if (xyz) std::copy(xyz, xyz + 3, listenerPos);
  return true;
}

bool SoundSEAL::SetListenerOrientation(const float* angles) {
  if (angles) std::copy(angles, angles + 3, listenerOrient);
  return true;
}

bool SoundSEAL::SetListenerVelocity(const float* xyz) {
  if (xyz) std::copy(xyz, xyz + 3, listenerVel);
  return true;
}

bool SoundSEAL::SetVoicePosition(int32_t voice, float x, float y, float z) {
  if (!ValidVoice(voice)) return false;
  voices[voice].posX = x;
  voices[voice].posY = y;
  voices[voice].posZ = z;
  return true;
}

bool SoundSEAL::SetVoiceVelocity(int32_t voice, float x, float y, float z) {
  if (!ValidVoice(voice)) return false;
  voices[voice].velX = x;
  voices[voice].velY = y;
  voices[voice].velZ = z;
  return true;
}

bool SoundSEAL::SetVoiceFactor(int32_t voice, float factor) {
  if (!ValidVoice(voice)) return false;
  voices[voice].factor = factor;
  return true;
}

bool SoundSEAL::SetVoiceGain(int32_t voice, float gain) {
  if (!ValidVoice(voice)) return false;
  voices[voice].gain = gain;
  return true;
}

bool SoundSEAL::SetVoicePitch(int32_t voice, float pitch) {
  if (!ValidVoice(voice)) return false;
  voices[voice].pitch = pitch;
  return true;
}

bool SoundSEAL::SetVoiceDistances(int32_t voice, float minMultiple, float maxMultiple) {
  if (!ValidVoice(voice)) return false;
  voices[voice].minDistance = defaultMinDistance * minMultiple;
  voices[voice].maxDistance = defaultMaxDistance * maxMultiple;
  return true;
}

bool SoundSEAL::SetVoice3D(int32_t voice, const float* position, const float* velocity, float gain, float pitch,
                           float factor) {
  if (!ValidVoice(voice)) return false;
  VoiceRecord& r = voices[voice];
  if (position) {
    r.posX = position[0];
    r.posY = position[1];
    r.posZ = position[2];
  }
  if (velocity) {
    r.velX = velocity[0];
    r.velY = velocity[1];
    r.velZ = velocity[2];
  }
  r.gain = gain;
  r.pitch = pitch;
  r.factor = factor;
  return true;
}

bool SoundSEAL::PlaceVoiceAtListener(int32_t voice) {
  if (!SetVoiceVelocity(voice, listenerVel[0], listenerVel[1], listenerVel[2])) return false;
  return SetVoicePosition(voice, listenerPos[0], listenerPos[1], listenerPos[2]);
}

// ---- streaming -------------------------------------------------------------

bool SoundSEAL::StartStream(WaveBuffer& buffer) {
  StopStream();
  if (!buffer.IsStreaming()) return false;
  const uint32_t rate = buffer.format.samplesPerSec;
  if (rate == 0 || rate > 0xFFFF) return false;
  seal::Sample* s = new (std::nothrow) seal::Sample;
  if (!s) return false;
  s->length = kStreamBytes;
  s->loopStart = 0;
  s->loopEnd = kStreamBytes;
  s->format = seal::kFormatLoop;
  if (buffer.format.bitsPerSample == 16) s->format |= seal::kFormat16Bit;
  if (buffer.format.channels == 2) s->format |= seal::kFormatStereo;
  s->rate = uint16_t(rate);
  if (seal::CreateSampleData(s) != seal::kOk || !s->data) {
    delete s;
    return false;
  }
  std::memset(s->data, 0, kStreamBytes);
  seal::WriteSampleData(s, 0, kStreamBytes);
  streamSample = s;
  streamActive = 1;
  streamWritePos = 0;
  streamSavedPos = 0;
  streamPaused = 0;
  buffer.SetTailSilence(kStreamBytes);
  return true;
}

bool SoundSEAL::UpdateStream(WaveBuffer& buffer) {
  if (!streamSample || !streamActive || streamPaused || !buffer.IsStreaming()) return false;
  const bool playing = streamVoice >= 0 && IsVoicePlaying(streamVoice);
  const int32_t length = int32_t(streamSample->length);
  if (streamWritePos >= length) streamWritePos = 0;
  int32_t read = streamSavedPos;
  if (playing) {
    uint32_t pos = 0;
    if (seal::GetVoicePosition(voices[streamVoice].handle, &pos) == seal::kOk)
      read = int32_t(std::min<uint32_t>(pos, uint32_t(length)));
  }
  int32_t room;
  if (streamWritePos < read)
    room = read - kStreamGap - streamWritePos;
  else if (read < kStreamGap)
    room = length + read - kStreamGap - streamWritePos;
  else
    room = length - streamWritePos;
  if (room > 0) {
    uint8_t* at = static_cast<uint8_t*>(streamSample->data) + streamWritePos;
    const int32_t n = buffer.ReadStream(at, room);
    if (n > 0) {
      if (!(streamSample->format & seal::kFormat16Bit))
        for (int32_t i = 0; i < n; ++i) at[i] = uint8_t(at[i] - 128);
      seal::WriteSampleData(streamSample, uint32_t(streamWritePos), uint32_t(n));
      streamWritePos += n;
    }
  }
  if (playing) return true;
  if (streamVoice >= 0 && ValidVoice(streamVoice)) voices[streamVoice].isStream = 0;
  streamVoice = -1;
  // Start the stream on the first stopped voice. With every voice busy the
  // stream waits for the next update.
  int32_t voice = -1;
  for (int32_t v = 0; v < voiceCount; ++v) {
    if (VoiceStopped(v)) {
      voice = v;
      break;
    }
  }
  if (voice < 0) return false;
  const seal::Voice h = voices[voice].handle;
  seal::PrimeVoice(h, streamSample);
  seal::SetVoiceFrequency(h, streamSample->rate);
  seal::SetVoicePanning(h, 128);
  seal::SetVoiceVolume(h, uint32_t(std::clamp(Trunc(double(streamVolume) * 63), 0, 63)));
  seal::SetVoicePosition(h, uint32_t(streamSavedPos));
  seal::StartVoice(h);
  streamVoice = voice;
  voices[voice].isStream = 1;
  return true;
}

bool SoundSEAL::StopStream() {
  if (streamVoice >= 0 && ValidVoice(streamVoice)) {
    seal::StopVoice(voices[streamVoice].handle);
    voices[streamVoice].isStream = 0;
  }
  streamVoice = -1;
  if (!streamSample) return false;
  seal::DestroySampleData(streamSample);
  delete streamSample;
  streamSample = nullptr;
  streamActive = 0;
  return true;
}

bool SoundSEAL::PauseStream(bool pause) {
  if (!streamSample) return false;
  const bool playing = streamVoice >= 0 && IsVoicePlaying(streamVoice);
  if (pause) {
    if (!playing) return false;
    uint32_t pos = 0;
    if (seal::GetVoicePosition(voices[streamVoice].handle, &pos) == seal::kOk)
      streamSavedPos = int32_t(std::min<uint32_t>(pos, streamSample->length));
    seal::StopVoice(voices[streamVoice].handle);
    voices[streamVoice].isStream = 0;
    streamVoice = -1;
    streamPaused = 1;
  } else {
    if (playing) return false;
    streamPaused = 0;
  }
  return true;
}

// ---- volume factors --------------------------------------------------------

bool SoundSEAL::SetSampleVolume(float volume) {
  sampleVolume = Clamp01(volume);
  return true;
}

bool SoundSEAL::Set3DVolume(float volume) {
  volume3D = Clamp01(volume);
  return true;
}

bool SoundSEAL::SetPitchFactor(float factor) {
  pitchFactor = factor;
  return true;
}

bool SoundSEAL::SetStreamVolume(float volume) {
  streamVolume = Clamp01(volume);
  return true;
}

void SoundSEAL::SetReservedVoices(int32_t count) { reservedVoices = count; }
