#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QValidator>
#include <algorithm>

#include "platform/qt/qt_internal.h"
#include "platform/qt/qt_platform.h"

namespace plat::qt {

namespace {

const QEvent::Type kPostedType = static_cast<QEvent::Type>(QEvent::registerEventType());

struct PostedEvent : QEvent {
  PostedEvent(uint32_t m, uintptr_t w, intptr_t l) : QEvent(kPostedType), message(m), wParam(w), lParam(l) {}
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

// What the user may type into a one-line edit: the edit's limit, digits for
// a number edit, and only characters Windows-1252 can hold.
class EditValidator : public QValidator {
 public:
  // Owned by its edit (the parent), so it goes with the dialog.
  EditValidator(uint32_t flags, int32_t* limit, QObject* parent)
      : QValidator(parent), flags_(flags & ~kCtlReadOnly), limit_(limit) {}
  State validate(QString& input, int&) const override {
    if (!FitsCp1252(input)) return Invalid;
    return EditAccepts(flags_, *limit_, FromQt(input)) ? Acceptable : Invalid;
  }

 private:
  uint32_t flags_;
  const int32_t* limit_;
};

class LineEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;
  std::function<void()> onFocusOut;

 protected:
  void focusOutEvent(QFocusEvent* e) override {
    QLineEdit::focusOutEvent(e);
    if (onFocusOut) onFocusOut();
  }
};

class TextEdit : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;
  std::function<void()> onFocusOut;

 protected:
  void focusOutEvent(QFocusEvent* e) override {
    QPlainTextEdit::focusOutEvent(e);
    if (onFocusOut) onFocusOut();
  }
};

std::string ToCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

std::string WithoutCr(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out.push_back(c);
  }
  return out;
}

}  // namespace

class DialogWidget : public QDialog {
 public:
  DialogWidget(QtDialog* owner, QWidget* parent) : QDialog(parent), owner_(owner) {}
  void Detach() { owner_ = nullptr; }

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    if (owner_) owner_->Send(kMsgClose, 0, 0);
  }
  // Escape (and anything else that would accept or reject the dialog)
  // comes to the procedure as a command; the dialog never closes by itself.
  void reject() override {
    if (owner_) owner_->Notify(kDialogIdCancel, kNotifyClicked);
  }
  void accept() override {
    if (owner_) owner_->Notify(kDialogIdOk, kNotifyClicked);
  }
  void customEvent(QEvent* e) override {
    if (e->type() != kPostedType || !owner_) return;
    auto* p = static_cast<PostedEvent*>(e);
    owner_->Send(p->message, p->wParam, p->lParam);
  }

 private:
  QtDialog* owner_;
};

struct QtDialog::Control {
  ControlDesc desc;
  int32_t limit = 0;
  QPointer<QWidget> widget;
  QPushButton* button = nullptr;
  QCheckBox* check = nullptr;
  QLabel* label = nullptr;
  QGroupBox* group = nullptr;
  LineEdit* line = nullptr;
  TextEdit* text = nullptr;
  QListWidget* list = nullptr;
  QComboBox* combo = nullptr;
};

struct QtDialog::MenuItem {
  int32_t id;
  QAction* action;
  bool checked;
};

// ---------------------------------------------------------------------------
// QtDialog

QtDialog::QtDialog(const DialogDesc& desc, WindowPlacement* owner, bool modal) : BackendDialog(modal) {
  proc_ = desc.proc;
  widget_ = new DialogWidget(this, nullptr);
  DialogWidget* w = widget_;
  w->setWindowTitle(ToQt(desc.title));
  if (QWidget* parent = NativeWidget(owner)) {
    w->setParent(parent, Qt::Dialog);
    // The owner may go first; the dialog then goes with its own Destroy.
    w->setAttribute(Qt::WA_DeleteOnClose, false);
  }

  // Dialog units from the dialog font: a quarter of the average character
  // width across, an eighth of the character height down.
  const QFontMetrics fm(w->font());
  const int baseX = std::max(
      1, (fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2);
  const int baseY = std::max(1, fm.height());
  auto px = [baseX](int32_t du) { return static_cast<int>(static_cast<int64_t>(du) * baseX / 4); };
  auto py = [baseY](int32_t du) { return static_cast<int>(static_cast<int64_t>(du) * baseY / 8); };

  int menuHeight = 0;
  if (!desc.menus.empty()) {
    auto* bar = new QMenuBar(w);
    for (const MenuDesc& m : desc.menus) {
      QMenu* menu = bar->addMenu(ToQt(m.title));
      for (const MenuItemDesc& item : m.items) {
        if (item.id == 0) {
          menu->addSeparator();
          continue;
        }
        QAction* a = menu->addAction(ToQt(item.text));
        if (item.checked) {
          a->setCheckable(true);
          a->setChecked(true);
        }
        auto state = std::make_unique<MenuItem>(MenuItem{item.id, a, item.checked});
        MenuItem* s = state.get();
        menuItems_.push_back(std::move(state));
        QObject::connect(a, &QAction::triggered, [this, s] {
          // The mark is the program's: undo Qt's own toggle.
          if (s->action->isCheckable()) s->action->setChecked(s->checked);
          Notify(s->id, kNotifyMenuItem);
        });
      }
    }
    menuHeight = bar->sizeHint().height();
    bar->setGeometry(0, 0, px(desc.width), menuHeight);
  }
  w->setFixedSize(px(desc.width), py(desc.height) + menuHeight);

  std::vector<QGroupBox*> groups;
  for (const ControlDesc& c : desc.controls) {
    auto control = std::make_unique<Control>();
    Control* k = control.get();
    k->desc = c;
    k->limit = c.limit;
    const int32_t id = c.id;
    QRect r(px(c.rect.x), py(c.rect.y) + menuHeight, std::max(1, px(c.rect.width)), std::max(1, py(c.rect.height)));
    switch (c.kind) {
      case ControlKind::kButton:
      case ControlKind::kDefaultButton: {
        k->button = new QPushButton(ToQt(c.text), w);
        k->button->setAutoDefault(false);
        k->button->setDefault(c.kind == ControlKind::kDefaultButton || (c.flags & kCtlDefault));
        QObject::connect(k->button, &QPushButton::clicked, [this, id] { Notify(id, kNotifyClicked); });
        k->widget = k->button;
        break;
      }
      case ControlKind::kCheckBox:
        k->check = new QCheckBox(ToQt(c.text), w);
        QObject::connect(k->check, &QCheckBox::clicked, [this, id] { Notify(id, kNotifyClicked); });
        k->widget = k->check;
        break;
      case ControlKind::kLabel:
        k->label = new QLabel(ToQt(c.text), w);
        k->label->setTextFormat(Qt::PlainText);
        k->label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        k->widget = k->label;
        break;
      case ControlKind::kGroupBox:
        k->group = new QGroupBox(ToQt(c.text), w);
        groups.push_back(k->group);
        k->widget = k->group;
        break;
      case ControlKind::kEdit:
        if (c.flags & kCtlMultiLine) {
          k->text = new TextEdit(w);
          k->text->setReadOnly(c.flags & kCtlReadOnly);
          k->text->setVerticalScrollBarPolicy((c.flags & kCtlVScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
          k->text->setPlainText(ToQt(WithoutCr(c.text)));
          QObject::connect(k->text, &QPlainTextEdit::textChanged, [this, k, id] {
            if (quiet_ > 0) return;
            if (k->limit > 0 && k->text->toPlainText().size() > k->limit) {
              ++quiet_;
              k->text->undo();
              --quiet_;
              return;
            }
            Notify(id, kNotifyEditChange);
          });
          k->text->onFocusOut = [this, id] { Notify(id, kNotifyEditKillFocus); };
          k->widget = k->text;
        } else {
          k->line = new LineEdit(ToQt(c.text), w);
          k->line->setReadOnly(c.flags & kCtlReadOnly);
          if (c.flags & kCtlRightAlign) k->line->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
          k->line->setValidator(new EditValidator(c.flags, &k->limit, k->line));
          QObject::connect(k->line, &QLineEdit::textEdited, [this, id] { Notify(id, kNotifyEditChange); });
          k->line->onFocusOut = [this, id] { Notify(id, kNotifyEditKillFocus); };
          k->widget = k->line;
        }
        break;
      case ControlKind::kListBox: {
        k->list = new QListWidget(w);
        k->list->setSelectionMode(QAbstractItemView::SingleSelection);
        const bool notify = c.flags & kCtlNotify;
        QObject::connect(k->list, &QListWidget::currentRowChanged, [this, id, notify](int) {
          if (notify && quiet_ == 0) Notify(id, kNotifyListSelChange);
        });
        QObject::connect(k->list, &QListWidget::itemDoubleClicked, [this, id, notify](QListWidgetItem*) {
          if (notify) Notify(id, kNotifyListDoubleClick);
        });
        k->widget = k->list;
        break;
      }
      case ControlKind::kDropDown:
        k->combo = new QComboBox(w);
        k->combo->setEditable(false);
        QObject::connect(k->combo, &QComboBox::activated, [this, id](int) { Notify(id, kNotifyListSelChange); });
        r.setHeight(k->combo->sizeHint().height());
        k->widget = k->combo;
        break;
    }
    k->widget->setGeometry(r);
    if (c.flags & kCtlDisabled) k->widget->setEnabled(false);
    controls_.push_back(std::move(control));
  }
  // Group boxes only frame the controls inside them.
  for (QGroupBox* g : groups) g->lower();
}

QtDialog::~QtDialog() {
  timers_.clear();
  if (widget_) {
    widget_->Detach();
    delete widget_.data();
  }
}

QWidget* QtDialog::Widget() const { return alive_ ? widget_.data() : nullptr; }

QtDialog::Control* QtDialog::Find(int32_t id) const {
  if (!alive_ || !widget_ || id == kNoControlId) return nullptr;
  for (const auto& c : controls_) {
    if (c->desc.id == id && c->widget) return c.get();
  }
  return nullptr;
}

QWidget* QtDialog::ControlWidget(int32_t id) const {
  Control* c = Find(id);
  return c ? c->widget.data() : nullptr;
}

void QtDialog::Notify(int32_t id, uint32_t code) {
  if (quiet_ > 0) return;
  Send(kMsgCommand, MakeWParam(id, static_cast<int32_t>(code)), 0);
}

std::string QtDialog::GetText(int32_t id) const {
  Control* c = Find(id);
  if (!c) return {};
  if (c->button) return FromQt(c->button->text());
  if (c->check) return FromQt(c->check->text());
  if (c->label) return FromQt(c->label->text());
  if (c->group) return FromQt(c->group->title());
  if (c->line) return FromQt(c->line->text());
  if (c->text) return ToCrLf(FromQt(c->text->toPlainText()));
  if (c->list) {
    QListWidgetItem* item = c->list->currentRow() >= 0 ? c->list->item(c->list->currentRow()) : nullptr;
    return item ? FromQt(item->text()) : std::string();
  }
  if (c->combo) return c->combo->currentIndex() >= 0 ? FromQt(c->combo->currentText()) : std::string();
  return {};
}

bool QtDialog::SetText(int32_t id, const std::string& text) {
  Control* c = Find(id);
  if (!c || c->list || c->combo) return false;
  const QString t = ToQt(text);
  if (c->button) c->button->setText(t);
  if (c->check) c->check->setText(t);
  if (c->label) c->label->setText(t);
  if (c->group) c->group->setTitle(t);
  if (c->line || c->text) {
    ++quiet_;
    if (c->line) c->line->setText(t);
    if (c->text) c->text->setPlainText(ToQt(WithoutCr(text)));
    --quiet_;
    Notify(id, kNotifyEditChange);
  }
  return true;
}

bool QtDialog::Check(int32_t id, bool checked) {
  Control* c = Find(id);
  if (!c || !c->check) return false;
  c->check->setChecked(checked);
  return true;
}

bool QtDialog::IsChecked(int32_t id) const {
  Control* c = Find(id);
  return c && c->check && c->check->isChecked();
}

bool QtDialog::Enable(int32_t id, bool enabled) {
  Control* c = Find(id);
  if (!c) return false;
  c->widget->setEnabled(enabled);
  return true;
}

bool QtDialog::IsEnabled(int32_t id) const {
  Control* c = Find(id);
  return c && c->widget->isEnabled();
}

bool QtDialog::LimitText(int32_t id, int32_t limit) {
  Control* c = Find(id);
  if (!c || !(c->line || c->text)) return false;
  c->limit = std::max(0, limit);
  return true;
}

bool QtDialog::ScrollToEnd(int32_t id) {
  Control* c = Find(id);
  if (!c) return false;
  if (c->text) {
    c->text->moveCursor(QTextCursor::End);
    c->text->verticalScrollBar()->setValue(c->text->verticalScrollBar()->maximum());
    return true;
  }
  if (c->line) {
    c->line->end(false);
    return true;
  }
  return false;
}

bool QtDialog::ResetItems(int32_t id) {
  Control* c = Find(id);
  if (!c || !(c->list || c->combo)) return false;
  ++quiet_;
  if (c->list) c->list->clear();
  if (c->combo) c->combo->clear();
  --quiet_;
  return true;
}

int32_t QtDialog::AddItem(int32_t id, const std::string& text) { return InsertItem(id, -1, text); }

int32_t QtDialog::InsertItem(int32_t id, int32_t index, const std::string& text) {
  Control* c = Find(id);
  if (!c || !(c->list || c->combo)) return -1;
  const int32_t n = ItemCount(id);
  if (index < 0) index = n;
  if (index > n) return -1;
  ++quiet_;
  if (c->list) c->list->insertItem(index, ToQt(text));
  if (c->combo) {
    const int before = c->combo->currentIndex();
    c->combo->insertItem(index, ToQt(text));
    // A first item must not select itself.
    if (before < 0) c->combo->setCurrentIndex(-1);
  }
  --quiet_;
  return index;
}

bool QtDialog::DeleteItem(int32_t id, int32_t index) {
  Control* c = Find(id);
  if (!c || index < 0 || index >= ItemCount(id)) return false;
  ++quiet_;
  if (c->list) {
    const int current = c->list->currentRow();
    delete c->list->takeItem(index);
    if (current == index) c->list->setCurrentRow(-1);
  }
  if (c->combo) {
    const int current = c->combo->currentIndex();
    c->combo->removeItem(index);
    if (current == index) c->combo->setCurrentIndex(-1);
  }
  --quiet_;
  return true;
}

int32_t QtDialog::ItemCount(int32_t id) const {
  Control* c = Find(id);
  if (!c) return -1;
  if (c->list) return c->list->count();
  if (c->combo) return c->combo->count();
  return -1;
}

std::string QtDialog::ItemText(int32_t id, int32_t index) const {
  Control* c = Find(id);
  if (!c || index < 0 || index >= ItemCount(id)) return {};
  if (c->list) return FromQt(c->list->item(index)->text());
  return FromQt(c->combo->itemText(index));
}

bool QtDialog::SetSelection(int32_t id, int32_t index) {
  Control* c = Find(id);
  if (!c || !(c->list || c->combo) || index < -1 || index >= ItemCount(id)) return false;
  ++quiet_;
  if (c->list) {
    c->list->setCurrentRow(index);
    if (index < 0) c->list->clearSelection();
  }
  if (c->combo) c->combo->setCurrentIndex(index);
  --quiet_;
  return true;
}

int32_t QtDialog::Selection(int32_t id) const {
  Control* c = Find(id);
  if (!c) return -1;
  if (c->list) return c->list->currentRow();
  if (c->combo) return c->combo->currentIndex();
  return -1;
}

void QtDialog::SetTitle(const std::string& title) {
  if (Widget()) widget_->setWindowTitle(ToQt(title));
}

std::string QtDialog::Title() const { return Widget() ? FromQt(widget_->windowTitle()) : std::string(); }

bool QtDialog::CheckMenuItem(int32_t id, bool checked) {
  if (!Widget()) return false;
  for (auto& m : menuItems_) {
    if (m->id != id) continue;
    m->checked = checked;
    m->action->setCheckable(true);
    m->action->setChecked(checked);
    return true;
  }
  return false;
}

bool QtDialog::IsMenuItemChecked(int32_t id) const {
  if (!Widget()) return false;
  for (const auto& m : menuItems_) {
    if (m->id == id) return m->checked;
  }
  return false;
}

void QtDialog::SetTimer(uint32_t id, uint32_t periodMs) {
  if (!Widget()) return;
  std::unique_ptr<QTimer>& t = timers_[id];
  if (!t) {
    t = std::make_unique<QTimer>();
    QObject::connect(t.get(), &QTimer::timeout, [this, id] { Send(kMsgTimer, id, 0); });
  }
  t->start(static_cast<int>(std::max<uint32_t>(1, periodMs)));
}

void QtDialog::KillTimer(uint32_t id) { timers_.erase(id); }

bool QtDialog::PostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!Widget()) return false;
  QCoreApplication::postEvent(widget_, new PostedEvent(message, wParam, lParam));
  return true;
}

void QtDialog::Show(bool shown) {
  if (Widget()) widget_->setVisible(shown);
}

void QtDialog::Close() {
  timers_.clear();
  if (widget_) {
    widget_->Detach();
    widget_->hide();
    // Queued private messages die with the widget.
    widget_->deleteLater();
  }
}

WindowRect QtDialog::OuterRect() const { return Widget() ? OuterOf(widget_) : WindowRect{}; }

void QtDialog::MoveOuter(int32_t x, int32_t y, int32_t, int32_t, bool) {
  // A dialog keeps its size; only its place changes.
  if (Widget()) widget_->move(x, y);
}

int32_t QtDialog::ScreenWidth() const { return ScreenWidthOf(widget_); }
int32_t QtDialog::ScreenHeight() const { return ScreenHeightOf(widget_); }

// ---------------------------------------------------------------------------
// QtDialogSystem

QtDialogSystem::QtDialogSystem() { SetDialogSystem(this); }

QtDialogSystem::~QtDialogSystem() {
  if (GetDialogSystem() == this) SetDialogSystem(nullptr);
}

Dialog* QtDialogSystem::CreateModeless(const DialogDesc& desc, WindowPlacement* owner) {
  dialogs_.push_back(std::make_unique<QtDialog>(desc, owner, false));
  QtDialog* d = dialogs_.back().get();
  d->Send(kMsgInitDialog, 0, 0);
  return d->IsAlive() ? d : nullptr;
}

intptr_t QtDialogSystem::RunModal(const DialogDesc& desc, WindowPlacement* owner) {
  dialogs_.push_back(std::make_unique<QtDialog>(desc, owner, true));
  QtDialog* d = dialogs_.back().get();
  d->Send(kMsgInitDialog, 0, 0);
  if (QWidget* w = d->Widget()) {
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
  }
  intptr_t result = -1;
  while (d->IsAlive() && !d->Ended()) {
    // The program's windows get their messages while the dialog runs.
    if (WindowSystem* windows = GetWindowSystem()) {
      Message m;
      if (windows->PeekMessage(&m, false)) {
        if (m.message == kMsgQuit) break;  // stays queued for the program's loop
        windows->PeekMessage(&m, true);
        WindowSystem::DispatchMessage(m);
        continue;
      }
    }
    if (d->Ended()) break;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  if (d->Ended()) result = d->Result();
  d->Destroy();
  return result;
}

}  // namespace plat::qt
