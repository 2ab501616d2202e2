// Tracker modules: loaded and rendered by libxmp, mixed in by our mixer.
#include <xmp.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/seal/internal.h"

namespace vantrel::seal {

struct ModuleData {
  xmp_context context = nullptr;
  int orders = 0;
  bool started = false;
  bool ended = false;
  std::vector<std::int16_t> pending;  // rendered, not yet mixed (interleaved)
  std::size_t pendingPos = 0;
  int channels = 2;
  int lastLoop = 0;
  std::uint32_t loops = 0;
  std::uint32_t order = 0;
};

namespace detail {
namespace {

constexpr std::size_t kMaxModuleBytes = 64u * 1024u * 1024u;

Module* FindModule(const Module* module) {
  State& s = S();
  for (Module* m : s.modules) {
    if (m == module) return m;
  }
  return nullptr;
}

// Renders the next tick of the song into `pending`. When the song has come to
// its end (and the player went back to its own start), it jumps to the
// module's restart order instead and renders from there.
bool RenderTick(Module* module) {
  ModuleData& d = *module->impl;
  if (xmp_play_frame(d.context) != 0) return false;
  xmp_frame_info info;
  xmp_get_frame_info(d.context, &info);
  if (info.loop_count != d.lastLoop) {
    const bool looped = info.loop_count > d.lastLoop;
    d.lastLoop = info.loop_count;
    if (looped) {
      ++d.loops;
      const int wanted = module->restart.load(std::memory_order_relaxed);
      const int restart = wanted < d.orders ? wanted : 0;
      xmp_set_position(d.context, restart);
      if (xmp_play_frame(d.context) != 0) return false;
      xmp_get_frame_info(d.context, &info);
      d.lastLoop = info.loop_count;
    }
  }
  d.order = info.pos < 0 ? 0 : static_cast<std::uint32_t>(info.pos);
  const std::size_t values = info.buffer_size > 0 ? static_cast<std::size_t>(info.buffer_size) / 2 : 0;
  d.pending.resize(values);
  if (values > 0) std::memcpy(d.pending.data(), info.buffer, values * 2);
  d.pendingPos = 0;
  return true;
}

}  // namespace

int StartModulePlayer(Module* module, int rate, bool mono) {
  ModuleData& d = *module->impl;
  if (d.started) EndModulePlayer(module);
  if (xmp_start_player(d.context, rate, mono ? XMP_FORMAT_MONO : 0) != 0) return kDeviceFailed;
  d.started = true;
  d.ended = false;
  d.channels = mono ? 1 : 2;
  d.pending.clear();
  d.pendingPos = 0;
  d.lastLoop = 0;
  d.loops = 0;
  d.order = 0;
  return kOk;
}

void EndModulePlayer(Module* module) {
  ModuleData& d = *module->impl;
  if (d.started) xmp_end_player(d.context);
  d.started = false;
  d.pending.clear();
  d.pendingPos = 0;
}

void MixModule(Module* module, std::int32_t* acc, std::uint32_t frames, int channels,
               std::uint32_t volume) {
  ModuleData& d = *module->impl;
  if (!d.started || d.ended || d.channels != channels) return;
  std::size_t want = static_cast<std::size_t>(frames) * channels;
  std::size_t at = 0;
  const std::int32_t gain = static_cast<std::int32_t>(volume);
  int emptyTicks = 0;
  while (at < want) {
    if (d.pendingPos >= d.pending.size()) {
      // A player that stops making sound (or makes only empty ticks) ends the song.
      if (!RenderTick(module) || (d.pending.empty() && ++emptyTicks > 64)) {
        d.ended = true;
        return;
      }
      if (d.pending.empty()) continue;
    }
    const std::size_t n = std::min(want - at, d.pending.size() - d.pendingPos);
    const std::int16_t* src = d.pending.data() + d.pendingPos;
    for (std::size_t k = 0; k < n; ++k) acc[at + k] += (src[k] * gain) >> 6;
    at += n;
    d.pendingPos += n;
  }
}

std::uint32_t ModuleOrder(const Module* module) { return module->impl->order; }

std::uint32_t ModuleLoops(const Module* module) { return module->impl->loops; }

}  // namespace detail

using namespace detail;

int LoadModuleMemory(const void* bytes, std::size_t size, Module** module) {
  if (module == nullptr) return kBadArgument;
  *module = nullptr;
  if (bytes == nullptr) return kBadArgument;
  if (size == 0) return kBadFormat;
  if (size > kMaxModuleBytes) return kNoMemory;
  auto data = std::make_unique<ModuleData>();
  data->context = xmp_create_context();
  if (data->context == nullptr) return kNoMemory;
  if (xmp_load_module_from_memory(data->context, bytes, static_cast<long>(size)) != 0) {
    xmp_free_context(data->context);
    return kBadFormat;
  }
  xmp_module_info info;
  std::memset(&info, 0, sizeof info);
  xmp_get_module_info(data->context, &info);
  if (info.mod == nullptr || info.mod->len <= 0) {
    xmp_release_module(data->context);
    xmp_free_context(data->context);
    return kBadFormat;
  }
  data->orders = info.mod->len;
  auto result = std::make_unique<Module>();
  const int rst = info.mod->rst;
  result->restart.store(static_cast<std::uint16_t>(rst >= 0 && rst < 65536 ? rst : 0));
  result->impl = data.release();
  OutputLock lock;
  S().modules.insert(result.get());
  *module = result.release();
  return kOk;
}

int LoadModuleFile(const char* fileName, std::uint32_t offset, Module** module) {
  if (module == nullptr) return kBadArgument;
  *module = nullptr;
  std::vector<std::uint8_t> bytes;
  const int read = ReadFileFrom(fileName, offset, kMaxModuleBytes, &bytes);
  if (read != kOk) return read;
  return LoadModuleMemory(bytes.data(), bytes.size(), module);
}

int FreeModuleFile(Module* module) {
  State& s = S();
  {
    OutputLock lock;
    Module* m = FindModule(module);
    if (m == nullptr) return kBadHandle;
    if (s.playing == m) {
      s.playing = nullptr;
      s.modulePaused = false;
    }
    EndModulePlayer(m);
    s.modules.erase(m);
  }
  xmp_release_module(module->impl->context);
  xmp_free_context(module->impl->context);
  delete module->impl;
  delete module;
  return kOk;
}

int PlayModule(Module* module) {
  State& s = S();
  OutputLock lock;
  Module* m = FindModule(module);
  if (m == nullptr) return kBadHandle;
  if (!s.deviceOpen) return kNotOpen;
  if (s.playing != nullptr) EndModulePlayer(s.playing);
  s.playing = nullptr;
  const int started = StartModulePlayer(m, s.desc.rate, s.channels == 1);
  if (started != kOk) return started;
  s.playing = m;
  s.modulePaused = false;
  return kOk;
}

int StopModule() {
  State& s = S();
  OutputLock lock;
  if (s.playing != nullptr) EndModulePlayer(s.playing);
  s.playing = nullptr;
  s.modulePaused = false;
  return kOk;
}

int PauseModule() {
  State& s = S();
  OutputLock lock;
  if (!s.deviceOpen) return kNotOpen;
  s.modulePaused = true;
  return kOk;
}

int ResumeModule() {
  State& s = S();
  OutputLock lock;
  if (!s.deviceOpen) return kNotOpen;
  s.modulePaused = false;
  return kOk;
}

int SetModuleVolume(std::uint32_t volume) {
  State& s = S();
  if (volume > kMaxVolume) return kBadArgument;
  OutputLock lock;
  s.moduleVolume = volume;
  return kOk;
}

int GetModulePosition(std::uint32_t* order) {
  State& s = S();
  if (order == nullptr) return kBadArgument;
  OutputLock lock;
  *order = s.playing != nullptr ? ModuleOrder(s.playing) : 0;
  return kOk;
}

}  // namespace vantrel::seal
