#pragma once
// TextFile: a small text of "key value" lines held in memory, answering
// look-ups of one key at a time with typed reads of its value. Beside the raw
// text it keeps a normalised copy (comments dropped, keys lower-cased) and
// that copy's hash.
#include <cstdint>
#include <cstdio>

class CStr;

class TextFile {
 public:
  // One entry of a GetEnum table.
  struct EnumEntry {
    char name[256];
    int32_t value;
  };

  char* text = nullptr;    // raw text, NUL, normalised copy, NUL
  char* shadow = nullptr;  // start of the normalised copy inside text
  int32_t length = 0;
  int32_t shadowLength = 0;  // bytes of the copy, its NUL included
  int32_t keyStart = 0;
  int32_t scanPos = 0;
  int32_t valueStart = 0;  // 0 = no value found
  int32_t valueLength = 0;
  uint32_t shadowHash = 0;

  TextFile() = default;
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  void Free();
  // Reads len bytes (len <= 0: to the end) from the stream's position; a
  // len beyond the end keeps what was read. false when stream is null or
  // memory runs out.
  bool LoadFromStream(FILE* stream, int32_t len);
  // Opens path ("rb", '\' read as a separator) and loads it.
  bool Load(const char* path, int32_t len = 0);
  bool LoadFromMemory(const void* bytes, int32_t len);

  // The first line whose first word is name (letters without regard to
  // case) followed directly by a blank.
  bool FindKey(const char* name);
  bool GetInt(int32_t* out);
  bool GetFloat(float* out);
  int GetFloatList(float* out, int count);
  int ReadQuotedToken(char* buffer, int size);
  bool ReadQuotedString(CStr& out);
  bool GetEnum(int32_t* out, const EnumEntry* table, int count);

  uint32_t GetNormalisedHash() const { return shadowHash; }
  int32_t GetNormalisedLength() const { return shadowLength; }
  int CopyNormalised(char* destination, int len, int offset, int count) const;

 private:
  // Takes a copy of n bytes as the text and builds the normalised copy.
  bool Adopt(const char* bytes, int32_t n);
  void Prescan();
  bool FoundValue() const { return text && valueStart > 0; }
};
