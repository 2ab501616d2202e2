#pragma once
// The process-wide crash hook: one handler that hears of an exception no
// one caught and of the fatal signals, so the program can tell the player
// and write a report before it ends.
#include <exception>
#include <string>

namespace plat {

struct CrashInfo {
  enum class Kind { kException, kSignal };
  Kind kind = Kind::kException;
  // kException: what std::terminate found being thrown (may be null when
  // terminate was called without an exception).
  std::exception_ptr exception;
  // kSignal: the signal and its si_code.
  int signalNumber = 0;
  int signalCode = 0;
};

using CrashHandler = void (*)(const CrashInfo&);

// Installs the handler: std::set_terminate for uncaught exceptions (the
// process then ends in abort), sigaction on an alternate stack for SIGSEGV,
// SIGBUS, SIGFPE, SIGILL and SIGABRT. After the handler the default action
// is restored and the signal raised again, so the process dies the way it
// would have. A fault inside the handler goes straight to the default
// action. Installing again replaces the handler.
void InstallCrashHandler(CrashHandler handler);

// Inside a catch block: the demangled type name of the exception being
// handled ("std::runtime_error"); "" when none is being handled.
std::string DemangledExceptionType();

}  // namespace plat
