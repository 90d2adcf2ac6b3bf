// The Qt dialogs of the window: filters, texts, and which button Enter and Escape press.
#include <gtest/gtest.h>

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

#include "app/qt_dialogs.h"
#include "app_fakes.h"
#include "app_modal.h"

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
