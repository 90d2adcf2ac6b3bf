// The about box: its texts on every opening, its look, and the clickable addresses.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "app/about_dialog.h"
#include "app_fakes.h"
#include "scripted_dialogs.h"

using namespace kelvane;

namespace {

class AboutTest : public ::testing::Test {
 protected:
  void SetUp() override { QtTestApp(); }
  int Px(const QWidget& w, int v) { return qRound(v * w.logicalDpiX() / 96.0); }
};

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
    EXPECT_EQ(box->ProductName->text(), "Kelvane");
    EXPECT_EQ(box->Version->text(), "Version 1.0");
    EXPECT_EQ(box->Label1->text(), "games@kelvane.example");
    EXPECT_EQ(box->Label2->text(), "support@kelvane.example");
    EXPECT_FALSE(box->Label3->text().isEmpty());
    QTimer::singleShot(0, box, [box] { box->Button1->click(); });
    EXPECT_EQ(box->exec(), QDialog::Accepted);
    delete box;
  }
}

TEST_F(AboutTest, LayoutAndColours) {
  AboutDialog box;
  EXPECT_EQ(box.size(), QSize(Px(box, 321), Px(box, 252)));
  EXPECT_EQ(box.minimumSize(), box.maximumSize());
  EXPECT_EQ(box.palette().color(QPalette::Window), QColor(Qt::black));
  EXPECT_EQ(box.Panel1->geometry(), QRect(Px(box, 8), Px(box, 8), Px(box, 305), Px(box, 201)));
  EXPECT_EQ(box.Button1->text(), "OK");
  EXPECT_TRUE(box.Button1->isDefault());

  struct Look {
    QLabel* label;
    QColor colour;
    bool italic;
  };
  const Look looks[] = {{box.ProductName, Qt::white, false},
                        {box.Version, Qt::white, false},
                        {box.Label3, QColor(192, 192, 192), false},
                        {box.Label1, QColor(0, 0, 255), true},
                        {box.Label2, QColor(0, 0, 255), true}};
  for (const Look& l : looks) {
    SCOPED_TRACE(l.label->objectName().toStdString());
    EXPECT_EQ(l.label->parentWidget(), box.Panel1);
    EXPECT_EQ(l.label->palette().color(QPalette::WindowText), l.colour);
    EXPECT_TRUE(l.label->font().bold());
    EXPECT_EQ(l.label->font().italic(), l.italic);
    // Every text fits inside the panel, whatever the desktop's font.
    EXPECT_TRUE(box.Panel1->rect().contains(l.label->geometry()));
  }
  EXPECT_GT(box.Label1->font().pointSizeF(), box.Label3->font().pointSizeF());
  EXPECT_LT(box.ProductName->y(), box.Version->y());
  EXPECT_LT(box.Label3->y(), box.Label1->y());
  EXPECT_LT(box.Label1->y(), box.Label2->y());
}

TEST_F(AboutTest, ProgramIconShowsThePicture) {
  AboutDialog box;
  EXPECT_EQ(box.ProgramIcon->geometry(), QRect(Px(box, 8), Px(box, 8), Px(box, 105), Px(box, 105)));
  QPixmap picture = box.ProgramIcon->pixmap();
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.width(), Px(box, 105));
}

TEST_F(AboutTest, ClickingAnAddressShowsItForCopying) {
  ScopedScriptedDialogs dialogs;
  AboutDialog box;
  dialogs.AnswerInput(std::string("edited@elsewhere.example"));
  Click(box.Label1);
  dialogs.AnswerInput(std::nullopt);
  Click(box.Label2);
  EXPECT_EQ(dialogs.log, (std::vector<std::string>{
                             "input: email address|Type Ctrl+C to copy|games@kelvane.example",
                             "input: email address|Type Ctrl+C to copy|support@kelvane.example"}));
  // What the box returned is not used.
  EXPECT_EQ(box.Label1->text(), "games@kelvane.example");
}

TEST_F(AboutTest, OtherLabelsAndOtherButtonsDoNotShowAddresses) {
  ScopedScriptedDialogs dialogs;
  AboutDialog box;
  Click(box.ProductName);
  Click(box.Label3);
  const QPointF at(2, 2);
  QMouseEvent right(QEvent::MouseButtonRelease, at, box.Label1->mapToGlobal(at), Qt::RightButton,
                    Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(box.Label1, &right);
  EXPECT_TRUE(dialogs.log.empty());
}

}  // namespace
