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

  // The file dialogs' requests as they were last set up: the input file's and the output
  // file's.
  const FileDialogRequest& inputFileDialog() const { return inputFileDialog_; }
  const FileDialogRequest& outputFileDialog() const { return outputFileDialog_; }
  // The program itself is filling the controls from the settings record.
  bool fillingControls() const { return fillingControls_; }
  // The program itself is moving the Notation/Moves choice.
  bool settingSequenceForm() const { return settingSequenceForm_; }

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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The criteria, in the order of their ranges' settings slots.
  enum Criterion : size_t {
    kCondition1,
    kCondition2,
    kCondition3,
    kMustContain,
    kWithout,
    kCriteria
  };
  struct RangeFields {
    QLineEdit* from;
    QLineEdit* to;
  };

  // The text of Must contain.
  std::string MemoText() const;
  void SetMemoText(const std::string& text);
  // The selected item of the Notation/Moves choice: 0 "Notation", 1 "Moves".
  int RadioItemIndex() const;
  void SetRadioItemIndex(int index);
  // The range fields in the order of the integer slots 0 to 9: from and to of conditions
  // 1 to 3, of Must contain and of Without.
  std::array<QLineEdit*, 2 * kCriteria> RangeEdits() const;

  // A handler for a signal: an error escaping it is shown, and the program goes on.
  std::function<void()> Handler(void (MainWindow::*handler)());
  // The directory boxes' click: on Yes, the box's directory and its dialog's start folder
  // become the start-up directory.
  void AskStartUpDir(QLineEdit* dirBox, FileDialogRequest& dialog);
  void BuildControls();
  void BuildEditActions();
  void BuildToolBar();
  void BuildMenus();
  void SetTabOrder();
  void CentreOnScreen();
  // The field events the window handles: exits, key releases, clicks, shortcuts.
  bool FieldEvent(QObject* watched, QEvent* event);
  void UpdateEditActions();
  QWidget* FocusedField() const;

  // The controls. Each keeps its name from the window's layout as its objectName ("Edit16"
  // for the input file name, "Run1" for the Run menu item ...), by which tests find it.

  // The criteria.
  QLabel* conditionsLabel_;
  QLabel* rangeLabel_;
  QLabel* mustContainLabel_;
  QLabel* withoutLabel_;
  std::array<QLineEdit*, 3> conditionEdits_;
  QPlainTextEdit* mustContainEdit_;
  QLineEdit* withoutEdit_;
  std::array<RangeFields, kCriteria> rangeEdits_;  // from and to, per criterion
  QGroupBox* sequenceFormGroup_;                   // the form of Must contain: Notation or Moves
  QRadioButton* notationButton_;                   // its item 0
  QRadioButton* movesButton_;                      // its item 1
  QButtonGroup* sequenceFormButtons_;

  // The files and the commands.
  QLineEdit* inputNameEdit_;
  QLineEdit* outputNameEdit_;
  QLineEdit* inputDirBox_;   // its hint is the input directory
  QLineEdit* outputDirBox_;  // its hint is the output directory
  QPushButton* swapFilesButton_;
  QPushButton* runButton_;
  QPushButton* exitButton_;

  // The tool bar.
  QToolBar* toolBar_ = nullptr;
  QToolButton* setInputToolButton_;
  QToolButton* setOutputToolButton_;
  QToolButton* outputDirFromInputToolButton_;  // output path = input path
  QToolButton* inputDirFromOutputToolButton_;  // input path = output path
  QToolButton* runToolButton_;
  QWidget* toolBarGap_;  // between the commands and the edit actions
  QToolButton* cutToolButton_;
  QToolButton* copyToolButton_;
  QToolButton* pasteToolButton_;

  // The main menu and its items; cut, copy and paste are shared with the tool bar.
  QMenu* fileMenu_;
  QAction* setInputAction_;
  QAction* setOutputAction_;
  QAction* runAction_;
  QAction* exitAction_;
  QMenu* editMenu_;
  QAction* cutAction_;
  QAction* copyAction_;
  QAction* pasteAction_;
  QAction* outputEditor1Action_;
  QAction* outputEditor2Action_;
  QMenu* optionsMenu_;
  QAction* splitAction_;  // check item
  QMenu* helpMenu_;
  QAction* helpContentsAction_;
  QAction* aboutAction_;

  // The two file dialogs, as they are opened.
  FileDialogRequest inputFileDialog_;
  FileDialogRequest outputFileDialog_;

  // Guard flags: the program itself is moving the Notation/Moves choice, or filling the
  // controls from the settings record.
  bool settingSequenceForm_ = false;
  bool fillingControls_ = false;

  std::vector<std::string> commandLine_;
  ExitStepId exitStep_ = 0;  // the closing step of the orderly exit, once created
  bool created_ = false;     // FormCreate has finished
  bool destroyed_ = false;   // FormDestroy has run
  bool inExit_ = false;      // EditTextExits is running
};

}  // namespace kelvane
