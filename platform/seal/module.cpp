// Tracker modules: loaded and rendered by libopenmpt, mixed in by our mixer.
//
// Modules reach the game from other players (Workshop items), so the player
// underneath has to survive any bytes. libopenmpt is fuzzed continuously by
// its authors, loaders and playback alike; on top of it we allow only the MOD,
// XM and S3M families, cap the size, refuse a MOD cut inside its patterns,
// and end a song that keeps ending instead of spinning on it.
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/seal/internal.h"

namespace plat::seal {

struct ModuleData {
  openmpt_module* player = nullptr;
  int orders = 0;
  bool started = false;
  // The interpolation is set when the song first starts: setting it makes
  // the library rebuild its resampling tables (a few ms per song), which
  // loading every song at start-up need not pay for.
  bool interpolationSet = false;
  bool ended = false;
  int rate = 0;
  int channels = 2;
  std::vector<std::int16_t> rendered;  // scratch for one block (interleaved)
  std::uint32_t loops = 0;
  std::uint32_t order = 0;

  ~ModuleData() {
    if (player != nullptr) openmpt_module_destroy(player);
  }
};

namespace detail {
namespace {

constexpr std::size_t kMaxModuleBytes = 64u * 1024u * 1024u;
// Frames rendered per call into libopenmpt; also the scratch buffer's size.
constexpr std::size_t kRenderFrames = 1024;
// A song that comes to its end this many times within one mix block is
// looping on next to nothing (a crafted file): it ends instead of spinning.
constexpr int kMaxLoopsPerBlock = 32;

// The sound: linear interpolation and channels panned hard to their sides
// (libopenmpt's 200% separation; its 100% keeps MOD channels near the middle),
// which is how the songs were written and reviewed. At the library's own gain
// the pack's songs then sit within a quarter of a decibel of their old level
// (each side within one decibel).
constexpr int kInterpolation = 2;       // taps: linear
constexpr int kStereoSeparation = 200;  // percent
constexpr int kMasterGainMillibel = 0;

Module* FindModule(const Module* module) {
  State& s = S();
  for (Module* m : s.modules) {
    if (m == module) return m;
  }
  return nullptr;
}

// The player formats the game loads: the MOD family (31 and 15 samples, any
// channel count), XM and S3M. Everything else libopenmpt could read is refused.
bool IsPlayedFormat(const char* type) {
  if (type == nullptr) return false;
  const std::string_view t(type);
  for (std::string_view ok : {"mod", "m15", "stk", "st26", "nst", "xm", "s3m"}) {
    if (t == ok) return true;
  }
  return false;
}

// The restart order the file names. libopenmpt keeps it to itself, so it is
// read from the header: the byte after the song length in a 31-sample MOD
// (offset 951), the restart field of an XM (offset 66); S3M has none. One
// that does not name an order of the song (ProTracker's 127, say) is 0.
std::uint16_t HeaderRestart(const std::uint8_t* bytes, std::size_t size, std::string_view type) {
  unsigned restart = 0, length = 0;
  if (type == "xm" && size >= 68) {
    length = bytes[64] | (bytes[65] << 8);
    restart = bytes[66] | (bytes[67] << 8);
  } else if (type == "mod" && size >= 952) {
    length = bytes[950];
    restart = bytes[951];
  }
  return static_cast<std::uint16_t>(restart < length ? restart : 0);
}

// A 31-sample MOD keeps its patterns after a 1084-byte header, as many as the
// highest pattern number in its 128 order entries (plus one), each 64 rows of
// `channels` four-byte cells. A file cut short inside them is a damaged file
// and is refused; sample data after the patterns may be short (many real
// songs lose the end of their last sample) and plays as silence.
bool ModPatternsComplete(const std::uint8_t* bytes, std::size_t size, int channels) {
  if (size < 1084) return false;
  // "FLT8" songs store each 8-channel pattern as two 4-channel halves.
  if (std::memcmp(bytes + 1080, "FLT8", 4) == 0) channels = 4;
  int highest = 0;
  for (int k = 0; k < 128; ++k) highest = std::max<int>(highest, bytes[952 + k]);
  const std::size_t patternBytes = 64u * 4u * static_cast<std::size_t>(std::max(channels, 1));
  return size - 1084 >= static_cast<std::size_t>(highest + 1) * patternBytes;
}

// Renders `frames` frames into `out` (interleaved, `channels` wide) and
// returns how many it made; fewer means the song reached its end.
std::size_t Render(ModuleData& d, std::int16_t* out, std::size_t frames) {
  if (d.channels == 1) {
    return openmpt_module_read_mono(d.player, d.rate, frames, out);
  }
  return openmpt_module_read_interleaved_stereo(d.player, d.rate, frames, out);
}

}  // namespace

int StartModulePlayer(Module* module, int rate, bool mono) {
  ModuleData& d = *module->impl;
  if (d.started) EndModulePlayer(module);
  if (!d.interpolationSet) {
    openmpt_module_set_render_param(d.player, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, kInterpolation);
    d.interpolationSet = true;
  }
  if (openmpt_module_set_position_order_row(d.player, 0, 0) < 0) return kDeviceFailed;
  d.started = true;
  d.ended = false;
  d.rate = rate;
  d.channels = mono ? 1 : 2;
  d.rendered.assign(kRenderFrames * 2, 0);
  d.loops = 0;
  d.order = 0;
  return kOk;
}

void EndModulePlayer(Module* module) {
  ModuleData& d = *module->impl;
  d.started = false;
  d.rendered.clear();
  d.rendered.shrink_to_fit();
}

void MixModule(Module* module, std::int32_t* acc, std::uint32_t frames, int channels, std::uint32_t volume) {
  ModuleData& d = *module->impl;
  if (!d.started || d.ended || d.channels != channels) return;
  const std::int32_t gain = static_cast<std::int32_t>(volume);
  std::size_t at = 0;
  int loopsHere = 0;
  bool renderedSinceLoop = true;
  while (at < frames) {
    const std::size_t want = std::min<std::size_t>(frames - at, kRenderFrames);
    const std::size_t got = Render(d, d.rendered.data(), want);
    const std::int32_t order = openmpt_module_get_current_order(d.player);
    d.order = order < 0 ? 0 : static_cast<std::uint32_t>(order);
    if (got > 0) {
      const std::size_t n = got * static_cast<std::size_t>(channels);
      std::int32_t* dst = acc + at * channels;
      const std::int16_t* src = d.rendered.data();
      for (std::size_t k = 0; k < n; ++k) dst[k] += (src[k] * gain) >> 6;
      at += got;
      renderedSinceLoop = true;
    }
    if (got == want) continue;
    // The song came to its end: go on from the restart order the caller
    // wants (the first order when that lies past the song). A song that makes
    // nothing after going back, or keeps ending, has ended for good.
    if (!renderedSinceLoop || ++loopsHere > kMaxLoopsPerBlock) {
      d.ended = true;
      return;
    }
    renderedSinceLoop = false;
    ++d.loops;
    const int wanted = module->restart.load(std::memory_order_relaxed);
    const int restart = wanted < d.orders ? wanted : 0;
    if (openmpt_module_set_position_order_row(d.player, restart, 0) < 0 &&
        openmpt_module_set_position_order_row(d.player, 0, 0) < 0) {
      d.ended = true;
      return;
    }
    const std::int32_t now = openmpt_module_get_current_order(d.player);
    d.order = now < 0 ? 0 : static_cast<std::uint32_t>(now);
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
  // Songs end (rather than fade or repeat by themselves) so that the mixer
  // decides where they go on from.
  const openmpt_module_initial_ctl ctls[] = {
      {"play.at_end", "continue"},
      {"load.skip_plugins", "1"},
      {nullptr, nullptr},
  };
  auto data = std::make_unique<ModuleData>();
  int error = 0;
  data->player = openmpt_module_create_from_memory2(bytes, size, openmpt_log_func_silent, nullptr,
                                                    openmpt_error_func_ignore, nullptr, &error, nullptr, ctls);
  if (data->player == nullptr) {
    return error == OPENMPT_ERROR_OUT_OF_MEMORY ? kNoMemory : kBadFormat;
  }
  const char* type = openmpt_module_get_metadata(data->player, "type");
  const bool played = IsPlayedFormat(type);
  const std::string typeName = type != nullptr ? type : "";
  openmpt_free_string(type);
  data->orders = openmpt_module_get_num_orders(data->player);
  if (!played || data->orders <= 0) return kBadFormat;
  if (typeName == "mod" && !ModPatternsComplete(static_cast<const std::uint8_t*>(bytes), size,
                                                openmpt_module_get_num_channels(data->player))) {
    return kBadFormat;
  }
  openmpt_module_select_subsong(data->player, 0);
  openmpt_module_set_repeat_count(data->player, 0);
  openmpt_module_set_render_param(data->player, OPENMPT_MODULE_RENDER_STEREOSEPARATION_PERCENT, kStereoSeparation);
  openmpt_module_set_render_param(data->player, OPENMPT_MODULE_RENDER_MASTERGAIN_MILLIBEL, kMasterGainMillibel);
  auto result = std::make_unique<Module>();
  result->restart.store(HeaderRestart(static_cast<const std::uint8_t*>(bytes), size, typeName));
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

}  // namespace plat::seal
