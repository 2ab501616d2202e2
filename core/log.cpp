#include "core/log.h"

#include <cstdio>
#include <cstring>

#include "core/cstr.h"
#include "platform/debug.h"
#include "platform/files.h"

namespace {
LogCallback logCallback = nullptr;
bool logToFile = false;
FILE* logFile = nullptr;

// Formats into out; the length, or -1 when the formatter reports an error.
int FormatV(std::string& out, const char* format, va_list args) {
  out.clear();
  if (!format) return -1;
  va_list probe;
  va_copy(probe, args);
  int n = std::vsnprintf(nullptr, 0, format, probe);
  va_end(probe);
  if (n <= 0) return n < 0 ? -1 : 0;
  out.assign(size_t(n), '\0');
  // The string's own terminator follows its n characters, so n + 1 bytes
  // may be written.
  int m = std::vsnprintf(out.data(), size_t(n) + 1, format, args);
  if (m != n) {
    out.clear();
    return -1;
  }
  return n;
}
}  // namespace

void LogWrite(const char* text, int level) {
  if (!text) return;
  if (logCallback) logCallback(text, level);
  plat::DebugOutput(text);
  if (logToFile && logFile) {
    std::fwrite(text, 1, std::strlen(text), logFile);
    std::fflush(logFile);
  }
}

void SetLogCallback(LogCallback callback) { logCallback = callback; }

bool SetLogFile(bool open, const char* path) {
  if (open) {
    if (logFile) {
      std::fclose(logFile);
      logFile = nullptr;
      logToFile = false;
    }
    if (!path) return false;
    logFile = plat::OpenFile(std::string(path), "w");
    logToFile = logFile != nullptr;
    return logToFile;
  }
  if (!logFile) {
    logToFile = false;
    return false;
  }
  std::fclose(logFile);
  logFile = nullptr;
  logToFile = false;
  return true;
}

void DebugPrint(const std::string& text) { plat::DebugOutput(text.c_str()); }

void DebugPrintWide(const std::wstring& text) { plat::DebugOutput(NarrowString(text).c_str()); }

int FormatIntoBuffer(char* buffer, int count, const char* format, ...) {
  if (!buffer || count < 0) return -1;
  va_list args;
  va_start(args, format);
  std::string text;
  int n = FormatV(text, format, args);
  va_end(args);
  // The text fits when it is at most count characters long; one of exactly
  // count characters is written without terminator.
  if (n < 0 || n > count) return -1;
  std::memcpy(buffer, text.data(), size_t(n));
  if (n < count) buffer[n] = '\0';
  return n;
}

namespace detail {
std::string FormatPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out;
  FormatV(out, format, args);
  va_end(args);
  return out;
}
}  // namespace detail

std::string FormatInt(const char* format, int value) { return detail::FormatPrintf(format, value); }
