#include "app/editor_chooser.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
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

  // What to type, in the free room left of Browse, above the field.
  auto* prompt = new QLabel("The program that opens the output file:", this);
  prompt->setObjectName("Prompt");
  prompt->setGeometry(DesignRect(this, 8, 6, 352, 21));

  pathEdit_ = new QLineEdit(this);
  pathEdit_->setObjectName("Edit1");
  pathEdit_->setGeometry(DesignRect(this, 8, 32, 481, 21));
  prompt->setBuddy(pathEdit_);

  browseButton_ = new QPushButton("Browse", this);
  browseButton_->setObjectName("Button1");
  browseButton_->setGeometry(DesignRect(this, 368, 6, 89, 21));

  okButton_ = new QPushButton("OK", this);
  okButton_->setObjectName("Button2");
  okButton_->setGeometry(DesignRect(this, 312, 62, 81, 25));

  cancelButton_ = new QPushButton("Cancel", this);
  cancelButton_->setObjectName("Button3");
  cancelButton_->setGeometry(DesignRect(this, 400, 62, 81, 25));

  // Enter presses OK wherever the focus is; Escape cancels.
  for (QPushButton* b : {browseButton_, okButton_, cancelButton_}) b->setAutoDefault(false);
  okButton_->setDefault(true);

  setTabOrder(pathEdit_, browseButton_);
  setTabOrder(browseButton_, okButton_);
  setTabOrder(okButton_, cancelButton_);

  connect(browseButton_, &QPushButton::clicked, this, &EditorChooserDialog::browse);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  browseRequest_.title = "Editors";
  // Programs on Linux have no extension: the dialog lists the files that may be run, so
  // /usr/bin shows its programs at once. No default suffix is set: a file dialog would
  // append it to a typed program name ("vim" becoming "vim.exe") and then refuse the name
  // as missing.
  browseRequest_.filter = "Text editors and word processors|*";
  browseRequest_.defaultSuffix = "";
  browseRequest_.programsOnly = true;

  // Not moved: shown, the dialog is centred on its parent window.
  setFixedSize(DesignSize(this, 507, 90));
}

void EditorChooserDialog::setEditorPath(const std::string& path) {
  const QString text = QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
  if (pathEdit_->text() != text) pathEdit_->setText(text);
  browseRequest_.fileName = path;
}

std::string EditorChooserDialog::editorPath() const {
  return pathEdit_->text().toLocal8Bit().toStdString();
}

void EditorChooserDialog::browse() {
  if (auto path = dialogs().OpenFile(browseRequest_)) {
    pathEdit_->setText(QString::fromLocal8Bit(*path));
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
