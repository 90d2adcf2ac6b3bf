// The editor chooser: a small dialog that asks for the path of an output editor program.
#pragma once

#include <QDialog>
#include <string>

#include "platform/dialogs.h"

class QLineEdit;
class QPushButton;

namespace kelvane {

class EditorChooserDialog : public QDialog {
  Q_OBJECT
 public:
  explicit EditorChooserDialog(QWidget* parent = nullptr);

  // The editor's path, in the local 8-bit encoding: shown in the field, and the file that
  // Browse starts at.
  void setEditorPath(const std::string& path);
  // The path in the field as the user left it.
  std::string editorPath() const;
  // The request Browse opens its file dialog with: title "Editors", its filter and default
  // extension, and the file name given by setEditorPath.
  const FileDialogRequest& browseRequest() const { return browseRequest_; }

 protected:
  // The title bar's help button (and F1) opens help topic 28.
  bool event(QEvent* e) override;

 private:
  // Browse: a chosen program's path goes into the field.
  void browse();

  QLineEdit* pathEdit_;  // the executable's path
  QPushButton* browseButton_;
  QPushButton* okButton_;      // closes with Accepted
  QPushButton* cancelButton_;  // closes with Rejected
  FileDialogRequest browseRequest_;
};

}  // namespace kelvane
