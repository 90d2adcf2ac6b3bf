// The window's progress dialog for a long scan: a bar by bytes of the input file, the games
// read and written, the speed and the time left, and a Cancel button (Escape too).
#pragma once

#include <QDialog>

#include "engine/scan_run.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kelvane {

class ProgressDialog : public QDialog {
  Q_OBJECT
 public:
  // split: the run also writes a split file, whose count is shown. counting: the run only
  // counts, and its games are selected rather than written.
  ProgressDialog(QWidget* parent, bool split, bool counting = false);
  // seconds: since the scan started.
  void Show(const ScanProgress& progress, double seconds);

 signals:
  void cancelRequested();

 protected:
  void reject() override;  // Escape and the close box ask for the cancel, as the button does

 private:
  bool split_;
  bool counting_;
  QProgressBar* bar_;
  QLabel* amount_;
  QLabel* games_;
  QLabel* speed_;
  QPushButton* cancel_;
};

}  // namespace kelvane
