// Reading and writing the game's nine stored options (ReadStoredSettings,
// then WriteStoredSettings) over a big settings file: one of 13 MB of lines
// the store does not understand, and one of 13 MB of other values it keeps.
// The file is laid anew, untimed, before every read and write.
#include <benchmark/benchmark.h>

#include <boost/filesystem.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/registry_settings.h"
#include "game/config.h"
#include "game/game_globals.h"
#include "platform/settings.h"

namespace fs = boost::filesystem;

namespace {

constexpr size_t kFileBytes = 13u * 1024u * 1024u;

// A home of its own for the settings.
void PrivateHome() {
  static bool done = false;
  if (done) return;
  done = true;
  std::string base = (fs::temp_directory_path() / "vantrel-settings-bench-XXXXXX").string();
  if (!mkdtemp(base.data())) return;
  const fs::path home = base;
  fs::create_directories(home / "config");
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
}

// The settings file: the nine options, then lines of about 64 bytes up to
// kFileBytes: lines the store skips (junk) or values of other names.
std::string BigFile(bool junk) {
  std::string text = "; settings\n\"FullScreen\"=dword:00000000\n\"ShowScores\"=dword:00000001\n";
  char line[96];
  for (size_t i = 0; text.size() < kFileBytes; ++i) {
    if (junk) {
      std::snprintf(line, sizeof line, "junk line %010zu the store reads as nothing at all .......\n", i);
    } else {
      std::snprintf(line, sizeof line, "\"Other value %010zu with a long name\"=dword:%08zx\n", i, i);
    }
    text += line;
  }
  return text;
}

void ReadAndWriteOptions(benchmark::State& state, bool junk) {
  PrivateHome();
  const std::string file = plat::SettingsStore::FilePath(registrySettings.keyPath, false);
  fs::create_directories(fs::path(file).parent_path());
  const std::string bytes = BigFile(junk);
  for (auto _ : state) {
    state.PauseTiming();
    {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    state.ResumeTiming();
    ReadStoredSettings();
    WriteStoredSettings();
  }
  state.counters["file_MB"] = double(bytes.size()) / (1024.0 * 1024.0);
}

void BM_OptionsOverJunkLines(benchmark::State& state) { ReadAndWriteOptions(state, true); }
void BM_OptionsOverOtherValues(benchmark::State& state) { ReadAndWriteOptions(state, false); }

}  // namespace

BENCHMARK(BM_OptionsOverJunkLines)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OptionsOverOtherValues)->Unit(benchmark::kMillisecond)->Iterations(3);
