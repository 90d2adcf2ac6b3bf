// The about box: its texts on every opening, its look, and the clickable addresses.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "app/about_dialog.h"
#include "app_child.h"
#include "app_fakes.h"
#include "scripted_dialogs.h"

using namespace kelvane;

namespace {

class AboutTest : public ::testing::Test {
 protected:
  void SetUp() override { QtTestApp(); }
  int Px(const QWidget& w, int v) { return qRound(v * w.logicalDpiX() / 96.0); }
};

// The box's controls, by their object names.
QFrame* Panel(const AboutDialog& box) {
  return Child<QFrame>(box, "Panel1");
}
QLabel* ProgramIcon(const AboutDialog& box) {
  return Child<QLabel>(box, "ProgramIcon");
}
QLabel* ProductName(const AboutDialog& box) {
  return Child<QLabel>(box, "ProductName");
}
QLabel* Version(const AboutDialog& box) {
  return Child<QLabel>(box, "Version");
}
QLabel* Notice(const AboutDialog& box) {
  return Child<QLabel>(box, "Label3");
}
QLabel* FirstAddress(const AboutDialog& box) {
  return Child<QLabel>(box, "Label1");
}
QLabel* SecondAddress(const AboutDialog& box) {
  return Child<QLabel>(box, "Label2");
}
QPushButton* OkButton(const AboutDialog& box) {
  return Child<QPushButton>(box, "Button1");
}

void Click(QWidget* w) {
  const QPointF at(w->width() / 2.0, w->height() / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  QCoreApplication::sendEvent(w, &release);
}

TEST_F(AboutTest, EveryOpeningShowsVersion1_0AndClosesWithOk) {
  for (int opening = 1; opening <= 2; ++opening) {
    SCOPED_TRACE(opening);
    auto* box = new AboutDialog;
    EXPECT_EQ(box->windowTitle(), "About");
    EXPECT_EQ(ProductName(*box)->text(), "Kelvane");
    EXPECT_EQ(Version(*box)->text(), "Version 1.0");
    EXPECT_EQ(FirstAddress(*box)->text(), "games@kelvane.example");
    EXPECT_EQ(SecondAddress(*box)->text(), "support@kelvane.example");
    EXPECT_FALSE(Notice(*box)->text().isEmpty());
    QTimer::singleShot(0, box, [box] { OkButton(*box)->click(); });
    EXPECT_EQ(box->exec(), QDialog::Accepted);
    delete box;
  }
}

TEST_F(AboutTest, LayoutAndColours) {
  AboutDialog box;
  EXPECT_EQ(box.size(), QSize(Px(box, 321), Px(box, 252)));
  EXPECT_EQ(box.minimumSize(), box.maximumSize());
  EXPECT_EQ(box.palette().color(QPalette::Window), QColor(Qt::black));
  EXPECT_EQ(Panel(box)->geometry(), QRect(Px(box, 8), Px(box, 8), Px(box, 305), Px(box, 201)));
  EXPECT_EQ(OkButton(box)->text(), "OK");
  EXPECT_TRUE(OkButton(box)->isDefault());

  struct Look {
    QLabel* label;
    QColor colour;
    bool italic;
  };
  const Look looks[] = {{ProductName(box), Qt::white, false},
                        {Version(box), Qt::white, false},
                        {Notice(box), QColor(192, 192, 192), false},
                        {FirstAddress(box), QColor(0, 0, 255), true},
                        {SecondAddress(box), QColor(0, 0, 255), true}};
  for (const Look& l : looks) {
    SCOPED_TRACE(l.label->objectName().toStdString());
    EXPECT_EQ(l.label->parentWidget(), Panel(box));
    EXPECT_EQ(l.label->palette().color(QPalette::WindowText), l.colour);
    EXPECT_TRUE(l.label->font().bold());
    EXPECT_EQ(l.label->font().italic(), l.italic);
    // Every text fits inside the panel, whatever the desktop's font.
    EXPECT_TRUE(Panel(box)->rect().contains(l.label->geometry()));
  }
  EXPECT_GT(FirstAddress(box)->font().pointSizeF(), Notice(box)->font().pointSizeF());
  EXPECT_LT(ProductName(box)->y(), Version(box)->y());
  EXPECT_LT(Notice(box)->y(), FirstAddress(box)->y());
  EXPECT_LT(FirstAddress(box)->y(), SecondAddress(box)->y());
}

TEST_F(AboutTest, ProgramIconShowsThePicture) {
  AboutDialog box;
  EXPECT_EQ(ProgramIcon(box)->geometry(),
            QRect(Px(box, 8), Px(box, 8), Px(box, 105), Px(box, 105)));
  QPixmap picture = ProgramIcon(box)->pixmap();
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.width(), Px(box, 105));
}

TEST_F(AboutTest, ClickingAnAddressShowsItForCopying) {
  ScopedScriptedDialogs dialogs;
  AboutDialog box;
  dialogs.AnswerInput(std::string("edited@elsewhere.example"));
  Click(FirstAddress(box));
  dialogs.AnswerInput(std::nullopt);
  Click(SecondAddress(box));
  EXPECT_EQ(dialogs.log, (std::vector<std::string>{
                             "input: email address|Type Ctrl+C to copy|games@kelvane.example",
                             "input: email address|Type Ctrl+C to copy|support@kelvane.example"}));
  // What the box returned is not used.
  EXPECT_EQ(FirstAddress(box)->text(), "games@kelvane.example");
}

TEST_F(AboutTest, OtherLabelsAndOtherButtonsDoNotShowAddresses) {
  ScopedScriptedDialogs dialogs;
  AboutDialog box;
  Click(ProductName(box));
  Click(Notice(box));
  const QPointF at(2, 2);
  QMouseEvent right(QEvent::MouseButtonRelease, at, FirstAddress(box)->mapToGlobal(at),
                    Qt::RightButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(FirstAddress(box), &right);
  EXPECT_TRUE(dialogs.log.empty());
}

}  // namespace
