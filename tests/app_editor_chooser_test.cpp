// The editor chooser: its controls, the Browse button, OK and Cancel, and its help.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "app/editor_chooser.h"
#include "app_fakes.h"
#include "scripted_dialogs.h"

using namespace kelvane;

namespace {

class Unit6Test : public ::testing::Test {
 protected:
  void SetUp() override { QtTestApp(); }
  int Px(const QWidget& w, int v) { return qRound(v * w.logicalDpiX() / 96.0); }
};

TEST_F(Unit6Test, ControlsHaveTheirNamesCaptionsAndPlaces) {
  EditorChooserDialog form;
  struct Expected {
    QWidget* control;
    const char* name;
    const char* caption;
    QRect place;
  };
  const Expected controls[] = {
      {form.Edit1, "Edit1", "", {8, 32, 481, 21}},
      {form.Button1, "Button1", "Browse", {368, 6, 89, 21}},
      {form.Button2, "Button2", "OK", {312, 62, 81, 25}},
      {form.Button3, "Button3", "Cancel", {400, 62, 81, 25}},
  };
  for (const Expected& c : controls) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.control->objectName(), c.name);
    EXPECT_EQ(form.findChild<QWidget*>(c.name), c.control);
    QRect scaled(Px(form, c.place.x()), Px(form, c.place.y()), Px(form, c.place.width()),
                 Px(form, c.place.height()));
    EXPECT_EQ(c.control->geometry(), scaled);
    if (auto* button = qobject_cast<QPushButton*>(c.control)) {
      EXPECT_EQ(button->text(), c.caption);
      // Neither button is the dialog's default: Enter must not close the chooser.
      EXPECT_FALSE(button->isDefault());
      EXPECT_FALSE(button->autoDefault());
    }
  }
  EXPECT_EQ(form.Edit1->text(), "");
}

TEST_F(Unit6Test, DialogIsFixedWithHelpButtonAndPlacedAt70_156) {
  EditorChooserDialog form;
  EXPECT_EQ(form.size(), QSize(Px(form, 507), Px(form, 90)));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_TRUE(form.windowFlags() & Qt::WindowContextHelpButtonHint);
  EXPECT_TRUE(form.windowFlags() & Qt::WindowSystemMenuHint);
  EXPECT_EQ(form.pos(), QPoint(Px(form, 70), Px(form, 156)));
}

TEST_F(Unit6Test, TabOrderRunsPathBrowseOkCancel) {
  EditorChooserDialog form;
  EXPECT_EQ(form.Edit1->nextInFocusChain(), form.Button1);
  EXPECT_EQ(form.Button1->nextInFocusChain(), form.Button2);
  EXPECT_EQ(form.Button2->nextInFocusChain(), form.Button3);
}

TEST_F(Unit6Test, OpenDialogAsksForEditorsAndLetsAnyProgramBeChosen) {
  EditorChooserDialog form;
  EXPECT_EQ(form.OpenDialog1.title, "Editors");
  EXPECT_EQ(form.OpenDialog1.filter.rfind("Text editors and word processors|*.exe", 0), 0u);
  EXPECT_NE(form.OpenDialog1.filter.find("|All Files|*"), std::string::npos);
  // A default suffix would turn a typed "/usr/bin/vim" into "/usr/bin/vim.exe".
  EXPECT_EQ(form.OpenDialog1.defaultSuffix, "");
}

TEST_F(Unit6Test, BrowsePutsTheChosenPathIntoTheField) {
  ScopedScriptedDialogs dialogs;
  EditorChooserDialog form;
  form.Edit1->setText("/usr/bin/old editor");
  form.OpenDialog1.fileName = "/usr/bin/old editor";
  dialogs.AnswerFile("/opt/My Editor/bin/edit");
  form.Button1->click();
  EXPECT_EQ(form.Edit1->text(), "/opt/My Editor/bin/edit");
  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(dialogs.fileRequests[0].title, "Editors");
  EXPECT_EQ(dialogs.fileRequests[0].fileName, "/usr/bin/old editor");
  EXPECT_EQ(dialogs.log, std::vector<std::string>{"open: Editors"});
}

TEST_F(Unit6Test, CancelledBrowseLeavesTheFieldAlone) {
  ScopedScriptedDialogs dialogs;
  EditorChooserDialog form;
  form.Edit1->setText("/usr/bin/gedit");
  dialogs.AnswerFile(std::nullopt);
  form.BrowseButtonClick();
  EXPECT_EQ(form.Edit1->text(), "/usr/bin/gedit");
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST_F(Unit6Test, OkAcceptsCancelRejectsAndEnterDoesNothing) {
  {
    EditorChooserDialog form;
    form.show();
    form.Button2->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
  }
  {
    EditorChooserDialog form;
    form.show();
    form.Button3->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());
  }
  {
    EditorChooserDialog form;
    form.show();
    form.setResult(-1);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(form.Edit1, &enter);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.result(), -1);
  }
}

TEST_F(Unit6Test, HelpKeyAndHelpButtonOpenTopic28) {
  RecordingLauncher launcher;
  EditorChooserDialog form;
  form.show();
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QCoreApplication::sendEvent(form.Edit1, &f1);  // travels up from the focused field
  EXPECT_EQ(launcher.helpTopics, std::vector<int>{28});

  launcher.helpTopics.clear();
  QEvent whatsThis(QEvent::EnterWhatsThisMode);
  QCoreApplication::sendEvent(&form, &whatsThis);
  QCoreApplication::processEvents();
  EXPECT_EQ(launcher.helpTopics, std::vector<int>{28});
}

TEST_F(Unit6Test, HiddenChooserIgnoresTheHelpButton) {
  // Every top-level window hears of the what's-this mode, the hidden start-up chooser too.
  RecordingLauncher launcher;
  EditorChooserDialog form;
  QEvent whatsThis(QEvent::EnterWhatsThisMode);
  QCoreApplication::sendEvent(&form, &whatsThis);
  QCoreApplication::processEvents();
  EXPECT_TRUE(launcher.helpTopics.empty());
}

}  // namespace
