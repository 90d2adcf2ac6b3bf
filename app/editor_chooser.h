// The editor chooser: a small dialog that asks for the path of an output editor program.
#pragma once

#include <QDialog>

#include "platform/dialogs.h"

class QLineEdit;
class QPushButton;

namespace kelvane {

class EditorChooserDialog : public QDialog {
  Q_OBJECT
 public:
  explicit EditorChooserDialog(QWidget* parent = nullptr);

  QLineEdit* Edit1;      // the executable's path
  QPushButton* Button1;  // "Browse"
  QPushButton* Button2;  // "OK": closes with Accepted
  QPushButton* Button3;  // "Cancel": closes with Rejected
  // The chooser's open dialog: title "Editors", its filter and default extension; its
  // fileName is set by the caller before the chooser is shown.
  FileDialogRequest OpenDialog1;

  void BrowseButtonClick();

 protected:
  // The title bar's help button (and F1) opens help topic 28.
  bool event(QEvent* e) override;
};

}  // namespace kelvane
