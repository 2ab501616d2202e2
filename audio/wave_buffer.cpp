#include "audio/wave_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "platform/files.h"

namespace {

uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Read32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int64_t EvenUp(int64_t n) { return (n + 1) & ~int64_t(1); }

// Bytes left in the file after the current position; -1 when the file cannot
// tell (not seekable).
int64_t BytesLeft(FILE* file) {
  long here = std::ftell(file);
  if (here < 0) return -1;
  if (std::fseek(file, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(file);
  std::fseek(file, here, SEEK_SET);
  if (end < here) return 0;
  return int64_t(end) - here;
}

uint8_t* AllocBytes(int64_t n) {
  if (n <= 0 || n > std::numeric_limits<int32_t>::max()) return nullptr;
  return new (std::nothrow) uint8_t[size_t(n)];
}

// The soft-clip curve on a magnitude 0..1.
double Curve(double x, double k) { return x / ((1.0 / k - 2.0) * (1.0 - x) + 1.0); }

// Truncates toward zero and keeps the result inside lo..hi (a curve with an
// unusual k may give values outside the sample range, or no number at all).
int32_t TruncClamp(double v, int32_t lo, int32_t hi) {
  if (!std::isfinite(v)) return v > 0 ? hi : (v < 0 ? lo : 0);
  v = std::trunc(v);
  if (v < lo) return lo;
  if (v > hi) return hi;
  return int32_t(v);
}

}  // namespace

WaveBuffer::~WaveBuffer() { Free(); }

void WaveBuffer::Free() {
  CloseStream();
  delete[] samples;
  samples = nullptr;
  sizeBytes = 0;
  dataOffset = 0;
  dataSize = 0;
  streamPos = 0;
  format = WaveFormat{};
}

int32_t WaveBuffer::Create(int32_t rate, int32_t bits, int32_t stereo, int32_t frames) {
  Free();
  if ((bits != 8 && bits != 16) || frames <= 0 || rate <= 0) return 0;
  const int32_t channels = stereo ? 2 : 1;
  const int64_t bytes = int64_t(frames) * channels * (bits / 8);
  samples = AllocBytes(bytes);
  if (!samples) {
    Free();
    return 0;
  }
  sizeBytes = int32_t(bytes);
  format.formatTag = 1;
  format.channels = uint16_t(channels);
  format.samplesPerSec = uint32_t(rate);
  format.blockAlign = uint16_t(channels * bits / 8);
  format.avgBytesPerSec = uint32_t(rate) * format.blockAlign;
  format.bitsPerSample = uint16_t(bits);
  format.cbSize = 0;
  return 1;
}

int32_t WaveBuffer::ParseHeader(FILE* file) {
  format = WaveFormat{};
  if (!file) return 0;
  uint8_t riff[12];
  if (std::fread(riff, 1, 12, file) != 12) return 0;
  if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return 0;
  int64_t remaining = EvenUp(int32_t(Read32(riff + 4)));
  while (remaining > 0) {
    uint8_t head[8];
    if (std::fread(head, 1, 8, file) != 8) return 0;
    const int32_t rawSize = int32_t(Read32(head + 4));
    // A negative size is not a chunk; stop rather than walk backwards.
    if (rawSize < 0) return 0;
    int64_t size = EvenUp(rawSize);
    const int64_t left = BytesLeft(file);
    if (std::memcmp(head, "data", 4) == 0) {
      // A data chunk that claims more than the file holds gives what is there.
      if (left >= 0 && size > left) size = left;
      if (size > std::numeric_limits<int32_t>::max()) size = std::numeric_limits<int32_t>::max();
      return int32_t(size);
    }
    // Any other chunk must fit inside the file.
    if (left >= 0 && size > left) return 0;
    if (std::memcmp(head, "fmt ", 4) == 0) {
      if (size < 16) return 0;
      uint8_t f[16];
      if (std::fread(f, 1, 16, file) != 16) return 0;
      format.formatTag = Read16(f);
      format.channels = Read16(f + 2);
      format.samplesPerSec = Read32(f + 4);
      format.avgBytesPerSec = Read32(f + 8);
      format.blockAlign = Read16(f + 12);
      format.bitsPerSample = Read16(f + 14);
      if (size > 16 && std::fseek(file, long(size - 16), SEEK_CUR) != 0) return 0;
    } else if (size > 0 && std::fseek(file, long(size), SEEK_CUR) != 0) {
      return 0;
    }
    remaining -= size + 8;
  }
  return 0;
}

void WaveBuffer::TakeFrom(WaveBuffer& other) {
  Free();
  samples = other.samples;
  sizeBytes = other.sizeBytes;
  stream = other.stream;
  dataOffset = other.dataOffset;
  dataSize = other.dataSize;
  streamPos = other.streamPos;
  tailSilence = other.tailSilence;
  format = other.format;
  other.samples = nullptr;
  other.stream = nullptr;
  other.Free();
}

// The loaders read into a fresh buffer and replace this one only when the file
// was read, so a bad file leaves the previous contents as they were.
int32_t WaveBuffer::LoadFromFile(FILE* file) {
  WaveBuffer fresh;
  const int32_t size = fresh.ParseHeader(file);
  if (size <= 0) return 0;
  uint8_t* data = AllocBytes(size);
  if (!data) return 0;
  // Whatever a short read leaves unfilled is silence.
  std::memset(data, fresh.SilenceByte(), size_t(size));
  (void)std::fread(data, 1, size_t(size), file);
  fresh.samples = data;
  fresh.sizeBytes = size;
  fresh.tailSilence = tailSilence;
  TakeFrom(fresh);
  return 1;
}

// Both open regular files only, without waiting: a pipe, a device or a
// folder under a sound's name is a file that does not open.
int32_t WaveBuffer::Load(const char* path) {
  if (!path) return 0;
  FILE* file = plat::OpenFile(boost::filesystem::path(path), "rb");
  if (!file) return 0;
  const int32_t ok = LoadFromFile(file);
  std::fclose(file);
  return ok;
}

int32_t WaveBuffer::OpenStream(const char* path, int32_t n) {
  if (!path || n < 0) return 0;
  WaveBuffer fresh;
  fresh.stream = plat::OpenFile(boost::filesystem::path(path), "rb");
  if (!fresh.stream) return 0;
  fresh.dataSize = fresh.ParseHeader(fresh.stream);
  if (fresh.dataSize <= 0) return 0;
  const long pos = std::ftell(fresh.stream);
  fresh.dataOffset = pos < 0 ? 0 : int32_t(pos);
  fresh.streamPos = 0;
  fresh.tailSilence = tailSilence;
  TakeFrom(fresh);
  return 1;
}

int32_t WaveBuffer::ReadStream(uint8_t* out, int32_t length) {
  if (!stream || !out || length <= 0) return 0;
  int64_t n = std::min<int64_t>(length, int64_t(dataSize) - streamPos);
  if (n > 0) {
    const size_t got = std::fread(out, 1, size_t(n), stream);
    if (got > 0) {
      streamPos += int32_t(got);
      return int32_t(got);
    }
    // The file holds no more data than this: the data ends here and the
    // stream goes on to its tail of silence.
    dataSize = streamPos;
  }
  n = std::min<int64_t>(length, int64_t(dataSize) + tailSilence - streamPos);
  if (n <= 0) return 0;
  std::memset(out, SilenceByte(), size_t(n));
  streamPos += int32_t(n);
  return int32_t(n);
}

void WaveBuffer::SetTailSilence(int32_t bytes) { tailSilence = bytes < 0 ? 0 : bytes; }

int32_t WaveBuffer::Rewind() {
  if (!stream) return 0;
  std::fseek(stream, dataOffset, SEEK_SET);
  streamPos = 0;
  return 1;
}

int32_t WaveBuffer::IsStreaming() const { return stream != nullptr && dataSize != 0; }

int32_t WaveBuffer::IsStreamFinished() const {
  return stream != nullptr && int64_t(streamPos) >= int64_t(dataSize) + tailSilence;
}

void WaveBuffer::CloseStream() {
  if (stream) std::fclose(stream);
  stream = nullptr;
}

int32_t WaveBuffer::Resample(int32_t newRate) {
  if (stream || !samples || sizeBytes <= 0 || newRate <= 0) return 0;
  const int32_t rate = int32_t(std::min<uint32_t>(format.samplesPerSec, 0x7FFFFFFF));
  const int64_t f = std::max<int64_t>(1, int64_t(format.channels) * format.bitsPerSample / 8);
  const int64_t oldFrames = sizeBytes / f;
  const double newFrames = std::trunc(double(sizeBytes) / double(f) / double(std::max(1, rate)) * newRate);
  if (!(newFrames * double(f) <= double(std::numeric_limits<int32_t>::max()))) return 0;
  const int64_t newSize = f * int64_t(newFrames);
  if (newSize <= 0) return 0;
  uint8_t* out = AllocBytes(newSize);
  if (!out) return 0;
  std::memset(out, SilenceByte(), size_t(newSize));
  const int64_t step = int64_t(rate) * 256 / newRate;
  int64_t acc = 0;
  const int64_t count = newSize / f;
  if (f == 1 || f == 2 || f == 4) {
    for (int64_t i = 0; i < count; ++i, acc += step) {
      const int64_t s = acc >> 8;
      if (s >= oldFrames) continue;
      std::memcpy(out + i * f, samples + s * f, size_t(f));
    }
  }
  delete[] samples;
  samples = out;
  sizeBytes = int32_t(newSize);
  format.samplesPerSec = uint32_t(newRate);
  format.blockAlign = uint16_t(f);
  format.avgBytesPerSec = uint32_t(newRate) * format.blockAlign;
  return 1;
}

int32_t WaveBuffer::To8Bit() {
  if (stream || !samples || sizeBytes <= 0) return 0;
  if (format.bitsPerSample == 8) return 1;
  if (format.bitsPerSample != 16) return 0;
  const int32_t count = sizeBytes / 2;
  for (int32_t i = 0; i < count; ++i) samples[i] = uint8_t(samples[2 * i + 1] - 128);
  sizeBytes = count;
  format.bitsPerSample = 8;
  format.blockAlign = format.channels;
  format.avgBytesPerSec = uint32_t(format.channels) * format.samplesPerSec;
  return 1;
}

int32_t WaveBuffer::SoftClip(float k) {
  if (stream || !samples || sizeBytes <= 0) return 0;
  const double kd = k;
  if (format.bitsPerSample == 8) {
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) {
      int32_t v;
      if (i > 127)
        v = 128 + TruncClamp(128.0 * Curve((i - 128) / 128.0, kd), -128, 127);
      else
        v = 128 - TruncClamp(128.0 * Curve((128 - i) / 128.0, kd), -127, 128);
      table[i] = uint8_t(std::clamp(v, 0, 255));
    }
    for (int i : {0, 1, 126, 127, 128, 129, 254, 255}) table[i] = uint8_t(i);
    for (int32_t i = 0; i < sizeBytes; ++i) samples[i] = table[samples[i]];
    return 1;
  }
  if (format.bitsPerSample == 16) {
    const int32_t count = sizeBytes / 2;
    for (int32_t i = 0; i < count; ++i) {
      uint8_t* p = samples + 2 * i;
      const int32_t s = int16_t(uint16_t(p[0] | (p[1] << 8)));
      int32_t v;
      if (s >= 0)
        v = TruncClamp(32767.0 * Curve(s / 32769.0, kd), -32768, 32767);
      else
        v = TruncClamp(-32768.0 * Curve(-s / 32769.0, kd), -32768, 32767);
      p[0] = uint8_t(v & 0xFF);
      p[1] = uint8_t((uint32_t(v) >> 8) & 0xFF);
    }
    return 1;
  }
  return 0;
}
