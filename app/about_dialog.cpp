#include "app/about_dialog.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

#include "app/design_pixels.h"
#include "app/program_picture.h"
#include "platform/dialogs.h"

namespace kelvane {

namespace {
const char* const kAddress1 = "games@kelvane.example";
const char* const kAddress2 = "support@kelvane.example";
const char* const kNotice = "Freeware. Use at your own risk.";

QLabel* MakeLabel(QWidget* parent, const char* name, const QColor& colour, bool italic,
                  int extraPoints) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
  QFont f = label->font();
  f.setBold(true);
  f.setItalic(italic);
  if (extraPoints != 0) f.setPointSizeF(f.pointSizeF() + extraPoints);
  label->setFont(f);
  return label;
}

// Sizes the label to its text and centres it on the column centreX at top (both at 96 dpi).
// The texts and the desktop's font differ from those the box was drawn with, so the
// labels keep their designed rows and centre lines rather than their left edges.
void CentreLabel(const QWidget* form, QLabel* label, int centreX, int top) {
  label->adjustSize();
  label->move(DesignPixels(form, centreX) - label->width() / 2, DesignPixels(form, top));
}
}  // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName("AboutBox");
  setWindowTitle("About");
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);

  // A raised panel framed by a lowered edge: the bevels of the design.
  panel_ = new QFrame(this);
  panel_->setObjectName("Panel1");
  panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel_->setLineWidth(2);
  panel_->setAutoFillBackground(true);
  panel_->setPalette(black);
  panel_->setGeometry(DesignRect(this, 8, 8, 305, 201));
  auto* outer = new QFrame(this);
  outer->setObjectName("Panel1Edge");
  outer->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  outer->setLineWidth(1);
  outer->setGeometry(panel_->geometry().adjusted(-1, -1, 1, 1));
  outer->lower();

  programIcon_ = new QLabel(panel_);
  programIcon_->setObjectName("ProgramIcon");
  programIcon_->setGeometry(DesignRect(this, 8, 8, 105, 105));
  programIcon_->setAlignment(Qt::AlignCenter);
  programIcon_->setPixmap(ProgramPicture(DesignPixels(this, 105)));

  productName_ = MakeLabel(panel_, "ProductName", Qt::white, false, 0);
  productName_->setText("Kelvane");
  version_ = MakeLabel(panel_, "Version", Qt::white, false, 0);
  version_->setText("Version 0.0");
  notice_ = MakeLabel(panel_, "Label3", QColor(192, 192, 192), false, 0);
  notice_->setText(kNotice);
  firstAddress_ = MakeLabel(panel_, "Label1", QColor(0, 0, 255), true, 2);
  secondAddress_ = MakeLabel(panel_, "Label2", QColor(0, 0, 255), true, 2);
  for (QLabel* address : {firstAddress_, secondAddress_}) {
    address->setCursor(Qt::PointingHandCursor);
    address->installEventFilter(this);
  }

  okButton_ = new QPushButton("OK", this);
  okButton_->setObjectName("Button1");
  okButton_->setGeometry(DesignRect(this, 122, 220, 75, 25));
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  // The box is created with its version and addresses filled in.
  fillInTexts();

  setFixedSize(DesignSize(this, 321, 252));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void AboutDialog::fillInTexts() {
  version_->setText("Version " KELVANE_VERSION);
  firstAddress_->setText(kAddress1);
  secondAddress_->setText(kAddress2);
  // The name and version centre on the space right of the picture, the other lines on
  // the panel.
  CentreLabel(this, productName_, 209, 48);
  CentreLabel(this, version_, 209, 72);
  CentreLabel(this, notice_, 152, 136);
  CentreLabel(this, firstAddress_, 152, 151);
  CentreLabel(this, secondAddress_, 152, 168);
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
    if (watched == firstAddress_ || watched == secondAddress_) {
      ShowAddress(watched == firstAddress_ ? kAddress1 : kAddress2);
      return true;
    }
  }
  return QDialog::eventFilter(watched, e);
}

void ShowAddress(const std::string& address) {
  // The box only shows the address so it can be copied; what it returns is not used.
  (void)dialogs().InputBox("email address", "Type Ctrl+C to copy", address);
}

}  // namespace kelvane
