// The SDL window system under SDL's dummy (and, where built, offscreen)
// video driver: open the game's window with a 16-bit back buffer, draw,
// present, get a posted message through the loop, close.
#include <gtest/gtest.h>

#include <SDL.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/message_box.h"
#include "platform/present.h"
#include "platform/cp1252.h"
#include "platform/sdl/box_process.h"
#include "platform/sdl/sdl_window.h"

namespace {

struct Seen {
  std::vector<uint32_t> messages;
};

plat::WindowProc Recorder(Seen* seen) {
  return [seen](plat::Window* w, uint32_t m, uintptr_t wp, intptr_t lp) -> intptr_t {
    seen->messages.push_back(m);
    if (m == plat::kMsgDestroy) {
      TheDisplay().Close(false);
      plat::GetWindowSystem()->PostQuitMessage(3);
      return 0;
    }
    return plat::DefaultWindowProc(w, m, wp, lp);
  };
}

// Reads the window's last rendered frame as 0xFFRRGGBB.
std::vector<uint32_t> ReadBack(plat::Window* window, int* w, int* h) {
  SDL_Window* sw = plat::sdl::NativeWindow(window);
  SDL_Renderer* r = sw ? SDL_GetRenderer(sw) : nullptr;
  std::vector<uint32_t> px;
  if (!r || SDL_GetRendererOutputSize(r, w, h) != 0) return px;
  px.resize(static_cast<size_t>(*w) * *h);
  if (SDL_RenderReadPixels(r, nullptr, SDL_PIXELFORMAT_ARGB8888, px.data(), *w * 4) != 0) px.clear();
  for (uint32_t& p : px) p |= 0xFF000000u;
  return px;
}

void RunGameWindow() {
  auto system = plat::sdl::CreateWindowSystem();
  ASSERT_EQ(plat::GetWindowSystem(), system.get());
  Seen seen;
  Display& display = TheDisplay();
  plat::Window* window = nullptr;
  ASSERT_EQ(display.CreateMainWindow(1280, 720, "Vantrel: Orvesse", nullptr, &window, Recorder(&seen), 102, true), 1);
  ASSERT_EQ(seen.messages.front(), plat::kMsgCreate);
  PixelFormat format;
  ASSERT_EQ(display.SetVideoMode(1280, 720, 16, false, &format), 1);
  EXPECT_EQ(format.maskR, 0x7C00u);
  EXPECT_EQ(window->ClientRect().right, 1280);

  FillRectColour(0, 0, 720, 1280, 0, 0, 0, nullptr);
  FillRectColour(100, 50, 20, 30, 255, 0, 0, nullptr);
  DrawLine(0, 700, 1280, 700, 0, 255, 0);
  ASSERT_EQ(display.Present(0), 1);
  int w = 0, h = 0;
  std::vector<uint32_t> shot = ReadBack(window, &w, &h);
  ASSERT_FALSE(shot.empty()) << SDL_GetError();
  {
    ASSERT_EQ(w, 1280);
    ASSERT_EQ(h, 720);
    EXPECT_EQ(shot[50 * 1280 + 100], 0xFFFF0000u);
    EXPECT_EQ(shot[69 * 1280 + 129], 0xFFFF0000u);
    EXPECT_EQ(shot[70 * 1280 + 129], 0xFF000000u);
    EXPECT_EQ(shot[700 * 1280 + 640], 0xFF00FF00u);
  }

  // A smaller buffer is letterboxed with black bars on both sides.
  ASSERT_EQ(display.SetVideoMode(640, 480, 16, false, &format), 1);
  FillRectColour(0, 0, 480, 640, 255, 255, 255, nullptr);
  ASSERT_EQ(display.Present(0), 1);
  shot = ReadBack(window, &w, &h);
  ASSERT_EQ(shot.size(), 1280u * 720u);
  {
    EXPECT_EQ(shot[360 * 1280 + 159], 0xFF000000u);
    EXPECT_EQ(shot[360 * 1280 + 160], 0xFFFFFFFFu);
    EXPECT_EQ(shot[360 * 1280 + 1119], 0xFFFFFFFFu);
    EXPECT_EQ(shot[360 * 1280 + 1120], 0xFF000000u);
  }

  // Full screen and back keep the buffer's size.
  ASSERT_EQ(display.SetVideoMode(640, 480, 16, true, &format), 1);
  EXPECT_EQ(window->Style(), plat::WindowStyle::kFullScreen);
  EXPECT_EQ(display.surface.Width(), 640);
  EXPECT_EQ(window->ClientRect().right, system->ScreenWidth());
  EXPECT_EQ(window->ClientRect().bottom, system->ScreenHeight());
  EXPECT_EQ(display.Present(0), 1);
  ASSERT_EQ(display.SetVideoMode(1280, 720, 16, false, &format), 1);
  EXPECT_EQ(window->Style(), plat::WindowStyle::kFramedSizable);

  window->ConfineCursor(true);
  window->ConfineCursor(false);
  window->WarpCursor(10, 10);
  system->ShowCursor(false);
  system->ShowCursor(true);

  // A posted message arrives through the loop; then the close runs the
  // normal shutdown: destroy, quit with the code.
  ASSERT_TRUE(system->PostMessage(window, plat::kMsgUser + 1000, 5, 6));
  ASSERT_TRUE(system->PostMessage(window, plat::kMsgClose, 0, 0));
  plat::Message msg;
  int turns = 0;
  bool sawUser = false;
  while (turns++ < 10000) {
    if (!system->PeekMessage(&msg, false)) continue;
    if (!system->GetMessage(&msg)) break;
    if (msg.message == plat::kMsgUser + 1000) {
      sawUser = true;
      EXPECT_EQ(msg.wParam, 5u);
      EXPECT_EQ(msg.lParam, 6);
    }
    plat::WindowSystem::DispatchMessage(msg);
  }
  EXPECT_TRUE(sawUser);
  EXPECT_EQ(msg.message, plat::kMsgQuit);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(window->IsAlive());
  EXPECT_EQ(display.window, nullptr);
  EXPECT_EQ(seen.messages.back(), plat::kMsgDestroy);
}

TEST(SdlWindow, DummyDriverGameWindow) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  RunGameWindow();
  EXPECT_EQ(plat::GetWindowSystem(), nullptr);
}

TEST(SdlWindow, OffscreenDriverGameWindow) {
#if defined(__SANITIZE_ADDRESS__)
  // The offscreen driver loads the system's EGL libraries, which keep
  // allocations past exit; the dummy driver runs the same path here.
  GTEST_SKIP() << "offscreen driver not run under the leak checker";
#endif
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  // SDL's own software renderer: the GL drivers that offscreen would load
  // otherwise keep allocations past exit, which the leak checker reports.
  setenv("SDL_RENDER_DRIVER", "software", 1);
  bool available = false;
  for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) available |= std::string(SDL_GetVideoDriver(i)) == "offscreen";
  if (!available) GTEST_SKIP() << "SDL has no offscreen driver";
  RunGameWindow();
}

// Fills a rectangle of the locked 16-bit back buffer with a 5-5-5 value.
void FillBuffer(Display& d, int x, int y, int w, int h, uint16_t v) {
  SurfaceLock lock;
  ASSERT_TRUE(d.Lock(&lock));
  for (int row = y; row < y + h; ++row)
    for (int col = x; col < x + w; ++col) std::memcpy(lock.bits + row * lock.pitch + col * 2, &v, 2);
  d.Unlock();
}

// A present that lists dirty rectangles sends the window only those, into
// the window surface at the buffer's own size and into the renderer's
// texture when scaled; whenever the window may not show the buffer as it
// is (new mode, new colours, lost contents), the whole buffer goes.
TEST(SdlWindow, DirtyPresentSendsWhatChanged) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  auto system = plat::sdl::CreateWindowSystem();
  Display d;
  plat::Window* window = nullptr;
  ASSERT_EQ(d.CreateMainWindow(320, 240, "T", nullptr, &window, plat::DefaultWindowProc, 0, true), 1);
  ASSERT_EQ(d.SetVideoMode(320, 240, 16, false, nullptr), 1);
  const uint32_t black = 0xFF000000u, red = 0xFFFF0000u, green = 0xFF00FF00u, blue = 0xFF0000FFu;
  int w = 0, h = 0;
  const auto at = [&](int x, int y) {
    std::vector<uint32_t> shot = ReadBack(window, &w, &h);
    return shot.empty() ? 0u : shot[static_cast<size_t>(y) * w + x];
  };

  FillBuffer(d, 0, 0, 320, 240, 0);
  ASSERT_EQ(d.Present(0), 1);
  EXPECT_EQ(at(0, 0), black);

  // Only the listed rectangle reaches the window.
  FillBuffer(d, 20, 30, 10, 10, 0x7C00);
  FillBuffer(d, 200, 100, 4, 4, 0x03E0);
  ASSERT_TRUE(d.AddDirtyRect(20, 30, 10, 10));
  ASSERT_EQ(d.Present(kPresentDirtyOnly), 1);
  EXPECT_EQ(at(20, 30), red);
  EXPECT_EQ(at(29, 39), red);
  EXPECT_EQ(at(30, 40), black);
  EXPECT_EQ(at(200, 100), black);

  // Contents lost (painted over) and the window invalidated: the next
  // present, dirty list or not, sends the whole buffer again.
  SDL_Surface* surface = SDL_GetWindowSurface(plat::sdl::NativeWindow(window));
  ASSERT_NE(surface, nullptr);
  SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 255, 255, 255));
  window->Invalidate();
  ASSERT_TRUE(d.AddDirtyRect(0, 0, 1, 1));
  ASSERT_EQ(d.Present(kPresentDirtyOnly), 1);
  EXPECT_EQ(at(319, 239), black);
  EXPECT_EQ(at(25, 35), red);

  // A scaled buffer (twice the size) takes dirty rectangles through the
  // renderer's texture.
  ASSERT_EQ(d.SetVideoMode(160, 120, 16, false, nullptr), 1);
  FillBuffer(d, 0, 0, 160, 120, 0x001F);
  ASSERT_EQ(d.Present(0), 1);
  EXPECT_EQ(at(0, 0), blue);
  EXPECT_EQ(at(319, 239), blue);
  FillBuffer(d, 50, 60, 2, 2, 0x7C00);
  FillBuffer(d, 100, 10, 2, 2, 0x03E0);
  ASSERT_TRUE(d.AddDirtyRect(50, 60, 2, 2));
  ASSERT_EQ(d.Present(kPresentDirtyOnly), 1);
  EXPECT_EQ(at(100, 120), red);
  EXPECT_EQ(at(103, 123), red);
  EXPECT_EQ(at(104, 124), blue);
  EXPECT_EQ(at(200, 20), blue);

  // Back at the window's size: the new buffers go whole even when only a
  // small rectangle is listed (outside it, the new presentation buffer is
  // still black where the window showed blue).
  ASSERT_EQ(d.SetVideoMode(320, 240, 16, false, nullptr), 1);
  FillBuffer(d, 0, 0, 320, 240, 0x03E0);
  ASSERT_TRUE(d.AddDirtyRect(0, 0, 2, 2));
  ASSERT_EQ(d.Present(kPresentDirtyOnly), 1);
  EXPECT_EQ(at(0, 0), green);
  EXPECT_EQ(at(300, 200), black);

  // New colours of an 8-bit buffer change every pixel: all of it goes.
  ASSERT_EQ(d.SetVideoMode(320, 240, 8, false, nullptr), 1);
  uint8_t palette[256][4] = {};
  palette[1][0] = 255;
  d.SetPalette(palette);
  SurfaceLock lock;
  ASSERT_TRUE(d.Lock(&lock));
  for (int row = 0; row < 240; ++row) std::memset(lock.bits + row * lock.pitch, 1, 320);
  d.Unlock();
  ASSERT_EQ(d.Present(0), 1);
  EXPECT_EQ(at(160, 120), red);
  palette[1][0] = 0;
  palette[1][1] = 255;
  d.SetPalette(palette);
  ASSERT_TRUE(d.AddDirtyRect(0, 0, 1, 1));
  ASSERT_EQ(d.Present(kPresentDirtyOnly), 1);
  EXPECT_EQ(at(160, 120), green);
  d.Close(true);
}

TEST(SdlWindow, TimerMessages) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  auto system = plat::sdl::CreateWindowSystem();
  plat::WindowDesc desc;
  desc.proc = plat::DefaultWindowProc;
  plat::Window* w = system->CreateMainWindow(desc);
  ASSERT_NE(w, nullptr);
  w->SetTimer(1, 20);
  plat::Message msg;
  ASSERT_TRUE(system->GetMessage(&msg));  // waits for the timer
  EXPECT_EQ(msg.message, plat::kMsgTimer);
  EXPECT_EQ(msg.wParam, 1u);
  w->Destroy();
}

TEST(SdlWindow, WithoutVideoWindowsFailButBoxesAnswer) {
  setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
  // No display either, so the box cannot appear on a desktop and wait.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  auto system = plat::sdl::CreateWindowSystem();
  Display d;
  EXPECT_EQ(d.CreateMainWindow(64, 64, "T", nullptr, nullptr, nullptr, 0, true), 0);
  EXPECT_EQ(plat::ShowMessageBox(nullptr, "Could not open Window!", "Fatal Error", 0), plat::kIdOk);
}

// Events pushed into SDL's queue come out as window messages.
class SdlEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    system = plat::sdl::CreateWindowSystem();
    plat::WindowDesc desc;
    desc.proc = plat::DefaultWindowProc;
    window = system->CreateMainWindow(desc);
    ASSERT_NE(window, nullptr);
    id = SDL_GetWindowID(plat::sdl::NativeWindow(window));
    Drain();
  }
  std::vector<plat::Message> Drain() {
    std::vector<plat::Message> got;
    plat::Message m;
    while (system->PeekMessage(&m, true)) {
      if (m.message != plat::kMsgPaint) got.push_back(m);
    }
    return got;
  }
  void Key(uint32_t type, SDL_Keycode sym, bool repeat = false) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = id;
    e.key.keysym.sym = sym;
    e.key.repeat = repeat ? 1 : 0;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&e);
  }
  void Text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = id;
    std::strncpy(e.text.text, utf8, sizeof(e.text.text) - 1);
    SDL_PushEvent(&e);
  }
  void WindowEvent(uint8_t ev) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = id;
    e.window.event = ev;
    SDL_PushEvent(&e);
  }
  std::unique_ptr<plat::WindowSystem> system;
  plat::Window* window = nullptr;
  uint32_t id = 0;
};

TEST_F(SdlEvents, KeysAndCharacters) {
  Key(SDL_KEYDOWN, SDLK_p);
  Text("p");
  Key(SDL_KEYDOWN, SDLK_p, true);  // auto-repeat: another key-down
  Key(SDL_KEYUP, SDLK_p);
  Key(SDL_KEYDOWN, SDLK_ESCAPE);
  Key(SDL_KEYDOWN, SDLK_F7);
  Key(SDL_KEYDOWN, SDLK_UP);
  Key(SDL_KEYDOWN, SDLK_RETURN);
  Key(SDL_KEYDOWN, SDLK_BACKSPACE);
  Key(SDL_KEYDOWN, SDLK_TAB);
  Text("\t");  // a text event for the tab too: one character all the same
  Key(SDL_KEYDOWN, SDLK_F12);
  Text("\xC3\xA5\xE6\x97\xA5");  // å and a character Windows-1252 cannot hold
  std::vector<std::pair<uint32_t, uintptr_t>> want = {
      {plat::kMsgKeyDown, 'P'},
      {plat::kMsgChar, 'p'},
      {plat::kMsgKeyDown, 'P'},
      {plat::kMsgKeyUp, 'P'},
      {plat::kMsgKeyDown, plat::kKeyEscape},
      {plat::kMsgChar, 27},
      {plat::kMsgKeyDown, plat::kKeyF1 + 6},
      {plat::kMsgKeyDown, plat::kKeyUp},
      {plat::kMsgKeyDown, plat::kKeyEnter},
      {plat::kMsgChar, 13},
      {plat::kMsgKeyDown, plat::kKeyBackspace},
      {plat::kMsgChar, 8},
      {plat::kMsgKeyDown, plat::kKeyTab},
      {plat::kMsgChar, 9},
      {plat::kMsgKeyDown, plat::kKeyF12},
      {plat::kMsgChar, 0xE5},
  };
  std::vector<std::pair<uint32_t, uintptr_t>> got;
  for (const plat::Message& m : Drain()) got.emplace_back(m.message, m.wParam);
  EXPECT_EQ(got, want);
}

TEST_F(SdlEvents, MouseCarriesClientPositionAndButtons) {
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = id;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 300;
  e.button.y = 200;
  SDL_PushEvent(&e);
  e = {};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = id;
  e.motion.x = 310;
  e.motion.y = 205;
  SDL_PushEvent(&e);
  e = {};
  e.type = SDL_MOUSEBUTTONUP;
  e.button.windowID = id;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 311;
  e.button.y = 206;
  SDL_PushEvent(&e);
  e = {};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.windowID = id;
  e.wheel.y = -1;
  SDL_PushEvent(&e);
  std::vector<plat::Message> got = Drain();
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].message, plat::kMsgLButtonDown);
  EXPECT_EQ(got[0].wParam & plat::kButtonLeft, plat::kButtonLeft);
  EXPECT_EQ(plat::LowWord(got[0].lParam), 300u);
  EXPECT_EQ(plat::HighWord(got[0].lParam), 200u);
  EXPECT_EQ(got[1].message, plat::kMsgMouseMove);
  EXPECT_EQ(got[1].wParam & plat::kButtonLeft, plat::kButtonLeft);
  EXPECT_EQ(plat::LowWord(got[1].lParam), 310u);
  EXPECT_EQ(got[2].message, plat::kMsgLButtonUp);
  EXPECT_EQ(got[2].wParam & plat::kButtonLeft, 0u);
  EXPECT_EQ(got[3].message, plat::kMsgMouseWheel);
  EXPECT_EQ(plat::SignedHighWord(got[3].wParam), -plat::kWheelDelta);
}

TEST_F(SdlEvents, WindowEventsBecomeActivationPaintAndClose) {
  WindowEvent(SDL_WINDOWEVENT_MINIMIZED);
  WindowEvent(SDL_WINDOWEVENT_RESTORED);
  WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  WindowEvent(SDL_WINDOWEVENT_MAXIMIZED);  // the user's: reported
  WindowEvent(SDL_WINDOWEVENT_CLOSE);
  std::vector<plat::Message> got = Drain();
  std::vector<std::pair<uint32_t, uintptr_t>> seen;
  for (const plat::Message& m : got) seen.emplace_back(m.message, m.wParam);
  std::vector<std::pair<uint32_t, uintptr_t>> want = {
      {plat::kMsgActivate, plat::MakeWParam(plat::kInactive, 1)},
      {plat::kMsgSize, plat::kSizeMinimised},
      {plat::kMsgActivate, plat::MakeWParam(plat::kActive, 0)},
      {plat::kMsgActivateApp, 0},
      {plat::kMsgActivateApp, 1},
      {plat::kMsgActivate, plat::MakeWParam(plat::kActive, 0)},
      {plat::kMsgSize, plat::kSizeMaximised},
      {plat::kMsgClose, 0},
  };
  EXPECT_EQ(seen, want);
  // Expose asks for a paint.
  WindowEvent(SDL_WINDOWEVENT_EXPOSED);
  plat::Message m;
  ASSERT_TRUE(system->PeekMessage(&m, true));
  EXPECT_EQ(m.message, plat::kMsgPaint);
  // A maximise right after entering or leaving full screen is the mode
  // change's own, never the user's.
  window->SetStyle(plat::WindowStyle::kFullScreen);
  window->SetStyle(plat::WindowStyle::kFramedSizable);
  Drain();
  WindowEvent(SDL_WINDOWEVENT_MAXIMIZED);
  for (const plat::Message& g : Drain()) EXPECT_NE(g.message, plat::kMsgSize);
  // Nor is one that arrives while the window is full screen, however late.
  window->SetStyle(plat::WindowStyle::kFullScreen);
  Drain();
  SDL_Delay(600);
  WindowEvent(SDL_WINDOWEVENT_MAXIMIZED);
  for (const plat::Message& g : Drain()) {
    EXPECT_FALSE(g.message == plat::kMsgSize && g.wParam == plat::kSizeMaximised);
  }
}

TEST_F(SdlEvents, QuitAndInterruptBecomeClose) {
  SDL_Event e{};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  std::vector<plat::Message> got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, plat::kMsgClose);
  EXPECT_EQ(got[0].window, window);
  // SIGINT and SIGTERM reach the program as SDL's quit, so the close runs
  // as well.
  for (int sig : {SIGINT, SIGTERM}) {
    std::raise(sig);
    got = Drain();
    ASSERT_EQ(got.size(), 1u) << sig;
    EXPECT_EQ(got[0].message, plat::kMsgClose) << sig;
  }
}

TEST_F(SdlEvents, TimedWaitEndsForAMessageAnEventOrAWindowTimer) {
  EXPECT_FALSE(system->WaitMessageFor(0));
  EXPECT_FALSE(system->WaitMessageFor(2));

  // A posted message: at once.
  ASSERT_TRUE(system->PostMessage(window, plat::kMsgUser + 7, 0, 0));
  EXPECT_TRUE(system->WaitMessageFor(60000));
  std::vector<plat::Message> got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, plat::kMsgUser + 7);

  // An event that comes from another thread during the wait.
  std::thread user([this] {
    SDL_Delay(20);
    Key(SDL_KEYDOWN, SDLK_p);
  });
  const bool woke = system->WaitMessageFor(60000);
  user.join();
  EXPECT_TRUE(woke);
  got = Drain();
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got[0].message, plat::kMsgKeyDown);

  // A window timer falls due within a long wait: the wait ends for it.
  window->SetTimer(2, 20);
  EXPECT_TRUE(system->WaitMessageFor(60000));
  got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, plat::kMsgTimer);
}

// A box's process that would wait, and after how long the tests below give
// up on it: a box that a quit signal fails to end then ends by itself and
// the test fails instead of hanging.
constexpr int kGuardSeconds = 20;

// The quit signal handlers as they are now.
std::pair<void (*)(int), void (*)(int)> QuitHandlers() {
  struct sigaction intAction {
  }, termAction{};
  sigaction(SIGINT, nullptr, &intAction);
  sigaction(SIGTERM, nullptr, &termAction);
  return {intAction.sa_handler, termAction.sa_handler};
}

// The shape of SDL's box call: fork the process that shows the box, wait for
// it however often a signal interrupts the wait. The child runs `box`; the
// result is its exit status, or 1000 + the signal that ended it.
int ForkedBox(void (*box)()) {
  const pid_t pid = fork();
  if (pid == 0) {
    box();
    _exit(0);
  }
  int status = 0;
  pid_t done;
  do {
    done = waitpid(pid, &status, 0);
  } while (done == -1 && errno == EINTR);
  if (done != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

constexpr int kLate = 99;
void WaitUnanswered() {
  sleep(kGuardSeconds);
  _exit(kLate);
}

TEST_F(SdlEvents, QuitSignalsEndTheBoxProcessAndStillQuit) {
  struct Case {
    const char* name;
    int (*show)();
    int result;
    bool quits;
  } cases[] = {
      {"answered", [] { return ForkedBox([] { _exit(7); }); }, 7, false},
      {"SIGTERM while open",
       [] {
         return ForkedBox([] {
           kill(getppid(), SIGTERM);
           WaitUnanswered();
         });
       },
       1000 + SIGKILL, true},
      {"SIGINT while open",
       [] {
         return ForkedBox([] {
           kill(getppid(), SIGINT);
           WaitUnanswered();
         });
       },
       1000 + SIGKILL, true},
      // The signal comes before the box's process is forked: that process
      // ends as it starts.
      {"SIGTERM before the fork",
       [] {
         std::raise(SIGTERM);
         return ForkedBox(WaitUnanswered);
       },
       128 + SIGTERM, true},
  };
  const auto before = QuitHandlers();
  for (const Case& c : cases) {
    EXPECT_EQ(plat::sdl::RunBoxUntilQuitSignal(c.show), c.result) << c.name;
    EXPECT_EQ(QuitHandlers(), before) << c.name;
    std::vector<plat::Message> got = Drain();
    ASSERT_EQ(got.size(), c.quits ? 1u : 0u) << c.name;
    if (c.quits) {
      EXPECT_EQ(got[0].message, plat::kMsgClose) << c.name;
    }
  }
}

// An X display that takes connections and never answers them: SDL's box
// process waits on it as on a box that nobody answers. The socket is in the
// abstract namespace, where Xlib looks first, so no file is left behind.
class SilentDisplay {
 public:
  SilentDisplay() {
    for (int n = 4000 + getpid() % 4000; n < 9000 && listener_ < 0; ++n) {
      const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      const std::string name = "/tmp/.X11-unix/X" + std::to_string(n);
      std::memcpy(address.sun_path + 1, name.data(), name.size());
      const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
      if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 && listen(fd, 4) == 0) {
        listener_ = fd;
        setenv("DISPLAY", (":" + std::to_string(n)).c_str(), 1);
      } else if (fd >= 0) {
        close(fd);
      }
    }
  }
  ~SilentDisplay() {
    for (int fd : clients_) close(fd);
    if (listener_ >= 0) close(listener_);
    unsetenv("DISPLAY");
  }
  bool Usable() const { return listener_ >= 0; }

  // Until `done` becomes readable: takes every client that connects, and
  // sends `sig` (when not 0) to this process once the first has. After
  // kGuardSeconds without news it drops its clients (their box fails) and
  // tells so in guardFired.
  void Serve(int done, int sig) {
    for (;;) {
      pollfd fds[2] = {{listener_, POLLIN, 0}, {done, POLLIN, 0}};
      const int ready = poll(fds, 2, kGuardSeconds * 1000);
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) {
        guardFired = true;
        for (int fd : clients_) close(fd);
        clients_.clear();
        continue;
      }
      if (fds[1].revents) return;
      const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      clients_.push_back(client);
      ++connections;
      if (connections == 1 && sig != 0) kill(getpid(), sig);
    }
  }

  int connections = 0;
  bool guardFired = false;

 private:
  int listener_ = -1;
  std::vector<int> clients_;
};

// SDL's own box, on a display that never answers: a quit signal while it is
// open ends it, and one that came before it keeps it from opening; either
// way the quit still reaches the loop as a close.
TEST(SdlWindow, QuitSignalsEndOrSkipTheBox) {
  enum class When { kWhileOpen, kPending, kDelivered };
  struct Case {
    const char* name;
    When when;
    int signal;
  } cases[] = {
      {"SIGTERM while open", When::kWhileOpen, SIGTERM},
      {"SIGINT while open", When::kWhileOpen, SIGINT},
      {"SIGTERM not yet pumped", When::kPending, SIGTERM},
      {"SIGTERM already a close", When::kDelivered, SIGTERM},
  };
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  for (const Case& c : cases) {
    auto system = plat::sdl::CreateWindowSystem();
    plat::WindowDesc desc;
    desc.proc = plat::DefaultWindowProc;
    plat::Window* window = system->CreateMainWindow(desc);
    ASSERT_NE(window, nullptr);
    // Only the box looks for the display; SDL itself starts without one.
    SilentDisplay display;
    ASSERT_TRUE(display.Usable());
    auto drain = [&] {
      std::vector<uint32_t> got;
      plat::Message m;
      while (system->PeekMessage(&m, true)) {
        if (m.message != plat::kMsgPaint) got.push_back(m.message);
      }
      return got;
    };
    drain();
    if (c.when != When::kWhileOpen) std::raise(c.signal);
    if (c.when == When::kDelivered) {
      EXPECT_EQ(drain(), std::vector<uint32_t>{plat::kMsgClose}) << c.name;
    }

    int done[2];
    ASSERT_EQ(pipe2(done, O_CLOEXEC), 0);
    std::thread server([&] { display.Serve(done[0], c.when == When::kWhileOpen ? c.signal : 0); });
    const int32_t answer = plat::ShowMessageBox(nullptr, "Could not save the settings!", "Error!",
                                                plat::kMbOkCancel | plat::kMbIconError);
    ASSERT_EQ(write(done[1], "x", 1), 1);
    server.join();
    close(done[0]);
    close(done[1]);

    EXPECT_EQ(answer, plat::kIdOk) << c.name;
    EXPECT_FALSE(display.guardFired) << c.name;
    EXPECT_EQ(display.connections, c.when == When::kWhileOpen ? 1 : 0) << c.name;
    const std::vector<uint32_t> after = drain();
    const std::vector<uint32_t> expected = c.when == When::kDelivered ? std::vector<uint32_t>{}
                                                                      : std::vector<uint32_t>{plat::kMsgClose};
    EXPECT_EQ(after, expected) << c.name;
    window->Destroy();
  }
}

TEST(Cp1252, Utf8ToBytes) {
  struct Case {
    const char* utf8;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"abc", {'a', 'b', 'c'}},
      {"\xC3\xA5\xC3\x85\xC3\xA4\xC3\x84\xC3\xB6\xC3\x96", {0xE5, 0xC5, 0xE4, 0xC4, 0xF6, 0xD6}},  // å Å ä Ä ö Ö
      {"\xE2\x82\xAC", {0x80}},                                                                    // euro sign
      {"\xC5\xB8\xE2\x84\xA2", {0x9F, 0x99}},                                                      // Ÿ ™
      {"a\xE6\x97\xA5z", {'a', 'z'}},  // a CJK character is dropped
      {"\xF0\x9F\x98\x80", {}},        // outside the BMP
      {"\xC2\x81", {}},                // U+0081 has no byte
      {"\xC0\xAF!", {'!'}},            // overlong form refused
      {"\xE2\x82", {}},                // truncated sequence
      {"\x80x", {'x'}},                // stray continuation byte
  };
  for (const Case& c : cases) EXPECT_EQ(plat::Utf8ToCp1252(c.utf8), c.bytes) << c.utf8;
}

TEST(Cp1252, BytesToUtf8RoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = plat::Cp1252ToUtf8(all);
  std::vector<uint8_t> back = plat::Utf8ToCp1252(utf8);
  std::vector<uint8_t> want;
  for (int b = 1; b < 256; ++b) {
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;  // undefined bytes
    want.push_back(static_cast<uint8_t>(b));
  }
  EXPECT_EQ(back, want);
  EXPECT_EQ(plat::Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
}

}  // namespace
