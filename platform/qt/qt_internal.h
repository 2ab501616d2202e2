#pragma once
// The Qt back end's classes, shared by its source files.
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/dialog.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/present.h"
#include "platform/window.h"

class QTimer;

namespace plat::qt {

// Windows-1252 text to and from the toolkit's strings.
QString ToQt(const std::string& text);
std::string FromQt(const QString& text);
// Whether every character of a string has a Windows-1252 byte.
bool FitsCp1252(const QString& text);

// Geometry of a top-level widget in the terms of WindowPlacement.
WindowRect OuterOf(const QWidget* w);
void FrameMargins(const QWidget* w, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom);
void MoveOuterOf(QWidget* w, int32_t x, int32_t y, int32_t width, int32_t height);
int32_t ScreenWidthOf(const QWidget* w);
int32_t ScreenHeightOf(const QWidget* w);

class QtWindowSystem;
class Canvas;

class QtWindow : public BackendWindow {
 public:
  QtWindow(QtWindowSystem* system, const WindowDesc& desc);
  ~QtWindow() override;

  void Show(bool maximised) override;
  void Focus() override;
  void SetStyle(WindowStyle style) override;
  WindowStyle Style() const override { return style_; }
  WindowRect ClientRect() const override;
  WindowRect OuterForClient(int32_t clientWidth, int32_t clientHeight) const override;
  void ClientToScreen(int32_t* x, int32_t* y) const override;
  void SetTitle(const std::string& title) override;
  bool IsAlive() const override { return alive_; }
  void SetTimer(uint32_t id, uint32_t periodMs) override;
  void KillTimer(uint32_t id) override;
  void ConfineCursor(bool confine) override;
  void WarpCursor(int32_t clientX, int32_t clientY) override;
  bool Present(const PresentBuffer& buffer, const WindowRect& target, const WindowRect* black, int blackCount) override;

  WindowRect OuterRect() const override;
  void MoveOuter(int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) override;
  int32_t ScreenWidth() const override;
  int32_t ScreenHeight() const override;
  bool IsMaximised() const override;
  void ShowNormal() override { Show(false); }
  void ShowMaximised() override { Show(true); }

  QWidget* Widget() const;
  // What the canvas draws: the client image of the last presents.
  const QImage& Image() const { return image_; }
  void ResizeImage();

 private:
  friend class QtWindowSystem;
  friend class Canvas;
  void Close() override;

  QtWindowSystem* system_;
  QPointer<Canvas> widget_;
  QImage image_;
  WindowStyle style_;
  bool alive_ = true;
  std::map<uint32_t, std::unique_ptr<QTimer>> timers_;
};

class QtWindowSystem : public BackendWindowSystem<QtWindow> {
 public:
  QtWindowSystem() = default;

  Window* CreateMainWindow(const WindowDesc& desc) override;
  bool PostMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  void PostQuitMessage(int32_t code) override;
  bool PeekMessage(Message* out, bool remove) override;
  bool GetMessage(Message* out) override;
  void WaitMessage() override;
  bool WaitMessageFor(uint32_t timeoutMs) override;
  void ShowCursor(bool show) override;
  int32_t ScreenWidth() const override;
  int32_t ScreenHeight() const override;

  int32_t ShowMessageBox(Window* owner, const std::string& text, const std::string& caption, uint32_t flags) override;

 private:
  bool cursorShown_ = true;
};

class DialogWidget;

class QtDialog : public BackendDialog {
 public:
  QtDialog(const DialogDesc& desc, WindowPlacement* owner, bool modal);
  ~QtDialog() override;

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
  std::string Title() const override;
  bool CheckMenuItem(int32_t id, bool checked) override;
  bool IsMenuItemChecked(int32_t id) const override;
  void SetTimer(uint32_t id, uint32_t periodMs) override;
  void KillTimer(uint32_t id) override;
  bool PostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  void Show(bool shown) override;

  WindowRect OuterRect() const override;
  void MoveOuter(int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) override;
  int32_t ScreenWidth() const override;
  int32_t ScreenHeight() const override;
  bool IsMaximised() const override { return false; }
  void ShowNormal() override { Show(true); }
  void ShowMaximised() override { Show(true); }

  QWidget* Widget() const;
  // The widget of a control (the first with the id); null when missing.
  QWidget* ControlWidget(int32_t id) const;
  void Notify(int32_t id, uint32_t code);

 private:
  friend class DialogWidget;
  void Close() override;
  struct Control;
  Control* Find(int32_t id) const;
  std::unique_ptr<Control>* FindSlot(int32_t id);

  QPointer<DialogWidget> widget_;
  std::vector<std::unique_ptr<Control>> controls_;
  struct MenuItem;
  std::vector<std::unique_ptr<MenuItem>> menuItems_;
  std::map<uint32_t, std::unique_ptr<QTimer>> timers_;
  int quiet_ = 0;  // program changes in progress: no notifications
};

class QtDialogSystem : public DialogSystem {
 public:
  QtDialogSystem();
  ~QtDialogSystem() override;
  Dialog* CreateModeless(const DialogDesc& desc, WindowPlacement* owner) override;
  intptr_t RunModal(const DialogDesc& desc, WindowPlacement* owner) override;

 private:
  std::vector<std::unique_ptr<QtDialog>> dialogs_;
};

class QtFileDialogs : public FileDialogBackend {
 public:
  QtFileDialogs();
  ~QtFileDialogs() override;
  FileDialogResult Run(const FileDialogRequest& request) override;
};

// A filter's patterns as Qt name-filter patterns ("*.*" for every file,
// case ignored by bracketing each letter).
QString QtPatterns(const std::string& patterns);

}  // namespace plat::qt
