// Message boxes and file dialogs with the Qt back end, answered by timers
// that act on the box or dialog the way the user would.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <boost/filesystem.hpp>
#include <fstream>
#include <functional>

#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_internal.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

// Runs `act` on the first modal widget of type T once it is up.
template <typename T>
void WhenShown(std::function<void(T*)> act, int tries = 200) {
  QTimer::singleShot(10, [act, tries] {
    if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()); w && w->isVisible()) {
      act(w);
    } else if (tries > 0) {
      WhenShown<T>(act, tries - 1);
    }
  });
}

void Press(QMessageBox* box, QMessageBox::StandardButton which) {
  if (QAbstractButton* b = box->button(which)) b->click();
}

}  // namespace

TEST(QtMessageBox, TextCaptionAndAnswers) {
  QString text, caption;
  bool hasCancel = false;
  WhenShown<QMessageBox>([&](QMessageBox* box) {
    text = box->text();
    caption = box->windowTitle();
    hasCancel = box->button(QMessageBox::Cancel) != nullptr;
    Press(box, QMessageBox::Cancel);
  });
  EXPECT_EQ(plat::ShowMessageBox(nullptr, "Really clear all images?", "Confirm", plat::kMbOkCancel), plat::kIdCancel);
  EXPECT_EQ(text, QStringLiteral("Really clear all images?"));
  EXPECT_EQ(caption, QStringLiteral("Confirm"));
  EXPECT_TRUE(hasCancel);

  WhenShown<QMessageBox>([&](QMessageBox* box) {
    hasCancel = box->button(QMessageBox::Cancel) != nullptr;
    text = box->text();
    Press(box, QMessageBox::Ok);
  });
  EXPECT_EQ(plat::ShowMessageBox(nullptr, "Can't open file. \x93quoted\x94", "Error", plat::kMbOk | plat::kMbIconError),
            plat::kIdOk);
  EXPECT_FALSE(hasCancel);
  EXPECT_EQ(text, QString::fromUtf8("Can't open file. \xE2\x80\x9Cquoted\xE2\x80\x9D"));
}

TEST(QtFileDialog, FiltersPreselectionAndDefaultExtension) {
  const fs::path dir = vantrel::test::MakeTempDir("qt_open");
  std::ofstream((dir / "a.PNG").string()) << "x";
  plat::FileDialogRequest q;
  q.kind = plat::FileDialogKind::kOpen;
  q.title = "Replace an Image";
  q.filters = {{"All Files (*.*)", "*.*"}, {"Images", "*.bmp;*.jpg;*.png"}};
  q.filterIndex = 2;
  q.defaultExtension = "png";
  q.fileMustExist = true;
  q.initialFolder = dir;
  QStringList filters;
  QString selected, suffix, title;
  WhenShown<QFileDialog>([&](QFileDialog* d) {
    filters = d->nameFilters();
    selected = d->selectedNameFilter();
    suffix = d->defaultSuffix();
    title = d->windowTitle();
    d->selectFile(QString::fromStdString((dir / "a.PNG").string()));
    QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
  });
  const plat::FileDialogResult r = plat::RunFileDialog(q);
  ASSERT_TRUE(r.chosen);
  ASSERT_EQ(r.paths.size(), 1u);
  EXPECT_EQ(r.paths[0], dir / "a.PNG");
  EXPECT_EQ(r.filterIndex, 2);
  EXPECT_EQ(title, QStringLiteral("Replace an Image"));
  ASSERT_EQ(filters.size(), 2);
  EXPECT_EQ(selected, QStringLiteral("Images"));
  EXPECT_TRUE(filters[0].endsWith(QStringLiteral("(*)")));
  EXPECT_TRUE(filters[1].startsWith(QStringLiteral("Images (")));
  EXPECT_EQ(suffix, QStringLiteral("png"));

  // Cancel.
  WhenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
  EXPECT_FALSE(plat::RunFileDialog(q).chosen);
}

TEST(QtFileDialog, SaveOverwriteAnsweredNoStaysInTheDialog) {
  const fs::path dir = vantrel::test::MakeTempDir("qt_save");
  std::ofstream((dir / "old.bdz").string()) << "x";
  plat::FileDialogRequest q;
  q.kind = plat::FileDialogKind::kSave;
  q.title = "Save Board Set";
  q.filters = {{"Board Sets (*.bdz)", "*.bdz"}};
  q.overwritePrompt = true;
  q.initialFolder = dir;
  bool asked = false;
  bool stillOpen = false;
  WhenShown<QFileDialog>([&](QFileDialog* d) {
    d->selectFile(QString::fromStdString((dir / "old.bdz").string()));
    WhenShown<QMessageBox>([&](QMessageBox* box) {
      asked = true;
      Press(box, QMessageBox::No);
    });
    QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
    stillOpen = d->isVisible();
    d->reject();
  });
  EXPECT_FALSE(plat::RunFileDialog(q).chosen);
  EXPECT_TRUE(asked);
  EXPECT_TRUE(stillOpen);
}

TEST(QtFileDialog, PatternsIgnoreCase) {
  EXPECT_EQ(plat::qt::QtPatterns("*.*"), QStringLiteral("*"));
  EXPECT_EQ(plat::qt::QtPatterns("*.bmp; *.Png"), QStringLiteral("*.[bB][mM][pP] *.[pP][nN][gG]"));
  EXPECT_EQ(plat::qt::QtPatterns(""), QStringLiteral("*"));
}
