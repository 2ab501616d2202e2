// Opens a sample tool dialog and a display window with the Qt back end, for
// a look at them (run under xvfb-run; --shot FILE saves the screen and ends).
#include <cstring>
#include <functional>
#include <string>

#include "graphics/display.h"
#include "platform/dialog.h"
#include "platform/qt/qt_platform.h"

// qt_sample_shot.cpp (kept apart: the toolkit's X11 headers also name a
// type Display).
void SaveScreenAfter(int ms, const std::string& path, std::function<void()> then);

int main(int argc, char** argv) {
  std::string shot;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--shot") == 0) shot = argv[i + 1];
  }
  auto platform = plat::qt::QtPlatform::Create(argc, argv);

  Display display;
  plat::Window* window = nullptr;
  auto proc = [&](plat::Window* w, uint32_t m, uintptr_t wp, intptr_t lp) -> intptr_t {
    if (m == plat::kMsgPaint) {
      SurfaceLock lock;
      if (display.Lock(&lock)) {
        for (int32_t y = 0; y < lock.height; ++y) {
          auto* row = reinterpret_cast<uint16_t*>(lock.bits + static_cast<intptr_t>(y) * lock.pitch);
          for (int32_t x = 0; x < lock.width; ++x) {
            const uint16_t r = static_cast<uint16_t>(x * 31 / lock.width);
            const uint16_t g = static_cast<uint16_t>(y * 31 / lock.height);
            const uint16_t b = ((x / 32 + y / 32) % 2) ? 31 : 8;
            row[x] = static_cast<uint16_t>(r << 10 | g << 5 | b);
          }
        }
        display.Unlock();
      }
      display.Present(0);
      return 0;
    }
    if (m == plat::kMsgDestroy) plat::GetWindowSystem()->PostQuitMessage(0);
    return plat::DefaultWindowProc(w, m, wp, lp);
  };
  display.SetCentreWindow(false);
  if (!display.CreateMainWindow(320, 240, "Sample Board View", nullptr, &window, proc, 0, true)) return 1;
  if (!display.SetVideoMode(320, 240, 16, false, nullptr)) return 1;
  display.MoveWindowTo(600, 40);

  using plat::ControlKind;
  plat::DialogDesc desc;
  desc.title = "Sample Tool \x96 Caf\xE9";
  desc.width = 317;
  desc.height = 206;
  desc.controls = {
      {plat::kNoControlId, ControlKind::kLabel, "Workshop Item Folder", {9, 10, 76, 10}},
      {1000, ControlKind::kEdit, "/home/author/boards", {7, 20, 227, 14}, plat::kCtlReadOnly | plat::kCtlRightAlign},
      {1001, ControlKind::kButton, "Select", {238, 20, 72, 16}},
      {plat::kNoControlId, ControlKind::kGroupBox, "Workshop Item Details", {14, 42, 296, 107}},
      {plat::kNoControlId, ControlKind::kLabel, "Title:", {19, 77, 35, 11}},
      {1005, ControlKind::kEdit, "My Boards", {71, 73, 231, 14}, 0, 255},
      {1022, ControlKind::kCheckBox, "Widescreen:", {19, 58, 60, 11}},
      {1012, ControlKind::kDropDown, "", {120, 56, 100, 60}},
      {1007, ControlKind::kButton, "Goto Item page", {221, 55, 82, 16}, plat::kCtlDisabled},
      {1006, ControlKind::kEdit, "Line one\r\nLine two", {70, 91, 232, 34}, plat::kCtlMultiLine | plat::kCtlVScroll},
      {1001 + 100, ControlKind::kListBox, "", {18, 91, 48, 50}, plat::kCtlNotify},
      {1003, ControlKind::kEdit, "", {7, 155, 223, 44}, plat::kCtlReadOnly | plat::kCtlMultiLine | plat::kCtlVScroll},
      {1002, ControlKind::kDefaultButton, "Upload", {238, 155, 72, 44}},
  };
  desc.menus = {{"&File", {{"&Open", 40002}, {"", 0}, {"E&xit", 40004}}}, {"&View", {{"Show &Grid", 40007, true}}}};
  desc.proc = [&](plat::Dialog* d, uint32_t m, uintptr_t wp, intptr_t) -> intptr_t {
    if (m == plat::kMsgInitDialog) {
      d->AddItem(1012, "0 Sky");
      d->AddItem(1012, "1 Sea");
      d->SetSelection(1012, 1);
      for (const char* s : {"0 brick", "1 ball", "2 paddle"}) d->AddItem(1101, s);
      d->SetSelection(1101, 1);
      d->Check(1022, true);
      d->SetText(1003, "Defining new mod...\r\n1\r\n2\r\n");
      d->ScrollToEnd(1003);
      return 1;
    }
    if (m == plat::kMsgClose || (m == plat::kMsgCommand && plat::LowWord(wp) == 40004)) {
      d->Destroy();
      if (window) window->Destroy();
      return 1;
    }
    return 0;
  };
  plat::Dialog* dialog = platform->Dialogs()->CreateModeless(desc, nullptr);
  if (!dialog) return 1;
  dialog->MoveOuter(20, 40, 0, 0, false);
  dialog->Show(true);

  if (!shot.empty()) {
    SaveScreenAfter(800, shot, [] { plat::GetWindowSystem()->PostQuitMessage(0); });
  }
  plat::WindowSystem* windows = platform->Windows();
  plat::Message msg;
  while (windows->GetMessage(&msg)) plat::WindowSystem::DispatchMessage(msg);
  return static_cast<int>(msg.wParam);
}
