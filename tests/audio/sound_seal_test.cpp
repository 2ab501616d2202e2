#include "audio/sound_seal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <thread>

#include "audio/wave_buffer.h"
#include "audio_test_files.h"
#include "platform/debug.h"
#include "platform/seal/seal.h"
#include "support/test_support.h"

namespace seal = plat::seal;
using namespace audiotest;

namespace {

std::string WriteFile(const std::string& name, const Bytes& bytes) {
  static int serial = 0;
  auto dir = vantrel::test::MakeTempDir("seal" + std::to_string(serial++));
  auto path = (dir / name).string();
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

class SoundSealTest : public ::testing::Test {
 protected:
  void SetUp() override { seal::SelectOutput(seal::Output::kNull); }
  void TearDown() override {
    sound.Shutdown();
    const seal::Counts c = seal::GetCounts();
    EXPECT_FALSE(c.deviceOpen);
    EXPECT_EQ(c.samples, 0u);
    EXPECT_EQ(c.modules, 0u);
    EXPECT_EQ(c.voicesCreated, 0u);
  }
  // 22050 Hz, 16-bit stereo output, 8 voices.
  void Open(int32_t voices = 8, int32_t bits = 16) {
    ASSERT_TRUE(sound.Init(true, 22050, bits, 4, 16, voices, voices));
    seal::TakeNullOutputSamples();
  }
  // A constant signed 8-bit sample of `length` frames at `rate`.
  int32_t AddConstant(int32_t length, int8_t value = 100, int32_t rate = 22050) {
    std::vector<int8_t> data(size_t(length), value);
    EXPECT_TRUE(sound.CreateSample(data.data(), length, rate));
    return sound.GetSampleCount() - 1;
  }
  // Frames the output must be advanced until voice v stops (at most `limit`).
  int FramesUntilStopped(int32_t v, int limit = 200000) {
    int frames = 0;
    while (sound.IsVoicePlaying(v) && frames < limit) {
      seal::AdvanceNullOutput(50);
      frames += 50;
    }
    return frames;
  }
  // Sum of |left| and |right| over the next `frames` frames.
  std::pair<double, double> Energy(int frames) {
    seal::TakeNullOutputSamples();
    seal::AdvanceNullOutput(uint32_t(frames));
    const std::vector<int16_t> out = seal::TakeNullOutputSamples();
    double l = 0, r = 0;
    for (size_t i = 0; i + 1 < out.size(); i += 2) {
      l += std::abs(out[i]);
      r += std::abs(out[i + 1]);
    }
    return {l, r};
  }
  SoundSEAL sound;
};

}  // namespace

TEST_F(SoundSealTest, InitOpensDeviceAndVoices) {
  plat::DebugCaptureScope capture;
  ASSERT_TRUE(sound.Init(false, 0, 8, 2, 4, 40, 8));
  EXPECT_EQ(sound.Device().rate, 44100);
  EXPECT_EQ(sound.Device().format, seal::kFormatStereo);
  EXPECT_EQ(sound.Device().deviceId, seal::kDefaultDevice);
  EXPECT_EQ(sound.GetVoiceCount(), 32);
  EXPECT_EQ(sound.OpenedVoiceCount(), 32);
  EXPECT_EQ(seal::GetCounts().voicesCreated, 32u);
  EXPECT_NE(capture.text.find("Found Audio driver: "), std::string::npos);
  EXPECT_NE(capture.text.find("SEAL Initialized.\n"), std::string::npos);

  ASSERT_TRUE(sound.Init(true, 22050, 16, 2, 4, 8, 16));
  EXPECT_EQ(sound.Device().rate, 22050);
  EXPECT_EQ(sound.Device().format, seal::kFormatStereo | seal::kFormat16Bit);
  EXPECT_EQ(sound.GetVoiceCount(), 8);
  EXPECT_EQ(sound.OpenedVoiceCount(), 16);
  EXPECT_TRUE(sound.Shutdown());
  EXPECT_FALSE(sound.Shutdown());
}

TEST_F(SoundSealTest, FailedInitLeavesItShutDown) {
  struct Case {
    int32_t rate, moduleSlots, sampleSlots, voices, open;
  };
  for (const Case& c :
       {Case{22050, 4, 0, 8, 8}, Case{22050, 4, 16, 0, 0}, Case{1000, 4, 16, 8, 8}, Case{200000, 4, 16, 8, 8}}) {
    EXPECT_FALSE(sound.Init(true, c.rate, 16, c.moduleSlots, c.sampleSlots, c.voices, c.open));
    EXPECT_FALSE(seal::GetCounts().deviceOpen);
    EXPECT_EQ(sound.GetVoiceCount(), 0);
    EXPECT_FALSE(sound.PlaySample(0, 0, 63, 128));
    EXPECT_FALSE(sound.CreateSample8(reinterpret_cast<const uint8_t*>("abc"), 3, 22050));
  }
}

TEST_F(SoundSealTest, RepeatedOpenCloseLeaksNothing) {
  const std::string mod = WriteFile("m.mod", FourChannelMod());
  const std::string wav = WriteFile("w.wav", Wave(1, 22050, 8, Bytes(400, 200)));
  for (int cycle = 0; cycle < 20; ++cycle) {
    ASSERT_TRUE(sound.Init(true, 22050, 8, 4, 16, 8, 16));
    ASSERT_TRUE(sound.LoadModule(mod.c_str(), 0, 0));
    ASSERT_TRUE(sound.LoadSample(wav.c_str(), 0));
    ASSERT_TRUE(sound.PlayModule(0));
    ASSERT_TRUE(sound.PlaySample(0, 0, 63, 128));
    seal::AdvanceNullOutput(1000);
    EXPECT_TRUE(sound.Shutdown());
    const seal::Counts c = seal::GetCounts();
    ASSERT_FALSE(c.deviceOpen);
    ASSERT_EQ(c.samples, 0u);
    ASSERT_EQ(c.modules, 0u);
    ASSERT_EQ(c.voicesOpened, 0u);
  }
}

TEST_F(SoundSealTest, CreateSampleConversions) {
  Open();
  const uint8_t bytes[] = {0, 127, 128, 254, 255};
  ASSERT_TRUE(sound.CreateSample8(bytes, 5, 11025));
  const int8_t* d = static_cast<const int8_t*>(sound.SampleRecord(0)->data);
  EXPECT_EQ(d[0], -127);
  EXPECT_EQ(d[1], 0);
  EXPECT_EQ(d[2], 1);
  EXPECT_EQ(d[3], 127);
  EXPECT_EQ(d[4], 127);  // full scale stays positive
  EXPECT_EQ(sound.GetSampleRate(0), 11025);
  EXPECT_EQ(sound.GetSampleLength(0), 5);

  const int8_t raw[] = {-128, -1, 0, 127};
  ASSERT_TRUE(sound.CreateSample(raw, 4, 8000));
  EXPECT_EQ(0, std::memcmp(sound.SampleRecord(1)->data, raw, 4));

  WaveBuffer w8;
  ASSERT_EQ(w8.Create(22050, 8, 0, 3), 1);
  w8.samples[0] = 128;
  w8.samples[1] = 0;
  w8.samples[2] = 255;
  ASSERT_TRUE(sound.CreateSampleFromWave(w8));
  const int8_t* e = static_cast<const int8_t*>(sound.SampleRecord(2)->data);
  EXPECT_EQ(e[0], 0);
  EXPECT_EQ(e[1], -128);
  EXPECT_EQ(e[2], 127);
  EXPECT_EQ(sound.SampleRecord(2)->format, 0);

  WaveBuffer w16;
  ASSERT_EQ(w16.Create(44100, 16, 1, 2), 1);
  const Bytes pcm = Pcm16({1000, -1000, 32767, -32768});
  std::memcpy(w16.samples, pcm.data(), pcm.size());
  ASSERT_TRUE(sound.CreateSampleFromWave(w16));
  EXPECT_EQ(sound.SampleRecord(3)->format, seal::kFormat16Bit | seal::kFormatStereo);
  EXPECT_EQ(0, std::memcmp(sound.SampleRecord(3)->data, pcm.data(), pcm.size()));
  EXPECT_EQ(sound.GetSampleRate(3), 44100);

  // Refusals change nothing.
  EXPECT_FALSE(sound.CreateSample8(nullptr, 5, 22050));
  EXPECT_FALSE(sound.CreateSample8(bytes, 0, 22050));
  EXPECT_FALSE(sound.CreateSample8(bytes, 5, 0));
  EXPECT_FALSE(sound.CreateSample(raw, -1, 22050));
  WaveBuffer empty;
  EXPECT_FALSE(sound.CreateSampleFromWave(empty));
  EXPECT_EQ(sound.GetSampleCount(), 4);
  EXPECT_EQ(sound.GetSampleRate(4), 0);
  EXPECT_EQ(sound.GetSampleLength(-1), 0);
}

TEST_F(SoundSealTest, SampleSlotsFill) {
  ASSERT_TRUE(sound.Init(true, 22050, 16, 4, 3, 8, 8));
  const int8_t raw[] = {1, 2, 3};
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(sound.CreateSample(raw, 3, 22050));
  EXPECT_FALSE(sound.CreateSample(raw, 3, 22050));
  EXPECT_FALSE(sound.LoadSample("x.wav", 0));
  EXPECT_EQ(sound.GetSampleCount(), 3);
}

TEST_F(SoundSealTest, LoadSampleFadesEnds) {
  Open();
  // Signed 8-bit 100 after loading (unsigned 228).
  const std::string longWav = WriteFile("long.wav", Wave(1, 22050, 8, Bytes(100, 228)));
  const std::string shortWav = WriteFile("short.wav", Wave(1, 22050, 8, Bytes(32, 228)));
  const std::string wideWav = WriteFile("wide.wav", Wave(2, 22050, 16, Pcm16(std::vector<int16_t>(200, -25600))));
  ASSERT_TRUE(sound.LoadSample(longWav.c_str(), 0));
  ASSERT_TRUE(sound.LoadSample(shortWav.c_str(), 0));
  ASSERT_TRUE(sound.LoadSample(wideWav.c_str(), 0));
  const seal::Sample* s = sound.SampleRecord(0);
  ASSERT_EQ(s->length, 100u);
  const int8_t* d = static_cast<const int8_t*>(s->data);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(d[i], (i * 100) >> 4) << i;
    EXPECT_EQ(d[99 - i], (i * 100) >> 4) << i;
  }
  for (int i = 16; i < 84; ++i) ASSERT_EQ(d[i], 100) << i;
  const int8_t* sd = static_cast<const int8_t*>(sound.SampleRecord(1)->data);
  for (int i = 0; i < 32; ++i) ASSERT_EQ(sd[i], 100) << i;
  // Stereo: both channels of a frame take the same step; negative values
  // shift arithmetically.
  const seal::Sample* w = sound.SampleRecord(2);
  const uint32_t channels = (w->format & seal::kFormatStereo) ? 2 : 1;
  const uint32_t frameBytes = channels * ((w->format & seal::kFormat16Bit) ? 2 : 1);
  ASSERT_EQ(channels, 2u);
  const uint8_t* wb = static_cast<const uint8_t*>(w->data);
  auto value = [&](uint32_t frame, uint32_t ch) {
    if (w->format & seal::kFormat16Bit) {
      int16_t v;
      std::memcpy(&v, wb + frame * frameBytes + 2 * ch, 2);
      return int(v);
    }
    return int(int8_t(wb[frame * frameBytes + ch]));
  };
  const int full = value(50, 0);
  const uint32_t frames = w->length / frameBytes;
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(value(uint32_t(i), 0), (i * full) >> 4);
    EXPECT_EQ(value(uint32_t(i), 1), (i * full) >> 4);
    EXPECT_EQ(value(frames - 1 - uint32_t(i), 1), (i * full) >> 4);
  }
}

TEST_F(SoundSealTest, MissingSampleFileKeepsItsNumber) {
  Open();
  const std::string a = WriteFile("a.wav", Wave(1, 11025, 8, Bytes(40, 128)));
  const std::string b = WriteFile("b.wav", Wave(1, 8000, 8, Bytes(60, 128)));
  EXPECT_TRUE(sound.LoadSample(a.c_str(), 0));
  EXPECT_FALSE(sound.LoadSample("no/such/file.wav", 0));
  EXPECT_TRUE(sound.LoadSample(b.c_str(), 0));
  EXPECT_EQ(sound.GetSampleCount(), 3);
  EXPECT_EQ(sound.GetSampleRate(1), 0);
  EXPECT_EQ(sound.GetSampleRate(2), 8000);
  EXPECT_FALSE(sound.PlaySample(1, 0, 63, 128));
  EXPECT_EQ(sound.GetLastVoice(), -1);
  EXPECT_FALSE(sound.SetSampleLoop(1, true));
  // Bad arguments take no slot.
  EXPECT_FALSE(sound.LoadSample(nullptr, 0));
  EXPECT_FALSE(sound.LoadSample("", 0));
  EXPECT_FALSE(sound.LoadSample(a.c_str(), -1));
  EXPECT_FALSE(sound.LoadSample(std::string(1024, 'x').c_str(), 0));
  EXPECT_EQ(sound.GetSampleCount(), 3);
}

TEST_F(SoundSealTest, ReservedVoicesAndVolume) {
  Open();
  const int32_t s = AddConstant(100000);
  ASSERT_TRUE(sound.PlaySample(s, 0, 63, 128));
  ASSERT_TRUE(sound.PlaySample(s, 0, 63, 128));
  sound.SetReservedVoices(6);
  EXPECT_FALSE(sound.PlaySample(s, 0, 63, 128));
  EXPECT_EQ(sound.GetLastVoice(), -1);
  sound.SetReservedVoices(3);
  ASSERT_TRUE(sound.StopVoice(0));
  ASSERT_TRUE(sound.SetSampleVolume(0.5f));
  ASSERT_TRUE(sound.PlaySample(s, 0, 100, 300));
  EXPECT_EQ(sound.GetLastVoice(), 0);
  EXPECT_EQ(sound.GetVoiceSample(0), s);
  seal::VoiceInfo info;
  ASSERT_EQ(seal::GetVoiceInfo(sound.Voice(0)->handle, &info), seal::kOk);
  EXPECT_EQ(info.volume, 31u);
  EXPECT_EQ(info.panning, 255u);
  EXPECT_EQ(info.frequency, 22050u);
  EXPECT_EQ(sound.Voice(0)->minDistance, 75.0f);
  EXPECT_EQ(sound.Voice(0)->maxDistance, 500.0f);
  EXPECT_FALSE(sound.PlaySample(s, -1, 63, 128));
  EXPECT_FALSE(sound.PlaySample(7, 0, 63, 128));
}

TEST_F(SoundSealTest, NinthEffectOnEightVoicesFailsUntilOneEnds) {
  Open();
  const int32_t shortOne = AddConstant(1000);
  const int32_t longOne = AddConstant(100000);
  ASSERT_TRUE(sound.PlaySample(shortOne, 0, 63, 128));
  for (int i = 1; i < 8; ++i) ASSERT_TRUE(sound.PlaySample(longOne, 0, 63, 128));
  EXPECT_EQ(sound.GetLastVoice(), 7);
  EXPECT_FALSE(sound.PlaySample(longOne, 0, 63, 128));
  EXPECT_EQ(sound.GetLastVoice(), -1);
  // The short effect plays out and its voice is free again.
  seal::AdvanceNullOutput(1200);
  EXPECT_FALSE(sound.IsVoicePlaying(0));
  ASSERT_TRUE(sound.PlaySample(longOne, 0, 63, 128));
  EXPECT_EQ(sound.GetLastVoice(), 0);
  EXPECT_TRUE(sound.StopAllVoices());
  for (int i = 0; i < 8; ++i) EXPECT_FALSE(sound.IsVoicePlaying(i));
}

TEST_F(SoundSealTest, HalfFrequencyPlaysTwiceAsLong) {
  Open();
  const int32_t s = AddConstant(4000);
  ASSERT_TRUE(sound.PlaySample(s, 0, 63, 128));
  const int normal = FramesUntilStopped(0);
  ASSERT_TRUE(sound.PlaySample(s, 11025, 63, 128));
  const int half = FramesUntilStopped(0);
  EXPECT_NEAR(normal, 4000, 100);
  EXPECT_NEAR(half, 8000, 100);
  ASSERT_TRUE(sound.PlaySample(s, 44100, 63, 128));
  EXPECT_NEAR(FramesUntilStopped(0), 2000, 100);
}

TEST_F(SoundSealTest, PanAndVolume) {
  Open();
  const int32_t s = AddConstant(200000);
  struct Case {
    int32_t pan;
    int side;  // -1 left, 0 centre, 1 right
  };
  for (const Case& c : {Case{0, -1}, Case{128, 0}, Case{255, 1}}) {
    SCOPED_TRACE(c.pan);
    sound.StopAllVoices();
    ASSERT_TRUE(sound.PlaySample(s, 0, 63, c.pan));
    const auto [l, r] = Energy(2000);
    ASSERT_GT(l + r, 0);
    if (c.side < 0) {
      EXPECT_LT(r, l * 0.02);
    } else if (c.side > 0) {
      EXPECT_LT(l, r * 0.02);
    } else {
      EXPECT_NEAR(l / r, 1.0, 0.05);
    }
  }
  sound.StopAllVoices();
  ASSERT_TRUE(sound.PlaySample(s, 0, 0, 128));
  const auto [l0, r0] = Energy(2000);
  EXPECT_EQ(l0 + r0, 0);
  // Volume set while playing takes effect.
  ASSERT_TRUE(sound.SetVoiceVolume(0, 63));
  const auto [l1, r1] = Energy(2000);
  EXPECT_GT(l1 + r1, 0);
  ASSERT_TRUE(sound.SetVoiceVolume(0, -5));
  const auto [l2, r2] = Energy(2000);
  EXPECT_EQ(l2 + r2, 0);
}

TEST_F(SoundSealTest, LoopedSampleKeepsPlaying) {
  Open();
  const int32_t s = AddConstant(500);
  ASSERT_TRUE(sound.SetSampleLoop(s, true));
  EXPECT_EQ(sound.SampleRecord(s)->loopEnd, 499u);
  ASSERT_TRUE(sound.PlaySample(s, 0, 63, 128));
  seal::AdvanceNullOutput(10000);
  EXPECT_TRUE(sound.IsVoicePlaying(0));
  const auto [l, r] = Energy(1000);
  EXPECT_GT(l + r, 0);
  // Loop off affects voices started later only.
  ASSERT_TRUE(sound.SetSampleLoop(s, false));
  EXPECT_TRUE(sound.IsVoicePlaying(0));
  ASSERT_TRUE(sound.PlaySample(s, 0, 63, 128));
  EXPECT_EQ(sound.GetLastVoice(), 1);
  EXPECT_LE(FramesUntilStopped(1), 600);
  EXPECT_TRUE(sound.IsVoicePlaying(0));
}

TEST_F(SoundSealTest, InvalidIndexesChangeNothing) {
  Open();
  EXPECT_FALSE(sound.SetVoicePan(8, 0));
  EXPECT_FALSE(sound.SetVoiceVolume(-1, 0));
  EXPECT_FALSE(sound.SetVoiceFrequency(0, -1));
  EXPECT_FALSE(sound.StopVoice(8));
  EXPECT_FALSE(sound.IsVoicePlaying(8));
  EXPECT_EQ(sound.GetVoiceSample(8), -1);
  EXPECT_FALSE(sound.SetSampleLoop(0, true));
  EXPECT_FALSE(sound.LoadModule("x.mod", 0, 4));
  EXPECT_FALSE(sound.FreeModule(-1));
  EXPECT_FALSE(sound.PlayModule(4));
  EXPECT_FALSE(sound.SetVoicePosition(8, 0, 0, 0));
  EXPECT_FALSE(sound.SetVoice3D(8, nullptr, nullptr, 1, 1, 1));
  EXPECT_FALSE(sound.PlaceVoiceAtListener(-1));
  SoundSEAL closed;
  EXPECT_FALSE(closed.StopAllVoices());
  EXPECT_FALSE(closed.PauseModule(true));
  EXPECT_FALSE(closed.LoadModule("x.mod", 0, 0));
  EXPECT_EQ(closed.GetModulePosition(), 0);
}

TEST_F(SoundSealTest, ModuleLoadsPlaysAndReportsRestart) {
  const std::string path = WriteFile("tune.mod", FourChannelMod());
  const std::string xm = WriteFile("tune.xm", SilentXm(3, 2));
  Open();
  {
    plat::DebugCaptureScope capture;
    ASSERT_TRUE(sound.LoadModule(path.c_str(), 0, 1));
    EXPECT_EQ(capture.text, "nRestart is 0\n");
    capture.text.clear();
    ASSERT_TRUE(sound.LoadModule(xm.c_str(), 0, 2));
    EXPECT_EQ(capture.text, "nRestart is 2\n");
  }
  // Read, then set back to the start.
  ASSERT_NE(sound.ModuleRecord(2), nullptr);
  EXPECT_EQ(sound.ModuleRecord(2)->restart, 0);
  ASSERT_NE(sound.ModuleRecord(1), nullptr);
  EXPECT_EQ(sound.ModuleRecord(1)->restart, 0);
  EXPECT_TRUE(sound.FreeModule(2));
  EXPECT_FALSE(sound.PlayModule(0));  // empty slot
  ASSERT_TRUE(sound.PlayModule(1));
  EXPECT_FALSE(sound.SetModuleVolume(64));
  EXPECT_FALSE(sound.SetModuleVolume(-1));
  EXPECT_TRUE(sound.SetModuleVolume(63));
  const auto [l, r] = Energy(22050);
  EXPECT_GT(l + r, 0);
  ASSERT_TRUE(sound.PauseModule(true));
  const auto [pl, pr] = Energy(4000);
  EXPECT_EQ(pl + pr, 0);
  ASSERT_TRUE(sound.PauseModule(false));
  EXPECT_GT(Energy(4000).first, 0);
  EXPECT_GE(sound.GetModulePosition(), 0);
  EXPECT_TRUE(sound.StopModule());
  const auto [sl, sr] = Energy(4000);
  EXPECT_EQ(sl + sr, 0);
  // Loading over a slot replaces what it held; a bad file empties it.
  ASSERT_TRUE(sound.LoadModule(path.c_str(), 0, 1));
  EXPECT_EQ(seal::GetCounts().modules, 1u);
  const std::string bad = WriteFile("bad.mod", Bytes(100, 7));
  EXPECT_FALSE(sound.LoadModule(bad.c_str(), 0, 1));
  EXPECT_EQ(sound.ModuleRecord(1), nullptr);
  EXPECT_EQ(seal::GetCounts().modules, 0u);
  EXPECT_FALSE(sound.FreeModule(1));
}

TEST_F(SoundSealTest, ModuleAtFileOffset) {
  Bytes file(300, 0xEE);
  const Bytes mod = FourChannelMod();
  file.insert(file.end(), mod.begin(), mod.end());
  const std::string path = WriteFile("packed.dat", file);
  Open();
  EXPECT_FALSE(sound.LoadModule(path.c_str(), 0, 0));
  ASSERT_TRUE(sound.LoadModule(path.c_str(), 300, 0));
  // A refused load empties the slot like a failed one.
  EXPECT_FALSE(sound.LoadModule(path.c_str(), -1, 0));
  EXPECT_EQ(sound.ModuleRecord(0), nullptr);
  ASSERT_TRUE(sound.LoadModule(path.c_str(), 300, 0));
  EXPECT_FALSE(sound.LoadModule(nullptr, 0, 0));
  EXPECT_EQ(sound.ModuleRecord(0), nullptr);
  EXPECT_EQ(seal::GetCounts().modules, 0u);
  ASSERT_TRUE(sound.LoadModule(path.c_str(), 300, 0));
  EXPECT_TRUE(sound.FreeModule(0));
  EXPECT_EQ(sound.ModuleRecord(0), nullptr);
}

TEST_F(SoundSealTest, ThreeDVolumePanAndDoppler) {
  Open();
  const int32_t s = AddConstant(200000, 100, 20000);
  auto info = [&](int32_t v) {
    seal::VoiceInfo i;
    EXPECT_EQ(seal::GetVoiceInfo(sound.Voice(v)->handle, &i), seal::kOk);
    return i;
  };
  ASSERT_TRUE(sound.PlaySample(s, 0, 63, 128));
  ASSERT_TRUE(sound.SetVoiceGain(0, 0.5f));
  // Inside the minimum distance: min(1, gain x volume3D) -> 32.
  ASSERT_TRUE(sound.SetVoicePosition(0, 10, 0, 0));
  ASSERT_TRUE(sound.Update3D());
  EXPECT_EQ(info(0).volume, 32u);
  // Twice the minimum distance: half that.
  ASSERT_TRUE(sound.SetVoicePosition(0, 150, 0, 0));
  sound.Update3D();
  EXPECT_EQ(info(0).volume, 16u);
  // Beyond the maximum: the volume at the maximum.
  ASSERT_TRUE(sound.SetVoicePosition(0, 5000, 0, 0));
  sound.Update3D();
  EXPECT_EQ(info(0).volume, uint32_t(0.5 * 75 / 500 * 64));
  // Along R (the x axis with zero angles) pans right, opposite left.
  EXPECT_EQ(info(0).panning, 255u);
  ASSERT_TRUE(sound.SetVoicePosition(0, -100, 0, 0));
  sound.Update3D();
  EXPECT_EQ(info(0).panning, 0u);
  // At rest: doppler 1, frequency = base x pitch x pitchFactor.
  ASSERT_TRUE(sound.SetVoicePitch(0, 1.5f));
  ASSERT_TRUE(sound.SetPitchFactor(0.5f));
  sound.Update3D();
  EXPECT_EQ(info(0).frequency, 15000u);
  // Approaching at 34 units/s: doppler 1 - 3.4 x 10 / 340 = 0.9.
  ASSERT_TRUE(sound.SetPitchFactor(1.0f));
  ASSERT_TRUE(sound.SetVoicePitch(0, 1.0f));
  ASSERT_TRUE(sound.SetVoiceVelocity(0, 34, 0, 0));
  sound.Update3D();
  EXPECT_NEAR(double(info(0).frequency), 20000 / 0.9, 2);
  // The 3-D volume factor scales the gain.
  ASSERT_TRUE(sound.Set3DVolume(0.5f));
  ASSERT_TRUE(sound.SetVoice3D(0, std::array<float, 3>{0, 0, 0}.data(), nullptr, 1.0f, 1.0f, 1.0f));
  sound.Update3D();
  EXPECT_EQ(info(0).volume, 32u);
  // A listener turned by 90 degrees (gamma) has R along -y.
  const float turn[3] = {0, 0, float(M_PI / 2)};
  sound.SetListenerOrientation(turn);
  sound.SetVoicePosition(0, 0, -50, 0);
  sound.Update3D();
  EXPECT_EQ(info(0).panning, 254u);  // 0.5 + 0.5 x cos(tiny) truncated
  // Distances scale the defaults; the listener's place can be copied.
  ASSERT_TRUE(sound.SetDefaultDistances(10, 20));
  ASSERT_TRUE(sound.SetVoiceDistances(0, 2, 3));
  EXPECT_EQ(sound.Voice(0)->minDistance, 20.0f);
  EXPECT_EQ(sound.Voice(0)->maxDistance, 60.0f);
  const float lp[3] = {1, 2, 3}, lv[3] = {4, 5, 6};
  sound.SetListenerPosition(lp);
  sound.SetListenerVelocity(lv);
  sound.SetListenerPosition(nullptr);
  ASSERT_TRUE(sound.PlaceVoiceAtListener(0));
  EXPECT_EQ(sound.Voice(0)->posZ, 3.0f);
  EXPECT_EQ(sound.Voice(0)->velX, 4.0f);
  // A NaN position does not upset the volume or pan.
  sound.SetVoicePosition(0, std::nanf(""), 0, 0);
  EXPECT_TRUE(sound.Update3D());
}

TEST_F(SoundSealTest, StreamPlaysPausesAndResumes) {
  // 16-bit mono ramp that repeats every 256 samples.
  std::vector<int16_t> pcm(100000);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = int16_t((int(i % 256) - 128) * 100);
  const std::string path = WriteFile("stream.wav", Wave(1, 22050, 16, Pcm16(pcm)));
  Open();
  WaveBuffer buffer;
  EXPECT_FALSE(sound.StartStream(buffer));  // nothing open
  ASSERT_EQ(buffer.OpenStream(path.c_str(), 0), 1);
  ASSERT_TRUE(sound.StartStream(buffer));
  EXPECT_EQ(sound.StreamVoice(), -1);
  EXPECT_EQ(buffer.tailSilence, SoundSEAL::kStreamBytes);
  ASSERT_TRUE(sound.UpdateStream(buffer));
  const int32_t v = sound.StreamVoice();
  ASSERT_GE(v, 0);
  EXPECT_TRUE(sound.IsVoicePlaying(v));
  EXPECT_EQ(sound.Voice(v)->isStream, 1);
  const auto [l, r] = Energy(5000);
  EXPECT_GT(l, 0);
  EXPECT_NEAR(l / r, 1.0, 0.05);

  ASSERT_TRUE(sound.PauseStream(true));
  EXPECT_FALSE(sound.PauseStream(true));
  EXPECT_EQ(sound.StreamVoice(), -1);
  EXPECT_FALSE(sound.IsVoicePlaying(v));
  EXPECT_FALSE(sound.UpdateStream(buffer));  // paused
  ASSERT_TRUE(sound.PauseStream(false));
  ASSERT_TRUE(sound.UpdateStream(buffer));
  const int32_t v2 = sound.StreamVoice();
  ASSERT_GE(v2, 0);
  uint32_t pos = 0;
  ASSERT_EQ(seal::GetVoicePosition(sound.Voice(v2)->handle, &pos), seal::kOk);
  EXPECT_NEAR(double(pos), 5000 * 2, 200);  // where it was paused
  EXPECT_FALSE(sound.PauseStream(false));   // plays

  // The stream voice is left alone by 3-D placement.
  seal::VoiceInfo before;
  seal::GetVoiceInfo(sound.Voice(v2)->handle, &before);
  sound.SetVoicePosition(v2, 1000, 0, 0);
  sound.Update3D();
  seal::VoiceInfo after;
  seal::GetVoiceInfo(sound.Voice(v2)->handle, &after);
  EXPECT_EQ(after.panning, before.panning);
  EXPECT_EQ(after.volume, before.volume);

  EXPECT_TRUE(sound.StopStream());
  EXPECT_FALSE(sound.StopStream());
  EXPECT_FALSE(sound.IsVoicePlaying(v2));
  EXPECT_FALSE(sound.UpdateStream(buffer));
}

TEST_F(SoundSealTest, StreamWaitsWhileEveryVoiceIsBusy) {
  const std::string path = WriteFile("s8.wav", Wave(2, 22050, 8, Bytes(60000, 200)));
  Open(2);
  const int32_t s = AddConstant(200000);
  ASSERT_TRUE(sound.PlaySample(s, 0, 63, 0));
  ASSERT_TRUE(sound.PlaySample(s, 0, 63, 0));
  WaveBuffer buffer;
  ASSERT_EQ(buffer.OpenStream(path.c_str(), 0), 1);
  ASSERT_TRUE(sound.StartStream(buffer));
  EXPECT_FALSE(sound.UpdateStream(buffer));
  EXPECT_EQ(sound.StreamVoice(), -1);
  EXPECT_FALSE(sound.UpdateStream(buffer));
  EXPECT_FALSE(sound.PauseStream(true));
  // A voice frees up: the stream takes it on the next update.
  ASSERT_TRUE(sound.StopVoice(1));
  ASSERT_TRUE(sound.UpdateStream(buffer));
  EXPECT_EQ(sound.StreamVoice(), 1);
  sound.StopVoice(0);
  const auto [l, r] = Energy(2000);
  EXPECT_GT(r, 0);
  EXPECT_NEAR(l / r, 1.0, 0.05);
}

TEST_F(SoundSealTest, StreamEndsInSilence) {
  const std::string path = WriteFile("short.wav", Wave(1, 22050, 16, Pcm16(std::vector<int16_t>(3000, 8000))));
  Open();
  WaveBuffer buffer;
  ASSERT_EQ(buffer.OpenStream(path.c_str(), 0), 1);
  ASSERT_TRUE(sound.StartStream(buffer));
  for (int i = 0; i < 40 && !buffer.IsStreamFinished(); ++i) {
    sound.UpdateStream(buffer);
    seal::AdvanceNullOutput(4096);
  }
  EXPECT_TRUE(buffer.IsStreamFinished());
  sound.UpdateStream(buffer);
  const auto [l, r] = Energy(10000);
  EXPECT_EQ(l + r, 0);
}

TEST_F(SoundSealTest, VolumeFactorsClamp) {
  Open();
  const int32_t s = AddConstant(100000);
  for (float v : {2.0f, -1.0f, std::nanf("")}) {
    sound.StopAllVoices();
    EXPECT_TRUE(sound.SetSampleVolume(v));
    ASSERT_TRUE(sound.PlaySample(s, 0, 63, 128));
    seal::VoiceInfo i;
    seal::GetVoiceInfo(sound.Voice(0)->handle, &i);
    EXPECT_EQ(i.volume, v > 1 ? 63u : 0u);
  }
  EXPECT_TRUE(sound.SetStreamVolume(3));
  EXPECT_TRUE(sound.Set3DVolume(-3));
}

// The SDL output (the dummy driver under ctest): effects and a module play in
// real time, a short effect frees its voice, and repeated open/close cycles
// work.
TEST_F(SoundSealTest, SdlOutputPlaysAndCycles) {
  seal::SelectOutput(seal::Output::kSdl);
  const std::string mod = WriteFile("m.mod", FourChannelMod());
  for (int cycle = 0; cycle < 3; ++cycle) {
    ASSERT_TRUE(sound.Init(true, 22050, 8, 2, 4, 8, 16)) << cycle;
    const int32_t s = AddConstant(1100);  // 50 ms
    ASSERT_TRUE(sound.LoadModule(mod.c_str(), 0, 0));
    ASSERT_TRUE(sound.PlayModule(0));
    ASSERT_TRUE(sound.PlaySample(s, 0, 63, 128));
    const auto start = std::chrono::steady_clock::now();
    while (sound.IsVoicePlaying(0) && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(sound.IsVoicePlaying(0));
    EXPECT_TRUE(sound.PauseModule(true));
    EXPECT_TRUE(sound.PauseModule(false));
    EXPECT_TRUE(sound.Shutdown());
    EXPECT_FALSE(seal::GetCounts().deviceOpen);
  }
}

// Refilled piece by piece while it plays, the ring delivers the source in
// order across many wraps, then silence.
TEST_F(SoundSealTest, StreamDeliversTheSourceAcrossRingWraps) {
  const int frames = 300000;  // 600000 bytes: more than two rings
  std::vector<int16_t> pcm(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) pcm[size_t(i)] = int16_t(((i * 37) % 2000 - 1000) * 20);
  const std::string path = WriteFile("long.wav", Wave(1, 22050, 16, Pcm16(pcm)));
  Open();
  WaveBuffer buffer;
  ASSERT_EQ(buffer.OpenStream(path.c_str(), 0), 1);
  ASSERT_TRUE(sound.StartStream(buffer));
  std::vector<int16_t> out;
  for (int step = 0; step < 200; ++step) {
    sound.UpdateStream(buffer);
    seal::AdvanceNullOutput(2048);
    const std::vector<int16_t> got = seal::TakeNullOutputSamples();
    for (size_t i = 0; i < got.size(); i += 2) out.push_back(got[i]);
  }
  ASSERT_GE(out.size(), size_t(frames) + 10000);
  // Volume 63 of 64 at the centre: every frame is the source scaled.
  for (int i = 0; i < frames; ++i) {
    const double want = pcm[size_t(i)] * 63.0 / 64.0;
    ASSERT_NEAR(out[size_t(i)], want, 2 + std::abs(want) * 0.02) << i;
  }
  for (size_t i = size_t(frames); i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
}

// The position follows the song's orders; LoadModule's restart position 0
// sends the song back to its first order when it ends.
TEST_F(SoundSealTest, ModulePositionFollowsOrdersAndRestart) {
  const std::string xm = WriteFile("orders.xm", SilentXm(3, 2));
  Open();
  ASSERT_TRUE(sound.LoadModule(xm.c_str(), 0, 0));
  ASSERT_TRUE(sound.PlayModule(0));
  // 64 rows at speed 6 and 125 BPM: 7.68 s per order.
  const uint32_t order = uint32_t(7.68 * 22050);
  std::vector<int32_t> seen;
  seal::AdvanceNullOutput(order / 2);
  for (int i = 0; i < 4; ++i) {
    seen.push_back(sound.GetModulePosition());
    seal::AdvanceNullOutput(order);
    seal::TakeNullOutputBytes();
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 1, 2, 0}));
}
