// The editor chooser: its controls, the Browse button, OK and Cancel, and its help.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/editor_chooser.h"
#include "app_child.h"
#include "app_fakes.h"
#include "scripted_dialogs.h"

using namespace kelvane;

namespace {

class EditorChooserTest : public ::testing::Test {
 protected:
  void SetUp() override { QtTestApp(); }
  int Px(const QWidget& w, int v) { return qRound(v * w.logicalDpiX() / 96.0); }
  // The chooser's controls, by their object names.
  static QLineEdit* PathField(const EditorChooserDialog& d) { return Child<QLineEdit>(d, "Edit1"); }
  static QPushButton* BrowseButton(const EditorChooserDialog& d) {
    return Child<QPushButton>(d, "Button1");
  }
  static QPushButton* OkButton(const EditorChooserDialog& d) {
    return Child<QPushButton>(d, "Button2");
  }
  static QPushButton* CancelButton(const EditorChooserDialog& d) {
    return Child<QPushButton>(d, "Button3");
  }
};

TEST_F(EditorChooserTest, ControlsHaveTheirNamesCaptionsAndPlaces) {
  EditorChooserDialog form;
  struct Expected {
    const char* name;
    const char* caption;
    QRect place;
  };
  const Expected controls[] = {
      {"Edit1", "", {8, 32, 481, 21}},
      {"Prompt", "The program that opens the output file:", {8, 6, 352, 21}},
      {"Button1", "Browse", {368, 6, 89, 21}},
      {"Button2", "OK", {312, 62, 81, 25}},
      {"Button3", "Cancel", {400, 62, 81, 25}},
  };
  for (const Expected& c : controls) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(form.findChildren<QWidget*>(c.name).size(), 1);  // each name is the control's own
    QWidget* control = Child<QWidget>(form, c.name);
    QRect scaled(Px(form, c.place.x()), Px(form, c.place.y()), Px(form, c.place.width()),
                 Px(form, c.place.height()));
    EXPECT_EQ(control->geometry(), scaled);
    if (auto* button = qobject_cast<QPushButton*>(control)) {
      EXPECT_EQ(button->text(), c.caption);
      // OK is the dialog's default, wherever the focus is.
      EXPECT_EQ(button->isDefault(), button == OkButton(form));
      EXPECT_FALSE(button->autoDefault());
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
      EXPECT_EQ(label->text(), c.caption);
      EXPECT_LE(label->sizeHint().width(), label->width());  // the prompt is read whole
      for (QWidget* other :
           {static_cast<QWidget*>(PathField(form)), static_cast<QWidget*>(BrowseButton(form))})
        EXPECT_FALSE(label->geometry().intersects(other->geometry()));
    }
  }
  EXPECT_EQ(PathField(form)->text(), "");
}

TEST_F(EditorChooserTest, DialogIsFixedWithHelpButtonAndCentredOnItsWindow) {
  QWidget owner;
  owner.setGeometry(100, 80, 600, 400);  // inside the offscreen screen
  owner.show();
  EditorChooserDialog form(&owner);
  EXPECT_EQ(form.size(), QSize(Px(form, 507), Px(form, 90)));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_TRUE(form.windowFlags() & Qt::WindowContextHelpButtonHint);
  EXPECT_TRUE(form.windowFlags() & Qt::WindowSystemMenuHint);
  form.show();
  EXPECT_LE((form.geometry().center() - owner.geometry().center()).manhattanLength(), 2)
      << form.geometry().x() << "," << form.geometry().y();
}

TEST_F(EditorChooserTest, TabOrderRunsPathBrowseOkCancel) {
  EditorChooserDialog form;
  EXPECT_EQ(PathField(form)->nextInFocusChain(), BrowseButton(form));
  EXPECT_EQ(BrowseButton(form)->nextInFocusChain(), OkButton(form));
  EXPECT_EQ(OkButton(form)->nextInFocusChain(), CancelButton(form));
}

TEST_F(EditorChooserTest, OpenDialogAsksForEditorsAndListsThePrograms) {
  EditorChooserDialog form;
  EXPECT_EQ(form.browseRequest().title, "Editors");
  // Programs on Linux have no extension: the dialog lists the files that may be run.
  EXPECT_EQ(form.browseRequest().filter, "Text editors and word processors|*");
  EXPECT_TRUE(form.browseRequest().programsOnly);
  // A default suffix would turn a typed "/usr/bin/vim" into "/usr/bin/vim.exe".
  EXPECT_EQ(form.browseRequest().defaultSuffix, "");
}

TEST_F(EditorChooserTest, BrowsePutsTheChosenPathIntoTheField) {
  ScopedScriptedDialogs dialogs;
  EditorChooserDialog form;
  form.setEditorPath("/usr/bin/old editor");
  dialogs.AnswerFile("/opt/My Editor/bin/edit");
  BrowseButton(form)->click();
  EXPECT_EQ(PathField(form)->text(), "/opt/My Editor/bin/edit");
  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(dialogs.fileRequests[0].title, "Editors");
  EXPECT_EQ(dialogs.fileRequests[0].fileName, "/usr/bin/old editor");
  EXPECT_EQ(dialogs.log, std::vector<std::string>{"open: Editors"});
}

TEST_F(EditorChooserTest, CancelledBrowseLeavesTheFieldAlone) {
  ScopedScriptedDialogs dialogs;
  EditorChooserDialog form;
  PathField(form)->setText("/usr/bin/gedit");
  dialogs.AnswerFile(std::nullopt);
  BrowseButton(form)->click();
  EXPECT_EQ(PathField(form)->text(), "/usr/bin/gedit");
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST_F(EditorChooserTest, OkAndEnterAcceptCancelRejects) {
  {
    EditorChooserDialog form;
    form.show();
    OkButton(form)->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
  }
  {
    EditorChooserDialog form;
    form.show();
    CancelButton(form)->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());
  }
  {
    EditorChooserDialog form;
    form.show();
    form.setResult(-1);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(PathField(form), &enter);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
  }
}

TEST_F(EditorChooserTest, HelpKeyAndHelpButtonOpenTopic28) {
  RecordingLauncher launcher;
  EditorChooserDialog form;
  form.show();
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QCoreApplication::sendEvent(PathField(form), &f1);  // travels up from the focused field
  EXPECT_EQ(launcher.helpTopics, std::vector<int>{28});

  launcher.helpTopics.clear();
  QEvent whatsThis(QEvent::EnterWhatsThisMode);
  QCoreApplication::sendEvent(&form, &whatsThis);
  QCoreApplication::processEvents();
  EXPECT_EQ(launcher.helpTopics, std::vector<int>{28});
}

TEST_F(EditorChooserTest, HiddenChooserIgnoresTheHelpButton) {
  // Every top-level window hears of the what's-this mode, the hidden start-up chooser too.
  RecordingLauncher launcher;
  EditorChooserDialog form;
  QEvent whatsThis(QEvent::EnterWhatsThisMode);
  QCoreApplication::sendEvent(&form, &whatsThis);
  QCoreApplication::processEvents();
  EXPECT_TRUE(launcher.helpTopics.empty());
}

}  // namespace
