#include "audio/wave_buffer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>

#include "audio_test_files.h"
#include "support/odd_files.h"
#include "support/test_support.h"

using namespace audiotest;

namespace {

std::string WriteFile(const std::string& name, const Bytes& bytes) {
  static int serial = 0;
  auto dir = vantrel::test::MakeTempDir("wave" + std::to_string(serial++));
  auto path = (dir / name).string();
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

Bytes Ramp(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 7 + 3);
  return b;
}

struct HeaderCase {
  const char* name;
  Bytes file;
  int32_t size;  // what ParseHeader reports; 0 = refused
  int channels;
  int bits;
};

std::vector<HeaderCase> HeaderCases() {
  std::vector<HeaderCase> cases;
  cases.push_back({"8-bit mono", Wave(1, 22050, 8, Ramp(100)), 100, 1, 8});
  cases.push_back({"16-bit stereo", Wave(2, 44100, 16, Ramp(400)), 400, 2, 16});
  cases.push_back({"16-bit mono", Wave(1, 11025, 16, Ramp(64)), 64, 1, 16});
  cases.push_back({"8-bit stereo", Wave(2, 8000, 8, Ramp(64)), 64, 2, 8});
  cases.push_back({"odd data keeps its pad byte", Wave(1, 22050, 8, Ramp(1001)), 1002, 1, 8});
  {
    Bytes c;
    PutChunk(c, "LIST", Ramp(26));
    PutChunk(c, "fmt ", FmtBody(1, 22050, 8, 2));  // 18-byte format chunk
    PutChunk(c, "fact", Ramp(3));                  // odd extra chunk, padded
    PutChunk(c, "data", Ramp(50));
    cases.push_back({"extra and odd chunks skipped", Riff(c), 50, 1, 8});
  }
  {
    Bytes c;
    PutChunk(c, "fmt ", FmtBody(1, 22050, 8));
    PutChunk(c, "data", Ramp(1001), -1, false);  // file ends without the pad
    cases.push_back({"odd data at end of file without pad", Riff(c), 1001, 1, 8});
  }
  {
    Bytes c;
    PutChunk(c, "fmt ", FmtBody(1, 22050, 8));
    PutChunk(c, "data", Ramp(300), 100000);
    cases.push_back({"data longer than the file is cut", Riff(c), 300, 1, 8});
  }
  {
    Bytes c;
    PutChunk(c, "fmt ", FmtBody(1, 22050, 8));
    PutChunk(c, "data", Ramp(10));
    Bytes f = Riff(c);
    std::memcpy(f.data() + 8, "AVI ", 4);
    cases.push_back({"form type not WAVE", f, 0, 0, 0});
  }
  {
    Bytes c;
    PutChunk(c, "fmt ", FmtBody(1, 22050, 8));
    PutChunk(c, "junk", Ramp(10));
    cases.push_back({"no data chunk", Riff(c), 0, 1, 8});
  }
  cases.push_back({"shorter than the RIFF header", Bytes{'R', 'I', 'F', 'F', 4, 0}, 0, 0, 0});
  {
    Bytes f = Wave(1, 22050, 8, Ramp(10));
    f.resize(12 + 8 + 16 + 5);  // cut inside the data chunk header
    cases.push_back({"truncated in a chunk header", f, 0, 1, 8});
  }
  {
    Bytes c;
    PutChunk(c, "fmt ", FmtBody(1, 22050, 8));
    PutChunk(c, "LIST", Ramp(8), 0xFFFFFFF0u);  // size -16
    PutChunk(c, "data", Ramp(10));
    cases.push_back({"negative chunk size", Riff(c), 0, 1, 8});
  }
  {
    Bytes c;
    PutChunk(c, "fmt ", FmtBody(1, 22050, 8));
    PutChunk(c, "LIST", Ramp(8), 5000);
    PutChunk(c, "data", Ramp(10));
    cases.push_back({"chunk running past the file", Riff(c), 0, 1, 8});
  }
  {
    Bytes c;
    PutChunk(c, "fmt ", Ramp(10));
    PutChunk(c, "data", Ramp(10));
    cases.push_back({"format chunk too short", Riff(c), 0, 0, 0});
  }
  {
    Bytes c;
    PutChunk(c, "fmt ", FmtBody(1, 22050, 8));
    PutChunk(c, "data", Ramp(10));
    cases.push_back({"negative RIFF size", Riff(c, 0x80000000u), 0, 0, 0});
  }
  return cases;
}

}  // namespace

TEST(WaveBufferHeader, TableOfFiles) {
  for (const HeaderCase& c : HeaderCases()) {
    SCOPED_TRACE(c.name);
    const std::string path = WriteFile("t.wav", c.file);
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    WaveBuffer w;
    const int32_t size = w.ParseHeader(f);
    EXPECT_EQ(size, c.size);
    if (c.size > 0) {
      EXPECT_EQ(w.format.channels, c.channels);
      EXPECT_EQ(w.format.bitsPerSample, c.bits);
      EXPECT_EQ(w.format.cbSize, 0);
      // Positioned at the data: the first data byte is the ramp's first.
      EXPECT_EQ(std::fgetc(f), 3);
    }
    std::fclose(f);

    WaveBuffer loaded;
    EXPECT_EQ(loaded.Load(path.c_str()), c.size > 0 ? 1 : 0);
    EXPECT_EQ(loaded.sizeBytes, c.size);
    if (c.size > 0) {
      ASSERT_NE(loaded.samples, nullptr);
      const Bytes ramp = Ramp(size_t(c.size));
      // Data bytes as in the file (the pad byte is 0 where the file has one).
      const int32_t checked = std::min<int32_t>(c.size, 300) & ~1;
      for (int32_t i = 0; i < checked; ++i) ASSERT_EQ(loaded.samples[i], ramp[i]) << i;
    }
  }
}

TEST(WaveBufferHeader, FailedLoadKeepsPreviousData) {
  WaveBuffer w;
  ASSERT_EQ(w.Load(WriteFile("good.wav", Wave(2, 22050, 16, Ramp(40))).c_str()), 1);
  const uint8_t* before = w.samples;
  Bytes bad = Wave(1, 8000, 8, Ramp(10));
  bad[8] = 'X';
  EXPECT_EQ(w.Load(WriteFile("bad.wav", bad).c_str()), 0);
  EXPECT_EQ(w.Load(nullptr), 0);
  EXPECT_EQ(w.Load("/nonexistent/file.wav"), 0);
  EXPECT_EQ(w.OpenStream(WriteFile("bad2.wav", bad).c_str(), 0), 0);
  EXPECT_EQ(w.samples, before);
  EXPECT_EQ(w.sizeBytes, 40);
  EXPECT_EQ(w.format.channels, 2);
  EXPECT_EQ(w.format.bitsPerSample, 16);
  EXPECT_EQ(w.format.samplesPerSec, 22050u);
}

TEST(WaveBufferStream, DataThenTailSilenceThenNothing) {
  const std::string path = WriteFile("s.wav", Wave(1, 22050, 8, Ramp(1000)));
  WaveBuffer w;
  EXPECT_EQ(w.OpenStream(path.c_str(), -1), 0);
  ASSERT_EQ(w.OpenStream(path.c_str(), 0), 1);
  w.SetTailSilence(500);
  EXPECT_TRUE(w.IsStreaming());
  EXPECT_EQ(w.samples, nullptr);
  uint8_t buf[700];
  EXPECT_EQ(w.ReadStream(buf, 700), 700);
  EXPECT_EQ(buf[0], 3);
  EXPECT_EQ(w.ReadStream(buf, 700), 300);
  EXPECT_EQ(buf[299], Ramp(1000)[999]);
  EXPECT_FALSE(w.IsStreamFinished());
  EXPECT_EQ(w.ReadStream(buf, 700), 500);
  for (int i = 0; i < 500; ++i) ASSERT_EQ(buf[i], 127);
  EXPECT_TRUE(w.IsStreamFinished());
  EXPECT_EQ(w.ReadStream(buf, 700), 0);
  EXPECT_EQ(w.ReadStream(nullptr, 10), 0);
  EXPECT_EQ(w.ReadStream(buf, 0), 0);

  ASSERT_EQ(w.Rewind(), 1);
  EXPECT_EQ(w.ReadStream(buf, 10), 10);
  EXPECT_EQ(buf[0], 3);
  w.CloseStream();
  EXPECT_FALSE(w.IsStreaming());
  EXPECT_EQ(w.Rewind(), 0);
  EXPECT_EQ(w.ReadStream(buf, 10), 0);
}

TEST(WaveBufferStream, FileThatShrinksEndsWithSilence) {
  const std::string path = WriteFile("shrink.wav", Wave(1, 22050, 16, Ramp(200000)));
  WaveBuffer w;
  ASSERT_EQ(w.OpenStream(path.c_str(), 0), 1);
  w.SetTailSilence(100);
  std::vector<uint8_t> buf(4096);
  EXPECT_EQ(w.ReadStream(buf.data(), 1000), 1000);
  ASSERT_EQ(truncate(path.c_str(), 44 + 20000), 0);
  // What the file still holds (and what was read ahead) arrives, then the
  // data ends where the file did: the tail of silence follows, then nothing.
  int64_t total = 1000;
  int32_t n = 0;
  int32_t last = 0;
  while ((n = w.ReadStream(buf.data(), 4096)) > 0) {
    total += n;
    last = n;
    ASSERT_LT(total, 200000);
  }
  EXPECT_EQ(last, 100);
  EXPECT_GE(total, 20000 + 100);
  EXPECT_TRUE(w.IsStreamFinished());
  EXPECT_EQ(w.ReadStream(buf.data(), 4096), 0);
}

TEST(WaveBufferCreate, SizesAndRefusals) {
  WaveBuffer w;
  ASSERT_EQ(w.Create(22050, 8, 1, 100), 1);
  EXPECT_EQ(w.sizeBytes, 200);
  EXPECT_EQ(w.format.blockAlign, 2);
  EXPECT_EQ(w.format.avgBytesPerSec, 44100u);
  EXPECT_EQ(w.format.formatTag, 1);
  EXPECT_EQ(w.format.channels, 2);
  ASSERT_EQ(w.Create(44100, 16, 0, 10), 1);
  EXPECT_EQ(w.sizeBytes, 20);
  EXPECT_EQ(w.format.avgBytesPerSec, 88200u);
  for (auto args : std::vector<std::array<int32_t, 4>>{
           {22050, 12, 0, 100}, {22050, 8, 0, 0}, {0, 8, 0, 10}, {22050, 16, 1, 0x7FFFFFFF}}) {
    EXPECT_EQ(w.Create(args[0], args[1], args[2], args[3]), 0);
    EXPECT_EQ(w.samples, nullptr);
    EXPECT_EQ(w.sizeBytes, 0);
  }
}

TEST(WaveBufferConvert, ResampleNearestFrame) {
  WaveBuffer w;
  ASSERT_EQ(w.Create(22050, 16, 1, 4), 1);
  const Bytes frames = Pcm16({100, -200, 300, -400, 500, -600, 700, -800});
  std::memcpy(w.samples, frames.data(), frames.size());
  ASSERT_EQ(w.Resample(44100), 1);
  EXPECT_EQ(w.sizeBytes, 32);
  EXPECT_EQ(w.format.samplesPerSec, 44100u);
  EXPECT_EQ(w.format.avgBytesPerSec, 44100u * 4);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(0, std::memcmp(w.samples + 4 * i, frames.data() + 4 * (i / 2), 4)) << i;

  ASSERT_EQ(w.Resample(22050), 1);
  EXPECT_EQ(w.sizeBytes, 16);
  EXPECT_EQ(0, std::memcmp(w.samples, frames.data(), 16));

  WaveBuffer d;
  ASSERT_EQ(d.Create(44100, 8, 0, 6), 1);
  for (int i = 0; i < 6; ++i) d.samples[i] = uint8_t(10 * i);
  ASSERT_EQ(d.Resample(22050), 1);
  ASSERT_EQ(d.sizeBytes, 3);
  EXPECT_EQ(d.samples[0], 0);
  EXPECT_EQ(d.samples[1], 20);
  EXPECT_EQ(d.samples[2], 40);
  EXPECT_EQ(d.Resample(0), 0);
  WaveBuffer big;
  ASSERT_EQ(big.Create(8000, 16, 1, 1000000), 1);
  EXPECT_EQ(big.Resample(0x7FFFFFFF), 0);  // would not fit
  EXPECT_EQ(big.sizeBytes, 4000000);
  WaveBuffer empty;
  EXPECT_EQ(empty.Resample(22050), 0);
}

TEST(WaveBufferConvert, To8BitTakesHighByte) {
  WaveBuffer w;
  ASSERT_EQ(w.Create(22050, 16, 1, 2), 1);
  const Bytes pcm = Pcm16({0, 32767, -32768, 256});
  std::memcpy(w.samples, pcm.data(), pcm.size());
  ASSERT_EQ(w.To8Bit(), 1);
  EXPECT_EQ(w.sizeBytes, 4);
  EXPECT_EQ(w.format.bitsPerSample, 8);
  EXPECT_EQ(w.format.blockAlign, 2);
  EXPECT_EQ(w.format.avgBytesPerSec, 44100u);
  EXPECT_EQ(w.samples[0], 128);
  EXPECT_EQ(w.samples[1], 255);
  EXPECT_EQ(w.samples[2], 0);
  EXPECT_EQ(w.samples[3], 129);
  EXPECT_EQ(w.To8Bit(), 1);  // already 8-bit
  EXPECT_EQ(w.sizeBytes, 4);
  WaveBuffer empty;
  EXPECT_EQ(empty.To8Bit(), 0);
}

TEST(WaveBufferConvert, SoftClip) {
  WaveBuffer w;
  ASSERT_EQ(w.Create(22050, 8, 0, 256), 1);
  for (int i = 0; i < 256; ++i) w.samples[i] = uint8_t(i);
  ASSERT_EQ(w.SoftClip(0.5f), 1);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(w.samples[i], i);
  // k above 0.5 raises quiet parts, keeps the fixed entries.
  ASSERT_EQ(w.SoftClip(0.8f), 1);
  EXPECT_GT(w.samples[160], 160);
  EXPECT_LT(w.samples[96], 96);
  for (int i : {0, 1, 126, 127, 128, 129, 254, 255}) EXPECT_EQ(w.samples[i], i);
  // Extreme curves stay inside the sample range.
  EXPECT_EQ(w.SoftClip(0.0f), 1);
  EXPECT_EQ(w.SoftClip(-3.0f), 1);

  WaveBuffer s;
  ASSERT_EQ(s.Create(22050, 16, 0, 5), 1);
  const std::vector<int16_t> in = {0, 32767, -32768, 1000, -1000};
  const Bytes pcm = Pcm16(in);
  std::memcpy(s.samples, pcm.data(), pcm.size());
  ASSERT_EQ(s.SoftClip(0.5f), 1);
  const int16_t* out = reinterpret_cast<const int16_t*>(s.samples);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], int16_t(32767.0 * 32767 / 32769));
  EXPECT_EQ(out[2], int16_t(-32768.0 * 32768 / 32769));
  EXPECT_EQ(out[3], int16_t(32767.0 * 1000 / 32769));
  EXPECT_EQ(out[4], int16_t(-32768.0 * 1000 / 32769));
  EXPECT_EQ(s.SoftClip(std::nanf("")), 1);
  WaveBuffer empty;
  EXPECT_EQ(empty.SoftClip(0.5f), 0);
}

TEST(WaveBufferConvert, HostileFormatFieldsStaySafe) {
  // Channel and bit counts no real file has, zero rate.
  Bytes c;
  Bytes fmt = FmtBody(1, 0, 8);
  fmt[2] = 0x01;
  fmt[3] = 0xF9;  // 63745 channels
  fmt[14] = 0x08;
  fmt[15] = 0xF2;  // 61960 bits
  PutChunk(c, "fmt ", fmt);
  PutChunk(c, "data", Ramp(77));
  WaveBuffer w;
  ASSERT_EQ(w.Load(WriteFile("odd.wav", Riff(c)).c_str()), 1);
  EXPECT_EQ(w.sizeBytes, 78);
  // One frame would be bigger than the data: nothing to copy, all silence.
  EXPECT_EQ(w.Resample(100), 0);
  EXPECT_EQ(w.To8Bit(), 0);
  EXPECT_EQ(w.SoftClip(0.9f), 0);
  EXPECT_EQ(w.sizeBytes, 78);
}

// A pipe, a device, a huge hole or a folder under a sound's name: neither
// the load nor the stream waits on it or reads it into memory, and the
// buffer keeps what it held.
class WaveBufferOddFile : public ::testing::TestWithParam<vantrel::test::OddFileCase> {};

TEST_P(WaveBufferOddFile, LoadAndStreamRefuseItAndKeepThePreviousData) {
  WaveBuffer w;
  ASSERT_EQ(w.Load(WriteFile("good.wav", Wave(1, 22050, 8, Ramp(40))).c_str()), 1);
  const uint8_t* before = w.samples;
  const vantrel::test::OddFile odd(GetParam().kind, vantrel::test::MakeTempDir("wave-odd") / "sound.wav");
  EXPECT_EQ(w.Load(odd.Path().c_str()), 0);
  EXPECT_EQ(w.OpenStream(odd.Path().c_str(), 0), 0);
  EXPECT_EQ(w.IsStreaming(), 0);
  EXPECT_EQ(w.samples, before);
  EXPECT_EQ(w.sizeBytes, 40);
  EXPECT_EQ(odd.PipeOpens(), 0) << "opened, which waits for a writer";
  EXPECT_TRUE(odd.Intact());
}

INSTANTIATE_TEST_SUITE_P(OddFiles, WaveBufferOddFile, ::testing::ValuesIn(vantrel::test::OddFileCases()),
                         [](const auto& info) { return vantrel::test::OddFileCaseId(info.param); });
