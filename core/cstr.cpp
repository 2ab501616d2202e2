#include "core/cstr.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <functional>

#include "core/log.h"

namespace {

long blockAllocations = 0;

// Blocks are zero-filled, so the bytes behind a text are never garbage.
char* AllocBlock(int textLength) {
  char* p = static_cast<char*>(std::calloc(size_t(CStr::BlockSize(textLength)), 1));
  if (p) ++blockAllocations;
  return p;
}

bool IsSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

// Index of the last separator, or -1.
int LastSeparator(const char* path) {
  int last = -1;
  for (int i = 0; path[i]; ++i) {
    if (IsSeparator(path[i])) last = i;
  }
  return last;
}

// Index of the last '.' behind the last separator, or -1.
int ExtensionDot(const char* path) {
  int sep = LastSeparator(path);
  const char* dot = std::strrchr(path, '.');
  if (!dot) return -1;
  int d = int(dot - path);
  return d > sep ? d : -1;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

CStr FromRange(const char* text, int n) {
  CStr r;
  if (n <= 0) return r;
  if (r.Resize(n) != n) return r;
  std::memcpy(r.data, text, size_t(n));
  r.data[n] = '\0';
  return r;
}

}  // namespace

long CStr::BlockAllocations() { return blockAllocations; }

CStr::CStr() { InitEmpty(); }

CStr::CStr(const char* text) {
  if (!text) {
    InitEmpty();
    return;
  }
  int n = int(std::strlen(text));
  data = AllocBlock(n);
  if (!data) return;
  std::memcpy(data, text, size_t(n) + 1);
  length = n;
}

CStr::CStr(const CStr& other) {
  int n = other.data ? other.length : 0;
  data = AllocBlock(n);
  if (!data) return;
  if (n > 0) std::memcpy(data, other.data, size_t(n));
  data[n] = '\0';
  length = n;
}

CStr::CStr(const char* base, const char* insert, int position) {
  if (!base || !insert) {
    InitEmpty();
    return;
  }
  int baseLength = int(std::strlen(base));
  int insertLength = int(std::strlen(insert));
  int head = position < 0 ? 0 : std::min(position, baseLength);
  int n = baseLength + insertLength;
  data = AllocBlock(n);
  if (!data) return;
  std::memcpy(data, base, size_t(head));
  std::memcpy(data + head, insert, size_t(insertLength));
  std::memcpy(data + head + insertLength, base + head, size_t(baseLength - head));
  data[n] = '\0';
  length = n;
}

CStr::~CStr() { std::free(data); }

void CStr::InitEmpty() {
  data = AllocBlock(0);
  length = 0;
}

void CStr::Assign(const char* text) {
  if (!text || text == data) return;
  // A text that lives inside this string's own block must survive the
  // block being replaced: copy it out first.
  if (data) {
    std::less_equal<const char*> le;
    std::less<const char*> lt;
    if (le(data, text) && lt(text, data + BlockSize(length))) {
      std::string copy(text);
      Assign(copy.c_str());
      return;
    }
  }
  int n = int(std::strlen(text));
  if (!data || (n >> 5) != (length >> 5)) {
    std::free(data);
    length = 0;
    data = AllocBlock(n);
    if (!data) return;
  }
  std::memmove(data, text, size_t(n) + 1);
  length = n;
}

CStr& CStr::operator=(const CStr& other) {
  if (this == &other) return *this;
  Assign(other.data ? other.data : "");
  return *this;
}

void CStr::Append(const char* text) {
  if (!text || !*text) return;
  int n = int(std::strlen(text));
  if (data && ((length + n) >> 5) == (length >> 5)) {
    std::memmove(data + length, text, size_t(n) + 1);
    length += n;
    return;
  }
  int old = data ? length : 0;
  char* block = AllocBlock(old + n);
  if (!block) return;
  if (old > 0) std::memcpy(block, data, size_t(old));
  std::memcpy(block + old, text, size_t(n));
  block[old + n] = '\0';
  std::free(data);
  data = block;
  length = old + n;
}

bool CStr::Compare(const char* text) const {
  if (!text || !data) return false;
  for (int i = 0; i < length; ++i) {
    if (text[i] == '\0' || text[i] != data[i]) return false;
  }
  return text[length] == '\0';
}

int CStr::Resize(int n) {
  if (n <= 0) return 0;
  if (data && (n >> 5) == (length >> 5)) {
    data[n] = '\0';
    length = n;
    return n;
  }
  std::free(data);
  length = 0;
  data = AllocBlock(n);
  if (!data) return 0;
  length = n;
  return n;
}

int CStr::Find(const CStr& sub, int start) const {
  int s = std::clamp(start, 0, std::max(length, 0));
  if (!data || !sub.data || length <= 0 || sub.length <= 0) return -1;
  if (length < sub.length + s) return -1;
  for (int i = s; i + sub.length <= length; ++i) {
    if (std::memcmp(data + i, sub.data, size_t(sub.length)) == 0) return i;
  }
  return -1;
}

CStr CStr::Mid(const CStr& src, int start, int count) {
  if (count == 0 || !src.data || src.length <= 0 || start < 0 || start >= src.length) return CStr();
  int n = count < 0 ? src.length - start : std::min(src.length - start, count);
  return FromRange(src.data + start, n);
}

CStr CStr::Left(const CStr& src, int n) { return Mid(src, 0, n); }

CStr CStr::Right(const CStr& src, int n) {
  int len = src.data ? src.length : 0;
  return Mid(src, std::max(len - n, 0), -1);
}

CStr operator+(const CStr& a, const CStr& b) {
  CStr r(a);
  r.Append(b.Text());
  return r;
}

CStr operator+(const CStr& a, const char* b) {
  CStr r(a);
  r.Append(b);
  return r;
}

CStr operator+(const char* a, const CStr& b) {
  CStr r(a);
  r.Append(b.Text());
  return r;
}

CStr CharToCStr(char c) {
  char buf[2] = {c, '\0'};
  return CStr(buf);
}

CStr IntToCStr(int value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%i", value);
  return CStr(buf);
}

CStr DoubleToCStr(double value) { return CStr(FormatString("%f", value).c_str()); }

CStr LowerCopy(const char* text) {
  if (!text) return CStr();
  CStr r(text);
  for (int i = 0; r.data && i < r.length; ++i) r.data[i] = LowerAscii(r.data[i]);
  return r;
}

CStr UpperCopy(const char* text) {
  if (!text) return CStr();
  CStr r(text);
  for (int i = 0; r.data && i < r.length; ++i) r.data[i] = UpperAscii(r.data[i]);
  return r;
}

CStr SanitiseName(const char* text) {
  if (!text) return CStr();
  char buf[1024];
  int n = 0;
  for (; n < 1023 && text[n]; ++n) {
    char c = text[n];
    bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '_' ||
                (c == '.' && n > 0);
    buf[n] = keep ? c : 'x';
  }
  buf[n] = '\0';
  return CStr(buf);
}

CStr PadString(const char* text, int width, char fill, bool fixedWidth) {
  static char scratch[1024];
  if (!text || width < 1) return CStr();
  int n = 0;
  if (fixedWidth) {
    int w = std::min(width, 1023);
    for (; n < w && text[n]; ++n) scratch[n] = text[n];
    for (; n < w; ++n) scratch[n] = fill;
  } else {
    for (; n < 1023 && text[n]; ++n) scratch[n] = text[n];
  }
  scratch[n] = '\0';
  return CStr(scratch);
}

CStr FileExtension(const char* path) {
  if (!path) return CStr();
  int dot = ExtensionDot(path);
  return dot < 0 ? CStr() : CStr(path + dot + 1);
}

CStr FileNamePart(const char* path) {
  if (!path) return CStr();
  return CStr(path + LastSeparator(path) + 1);
}

CStr StripExtension(const char* path) {
  if (!path) return CStr();
  int dot = ExtensionDot(path);
  return dot < 0 ? CStr(path) : FromRange(path, dot);
}

CStr DirectoryPart(const char* path) {
  if (!path) return CStr();
  return FromRange(path, LastSeparator(path) + 1);
}

bool PathStartsWith(const char* path, const char* prefix) {
  if (!path || !prefix) return false;
  size_t lp = std::strlen(prefix);
  if (lp >= std::strlen(path)) return false;
  for (size_t i = 0; i < lp; ++i) {
    char a = path[i] == '\\' ? '/' : char(std::tolower((unsigned char)path[i]));
    char b = prefix[i] == '\\' ? '/' : char(std::tolower((unsigned char)prefix[i]));
    if (a != b) return false;
  }
  return true;
}

CStr StripPathPrefix(const char* path, const char* prefix) {
  if (!PathStartsWith(path, prefix)) return CStr();
  return CStr(path + std::strlen(prefix));
}

bool EqualsNoCase(const char* a, const char* b) {
  if (!a || !b) return false;
  for (;; ++a, ++b) {
    if (LowerAscii(*a) != LowerAscii(*b)) return false;
    if (!*a) return true;
  }
}

std::string FormatHex(int value) {
  char buf[32];
  int n = FormatIntoBuffer(buf, 32, "%X", unsigned(value));
  return n < 0 ? std::string() : std::string(buf, size_t(n));
}

std::string ToLower(const std::string& text) {
  std::string r = text;
  for (char& c : r) c = char(std::tolower((unsigned char)c));
  return r;
}

std::wstring ToLowerWide(const std::wstring& text) {
  std::wstring r = text;
  for (wchar_t& c : r) c = wchar_t(std::towlower(wint_t(c)));
  return r;
}

std::wstring WidenString(const std::string& text) {
  std::wstring r;
  r.reserve(text.size());
  for (char c : text) r.push_back(wchar_t(uint16_t(int16_t(int8_t(c)))));
  return r;
}

std::string NarrowString(const std::wstring& text) {
  std::string r;
  r.reserve(text.size());
  for (wchar_t c : text) r.push_back(char(uint32_t(c) & 0xFF));
  return r;
}
