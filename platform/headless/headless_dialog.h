#pragma once
// The in-memory dialog system of the tests. Every control keeps its state
// (text, check, enable, items, selection) under its id; tests act like the
// user (click, type, select, choose a menu item, close) and read what the
// dialog shows. Posted messages and timers wait until the test dispatches
// them (or a modal run does).
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/dialog.h"
#include "platform/headless/headless_timers.h"

namespace plat::headless {

class HeadlessDialogSystem;

struct ControlState {
  ControlDesc desc;
  std::string text;
  bool checked = false;
  bool enabled = true;
  int32_t limit = 0;
  std::vector<std::string> items;
  int32_t selection = -1;
  int scrolledToEnd = 0;  // how often ScrollToEnd was called
};

class HeadlessDialog : public BackendDialog {
 public:
  HeadlessDialog(HeadlessDialogSystem* system, const DialogDesc& desc, WindowPlacement* owner, bool modal);

  // Dialog
  std::string GetText(int32_t id) const override;
  bool SetText(int32_t id, const std::string& text) override;
  bool Check(int32_t id, bool checked) override;
  bool IsChecked(int32_t id) const override;
  bool Enable(int32_t id, bool enabled) override;
  bool IsEnabled(int32_t id) const override;
  bool LimitText(int32_t id, int32_t limit) override;
  bool ScrollToEnd(int32_t id) override;
  bool ResetItems(int32_t id) override;
  int32_t AddItem(int32_t id, const std::string& text) override;
  int32_t InsertItem(int32_t id, int32_t index, const std::string& text) override;
  bool DeleteItem(int32_t id, int32_t index) override;
  int32_t ItemCount(int32_t id) const override;
  std::string ItemText(int32_t id, int32_t index) const override;
  bool SetSelection(int32_t id, int32_t index) override;
  int32_t Selection(int32_t id) const override;
  void SetTitle(const std::string& title) override;
  std::string Title() const override { return title_; }
  bool CheckMenuItem(int32_t id, bool checked) override;
  bool IsMenuItemChecked(int32_t id) const override;
  void SetTimer(uint32_t id, uint32_t periodMs) override;
  void KillTimer(uint32_t id) override;
  bool PostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  void Show(bool shown) override;

  // WindowPlacement
  WindowRect OuterRect() const override;
  void MoveOuter(int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) override;
  int32_t ScreenWidth() const override;
  int32_t ScreenHeight() const override;
  bool IsMaximised() const override { return false; }
  void ShowNormal() override { Show(true); }
  void ShowMaximised() override { Show(true); }

  // What the user does. Each returns false when the control cannot take it
  // (missing, disabled, of another kind, read-only) and then sends nothing.
  // Click: a button or check box (a check box ticks or unticks first).
  bool Click(int32_t id);
  // Type: replaces an edit's text as typing would (the text must be one the
  // edit accepts: its limit, digits for a number edit), then
  // kNotifyEditChange.
  bool Type(int32_t id, const std::string& text);
  // Leave: the edit loses the focus (kNotifyEditKillFocus).
  bool Leave(int32_t id);
  // Select: picks an item of a list box or drop-down (-1: none for a list)
  // and sends kNotifyListSelChange (list boxes only with kCtlNotify).
  bool Select(int32_t id, int32_t index);
  // DoubleClick: selects the item of a list box, then double-click.
  bool DoubleClick(int32_t id, int32_t index);
  // ChooseMenu: a menu item's command.
  bool ChooseMenu(int32_t id);
  // UserClose: the close box (kMsgClose).
  void UserClose();

  // What the tests look at.
  const ControlState* Control(int32_t id) const;
  const std::vector<ControlState>& Controls() const { return controls_; }
  bool Shown() const { return shown_; }
  WindowPlacement* Owner() const { return owner_; }
  bool HasTimer(uint32_t id) const;

 private:
  friend class HeadlessDialogSystem;
  void Close() override;
  ControlState* Find(int32_t id);
  const ControlState* Find(int32_t id) const;
  ControlState* FindList(int32_t id);
  const ControlState* FindList(int32_t id) const;
  void Command(int32_t id, uint32_t notify);

  HeadlessDialogSystem* system_;
  WindowPlacement* owner_;
  std::string title_;
  std::vector<ControlState> controls_;
  struct MenuItemState {
    int32_t id;
    bool checked;
  };
  std::vector<MenuItemState> menuItems_;
  bool shown_ = false;
  int32_t x_ = 0;
  int32_t y_ = 0;
  int32_t width_;
  int32_t height_;
  TimerList timers_;
};

class HeadlessDialogSystem : public DialogSystem {
 public:
  // Installs itself as the dialog system; the destructor takes it out.
  HeadlessDialogSystem();
  ~HeadlessDialogSystem() override;
  HeadlessDialogSystem(const HeadlessDialogSystem&) = delete;
  HeadlessDialogSystem& operator=(const HeadlessDialogSystem&) = delete;

  Dialog* CreateModeless(const DialogDesc& desc, WindowPlacement* owner) override;
  // The run: dispatches posted dialog messages and the window system's
  // messages (when one is installed) until the dialog ends. When nothing is
  // waiting it runs the next scripted step; with no step left the run has
  // run dry and ends with kRanDryResult.
  intptr_t RunModal(const DialogDesc& desc, WindowPlacement* owner) override;

  static constexpr intptr_t kRanDryResult = -2;
  // A step of the user's script for modal runs.
  void AddStep(std::function<void()> step) { steps_.push_back(std::move(step)); }
  size_t StepsLeft() const { return steps_.size(); }

  // Delivers every posted dialog message (FIFO, including what handlers
  // post meanwhile); returns how many.
  int DispatchAll();
  // Advances the dialog timers; due timers post kMsgTimer (one pending per
  // timer at most).
  void AdvanceTime(uint32_t ms);
  size_t QueueLength() const { return queue_.size(); }

  // Dialogs in the order made; the one of the innermost modal run.
  const std::vector<std::unique_ptr<HeadlessDialog>>& Dialogs() const { return dialogs_; }
  HeadlessDialog* Last() const { return dialogs_.empty() ? nullptr : dialogs_.back().get(); }
  HeadlessDialog* ActiveModal() const { return modal_.empty() ? nullptr : modal_.back(); }

 private:
  friend class HeadlessDialog;
  struct Posted {
    HeadlessDialog* dialog;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
  };
  HeadlessDialog* Make(const DialogDesc& desc, WindowPlacement* owner, bool modal);
  bool DispatchOne();
  void DropMessagesFor(HeadlessDialog* dialog);

  std::vector<std::unique_ptr<HeadlessDialog>> dialogs_;
  std::vector<HeadlessDialog*> modal_;
  std::deque<Posted> queue_;
  std::deque<std::function<void()>> steps_;
};

}  // namespace plat::headless
