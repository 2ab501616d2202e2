// The key/value reader on arbitrary text: loads, look-ups of the keys the
// configuration uses and every typed read stay inside the buffers.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/cstr.h"
#include "core/hash.h"
#include "core/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  TextFile f;
  if (!f.LoadFromMemory(data, int32_t(size))) return 0;
  if (f.shadowLength < 1 || f.shadowLength > f.length + 1) std::abort();
  if (f.GetNormalisedHash() != HashBytes(f.shadow, f.shadowLength)) std::abort();

  static const char* keys[] = {"ForceWindowed", "a", "key ", "x_1", "Sound", "dir", "#", "=", " "};
  static const TextFile::EnumEntry table[] = {{"low", 0}, {"HIGH", 1}, {"", 2}};
  char buf[64];
  for (const char* k : keys) {
    if (!f.FindKey(k)) continue;
    if (f.valueStart < 0 || f.valueStart + f.valueLength > f.length) std::abort();
    int32_t i;
    float x, list[8];
    f.GetInt(&i);
    f.GetFloat(&x);
    f.GetFloatList(list, 8);
    if (f.ReadQuotedToken(buf, sizeof buf) >= int(sizeof buf)) std::abort();
    CStr s;
    f.ReadQuotedString(s);
    f.GetEnum(&i, table, 3);
  }
  // The fuzzer's own bytes double as a key.
  char key[32];
  size_t n = size < 31 ? size : 31;
  std::memcpy(key, data, n);
  key[n] = '\0';
  f.FindKey(key);
  char copy[128];
  f.CopyNormalised(copy, sizeof copy, int(size % 7), int(size % 13) - 3);
  return 0;
}
