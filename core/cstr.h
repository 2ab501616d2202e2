#pragma once
// CStr: the program's small single-byte string. Its heap block grows in
// 32-byte steps: a text of n characters lives in a block of (n + 32) & ~31
// bytes, and an operation that changes the length keeps the block exactly
// when n >> 5 stays the same. A null data pointer (allocation failure) reads
// as an empty string everywhere.
#include <cstdint>
#include <string>

class CStr {
 public:
  char* data = nullptr;
  int32_t length = 0;

  CStr();
  CStr(const char* text);
  CStr(const CStr& other);
  // The first min(position, strlen(base)) characters of base (none when
  // position is negative), then insert, then the rest of base. Either
  // pointer null gives an empty string.
  CStr(const char* base, const char* insert, int position);
  ~CStr();

  // Gives the object a fresh empty block without looking at what it held.
  void InitEmpty();
  // Null, or the string's own buffer: nothing happens.
  void Assign(const char* text);
  CStr& operator=(const CStr& other);
  void Append(const char* text);
  // Exact, case-sensitive equality; false when either side is null.
  bool Compare(const char* text) const;
  // n <= 0: 0, nothing changes. Same step: cut or extended in place. Other
  // step: a fresh block whose first n characters the caller fills.
  int Resize(int n);
  // Index of the first occurrence of sub at or after start (clamped to
  // 0..length), or -1.
  int Find(const CStr& sub, int start) const;

  static CStr Mid(const CStr& src, int start, int count);
  static CStr Left(const CStr& src, int n);
  static CStr Right(const CStr& src, int n);

  // The text; "" when there is no block.
  const char* Text() const { return data ? data : ""; }

  // Bytes of the block for a text of n characters.
  static int BlockSize(int n) { return (n + 32) & ~31; }
  // Number of blocks allocated by all CStr objects so far (lets tests see
  // whether an operation kept its block).
  static long BlockAllocations();
};

CStr operator+(const CStr& a, const CStr& b);
CStr operator+(const CStr& a, const char* b);
CStr operator+(const char* a, const CStr& b);

CStr CharToCStr(char c);
CStr IntToCStr(int value);        // "%i"
CStr DoubleToCStr(double value);  // "%f"
CStr LowerCopy(const char* text);
CStr UpperCopy(const char* text);
// Every character but letters, digits, blank and '_' becomes 'x'; '.' is kept
// except at the first position. At most 1023 characters.
CStr SanitiseName(const char* text);
// fixedWidth: exactly min(width, 1023) characters, cut or filled with fill.
// Otherwise the text cut at 1023. Null text or width < 1: empty. Uses one
// shared scratch buffer (not re-entrant).
CStr PadString(const char* text, int width, char fill, bool fixedWidth);

// Path helpers: '/', '\' and ':' are separators.
CStr FileExtension(const char* path);
CStr FileNamePart(const char* path);
CStr StripExtension(const char* path);
CStr DirectoryPart(const char* path);
bool PathStartsWith(const char* path, const char* prefix);
CStr StripPathPrefix(const char* path, const char* prefix);
bool EqualsNoCase(const char* a, const char* b);

// Helpers on the standard strings.
std::string FormatHex(int value);  // "%X"
std::string ToLower(const std::string& text);
std::wstring ToLowerWide(const std::wstring& text);
// One character per byte, the byte sign-extended to 16 bits (0x80..0xFF
// become 0xFF80..0xFFFF), as the system's 16-bit wide text has them.
std::wstring WidenString(const std::string& text);
// The low byte of each character.
std::string NarrowString(const std::wstring& text);
