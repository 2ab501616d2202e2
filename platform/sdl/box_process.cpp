#include "platform/sdl/box_process.h"

#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

namespace plat::sdl {

namespace {

constexpr int kQuitSignals[] = {SIGINT, SIGTERM};
constexpr int kQuitSignalCount = 2;

// A page shared with every process forked while a box is shown, so the box's
// process sees a signal that came after its fork and the program knows which
// process shows the box.
struct Shared {
  std::atomic<int> signal{0};   // the quit signal that came during the box, or 0
  std::atomic<pid_t> child{0};  // the process forked last during the box
};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<pid_t>::is_always_lock_free,
              "the page is shared between processes");

Shared* g_shared = nullptr;
std::atomic<bool> g_showing{false};
struct sigaction g_before[kQuitSignalCount];
bool g_replaced[kQuitSignalCount] = {};

// Runs first in every forked child. The child publishes its number before it
// looks for a signal, the handler publishes the signal before it looks for a
// child: of a signal and a fork that cross, one side always sees the other.
// The child ends as a process ended by that signal tells it in its exit
// status, which SDL's waits take for a failed box. Otherwise it goes on with
// the handlers from before, as SDL's own box process would.
void InForkedChild() {
  if (!g_showing.load()) return;
  g_shared->child.store(getpid());
  const int sig = g_shared->signal.load();
  if (sig != 0) _exit(128 + sig);
  for (int i = 0; i < kQuitSignalCount; ++i) {
    if (g_replaced[i]) sigaction(kQuitSignals[i], &g_before[i], nullptr);
  }
}

void OnQuitSignal(int sig) {
  const int savedErrno = errno;
  g_shared->signal.store(sig);
  const pid_t child = g_shared->child.load();
  // Only a child that nobody has waited for yet: the number of one that has
  // been waited for may already belong to another process.
  siginfo_t info;
  std::memset(&info, 0, sizeof info);
  if (child > 0 && waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0)
    kill(child, SIGKILL);
  errno = savedErrno;
}

bool Prepare() {
  static const bool ready = [] {
    void* page = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return false;
    g_shared = new (page) Shared;
    return pthread_atfork(nullptr, nullptr, InForkedChild) == 0;
  }();
  return ready;
}

// Puts the handlers from before back, then raises the signal that came.
struct Restore {
  ~Restore() {
    for (int i = 0; i < kQuitSignalCount; ++i) {
      if (g_replaced[i]) sigaction(kQuitSignals[i], &g_before[i], nullptr);
      g_replaced[i] = false;
    }
    g_showing.store(false);
    g_shared->child.store(0);
    const int sig = g_shared->signal.exchange(0);
    if (sig != 0) raise(sig);
  }
};

}  // namespace

int RunBoxUntilQuitSignal(const std::function<int()>& show) {
  // A box shown while another one is (a crash report) runs as it is.
  if (g_showing.load() || !Prepare()) return show();
  struct sigaction mine;
  std::memset(&mine, 0, sizeof mine);
  mine.sa_handler = OnQuitSignal;
  // A wait that does not retry by itself (SDL's zenity box) goes on until the
  // ended child is collected.
  mine.sa_flags = SA_RESTART;
  sigemptyset(&mine.sa_mask);
  for (int sig : kQuitSignals) sigaddset(&mine.sa_mask, sig);

  g_shared->signal.store(0);
  g_shared->child.store(0);
  g_showing.store(true);
  Restore restore;
  for (int i = 0; i < kQuitSignalCount; ++i) {
    if (sigaction(kQuitSignals[i], nullptr, &g_before[i]) != 0) continue;
    const bool handled = g_before[i].sa_handler != SIG_DFL && g_before[i].sa_handler != SIG_IGN;
    g_replaced[i] = handled && sigaction(kQuitSignals[i], &mine, nullptr) == 0;
  }
  return show();
}

}  // namespace plat::sdl
