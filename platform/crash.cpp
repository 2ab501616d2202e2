#include "platform/crash.h"

#include <cxxabi.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <typeinfo>

namespace plat {

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

std::atomic<CrashHandler> g_handler{nullptr};
std::atomic<bool> g_inHandler{false};
// The alternate stack: a fault from a stack overflow still gets a handler.
alignas(16) char g_altStack[64 * 1024];

void RestoreDefaults() {
  for (int sig : kFatalSignals) {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
}

void OnSignal(int sig, siginfo_t* info, void*) {
  // From here on every fatal signal, a second fault inside the handler
  // included, takes its default action.
  RestoreDefaults();
  if (!g_inHandler.exchange(true)) {
    CrashHandler handler = g_handler.load();
    if (handler) {
      CrashInfo crash;
      crash.kind = CrashInfo::Kind::kSignal;
      crash.signalNumber = sig;
      crash.signalCode = info ? info->si_code : 0;
      handler(crash);
    }
  }
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  _exit(128 + sig);
}

[[noreturn]] void OnTerminate() {
  // abort() below must not run the signal path a second time.
  RestoreDefaults();
  if (!g_inHandler.exchange(true)) {
    CrashHandler handler = g_handler.load();
    if (handler) {
      CrashInfo crash;
      crash.kind = CrashInfo::Kind::kException;
      crash.exception = std::current_exception();
      try {
        handler(crash);
      } catch (...) {
      }
    }
  }
  std::abort();
}

}  // namespace

void InstallCrashHandler(CrashHandler handler) {
  g_handler.store(handler);
  g_inHandler.store(false);
  std::set_terminate(OnTerminate);

  stack_t ss;
  std::memset(&ss, 0, sizeof ss);
  ss.ss_sp = g_altStack;
  ss.ss_size = sizeof g_altStack;
  sigaltstack(&ss, nullptr);

  for (int sig : kFatalSignals) {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_sigaction = OnSignal;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
}

std::string DemangledExceptionType() {
  const std::type_info* type = abi::__cxa_current_exception_type();
  if (!type) return std::string();
  int status = 0;
  char* name = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
  std::string result = (status == 0 && name) ? std::string(name) : std::string(type->name());
  std::free(name);
  return result;
}

}  // namespace plat
