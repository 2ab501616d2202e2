// The sound library: devices, voices, samples, the mixer, WAVE files and modules.
#include "platform/seal/seal.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "tests/seal/module_variants.h"
#include "tests/seal/test_module.h"
#include "tests/support/odd_files.h"
#include "tests/support/test_support.h"

namespace seal = plat::seal;

namespace {

// Opens the null output (and voices) for one test; closes it afterwards.
class NullDevice {
 public:
  explicit NullDevice(std::uint16_t format = seal::kFormat16Bit | seal::kFormatStereo, std::uint16_t rate = 22050,
                      std::uint32_t voices = 8) {
    seal::SelectOutput(seal::Output::kNull);
    seal::DeviceDesc desc;
    desc.format = format;
    desc.rate = rate;
    ok_ = seal::OpenDevice(&desc) == seal::kOk && seal::OpenVoices(voices) == seal::kOk;
    for (std::uint32_t k = 0; ok_ && k < voices; ++k) {
      seal::Voice v = 0;
      ok_ = seal::CreateVoice(&v) == seal::kOk;
      voices_.push_back(v);
    }
  }
  ~NullDevice() { seal::CloseDevice(); }
  bool ok() const { return ok_; }
  seal::Voice voice(int k) const { return voices_.at(k); }

 private:
  bool ok_ = false;
  std::vector<seal::Voice> voices_;
};

// A sample record whose data the library made; destroyed with the object.
struct TestSample {
  seal::Sample rec;
  TestSample(const std::vector<std::int8_t>& values, std::uint16_t rate, std::uint16_t format = 0) {
    rec.length = static_cast<std::uint32_t>(values.size());
    rec.rate = rate;
    rec.format = format;
    created = seal::CreateSampleData(&rec) == seal::kOk;
    if (created) {
      std::memcpy(rec.data, values.data(), values.size());
      written = seal::WriteSampleData(&rec, 0, rec.length) == seal::kOk;
    }
  }
  TestSample(const std::vector<std::int16_t>& values, std::uint16_t rate, std::uint16_t format) {
    rec.length = static_cast<std::uint32_t>(values.size() * 2);
    rec.rate = rate;
    rec.format = format | seal::kFormat16Bit;
    created = seal::CreateSampleData(&rec) == seal::kOk;
    if (created) {
      std::memcpy(rec.data, values.data(), rec.length);
      written = seal::WriteSampleData(&rec, 0, rec.length) == seal::kOk;
    }
  }
  ~TestSample() {
    if (rec.handle != 0) seal::DestroySampleData(&rec);
  }
  bool created = false;
  bool written = false;
};

std::vector<std::int8_t> Constant(std::size_t n, std::int8_t v) { return std::vector<std::int8_t>(n, v); }

// Plays `voice` primed with `s` and returns after the voice reports stopped
// (or `limit` frames), the number of frames it took.
std::uint32_t FramesUntilStopped(seal::Voice voice, std::uint32_t limit) {
  std::uint32_t frames = 0;
  int stopped = 0;
  while (frames < limit) {
    EXPECT_EQ(seal::GetVoiceStatus(voice, &stopped), seal::kOk);
    if (stopped) break;
    EXPECT_EQ(seal::AdvanceNullOutput(1), seal::kOk);
    ++frames;
  }
  return frames;
}

void PlayOn(seal::Voice voice, const seal::Sample& s, std::uint32_t volume = 63, std::uint32_t pan = 128) {
  ASSERT_EQ(seal::PrimeVoice(voice, &s), seal::kOk);
  ASSERT_EQ(seal::SetVoiceVolume(voice, volume), seal::kOk);
  ASSERT_EQ(seal::SetVoicePanning(voice, pan), seal::kOk);
  ASSERT_EQ(seal::StartVoice(voice), seal::kOk);
}

struct Energy {
  double left = 0, right = 0;
};

Energy StereoEnergy(const std::vector<std::int16_t>& v) {
  Energy e;
  for (std::size_t k = 0; k + 1 < v.size(); k += 2) {
    e.left += double(v[k]) * v[k];
    e.right += double(v[k + 1]) * v[k + 1];
  }
  return e;
}

std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const auto dir = vantrel::test::MakeTempDir("seal");
  const std::string path = (dir / name).string();
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

}  // namespace

// ---- devices ------------------------------------------------------------------

TEST(SealDevice, NamesItselfAndRejectsBadDescriptions) {
  ASSERT_EQ(seal::GetDeviceCount(), 1u);
  seal::DeviceCaps caps;
  ASSERT_EQ(seal::GetDeviceCaps(0, &caps), seal::kOk);
  EXPECT_GT(std::strlen(caps.productName), 0u);
  EXPECT_LT(std::strlen(caps.productName), sizeof caps.productName);
  EXPECT_EQ(seal::GetDeviceCaps(1, &caps), seal::kBadArgument);
  EXPECT_EQ(seal::GetDeviceCaps(0, nullptr), seal::kBadArgument);

  seal::SelectOutput(seal::Output::kNull);
  struct Case {
    std::uint32_t id;
    std::uint16_t format;
    std::uint16_t rate;
    int expected;
  } cases[] = {
      {seal::kDefaultDevice, 0, 0, seal::kBadArgument},
      {seal::kDefaultDevice, 0, 7999, seal::kBadArgument},
      {seal::kDefaultDevice, 0, 48001, seal::kBadArgument},
      {seal::kDefaultDevice, seal::kFormatLoop, 22050, seal::kBadArgument},
      {5, 0, 22050, seal::kBadArgument},
      {0, 0, 22050, seal::kOk},
      {seal::kDefaultDevice, seal::kFormatStereo, 22050, seal::kOk},
      {seal::kDefaultDevice, seal::kFormat16Bit | seal::kFormatStereo, 44100, seal::kOk},
  };
  for (const Case& c : cases) {
    seal::DeviceDesc d{c.id, c.format, c.rate};
    EXPECT_EQ(seal::OpenDevice(&d), c.expected) << c.id << " " << c.format << " " << c.rate;
    if (c.expected == seal::kOk) {
      seal::DeviceDesc got;
      ASSERT_EQ(seal::GetOpenDevice(&got), seal::kOk);
      EXPECT_EQ(got.rate, c.rate);
      EXPECT_EQ(got.format, c.format);
      EXPECT_EQ(seal::OpenDevice(&d), seal::kAlreadyOpen);
      EXPECT_EQ(seal::SetDeviceSetting(1, 192), seal::kOk);
      EXPECT_EQ(seal::CloseDevice(), seal::kOk);
    }
  }
  EXPECT_EQ(seal::CloseDevice(), seal::kNotOpen);
  EXPECT_EQ(seal::SetDeviceSetting(1, 192), seal::kNotOpen);
  EXPECT_EQ(seal::OpenVoices(4), seal::kNotOpen);
}

TEST(SealDevice, SdlOutputPlaysVoicesToTheEnd) {
  // Runs the real output (SDL_AUDIODRIVER=dummy under ctest): the callback
  // mixes, so a short sample plays out and its voice reports stopped.
  seal::SelectOutput(seal::Output::kSdl);
  seal::DeviceDesc d{seal::kDefaultDevice, seal::kFormatStereo, 22050};
  ASSERT_EQ(seal::OpenDevice(&d), seal::kOk);
  ASSERT_EQ(seal::OpenVoices(2), seal::kOk);
  seal::Voice v = 0;
  ASSERT_EQ(seal::CreateVoice(&v), seal::kOk);
  {
    TestSample s(Constant(2205, 40), 22050);
    ASSERT_TRUE(s.written);
    PlayOn(v, s.rec);
    int stopped = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < until) {
      ASSERT_EQ(seal::GetVoiceStatus(v, &stopped), seal::kOk);
      if (stopped) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(stopped);
    EXPECT_EQ(seal::AdvanceNullOutput(10), seal::kNotOpen);
  }
  EXPECT_EQ(seal::CloseDevice(), seal::kOk);
}

TEST(SealDevice, SdlOutputDeliversTheMixToTheDriver) {
  // SDL's disk driver writes what the callback mixed into a file, in the
  // format asked for: 16-bit stereo, and the game's own 8-bit stereo.
  const std::string file = (vantrel::test::MakeTempDir("disk") / "out.raw").string();
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "1", 1);
  seal::SelectOutput(seal::Output::kSdl);
  for (const std::uint16_t format : {std::uint16_t(seal::kFormat16Bit | seal::kFormatStereo), seal::kFormatStereo}) {
    SCOPED_TRACE(format);
    const bool sixteen = (format & seal::kFormat16Bit) != 0;
    seal::DeviceDesc d{seal::kDefaultDevice, format, 22050};
    if (seal::OpenDevice(&d) != seal::kOk) GTEST_SKIP() << "no disk audio driver in this SDL";
    ASSERT_EQ(seal::OpenVoices(1), seal::kOk);
    seal::Voice v = 0;
    ASSERT_EQ(seal::CreateVoice(&v), seal::kOk);
    {
      TestSample s(Constant(4410, 64), 22050);
      PlayOn(v, s.rec, 63, 0);
      int stopped = 0;
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!stopped && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(seal::GetVoiceStatus(v, &stopped), seal::kOk);
      }
      ASSERT_TRUE(stopped);
    }
    ASSERT_EQ(seal::CloseDevice(), seal::kOk);
    std::ifstream in(file, std::ios::binary);
    std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int> values;
    if (sixteen) {
      for (std::size_t k = 0; k + 1 < raw.size(); k += 2) {
        std::int16_t w;
        std::memcpy(&w, raw.data() + k, 2);
        values.push_back(w);
      }
    } else {
      for (char c : raw) values.push_back(static_cast<std::uint8_t>(c));
    }
    // 64 of 128 at volume 63 of 64, hard left: 16128 at 16 bits, 63 steps
    // above the middle at 8 bits.
    const int level = sixteen ? 64 * 256 * 63 / 64 : 128 + 63;
    const int silence = sixteen ? 0 : 128;
    std::size_t leftFrames = 0, rightSounding = 0;
    for (std::size_t k = 0; k + 1 < values.size(); k += 2) {
      leftFrames += values[k] == level;
      rightSounding += values[k + 1] != silence;
    }
    EXPECT_EQ(leftFrames, 4410u);
    EXPECT_EQ(rightSounding, 0u);
  }
}

TEST(SealDevice, RepeatedOpenCloseLeavesNothingBehind) {
  const auto mod = vantrel::test::MakeTestMod();
  for (int cycle = 0; cycle < 30; ++cycle) {
    seal::SelectOutput(cycle % 3 == 0 ? seal::Output::kSdl : seal::Output::kNull);
    seal::DeviceDesc d{seal::kDefaultDevice, static_cast<std::uint16_t>(cycle % 2 ? seal::kFormatStereo : 0x101),
                       22050};
    ASSERT_EQ(seal::OpenDevice(&d), seal::kOk) << cycle;
    ASSERT_EQ(seal::OpenVoices(12), seal::kOk);
    std::vector<seal::Voice> voices(8);
    for (auto& v : voices) ASSERT_EQ(seal::CreateVoice(&v), seal::kOk);
    TestSample s(Constant(500, 20), 11025);
    seal::Module* m = nullptr;
    ASSERT_EQ(seal::LoadModuleMemory(mod.data(), mod.size(), &m), seal::kOk);
    ASSERT_EQ(seal::PlayModule(m), seal::kOk);
    PlayOn(voices[cycle % 8], s.rec);
    if (seal::SelectedOutput() == seal::Output::kNull) {
      ASSERT_EQ(seal::AdvanceNullOutput(300), seal::kOk);
    }
    // Close with the module still playing and the voices still created: the
    // close takes them down.
    if (cycle % 2 == 0) {
      ASSERT_EQ(seal::StopModule(), seal::kOk);
      for (auto v : voices) ASSERT_EQ(seal::DestroyVoice(v), seal::kOk);
      ASSERT_EQ(seal::CloseVoices(), seal::kOk);
    }
    ASSERT_EQ(seal::CloseDevice(), seal::kOk);
    ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);
  }
  const seal::Counts c = seal::GetCounts();
  EXPECT_FALSE(c.deviceOpen);
  EXPECT_EQ(c.voicesOpened, 0u);
  EXPECT_EQ(c.voicesCreated, 0u);
  EXPECT_EQ(c.samples, 0u);
  EXPECT_EQ(c.modules, 0u);
}

// ---- voices -------------------------------------------------------------------

TEST(SealVoice, PoolLimitsAndStaleHandles) {
  seal::SelectOutput(seal::Output::kNull);
  seal::DeviceDesc d{seal::kDefaultDevice, seal::kFormatStereo, 22050};
  ASSERT_EQ(seal::OpenDevice(&d), seal::kOk);
  EXPECT_EQ(seal::OpenVoices(0), seal::kBadArgument);
  EXPECT_EQ(seal::OpenVoices(33), seal::kBadArgument);
  ASSERT_EQ(seal::OpenVoices(32), seal::kOk);
  EXPECT_EQ(seal::OpenVoices(2), seal::kAlreadyOpen);
  std::vector<seal::Voice> voices(32);
  for (auto& v : voices) ASSERT_EQ(seal::CreateVoice(&v), seal::kOk);
  seal::Voice extra = 0;
  EXPECT_EQ(seal::CreateVoice(&extra), seal::kNoVoice);
  ASSERT_EQ(seal::DestroyVoice(voices[5]), seal::kOk);
  EXPECT_EQ(seal::DestroyVoice(voices[5]), seal::kBadHandle);
  int stopped = 0;
  EXPECT_EQ(seal::GetVoiceStatus(voices[5], &stopped), seal::kBadHandle);
  ASSERT_EQ(seal::CreateVoice(&extra), seal::kOk);
  EXPECT_EQ(extra, voices[5]);
  // A voice never primed is stopped and cannot start.
  ASSERT_EQ(seal::GetVoiceStatus(extra, &stopped), seal::kOk);
  EXPECT_NE(stopped, 0);
  EXPECT_EQ(seal::StartVoice(extra), seal::kBadArgument);
  EXPECT_EQ(seal::SetVoiceVolume(extra, 64), seal::kBadArgument);
  EXPECT_EQ(seal::SetVoicePanning(extra, 256), seal::kBadArgument);
  EXPECT_EQ(seal::SetVoiceVolume(0, 10), seal::kBadHandle);
  ASSERT_EQ(seal::CloseVoices(), seal::kOk);
  EXPECT_EQ(seal::SetVoiceVolume(voices[0], 10), seal::kBadHandle);
  EXPECT_EQ(seal::CloseDevice(), seal::kOk);
}

TEST(SealVoice, NonLoopingVoiceStopsWhenPlayedOutAndHalfFrequencyTakesTwiceAsLong) {
  NullDevice dev;
  ASSERT_TRUE(dev.ok());
  TestSample s(Constant(1000, 30), 22050);
  ASSERT_TRUE(s.written);
  PlayOn(dev.voice(0), s.rec);
  const std::uint32_t normal = FramesUntilStopped(dev.voice(0), 10000);
  EXPECT_NEAR(normal, 1000, 2);
  std::uint32_t pos = 0;
  ASSERT_EQ(seal::GetVoicePosition(dev.voice(0), &pos), seal::kOk);
  EXPECT_EQ(pos, 1000u);

  PlayOn(dev.voice(1), s.rec);
  ASSERT_EQ(seal::SetVoiceFrequency(dev.voice(1), 11025), seal::kOk);
  const std::uint32_t half = FramesUntilStopped(dev.voice(1), 10000);
  EXPECT_NEAR(half, 2000, 3);

  // A sample at 11025 Hz primed without a frequency plays at its own rate.
  TestSample slow(Constant(1000, 30), 11025);
  PlayOn(dev.voice(2), slow.rec);
  EXPECT_NEAR(FramesUntilStopped(dev.voice(2), 10000), 2000, 3);

  // Starting a played-out voice again plays it from the start.
  ASSERT_EQ(seal::StartVoice(dev.voice(0)), seal::kOk);
  EXPECT_NEAR(FramesUntilStopped(dev.voice(0), 10000), 1000, 2);
}

TEST(SealVoice, LoopedSampleKeepsPlayingInsideItsLoop) {
  NullDevice dev;
  ASSERT_TRUE(dev.ok());
  std::vector<std::int16_t> frames;  // 16-bit stereo, 100 frames = 400 bytes
  for (int k = 0; k < 100; ++k) {
    frames.push_back(static_cast<std::int16_t>(k * 100));
    frames.push_back(static_cast<std::int16_t>(-k * 100));
  }
  TestSample s(frames, 22050, seal::kFormatStereo | seal::kFormatLoop);
  s.rec.loopStart = 200;  // frame 50
  s.rec.loopEnd = 400;
  PlayOn(dev.voice(0), s.rec);
  ASSERT_EQ(seal::AdvanceNullOutput(22050), seal::kOk);
  int stopped = 1;
  ASSERT_EQ(seal::GetVoiceStatus(dev.voice(0), &stopped), seal::kOk);
  EXPECT_EQ(stopped, 0);
  std::uint32_t pos = 0;
  ASSERT_EQ(seal::GetVoicePosition(dev.voice(0), &pos), seal::kOk);
  EXPECT_GE(pos, 200u);
  EXPECT_LT(pos, 400u);
  EXPECT_EQ(pos % 4, 0u);
  // The last second holds only looped frames: left values 5000..9900.
  const auto out = seal::TakeNullOutputSamples();
  for (std::size_t k = out.size() - 2000; k < out.size(); k += 2) {
    ASSERT_GE(out[k], 4900) << k;
    ASSERT_LE(-out[k + 1], 9900 * 63 / 64 + 1) << k;
  }
  // The position can be set (in bytes) and is read back in whole frames.
  ASSERT_EQ(seal::SetVoicePosition(dev.voice(0), 123), seal::kOk);
  ASSERT_EQ(seal::GetVoicePosition(dev.voice(0), &pos), seal::kOk);
  EXPECT_EQ(pos, 120u);
  // Clearing the loop flag on the record changes only voices primed later.
  s.rec.format &= ~seal::kFormatLoop;
  PlayOn(dev.voice(1), s.rec);
  EXPECT_NEAR(FramesUntilStopped(dev.voice(1), 1000), 100, 2);
  ASSERT_EQ(seal::GetVoiceStatus(dev.voice(0), &stopped), seal::kOk);
  EXPECT_EQ(stopped, 0);
}

TEST(SealMixer, PanPutsTheEnergyLeftCentreRight) {
  NullDevice dev;
  ASSERT_TRUE(dev.ok());
  TestSample s(Constant(4000, 50), 22050);
  const double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    std::uint32_t pan;
    double minRatio, maxRatio;  // left / right energy
  } cases[] = {{0, 1e6, kInf}, {128, 0.95, 1.05}, {255, 0, 1e-6}, {64, 2.0, kInf}};
  for (const Case& c : cases) {
    PlayOn(dev.voice(0), s.rec, 63, c.pan);
    ASSERT_EQ(seal::AdvanceNullOutput(2000), seal::kOk);
    const Energy e = StereoEnergy(seal::TakeNullOutputSamples());
    const double ratio = e.left / std::max(e.right, 1e-300);
    EXPECT_GE(ratio, c.minRatio) << c.pan;
    EXPECT_LE(ratio, c.maxRatio) << c.pan;
    EXPECT_GT(e.left + e.right, 0) << c.pan;
    ASSERT_EQ(seal::StopVoice(dev.voice(0)), seal::kOk);
  }
}

TEST(SealMixer, VolumeIsLinearAndZeroIsSilent) {
  NullDevice dev;
  ASSERT_TRUE(dev.ok());
  std::vector<std::int16_t> loud(2000, 16000);
  TestSample s(loud, 22050, 0);
  for (std::uint32_t volume : {0u, 16u, 32u, 63u}) {
    PlayOn(dev.voice(0), s.rec, volume, 128);
    ASSERT_EQ(seal::AdvanceNullOutput(1000), seal::kOk);
    const auto out = seal::TakeNullOutputSamples();
    EXPECT_EQ(out[1000], 16000 * static_cast<int>(volume) / 64) << volume;
    EXPECT_EQ(out[1001], out[1000]) << volume;
    ASSERT_EQ(seal::StopVoice(dev.voice(0)), seal::kOk);
  }
  // Nothing playing: silence.
  ASSERT_EQ(seal::AdvanceNullOutput(100), seal::kOk);
  for (auto v : seal::TakeNullOutputSamples()) ASSERT_EQ(v, 0);
}

TEST(SealMixer, EightBitOutputIsUnsignedAroundTheMiddle) {
  NullDevice dev(seal::kFormatStereo, 22050);  // the game's default format
  ASSERT_TRUE(dev.ok());
  ASSERT_EQ(seal::AdvanceNullOutput(4), seal::kOk);
  for (auto b : seal::TakeNullOutputBytes()) EXPECT_EQ(b, 128);
  TestSample s(std::vector<std::int8_t>{64, -64, 127, -128}, 22050);
  PlayOn(dev.voice(0), s.rec, 32, 0);  // half volume, hard left
  ASSERT_EQ(seal::AdvanceNullOutput(5), seal::kOk);
  // 127 at half volume is 63.5 steps: rounded to the nearest, 64.
  const std::vector<std::uint8_t> expected = {160, 128, 96, 128, 192, 128, 64, 128, 128, 128};
  EXPECT_EQ(seal::TakeNullOutputBytes(), expected);
}

TEST(SealMixer, EightBitOutputAddsNoDcOffset) {
  // A looping sine with no DC of its own, at levels between the 8-bit steps:
  // the output's mean stays on the middle line (cutting the low byte off
  // would put it half a step below).
  NullDevice dev(seal::kFormatStereo, 22050);
  ASSERT_TRUE(dev.ok());
  std::vector<std::int16_t> sine(98);
  for (std::size_t k = 0; k < sine.size(); ++k) {
    sine[k] = static_cast<std::int16_t>(std::lround(5000 * std::sin(2 * M_PI * double(k) / 98)));
  }
  TestSample s(sine, 22050, seal::kFormatLoop);
  s.rec.loopEnd = s.rec.length;
  PlayOn(dev.voice(0), s.rec, 37, 128);
  ASSERT_EQ(seal::AdvanceNullOutput(98 * 200), seal::kOk);
  const auto out = seal::TakeNullOutputBytes();
  double sum = 0;
  for (auto b : out) sum += double(b) - 128;
  EXPECT_NEAR(sum / double(out.size()), 0.0, 0.05);
}

TEST(SealMixer, ResamplesWithLinearInterpolation) {
  NullDevice dev(seal::kFormat16Bit, 22050);  // 16-bit mono
  ASSERT_TRUE(dev.ok());
  TestSample s(std::vector<std::int16_t>{0, 6400, 12800, -6400}, 11025, 0);
  PlayOn(dev.voice(0), s.rec, 63);
  ASSERT_EQ(seal::SetVoiceVolume(dev.voice(0), 32), seal::kOk);  // exactly one half
  ASSERT_EQ(seal::AdvanceNullOutput(8), seal::kOk);
  const auto out = seal::TakeNullOutputSamples();
  ASSERT_EQ(out.size(), 8u);
  const std::int16_t expected[] = {0, 1600, 3200, 4800, 6400, 1600, -3200, -3200};
  for (int k = 0; k < 7; ++k) EXPECT_EQ(out[k], expected[k]) << k;
}

TEST(SealMixer, ClipsToEachOutputFormat) {
  struct Case {
    std::uint16_t format;
    int channels;
  } cases[] = {
      {0, 1}, {seal::kFormatStereo, 2}, {seal::kFormat16Bit, 1}, {seal::kFormat16Bit | seal::kFormatStereo, 2}};
  for (const Case& c : cases) {
    NullDevice dev(c.format, 22050, 4);
    ASSERT_TRUE(dev.ok());
    TestSample hi(Constant(100, 127), 22050);
    TestSample lo(Constant(100, -128), 22050);
    for (int k = 0; k < 3; ++k) PlayOn(dev.voice(k), hi.rec, 63);
    ASSERT_EQ(seal::AdvanceNullOutput(50), seal::kOk);
    for (int k = 0; k < 3; ++k) PlayOn(dev.voice(k), lo.rec, 63);
    ASSERT_EQ(seal::AdvanceNullOutput(50), seal::kOk);
    const auto bytes = seal::TakeNullOutputBytes();
    const bool sixteen = (c.format & seal::kFormat16Bit) != 0;
    ASSERT_EQ(bytes.size(), 100u * c.channels * (sixteen ? 2 : 1));
    if (sixteen) {
      std::int16_t first, last;
      std::memcpy(&first, bytes.data(), 2);
      std::memcpy(&last, bytes.data() + bytes.size() - 2, 2);
      EXPECT_EQ(first, 32767) << c.format;
      EXPECT_EQ(last, -32768) << c.format;
    } else {
      EXPECT_EQ(bytes.front(), 255) << c.format;
      EXPECT_EQ(bytes.back(), 0) << c.format;
    }
  }
}

// ---- samples ------------------------------------------------------------------

TEST(SealSample, BytesAreTakenWhenWrittenAndOnlyTheWrittenRange) {
  NullDevice dev(seal::kFormat16Bit, 22050);
  ASSERT_TRUE(dev.ok());
  TestSample s(Constant(100, 64), 22050);
  ASSERT_TRUE(s.written);
  auto* data = static_cast<std::int8_t*>(s.rec.data);
  for (int k = 0; k < 100; ++k) data[k] = -64;  // changed, but not written yet
  ASSERT_EQ(seal::WriteSampleData(&s.rec, 50, 10), seal::kOk);
  PlayOn(dev.voice(0), s.rec, 32);
  ASSERT_EQ(seal::AdvanceNullOutput(100), seal::kOk);
  const auto out = seal::TakeNullOutputSamples();
  EXPECT_EQ(out[10], 64 * 256 / 2);
  EXPECT_EQ(out[55], -64 * 256 / 2);
  EXPECT_EQ(out[70], 64 * 256 / 2);

  EXPECT_EQ(seal::WriteSampleData(&s.rec, 95, 6), seal::kBadArgument);
  EXPECT_EQ(seal::WriteSampleData(&s.rec, 101, 0), seal::kBadArgument);
  EXPECT_EQ(seal::WriteSampleData(&s.rec, 100, 0), seal::kOk);
  seal::Sample bogus;
  bogus.handle = 999;
  EXPECT_EQ(seal::WriteSampleData(&bogus, 0, 1), seal::kBadHandle);
  EXPECT_EQ(seal::DestroySampleData(&bogus), seal::kBadHandle);
  EXPECT_EQ(seal::PrimeVoice(dev.voice(0), &bogus), seal::kBadHandle);

  seal::Sample bad;
  EXPECT_EQ(seal::CreateSampleData(&bad), seal::kBadArgument);  // length 0
  bad.length = seal::kMaxSampleBytes + 1;
  EXPECT_EQ(seal::CreateSampleData(&bad), seal::kBadArgument);
}

TEST(SealSample, DestroyingAPlayingSampleStopsItsVoices) {
  NullDevice dev;
  ASSERT_TRUE(dev.ok());
  seal::Sample rec;
  rec.length = 5000;
  rec.rate = 22050;
  ASSERT_EQ(seal::CreateSampleData(&rec), seal::kOk);
  std::memset(rec.data, 50, rec.length);
  ASSERT_EQ(seal::WriteSampleData(&rec, 0, rec.length), seal::kOk);
  PlayOn(dev.voice(3), rec);
  ASSERT_EQ(seal::AdvanceNullOutput(100), seal::kOk);
  ASSERT_EQ(seal::DestroySampleData(&rec), seal::kOk);
  EXPECT_EQ(rec.data, nullptr);
  EXPECT_EQ(rec.handle, 0u);
  int stopped = 0;
  ASSERT_EQ(seal::GetVoiceStatus(dev.voice(3), &stopped), seal::kOk);
  EXPECT_NE(stopped, 0);
  EXPECT_EQ(seal::StartVoice(dev.voice(3)), seal::kBadArgument);
  ASSERT_EQ(seal::AdvanceNullOutput(100), seal::kOk);
  EXPECT_EQ(seal::GetCounts().samples, 0u);
}

// ---- WAVE files -----------------------------------------------------------------

namespace {

void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}
void Put16(std::vector<std::uint8_t>& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Chunk(std::vector<std::uint8_t>& b, const char* id, const std::vector<std::uint8_t>& body,
           std::int64_t sizeField = -1, bool pad = true) {
  b.insert(b.end(), id, id + 4);
  Put32(b, static_cast<std::uint32_t>(sizeField >= 0 ? sizeField : std::int64_t(body.size())));
  b.insert(b.end(), body.begin(), body.end());
  if (pad && (body.size() & 1)) b.push_back(0);
}
std::vector<std::uint8_t> Fmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint16_t tag = 1) {
  std::vector<std::uint8_t> f;
  Put16(f, tag);
  Put16(f, channels);
  Put32(f, rate);
  Put32(f, rate * channels * bits / 8);
  Put16(f, static_cast<std::uint16_t>(channels * bits / 8));
  Put16(f, bits);
  return f;
}
std::vector<std::uint8_t> Riff(const std::vector<std::uint8_t>& chunks) {
  std::vector<std::uint8_t> b = {'R', 'I', 'F', 'F'};
  Put32(b, static_cast<std::uint32_t>(chunks.size() + 4));
  b.insert(b.end(), {'W', 'A', 'V', 'E'});
  b.insert(b.end(), chunks.begin(), chunks.end());
  return b;
}

}  // namespace

TEST(SealWave, ReadsATableOfFiles) {
  std::vector<std::uint8_t> pcm8 = {0x00, 0x7F, 0x80, 0x81, 0xFF};
  std::vector<std::uint8_t> pcm16;
  // 16-bit values round to the nearest 8-bit step: -1 is 0, 128 is half a
  // step and goes up, -129 is nearer -1, and full scale stays 127.
  for (std::int16_t v :
       {std::int16_t(-32768), std::int16_t(-1), std::int16_t(0), std::int16_t(256), std::int16_t(32767),
        std::int16_t(-256), std::int16_t(128), std::int16_t(-129), std::int16_t(32700), std::int16_t(127)}) {
    Put16(pcm16, static_cast<std::uint16_t>(v));
  }
  struct Case {
    const char* name;
    std::vector<std::uint8_t> file;
    int result;
    std::uint16_t rate, format;
    std::vector<std::int8_t> values;
  };
  std::vector<Case> cases;
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "fmt ", Fmt(1, 11025, 8));
    Chunk(c, "data", pcm8);
    cases.push_back({"8-bit mono, odd data", Riff(c), seal::kOk, 11025, 0, {-128, -1, 0, 1, 127}});
  }
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "fmt ", Fmt(2, 22050, 16));
    Chunk(c, "data", pcm16);
    cases.push_back(
        {"16-bit stereo", Riff(c), seal::kOk, 22050, seal::kFormatStereo, {-128, 0, 0, 1, 127, -1, 1, -1, 127, 0}});
  }
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "LIST", {'a', 'b', 'c'});  // odd size, padded
    Chunk(c, "fmt ", Fmt(1, 8000, 16));
    Chunk(c, "junk", std::vector<std::uint8_t>(7, 0xAA));
    Chunk(c, "data", pcm16);
    Chunk(c, "cue ", {1, 2, 3, 4});
    cases.push_back({"extra chunks, odd sizes", Riff(c), seal::kOk, 8000, 0, {-128, 0, 0, 1, 127, -1, 1, -1, 127, 0}});
  }
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "fmt ", Fmt(1, 8000, 8));
    Chunk(c, "data", pcm8, 1000, false);  // claims 1000 bytes, holds 5
    cases.push_back({"data longer than the file", Riff(c), seal::kOk, 8000, 0, {-128, -1, 0, 1, 127}});
  }
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "fmt ", Fmt(2, 8000, 16));
    std::vector<std::uint8_t> part(pcm16.begin(), pcm16.begin() + 7);  // one frame and a bit
    Chunk(c, "data", part, 12, false);
    cases.push_back({"truncated mid-frame", Riff(c), seal::kOk, 8000, seal::kFormatStereo, {-128, 0}});
  }
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "fmt ", Fmt(1, 8000, 8));
    Chunk(c, "LIST", {1, 2, 3, 4}, 0x80000000u);  // negative size
    Chunk(c, "data", pcm8);
    cases.push_back({"negative chunk size", Riff(c), seal::kBadFormat, 0, 0, {}});
  }
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "LIST", {1, 2, 3, 4}, 5000);  // runs past the file
    Chunk(c, "fmt ", Fmt(1, 8000, 8));
    Chunk(c, "data", pcm8);
    cases.push_back({"chunk past the end", Riff(c), seal::kBadFormat, 0, 0, {}});
  }
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "fmt ", Fmt(1, 8000, 8, 3));
    Chunk(c, "data", pcm8);
    cases.push_back({"not PCM", Riff(c), seal::kBadFormat, 0, 0, {}});
  }
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "fmt ", Fmt(3, 8000, 8));
    Chunk(c, "data", pcm8);
    cases.push_back({"three channels", Riff(c), seal::kBadFormat, 0, 0, {}});
  }
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "fmt ", Fmt(1, 100000, 8));
    Chunk(c, "data", pcm8);
    cases.push_back({"rate too high", Riff(c), seal::kBadFormat, 0, 0, {}});
  }
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "fmt ", Fmt(1, 8000, 8));
    Chunk(c, "data", {});
    cases.push_back({"empty data", Riff(c), seal::kBadFormat, 0, 0, {}});
  }
  {
    std::vector<std::uint8_t> c;
    Chunk(c, "data", pcm8);
    cases.push_back({"no format", Riff(c), seal::kBadFormat, 0, 0, {}});
  }
  cases.push_back({"not RIFF", {'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, seal::kBadFormat, 0, 0, {}});
  cases.push_back({"too short", {'R', 'I', 'F', 'F'}, seal::kBadFormat, 0, 0, {}});

  for (const Case& c : cases) {
    seal::Sample* s = reinterpret_cast<seal::Sample*>(1);
    ASSERT_EQ(seal::LoadWaveMemory(c.file.data(), c.file.size(), &s), c.result) << c.name;
    if (c.result != seal::kOk) {
      EXPECT_EQ(s, nullptr) << c.name;
      continue;
    }
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->rate, c.rate) << c.name;
    EXPECT_EQ(s->format, c.format) << c.name;
    EXPECT_NE(s->handle, 0u);
    ASSERT_EQ(s->length, c.values.size()) << c.name;
    EXPECT_EQ(std::memcmp(s->data, c.values.data(), c.values.size()), 0) << c.name;
    EXPECT_EQ(seal::FreeWaveFile(s), seal::kOk);
  }
  EXPECT_EQ(seal::GetCounts().samples, 0u);
}

TEST(SealWave, LoadsFromAFileOffsetAndPlaysWhatItRead) {
  std::vector<std::uint8_t> c;
  Chunk(c, "fmt ", Fmt(1, 22050, 8));
  Chunk(c, "data", std::vector<std::uint8_t>(300, 0xC0));  // +64
  std::vector<std::uint8_t> file(77, 0x55);
  const auto wave = Riff(c);
  file.insert(file.end(), wave.begin(), wave.end());
  const std::string path = WriteFile("sounds.pak", file);

  seal::Sample* s = nullptr;
  EXPECT_EQ(seal::LoadWaveFile(path.c_str(), 0, &s), seal::kBadFormat);
  EXPECT_EQ(seal::LoadWaveFile(path.c_str(), 100000, &s), seal::kFileError);
  EXPECT_EQ(seal::LoadWaveFile((path + ".missing").c_str(), 0, &s), seal::kFileError);
  EXPECT_EQ(seal::LoadWaveFile("", 0, &s), seal::kBadArgument);
  EXPECT_EQ(s, nullptr);
  ASSERT_EQ(seal::LoadWaveFile(path.c_str(), 77, &s), seal::kOk);
  ASSERT_EQ(s->length, 300u);

  NullDevice dev(seal::kFormat16Bit, 22050);
  ASSERT_TRUE(dev.ok());
  PlayOn(dev.voice(0), *s, 32);
  ASSERT_EQ(seal::AdvanceNullOutput(10), seal::kOk);
  EXPECT_EQ(seal::TakeNullOutputSamples()[5], 64 * 256 / 2);
  EXPECT_EQ(seal::FreeWaveFile(s), seal::kOk);
  EXPECT_EQ(seal::FreeWaveFile(s), seal::kBadHandle);
  seal::Sample own;
  EXPECT_EQ(seal::FreeWaveFile(&own), seal::kBadHandle);
}

// ---- modules ------------------------------------------------------------------

TEST(SealModule, GeneratedModLoadsPlaysAndReportsItsRestart) {
  const auto bytes = vantrel::test::MakeTestMod(3, 1);
  seal::Module* m = nullptr;
  ASSERT_EQ(seal::LoadModuleMemory(bytes.data(), bytes.size(), &m), seal::kOk);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->restart, 1);
  EXPECT_EQ(seal::PlayModule(m), seal::kNotOpen);

  NullDevice dev(seal::kFormatStereo, 22050);  // the game's usual 8-bit stereo
  ASSERT_TRUE(dev.ok());
  ASSERT_EQ(seal::SetModuleVolume(63), seal::kOk);
  ASSERT_EQ(seal::PlayModule(m), seal::kOk);
  ASSERT_EQ(seal::AdvanceNullOutput(22050), seal::kOk);
  const auto out = seal::TakeNullOutputBytes();
  int loud = 0;
  for (auto b : out) loud += (b < 118 || b > 138) ? 1 : 0;
  EXPECT_GT(loud, static_cast<int>(out.size() / 4));
  seal::ModuleInfo info;
  ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
  EXPECT_EQ(info.playing, m);
  EXPECT_FALSE(info.paused);

  // Pausing holds it silent; resuming brings it back.
  ASSERT_EQ(seal::PauseModule(), seal::kOk);
  ASSERT_EQ(seal::AdvanceNullOutput(2000), seal::kOk);
  for (auto b : seal::TakeNullOutputBytes()) ASSERT_EQ(b, 128);
  ASSERT_EQ(seal::ResumeModule(), seal::kOk);
  ASSERT_EQ(seal::AdvanceNullOutput(2000), seal::kOk);
  int back = 0;
  for (auto b : seal::TakeNullOutputBytes()) back += b != 128;
  EXPECT_GT(back, 1000);

  // Volume 0 silences it; 64 is refused.
  EXPECT_EQ(seal::SetModuleVolume(64), seal::kBadArgument);
  ASSERT_EQ(seal::SetModuleVolume(0), seal::kOk);
  ASSERT_EQ(seal::AdvanceNullOutput(1000), seal::kOk);
  for (auto b : seal::TakeNullOutputBytes()) ASSERT_EQ(b, 128);

  ASSERT_EQ(seal::StopModule(), seal::kOk);
  ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
  EXPECT_EQ(info.playing, nullptr);
  std::uint32_t order = 99;
  ASSERT_EQ(seal::GetModulePosition(&order), seal::kOk);
  EXPECT_EQ(order, 0u);
  EXPECT_EQ(seal::FreeModuleFile(m), seal::kOk);
  EXPECT_EQ(seal::FreeModuleFile(m), seal::kBadHandle);
}

TEST(SealModule, LoopingSongGoesBackToTheRestartTheCallerSet) {
  const auto bytes = vantrel::test::MakeTestMod(4, 0);
  seal::Module* m = nullptr;
  ASSERT_EQ(seal::LoadModuleMemory(bytes.data(), bytes.size(), &m), seal::kOk);
  m->restart = 2;
  NullDevice dev(seal::kFormat16Bit | seal::kFormatStereo, 11025);
  ASSERT_TRUE(dev.ok());
  ASSERT_EQ(seal::PlayModule(m), seal::kOk);
  // Each order lasts two rows; follow the orders for a few loops of the song.
  std::vector<std::uint32_t> seen;
  seal::ModuleInfo info;
  for (int step = 0; step < 800; ++step) {
    ASSERT_EQ(seal::AdvanceNullOutput(256), seal::kOk);
    std::uint32_t order = 0;
    ASSERT_EQ(seal::GetModulePosition(&order), seal::kOk);
    if (seen.empty() || seen.back() != order) seen.push_back(order);
    ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
    if (info.loops >= 3) break;
  }
  seal::TakeNullOutputBytes();
  EXPECT_GE(info.loops, 3u);
  const std::vector<std::uint32_t> start = {0, 1, 2, 3, 2, 3, 2, 3};
  ASSERT_GE(seen.size(), start.size());
  EXPECT_EQ(std::vector<std::uint32_t>(seen.begin(), seen.begin() + start.size()), start);
  // A restart past the song's end falls back to the first order.
  m->restart = 300;
  const std::uint32_t loops = info.loops;
  seen.clear();
  for (int step = 0; step < 800; ++step) {
    ASSERT_EQ(seal::AdvanceNullOutput(256), seal::kOk);
    std::uint32_t order = 0;
    ASSERT_EQ(seal::GetModulePosition(&order), seal::kOk);
    if (seen.empty() || seen.back() != order) seen.push_back(order);
    ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
    if (info.loops > loops + 1) break;
  }
  EXPECT_NE(std::find(seen.begin(), seen.end(), 0u), seen.end());
  seal::TakeNullOutputBytes();
  ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);  // while playing
  ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
  EXPECT_EQ(info.playing, nullptr);
  ASSERT_EQ(seal::AdvanceNullOutput(100), seal::kOk);
}

TEST(SealModule, LoadsFromAFileOffsetAndRefusesBadBytes) {
  auto bytes = vantrel::test::MakeTestMod(2, 0);
  std::vector<std::uint8_t> file(1000, 0xEE);
  file.insert(file.end(), bytes.begin(), bytes.end());
  const std::string path = WriteFile("music.pak", file);
  seal::Module* m = nullptr;
  ASSERT_EQ(seal::LoadModuleFile(path.c_str(), 1000, &m), seal::kOk);
  ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);
  EXPECT_EQ(seal::LoadModuleFile(path.c_str(), 5000000, &m), seal::kFileError);
  EXPECT_EQ(seal::LoadModuleFile((path + "x").c_str(), 0, &m), seal::kFileError);
  EXPECT_EQ(m, nullptr);

  const std::vector<std::uint8_t> junk(3000, 0x41);
  EXPECT_EQ(seal::LoadModuleMemory(junk.data(), junk.size(), &m), seal::kBadFormat);
  EXPECT_EQ(seal::LoadModuleMemory(junk.data(), 0, &m), seal::kBadFormat);
  // Cut short inside the pattern data.
  EXPECT_NE(seal::LoadModuleMemory(bytes.data(), 1200, &m), seal::kOk);
  EXPECT_EQ(m, nullptr);
  EXPECT_EQ(seal::GetCounts().modules, 0u);
}

TEST(SealModule, PlaysOnEveryOutputFormatAtTheVolumeAsked) {
  const auto bytes = vantrel::test::MakeTestMod(2, 0);
  for (std::uint16_t format : {std::uint16_t(0), seal::kFormatStereo, seal::kFormat16Bit,
                               std::uint16_t(seal::kFormat16Bit | seal::kFormatStereo)}) {
    NullDevice dev(format, 22050);
    ASSERT_TRUE(dev.ok());
    seal::Module* m = nullptr;
    ASSERT_EQ(seal::LoadModuleMemory(bytes.data(), bytes.size(), &m), seal::kOk);
    double energy[2] = {0, 0};
    for (int pass = 0; pass < 2; ++pass) {
      ASSERT_EQ(seal::SetModuleVolume(pass == 0 ? 63 : 16), seal::kOk);
      ASSERT_EQ(seal::PlayModule(m), seal::kOk);  // from the start each time
      ASSERT_EQ(seal::AdvanceNullOutput(4410), seal::kOk);
      const auto out = seal::TakeNullOutputSamples();
      ASSERT_EQ(out.size(), 4410u * ((format & seal::kFormatStereo) ? 2 : 1));
      for (auto v : out) energy[pass] += double(v) * v;
    }
    EXPECT_GT(energy[0], 0) << format;
    // A quarter of the volume is a sixteenth of the energy (8-bit output rounds).
    EXPECT_NEAR(energy[1] / energy[0], 16.0 * 16.0 / (63.0 * 63.0), 0.02) << format;
    ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);
  }
}

TEST(SealModule, RestartWrittenWhileTheOutputThreadPlaysIt) {
  // The caller writes the restart position whenever it likes; the SDL
  // callback reads it each time the song loops. The song (two orders of two
  // rows) loops every half second, so the writes below meet its reads.
  const auto bytes = vantrel::test::MakeTestMod(2, 0);
  seal::Module* m = nullptr;
  ASSERT_EQ(seal::LoadModuleMemory(bytes.data(), bytes.size(), &m), seal::kOk);
  seal::SelectOutput(seal::Output::kSdl);
  seal::DeviceDesc d{seal::kDefaultDevice, seal::kFormatStereo, 22050};
  ASSERT_EQ(seal::OpenDevice(&d), seal::kOk);
  ASSERT_EQ(seal::PlayModule(m), seal::kOk);
  seal::ModuleInfo info;
  std::uint32_t highest = 0;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (std::uint16_t k = 0; std::chrono::steady_clock::now() < until; ++k) {
    m->restart = static_cast<std::uint16_t>(k % 3);  // 2 is past the song: back to 0
    std::uint32_t order = 0;
    ASSERT_EQ(seal::GetModulePosition(&order), seal::kOk);
    highest = std::max(highest, order);
    ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
    if (info.loops >= 2) break;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  EXPECT_GE(info.loops, 2u);
  EXPECT_LE(highest, 1u);
  EXPECT_LT(m->restart, 3);
  ASSERT_EQ(seal::CloseDevice(), seal::kOk);
  ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);
}

TEST(SealModule, S3mLoadsAndPlaysAndACutOneIsRefused) {
  const auto bytes = vantrel::test::MakeTestS3m();
  seal::Module* m = nullptr;
  ASSERT_EQ(seal::LoadModuleMemory(bytes.data(), bytes.size(), &m), seal::kOk);
  NullDevice dev(seal::kFormatStereo, 22050);
  ASSERT_TRUE(dev.ok());
  ASSERT_EQ(seal::SetModuleVolume(63), seal::kOk);
  ASSERT_EQ(seal::PlayModule(m), seal::kOk);
  ASSERT_EQ(seal::AdvanceNullOutput(11025), seal::kOk);
  int loud = 0;
  for (auto b : seal::TakeNullOutputBytes()) loud += (b < 118 || b > 138) ? 1 : 0;
  EXPECT_GT(loud, 5000);
  ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);
  // Cut inside the header: refused, nothing kept.
  EXPECT_EQ(seal::LoadModuleMemory(bytes.data(), 0x50, &m), seal::kBadFormat);
  EXPECT_EQ(m, nullptr);
  EXPECT_EQ(seal::GetCounts().modules, 0u);
}

// ---- modules from other players -------------------------------------------------

namespace {

constexpr std::uint16_t kDeviceFormats[] = {0, seal::kFormatStereo, seal::kFormat16Bit,
                                            seal::kFormat16Bit | seal::kFormatStereo};

double Rms(const std::vector<std::int16_t>& v) {
  double e = 0;
  for (auto x : v) e += double(x) * x;
  return v.empty() ? 0 : std::sqrt(e / v.size());
}

// A small IT song (a format the player library reads but the game does not
// load): header, the orders "pattern 0, end", one empty pattern.
std::vector<std::uint8_t> MakeTinyIt() {
  using namespace vantrel::test::variants;
  Bytes m;
  PutText(m, "IMPM", 4);
  PutText(m, "other tracker", 26);
  for (std::uint32_t v : {0x1004u, 2u, 0u, 0u, 1u, 0x0214u, 0x0214u, 9u, 0u}) Put16le(m, v);
  for (std::uint8_t v : {128, 48, 6, 125, 128, 0}) m.push_back(v);
  Put16le(m, 0);
  Put32le(m, 0);
  Put32le(m, 0);
  m.insert(m.end(), 64, 32);  // channel pans
  m.insert(m.end(), 64, 64);  // channel volumes
  m.push_back(0);
  m.push_back(255);
  Put32le(m, 0);  // pattern 0 is empty
  return m;
}

}  // namespace

TEST(SealModule, EveryGeneratedVariantLoadsAndMakesSound) {
  // Every channel-count tag of the MOD family, the 15-sample kind, XMs and
  // S3Ms of many channels, and songs that sweep every effect value: all are
  // played, on each output format in turn.
  const auto variants = vantrel::test::ModuleVariants();
  ASSERT_GE(variants.size(), 15u);
  for (std::size_t k = 0; k < variants.size(); ++k) {
    const auto& v = variants[k];
    const std::uint16_t format = kDeviceFormats[k % 4];
    NullDevice dev(format, 22050);
    ASSERT_TRUE(dev.ok());
    seal::Module* m = nullptr;
    ASSERT_EQ(seal::LoadModuleMemory(v.bytes.data(), v.bytes.size(), &m), seal::kOk) << v.name;
    ASSERT_EQ(seal::SetModuleVolume(63), seal::kOk);
    ASSERT_EQ(seal::PlayModule(m), seal::kOk);
    ASSERT_EQ(seal::AdvanceNullOutput(22050), seal::kOk);
    const auto out = seal::TakeNullOutputSamples();
    ASSERT_EQ(out.size(), 22050u * ((format & seal::kFormatStereo) ? 2 : 1)) << v.name;
    EXPECT_GT(Rms(out), 300.0) << v.name;
    ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);
  }
  EXPECT_EQ(seal::GetCounts().modules, 0u);
}

TEST(SealModule, CraftedFilesPlayWithoutHarm) {
  // Damaged files of the kinds that once crashed playback: each either is
  // refused or plays its whole length and loops on every output format,
  // with the restart moved about while it plays. The sanitizer build checks
  // every access on our side.
  constexpr std::uint32_t kHalfSecond = 11025 / 2;
  for (const auto& v : vantrel::test::CraftedModules()) {
    for (std::uint16_t format : kDeviceFormats) {
      NullDevice dev(format, 11025);
      ASSERT_TRUE(dev.ok());
      seal::Module* m = nullptr;
      const int loaded = seal::LoadModuleMemory(v.bytes.data(), v.bytes.size(), &m);
      if (loaded != seal::kOk) {
        EXPECT_EQ(loaded, seal::kBadFormat) << v.name;
        EXPECT_EQ(m, nullptr);
        continue;
      }
      ASSERT_EQ(seal::PlayModule(m), seal::kOk);
      for (int step = 0; step < 40; ++step) {
        m->restart = static_cast<std::uint16_t>(step % 3);
        ASSERT_EQ(seal::AdvanceNullOutput(kHalfSecond), seal::kOk) << v.name;
        if (step == 20) {
          ASSERT_EQ(seal::PlayModule(m), seal::kOk);  // from the top again
        }
      }
      const auto out = seal::TakeNullOutputSamples();
      EXPECT_EQ(out.size(), 40u * kHalfSecond * ((format & seal::kFormatStereo) ? 2 : 1)) << v.name;
      seal::ModuleInfo info;
      ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
      EXPECT_EQ(info.playing, m) << v.name;
      ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);
    }
  }
  EXPECT_EQ(seal::GetCounts().modules, 0u);
}

TEST(SealModule, XmRestartComesFromItsHeaderAndTheSongLoopsThere) {
  // Orders 0..3, restart field 2: the song plays 0 1 2 3, then 2 3 2 3.
  const auto xm = vantrel::test::variants::MakeXmTune(8, 2, true);
  seal::Module* m = nullptr;
  ASSERT_EQ(seal::LoadModuleMemory(xm.data(), xm.size(), &m), seal::kOk);
  EXPECT_EQ(m->restart, 2);
  NullDevice dev(seal::kFormat16Bit | seal::kFormatStereo, 11025);
  ASSERT_TRUE(dev.ok());
  ASSERT_EQ(seal::PlayModule(m), seal::kOk);
  std::vector<std::uint32_t> seen;
  seal::ModuleInfo info;
  for (int step = 0; step < 2000; ++step) {
    ASSERT_EQ(seal::AdvanceNullOutput(256), seal::kOk);
    std::uint32_t order = 0;
    ASSERT_EQ(seal::GetModulePosition(&order), seal::kOk);
    if (seen.empty() || seen.back() != order) seen.push_back(order);
    ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
    if (info.loops >= 2) break;
  }
  seal::TakeNullOutputBytes();
  const std::vector<std::uint32_t> expected = {0, 1, 2, 3, 2, 3};
  ASSERT_GE(seen.size(), expected.size());
  EXPECT_EQ(std::vector<std::uint32_t>(seen.begin(), seen.begin() + expected.size()), expected);
  ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);

  // S3M names no restart.
  const auto s3m = vantrel::test::variants::MakeS3mTune(4);
  ASSERT_EQ(seal::LoadModuleMemory(s3m.data(), s3m.size(), &m), seal::kOk);
  EXPECT_EQ(m->restart, 0);
  ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);
}

TEST(SealModule, ARestartPastTheSongReadsAsTheFirstOrder) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    int restart;
  };
  using vantrel::test::MakeTestMod;
  using vantrel::test::variants::MakeXmTune;
  const Case cases[] = {
      {"MOD, 3 orders, byte 2", MakeTestMod(3, 2), 2},
      {"MOD, 3 orders, byte 3", MakeTestMod(3, 3), 0},
      {"MOD, ProTracker's 127", MakeTestMod(3, 127), 0},
      {"XM, 4 orders, restart 3", MakeXmTune(4, 3, true), 3},
      {"XM, 4 orders, restart 4", MakeXmTune(4, 4, true), 0},
      {"XM, 4 orders, restart 258", MakeXmTune(4, 258, false), 0},
  };
  for (const Case& c : cases) {
    seal::Module* m = nullptr;
    ASSERT_EQ(seal::LoadModuleMemory(c.bytes.data(), c.bytes.size(), &m), seal::kOk) << c.what;
    EXPECT_EQ(m->restart, c.restart) << c.what;
    ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);
  }
}

TEST(SealModule, OnlyTheGamesFormatsLoad) {
  // The player library reads this IT song; the game's module calls do not.
  const auto it = MakeTinyIt();
  openmpt_module* direct = openmpt_module_create_from_memory2(it.data(), it.size(), openmpt_log_func_silent, nullptr,
                                                              openmpt_error_func_ignore, nullptr, nullptr, nullptr,
                                                              nullptr);
  ASSERT_NE(direct, nullptr);
  openmpt_module_destroy(direct);
  seal::Module* m = nullptr;
  EXPECT_EQ(seal::LoadModuleMemory(it.data(), it.size(), &m), seal::kBadFormat);
  EXPECT_EQ(m, nullptr);
  EXPECT_EQ(seal::GetCounts().modules, 0u);
}

TEST(SealModule, ASongWithNothingToPlayFallsSilentInsteadOfSpinning) {
  // Its only order is a skip marker: the song ends before it makes a frame,
  // and goes on ending after every restart.
  using namespace vantrel::test::variants;
  const auto bytes = WriteS3m(4, {254, 255}, 1, S3mSamples(), [](int, int, int) { return S3mCell{}; });
  seal::Module* m = nullptr;
  ASSERT_EQ(seal::LoadModuleMemory(bytes.data(), bytes.size(), &m), seal::kOk);
  NullDevice dev(seal::kFormat16Bit | seal::kFormatStereo, 22050);
  ASSERT_TRUE(dev.ok());
  ASSERT_EQ(seal::PlayModule(m), seal::kOk);
  for (int k = 0; k < 20; ++k) ASSERT_EQ(seal::AdvanceNullOutput(4410), seal::kOk);
  const auto out = seal::TakeNullOutputSamples();
  ASSERT_EQ(out.size(), 20u * 4410u * 2u);
  for (auto v : out) ASSERT_EQ(v, 0);
  seal::ModuleInfo info;
  ASSERT_EQ(seal::GetModuleInfo(&info), seal::kOk);
  EXPECT_LE(info.loops, 1u);
  ASSERT_EQ(seal::FreeModuleFile(m), seal::kOk);
}

// ---- files that are not sound files ---------------------------------------------

// A pipe, a device or a folder under a sound's or a module's name is a file
// the library cannot read; a huge hole is refused by its size. Nothing waits
// on the pipe or reads the device or the hole into memory.
class SealOddFile : public ::testing::TestWithParam<vantrel::test::OddFileCase> {};

TEST_P(SealOddFile, WaveAndModuleLoadsRefuseIt) {
  const vantrel::test::OddFile odd(GetParam().kind, vantrel::test::MakeTempDir("seal-odd") / "sound.wav");
  const int expected = GetParam().kind == vantrel::test::OddKind::kSparse ? seal::kNoMemory : seal::kFileError;
  seal::Sample* s = nullptr;
  EXPECT_EQ(seal::LoadWaveFile(odd.Path().c_str(), 0, &s), expected);
  EXPECT_EQ(s, nullptr);
  seal::Module* m = nullptr;
  EXPECT_EQ(seal::LoadModuleFile(odd.Path().c_str(), 0, &m), expected);
  EXPECT_EQ(m, nullptr);
  EXPECT_EQ(seal::GetCounts().modules, 0u);
  EXPECT_EQ(odd.PipeOpens(), 0) << "opened, which waits for a writer";
  EXPECT_TRUE(odd.Intact());
}

INSTANTIATE_TEST_SUITE_P(OddFiles, SealOddFile, ::testing::ValuesIn(vantrel::test::OddFileCases()),
                         [](const auto& info) { return vantrel::test::OddFileCaseId(info.param); });
