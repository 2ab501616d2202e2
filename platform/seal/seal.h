#pragma once
// The sound library: one output device, a pool of sample voices mixed in
// software, sample data, WAVE files and tracker modules (MOD, XM, S3M).
//
// Every call returns kOk (0) on success and one of the Result codes below on
// failure, except GetDeviceCount, which returns the number of devices.
// Every call may be made from the program's own thread only; while the SDL
// output is open each call holds the audio device lock, so the mixer (which
// runs in SDL's callback) never sees a half-made change.
//
// Output: the mixer writes either into an SDL2 audio device (works with
// SDL_AUDIODRIVER=dummy) or into the null output, which mixes only when the
// program calls AdvanceNullOutput and keeps what it mixed for reading. Choose
// with SelectOutput before OpenDevice.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat::seal {

// Result codes.
enum Result : int {
  kOk = 0,
  kBadArgument = 1,   // null pointer, value out of range, unknown device index
  kNotOpen = 2,       // the device (or the voices) are not open
  kAlreadyOpen = 3,   // the device or the voices are open already
  kDeviceFailed = 4,  // the output could not be opened
  kNoMemory = 5,      // an allocation failed or a size is absurd
  kNoVoice = 6,       // every opened voice is in use
  kBadHandle = 7,     // a voice, sample or module that is not (or no longer) ours
  kFileError = 8,     // the file cannot be opened or read, or the offset is past its end
  kBadFormat = 9,     // the bytes are not a file of the kind asked for
};

// Format flags, used by samples and by the device description.
// No flag set means 8-bit mono. Sample data is signed: 8-bit -128..127,
// 16-bit native-endian -32768..32767; stereo data is interleaved left, right.
constexpr std::uint16_t kFormat16Bit = 0x1;
constexpr std::uint16_t kFormatLoop = 0x10;  // samples only
constexpr std::uint16_t kFormatStereo = 0x100;

// Device id that stands for "the default device".
constexpr std::uint32_t kDefaultDevice = 0xFFFF;

// Limits.
constexpr std::uint32_t kMaxVoices = 32;
constexpr std::uint32_t kMinRate = 8000;
constexpr std::uint32_t kMaxRate = 48000;
constexpr std::uint32_t kMaxVolume = 63;   // voice and module volume 0..63, linear (x/64)
constexpr std::uint32_t kPanCentre = 128;  // pan 0 (left) .. 255 (right)
constexpr std::uint32_t kMaxSampleBytes = 64u * 1024u * 1024u;

// A block of sample data. The caller owns the record (except those that
// LoadWaveFile makes); the library owns what `data` points at once
// CreateSampleData has set it, and keeps its own copy of the bytes, taken when
// WriteSampleData is called. Positions and loop points are in bytes.
struct Sample {
  void* data = nullptr;         // set by CreateSampleData / LoadWaveFile
  std::uint32_t handle = 0;     // the library's id for the data; 0 = none
  std::uint32_t length = 0;     // bytes
  std::uint32_t loopStart = 0;  // bytes; used when format has kFormatLoop
  std::uint32_t loopEnd = 0;    // bytes, one past the last looped byte (clamped to length)
  std::uint16_t rate = 0;       // frames per second at normal pitch
  std::uint16_t format = 0;     // kFormat16Bit | kFormatLoop | kFormatStereo
};

// What to open: a device id (an index below GetDeviceCount, or
// kDefaultDevice), the output format (kFormat16Bit | kFormatStereo; none =
// 8-bit mono) and the rate (kMinRate..kMaxRate).
struct DeviceDesc {
  std::uint32_t deviceId = kDefaultDevice;
  std::uint16_t format = 0;
  std::uint16_t rate = 0;
};

// What a device says about itself.
struct DeviceCaps {
  std::uint16_t productId = 0;
  char productName[30] = {};  // zero-terminated
};

// A loaded tracker module. `restart` is the order the song goes back to when
// it reaches its end; it starts as the file's own value and the caller may
// read and change it at any time, also while the module plays: the output
// thread reads it each time the song loops, so it is a lock-free atomic that
// reads and assigns like a plain number.
struct ModuleData;
struct Module {
  std::atomic<std::uint16_t> restart{0};
  ModuleData* impl = nullptr;  // the library's; do not touch
};
static_assert(std::atomic<std::uint16_t>::is_always_lock_free);

using Voice = std::uint32_t;  // 0 is never a valid voice

// ---- devices --------------------------------------------------------------
std::uint32_t GetDeviceCount();
int GetDeviceCaps(std::uint32_t index, DeviceCaps* caps);
int OpenDevice(const DeviceDesc* desc);
// A device tuning call made after opening; accepted and without effect here.
int SetDeviceSetting(int what, int value);
// Stops the module and every voice, closes the voices and the output.
// Samples and modules stay loaded.
int CloseDevice();

// ---- voices ---------------------------------------------------------------
int OpenVoices(std::uint32_t count);  // 1..kMaxVoices, needs an open device
int CloseVoices();                    // destroys any voices still created
int CreateVoice(Voice* voice);        // fails with kNoVoice when all opened ones are in use
int DestroyVoice(Voice voice);
// Points the voice at a sample's data with the sample's current format, loop
// points and rate; position 0, frequency = the sample's rate; does not start.
int PrimeVoice(Voice voice, const Sample* sample);
int StartVoice(Voice voice);  // plays from its position (from 0 when it had played out)
int StopVoice(Voice voice);
int SetVoicePosition(Voice voice, std::uint32_t bytePosition);
int GetVoicePosition(Voice voice, std::uint32_t* bytePosition);
int SetVoiceFrequency(Voice voice, std::uint32_t hz);   // sample frames per second
int SetVoiceVolume(Voice voice, std::uint32_t volume);  // 0..63
int SetVoicePanning(Voice voice, std::uint32_t pan);    // 0..255, 128 centre
// *stopped = non-zero when the voice is not playing (never started, stopped,
// or a non-looping sample that has played out).
int GetVoiceStatus(Voice voice, int* stopped);

// ---- samples --------------------------------------------------------------
// Needs length (1..kMaxSampleBytes), rate and format set; allocates `data`
// (zero-filled, `length` bytes) and sets `handle`.
int CreateSampleData(Sample* sample);
// Copies bytes [offset, offset + count) of sample->data into the library's
// copy that voices play from.
int WriteSampleData(Sample* sample, std::uint32_t offset, std::uint32_t count);
// Stops every voice playing it, frees `data`, clears `data` and `handle`.
int DestroySampleData(Sample* sample);

// Reads a RIFF WAVE (PCM, 8 or 16 bits, mono or stereo) that starts at byte
// `offset` of the file. The new record holds signed 8-bit data (16-bit input
// is rounded to the nearest 8-bit step), with the file's channels and rate
// and no loop. Free it with FreeWaveFile.
int LoadWaveFile(const char* fileName, std::uint32_t offset, Sample** sample);
int LoadWaveMemory(const void* bytes, std::size_t size, Sample** sample);
int FreeWaveFile(Sample* sample);

// ---- modules --------------------------------------------------------------
// Reads a MOD, XM or S3M that starts at byte `offset` of the file.
int LoadModuleFile(const char* fileName, std::uint32_t offset, Module** module);
int LoadModuleMemory(const void* bytes, std::size_t size, Module** module);
int FreeModuleFile(Module* module);  // stops it first when it is playing
// One module plays at a time; playing another stops the first. Needs an open
// device. Plays from the first order, not paused.
int PlayModule(Module* module);
int StopModule();
int PauseModule();
int ResumeModule();
int SetModuleVolume(std::uint32_t volume);  // 0..63
// The order the playing module is at (0 when none plays).
int GetModulePosition(std::uint32_t* order);

// ---- output choice and the null output -----------------------------------
enum class Output { kSdl, kNull };
// Takes effect at the next OpenDevice; kSdl is the default.
void SelectOutput(Output output);
Output SelectedOutput();

// With the null output open: mixes `frames` frames (advancing voices and the
// module exactly as the device would) and appends them to the kept output.
int AdvanceNullOutput(std::uint32_t frames);
// The kept output since the device opened or the last Take, removed from the
// store. Bytes are in the device format: 8-bit unsigned (128 = silence) or
// 16-bit signed native-endian, interleaved left, right when stereo.
std::vector<std::uint8_t> TakeNullOutputBytes();
// The same as signed 16-bit values (8-bit output scaled by 256).
std::vector<std::int16_t> TakeNullOutputSamples();

// ---- inspection (tests and diagnostics) -----------------------------------
// The description the open device was opened with (deviceId as asked).
int GetOpenDevice(DeviceDesc* desc);

struct VoiceInfo {
  bool playing = false;
  std::uint32_t sampleHandle = 0;  // primed sample, 0 = none
  std::uint32_t frequency = 0;
  std::uint32_t volume = 0;
  std::uint32_t panning = 0;
  std::uint32_t bytePosition = 0;
};
int GetVoiceInfo(Voice voice, VoiceInfo* info);

struct ModuleInfo {
  const Module* playing = nullptr;  // null when none plays
  bool paused = false;
  std::uint32_t volume = 0;
  std::uint32_t loops = 0;  // times the playing module has reached its end
};
int GetModuleInfo(ModuleInfo* info);

// What the library holds right now, to check that open/close cycles leak nothing.
struct Counts {
  bool deviceOpen = false;
  std::uint32_t voicesOpened = 0;  // from OpenVoices
  std::uint32_t voicesCreated = 0;
  std::uint32_t samples = 0;  // sample data blocks (created or loaded)
  std::uint32_t modules = 0;
};
Counts GetCounts();

}  // namespace plat::seal
