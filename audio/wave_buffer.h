#pragma once
// Uncompressed PCM audio, either held in memory or read piece by piece from an
// open RIFF/WAVE file. 8-bit samples are unsigned, 16-bit samples signed
// little-endian, channels interleaved.
#include <cstdint>
#include <cstdio>

// The format block of a WAVE file ("fmt " chunk), plus cbSize, which is never
// read from the file and stays 0.
struct WaveFormat {
  uint16_t formatTag = 0;  // 1 = PCM
  uint16_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint16_t cbSize = 0;
};

class WaveBuffer {
 public:
  WaveBuffer() = default;
  ~WaveBuffer();
  WaveBuffer(const WaveBuffer&) = delete;
  WaveBuffer& operator=(const WaveBuffer&) = delete;

  // Closes the stream, frees the data and clears the sizes and the format.
  void Free();
  // An in-memory buffer of `frames` frames (contents uninitialised).
  int32_t Create(int32_t rate, int32_t bits, int32_t stereo, int32_t frames);
  // Reads the RIFF header and chunks up to the data chunk; returns the number
  // of data bytes the file holds (the chunk's even-padded size, cut to the end
  // of the file) with the file positioned at the data, or 0.
  int32_t ParseHeader(FILE* file);
  // The loaders replace the buffer's contents only on success; a file that is
  // not a readable WAVE leaves the buffer as it was.
  int32_t LoadFromFile(FILE* file);
  int32_t Load(const char* path);
  int32_t OpenStream(const char* path, int32_t n);
  // Delivers up to `length` bytes: the data, then tailSilence bytes of
  // silence, then nothing (0).
  int32_t ReadStream(uint8_t* out, int32_t length);
  void SetTailSilence(int32_t bytes);
  int32_t Rewind();
  int32_t IsStreaming() const;
  int32_t IsStreamFinished() const;
  void CloseStream();
  int32_t Resample(int32_t newRate);
  int32_t To8Bit();
  int32_t SoftClip(float k);

  // The silence byte of the current format: 127 for 8-bit data, 0 otherwise.
  uint8_t SilenceByte() const { return format.bitsPerSample == 8 ? 127 : 0; }

  uint8_t* samples = nullptr;
  int32_t sizeBytes = 0;
  FILE* stream = nullptr;
  int32_t dataOffset = 0;
  int32_t dataSize = 0;
  int32_t streamPos = 0;
  int32_t tailSilence = 0;
  WaveFormat format;

 private:
  // Frees this buffer and moves everything `other` holds into it.
  void TakeFrom(WaveBuffer& other);
};
