// Devices, voices, sample data and the mixer of the sound library.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/files.h"
#include "platform/seal/internal.h"

namespace plat::seal {
namespace detail {

State& S() {
  static State* state = new State;
  return *state;
}

OutputLock::OutputLock() : device_(S().sdlDevice) {
  if (device_ != 0) SDL_LockAudioDevice(device_);
}

OutputLock::~OutputLock() {
  if (device_ != 0) SDL_UnlockAudioDevice(device_);
}

int ReadFileFrom(const char* fileName, std::uint32_t offset, std::size_t limit, std::vector<std::uint8_t>* out) {
  if (fileName == nullptr || fileName[0] == '\0' || out == nullptr) return kBadArgument;
  // Regular files only, opened without waiting: a pipe, a device or a folder
  // under the name is a file that cannot be read.
  std::FILE* f = plat::OpenFile(boost::filesystem::path(fileName), "rb");
  if (f == nullptr) return kFileError;
  int result = kOk;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  if (size < 0 || static_cast<unsigned long>(size) < offset) {
    result = kFileError;
  } else if (static_cast<std::size_t>(size) - offset > limit) {
    result = kNoMemory;
  } else if (std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0) {
    result = kFileError;
  } else {
    out->resize(static_cast<std::size_t>(size) - offset);
    if (!out->empty() && std::fread(out->data(), 1, out->size(), f) != out->size()) {
      result = kFileError;
      out->clear();
    }
  }
  std::fclose(f);
  return result;
}

namespace {

constexpr std::uint32_t kMixBlock = 1024;  // frames mixed at a time
constexpr std::uint32_t kMaxFrequency = 1u << 20;

int BytesPerFrame(std::uint16_t format) {
  return ((format & kFormat16Bit) ? 2 : 1) * ((format & kFormatStereo) ? 2 : 1);
}

VoiceState* FindVoice(Voice voice) {
  State& s = S();
  if (voice == 0 || voice > s.voicesOpened) return nullptr;
  VoiceState& v = s.voices[voice - 1];
  return v.created ? &v : nullptr;
}

// One channel value of frame `i`, at 16-bit scale.
inline std::int32_t Value(const std::uint8_t* data, std::uint16_t format, std::uint32_t i, int channel) {
  const bool stereo = (format & kFormatStereo) != 0;
  const std::size_t index = static_cast<std::size_t>(i) * (stereo ? 2 : 1) + channel;
  if (format & kFormat16Bit) {
    std::int16_t v;
    std::memcpy(&v, data + index * 2, sizeof v);
    return v;
  }
  return static_cast<std::int32_t>(static_cast<std::int8_t>(data[index])) * 256;
}

// Pan law: full level on both sides at the centre (128), falling linearly
// to 0 at the far end. Result in 0..256.
inline std::int32_t PanLeft(std::uint32_t pan) {
  return pan <= kPanCentre ? 256 : static_cast<std::int32_t>((255 - pan) * 256 / 127);
}
inline std::int32_t PanRight(std::uint32_t pan) {
  return pan >= kPanCentre ? 256 : static_cast<std::int32_t>(pan * 256 / kPanCentre);
}

void MixVoice(VoiceState& v, std::int32_t* acc, std::uint32_t frames, int channels, int rate) {
  if (!v.playing || v.store == nullptr || v.frames == 0) {
    v.playing = false;
    return;
  }
  if (v.frequency == 0) return;  // held where it is
  const std::uint8_t* data = v.store->bytes.data();
  const std::uint64_t step = (static_cast<std::uint64_t>(v.frequency) << 32) / rate;
  const bool loop = v.loop;
  const std::uint32_t end = loop ? v.loopEnd : v.frames;
  const bool stereoSample = (v.format & kFormatStereo) != 0;
  const std::int32_t gainL = static_cast<std::int32_t>(v.volume) * PanLeft(v.panning);
  const std::int32_t gainR = static_cast<std::int32_t>(v.volume) * PanRight(v.panning);
  const std::int32_t gainMono = static_cast<std::int32_t>(v.volume) * 256;
  // At or past the end: a looping voice wraps into its loop, any other voice
  // stops (and reports stopped as soon as its last frame is mixed). False
  // when the voice stopped.
  auto wrapOrStop = [&]() {
    if ((v.position >> 32) < end) return true;
    if (!loop) {
      v.playing = false;
      v.position = static_cast<std::uint64_t>(v.frames) << 32;
      return false;
    }
    const std::uint64_t span = static_cast<std::uint64_t>(v.loopEnd - v.loopStart) << 32;
    const std::uint64_t start = static_cast<std::uint64_t>(v.loopStart) << 32;
    v.position = start + (v.position - start) % span;
    return true;
  };
  for (std::uint32_t n = 0; n < frames; ++n) {
    if (!wrapOrStop()) return;
    const std::uint32_t i = static_cast<std::uint32_t>(v.position >> 32);
    std::uint32_t next = i + 1;
    if (next >= end) next = loop ? v.loopStart : i;
    const std::int64_t frac = static_cast<std::int64_t>((v.position >> 16) & 0xFFFF);
    auto at = [&](int ch) {
      const std::int32_t a = Value(data, v.format, i, ch);
      const std::int32_t b = Value(data, v.format, next, ch);
      return static_cast<std::int32_t>(a + (((b - a) * frac) >> 16));
    };
    const std::int32_t left = at(0);
    const std::int32_t right = stereoSample ? at(1) : left;
    if (channels == 2) {
      acc[2 * n] += static_cast<std::int32_t>((static_cast<std::int64_t>(left) * gainL) >> 14);
      acc[2 * n + 1] += static_cast<std::int32_t>((static_cast<std::int64_t>(right) * gainR) >> 14);
    } else {
      const std::int64_t mono = stereoSample ? (static_cast<std::int64_t>(left) + right) / 2 : left;
      acc[n] += static_cast<std::int32_t>((mono * gainMono) >> 14);
    }
    v.position += step;
    if (!wrapOrStop()) return;
  }
}

// Mixes `frames` frames into `out` in the device format.
void Mix(std::uint8_t* out, std::uint32_t frames) {
  State& s = S();
  const int ch = s.channels;
  while (frames > 0) {
    const std::uint32_t block = std::min(frames, kMixBlock);
    const std::size_t count = static_cast<std::size_t>(block) * ch;
    if (s.mixBuffer.size() < count) s.mixBuffer.resize(static_cast<std::size_t>(kMixBlock) * 2);
    std::int32_t* acc = s.mixBuffer.data();
    std::fill(acc, acc + count, 0);
    for (std::uint32_t k = 0; k < s.voicesOpened; ++k) {
      if (s.voices[k].created) MixVoice(s.voices[k], acc, block, ch, s.desc.rate);
    }
    if (s.playing != nullptr && !s.modulePaused) {
      MixModule(s.playing, acc, block, ch, s.moduleVolume);
    }
    for (std::size_t k = 0; k < count; ++k) {
      const std::int32_t v = std::clamp<std::int32_t>(acc[k], -32768, 32767);
      if (s.sixteenBit) {
        const std::int16_t w = static_cast<std::int16_t>(v);
        std::memcpy(out, &w, 2);
        out += 2;
      } else {
        // Rounded to the nearest step: cutting the low byte off would pull
        // every sound half a step down (a DC offset).
        *out++ = static_cast<std::uint8_t>(std::min((v + 128) >> 8, 127) + 128);
      }
    }
    frames -= block;
  }
}

void SDLCALL AudioCallback(void*, Uint8* stream, int len) {
  State& s = S();
  const int frameBytes = (s.sixteenBit ? 2 : 1) * s.channels;
  Mix(stream, static_cast<std::uint32_t>(len / frameBytes));
}

void StopVoicesUsing(const SampleStore* store) {
  State& s = S();
  for (auto& v : s.voices) {
    if (v.store == store) {
      v.playing = false;
      v.store = nullptr;
      v.handle = 0;
      v.frames = 0;
      v.position = 0;
    }
  }
}

void ResetVoices() {
  State& s = S();
  for (auto& v : s.voices) v = VoiceState{};
  s.voicesOpened = 0;
}

SampleStore* FindStore(const Sample* sample) {
  State& s = S();
  if (sample == nullptr || sample->handle == 0) return nullptr;
  auto it = s.samples.find(sample->handle);
  if (it == s.samples.end() || it->second->clientData != sample->data) return nullptr;
  return it->second.get();
}

}  // namespace
}  // namespace detail

using namespace detail;

// ---- devices ----------------------------------------------------------------

std::uint32_t GetDeviceCount() { return 1; }

int GetDeviceCaps(std::uint32_t index, DeviceCaps* caps) {
  if (caps == nullptr || index >= GetDeviceCount()) return kBadArgument;
  *caps = DeviceCaps{};
  caps->productId = 1;
  const char* name = S().selected == Output::kNull ? "Software mixer (null output)" : "Software mixer (SDL output)";
  std::snprintf(caps->productName, sizeof caps->productName, "%s", name);
  return kOk;
}

int OpenDevice(const DeviceDesc* desc) {
  State& s = S();
  if (desc == nullptr) return kBadArgument;
  if (s.deviceOpen) return kAlreadyOpen;
  if (desc->deviceId != kDefaultDevice && desc->deviceId >= GetDeviceCount()) return kBadArgument;
  if (desc->rate < kMinRate || desc->rate > kMaxRate) return kBadArgument;
  if ((desc->format & ~(kFormat16Bit | kFormatStereo)) != 0) return kBadArgument;

  s.desc = *desc;
  s.channels = (desc->format & kFormatStereo) ? 2 : 1;
  s.sixteenBit = (desc->format & kFormat16Bit) != 0;
  s.mixBuffer.assign(static_cast<std::size_t>(kMixBlock) * 2, 0);
  s.nullKept.clear();
  s.playing = nullptr;
  s.modulePaused = false;
  ResetVoices();

  if (s.selected == Output::kSdl) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return kDeviceFailed;
    SDL_AudioSpec want{};
    want.freq = desc->rate;
    want.format = s.sixteenBit ? AUDIO_S16SYS : AUDIO_U8;
    want.channels = static_cast<Uint8>(s.channels);
    Uint16 samples = 256;
    while (samples < 4096 && samples * 40u < desc->rate) samples *= 2;
    want.samples = samples;
    want.callback = AudioCallback;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (dev == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return kDeviceFailed;
    }
    s.sdlDevice = dev;
    s.openOutput = Output::kSdl;
    s.deviceOpen = true;
    SDL_PauseAudioDevice(dev, 0);
  } else {
    s.openOutput = Output::kNull;
    s.deviceOpen = true;
  }
  return kOk;
}

int SetDeviceSetting(int, int) { return S().deviceOpen ? kOk : kNotOpen; }

int CloseDevice() {
  State& s = S();
  if (!s.deviceOpen) return kNotOpen;
  {
    OutputLock lock;
    if (s.playing != nullptr) EndModulePlayer(s.playing);
    s.playing = nullptr;
    s.modulePaused = false;
    ResetVoices();
  }
  if (s.sdlDevice != 0) {
    const SDL_AudioDeviceID dev = s.sdlDevice;
    SDL_CloseAudioDevice(dev);
    s.sdlDevice = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  s.deviceOpen = false;
  s.nullKept.clear();
  s.nullKept.shrink_to_fit();
  return kOk;
}

// ---- voices -----------------------------------------------------------------

int OpenVoices(std::uint32_t count) {
  State& s = S();
  OutputLock lock;
  if (!s.deviceOpen) return kNotOpen;
  if (s.voicesOpened != 0) return kAlreadyOpen;
  if (count == 0 || count > kMaxVoices) return kBadArgument;
  ResetVoices();
  s.voicesOpened = count;
  return kOk;
}

int CloseVoices() {
  State& s = S();
  OutputLock lock;
  if (s.voicesOpened == 0) return kNotOpen;
  ResetVoices();
  return kOk;
}

int CreateVoice(Voice* voice) {
  State& s = S();
  OutputLock lock;
  if (voice == nullptr) return kBadArgument;
  if (s.voicesOpened == 0) return kNotOpen;
  for (std::uint32_t k = 0; k < s.voicesOpened; ++k) {
    if (!s.voices[k].created) {
      s.voices[k] = VoiceState{};
      s.voices[k].created = true;
      *voice = k + 1;
      return kOk;
    }
  }
  return kNoVoice;
}

int DestroyVoice(Voice voice) {
  OutputLock lock;
  VoiceState* v = FindVoice(voice);
  if (v == nullptr) return kBadHandle;
  *v = VoiceState{};
  return kOk;
}

int PrimeVoice(Voice voice, const Sample* sample) {
  OutputLock lock;
  VoiceState* v = FindVoice(voice);
  if (v == nullptr) return kBadHandle;
  if (sample == nullptr) return kBadArgument;
  SampleStore* store = FindStore(sample);
  if (store == nullptr) return kBadHandle;
  const int bpf = BytesPerFrame(sample->format);
  const std::uint32_t frames = static_cast<std::uint32_t>(store->bytes.size() / bpf);
  if (frames == 0) return kBadArgument;
  v->playing = false;
  v->store = store;
  v->handle = store->handle;
  v->format = sample->format;
  v->frames = frames;
  const std::uint32_t loopStart = sample->loopStart / bpf;
  const std::uint32_t loopEnd = std::min(sample->loopEnd / bpf, frames);
  v->loop = (sample->format & kFormatLoop) != 0 && loopEnd > loopStart;
  v->loopStart = v->loop ? loopStart : 0;
  v->loopEnd = v->loop ? loopEnd : frames;
  v->position = 0;
  v->frequency = std::min<std::uint32_t>(sample->rate, kMaxFrequency);
  return kOk;
}

int StartVoice(Voice voice) {
  OutputLock lock;
  VoiceState* v = FindVoice(voice);
  if (v == nullptr) return kBadHandle;
  if (v->store == nullptr) return kBadArgument;
  if (!v->loop && (v->position >> 32) >= v->frames) v->position = 0;
  v->playing = true;
  return kOk;
}

int StopVoice(Voice voice) {
  OutputLock lock;
  VoiceState* v = FindVoice(voice);
  if (v == nullptr) return kBadHandle;
  v->playing = false;
  return kOk;
}

int SetVoicePosition(Voice voice, std::uint32_t bytePosition) {
  OutputLock lock;
  VoiceState* v = FindVoice(voice);
  if (v == nullptr) return kBadHandle;
  if (v->store == nullptr) return kBadArgument;
  const std::uint32_t frame = std::min(bytePosition / BytesPerFrame(v->format), v->frames);
  v->position = static_cast<std::uint64_t>(frame) << 32;
  return kOk;
}

int GetVoicePosition(Voice voice, std::uint32_t* bytePosition) {
  OutputLock lock;
  VoiceState* v = FindVoice(voice);
  if (v == nullptr) return kBadHandle;
  if (bytePosition == nullptr) return kBadArgument;
  const std::uint32_t frame = std::min(static_cast<std::uint32_t>(v->position >> 32), v->frames);
  *bytePosition = frame * BytesPerFrame(v->format);
  return kOk;
}

int SetVoiceFrequency(Voice voice, std::uint32_t hz) {
  OutputLock lock;
  VoiceState* v = FindVoice(voice);
  if (v == nullptr) return kBadHandle;
  v->frequency = std::min(hz, kMaxFrequency);
  return kOk;
}

int SetVoiceVolume(Voice voice, std::uint32_t volume) {
  OutputLock lock;
  VoiceState* v = FindVoice(voice);
  if (v == nullptr) return kBadHandle;
  if (volume > kMaxVolume) return kBadArgument;
  v->volume = volume;
  return kOk;
}

int SetVoicePanning(Voice voice, std::uint32_t pan) {
  OutputLock lock;
  VoiceState* v = FindVoice(voice);
  if (v == nullptr) return kBadHandle;
  if (pan > 255) return kBadArgument;
  v->panning = pan;
  return kOk;
}

int GetVoiceStatus(Voice voice, int* stopped) {
  OutputLock lock;
  VoiceState* v = FindVoice(voice);
  if (v == nullptr) return kBadHandle;
  if (stopped == nullptr) return kBadArgument;
  *stopped = v->playing ? 0 : 1;
  return kOk;
}

// ---- samples ----------------------------------------------------------------

int CreateSampleData(Sample* sample) {
  State& s = S();
  if (sample == nullptr) return kBadArgument;
  if (sample->length == 0 || sample->length > kMaxSampleBytes) return kBadArgument;
  if ((sample->format & ~(kFormat16Bit | kFormatStereo | kFormatLoop)) != 0) return kBadArgument;
  auto store = std::make_unique<SampleStore>();
  std::uint8_t* data = new (std::nothrow) std::uint8_t[sample->length]();
  if (data == nullptr) return kNoMemory;
  try {
    store->bytes.assign(sample->length, 0);
  } catch (const std::bad_alloc&) {
    delete[] data;
    return kNoMemory;
  }
  OutputLock lock;
  store->handle = s.nextHandle++;
  if (s.nextHandle == 0) s.nextHandle = 1;
  store->clientData = data;
  sample->data = data;
  sample->handle = store->handle;
  s.samples[store->handle] = std::move(store);
  return kOk;
}

int WriteSampleData(Sample* sample, std::uint32_t offset, std::uint32_t count) {
  OutputLock lock;
  SampleStore* store = FindStore(sample);
  if (store == nullptr) return kBadHandle;
  const std::size_t size = store->bytes.size();
  if (offset > size || count > size - offset) return kBadArgument;
  if (count > 0) {
    std::memcpy(store->bytes.data() + offset, static_cast<const std::uint8_t*>(sample->data) + offset, count);
  }
  return kOk;
}

int DestroySampleData(Sample* sample) {
  State& s = S();
  OutputLock lock;
  SampleStore* store = FindStore(sample);
  if (store == nullptr) return kBadHandle;
  StopVoicesUsing(store);
  delete[] static_cast<std::uint8_t*>(store->clientData);
  s.samples.erase(store->handle);
  sample->data = nullptr;
  sample->handle = 0;
  return kOk;
}

int LoadWaveMemory(const void* bytes, std::size_t size, Sample** sample) {
  if (sample == nullptr) return kBadArgument;
  *sample = nullptr;
  if (bytes == nullptr) return kBadArgument;
  WaveData wave;
  const int parsed = ParseWave(static_cast<const std::uint8_t*>(bytes), size, &wave);
  if (parsed != kOk) return parsed;
  auto record = std::make_unique<Sample>();
  record->length = static_cast<std::uint32_t>(wave.bytes.size());
  record->rate = wave.rate;
  record->format = wave.channels == 2 ? kFormatStereo : 0;
  const int created = CreateSampleData(record.get());
  if (created != kOk) return created;
  std::memcpy(record->data, wave.bytes.data(), wave.bytes.size());
  WriteSampleData(record.get(), 0, record->length);
  OutputLock lock;
  S().waveRecords.insert(record.get());
  *sample = record.release();
  return kOk;
}

int LoadWaveFile(const char* fileName, std::uint32_t offset, Sample** sample) {
  if (sample == nullptr) return kBadArgument;
  *sample = nullptr;
  std::vector<std::uint8_t> bytes;
  const int read = ReadFileFrom(fileName, offset, kMaxSampleBytes * 2 + 4096, &bytes);
  if (read != kOk) return read;
  return LoadWaveMemory(bytes.data(), bytes.size(), sample);
}

int FreeWaveFile(Sample* sample) {
  State& s = S();
  {
    OutputLock lock;
    if (sample == nullptr || s.waveRecords.count(sample) == 0) return kBadHandle;
    s.waveRecords.erase(sample);
  }
  DestroySampleData(sample);
  delete sample;
  return kOk;
}

// ---- output choice and the null output ----------------------------------------

void SelectOutput(Output output) { S().selected = output; }

Output SelectedOutput() { return S().selected; }

int AdvanceNullOutput(std::uint32_t frames) {
  State& s = S();
  if (!s.deviceOpen || s.openOutput != Output::kNull) return kNotOpen;
  const std::size_t frameBytes = static_cast<std::size_t>(s.sixteenBit ? 2 : 1) * s.channels;
  const std::size_t old = s.nullKept.size();
  try {
    s.nullKept.resize(old + frameBytes * frames);
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
  Mix(s.nullKept.data() + old, frames);
  return kOk;
}

std::vector<std::uint8_t> TakeNullOutputBytes() {
  std::vector<std::uint8_t> out;
  out.swap(S().nullKept);
  return out;
}

std::vector<std::int16_t> TakeNullOutputSamples() {
  const bool sixteen = S().sixteenBit;
  const std::vector<std::uint8_t> bytes = TakeNullOutputBytes();
  std::vector<std::int16_t> out;
  if (sixteen) {
    out.resize(bytes.size() / 2);
    if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * 2);
  } else {
    out.reserve(bytes.size());
    for (std::uint8_t b : bytes) out.push_back(static_cast<std::int16_t>((b - 128) * 256));
  }
  return out;
}

// ---- inspection -------------------------------------------------------------

int GetOpenDevice(DeviceDesc* desc) {
  if (desc == nullptr) return kBadArgument;
  if (!S().deviceOpen) return kNotOpen;
  *desc = S().desc;
  return kOk;
}

int GetVoiceInfo(Voice voice, VoiceInfo* info) {
  OutputLock lock;
  VoiceState* v = FindVoice(voice);
  if (v == nullptr) return kBadHandle;
  if (info == nullptr) return kBadArgument;
  info->playing = v->playing;
  info->sampleHandle = v->handle;
  info->frequency = v->frequency;
  info->volume = v->volume;
  info->panning = v->panning;
  const std::uint32_t frame = std::min(static_cast<std::uint32_t>(v->position >> 32), v->frames);
  info->bytePosition = frame * BytesPerFrame(v->format);
  return kOk;
}

int GetModuleInfo(ModuleInfo* info) {
  State& s = S();
  if (info == nullptr) return kBadArgument;
  OutputLock lock;
  info->playing = s.playing;
  info->paused = s.modulePaused;
  info->volume = s.moduleVolume;
  info->loops = s.playing != nullptr ? ModuleLoops(s.playing) : 0;
  return kOk;
}

Counts GetCounts() {
  State& s = S();
  OutputLock lock;
  Counts c;
  c.deviceOpen = s.deviceOpen;
  c.voicesOpened = s.voicesOpened;
  for (std::uint32_t k = 0; k < s.voicesOpened; ++k) c.voicesCreated += s.voices[k].created ? 1 : 0;
  c.samples = static_cast<std::uint32_t>(s.samples.size());
  c.modules = static_cast<std::uint32_t>(s.modules.size());
  return c;
}

}  // namespace plat::seal
