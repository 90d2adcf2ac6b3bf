// The main window's files: choosing them, the colours of their names, the directory
// boxes, swapping them, the Run command and the output editors.
#include <QAction>
#include <QLineEdit>
#include <algorithm>
#include <memory>
#include <optional>

#include "app/editor_chooser.h"
#include "app/main_window.h"
#include "engine/criteria.h"
#include "engine/duplicates.h"
#include "engine/scan_run.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "platform/game_folder.h"
#include "platform/launcher.h"
#include "settings/settings.h"
#include "text/path_parts.h"

namespace kelvane {

namespace {
const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kFuchsia(255, 0, 255);

void SetTextColour(QLineEdit* edit, const QColor& colour) {
  QPalette p = edit->palette();
  p.setColor(QPalette::Text, colour);
  edit->setPalette(p);
}

MainWindow::Side Other(MainWindow::Side side) {
  return side == MainWindow::Side::Input ? MainWindow::Side::Output : MainWindow::Side::Input;
}
}  // namespace

QLineEdit* MainWindow::nameEdit(Side side) const {
  return side == Side::Input ? inputNameEdit_ : outputNameEdit_;
}

QLineEdit* MainWindow::dirBox(Side side) const {
  return side == Side::Input ? inputDirBox_ : outputDirBox_;
}

FileDialogRequest& MainWindow::fileDialog(Side side) {
  return side == Side::Input ? inputFileDialog_ : outputFileDialog_;
}

const FileDialogRequest& MainWindow::fileDialogRequest(Side side) const {
  return side == Side::Input ? inputFileDialog_ : outputFileDialog_;
}

void MainWindow::chooseFile(Side side) {
  const bool input = side == Side::Input;
  FileDialogRequest& dialog = fileDialog(side);
  dialog.title = input ? "Set Input File" : "Set Output File";
  dialog.initialDir = input ? settings_.input.dir : settings_.output.dir;
  dialog.fileName = input ? settings_.input.name : settings_.output.name;
  std::optional<std::string> chosen;
  if (input) {
    // Several files may be chosen: the first is the input name, the others follow it.
    const std::optional<std::vector<std::string>> files = dialogs().OpenFiles(dialog);
    if (!files) return;
    chosen = files->front();
    settings_.inputFolder = false;
    settings_.moreInputs.clear();
    for (size_t i = 1; i < files->size(); ++i)
      settings_.moreInputs.push_back(FileNamePart((*files)[i]));
    settings_.input.name = FileNamePart(*chosen);
    inputNameEdit_->setReadOnly(false);
  } else {
    chosen = dialogs().SaveFile(dialog);
  }
  if (!chosen) return;
  setFileNameText(nameEdit(side), FileNamePart(*chosen));
  setDirectoryHint(dirBox(side), DirectoryPart(*chosen));
  showFileStates();
  pathsToSettings();
}

void MainWindow::chooseInputFolder() {
  FileDialogRequest request;
  request.title = "Set Input Folder";
  request.initialDir = directoryHint(inputDirBox_);
  const std::optional<FolderChoice> chosen = dialogs().ChooseFolder(request, settings_.recursive);
  if (!chosen) return;
  settings_.moreInputs.clear();
  settings_.inputFolder = true;
  settings_.recursive = chosen->recursive;
  listedFolder_.valid = false;  // chosen again: its files may have changed since
  // A game file of the folder stays the input of the programs that read one file.
  for (const std::string& file : ListGameFiles(chosen->dir, false)) {
    settings_.input.name = FileNamePart(file);
    break;
  }
  setDirectoryHint(inputDirBox_, chosen->dir);
  showFileStates();
  pathsToSettings();
}

void MainWindow::showInputs() {
  inputNameEdit_->setReadOnly(severalInputs());
  if (!severalInputs()) return;
  const std::string dir = directoryHint(inputDirBox_);
  std::vector<std::string> names;
  if (settings_.inputFolder) {
    // The run's own outputs in the folder are no inputs of it.
    ScanRequest outputs;
    outputs.outputPath = directoryHint(outputDirBox_) + fileNameText(outputNameEdit_);
    outputs.split = split_;
    addSideOutputs(outputs);
    const std::vector<std::string> leaveOut = RunOutputs(outputs);
    for (const std::string& file : inputFolderFiles(dir))
      if (std::find(leaveOut.begin(), leaveOut.end(), file) == leaveOut.end())
        names.push_back(file.substr(dir.size()));
  } else {
    names.push_back(settings_.input.name);
    names.insert(names.end(), settings_.moreInputs.begin(), settings_.moreInputs.end());
  }
  setFileNameText(inputNameEdit_, std::to_string(names.size()) + " files");
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : "\n") + name;
  inputNameEdit_->setToolTip(QString::fromLocal8Bit(list));
}

const std::vector<std::string>& MainWindow::inputFolderFiles(const std::string& dir) {
  ListedFolder& listed = listedFolder_;
  if (!listed.valid || listed.dir != dir || listed.recursive != settings_.recursive)
    listed = {true, dir, settings_.recursive, ListGameFiles(dir, settings_.recursive)};
  return listed.files;
}

void MainWindow::leaveSeveralInputs() {
  if (!severalInputs()) return;
  settings_.moreInputs.clear();
  settings_.inputFolder = false;
  setFileNameText(inputNameEdit_, settings_.input.name);
  inputNameEdit_->setReadOnly(false);
}

void MainWindow::copyDirectory(Side from) {
  setDirectoryHint(dirBox(Other(from)), directoryHint(dirBox(from)));
  showFileStates();
  pathsToSettings();
}

void MainWindow::swapFiles() {
  // The output can be one file only: the first input file takes its place.
  leaveSeveralInputs();
  std::string name = fileNameText(inputNameEdit_);
  setFileNameText(inputNameEdit_, fileNameText(outputNameEdit_));
  setFileNameText(outputNameEdit_, name);
  std::string dir = directoryHint(inputDirBox_);
  setDirectoryHint(inputDirBox_, directoryHint(outputDirBox_));
  setDirectoryHint(outputDirBox_, dir);
  showFileStates();
  pathsToSettings();
}

void MainWindow::askStartUpDirectory(Side side) {
  if (dialogs().Confirm("Set to start up directory?", DialogButtons::YesNo) == DialogButton::Yes) {
    setDirectoryHint(dirBox(side), settings_.startUpDir);
    fileDialog(side).initialDir = settings_.startUpDir;
  }
  showFileStates();
  pathsToSettings();
}

void MainWindow::onFileNameKeyUp() {
  showFileStates();
}

void MainWindow::showFileStates() {
  // Of several inputs, the first file is coloured; the tooltip lists them.
  std::string input = directoryHint(inputDirBox_) +
                      (severalInputs() ? settings_.input.name : fileNameText(inputNameEdit_));
  std::string output = directoryHint(outputDirBox_) + fileNameText(outputNameEdit_);
  // A long name shows only its tail in the field: its tooltip is the whole path.
  inputNameEdit_->setToolTip(QString::fromLocal8Bit(input));
  showInputs();
  outputNameEdit_->setToolTip(QString::fromLocal8Bit(output));
  QColor inputColour = kBlack, outputColour = kBlack;
  bool inputExists = fileSystem().FileExists(input);
  bool outputExists = fileSystem().FileExists(output);
  if (!inputExists) inputColour = kRed;
  if (!outputExists) outputColour = kRed;
  if (inputExists && outputExists) {
    int age = CompareFileAges(input, output);
    if (age > 0) {
      inputColour = kBlue;
    } else if (age < 0) {
      outputColour = kBlue;
    } else {
      inputColour = outputColour = kFuchsia;
    }
  }
  SetTextColour(inputNameEdit_, inputColour);
  SetTextColour(outputNameEdit_, outputColour);
}

void MainWindow::pathsToSettings() {
  // The name field of several inputs shows their number: the first file's name is kept.
  if (!severalInputs()) settings_.input.name = fileNameText(inputNameEdit_);
  settings_.output.name = fileNameText(outputNameEdit_);
  settings_.input.dir = directoryHint(inputDirBox_);
  settings_.output.dir = directoryHint(outputDirBox_);
  // A path typed or pasted in a name field is parted between the folder box and the field.
  for (Side side : {Side::Input, Side::Output}) {
    if (side == Side::Input && severalInputs()) continue;
    FileLocation& location = side == Side::Input ? settings_.input : settings_.output;
    const FileLocation taken = TakeWholePath(location);
    if (taken == location) continue;
    location = taken;
    setFileNameText(nameEdit(side), location.name);
    setDirectoryHint(dirBox(side), location.dir);
    showFileStates();
  }
}

void MainWindow::toggleSplit() {
  // The check item has already inverted its own mark when this runs.
  split_ = splitAction_->isChecked();
  showSplitState();
}

void MainWindow::toggleTolerant() {
  settings_.tolerant = tolerantAction_->isChecked();
}

void MainWindow::toggleDuplicates() {
  settings_.duplicates = duplicatesAction_->isChecked();
  settings_.duplicatesPrefix = duplicatesPrefixAction_->isChecked();
  showSplitState();
}

void MainWindow::addSideOutputs(ScanRequest& request) const {
  // Tolerant reading lists what it skips and the faulty games in a log beside the output,
  // instead of a message box for each.
  request.reading.tolerant = settings_.tolerant;
  if (settings_.tolerant) request.reading.logPath = LogFileName(request.outputPath);
  if (settings_.duplicates) request.duplicatesPath = DuplicatesFileName(request.outputPath);
}

void MainWindow::runScan(bool countOnly) {
  // Every way of starting a run ends the edit of the field being typed in first, with the
  // checks of leaving it (a shortcut or a menu item leaves the focus where it is); what
  // those checks refuse stops the run.
  if (!leaveField()) return;
  pathsToSettings();
  if (!namesValid(countOnly) || !criteriaValid(countOnly)) {
    dialogs().Beep();
    return;
  }
  ScanRequest request{settings_.input.path(), settings_.output.path(), split_, settings_.criteria};
  request.maxGameBytes = static_cast<size_t>(settings_.maxGameSize) * kBytesPerMB;
  // Tolerant reading lists what it skips and the faulty games in a log beside the output,
  // instead of a message box for each.
  addSideOutputs(request);
  request.duplicatesPrefix = settings_.duplicatesPrefix;
  request.countOnly = countOnly;
  request.inputPaths = SeveralInputs(settings_);
  request.recursive = settings_.recursive;
  request.perFile = true;
  scanSplit_ = split_ && !countOnly;
  startScan(request);
}

// ---- Output editors -------------------------------------------------------------------

void MainWindow::openOutputEditor(int editorNumber) {
  pathsToSettings();
  std::string& editor = settings_.editors[editorNumber == 1 ? 0 : 1];
  if (launchEditor(editorNumber, editor, fileNameText(outputNameEdit_),
                   directoryHint(outputDirBox_))) {
    controlsToSettings();
    SaveSettings(settings_, settingsPath_);
  }
}

bool MainWindow::launchEditor(int editorNumber, std::string& editor, const std::string& outputName,
                              const std::string& outputDir) {
  std::string outputPath = outputDir + outputName;
  // The editor is started on the output file when both exist; otherwise the user is asked
  // for an editor first, and the output opens in the one chosen, when there is an output.
  const bool outputExists = fileSystem().FileExists(outputPath);
  bool chosen = false;
  if (!fileSystem().FileExists(editor) || !outputExists) {
    if (!askForEditor(editorNumber, editor)) return false;
    chosen = true;
    if (!outputExists) return true;
  }
  if (const int code = launcher().StartProgram(editor, outputPath, outputDir); code != 0)
    dialogs().ShowMessage(StartFailureMessage(editor, code));
  return chosen;
}

bool MainWindow::askForEditor(int editorNumber, std::string& editor) {
  auto chooser = std::make_unique<EditorChooserDialog>(this);
  chooser->setEditorPath(editor);
  chooser->setWindowTitle(editorNumber == 1 ? QStringLiteral("Output Editor 1")
                                            : QStringLiteral("Output Editor 2"));
  if (chooser->exec() != QDialog::Accepted) return false;
  // The editor is started in the output folder, so a relative path is taken from here.
  editor = AbsolutePath(chooser->editorPath());
  return true;
}

void MainWindow::chooseOutputEditor(int editorNumber) {
  std::string& editor = settings_.editors[editorNumber == 1 ? 0 : 1];
  if (askForEditor(editorNumber, editor)) {
    controlsToSettings();
    SaveSettings(settings_, settingsPath_);
  }
}

}  // namespace kelvane
