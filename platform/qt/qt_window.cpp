#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <clocale>

#include "platform/cp1252.h"
#include "platform/qt/qt_internal.h"
#include "platform/qt/qt_platform.h"

namespace plat::qt {

// ---------------------------------------------------------------------------
// Text and geometry helpers

QString ToQt(const std::string& text) { return QString::fromStdString(Cp1252ToUtf8(text)); }

std::string FromQt(const QString& text) { return Utf8ToCp1252Text(text.toStdString()); }

bool FitsCp1252(const QString& text) {
  return Utf8ToCp1252(text.toStdString()).size() == static_cast<size_t>(text.size());
}

void FrameMargins(const QWidget* w, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) {
  const QRect f = w->frameGeometry();
  const QRect g = w->geometry();
  *left = std::max(0, g.left() - f.left());
  *top = std::max(0, g.top() - f.top());
  *right = std::max(0, f.right() - g.right());
  *bottom = std::max(0, f.bottom() - g.bottom());
}

WindowRect OuterOf(const QWidget* w) {
  if (w->isMinimized()) return {-32000, -32000, -32000 + 160, -32000 + 28};
  const QRect f = w->frameGeometry();
  return {f.left(), f.top(), f.left() + f.width(), f.top() + f.height()};
}

void MoveOuterOf(QWidget* w, int32_t x, int32_t y, int32_t width, int32_t height) {
  int32_t l, t, r, b;
  FrameMargins(w, &l, &t, &r, &b);
  w->resize(std::max(1, width - l - r), std::max(1, height - t - b));
  // (x, y) is where the frame goes. A window not yet created takes a move()
  // as the frame's place. A created one (already shown) would take it as the
  // frame offset it knows at this moment, which is none until the window
  // manager has framed it: the client would land on (x, y) and the frame
  // that far up and left, on every start. The native window is told the
  // frame's place instead, and the window manager puts the frame there.
  QWindow* native = w->testAttribute(Qt::WA_WState_Created) ? w->windowHandle() : nullptr;
  if (native) {
    native->setFramePosition(QPoint(x, y));
  } else {
    w->move(x, y);
  }
}

int32_t ScreenWidthOf(const QWidget* w) {
  QScreen* s = w && w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 0;
}

int32_t ScreenHeightOf(const QWidget* w) {
  QScreen* s = w && w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : 0;
}

// ---------------------------------------------------------------------------
// Canvas: the widget of a window. Its input becomes posted messages; it
// paints the client image of the last presents.

namespace {

uint32_t KeyCode(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<uint32_t>('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<uint32_t>('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return kKeyF1 + static_cast<uint32_t>(key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return kKeyBackspace;
    case Qt::Key_Tab: return kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return kKeyEnter;
    case Qt::Key_Shift: return kKeyShift;
    case Qt::Key_Control: return kKeyControl;
    case Qt::Key_Alt: return kKeyAlt;
    case Qt::Key_Pause: return kKeyPause;
    case Qt::Key_Escape: return kKeyEscape;
    case Qt::Key_Space: return kKeySpace;
    case Qt::Key_PageUp: return kKeyPageUp;
    case Qt::Key_PageDown: return kKeyPageDown;
    case Qt::Key_End: return kKeyEnd;
    case Qt::Key_Home: return kKeyHome;
    case Qt::Key_Left: return kKeyLeft;
    case Qt::Key_Up: return kKeyUp;
    case Qt::Key_Right: return kKeyRight;
    case Qt::Key_Down: return kKeyDown;
    case Qt::Key_Insert: return kKeyInsert;
    case Qt::Key_Delete: return kKeyDelete;
    default: return 0;
  }
}

uint32_t ButtonState(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  uint32_t s = 0;
  if (buttons & Qt::LeftButton) s |= kButtonLeft;
  if (buttons & Qt::RightButton) s |= kButtonRight;
  if (buttons & Qt::MiddleButton) s |= kButtonMiddle;
  if (mods & Qt::ShiftModifier) s |= kButtonShift;
  if (mods & Qt::ControlModifier) s |= kButtonControl;
  return s;
}

}  // namespace

class Canvas : public QWidget {
 public:
  explicit Canvas(QtWindow* owner) : owner_(owner) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

  void Detach() { owner_ = nullptr; }

 protected:
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (owner_) owner_->system_->PostMessage(owner_, message, wParam, lParam);
  }

  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (owner_) p.drawImage(0, 0, owner_->Image());
  }
  void resizeEvent(QResizeEvent*) override {
    if (!owner_) return;
    owner_->ResizeImage();
    const uint32_t kind = isMaximized() ? kSizeMaximised : kSizeRestored;
    Post(kMsgSize, kind, MakeLParam(width(), height()));
    owner_->Invalidate();
  }
  void moveEvent(QMoveEvent*) override {
    const QPoint p = mapToGlobal(QPoint(0, 0));
    Post(kMsgMove, 0, MakeLParam(p.x(), p.y()));
  }
  void changeEvent(QEvent* e) override {
    if (e->type() == QEvent::ActivationChange) {
      Post(kMsgActivate, MakeWParam(isActiveWindow() ? kActive : kInactive, isMinimized() ? 1 : 0), 0);
    } else if (e->type() == QEvent::WindowStateChange && isMinimized()) {
      Post(kMsgSize, kSizeMinimised, 0);
    }
    QWidget::changeEvent(e);
  }
  void closeEvent(QCloseEvent* e) override {
    // The procedure decides (the default destroys the window).
    e->ignore();
    Post(kMsgClose, 0, 0);
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (const uint32_t vk = KeyCode(e->key())) Post(kMsgKeyDown, vk, 0);
    for (uint8_t b : Utf8ToCp1252(e->text().toStdString())) Post(kMsgChar, b, 0);
  }
  void keyReleaseEvent(QKeyEvent* e) override {
    if (e->isAutoRepeat()) return;
    if (const uint32_t vk = KeyCode(e->key())) Post(kMsgKeyUp, vk, 0);
  }
  bool focusNextPrevChild(bool) override { return false; }  // Tab is a key like any other
  void Mouse(uint32_t message, QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    Post(message, ButtonState(e->buttons(), e->modifiers()), MakeLParam(p.x(), p.y()));
  }
  void mouseMoveEvent(QMouseEvent* e) override { Mouse(kMsgMouseMove, e); }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) Mouse(kMsgLButtonDown, e);
    if (e->button() == Qt::RightButton) Mouse(kMsgRButtonDown, e);
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) Mouse(kMsgLButtonUp, e);
    if (e->button() == Qt::RightButton) Mouse(kMsgRButtonUp, e);
  }
  void wheelEvent(QWheelEvent* e) override {
    const QPoint p = e->position().toPoint();
    const int delta = e->angleDelta().y();
    if (delta == 0) return;
    Post(kMsgMouseWheel, MakeWParam(static_cast<int32_t>(ButtonState(e->buttons(), e->modifiers())), delta),
         MakeLParam(p.x(), p.y()));
  }

 private:
  QtWindow* owner_;
};

// ---------------------------------------------------------------------------
// QtWindow

QtWindow::QtWindow(QtWindowSystem* system, const WindowDesc& desc)
    : BackendWindow(system, desc.proc), system_(system), style_(desc.style) {
  widget_ = new Canvas(this);
  widget_->setWindowTitle(ToQt(desc.title));
  widget_->resize(std::max(1, desc.clientWidth), std::max(1, desc.clientHeight));
  widget_->move(desc.x, desc.y);
  if (style_ == WindowStyle::kFramedFixed) widget_->setFixedSize(widget_->size());
  ResizeImage();
}

QtWindow::~QtWindow() {
  timers_.clear();
  if (widget_) {
    widget_->Detach();
    delete widget_.data();
  }
}

QWidget* QtWindow::Widget() const { return alive_ ? widget_.data() : nullptr; }

void QtWindow::ResizeImage() {
  if (!widget_) return;
  const QSize s = widget_->size();
  if (image_.size() == s) return;
  QImage next(s, QImage::Format_RGB32);
  next.fill(0xFF000000u);
  if (!image_.isNull()) {
    QPainter p(&next);
    p.drawImage(0, 0, image_);
  }
  image_ = next;
}

void QtWindow::Show(bool maximised) {
  if (!alive_ || !widget_) return;
  if (style_ == WindowStyle::kFullScreen) {
    widget_->showFullScreen();
  } else if (maximised) {
    widget_->showMaximized();
  } else {
    widget_->showNormal();
  }
  invalid_ = true;
}

void QtWindow::Focus() {
  if (!alive_ || !widget_) return;
  widget_->activateWindow();
  widget_->setFocus();
}

void QtWindow::SetStyle(WindowStyle style) {
  if (!alive_ || !widget_ || style == style_) return;
  style_ = style;
  widget_->setMinimumSize(0, 0);
  widget_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  if (style == WindowStyle::kFullScreen) {
    widget_->showFullScreen();
  } else {
    if (widget_->isFullScreen()) widget_->showNormal();
    if (style == WindowStyle::kFramedFixed) widget_->setFixedSize(widget_->size());
  }
}

WindowRect QtWindow::ClientRect() const {
  if (!widget_) return {};
  return {0, 0, widget_->width(), widget_->height()};
}

WindowRect QtWindow::OuterForClient(int32_t clientWidth, int32_t clientHeight) const {
  int32_t l = 0, t = 0, r = 0, b = 0;
  if (widget_) FrameMargins(widget_, &l, &t, &r, &b);
  return {-l, -t, clientWidth + r, clientHeight + b};
}

void QtWindow::ClientToScreen(int32_t* x, int32_t* y) const {
  if (!widget_) return;
  const QPoint p = widget_->mapToGlobal(QPoint(x ? *x : 0, y ? *y : 0));
  if (x) *x = p.x();
  if (y) *y = p.y();
}

void QtWindow::SetTitle(const std::string& title) {
  if (alive_ && widget_) widget_->setWindowTitle(ToQt(title));
}

void QtWindow::Close() {
  alive_ = false;
  timers_.clear();
  if (widget_) {
    widget_->Detach();
    widget_->hide();
    widget_->deleteLater();
  }
}

void QtWindow::SetTimer(uint32_t id, uint32_t periodMs) {
  if (!alive_) return;
  std::unique_ptr<QTimer>& t = timers_[id];
  if (!t) {
    t = std::make_unique<QTimer>();
    QObject::connect(t.get(), &QTimer::timeout, [this, id] {
      if (alive_ && !system_->HasPendingTimer(this, id)) system_->PostMessage(this, kMsgTimer, id, 0);
    });
  }
  t->start(static_cast<int>(std::max<uint32_t>(1, periodMs)));
}

void QtWindow::KillTimer(uint32_t id) { timers_.erase(id); }

void QtWindow::ConfineCursor(bool) {
  // Qt offers no pointer confinement; the tools never ask for it.
}

void QtWindow::WarpCursor(int32_t clientX, int32_t clientY) {
  if (alive_ && widget_) QCursor::setPos(widget_->mapToGlobal(QPoint(clientX, clientY)));
}

bool QtWindow::Present(const PresentBuffer& buffer, const WindowRect& target, const WindowRect* black, int blackCount) {
  if (!alive_ || !widget_ || !buffer.Usable()) return false;
  ResizeImage();
  const int32_t iw = image_.width(), ih = image_.height();
  const int32_t tw = target.right - target.left;
  const int32_t th = target.bottom - target.top;
  if (tw > 0 && th > 0) {
    const int32_t x0 = std::max(0, target.left), x1 = std::min(iw, target.right);
    const int32_t y0 = std::max(0, target.top), y1 = std::min(ih, target.bottom);
    std::vector<int32_t> columns(static_cast<size_t>(std::max(0, x1 - x0)));
    for (int32_t x = x0; x < x1; ++x) columns[x - x0] = NearestSource(x - target.left, buffer.width, tw);
    std::vector<uint32_t> row(static_cast<size_t>(buffer.width));
    int32_t converted = -1;
    for (int32_t y = y0; y < y1; ++y) {
      const int32_t sy = NearestSource(y - target.top, buffer.height, th);
      if (sy != converted) {
        PresentRowRgb(buffer, sy, row.data());
        converted = sy;
      }
      auto* out = reinterpret_cast<uint32_t*>(image_.scanLine(y));
      for (int32_t x = x0; x < x1; ++x) out[x] = row[columns[x - x0]];
    }
  }
  for (int i = 0; black && i < blackCount; ++i) {
    const int32_t x0 = std::max(0, black[i].left), x1 = std::min(iw, black[i].right);
    const int32_t y0 = std::max(0, black[i].top), y1 = std::min(ih, black[i].bottom);
    for (int32_t y = y0; y < y1; ++y) {
      auto* out = reinterpret_cast<uint32_t*>(image_.scanLine(y));
      std::fill(out + x0, out + std::max(x0, x1), 0xFF000000u);
    }
  }
  widget_->update();
  return true;
}

WindowRect QtWindow::OuterRect() const { return widget_ ? OuterOf(widget_) : WindowRect{}; }

void QtWindow::MoveOuter(int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) {
  if (!alive_ || !widget_ || style_ == WindowStyle::kFullScreen) return;
  if (widget_->isMaximized() || widget_->isMinimized()) widget_->showNormal();
  if (style_ == WindowStyle::kFramedFixed) {
    widget_->setMinimumSize(0, 0);
    widget_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
  MoveOuterOf(widget_, x, y, width, height);
  if (style_ == WindowStyle::kFramedFixed) widget_->setFixedSize(widget_->size());
  ResizeImage();
  if (repaint) Invalidate();
}

int32_t QtWindow::ScreenWidth() const { return ScreenWidthOf(widget_); }
int32_t QtWindow::ScreenHeight() const { return ScreenHeightOf(widget_); }
bool QtWindow::IsMaximised() const { return widget_ && widget_->isMaximized() && !widget_->isMinimized(); }

// ---------------------------------------------------------------------------
// QtWindowSystem

Window* QtWindowSystem::CreateMainWindow(const WindowDesc& desc) {
  return AddWindow(std::make_unique<QtWindow>(this, desc));
}

bool QtWindowSystem::PostMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!PostToQueue(window, message, wParam, lParam)) return false;
  if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance()) d->wakeUp();
  return true;
}

void QtWindowSystem::PostQuitMessage(int32_t code) {
  SetQuit(code);
  if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance()) d->wakeUp();
}

bool QtWindowSystem::PeekMessage(Message* out, bool remove) {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return TakeNext(out, remove);
}

bool QtWindowSystem::GetMessage(Message* out) {
  Message m;
  while (!TakeNext(&m, true)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  if (out) *out = m;
  return m.message != kMsgQuit;
}

void QtWindowSystem::WaitMessage() {
  while (!TakeNext(nullptr, false)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool QtWindowSystem::WaitMessageFor(uint32_t timeoutMs) {
  if (PeekMessage(nullptr, false)) return true;
  if (timeoutMs == 0) return false;
  // A single-shot timer wakes the event loop at the deadline.
  bool expired = false;
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  QObject::connect(&deadline, &QTimer::timeout, [&expired] { expired = true; });
  deadline.start(static_cast<int>(std::min<uint32_t>(timeoutMs, INT32_MAX)));
  while (!expired && !TakeNext(nullptr, false)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return TakeNext(nullptr, false);
}

void QtWindowSystem::ShowCursor(bool show) {
  cursorShown_ = show;
  for (auto& w : windows_) {
    if (QWidget* widget = w->Widget()) widget->setCursor(show ? Qt::ArrowCursor : Qt::BlankCursor);
  }
}

int32_t QtWindowSystem::ScreenWidth() const { return ScreenWidthOf(nullptr); }
int32_t QtWindowSystem::ScreenHeight() const { return ScreenHeightOf(nullptr); }

int32_t QtWindowSystem::ShowMessageBox(Window* owner, const std::string& text, const std::string& caption,
                                       uint32_t flags) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (flags & 0xF0u) {
    case kMbIconError: icon = QMessageBox::Critical; break;
    case kMbIconQuestion: icon = QMessageBox::Question; break;
    case kMbIconWarning: icon = QMessageBox::Warning; break;
    case kMbIconInformation: icon = QMessageBox::Information; break;
    default: break;
  }
  const bool okCancel = (flags & 0x0Fu) == kMbOkCancel;
  QMessageBox box(icon, ToQt(caption), ToQt(text), okCancel ? (QMessageBox::Ok | QMessageBox::Cancel) : QMessageBox::Ok,
                  NativeWidget(owner));
  box.setEscapeButton(okCancel ? QMessageBox::Cancel : QMessageBox::Ok);
  const int answer = box.exec();
  return answer == QMessageBox::Cancel ? kIdCancel : kIdOk;
}

// ---------------------------------------------------------------------------
// The platform object and the public helpers

namespace {

class Platform : public QtPlatform {
 public:
  Platform(int argc, char** argv) : argc_(argc), argv_(argv) {
    if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc_, argv_);
    std::setlocale(LC_NUMERIC, "C");
    windows_ = std::make_unique<QtWindowSystem>();
    dialogs_ = std::make_unique<QtDialogSystem>();
    files_ = std::make_unique<QtFileDialogs>();
  }
  ~Platform() override {
    files_.reset();
    dialogs_.reset();
    windows_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    app_.reset();
  }
  WindowSystem* Windows() override { return windows_.get(); }
  DialogSystem* Dialogs() override { return dialogs_.get(); }

 private:
  int argc_;
  char** argv_;
  std::unique_ptr<QApplication> app_;
  std::unique_ptr<QtWindowSystem> windows_;
  std::unique_ptr<QtDialogSystem> dialogs_;
  std::unique_ptr<QtFileDialogs> files_;
};

}  // namespace

std::unique_ptr<QtPlatform> QtPlatform::Create(int argc, char** argv) { return std::make_unique<Platform>(argc, argv); }

QWidget* NativeWidget(const WindowPlacement* windowOrDialog) {
  if (!windowOrDialog) return nullptr;
  if (auto* w = dynamic_cast<const QtWindow*>(windowOrDialog)) return w->Widget();
  if (auto* d = dynamic_cast<const QtDialog*>(windowOrDialog)) return d->Widget();
  return nullptr;
}

bool GrabClient(Window* window, int32_t* width, int32_t* height, std::vector<uint32_t>* pixels) {
  QWidget* w = NativeWidget(window);
  if (!w) return false;
  const QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
  if (width) *width = img.width();
  if (height) *height = img.height();
  if (pixels) {
    pixels->resize(static_cast<size_t>(img.width()) * img.height());
    for (int y = 0; y < img.height(); ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
      std::copy(row, row + img.width(), pixels->begin() + static_cast<ptrdiff_t>(y) * img.width());
    }
  }
  return true;
}

void ProcessEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace plat::qt
