#include "audio/sound_bank.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "audio_test_files.h"
#include "platform/debug.h"
#include "platform/seal/seal.h"
#include "support/test_support.h"

namespace seal = plat::seal;
namespace fs = boost::filesystem;
using namespace audiotest;

namespace {

void Write(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path.string(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A game folder with the four fixed modules, `inGame` in-game modules and
// every effect but those in `missing`; effect k is 100 + k bytes long.
class SoundBankTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seal::SelectOutput(seal::Output::kNull);
    soundBank = SoundBank{};
    audioSettings = AudioSettings{};
    dir = vantrel::test::MakeTempDir("bank");
    ASSERT_EQ(chdir(dir.c_str()), 0);
  }
  void TearDown() override {
    ShutdownAudio();
    EXPECT_FALSE(seal::GetCounts().deviceOpen);
    EXPECT_EQ(seal::GetCounts().samples, 0u);
    EXPECT_EQ(seal::GetCounts().modules, 0u);
  }
  void MakeData(int inGame, std::set<int> missing = {}) {
    for (int i = 0; i < kFixedModuleCount; ++i) Write(dir / kFixedModuleFiles[i], FourChannelMod(2 + i));
    for (int i = 0; i < inGame; ++i) {
      const char* ext[] = {".mod", ".xm", ".s3m"};
      // Only MOD files are generated; the others are named .mod too.
      Write(dir / "InGameMods" / ("tune" + std::to_string(i) + ext[0]), FourChannelMod(1 + i % 8));
    }
    for (int k = 0; k < kSoundEffectCount; ++k) {
      if (missing.count(k)) continue;
      Write(dir / "Sounds" / kSoundEffectFiles[k], Wave(1, 8000 + k, 8, Bytes(size_t(100 + k), 160)));
    }
  }
  fs::path dir;
};

}  // namespace

TEST_F(SoundBankTest, LoadsEffectsInTableOrderAndModules) {
  MakeData(2, {5});
  plat::DebugCaptureScope capture;
  ASSERT_EQ(LoadSounds(), 1);
  EXPECT_EQ(soundBank.audioFailed, 0);
  EXPECT_EQ(soundBank.inGameModuleCount, 2);
  EXPECT_EQ(soundSystem.GetSampleCount(), 32);
  for (int k = 0; k < kSoundEffectCount; ++k) {
    SCOPED_TRACE(k);
    if (k == 5) {
      EXPECT_EQ(soundSystem.GetSampleLength(k), 0);
      EXPECT_EQ(PlaySoundAt(static_cast<SoundEffect>(k), 640, 0, 63), 0);
    } else {
      EXPECT_EQ(soundSystem.GetSampleLength(k), 100 + k);
      EXPECT_EQ(soundSystem.GetSampleRate(k), 8000 + k);
    }
  }
  for (int slot = 0; slot < 6; ++slot) EXPECT_NE(soundSystem.ModuleRecord(slot), nullptr) << slot;
  EXPECT_EQ(soundSystem.ModuleRecord(6), nullptr);
  EXPECT_NE(capture.text.find("nRestart is"), std::string::npos);
  // Opened as the settings ask: 22050 Hz, 8-bit stereo, 8 + 8 voices.
  EXPECT_EQ(soundSystem.Device().rate, 22050);
  EXPECT_EQ(soundSystem.Device().format, seal::kFormatStereo);
  EXPECT_EQ(soundSystem.GetVoiceCount(), 8);
  EXPECT_EQ(soundSystem.OpenedVoiceCount(), 16);
  // Loaded already: nothing happens.
  ASSERT_EQ(LoadSounds(), 1);
  EXPECT_EQ(soundSystem.GetSampleCount(), 32);
}

TEST_F(SoundBankTest, NoInGameModules) {
  MakeData(0);
  plat::DebugCaptureScope capture;
  ASSERT_EQ(LoadSounds(), 1);
  EXPECT_NE(capture.text.find("No InGame Mods Found!\n"), std::string::npos);
  ASSERT_EQ(soundBank.playlistLength, 3);
  std::vector<int> list(soundBank.playlist, soundBank.playlist + 3);
  std::sort(list.begin(), list.end());
  EXPECT_EQ(list, (std::vector<int>{0, 1, 2}));
  // The playlist cycles; the score module never plays in game.
  std::vector<int> played;
  for (int i = 0; i < 6; ++i) {
    PlayNextInGameMusic();
    played.push_back(soundBank.currentModule);
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(played[i], soundBank.playlist[i]);
    EXPECT_EQ(played[i + 3], soundBank.playlist[i]);
  }
}

TEST_F(SoundBankTest, PlaylistCoversEveryModuleButTheScoreOne) {
  for (int count : {0, 1, 5, 28, 97, 150}) {
    SCOPED_TRACE(count);
    soundBank.inGameModuleCount = count;
    soundBank.playlist[99] = -7;
    BuildMusicPlaylist();
    const int length = std::min(3 + count, 100);
    ASSERT_EQ(soundBank.playlistLength, length);
    std::vector<int> list(soundBank.playlist, soundBank.playlist + length);
    std::sort(list.begin(), list.end());
    std::vector<int> expected;
    for (int m = 0; m <= length; ++m)
      if (m != 3) expected.push_back(m);
    EXPECT_EQ(list, expected);
  }
  // Shuffled: some build puts a module away from its sorted place.
  soundBank.inGameModuleCount = 20;
  bool moved = false;
  for (int tries = 0; tries < 5 && !moved; ++tries) {
    BuildMusicPlaylist();
    for (int i = 0; i < soundBank.playlistLength; ++i)
      if (soundBank.playlist[i] != (i < 3 ? i : i + 1)) moved = true;
  }
  EXPECT_TRUE(moved);
}

TEST_F(SoundBankTest, PanFollowsScreenPosition) {
  MakeData(0);
  ASSERT_EQ(LoadSounds(), 1);
  auto pan = [&]() {
    seal::VoiceInfo info;
    EXPECT_EQ(seal::GetVoiceInfo(soundSystem.Voice(soundSystem.GetLastVoice())->handle, &info), seal::kOk);
    return info.panning;
  };
  struct Case {
    float x;
    int32_t swap;
    uint32_t pan;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{640, 0, 127}, Case{1280, 0, 255}, Case{0, 1, 255}, Case{1280, 1, 0},
                        Case{5000, 0, 255}, Case{-50, 0, 0}}) {
    SCOPED_TRACE(c.x);
    audioSettings.swapStereo = c.swap;
    soundSystem.StopAllVoices();
    ASSERT_EQ(PlaySoundAt(kSoundBoing, c.x, 0, 63), 1);
    EXPECT_EQ(pan(), c.pan);
  }
}

TEST_F(SoundBankTest, ReloadAfterShutdownRestoresMusic) {
  MakeData(1);
  ASSERT_EQ(LoadSounds(), 1);
  ASSERT_EQ(PlayMusic(2), 1);
  seal::ModuleInfo info;
  ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
  EXPECT_EQ(info.volume, 40u);
  // Minimised: the device closes; restored: everything comes back.
  for (int cycle = 0; cycle < 5; ++cycle) {
    EXPECT_EQ(ShutdownAudio(), 1);
    EXPECT_EQ(soundBank.audioLoaded, 0);
    EXPECT_FALSE(seal::GetCounts().deviceOpen);
    EXPECT_EQ(seal::GetCounts().samples, 0u);
    ASSERT_EQ(LoadSounds(), 1);
    EXPECT_EQ(soundSystem.GetSampleCount(), 32);
    ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
    EXPECT_EQ(info.playing, soundSystem.ModuleRecord(2));
    EXPECT_EQ(info.volume, 40u);
  }
  seal::AdvanceNullOutput(22050);
  const std::vector<int16_t> out = seal::TakeNullOutputSamples();
  EXPECT_TRUE(std::any_of(out.begin(), out.end(), [](int16_t v) { return v != 0; }));
  EXPECT_EQ(StopMusic(), 1);
  EXPECT_EQ(soundBank.currentModule, -1);
  ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
  EXPECT_EQ(info.playing, nullptr);
}

TEST_F(SoundBankTest, DisabledAudioIsSilentAndFailsCleanly) {
  MakeData(1);
  audioSettings.disableAudio = 1;
  EXPECT_EQ(LoadSounds(), 0);
  EXPECT_EQ(soundBank.audioLoaded, 1);
  EXPECT_EQ(soundBank.audioFailed, 1);
  EXPECT_FALSE(seal::GetCounts().deviceOpen);
  EXPECT_EQ(PlaySoundAt(kSoundBoing, 100, 0, 63), 0);
  EXPECT_EQ(PlayMusic(0), 0);
  PlayNextInGameMusic();
  EXPECT_EQ(soundBank.currentModule, -1);
  EXPECT_FALSE(soundSystem.PauseModule(true));
  EXPECT_FALSE(soundSystem.SetSampleLoop(25, true));
  EXPECT_FALSE(soundSystem.StopAllVoices());
  EXPECT_EQ(soundSystem.GetSampleRate(12), 0);
  // Loaded (as off) already: a second call does not open the device either.
  EXPECT_EQ(LoadSounds(), 1);
  EXPECT_FALSE(seal::GetCounts().deviceOpen);
}

TEST_F(SoundBankTest, DeviceFailureRunsSilent) {
  MakeData(0);
  audioSettings.playbackRate = 1000;  // no device plays this
  EXPECT_EQ(LoadSounds(), 0);
  EXPECT_EQ(soundBank.audioFailed, 1);
  EXPECT_EQ(PlaySoundAt(kSoundAoLaser, 0, 0, 63), 0);
  EXPECT_EQ(ShutdownAudio(), 0);
  audioSettings.playbackRate = 22050;
  audioSettings.playbackBits = 16;
  audioSettings.musicVoices = 40;
  ASSERT_EQ(LoadSounds(), 1);
  EXPECT_EQ(soundSystem.Device().format, seal::kFormatStereo | seal::kFormat16Bit);
  EXPECT_EQ(soundSystem.OpenedVoiceCount(), 32);
}

TEST_F(SoundBankTest, UnreadableInGameModuleKeepsItsSlotEmpty) {
  MakeData(2);
  Write(dir / "InGameMods" / "broken.xm", Bytes(64, 1));
  plat::DebugCaptureScope capture;
  ASSERT_EQ(LoadSounds(), 1);
  EXPECT_EQ(soundBank.inGameModuleCount, 3);
  EXPECT_NE(capture.text.find("Error loading module broken.xm\n"), std::string::npos);
  EXPECT_EQ(soundBank.playlistLength, 6);
  // .mod names first, then .xm: the broken one is the third in-game module.
  EXPECT_NE(soundSystem.ModuleRecord(4), nullptr);
  EXPECT_NE(soundSystem.ModuleRecord(5), nullptr);
  EXPECT_EQ(soundSystem.ModuleRecord(6), nullptr);
  // Playing every playlist entry skips the empty slot without harm.
  for (int i = 0; i < 6; ++i) PlayNextInGameMusic();
  EXPECT_EQ(soundBank.playlistPosition, 0);
}

TEST_F(SoundBankTest, InGameModulesBeyondTheSlotsStillTakeAPlaylistEntry) {
  MakeData(30);
  plat::DebugCaptureScope capture;
  ASSERT_EQ(LoadSounds(), 1);
  EXPECT_EQ(soundBank.inGameModuleCount, 30);
  for (int slot = 4; slot < kModuleSlots; ++slot) EXPECT_NE(soundSystem.ModuleRecord(slot), nullptr);
  // Two names left over: both reported, both in the playlist.
  size_t errors = 0;
  for (size_t at = 0; (at = capture.text.find("Error loading module ", at)) != std::string::npos; ++at) ++errors;
  EXPECT_EQ(errors, 2u);
  EXPECT_EQ(soundBank.playlistLength, 33);
  for (int i = 0; i < 40; ++i) PlayNextInGameMusic();
  EXPECT_EQ(soundBank.playlistPosition, 40 % 33);
}
