#include "app/editor_chooser.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWhatsThis>

#include "app/design_pixels.h"
#include "platform/launcher.h"

namespace kelvane {

namespace {
// The chooser's place in the help file.
constexpr int kHelpTopic = 28;
}  // namespace

EditorChooserDialog::EditorChooserDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint) {
  setObjectName("Form6");
  setWindowTitle("Output Editor");

  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  Edit1->setGeometry(DesignRect(this, 8, 32, 481, 21));

  Button1 = new QPushButton("Browse", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(DesignRect(this, 368, 6, 89, 21));

  Button2 = new QPushButton("OK", this);
  Button2->setObjectName("Button2");
  Button2->setGeometry(DesignRect(this, 312, 62, 81, 25));

  Button3 = new QPushButton("Cancel", this);
  Button3->setObjectName("Button3");
  Button3->setGeometry(DesignRect(this, 400, 62, 81, 25));

  // Neither button answers Enter: the user closes the chooser with a click.
  for (QPushButton* b : {Button1, Button2, Button3}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }

  setTabOrder(Edit1, Button1);
  setTabOrder(Button1, Button2);
  setTabOrder(Button2, Button3);

  connect(Button1, &QPushButton::clicked, this, &EditorChooserDialog::BrowseButtonClick);
  connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button3, &QPushButton::clicked, this, &QDialog::reject);

  OpenDialog1.title = "Editors";
  // Programs on Linux have no extension, so "All Files" follows the designed filter, and
  // no default suffix is set: a file dialog would append it to a typed program name
  // ("vim" becoming "vim.exe") and then refuse the name as missing.
  OpenDialog1.filter = "Text editors and word processors|*.exe|All Files|*";
  OpenDialog1.defaultSuffix = "";

  setFixedSize(DesignSize(this, 507, 90));
  move(DesignPixels(this, 70), DesignPixels(this, 156));
}

void EditorChooserDialog::BrowseButtonClick() {
  if (auto path = dialogs().OpenFile(OpenDialog1)) {
    Edit1->setText(QString::fromLocal8Bit(*path));
  }
}

bool EditorChooserDialog::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::EnterWhatsThisMode:
      // The title bar's help button. Every top-level window is told, so only a chooser
      // on screen answers; help opens once the what's-this mode is left.
      if (isVisible()) {
        QMetaObject::invokeMethod(
            this,
            [] {
              QWhatsThis::leaveWhatsThisMode();
              launcher().ShowHelp(kHelpTopic);
            },
            Qt::QueuedConnection);
      }
      return true;
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1) {
        launcher().ShowHelp(kHelpTopic);
        return true;
      }
      break;
    default:
      break;
  }
  return QDialog::event(e);
}

}  // namespace kelvane
