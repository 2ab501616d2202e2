// "charms.dat": the names of every charm ever collected, scrambled, in the
// saved-games folder.
#include <boost/filesystem.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

#include "core/hash.h"
#include "core/log.h"
#include "game/game_globals.h"
#include "game/play/charms.h"
#include "game/save_failures.h"
#include "platform/files.h"

namespace {

constexpr uint8_t kCharmsFileVersion = 1;
constexpr const char* kCharmsFileName = "charms.dat";
constexpr const char* kCharmsBackupName = "charms.dat.bak";
// A second backup, while the first is still there, is "charms.dat.bak.1",
// and so on.
constexpr const char* kCharmsBackupSuffix = ".bak";
// Why the file could not be read, for the debug output.
std::string ReadFailureText(plat::ReadFileResult result, int error) {
  if (result == plat::ReadFileResult::kTooLarge) return "too large";
  return error ? std::string("cannot read: ") + std::strerror(error) : std::string("cannot read");
}

}  // namespace

bool ParseCollectedCharms(const uint8_t* data, size_t size, std::set<std::string>& out) {
  if (!data) return size == 0;
  size_t pos = 1;  // after the version byte
  while (pos < size) {
    const size_t n = data[pos++];
    if (n == 0) continue;
    if (n > size - pos) return false;  // the name runs past the end
    out.emplace(reinterpret_cast<const char*>(data + pos), n);
    pos += n;
  }
  return true;
}

std::vector<uint8_t> BuildCollectedCharms(const std::set<std::string>& names) {
  std::vector<uint8_t> plain;
  plain.push_back(kCharmsFileVersion);
  for (const std::string& name : names) {
    if (name.size() > kMaxCharmNameBytes) continue;
    plain.push_back(static_cast<uint8_t>(name.size()));
    plain.insert(plain.end(), name.begin(), name.end());
  }
  return plain;
}

void LoadCollectedCharms() {
  collectedCharms.clear();
  collectedCharmsNeedBackup = false;
  if (savedGamesFolder.empty()) {
    DebugPrint("No saved-games folder: collected charms not loaded\n");
    return;
  }
  const boost::filesystem::path path = savedGamesFolder / kCharmsFileName;
  // The one regular-file read: a pipe, a device or a folder under the name
  // is a file that cannot be read, and a file beyond any real collection is
  // refused before a byte of it is read. Either is kept aside at the first
  // save, never written over.
  std::string bytes;
  int error = 0;
  const plat::ReadFileResult read = plat::ReadWholeFile(path, bytes, kMaxCharmsFileBytes, &error);
  if (read == plat::ReadFileResult::kMissing) return;
  if (read != plat::ReadFileResult::kRead) {
    collectedCharmsNeedBackup = true;
    DebugPrint("Error reading collected charms: " + ReadFailureText(read, error) + "\n");
    return;
  }
  uint8_t* plain = nullptr;
  int32_t plainSize = 0;
  if (bytes.empty() || !UnscrambleBuffer(bytes.data(), static_cast<int32_t>(bytes.size()), &plain, &plainSize)) {
    collectedCharmsNeedBackup = true;
    DebugPrint("Error reading collected charms: the file is damaged\n");
    return;
  }
  const bool complete = ParseCollectedCharms(plain, static_cast<size_t>(plainSize), collectedCharms);
  std::free(plain);
  if (!complete) {
    collectedCharmsNeedBackup = true;
    DebugPrint("Error reading collected charms: the list ends early\n");
  }
}

void SaveCollectedCharms() {
  if (savedGamesFolder.empty()) {
    DebugPrint("No saved-games folder: collected charms not saved\n");
    return;
  }
  try {
    for (const std::string& name : collectedCharms) {
      if (name.size() > kMaxCharmNameBytes) DebugPrint("Charm name too long to save: " + name + "\n");
    }
    const std::vector<uint8_t> plain = BuildCollectedCharms(collectedCharms);
    uint8_t* scrambled = nullptr;
    int32_t scrambledSize = 0;
    if (!ScrambleBuffer(plain.data(), static_cast<int32_t>(plain.size()), &scrambled, &scrambledSize)) {
      DebugPrint("Error saving collected charms: the data could not be scrambled\n");
      return;
    }
    std::unique_ptr<uint8_t, decltype(&std::free)> owned(scrambled, &std::free);
    const boost::filesystem::path path = savedGamesFolder / kCharmsFileName;
    if (collectedCharmsNeedBackup) {
      // The old file could not be read completely: keep it rather than
      // replace the only copy of what it held, under a name of its own so an
      // earlier copy is kept too.
      int error = 0;
      if (plat::KeepAside(path, kCharmsBackupSuffix, &error).empty() && error != ENOENT) {
        DebugPrint("Error saving collected charms: cannot keep the old file as " + std::string(kCharmsBackupName) +
                   ": " + std::strerror(error) + "\n");
        ReportSaveFailed(SavedData::kCollectedCharms, path, error);
        return;
      }
      collectedCharmsNeedBackup = false;
    }
    // The set stays in memory whatever happens here, and every later save
    // writes it whole.
    plat::WriteFailure failure;
    if (plat::WriteFileAtomic(path, scrambled, static_cast<size_t>(scrambledSize), true, &failure)) {
      ReportSaveWorked(SavedData::kCollectedCharms);
    } else {
      ReportSaveFailed(SavedData::kCollectedCharms, path, failure.error);
    }
  } catch (const std::exception& e) {
    DebugPrint(std::string("Error saving collected charms: ") + e.what() + "\n");
  }
}
