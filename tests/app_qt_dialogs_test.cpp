// The Qt dialogs of the window: filters, texts, and which button Enter and Escape press.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

#include "app/qt_dialogs.h"
#include "app_fakes.h"
#include "app_modal.h"
#include "test_support.h"

using namespace kelvane;

namespace {

TEST(QtDialogsTest, FiltersBecomeQtNameFilters) {
  struct Case {
    const char* filter;
    QStringList expected;
  } cases[] = {
      {"PGN & Text Files|*.PGN;*.TXT|All Files|*.*",
       {"PGN & Text Files (*.PGN *.pgn *.TXT *.txt)", "All Files (*)"}},
      {"Text editors and word processors|*.exe", {"Text editors and word processors (*.exe)"}},
      {"Games|*.pgn; *.PGN", {"Games (*.pgn *.PGN)"}},
      {"", {}},
      {"Odd|", {"Odd ()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    EXPECT_EQ(NameFilters(c.filter), c.expected);
  }
}

TEST(QtDialogsTest, MessageTextsBreakLinesAtCarriageReturns) {
  EXPECT_EQ(MessageText("one\rtwo"), "one\ntwo");
  EXPECT_EQ(MessageText("one\r\ntwo\nthree"), "one\ntwo\nthree");
  EXPECT_EQ(MessageText("K\xc3\xb6nig"), QString::fromUtf8("K\xc3\xb6nig"));
  // An odd line of megabytes is shown cut, so the box stays quick to open.
  const QString cut = MessageText("odd line: \"" + std::string(5000000, 'x') + "\"");
  EXPECT_TRUE(cut.startsWith("odd line: \"xxx"));
  EXPECT_TRUE(cut.endsWith("... (4998012 more characters)"));
  EXPECT_LT(cut.size(), 2100);
}

TEST(QtDialogsTest, ConfirmationBoxesAnswerEnterAndEscape) {
  QtTestApp();
  QtDialogs d;
  struct Case {
    DialogButtons buttons;
    Qt::Key key;
    DialogButton expected;
  } cases[] = {
      {DialogButtons::OkCancel, Qt::Key_Return, DialogButton::Ok},
      {DialogButtons::OkCancel, Qt::Key_Escape, DialogButton::Cancel},
      {DialogButtons::YesNo, Qt::Key_Return, DialogButton::Yes},
      {DialogButtons::YesNo, Qt::Key_Escape, DialogButton::No},
  };
  for (const Case& c : cases) {
    QString title, text;
    WhenModal([&](QWidget* w) {
      title = w->windowTitle();
      text = static_cast<QMessageBox*>(w)->text();
      QTest::keyClick(w, c.key);
    });
    EXPECT_EQ(d.Confirm("Overwrite out.pgn?", c.buttons), c.expected);
    EXPECT_EQ(title, "Confirm");
    EXPECT_EQ(text, "Overwrite out.pgn?");
  }
}

TEST(QtDialogsTest, MessageBoxIsCaptionedWithTheProgramsName) {
  QtTestApp();
  QtDialogs d;
  QString title, text;
  WhenModal([&](QWidget* w) {
    title = w->windowTitle();
    text = static_cast<QMessageBox*>(w)->text();
    QTest::keyClick(w, Qt::Key_Return);
  });
  d.ShowMessage("first\rsecond");
  EXPECT_EQ(title, "Kelvane");
  EXPECT_EQ(text, "first\nsecond");
}

TEST(QtDialogsTest, MessageBoxesAreWideEnoughForTheirCaption) {
  QtTestApp();
  QtDialogs d;
  // The caption's text in a bold title font, and room beside it for the window's icon and
  // its close, minimise and maximise buttons.
  QFont font = QApplication::font("QMdiSubWindowTitleBar");
  font.setBold(true);
  int width = 0;
  for (const char* text : {"invalid PGN: {", "x"}) {
    SCOPED_TRACE(text);
    WhenModal([&](QWidget* w) {
      width = w->width();
      QTest::keyClick(w, Qt::Key_Return);
    });
    d.ShowMessage(text);
    EXPECT_GE(width, QFontMetrics(font).horizontalAdvance("Kelvane") + 4 * 24);
    WhenModal([&](QWidget* w) {
      width = w->width();
      QTest::keyClick(w, Qt::Key_Escape);
    });
    d.Confirm(text, DialogButtons::YesNo);
    EXPECT_GE(width, QFontMetrics(font).horizontalAdvance("Confirm") + 4 * 24);
  }
}

TEST(QtDialogsTest, ProgramsOnlyDialogListsFoldersAndProgramsAtOnce) {
  QtTestApp();
  TempDir dir;
  WriteFile(dir / "editor", "#!/bin/sh\n");
  ::chmod((dir / "editor").c_str(), 0755);
  WriteFile(dir / "notes.txt", "");
  ::mkdir((dir / "tools").c_str(), 0755);
  FileDialogRequest request;
  request.title = "Editors";
  request.initialDir = dir.path();
  request.filter = "Text editors and word processors|*";
  request.programsOnly = true;
  QStringList listed;
  WhenModal([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    auto* view = dialog->findChild<QListView*>("listView");
    ASSERT_NE(view, nullptr);
    // The folder is read in the background.
    for (int i = 0; i < 200 && view->model()->rowCount(view->rootIndex()) < 2; ++i)
      QTest::qWait(10);
    QTest::qWait(50);
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
      listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
    dialog->reject();
  });
  QtDialogs().OpenFile(request);
  listed.sort();
  EXPECT_EQ(listed, QStringList({"editor", "tools"}));
}

TEST(QtDialogsTest, FolderDialogReturnsTheFolderAndItsSubfoldersBox) {
  QtTestApp();
  TempDir dir;
  ::mkdir((dir / "games").c_str(), 0755);
  FileDialogRequest request;
  request.title = "Set Input Folder";
  request.initialDir = dir.path();
  for (const bool recursive : {false, true}) {
    WhenModal([&](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      ASSERT_NE(dialog, nullptr);
      auto* box = dialog->findChild<QCheckBox*>("IncludeSubfolders");
      ASSERT_NE(box, nullptr);
      EXPECT_TRUE(box->isVisible());
      EXPECT_EQ(box->isChecked(), recursive);
      box->setChecked(!recursive);
      // The name typed in the dialog's field, as a user would: QFileDialog::selectFile
      // leaves the field alone once the field has the focus, which comes when it comes.
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      ASSERT_NE(name, nullptr);
      name->setText("games");
      static_cast<QDialog*>(dialog)->accept();
    });
    const std::optional<FolderChoice> chosen = QtDialogs().ChooseFolder(request, recursive);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->dir, dir / "games/");
    EXPECT_EQ(chosen->recursive, !recursive);
  }
}

TEST(QtDialogsTest, InputBoxReturnsTheTextOrNothing) {
  QtTestApp();
  QtDialogs d;
  QString title;
  WhenModal([&](QWidget* w) {
    title = w->windowTitle();
    auto* box = static_cast<QInputDialog*>(w);
    EXPECT_EQ(box->textValue(), "a@b.example");
    box->setTextValue("changed");
    box->accept();
  });
  EXPECT_EQ(d.InputBox("email address", "Type Ctrl+C to copy", "a@b.example"), "changed");
  EXPECT_EQ(title, "email address");
  WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
  EXPECT_EQ(d.InputBox("c", "p", "x"), std::nullopt);
}
}  // namespace
