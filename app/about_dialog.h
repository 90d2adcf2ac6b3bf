// The about box: the program's name, version and two contact addresses.
#pragma once

#include <QDialog>
#include <string>

class QFrame;
class QLabel;
class QPushButton;

namespace kelvane {

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);

 protected:
  // A click on either address shows it for copying.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // The version and the addresses, and every line centred on its column.
  void fillInTexts();

  QFrame* panel_;
  QLabel* programIcon_;
  QLabel* productName_;
  QLabel* version_;
  QLabel* notice_;
  QLabel* firstAddress_;
  QLabel* secondAddress_;
  QPushButton* okButton_;
};

// Shows address in an input box captioned "email address" so it can be copied.
void ShowAddress(const std::string& address);

}  // namespace kelvane
