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
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(2);
  Panel1->setAutoFillBackground(true);
  Panel1->setPalette(black);
  Panel1->setGeometry(DesignRect(this, 8, 8, 305, 201));
  auto* outer = new QFrame(this);
  outer->setObjectName("Panel1Edge");
  outer->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  outer->setLineWidth(1);
  outer->setGeometry(Panel1->geometry().adjusted(-1, -1, 1, 1));
  outer->lower();

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setObjectName("ProgramIcon");
  ProgramIcon->setGeometry(DesignRect(this, 8, 8, 105, 105));
  ProgramIcon->setAlignment(Qt::AlignCenter);
  ProgramIcon->setPixmap(ProgramPicture(DesignPixels(this, 105)));

  ProductName = MakeLabel(Panel1, "ProductName", Qt::white, false, 0);
  ProductName->setText("Kelvane");
  Version = MakeLabel(Panel1, "Version", Qt::white, false, 0);
  Version->setText("Version 0.0");
  Label3 = MakeLabel(Panel1, "Label3", QColor(192, 192, 192), false, 0);
  Label3->setText(kNotice);
  Label1 = MakeLabel(Panel1, "Label1", QColor(0, 0, 255), true, 2);
  Label2 = MakeLabel(Panel1, "Label2", QColor(0, 0, 255), true, 2);
  for (QLabel* address : {Label1, Label2}) {
    address->setCursor(Qt::PointingHandCursor);
    address->installEventFilter(this);
  }

  Button1 = new QPushButton("OK", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(DesignRect(this, 122, 220, 75, 25));
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

  // The form's creation handler fills in the version and the addresses.
  SetConstantsCreate();

  setFixedSize(DesignSize(this, 321, 252));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void AboutDialog::SetConstantsCreate() {
  Version->setText("Version " KELVANE_VERSION);
  Label1->setText(kAddress1);
  Label2->setText(kAddress2);
  // The name and version centre on the space right of the picture, the other lines on
  // the panel.
  CentreLabel(this, ProductName, 209, 48);
  CentreLabel(this, Version, 209, 72);
  CentreLabel(this, Label3, 152, 136);
  CentreLabel(this, Label1, 152, 151);
  CentreLabel(this, Label2, 152, 168);
}

void AboutDialog::Email1Click() {
  ShowAddress(kAddress1);
}

void AboutDialog::Email2Click() {
  ShowAddress(kAddress2);
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
    if (watched == Label1) {
      Email1Click();
      return true;
    }
    if (watched == Label2) {
      Email2Click();
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
