#include "core/text_file.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/cstr.h"
#include "core/hash.h"
#include "platform/files.h"

namespace {
bool IsLineEnd(char c) { return c == '\n' || c == '\r' || c == '\0'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
}  // namespace

TextFile::~TextFile() { Free(); }

void TextFile::Free() {
  std::free(text);
  text = nullptr;
  shadow = nullptr;
  length = shadowLength = keyStart = scanPos = valueStart = valueLength = 0;
  shadowHash = 0;
}

bool TextFile::LoadFromStream(FILE* stream, int32_t len) {
  Free();
  if (!stream) return false;
  // Read in pieces, so a len far beyond the stream's end costs only what
  // is really there; a short read keeps what was read.
  std::vector<char> bytes;
  size_t want = len > 0 ? size_t(len) : SIZE_MAX;
  char chunk[65536];
  while (bytes.size() < want) {
    size_t n = std::fread(chunk, 1, std::min(sizeof chunk, want - bytes.size()), stream);
    if (n == 0) break;
    if (bytes.size() + n > size_t(INT32_MAX / 2 - 1)) return false;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return Adopt(bytes.data(), int32_t(bytes.size()));
}

bool TextFile::Load(const char* path, int32_t len) {
  Free();
  if (!path) return false;
  FILE* f = plat::OpenFile(std::string(path), "rb");
  if (!f) return false;
  bool ok = LoadFromStream(f, len);
  std::fclose(f);
  return ok;
}

bool TextFile::LoadFromMemory(const void* bytes, int32_t len) {
  Free();
  if (!bytes || len <= 0) return false;
  if (len > INT32_MAX / 2 - 1) return false;
  return Adopt(static_cast<const char*>(bytes), len);
}

bool TextFile::Adopt(const char* bytes, int32_t n) {
  text = static_cast<char*>(std::malloc(size_t(n) * 2 + 2));
  if (!text) return false;
  if (n > 0) std::memcpy(text, bytes, size_t(n));
  text[n] = '\0';
  length = n;
  shadow = text + n + 1;
  Prescan();
  return true;
}

void TextFile::Prescan() {
  // Per line: leading blanks and comments dropped, the key lower-cased, the
  // blanks and '=' behind it made one blank, the value kept. A line that
  // holds nothing but blanks or a comment adds nothing; every other line
  // that ends in line-end characters gets one '\n'.
  int32_t w = 0;
  int32_t i = 0;
  while (i < length) {
    while (i < length && IsBlank(text[i])) ++i;
    bool content = i < length && !IsLineEnd(text[i]) && text[i] != '#';
    if (content) {
      while (i < length && !IsLineEnd(text[i]) && !IsBlank(text[i]) && text[i] != '=' && text[i] != '#')
        shadow[w++] = LowerAscii(text[i++]);
      bool run = false;
      while (i < length && (IsBlank(text[i]) || text[i] == '=')) {
        run = true;
        ++i;
      }
      if (run) shadow[w++] = ' ';
      while (i < length && !IsLineEnd(text[i]) && text[i] != '#') shadow[w++] = text[i++];
    }
    while (i < length && !IsLineEnd(text[i])) ++i;  // the comment, if any
    if (i < length) {
      if (content) shadow[w++] = '\n';
      while (i < length && IsLineEnd(text[i])) ++i;
    }
  }
  shadow[w] = '\0';
  shadowLength = w + 1;
  shadowHash = HashBytes(shadow, shadowLength);
}

bool TextFile::FindKey(const char* name) {
  keyStart = scanPos = valueStart = valueLength = 0;
  if (!text || !name || !*name) return false;
  char key[256];
  int keyLength = 0;
  for (; keyLength < 254 && name[keyLength]; ++keyLength) key[keyLength] = LowerAscii(name[keyLength]);
  if (key[keyLength - 1] != ' ') key[keyLength++] = ' ';

  int matched = 0;
  int word = 0;  // 0: no word yet on this line, 1: in the first word, 2: past it
  bool comment = false;
  int32_t i = 0;
  for (; i < length && matched < keyLength; ++i) {
    char c = text[i];
    if (IsLineEnd(c)) {
      matched = 0;
      word = 0;
      comment = false;
      continue;
    }
    if (comment) continue;
    if (c == '#') {
      comment = true;
      matched = 0;
      continue;
    }
    bool mayMatch = (matched == 0 && word == 0) || (matched > 0 && word == 1);
    if (mayMatch && LowerAscii(c) == key[matched]) {
      ++matched;
    } else {
      matched = 0;
    }
    if (IsWordChar(c)) {
      if (word == 0) word = 1;
    } else if (IsBlank(c)) {
      if (word == 1) word = 2;
    }
  }
  if (matched < keyLength) return false;

  keyStart = i - keyLength;
  int32_t p = i;
  while (p < length && (IsBlank(text[p]) || text[p] == '=')) ++p;
  valueStart = p;
  int32_t e = p;
  while (e < length && !IsLineEnd(text[e])) ++e;
  valueLength = e - p;
  scanPos = e;
  return true;
}

namespace {
std::string ValueOf(const char* text, int32_t start, int32_t n) { return std::string(text + start, size_t(n)); }

// A decimal number with a '.' as the decimal point whatever locale the
// process runs in (the tools' toolkit switches it to the user's); leading
// blanks and a sign are allowed, reading stops at the first character that
// does not belong to the number. 0 when there is none.
float ParseFloat(const std::string& v) {
  const char* p = v.c_str();
  const char* end = p + v.size();
  while (p < end && (IsBlank(*p) || *p == '\v' || *p == '\f')) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  if (p < end && (*p == '+' || *p == '-')) return 0.0f;
  float value = 0.0f;
  std::from_chars_result r = std::from_chars(p, end, value);
  if (r.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone when it overflows or underflows.
    // Within double's range the conversion gives infinity or a tiny
    // value; beyond it, a negative exponent means 0 and anything else
    // infinity, as the C library's reading gives.
    double d = 0;
    std::from_chars_result rd = std::from_chars(p, end, d);
    if (rd.ec == std::errc::result_out_of_range) {
      bool tiny = false;
      for (const char* q = p; q < rd.ptr; ++q) {
        if ((*q == 'e' || *q == 'E') && q + 1 < rd.ptr && q[1] == '-') tiny = true;
      }
      d = tiny ? 0.0 : HUGE_VAL;
    }
    value = d > FLT_MAX ? HUGE_VALF : float(d);
  } else if (r.ec != std::errc()) {
    value = 0.0f;
  }
  return negative ? -value : value;
}
}  // namespace

bool TextFile::GetInt(int32_t* out) {
  if (!FoundValue() || !out) return false;
  std::string v = ValueOf(text, valueStart, valueLength);
  long long r = std::strtoll(v.c_str(), nullptr, 10);
  *out = int32_t(std::clamp<long long>(r, INT32_MIN, INT32_MAX));
  return true;
}

bool TextFile::GetFloat(float* out) {
  if (!FoundValue() || !out) return false;
  std::string v = ValueOf(text, valueStart, valueLength);
  *out = ParseFloat(v);
  return true;
}

int TextFile::GetFloatList(float* out, int count) {
  if (!FoundValue() || !out || count <= 0) return 0;
  std::string v = ValueOf(text, valueStart, valueLength);
  int stored = 0;
  size_t pos = 0;
  while (stored < count && pos <= v.size()) {
    size_t comma = v.find(',', pos);
    if (comma == std::string::npos) comma = v.size();
    std::string piece = v.substr(pos, std::min<size_t>(comma - pos, 99));
    if (!piece.empty()) out[stored++] = ParseFloat(piece);
    pos = comma + 1;
  }
  return stored;
}

int TextFile::ReadQuotedToken(char* buffer, int size) {
  if (!FoundValue() || !buffer || size <= 0) return 0;
  const char* v = text + valueStart;
  int32_t n = valueLength;
  if (n > 0 && v[0] == '"') {
    ++v;
    --n;
    const void* q = std::memchr(v, '"', size_t(n));
    if (q) n = int32_t(static_cast<const char*>(q) - v);
  }
  int copied = std::min(n, size - 1);
  std::memcpy(buffer, v, size_t(copied));
  buffer[copied] = '\0';
  return copied;
}

bool TextFile::ReadQuotedString(CStr& out) {
  char buffer[1024];
  if (ReadQuotedToken(buffer, sizeof buffer) == 0) return false;
  out.Assign(buffer);
  return true;
}

bool TextFile::GetEnum(int32_t* out, const EnumEntry* table, int count) {
  if (!out || !table) return false;
  char token[1024];
  if (ReadQuotedToken(token, sizeof token) == 0) return false;
  for (int i = 0; i < count; ++i) {
    const char* name = table[i].name;
    size_t nameLength = strnlen(name, sizeof table[i].name);
    if (nameLength != std::strlen(token)) continue;
    bool same = true;
    for (size_t j = 0; j < nameLength && same; ++j) same = LowerAscii(name[j]) == LowerAscii(token[j]);
    if (same) {
      *out = table[i].value;
      return true;
    }
  }
  return false;
}

int TextFile::CopyNormalised(char* destination, int len, int offset, int count) const {
  if (!shadow || !destination || len <= 0 || offset < 0 || offset >= shadowLength) return 0;
  int remaining = shadowLength - offset;
  int n = std::min(len, count <= 0 ? remaining : std::min(count, remaining));
  std::memcpy(destination, shadow + offset, size_t(n));
  return n;
}
