// The main window: the criteria, the input and output files and the Run command. The
// settings are loaded at start-up and copied into the controls; the window takes them back
// from its controls whenever a field is left, and saves them at the close.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/scan_run.h"
#include "engine/selection_summary.h"
#include "platform/dialogs.h"
#include "platform/orderly_exit.h"
#include "settings/settings.h"

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
class QTimer;
class QToolButton;

namespace kelvane {

struct CriterionKind;
class GameListModel;
class GameListWindow;
class ProgressDialog;
class ScanJob;
class SummaryWindow;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // The two files: the input read by Run, the output it writes.
  enum class Side { Input, Output };

  // commandLine: the program's arguments after its own name; the first one may name the
  // input file.
  // settingsPath: the settings file, fixed for the whole run of the window.
  explicit MainWindow(std::vector<std::string> commandLine = {},
                      std::string settingsPath = SettingsFileName(), QWidget* parent = nullptr);
  ~MainWindow() override;

  // The settings record and the controls: the record shown in the controls, and what the
  // controls hold stored in the record. A range field that holds no whole number is told
  // and shows the value kept again; false then.
  void settingsToControls();
  bool controlsToSettings();
  // Colours the two file names: red for a missing file, blue for the newer of two existing
  // files, fuchsia for two of the same age, black otherwise.
  void showFileStates();
  // Whether the file names and the criteria of the settings record may run; if not, the
  // reason is told and the field at fault gets the focus.
  // countOnly: for a count, which writes nothing: the output's name plays no part.
  bool namesValid(bool countOnly = false);
  bool criteriaValid(bool countOnly = false);

  // The file dialog's request for a side, as it was last set up.
  const FileDialogRequest& fileDialogRequest(Side side) const;
  // The program itself is filling the controls from the settings record.
  bool fillingControls() const { return fillingControls_; }
  // The program itself is moving the Notation/Moves choice.
  bool settingSequenceForm() const { return settingSequenceForm_; }
  // The settings as last taken from the controls.
  const Settings& settings() const { return settings_; }
  bool splitOn() const { return split_; }
  // True while a scan runs on its worker thread.
  bool scanning() const;
  // observer also hears the progress of every scan, on the scan's thread.
  void setScanObserver(ScanObserver* observer);

  // Texts at the widget boundary: file names in the local 8-bit encoding, criteria in UTF-8.
  static std::string fieldText(const QLineEdit* edit);
  static void setFieldText(QLineEdit* edit, const std::string& text);
  static std::string fileNameText(const QLineEdit* edit);
  static void setFileNameText(QLineEdit* edit, const std::string& text);
  // A directory kept as a hint: the exact bytes, shown as the tool tip.
  static std::string directoryHint(const QWidget* widget);
  static void setDirectoryHint(QWidget* widget, const std::string& hint);

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
  // What an Edit action (menu item, tool button or shortcut) does to the focused field.
  enum class EditCommand { Cut, Copy, Paste };

  // ---- main_window.cpp: start-up, shutdown, events, edit actions, help
  // Loads the settings (and the command line's input file) into the controls.
  void loadAtStartUp();
  // Stores the controls and saves the settings, once, as the window closes.
  void storeAtClose();
  // The Exit button and the File menu's Exit.
  void exitProgram();
  // The command line's existing file, as directory and name, with a relative path taken
  // from the current directory; false when there is none.
  bool takeCommandLineFile(std::string& dir, std::string& name);
  // The field events the window handles: exits, key releases, clicks, shortcuts.
  bool fieldEvent(QObject* watched, QEvent* event);
  // Cut, copy and paste on the focused field, and the actions enabled as it allows.
  void editFocusedField(EditCommand command);
  void updateEditActions();
  QWidget* focusedField() const;
  // A handler for a signal: an error escaping it is shown, and the program goes on.
  std::function<void()> guarded(std::function<void()> handler);
  void showHelpContents();
  void showAbout();

  // ---- main_window_criteria.cpp: the criteria fields
  // Leaving any field: the conditions are checked and normalised, then everything stored;
  // false when a condition or a range was refused. leaveField guards against the exits
  // that the checks cause themselves by moving the focus.
  bool leaveField();
  bool onFieldLeft();
  void onMustContainEdited();
  void onSequenceFormClicked();
  std::string mustContainText() const;
  void setMustContainText(const std::string& text);
  kelvane::SequenceForm sequenceForm() const;
  // Selects an item of the choice as the program itself, without its click handler.
  void setSequenceForm(kelvane::SequenceForm form);
  // The criteria's fields, found by the objectNames of their rows (criteria_kinds.h).
  QWidget* criterionField(const char* name) const;
  QLineEdit* criterionEdit(const char* name) const;
  // A row's value shown in its field, and stored back from it.
  void showCriterion(const CriterionKind& kind);
  void storeCriterion(const CriterionKind& kind);
  // Every criterion's field in the order of the rows, then their ranges' from and to fields.
  std::vector<QWidget*> criteriaFieldsInTabOrder() const;
  bool isNotation() const;

  // ---- main_window_files.cpp: the files, Run and the output editors
  void chooseFile(Side side);
  // File > Set Input Folder: the input becomes a folder's game files.
  void chooseInputFolder();
  // Several input files (or a folder) in the settings: the name field then shows "N files",
  // read only, with the files in its tooltip, and the folder box the folder.
  bool severalInputs() const { return settings_.inputFolder || !settings_.moreInputs.empty(); }
  void showInputs();
  // The game files of the input folder dir, listed again only when the folder or the
  // subfolders setting changed, or a run ended (relisted, reading each file's first bytes,
  // at every key typed in a name field, a large folder made typing lag).
  const std::vector<std::string>& inputFolderFiles(const std::string& dir);
  // The files a run writes besides the output and the split file, as the options stand: the
  // duplicates file, and with tolerant reading (set too) its log.
  void addSideOutputs(ScanRequest& request) const;
  // Back to the one input file the settings name first.
  void leaveSeveralInputs();
  // The directory of from becomes the other side's directory too.
  void copyDirectory(Side from);
  void swapFiles();
  // A directory box's click: on Yes, the box's directory and its dialog's start folder
  // become the start-up directory.
  void askStartUpDirectory(Side side);
  void onFileNameKeyUp();
  void pathsToSettings();
  void toggleSplit();
  void toggleTolerant();
  void toggleDuplicates();
  // Run, or with countOnly Count: the same scan, which writes nothing and reports the
  // games read and selected.
  void runScan(bool countOnly = false);
  // Starts output editor 1 or 2 on the output file, or asks for the editor first.
  void openOutputEditor(int editorNumber);
  bool launchEditor(int editorNumber, std::string& editor, const std::string& outputName,
                    const std::string& outputDir);
  // Options > Output editors: the chooser for editor 1 or 2, whether or not it exists.
  void chooseOutputEditor(int editorNumber);
  // The chooser for an editor; on OK its path, made absolute, is stored in editor.
  bool askForEditor(int editorNumber, std::string& editor);
  QLineEdit* nameEdit(Side side) const;
  QLineEdit* dirBox(Side side) const;
  FileDialogRequest& fileDialog(Side side);

  // ---- main_window_layout.cpp: the controls, tool bar and menus
  void buildControls();
  void buildCriteria();
  void buildSequenceFormChoice();
  void buildFileControls();
  void buildAddedCriteria();
  void buildStatusBar();
  // The status bar's line on Split: off, or the file the failing games go to.
  void showSplitState();
  void buildEditActions();
  void buildToolBar();
  void buildMenus();
  void buildEditorChoiceMenu();
  void orderTabs();
  void centreOnScreen();
  QLabel* addLabel(const char* name, const char* caption, int left, int top);
  QLineEdit* addField(const char* name, int left, int top, int width, int height = 21);
  // A box of several lines in a frame of its own (text_box_frame.h): the frame is what
  // is placed.
  QPlainTextEdit* addTextBox(const char* name, QWidget* parent);

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
  QRadioButton* notationButton_;
  QRadioButton* movesButton_;
  QButtonGroup* sequenceFormButtons_;
  // The kinds of criteria beyond the designed ones, below the designed controls.
  QWidget* addedCriteriaArea_ = nullptr;

  // The files and the commands.
  QLineEdit* inputNameEdit_;
  QLineEdit* outputNameEdit_;
  QLineEdit* inputDirBox_;   // its hint is the input directory
  QLineEdit* outputDirBox_;  // its hint is the output directory
  QPushButton* swapFilesButton_;
  QPushButton* runButton_;
  QPushButton* countButton_;  // beside Run
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

  // The status bar.
  QLabel* splitState_ = nullptr;

  // The main menu and its items; cut, copy and paste are shared with the tool bar.
  QMenu* fileMenu_;
  QAction* setInputAction_;
  QAction* setInputFolderAction_;
  QAction* setOutputAction_;
  QAction* runAction_;
  QAction* countAction_;
  QAction* exitAction_;
  QMenu* editMenu_;
  QAction* cutAction_;
  QAction* copyAction_;
  QAction* pasteAction_;
  QAction* outputEditor1Action_;
  QAction* outputEditor2Action_;
  QMenu* optionsMenu_;
  QAction* splitAction_;     // check item
  QAction* tolerantAction_;  // check item: tolerant reading
  QAction* duplicatesAction_ = nullptr;        // check items: duplicates to their own file, and
  QAction* duplicatesPrefixAction_ = nullptr;  // its prefix rule
  QMenu* helpMenu_;
  QAction* helpContentsAction_;
  QAction* aboutAction_;
  // Options > Output editors: the chooser for either editor at any time.
  QMenu* outputEditorsMenu_;
  QAction* chooseEditor1Action_;
  QAction* chooseEditor2Action_;

  // The two file dialogs, as they are opened.
  FileDialogRequest inputFileDialog_;
  FileDialogRequest outputFileDialog_;

  // Guard flags: the program itself is moving the Notation/Moves choice, or filling the
  // controls from the settings record.
  bool settingSequenceForm_ = false;
  bool fillingControls_ = false;

  // The scan on its worker thread (main_window_scan.cpp).
  void startScan(const ScanRequest& request);
  void onScanFinished();
  void showProgress();
  void closeProgress();
  void cancelScanAndClose();
  void setScanning(bool on);

  // The Selected games window and the list it shows (main_window_game_list.cpp).
  void buildGameList();
  void showGameList();
  void openGameInEditor(const std::string& path, int64_t line);
  void startGameList(const std::string& outputPath);
  // The scan is over: the games are read from its output, or the list is emptied when the
  // output was not written.
  void endGameList(bool outputWritten);
  GameListModel* gameList_ = nullptr;
  QPointer<GameListWindow> gameListWindow_;
  QAction* selectedGamesAction_ = nullptr;
  std::string gameListOutput_;  // the output of the scan the list is of

  // The Summary window and the figures it shows (main_window_summary.cpp): those of the last
  // scan, and those the scan that runs gathers (read only when it waits for its report).
  void buildSummary();
  void showSummary();
  void startSummary(ScanRequest& request);
  void endSummary(bool outputWritten);
  std::unique_ptr<SelectionSummary> summary_;
  std::unique_ptr<SelectionSummary> scanSummary_;
  QPointer<SummaryWindow> summaryWindow_;
  QAction* summaryAction_ = nullptr;
  std::string summaryOutput_;

  std::unique_ptr<ScanJob> scan_;
  bool scanSplit_ = false;
  bool scanCounting_ = false;  // the scan only counts: the game list stays as it was
  bool closeAfterScan_ = false;
  ScanObserver* scanObserver_ = nullptr;
  QPointer<ProgressDialog> progress_;
  QTimer* progressTimer_ = nullptr;
  std::chrono::steady_clock::time_point scanStart_;

  std::vector<std::string> commandLine_;
  struct ListedFolder {
    bool valid = false;
    std::string dir;
    bool recursive = false;
    std::vector<std::string> files;
  } listedFolder_;
  std::string settingsPath_;
  Settings settings_;
  bool split_ = false;       // Options > Split: failing games go to the split file
  ExitStepId exitStep_ = 0;  // the closing step of the orderly exit, once created
  bool created_ = false;     // loadAtStartUp has finished
  bool destroyed_ = false;   // storeAtClose has run
  bool inExit_ = false;      // leaveField is running
};

}  // namespace kelvane
