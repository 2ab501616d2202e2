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
//
// The reader never holds the file whole: the plain bytes are recovered
// piece by piece through a window (the scrambler's keys come from the
// file's end), the checksum is taken over them as they pass, and only the
// fields are kept. A file larger than any set can be is refused unread.
#include <algorithm>
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

// The largest set file that is read. A full set of 128 boards is 266,752
// bytes of records and a few texts; 16 MiB leaves room for texts far longer
// than any editor writes, and a larger file is no set.
constexpr int64_t kMaxFileBytes = int64_t{16} << 20;

uint32_t GetU32(const uint8_t* p);

// The plain bytes of the open set file: the file as it stands when it
// starts with the magic, else its payload recovered through the scrambler's
// keys. Read through a window of kWindow bytes.
class PlainFile {
 public:
  static constexpr size_t kWindow = 64 * 1024;

  // Raises "Boardset file not found." when the file is neither plain nor
  // scrambled into plain bytes that start with the magic.
  PlainFile(FILE* f, int64_t storedSize) : f_(f), window_(kWindow) {
    uint8_t head[4] = {0, 0, 0, 0};
    Stored(0, head, 4);
    if (std::memcmp(head, kMagic, 4) == 0) {
      size_ = static_cast<size_t>(storedSize);
      return;
    }
    const int32_t length = static_cast<int32_t>(storedSize);
    const int32_t tail = length - 4 < ScrambleKeys::kTailBytes ? length - 4 : ScrambleKeys::kTailBytes;
    uint8_t end[ScrambleKeys::kTailBytes];
    Stored(storedSize - tail, end, static_cast<size_t>(tail));
    if (!keys_.Find(head, end, tail, length)) Fail(kNotFound);
    scrambled_ = true;
    offset_ = 4;
    size_ = static_cast<size_t>(keys_.PayloadLength());
    uint8_t magic[4] = {0, 0, 0, 0};
    if (size_ < 4) Fail(kNotFound);
    Copy(0, magic, 4);
    if (std::memcmp(magic, kMagic, 4) != 0) Fail(kNotFound);
  }

  size_t Size() const { return size_; }

  // n plain bytes from `at` into out; at + n must be within Size(). A file
  // that reads short (changed or failing under the reader) is corrupted.
  void Copy(size_t at, uint8_t* out, size_t n) {
    while (n > 0) {
      const uint8_t* p = Window(at);
      size_t take = std::min(n, windowAt_ + windowLength_ - at);
      std::memcpy(out, p, take);
      out += take;
      at += take;
      n -= take;
    }
  }

  // HashBytes over plain bytes 0 .. n - 1, window by window.
  uint32_t Hash(size_t n) {
    uint32_t h = HashSeed(static_cast<uint32_t>(n));
    int32_t k = 0;
    for (size_t at = 0; at < n;) {
      const uint8_t* p = Window(at);
      size_t take = std::min(n - at, windowAt_ + windowLength_ - at);
      HashAddBytes(h, p, static_cast<int32_t>(take), k);
      at += take;
    }
    return h;
  }

 private:
  // Stored bytes of the file at `at`.
  void Stored(int64_t at, uint8_t* out, size_t n) {
    if (std::fseek(f_, static_cast<long>(at), SEEK_SET) != 0 || std::fread(out, 1, n, f_) != n) Fail(kCorrupted);
  }
  // The window moved so that it holds plain byte `at`; returns that byte's place.
  const uint8_t* Window(size_t at) {
    if (at < windowAt_ || at >= windowAt_ + windowLength_) {
      windowAt_ = at;
      windowLength_ = std::min(kWindow, size_ - at);
      Stored(offset_ + static_cast<int64_t>(at), window_.data(), windowLength_);
      if (scrambled_) keys_.Apply(window_.data(), static_cast<int32_t>(windowLength_), static_cast<int32_t>(at));
    }
    return window_.data() + (at - windowAt_);
  }

  FILE* f_;
  std::vector<uint8_t> window_;
  size_t windowAt_ = 0;
  size_t windowLength_ = 0;
  ScrambleKeys keys_;
  bool scrambled_ = false;
  int64_t offset_ = 0;
  size_t size_ = 0;
};

// Bounded little-endian reader over plain bytes pos .. end - 1.
class Reader {
 public:
  Reader(PlainFile& plain, size_t end, size_t pos) : plain_(plain), end_(end), pos_(pos) {}

  int32_t Int() {
    uint8_t b[4];
    Bytes(b, 4);
    return static_cast<int32_t>(GetU32(b));
  }
  // A stored string: its int32 length, then that many bytes.
  std::string String() {
    int32_t length = Int();
    if (length < 0 || static_cast<size_t>(length) > Remaining()) Fail(kCorrupted);
    std::string text(static_cast<size_t>(length), '\0');
    Bytes(reinterpret_cast<uint8_t*>(text.data()), text.size());
    return text;
  }
  size_t Remaining() const { return end_ - pos_; }

 private:
  void Bytes(uint8_t* out, size_t n) {
    if (pos_ > end_ || end_ - pos_ < n) Fail(kCorrupted);
    plain_.Copy(pos_, out, n);
    pos_ += n;
  }

  PlainFile& plain_;
  size_t end_;
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
  Read(files, checkPassword, password, true);
  return true;
}

bool BoardSet::LoadHeader(DataFiles& files) {
  Read(files, false, "", false);
  return true;
}

void BoardSet::Read(DataFiles& files, bool checkPassword, const std::string& password, bool withBoards) {
  Reset();
  if (!files.current) Fail(kNotFound);
  // The real size: a file past 4 GB must not pass for its low 32 bits.
  FILE* f = files.current;
  int64_t size = std::fseek(f, 0, SEEK_END) == 0 ? static_cast<int64_t>(std::ftell(f)) : -1;
  if (size <= 4) Fail(kNoMemory);
  if (size > kMaxFileBytes) Fail(kCorrupted);
  PlainFile plain(f, size);
  size = static_cast<int64_t>(plain.Size());

  // The version is judged before anything else is read: a newer file says
  // so even when it is too short for the fields this reader knows.
  if (size < 8) Fail(kCorrupted);
  uint8_t head[8];
  plain.Copy(0, head, 8);
  version = static_cast<int32_t>(GetU32(head + 4));
  if (version > 7) Fail(kBadVersion);
  int32_t v = version < 1 ? 1 : version;

  size_t end = static_cast<size_t>(size);
  if (v >= 6) {
    if (size < 16) Fail(kCorrupted);
    end -= 4;
    uint8_t word[4];
    plain.Copy(end, word, 4);
    uint32_t stored = GetU32(word);
    if (plain.Hash(end) != stored) Fail(kCorrupted);
    checksumText = HexText(stored);
  }

  Reader in(plain, end, 8);
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
  for (int b = 0; withBoards && b < boardCount; ++b) {
    BoardRecord& record = boards[b];
    record.background = static_cast<uint32_t>(in.Int());
    for (int i = 0; i < cellsPerBoard; ++i) record.cells[i] = in.Int();
  }

  fileStem = LowerAscii(PathStemToNarrow(files.CurrentPath()));
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
