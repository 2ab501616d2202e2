#pragma once
// Dialogs built from a control table, driven by a dialog procedure.
//
// A program installs one dialog system at start-up (the Qt one for the
// tools, the in-memory one for tests). A dialog is described by a table of
// controls placed in dialog units, an optional menu bar, a title and a
// procedure. The procedure receives, with the window message numbers of
// platform/window.h:
//   kMsgInitDialog  once, after every control exists and before the dialog
//                   shows
//   kMsgCommand     wParam = control or menu item id | notification << 16
//                   (kNotify*), lParam 0. Escape arrives as the command
//                   kDialogIdCancel; Enter presses the default button.
//   kMsgTimer       wParam = timer id
//   kMsgClose       the user closed the dialog (close box); the procedure
//                   decides what happens: nothing happens by itself
//   kMsgDestroy     sent by End / Destroy, the last message
//   kMsgUser + n    the program's own messages, posted in FIFO order
// It returns non-zero for what it handled.
//
// Text is Windows-1252 throughout.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/window.h"
#include "platform/window_placement.h"

namespace plat {

class Dialog;

enum : uint32_t { kMsgInitDialog = 0x0110 };

// Notification codes (high word of a kMsgCommand's wParam).
enum : uint32_t {
  kNotifyClicked = 0,          // buttons and check boxes
  kNotifyMenuItem = 0,         // menu items come as clicks of their id
  kNotifyListSelChange = 1,    // list box (with kCtlNotify) and drop-down list
  kNotifyListDoubleClick = 2,  // list box with kCtlNotify
  kNotifyEditKillFocus = 0x0200,
  kNotifyEditChange = 0x0300,  // also sent when the program sets the text
};

// The ids Escape and Enter produce.
enum : int32_t { kDialogIdOk = 1, kDialogIdCancel = 2 };
// Id of controls nobody addresses (labels, group boxes); may repeat.
constexpr int32_t kNoControlId = -1;

enum class ControlKind {
  kButton,
  kDefaultButton,  // a button that Enter presses
  kCheckBox,       // ticks itself when clicked, then sends kNotifyClicked
  kLabel,
  kGroupBox,
  kEdit,
  kListBox,
  kDropDown,  // a drop-down list: the user picks, never types
};

// Control flags (combined with |).
enum : uint32_t {
  kCtlDisabled = 0x0001,
  kCtlDefault = 0x0002,     // a button: the default button
  kCtlNotify = 0x0004,      // a list box: sends selection and double-click notifications
  kCtlReadOnly = 0x0008,    // an edit: the user cannot change the text
  kCtlNumber = 0x0010,      // an edit: the user types digits (and a leading minus) only
  kCtlMultiLine = 0x0020,   // an edit: several lines, Enter starts a new one
  kCtlVScroll = 0x0040,     // a multi-line edit: vertical scroll bar
  kCtlRightAlign = 0x0080,  // an edit: text aligned right
};

struct DialogUnitRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

struct ControlDesc {
  int32_t id = kNoControlId;
  ControlKind kind = ControlKind::kLabel;
  std::string text;
  DialogUnitRect rect;
  uint32_t flags = 0;
  int32_t limit = 0;  // an edit: most characters the user may type (0: no limit)
};

// A menu item; id 0 is a separator. "&" marks the mnemonic.
struct MenuItemDesc {
  std::string text;
  int32_t id = 0;
  bool checked = false;
};
struct MenuDesc {
  std::string title;
  std::vector<MenuItemDesc> items;
};

using DialogProc = std::function<intptr_t(Dialog*, uint32_t message, uintptr_t wParam, intptr_t lParam)>;

struct DialogDesc {
  std::string title;
  int32_t width = 200;  // client size in dialog units (the menu bar comes on top)
  int32_t height = 100;
  std::vector<ControlDesc> controls;
  std::vector<MenuDesc> menus;
  DialogProc proc;
};

// One dialog. Owned by the dialog system; after End or Destroy the object
// stays valid (every call does nothing, queries answer empty) until the
// system is destroyed. Operations on an id the dialog does not have, or on
// a control of another kind, return false (or -1, or empty text).
class Dialog : public WindowPlacement {
 public:
  ~Dialog() override = default;

  // Any control's text (buttons, labels, edits; a list or drop-down: the
  // selected item's text).
  virtual std::string GetText(int32_t id) const = 0;
  // Sets a control's text. An edit sends kNotifyEditChange, as after typing;
  // the typing limit does not apply.
  virtual bool SetText(int32_t id, const std::string& text) = 0;
  // The text read as a signed decimal (blanks around it allowed); false
  // when it is not one or does not fit.
  bool GetNumber(int32_t id, int32_t* value) const;
  bool SetNumber(int32_t id, int32_t value);

  virtual bool Check(int32_t id, bool checked) = 0;
  virtual bool IsChecked(int32_t id) const = 0;
  virtual bool Enable(int32_t id, bool enabled) = 0;
  virtual bool IsEnabled(int32_t id) const = 0;
  // An edit's typing limit in characters; 0 removes it.
  virtual bool LimitText(int32_t id, int32_t limit) = 0;
  // Shows an edit's last line (a log).
  virtual bool ScrollToEnd(int32_t id) = 0;

  // List box and drop-down items. Indices count from 0; a selection of -1
  // is none. Add returns the new item's index, Insert at index (-1: the
  // end) too; -1 on failure. Setting the selection sends no notification.
  virtual bool ResetItems(int32_t id) = 0;
  virtual int32_t AddItem(int32_t id, const std::string& text) = 0;
  virtual int32_t InsertItem(int32_t id, int32_t index, const std::string& text) = 0;
  virtual bool DeleteItem(int32_t id, int32_t index) = 0;
  virtual int32_t ItemCount(int32_t id) const = 0;
  virtual std::string ItemText(int32_t id, int32_t index) const = 0;
  virtual bool SetSelection(int32_t id, int32_t index) = 0;
  virtual int32_t Selection(int32_t id) const = 0;

  virtual void SetTitle(const std::string& title) = 0;
  virtual std::string Title() const = 0;
  virtual bool CheckMenuItem(int32_t id, bool checked) = 0;
  virtual bool IsMenuItemChecked(int32_t id) const = 0;

  // kMsgTimer with the id every periodMs milliseconds; a second SetTimer of
  // an id restarts it.
  virtual void SetTimer(uint32_t id, uint32_t periodMs) = 0;
  virtual void KillTimer(uint32_t id) = 0;
  // Queues a message for the procedure (FIFO); false once the dialog is gone.
  virtual bool PostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;

  virtual void Show(bool shown) = 0;
  // A modal dialog: ends its run with this result (the run returns it once
  // the current handler returns). A modeless one: as Destroy.
  virtual void End(intptr_t result) = 0;
  // Sends kMsgDestroy and closes the dialog. A second call does nothing.
  virtual void Destroy() = 0;
  virtual bool IsAlive() const = 0;

  // Calls the procedure at once; 0 once the dialog is gone.
  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam);

  const DialogProc& Proc() const { return proc_; }

 protected:
  DialogProc proc_;
};

// The program's dialogs. Owners are the window or dialog a dialog belongs
// to (null: none); they only place it and keep it above.
class DialogSystem {
 public:
  virtual ~DialogSystem() = default;
  // A modeless dialog: kMsgInitDialog reaches the procedure before this
  // returns; the dialog is not shown yet. Null on failure.
  virtual Dialog* CreateModeless(const DialogDesc& desc, WindowPlacement* owner) = 0;
  // Runs a modal dialog until it ends and returns End's result (-1 when it
  // cannot be made). While it runs, the program's windows get their
  // messages too; a quit message ends the run with -1 and stays queued.
  virtual intptr_t RunModal(const DialogDesc& desc, WindowPlacement* owner) = 0;
};

void SetDialogSystem(DialogSystem* system);
DialogSystem* GetDialogSystem();

// The digits of a number edit, as the dialogs parse them: optional blanks,
// an optional minus, decimal digits, optional blanks. False when the text is
// anything else or the value does not fit in 32 bits.
bool ParseDialogNumber(const std::string& text, int32_t* value);
// Whether a text may be typed into an edit of these flags and limit.
bool EditAccepts(uint32_t flags, int32_t limit, const std::string& text);

}  // namespace plat
