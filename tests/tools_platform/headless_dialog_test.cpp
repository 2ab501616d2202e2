// The in-memory dialog system driven through a small dialog procedure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/headless/headless_dialog.h"
#include "platform/headless/headless_window.h"
#include "platform/message_box.h"

using plat::ControlKind;
using plat::headless::HeadlessDialog;
using plat::headless::HeadlessDialogSystem;

namespace {

enum : int32_t {
  kList = 1001,
  kAdd = 1002,
  kName = 1016,
  kCount = 1020,
  kWide = 1022,
  kCombo = 1012,
  kRemove = 1009,
  kLog = 1003,
  kMenuGrid = 40007,
  kMenuExit = 40004,
};
constexpr uint32_t kRefresh = plat::kMsgUser + 100;

struct Event {
  uint32_t message;
  int32_t id;
  uint32_t notify;
  intptr_t lParam;
};

// A small tool dialog: a list of names, a name field, a number, a check
// box, a drop-down and a menu check mark. It keeps a log of what it got.
struct TestTool {
  std::vector<std::string> names;
  int32_t current = 0;
  int32_t number = 0;
  bool grid = true;
  std::vector<Event> events;

  plat::DialogDesc Desc() {
    plat::DialogDesc d;
    d.title = "Tool";
    d.width = 300;
    d.height = 200;
    d.controls = {
        {kList, ControlKind::kListBox, "", {7, 7, 100, 150}, plat::kCtlNotify},
        {kAdd, ControlKind::kButton, "Add", {110, 7, 50, 14}},
        {kRemove, ControlKind::kButton, "Remove", {110, 25, 50, 14}, plat::kCtlDisabled},
        {plat::kNoControlId, ControlKind::kLabel, "Name:", {110, 45, 30, 10}},
        {kName, ControlKind::kEdit, "", {140, 45, 100, 14}, 0, 8},
        {kCount, ControlKind::kEdit, "", {140, 65, 40, 14}, plat::kCtlNumber},
        {kWide, ControlKind::kCheckBox, "Wide", {140, 85, 40, 14}},
        {kCombo, ControlKind::kDropDown, "", {140, 105, 80, 60}},
        {kLog, ControlKind::kEdit, "", {7, 160, 200, 30}, plat::kCtlReadOnly | plat::kCtlMultiLine | plat::kCtlVScroll},
    };
    d.menus = {{"&File", {{"E&xit", kMenuExit}}}, {"&View", {{"Show &Grid", kMenuGrid, true}}}};
    d.proc = [this](plat::Dialog* dlg, uint32_t msg, uintptr_t w, intptr_t l) { return Proc(dlg, msg, w, l); };
    return d;
  }

  void Refresh(plat::Dialog* dlg, bool rebuild) {
    if (rebuild) {
      dlg->ResetItems(kList);
      for (size_t i = 0; i < names.size(); ++i) dlg->AddItem(kList, std::to_string(i) + " " + names[i]);
      dlg->SetSelection(kList, current);
    }
    dlg->Enable(kRemove, current < static_cast<int32_t>(names.size()));
  }

  intptr_t Proc(plat::Dialog* dlg, uint32_t msg, uintptr_t w, intptr_t l) {
    const int32_t id = static_cast<int32_t>(plat::LowWord(w));
    const uint32_t notify = plat::HighWord(w);
    events.push_back({msg, id, notify, l});
    switch (msg) {
      case plat::kMsgInitDialog:
        dlg->ResetItems(kCombo);
        dlg->AddItem(kCombo, "0 sky");
        dlg->AddItem(kCombo, "1 sea");
        dlg->SetSelection(kCombo, 0);
        dlg->PostMessage(kRefresh, 0, 0);
        return 1;
      case kRefresh: Refresh(dlg, l == 0); return 1;
      case plat::kMsgClose: dlg->End(7); return 1;
      case plat::kMsgTimer:
        dlg->SetText(kLog, dlg->GetText(kLog) + "tick\r\n");
        dlg->ScrollToEnd(kLog);
        return 1;
      case plat::kMsgCommand:
        switch (id) {
          case kAdd:
            names.push_back("new");
            current = static_cast<int32_t>(names.size()) - 1;
            dlg->PostMessage(kRefresh, 0, 0);
            return 1;
          case kRemove:
            names.erase(names.begin() + current);
            dlg->PostMessage(kRefresh, 0, 0);
            return 1;
          case kList:
            if (notify == plat::kNotifyListSelChange) {
              current = dlg->Selection(kList);
              dlg->PostMessage(kRefresh, 0, 1);
            }
            return 1;
          case kName:
            if (notify == plat::kNotifyEditChange && current < static_cast<int32_t>(names.size())) {
              names[current] = dlg->GetText(kName);
            }
            if (notify == plat::kNotifyEditKillFocus) dlg->PostMessage(kRefresh, 0, 0);
            return 1;
          case kCount:
            if (notify == plat::kNotifyEditChange) dlg->GetNumber(kCount, &number);
            return 1;
          case kMenuGrid:
            grid = !grid;
            dlg->CheckMenuItem(kMenuGrid, grid);
            return 1;
          case kMenuExit:
            if (plat::ShowMessageBox(nullptr, "Really quit?", "Confirm", plat::kMbOkCancel) == plat::kIdOk) {
              dlg->End(3);
            }
            return 1;
          default: return 0;
        }
      default: return 0;
    }
  }

  std::vector<Event> Commands() const {
    std::vector<Event> out;
    for (const Event& e : events) {
      if (e.message == plat::kMsgCommand) out.push_back(e);
    }
    return out;
  }
};

std::vector<std::string> Items(const HeadlessDialog* d, int32_t id) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < d->ItemCount(id); ++i) out.push_back(d->ItemText(id, i));
  return out;
}

}  // namespace

TEST(HeadlessDialog, ModelessInitCommandsAndPostedRefresh) {
  HeadlessDialogSystem system;
  TestTool tool;
  plat::Dialog* dlg = system.CreateModeless(tool.Desc(), nullptr);
  ASSERT_NE(dlg, nullptr);
  auto* d = system.Last();
  ASSERT_EQ(tool.events.size(), 1u);
  EXPECT_EQ(tool.events[0].message, plat::kMsgInitDialog);
  EXPECT_FALSE(d->Shown());
  dlg->Show(true);
  EXPECT_TRUE(d->Shown());
  // The refresh posted at init waits for dispatch.
  EXPECT_EQ(system.QueueLength(), 1u);
  EXPECT_FALSE(d->IsEnabled(kRemove));
  EXPECT_EQ(system.DispatchAll(), 1);

  // A disabled button takes no click; an enabled one reaches the procedure.
  EXPECT_FALSE(d->Click(kRemove));
  EXPECT_TRUE(d->Click(kAdd));
  EXPECT_TRUE(d->Click(kAdd));
  system.DispatchAll();
  EXPECT_EQ(Items(d, kList), (std::vector<std::string>{"0 new", "1 new"}));
  EXPECT_EQ(d->Selection(kList), 1);
  EXPECT_TRUE(d->IsEnabled(kRemove));

  // Selecting sends the notification; the refresh (fields only) keeps the list.
  EXPECT_TRUE(d->Select(kList, 0));
  EXPECT_EQ(tool.current, 0);
  EXPECT_TRUE(d->Type(kName, "sky"));
  EXPECT_EQ(tool.names[0], "sky");
  EXPECT_TRUE(d->Leave(kName));
  system.DispatchAll();
  EXPECT_EQ(Items(d, kList), (std::vector<std::string>{"0 sky", "1 new"}));

  const std::vector<Event> cmds = tool.Commands();
  ASSERT_GE(cmds.size(), 5u);
  EXPECT_EQ(cmds[0].id, kAdd);
  EXPECT_EQ(cmds[0].notify, plat::kNotifyClicked);
  EXPECT_EQ(cmds[2].id, kList);
  EXPECT_EQ(cmds[2].notify, plat::kNotifyListSelChange);
  EXPECT_EQ(cmds[3].id, kName);
  EXPECT_EQ(cmds[3].notify, plat::kNotifyEditChange);
  EXPECT_EQ(cmds[4].notify, plat::kNotifyEditKillFocus);
}

TEST(HeadlessDialog, EditsNumbersLimitsAndChecks) {
  HeadlessDialogSystem system;
  TestTool tool;
  plat::Dialog* dlg = system.CreateModeless(tool.Desc(), nullptr);
  auto* d = system.Last();

  // The typing limit (8) refuses a longer text; setting it from the program does not.
  EXPECT_FALSE(d->Type(kName, "ninechars"));
  EXPECT_TRUE(dlg->SetText(kName, "a much longer text"));
  EXPECT_EQ(dlg->GetText(kName), "a much longer text");
  EXPECT_TRUE(dlg->LimitText(kName, 0));
  EXPECT_TRUE(d->Type(kName, "ninechars"));

  // A number edit takes digits and a leading minus only.
  EXPECT_FALSE(d->Type(kCount, "12a"));
  EXPECT_TRUE(d->Type(kCount, "-42"));
  EXPECT_EQ(tool.number, -42);
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {{"0", true, 0},
               {" 17 ", true, 17},
               {"-2147483648", true, INT32_MIN},
               {"2147483647", true, INT32_MAX},
               {"2147483648", false, 0},
               {"-", false, 0},
               {"", false, 0},
               {"1 2", false, 0},
               {"+3", false, 0}};
  for (const Case& c : cases) {
    dlg->SetText(kCount, c.text);
    int32_t v = 99;
    EXPECT_EQ(dlg->GetNumber(kCount, &v), c.ok) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
  EXPECT_TRUE(dlg->SetNumber(kCount, -7));
  EXPECT_EQ(dlg->GetText(kCount), "-7");

  // A read-only edit refuses typing; the program still sets it.
  EXPECT_FALSE(d->Type(kLog, "x"));
  EXPECT_TRUE(dlg->SetText(kLog, "line"));
  EXPECT_TRUE(dlg->ScrollToEnd(kLog));
  EXPECT_EQ(d->Control(kLog)->scrolledToEnd, 1);

  // A check box ticks itself when clicked, and the program can set it.
  EXPECT_FALSE(dlg->IsChecked(kWide));
  EXPECT_TRUE(d->Click(kWide));
  EXPECT_TRUE(dlg->IsChecked(kWide));
  EXPECT_TRUE(dlg->Check(kWide, false));
  EXPECT_FALSE(dlg->IsChecked(kWide));
  // Operations on the wrong kind of control, or a missing id, fail.
  EXPECT_FALSE(dlg->Check(kName, true));
  EXPECT_FALSE(dlg->SetText(4242, "x"));
  EXPECT_EQ(dlg->AddItem(kName, "x"), -1);
  EXPECT_FALSE(d->Click(kName));
}

TEST(HeadlessDialog, ListAndDropDownItems) {
  HeadlessDialogSystem system;
  TestTool tool;
  plat::Dialog* dlg = system.CreateModeless(tool.Desc(), nullptr);
  auto* d = system.Last();
  system.DispatchAll();
  EXPECT_EQ(dlg->AddItem(kList, "a"), 0);
  EXPECT_EQ(dlg->AddItem(kList, "c"), 1);
  EXPECT_EQ(dlg->InsertItem(kList, 1, "b"), 1);
  EXPECT_EQ(dlg->InsertItem(kList, 9, "z"), -1);
  EXPECT_TRUE(dlg->SetSelection(kList, 2));
  EXPECT_EQ(dlg->GetText(kList), "c");
  // Deleting before the selection keeps the same item selected; deleting it clears it.
  EXPECT_TRUE(dlg->DeleteItem(kList, 0));
  EXPECT_EQ(Items(d, kList), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(dlg->Selection(kList), 1);
  EXPECT_TRUE(dlg->DeleteItem(kList, 1));
  EXPECT_EQ(dlg->Selection(kList), -1);
  EXPECT_FALSE(dlg->DeleteItem(kList, 5));
  EXPECT_FALSE(dlg->SetSelection(kList, 5));

  // Program selections send nothing; the user's do (a double-click also selects).
  const size_t before = tool.Commands().size();
  dlg->SetSelection(kCombo, 1);
  EXPECT_EQ(tool.Commands().size(), before);
  EXPECT_TRUE(d->Select(kCombo, 0));
  EXPECT_TRUE(d->DoubleClick(kList, 0));
  const std::vector<Event> cmds = tool.Commands();
  ASSERT_EQ(cmds.size(), before + 3);
  EXPECT_EQ(cmds[before].id, kCombo);
  EXPECT_EQ(cmds[before].notify, plat::kNotifyListSelChange);
  EXPECT_EQ(cmds[before + 1].notify, plat::kNotifyListSelChange);
  EXPECT_EQ(cmds[before + 2].id, kList);
  EXPECT_EQ(cmds[before + 2].notify, plat::kNotifyListDoubleClick);
  EXPECT_FALSE(d->DoubleClick(kCombo, 0));
  EXPECT_TRUE(dlg->ResetItems(kCombo));
  EXPECT_EQ(dlg->ItemCount(kCombo), 0);
  EXPECT_EQ(dlg->GetText(kCombo), "");
}

TEST(HeadlessDialog, ListWithoutNotifyStaysQuiet) {
  HeadlessDialogSystem system;
  std::vector<uint32_t> got;
  plat::DialogDesc desc;
  desc.controls = {{5, ControlKind::kListBox, "", {0, 0, 50, 50}}};
  desc.proc = [&](plat::Dialog*, uint32_t m, uintptr_t, intptr_t) {
    got.push_back(m);
    return intptr_t{1};
  };
  plat::Dialog* dlg = system.CreateModeless(desc, nullptr);
  dlg->AddItem(5, "x");
  EXPECT_TRUE(system.Last()->Select(5, 0));
  EXPECT_TRUE(system.Last()->DoubleClick(5, 0));
  EXPECT_EQ(got, (std::vector<uint32_t>{plat::kMsgInitDialog}));
  EXPECT_EQ(dlg->Selection(5), 0);
}

TEST(HeadlessDialog, MenuCheckMarksAndPrivateMessagesInOrder) {
  HeadlessDialogSystem system;
  TestTool tool;
  plat::Dialog* dlg = system.CreateModeless(tool.Desc(), nullptr);
  auto* d = system.Last();
  EXPECT_TRUE(dlg->IsMenuItemChecked(kMenuGrid));
  EXPECT_TRUE(d->ChooseMenu(kMenuGrid));
  EXPECT_FALSE(tool.grid);
  EXPECT_FALSE(dlg->IsMenuItemChecked(kMenuGrid));
  EXPECT_FALSE(d->ChooseMenu(12345));
  EXPECT_FALSE(dlg->CheckMenuItem(12345, true));

  for (int i = 0; i < 5; ++i) dlg->PostMessage(plat::kMsgUser + 7, i, 10 * i);
  tool.events.clear();
  system.DispatchAll();
  std::vector<intptr_t> order;
  for (const Event& e : tool.events) {
    if (e.message == plat::kMsgUser + 7) order.push_back(e.lParam);
  }
  EXPECT_EQ(order, (std::vector<intptr_t>{0, 10, 20, 30, 40}));

  // Timers post one pending tick at most.
  dlg->SetTimer(1, 1000);
  system.AdvanceTime(999);
  EXPECT_EQ(system.QueueLength(), 0u);
  system.AdvanceTime(1);
  system.AdvanceTime(1000);
  EXPECT_EQ(system.QueueLength(), 1u);
  system.DispatchAll();
  EXPECT_EQ(dlg->GetText(kLog), "tick\r\n");
  dlg->KillTimer(1);
  system.AdvanceTime(5000);
  EXPECT_EQ(system.QueueLength(), 0u);

  // Destroy: the last message, queued messages dropped, later calls inert.
  dlg->PostMessage(kRefresh, 0, 0);
  tool.events.clear();
  dlg->Destroy();
  ASSERT_EQ(tool.events.size(), 1u);
  EXPECT_EQ(tool.events[0].message, plat::kMsgDestroy);
  EXPECT_EQ(system.QueueLength(), 0u);
  EXPECT_FALSE(dlg->IsAlive());
  EXPECT_FALSE(dlg->PostMessage(kRefresh, 0, 0));
  EXPECT_FALSE(dlg->SetText(kName, "x"));
  EXPECT_EQ(dlg->GetText(kName), "");
  dlg->Destroy();
  EXPECT_EQ(tool.events.size(), 1u);
}

TEST(HeadlessDialog, ModalRunEndsWithTheResult) {
  plat::headless::HeadlessWindowSystem windows;
  HeadlessDialogSystem system;
  TestTool tool;
  // The user clicks Add, chooses Exit and answers Cancel, then Exit again with OK.
  system.AddStep([&] { system.ActiveModal()->Click(kAdd); });
  system.AddStep([&] { system.ActiveModal()->ChooseMenu(kMenuExit); });
  system.AddStep([&] { system.ActiveModal()->ChooseMenu(kMenuExit); });
  windows.ScriptAnswer(plat::kIdCancel);
  windows.ScriptAnswer(plat::kIdOk);
  EXPECT_EQ(system.RunModal(tool.Desc(), nullptr), 3);
  EXPECT_EQ(tool.names.size(), 1u);
  ASSERT_EQ(windows.MessageBoxes().size(), 2u);
  EXPECT_EQ(windows.MessageBoxes()[0].text, "Really quit?");
  EXPECT_EQ(windows.MessageBoxes()[0].caption, "Confirm");
  EXPECT_EQ(tool.events.back().message, plat::kMsgDestroy);
  EXPECT_FALSE(system.Last()->IsAlive());

  // The close box: this procedure ends with 7.
  TestTool second;
  system.AddStep([&] { system.ActiveModal()->UserClose(); });
  EXPECT_EQ(system.RunModal(second.Desc(), nullptr), 7);

  // Nothing left to do: the run ends instead of hanging.
  TestTool third;
  EXPECT_EQ(system.RunModal(third.Desc(), nullptr), HeadlessDialogSystem::kRanDryResult);
}

TEST(HeadlessDialog, ModalRunServesTheWindows) {
  plat::headless::HeadlessWindowSystem windows;
  HeadlessDialogSystem system;
  std::vector<uint32_t> windowMessages;
  plat::WindowDesc wd;
  wd.proc = [&](plat::Window* w, uint32_t m, uintptr_t wp, intptr_t lp) {
    windowMessages.push_back(m);
    return plat::DefaultWindowProc(w, m, wp, lp);
  };
  plat::Window* preview = windows.CreateMainWindow(wd);
  ASSERT_NE(preview, nullptr);
  plat::DialogDesc desc;
  desc.proc = [&](plat::Dialog* dlg, uint32_t m, uintptr_t, intptr_t) -> intptr_t {
    if (m == plat::kMsgInitDialog) {
      dlg->PostMessage(plat::kMsgUser + 1, 0, 0);
      return 1;
    }
    if (m == plat::kMsgUser + 1) {
      windows.PostMessage(preview, 2024, 0, 0);
      preview->Invalidate();
      return 1;
    }
    return 0;
  };
  system.AddStep([&] { system.ActiveModal()->End(5); });
  EXPECT_EQ(system.RunModal(desc, nullptr), 5);
  EXPECT_EQ(windowMessages, (std::vector<uint32_t>{plat::kMsgCreate, 2024, plat::kMsgPaint}));

  // A quit ends the run and stays queued for the program's loop.
  windows.PostQuitMessage(4);
  EXPECT_EQ(system.RunModal(desc, nullptr), -1);
  plat::Message m;
  ASSERT_TRUE(windows.PeekMessage(&m, true));
  EXPECT_EQ(m.message, plat::kMsgQuit);
  EXPECT_EQ(m.wParam, 4u);
}
