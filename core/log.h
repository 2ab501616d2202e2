#pragma once
// The log sink every diagnostic line passes through, debugger-output helpers
// and printf-style formatting into new std::strings.
#include <cstdarg>
#include <string>
#include <type_traits>

using LogCallback = void (*)(const char* text, int level);

// Callback (when set), then the debugger output, then the log file (when
// open). Null text does nothing.
void LogWrite(const char* text, int level = 0);
void SetLogCallback(LogCallback callback);
// open: closes any open log file, then creates path (mode "w") when given;
// true when it opened. !open: closes the log file; false when none was open.
bool SetLogFile(bool open, const char* path);

void DebugPrint(const std::string& text);
void DebugPrintWide(const std::wstring& text);

// Formats into buffer, writing at most count characters (and a terminator
// when there is room). The number of characters, or -1 when the text does
// not fit in count characters or the format fails.
int FormatIntoBuffer(char* buffer, int count, const char* format, ...);

namespace detail {
// The whole formatted text; empty when the formatter reports an error.
std::string FormatPrintf(const char* format, ...);

// What a printf argument list can carry: numbers, enums and pointers. A
// class object (std::string, CStr) passed through "..." would be read as
// garbage, so such a call does not compile.
template <class T>
concept PrintfArgument = std::is_arithmetic_v<T> || std::is_enum_v<T> || std::is_pointer_v<T> ||
    std::is_null_pointer_v<T>;
}  // namespace detail

// The FormatString family: the complete formatted text, whatever its length;
// an empty string when the formatter reports an error. Floats travel as
// double.
template <class... Args>
requires(detail::PrintfArgument<Args>&&...) std::string FormatString(const char* format, Args... args) {
  return detail::FormatPrintf(format, args...);
}

std::string FormatInt(const char* format, int value);
