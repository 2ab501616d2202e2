// Dialogs built from a table with the Qt back end.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/qt/qt_internal.h"
#include "platform/qt/qt_platform.h"

using plat::ControlKind;

namespace {

enum : int32_t {
  kAdd = 1002,
  kRemove = 1009,
  kName = 1016,
  kCount = 1024,
  kWide = 1022,
  kList = 1001,
  kCombo = 1012,
  kLog = 1003,
  kSize = 1017,
  kMenuGrid = 40007,
};

struct Got {
  uint32_t message;
  int32_t id;
  uint32_t notify;
  intptr_t lParam;
};

struct Fixture {
  std::vector<Got> got;
  plat::DialogDesc Desc() {
    plat::DialogDesc d;
    d.title = "Sheetwright 2.0";
    d.width = 260;
    d.height = 180;
    d.controls = {
        {plat::kNoControlId, ControlKind::kGroupBox, "Images", {100, 2, 150, 60}},
        {kList, ControlKind::kListBox, "", {4, 4, 90, 120}, plat::kCtlNotify},
        {kAdd, ControlKind::kButton, "Add", {110, 14, 50, 14}},
        {kRemove, ControlKind::kButton, "Remove", {170, 14, 50, 14}, plat::kCtlDisabled},
        {plat::kNoControlId, ControlKind::kLabel, "Name:", {110, 70, 30, 10}},
        {kName, ControlKind::kEdit, "Caf\xE9", {140, 70, 100, 14}, 0, 6},
        {kCount, ControlKind::kEdit, "", {140, 90, 40, 14}, plat::kCtlNumber},
        {kSize, ControlKind::kEdit, "16 x 8", {190, 90, 50, 14}, plat::kCtlReadOnly},
        {kWide, ControlKind::kCheckBox, "Widescreen:", {110, 110, 60, 12}},
        {kCombo, ControlKind::kDropDown, "", {110, 130, 80, 60}},
        {kLog, ControlKind::kEdit, "", {4, 130, 100, 40}, plat::kCtlReadOnly | plat::kCtlMultiLine | plat::kCtlVScroll},
        {plat::kDialogIdOk, ControlKind::kDefaultButton, "Upload", {200, 150, 50, 20}},
    };
    d.menus = {{"&View", {{"Show &Grid", kMenuGrid, true}, {"", 0}, {"&Other", 40001}}}};
    d.proc = [this](plat::Dialog* dlg, uint32_t m, uintptr_t w, intptr_t l) -> intptr_t {
      got.push_back({m, static_cast<int32_t>(plat::LowWord(w)), plat::HighWord(w), l});
      if (m == plat::kMsgInitDialog) {
        dlg->AddItem(kList, "0 brick");
        dlg->AddItem(kList, "1 ball");
        dlg->SetSelection(kList, 1);
        dlg->AddItem(kCombo, "0 Sky");
        dlg->AddItem(kCombo, "1 Sea");
        dlg->SetSelection(kCombo, 0);
        dlg->Check(kWide, true);
        return 1;
      }
      if (m == plat::kMsgCommand && plat::LowWord(w) == kMenuGrid) {
        dlg->CheckMenuItem(kMenuGrid, !dlg->IsMenuItemChecked(kMenuGrid));
        return 1;
      }
      if (m == plat::kMsgCommand && plat::LowWord(w) == kAdd) {
        dlg->End(42);
        return 1;
      }
      return 0;
    };
    return d;
  }
  std::vector<Got> Commands(int32_t id) const {
    std::vector<Got> out;
    for (const Got& g : got) {
      if (g.message == plat::kMsgCommand && g.id == id) out.push_back(g);
    }
    return out;
  }
};

template <typename T>
T* ControlOf(plat::Dialog* dlg, int32_t id) {
  auto* d = dynamic_cast<plat::qt::QtDialog*>(dlg);
  return d ? dynamic_cast<T*>(d->ControlWidget(id)) : nullptr;
}

void TypeInto(QWidget* w, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &release);
  }
}

QAction* MenuAction(plat::Dialog* dlg, const QString& text) {
  QWidget* w = plat::qt::NativeWidget(dlg);
  for (QAction* a : w->findChildren<QAction*>()) {
    if (a->text() == text) return a;
  }
  return nullptr;
}

}  // namespace

TEST(QtDialog, TableShowsTheControlsWithTheirTextsAndStates) {
  Fixture f;
  plat::Dialog* dlg = plat::GetDialogSystem()->CreateModeless(f.Desc(), nullptr);
  ASSERT_NE(dlg, nullptr);
  dlg->Show(true);
  plat::qt::ProcessEvents();
  QWidget* w = plat::qt::NativeWidget(dlg);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Sheetwright 2.0"));
  ASSERT_EQ(f.got.size(), 1u);
  EXPECT_EQ(f.got[0].message, plat::kMsgInitDialog);

  auto* add = ControlOf<QPushButton>(dlg, kAdd);
  auto* remove = ControlOf<QPushButton>(dlg, kRemove);
  ASSERT_TRUE(add && remove);
  EXPECT_EQ(add->text(), QStringLiteral("Add"));
  EXPECT_TRUE(add->isEnabled());
  EXPECT_FALSE(remove->isEnabled());
  EXPECT_FALSE(dlg->IsEnabled(kRemove));
  // Placed by dialog units: Remove to the right of Add, on the same line.
  EXPECT_GT(remove->x(), add->x() + add->width() / 2);
  EXPECT_EQ(remove->y(), add->y());
  EXPECT_TRUE(ControlOf<QPushButton>(dlg, plat::kDialogIdOk)->isDefault());

  auto* name = ControlOf<QLineEdit>(dlg, kName);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->text(), QString::fromUtf8("Caf\xC3\xA9"));
  EXPECT_EQ(dlg->GetText(kName), "Caf\xE9");
  EXPECT_TRUE(ControlOf<QLineEdit>(dlg, kSize)->isReadOnly());
  EXPECT_TRUE(ControlOf<QPlainTextEdit>(dlg, kLog)->isReadOnly());
  EXPECT_TRUE(ControlOf<QCheckBox>(dlg, kWide)->isChecked());
  auto* list = ControlOf<QListWidget>(dlg, kList);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("0 brick"));
  EXPECT_EQ(ControlOf<QComboBox>(dlg, kCombo)->currentText(), QStringLiteral("0 Sky"));
  // The group box stays behind the buttons it frames.
  QGroupBox* group = w->findChild<QGroupBox*>();
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->title(), QStringLiteral("Images"));
  EXPECT_EQ(w->childAt(add->geometry().center()), add);
  QLabel* label = w->findChild<QLabel*>();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), QStringLiteral("Name:"));
  EXPECT_TRUE(dlg->IsMenuItemChecked(kMenuGrid));
  ASSERT_NE(MenuAction(dlg, "Show &Grid"), nullptr);
  EXPECT_TRUE(MenuAction(dlg, "Show &Grid")->isChecked());
  // No notification came from the program's own setting up.
  EXPECT_EQ(f.got.size(), 1u);

  dlg->SetTitle("Sheetwright 2.0f (Font Mode)");
  EXPECT_EQ(dlg->Title(), "Sheetwright 2.0f (Font Mode)");
  dlg->Destroy();
  EXPECT_EQ(f.got.back().message, plat::kMsgDestroy);
  EXPECT_EQ(plat::qt::NativeWidget(dlg), nullptr);
}

TEST(QtDialog, ClicksTypingAndSelectionsReachTheProcedure) {
  Fixture f;
  plat::Dialog* dlg = plat::GetDialogSystem()->CreateModeless(f.Desc(), nullptr);
  ASSERT_NE(dlg, nullptr);
  dlg->Show(true);

  ControlOf<QCheckBox>(dlg, kWide)->click();
  ASSERT_EQ(f.Commands(kWide).size(), 1u);
  EXPECT_EQ(f.Commands(kWide)[0].notify, plat::kNotifyClicked);
  EXPECT_FALSE(dlg->IsChecked(kWide));
  // A disabled button gives nothing.
  ControlOf<QPushButton>(dlg, kRemove)->click();
  EXPECT_TRUE(f.Commands(kRemove).empty());

  // Typing: one change per character; the limit (6) and the digits-only rule hold.
  auto* name = ControlOf<QLineEdit>(dlg, kName);
  name->clear();
  TypeInto(name, "Sky");
  EXPECT_EQ(dlg->GetText(kName), "Sky");
  EXPECT_EQ(f.Commands(kName).size(), 3u);
  TypeInto(name, "bluesky");
  EXPECT_EQ(dlg->GetText(kName), "Skyblu");
  auto* count = ControlOf<QLineEdit>(dlg, kCount);
  TypeInto(count, "-1x2");
  int32_t n = 0;
  EXPECT_TRUE(dlg->GetNumber(kCount, &n));
  EXPECT_EQ(n, -12);
  // Setting the text from the program sends a change too, past the limit.
  const size_t before = f.Commands(kName).size();
  EXPECT_TRUE(dlg->SetText(kName, "a longer name"));
  EXPECT_EQ(dlg->GetText(kName), "a longer name");
  EXPECT_EQ(f.Commands(kName).size(), before + 1);
  EXPECT_EQ(f.Commands(kName).back().notify, plat::kNotifyEditChange);
  // Line breaks of a multi-line edit read back as CR LF.
  dlg->SetText(kLog, "one\r\ntwo\r\n");
  EXPECT_EQ(dlg->GetText(kLog), "one\r\ntwo\r\n");
  EXPECT_TRUE(dlg->ScrollToEnd(kLog));

  // A user selection notifies; the program's own does not.
  auto* list = ControlOf<QListWidget>(dlg, kList);
  list->setCurrentRow(0);
  ASSERT_EQ(f.Commands(kList).size(), 1u);
  EXPECT_EQ(f.Commands(kList)[0].notify, plat::kNotifyListSelChange);
  dlg->SetSelection(kList, 1);
  EXPECT_EQ(f.Commands(kList).size(), 1u);
  emit list->itemDoubleClicked(list->item(1));
  EXPECT_EQ(f.Commands(kList).back().notify, plat::kNotifyListDoubleClick);
  emit ControlOf<QComboBox>(dlg, kCombo)->activated(1);
  ASSERT_EQ(f.Commands(kCombo).size(), 1u);
  EXPECT_EQ(f.Commands(kCombo)[0].notify, plat::kNotifyListSelChange);
  EXPECT_EQ(dlg->InsertItem(kList, 0, "new"), 0);
  EXPECT_EQ(dlg->Selection(kList), 2);
  EXPECT_TRUE(dlg->DeleteItem(kList, 2));
  EXPECT_EQ(dlg->Selection(kList), -1);
  EXPECT_EQ(dlg->ItemCount(kList), 2);

  // Menu items: the procedure keeps the check mark.
  QAction* grid = MenuAction(dlg, "Show &Grid");
  ASSERT_NE(grid, nullptr);
  grid->trigger();
  ASSERT_EQ(f.Commands(kMenuGrid).size(), 1u);
  EXPECT_FALSE(dlg->IsMenuItemChecked(kMenuGrid));
  EXPECT_FALSE(grid->isChecked());
  MenuAction(dlg, "&Other")->trigger();
  EXPECT_EQ(f.Commands(40001).size(), 1u);
  EXPECT_FALSE(MenuAction(dlg, "&Other")->isChecked());

  // Private messages arrive in the order posted; the close box reaches the procedure.
  for (int i = 0; i < 4; ++i) dlg->PostMessage(2024, 0, i);
  plat::qt::ProcessEvents();
  std::vector<intptr_t> order;
  for (const Got& g : f.got) {
    if (g.message == 2024) order.push_back(g.lParam);
  }
  EXPECT_EQ(order, (std::vector<intptr_t>{0, 1, 2, 3}));
  plat::qt::NativeWidget(dlg)->close();
  EXPECT_EQ(f.got.back().message, plat::kMsgClose);
  EXPECT_TRUE(dlg->IsAlive());
  dlg->Destroy();
}

TEST(QtDialog, ModalRunEndsWithTheResultAndServesWindows) {
  Fixture f;
  std::vector<uint32_t> windowGot;
  plat::WindowDesc wd;
  wd.proc = [&](plat::Window* w, uint32_t m, uintptr_t wp, intptr_t lp) -> intptr_t {
    if (m >= plat::kMsgUser) windowGot.push_back(m);
    return plat::DefaultWindowProc(w, m, wp, lp);
  };
  plat::Window* preview = plat::GetWindowSystem()->CreateMainWindow(wd);
  ASSERT_NE(preview, nullptr);
  plat::Dialog* seen = nullptr;
  QTimer::singleShot(0, [&] {
    // The dialog made last is the modal one.
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->isVisible() && top->windowTitle() == QStringLiteral("Sheetwright 2.0")) {
        plat::GetWindowSystem()->PostMessage(preview, 2024, 0, 0);
        for (QPushButton* b : top->findChildren<QPushButton*>()) {
          if (b->text() == QStringLiteral("Add")) QTimer::singleShot(20, b, [b] { b->click(); });
        }
      }
    }
  });
  plat::DialogDesc desc = f.Desc();
  auto inner = desc.proc;
  desc.proc = [&](plat::Dialog* d, uint32_t m, uintptr_t w, intptr_t l) {
    seen = d;
    return inner(d, m, w, l);
  };
  EXPECT_EQ(plat::GetDialogSystem()->RunModal(desc, nullptr), 42);
  EXPECT_EQ(windowGot, (std::vector<uint32_t>{2024}));
  ASSERT_NE(seen, nullptr);
  EXPECT_FALSE(seen->IsAlive());
  EXPECT_EQ(f.got.back().message, plat::kMsgDestroy);
  preview->Destroy();
}

TEST(QtWindow, InputBecomesWindowMessages) {
  plat::WindowSystem* system = plat::GetWindowSystem();
  std::vector<plat::Message> got;
  plat::WindowDesc wd;
  wd.clientWidth = 120;
  wd.clientHeight = 80;
  wd.proc = [&](plat::Window* w, uint32_t m, uintptr_t wp, intptr_t lp) -> intptr_t {
    if (m == plat::kMsgKeyDown || m == plat::kMsgKeyUp || m == plat::kMsgChar || m == plat::kMsgLButtonDown ||
        m == plat::kMsgRButtonUp || m == plat::kMsgMouseWheel || m == plat::kMsgClose || m == plat::kMsgDestroy) {
      got.push_back({w, m, wp, lp});
    }
    return plat::DefaultWindowProc(w, m, wp, lp);
  };
  plat::Window* window = system->CreateMainWindow(wd);
  ASSERT_NE(window, nullptr);
  window->Show(false);
  QWidget* w = plat::qt::NativeWidget(window);
  ASSERT_NE(w, nullptr);

  QKeyEvent press(QEvent::KeyPress, Qt::Key_E, Qt::NoModifier, QString::fromUtf8("\xC3\xA9"));
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_E, Qt::NoModifier, QString::fromUtf8("\xC3\xA9"));
  QApplication::sendEvent(w, &release);
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
  QApplication::sendEvent(w, &escape);
  QMouseEvent down(QEvent::MouseButtonPress, QPointF(30, 20), w->mapToGlobal(QPointF(30, 20)), Qt::LeftButton,
                   Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(w, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, QPointF(7, 9), w->mapToGlobal(QPointF(7, 9)), Qt::RightButton,
                 Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &up);
  w->close();
  // Input is queued, not handled at once.
  EXPECT_TRUE(got.empty());
  plat::Message m;
  while (system->PeekMessage(&m, true)) plat::WindowSystem::DispatchMessage(m);

  ASSERT_EQ(got.size(), 9u);
  EXPECT_EQ(got[0].message, plat::kMsgKeyDown);
  EXPECT_EQ(got[0].wParam, static_cast<uintptr_t>('E'));
  EXPECT_EQ(got[1].message, plat::kMsgChar);
  EXPECT_EQ(got[1].wParam, 0xE9u);
  EXPECT_EQ(got[2].message, plat::kMsgKeyUp);
  EXPECT_EQ(got[3].message, plat::kMsgKeyDown);
  EXPECT_EQ(got[3].wParam, plat::kKeyEscape);
  EXPECT_EQ(got[4].message, plat::kMsgChar);
  EXPECT_EQ(got[4].wParam, 27u);
  EXPECT_EQ(got[5].message, plat::kMsgLButtonDown);
  EXPECT_EQ(got[5].wParam, plat::kButtonLeft | plat::kButtonShift);
  EXPECT_EQ(got[5].lParam, plat::MakeLParam(30, 20));
  EXPECT_EQ(got[6].message, plat::kMsgRButtonUp);
  EXPECT_EQ(got[6].lParam, plat::MakeLParam(7, 9));
  // The close box asks the procedure; the default handling destroys.
  EXPECT_EQ(got[7].message, plat::kMsgClose);
  EXPECT_EQ(got[8].message, plat::kMsgDestroy);
  EXPECT_FALSE(window->IsAlive());
}
