// The collected-charms reader over arbitrary bytes: never a crash or a read
// outside the data, every name it keeps fits the file again, and writing a
// set then reading it back gives the same set. Inputs whose first byte is odd
// are also scrambled into a "charms.dat" of a scratch folder and go through
// the load, save and reload of the game.
#include <boost/filesystem.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/hash.h"
#include "game/game_globals.h"
#include "game/play/charms.h"

namespace {

// A folder of this process for one input's files; removed again after the
// input, so a finished run leaves nothing behind.
const boost::filesystem::path& ScratchFolder() {
  static const boost::filesystem::path folder = boost::filesystem::temp_directory_path() /
                                                ("vantrel-charms-fuzz-" + std::to_string(static_cast<long>(getpid())));
  return folder;
}

void WriteBytes(const boost::filesystem::path& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;

  std::set<std::string> names;
  ParseCollectedCharms(data, size, names);
  for (const std::string& name : names) {
    if (name.empty() || name.size() > kMaxCharmNameBytes) std::abort();
  }
  const std::vector<uint8_t> plain = BuildCollectedCharms(names);
  std::set<std::string> again;
  if (!ParseCollectedCharms(plain.data(), plain.size(), again) || again != names) std::abort();

  if (size == 0 || (data[0] & 1) == 0) return 0;

  const boost::filesystem::path& folder = ScratchFolder();
  boost::system::error_code ec;
  boost::filesystem::remove_all(folder, ec);
  boost::filesystem::create_directories(folder);
  uint8_t* scrambled = nullptr;
  int32_t scrambledSize = 0;
  if (!ScrambleBuffer(data, static_cast<int32_t>(size), &scrambled, &scrambledSize)) std::abort();
  WriteBytes(folder / "charms.dat", scrambled, static_cast<size_t>(scrambledSize));
  std::free(scrambled);

  savedGamesFolder = folder;
  LoadCollectedCharms();
  if (collectedCharms != names) std::abort();
  const std::set<std::string> saved = collectedCharms;
  SaveCollectedCharms();
  LoadCollectedCharms();
  if (collectedCharms != saved || collectedCharmsNeedBackup) std::abort();
  savedGamesFolder.clear();
  boost::filesystem::remove_all(folder, ec);
  return 0;
}
