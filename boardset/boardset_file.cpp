// The .bdz board-set file: reading versions 1 to 7 (plain or scrambled),
// writing version 7 (always scrambled), and the password lock.
//
// Stored layout (all integers 32-bit little-endian, a string is an int32
// byte count and that many bytes):
//   "BDST", version, board count, columns (5+), reserved string (6+),
//   salt (6+), lock word (6+), brick-set path, brick-set signature (7),
//   background-set path, title/author/notes (2+), spare text (6+),
//   sort order (7), the boards (background + 400 cells before version 5,
//   520 cells after), checksum over everything before it (6+).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "core/data_files.h"
#include "core/hash.h"
#include "boardset/boardset.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/random.h"

namespace {

constexpr char kMagic[4] = {'B', 'D', 'S', 'T'};
constexpr int32_t kWrittenVersion = 7;
constexpr int kOldCells = 400;  // 20 columns x 20 rows, before version 5

const char kNotFound[] = "Boardset file not found.";
const char kNoMemory[] = "Could not allocator memory for boardset.";
const char kBadVersion[] = "Unrecognized boardset version.";
const char kCorrupted[] = "Boardset file is corrupted.";
const char kLocked[] = "Boardset file is locked.";
const char kAlreadyLocked[] = "Board set is already password locked.";

[[noreturn]] void Fail(const char* message) { throw std::runtime_error(message); }

struct FreeDeleter {
  void operator()(uint8_t* p) const { std::free(p); }
};

// Bounded little-endian reader over the plain bytes.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size, size_t pos) : data_(data), size_(size), pos_(pos) {}

  int32_t Int() {
    if (pos_ > size_ || size_ - pos_ < 4) Fail(kCorrupted);
    uint32_t v = static_cast<uint32_t>(data_[pos_]) | static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
                 static_cast<uint32_t>(data_[pos_ + 2]) << 16 | static_cast<uint32_t>(data_[pos_ + 3]) << 24;
    pos_ += 4;
    return static_cast<int32_t>(v);
  }
  std::string String() { return ReadBoardSetString(data_, size_, pos_); }
  size_t Remaining() const { return size_ - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_;
};

uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

void PutInt(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 24));
}

void PutString(std::vector<uint8_t>& out, const std::string& s) {
  PutInt(out, static_cast<uint32_t>(s.size()));
  out.insert(out.end(), s.begin(), s.end());
}

std::string HexText(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", v);
  return text;
}

// Stored paths may name folders with '/' or '\'; only the file name is kept.
std::string FileNameOnly(const std::string& stored) {
  size_t at = stored.find_last_of("/\\:");
  return at == std::string::npos ? stored : stored.substr(at + 1);
}

std::string LowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

uint32_t HashWithSalt(const std::string& password, const std::string& salt) {
  std::string bytes = password + salt;
  return HashBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
}

}  // namespace

std::string ReadBoardSetString(const uint8_t* data, size_t size, size_t& pos) {
  if (!data || pos > size || size - pos < 4) Fail(kCorrupted);
  int32_t length = static_cast<int32_t>(GetU32(data + pos));
  if (length < 0 || static_cast<size_t>(length) > size - pos - 4) Fail(kCorrupted);
  std::string text(reinterpret_cast<const char*>(data + pos + 4), static_cast<size_t>(length));
  pos += 4 + static_cast<size_t>(length);
  return text;
}

bool BoardSet::Load(DataFiles& files, bool checkPassword, const std::string& password) {
  Reset();
  if (!files.current) Fail(kNotFound);
  uint32_t size = files.FileSize();
  if (size <= 4) Fail(kNoMemory);
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size]);
  if (!buffer) Fail(kNoMemory);
  size_t got = files.Read(buffer.get(), 1, size);
  return LoadFromBuffer(buffer.get(), got, checkPassword, password, LowerAscii(PathStemToNarrow(files.CurrentPath())));
}

bool BoardSet::LoadFromBuffer(const uint8_t* data, size_t size, bool checkPassword, const std::string& password,
                              const std::string& stem) {
  if (!data || size <= 4) Fail(kNoMemory);

  // Anything that does not start with the magic is taken as scrambled.
  std::unique_ptr<uint8_t, FreeDeleter> unscrambled;
  if (std::memcmp(data, kMagic, 4) != 0) {
    uint8_t* out = nullptr;
    int32_t outSize = 0;
    if (size <= 0x7FFFFFFF && UnscrambleBuffer(data, static_cast<int32_t>(size), &out, &outSize) && out) {
      unscrambled.reset(out);
      data = out;
      size = outSize > 0 ? static_cast<size_t>(outSize) : 0;
    }
    if (size < 4 || std::memcmp(data, kMagic, 4) != 0) Fail(kNotFound);
  }

  // The version is judged before anything else is read: a newer file says
  // so even when it is too short for the fields this reader knows.
  if (size < 8 || size > 0x7FFFFFFF) Fail(kCorrupted);
  version = static_cast<int32_t>(GetU32(data + 4));
  if (version > 7) Fail(kBadVersion);
  int32_t v = version < 1 ? 1 : version;

  size_t end = size;
  if (v >= 6) {
    if (size < 16) Fail(kCorrupted);
    end = size - 4;
    uint32_t stored = GetU32(data + end);
    if (HashBytes(data, static_cast<int32_t>(end)) != stored) Fail(kCorrupted);
    checksumText = HexText(stored);
  }

  Reader in(data, end, 8);
  int32_t count = in.Int();
  if (count > kMaxBoards) count = kMaxBoards;
  if (count < 0) count = 0;
  boardCount = count;

  columns = v >= 5 ? in.Int() : 20;
  if (columns < 1 || columns > BoardRecord::kColumns) Fail(kCorrupted);

  if (v >= 6) {
    in.String();  // reserved
    salt = in.String();
    lockWord = static_cast<uint32_t>(in.Int());
    if (checkPassword && !CheckPassword(password)) Fail(kLocked);
  }

  brickSetPath = FileNameOnly(in.String());
  if (v >= 7) brickSetSignature = in.Int();
  backgroundSetPath = FileNameOnly(in.String());

  if (v >= 2) {
    title = in.String();
    author = in.String();
    notes = in.String();
  }
  if (v >= 6) spareText = in.String();
  if (v >= 7) sortOrder = in.Int();

  if (boardCount == 0) Fail(kNotFound);

  const int cellsPerBoard = v >= 5 ? BoardRecord::kCells : kOldCells;
  const size_t recordBytes = 4 * (1 + static_cast<size_t>(cellsPerBoard));
  if (in.Remaining() / recordBytes < static_cast<size_t>(boardCount)) Fail(kCorrupted);
  for (int b = 0; b < boardCount; ++b) {
    BoardRecord& record = boards[b];
    record.background = static_cast<uint32_t>(in.Int());
    for (int i = 0; i < cellsPerBoard; ++i) record.cells[i] = in.Int();
  }

  fileStem = stem;
  return true;
}

bool BoardSet::Save(const boost::filesystem::path& path) {
  // A set without boards, or with a column count outside 1..26, could never
  // be read back.
  if (boardCount < 1 || columns < 1 || columns > BoardRecord::kColumns) return false;
  int32_t count = boardCount > kMaxBoards ? kMaxBoards : boardCount;

  std::vector<uint8_t> out;
  try {
    size_t texts = brickSetPath.size() + backgroundSetPath.size() + title.size() + author.size() + notes.size() +
                   spareText.size() + salt.size();
    out.reserve(64 + texts + static_cast<size_t>(count) * 4 * (1 + BoardRecord::kCells));
    out.insert(out.end(), kMagic, kMagic + 4);
    PutInt(out, kWrittenVersion);
    PutInt(out, static_cast<uint32_t>(count));
    PutInt(out, static_cast<uint32_t>(columns));
    PutString(out, std::string());
    PutString(out, salt);
    PutInt(out, lockWord);
    PutString(out, brickSetPath);
    // Without loaded bricks, keep the signature the set was read with.
    int32_t signature = bricks.names ? static_cast<int32_t>(bricks.ComputeSignature()) : brickSetSignature;
    PutInt(out, static_cast<uint32_t>(signature));
    PutString(out, backgroundSetPath);
    PutString(out, title);
    PutString(out, author);
    PutString(out, notes);
    PutString(out, spareText);
    PutInt(out, static_cast<uint32_t>(sortOrder));
    for (int b = 0; b < count; ++b) {
      PutInt(out, boards[b].background);
      for (int32_t cell : boards[b].cells) PutInt(out, static_cast<uint32_t>(cell));
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (out.size() > 0x7FFFFF00u) return false;
  uint32_t checksum = HashBytes(out.data(), static_cast<int32_t>(out.size()));
  PutInt(out, checksum);

  uint8_t* scrambled = nullptr;
  int32_t scrambledSize = 0;
  if (!ScrambleBuffer(out.data(), static_cast<int32_t>(out.size()), &scrambled, &scrambledSize) || !scrambled)
    return false;
  std::unique_ptr<uint8_t, FreeDeleter> owned(scrambled);
  if (!plat::WriteFileAtomic(path, scrambled, static_cast<size_t>(scrambledSize))) return false;

  checksumText = HexText(checksum);
  fileStem = PathStemToNarrow(path);
  return true;
}

void BoardSet::Lock(const std::string& password) {
  if (IsLocked()) Fail(kAlreadyLocked);
  plat::Srand(plat::MilliClock());
  std::string bytes(16, '\0');
  for (char& c : bytes) c = static_cast<char>(plat::Rand() % 255);
  salt = bytes;
  lockWord = HashWithSalt(password, salt);
}

bool BoardSet::CheckPassword(const std::string& password) const {
  if (salt.empty() || lockWord == 0) return true;
  return HashWithSalt(password, salt) == lockWord;
}
