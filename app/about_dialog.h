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

  QFrame* Panel1;
  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* Label3;  // the notice line
  QLabel* Label1;  // contact address 1 (click: Email1Click)
  QLabel* Label2;  // contact address 2 (click: Email2Click)
  QPushButton* Button1;

  void SetConstantsCreate();
  void Email1Click();
  void Email2Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
};

// Shows address in an input box captioned "email address" so it can be copied.
void ShowAddress(const std::string& address);

}  // namespace kelvane
