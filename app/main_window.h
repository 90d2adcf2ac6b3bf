// The main window: the criteria, the input and output files and the Run command. The
// settings record IniValues is the single source of truth; the window copies it into its
// controls at start-up and back whenever a field is left.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/orderly_exit.h"

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolBar;
class QToolButton;

namespace kelvane {

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // commandLine: the program's arguments after its own name; the first one may name the
  // input file.
  explicit MainWindow(std::vector<std::string> commandLine = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Controls, named as in the window's layout (each also carries its name as objectName).
  QLabel* Label1;    // "Conditions"
  QLabel* Label2;    // "Must contain"
  QLabel* Label3;    // "Without"
  QLabel* Label4;    // "Range"
  QLineEdit* Edit1;  // conditions 1 to 3
  QLineEdit* Edit2;
  QLineEdit* Edit3;
  QPlainTextEdit* Memo1;  // Must contain
  QLineEdit* Edit5;       // Without
  QLineEdit* Edit6;       // ranges, from and to: conditions 1 to 3, Must contain, Without
  QLineEdit* Edit7;
  QLineEdit* Edit8;
  QLineEdit* Edit9;
  QLineEdit* Edit10;
  QLineEdit* Edit11;
  QLineEdit* Edit12;
  QLineEdit* Edit13;
  QLineEdit* Edit14;
  QLineEdit* Edit15;
  QGroupBox* RadioGroup1;  // items "Notation" (0) and "Moves" (1)
  QRadioButton* RadioNotation;
  QRadioButton* RadioMoves;
  QButtonGroup* RadioItems;
  QToolBar* ToolBar1 = nullptr;
  QToolButton* ToolButton1;  // Set input file
  QToolButton* ToolButton2;  // Set output file
  QToolButton* ToolButton3;  // output path = input path
  QToolButton* ToolButton4;  // input path = output path
  QToolButton* ToolButton5;  // Run
  QWidget* ToolButton6;      // separator
  QToolButton* ToolButton7;  // Cut
  QToolButton* ToolButton8;  // Copy
  QToolButton* ToolButton9;  // Paste
  QLineEdit* Edit16;         // input file name
  QLineEdit* Edit17;         // output file name
  QLineEdit* Edit18;         // its hint is the input directory
  QLineEdit* Edit19;         // its hint is the output directory
  QPushButton* Button1;      // "<-->"
  QPushButton* Button2;      // "Run"
  QPushButton* Button3;      // "Exit"

  // The main menu and its items.
  QMenu* File1;
  QAction* SetInput1;
  QAction* SetOutput1;
  QAction* Run1;
  QAction* Exit1;
  QMenu* Edit4;
  QAction* Cut1;
  QAction* Copy1;
  QAction* Paste1;
  QAction* OutputEditor11;
  QAction* OutputEditor21;
  QMenu* Options1;
  QAction* Split1;  // check item
  QMenu* Help1;
  QAction* Contents1;
  QAction* About1;

  // The standard edit actions on the focused field (ActionList1, category "Edit").
  QObject* ActionList1;
  QAction* EditCut1;
  QAction* EditCopy1;
  QAction* EditPaste1;

  // The two file dialogs, as they are opened.
  FileDialogRequest OpenDialog1;
  FileDialogRequest SaveDialog1;

  // Guard flags: the program itself is moving the radio group / filling the controls.
  bool SettingRadio = false;
  bool Loading = false;

  // Start-up and shutdown.
  void FormCreate();
  void FormDestroy();
  void Button3Click();
  void Exit1Click();
  void RecordToControls();
  void ControlsToRecord();
  bool TakeCommandLineFile(std::string& dirSlot, std::string& nameSlot);

  // Criteria entry.
  void EditTextExits();
  void RadioClick();
  void Memo1Change();
  bool CriteriaValid();

  // Files and the Run command.
  void SetInput1Click();
  void SetOutput1Click();
  void OeqIToolButtonClick();
  void IeqOToolButtonClick();
  void ToggleIO();
  void DirInputChg();
  void DirOutputChg();
  void Edit16ChgKeyUp();
  void Edit17ChgKeyUp();
  void ShowFileStates();
  void PathsToRecord();
  void Split1Click();
  void RunButtonClick();

  // Output editors, help and the about box.
  void Editor1Click();
  void Editor2Click();
  bool LaunchEditor(int editorNumber, std::string& editorSlot, const std::string& outputName,
                    const std::string& outputDir);
  void Contents1Click();
  void About1Click();

  // The edit actions: cut, copy and paste on the focused field.
  void EditCut1Execute();
  void EditCopy1Execute();
  void EditPaste1Execute();

  // Texts at the widget boundary: file names in the local 8-bit encoding, criteria in UTF-8.
  static std::string Text(const QLineEdit* edit);
  static void SetText(QLineEdit* edit, const std::string& text);
  static std::string FileNameText(const QLineEdit* edit);
  static void SetFileNameText(QLineEdit* edit, const std::string& text);
  // A directory kept as a hint: the exact bytes, shown as the tool tip.
  static std::string Hint(const QWidget* widget);
  static void SetHint(QWidget* widget, const std::string& hint);
  std::string MemoText() const;
  void SetMemoText(const std::string& text);
  // The selected item of RadioGroup1: 0 "Notation", 1 "Moves".
  int RadioItemIndex() const;
  void SetRadioItemIndex(int index);
  // Edit6 to Edit15, in the order of integer slots 0 to 9.
  std::array<QLineEdit*, 10> RangeEdits() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // A handler for a signal: an error escaping it is shown, and the program goes on.
  std::function<void()> Handler(void (MainWindow::*handler)());
  // The directory boxes' click: on Yes, the box's directory and its dialog's start folder
  // become the start-up directory.
  void AskStartUpDir(QLineEdit* dirBox, FileDialogRequest& dialog);
  void BuildControls();
  void BuildToolBar();
  void BuildMenus();
  void SetTabOrder();
  void CentreOnScreen();
  // The field events the window handles: exits, key releases, clicks, shortcuts.
  bool FieldEvent(QObject* watched, QEvent* event);
  void UpdateEditActions();
  QWidget* FocusedField() const;

  std::vector<std::string> commandLine_;
  ExitStepId exitStep_ = 0;  // the closing step of the orderly exit, once created
  bool created_ = false;     // FormCreate has finished
  bool destroyed_ = false;   // FormDestroy has run
  bool inExit_ = false;      // EditTextExits is running
};

}  // namespace kelvane
