#include "app/main_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <exception>
#include <memory>

#include "app/about_dialog.h"
#include "app/editor_chooser.h"
#include "app/event_errors.h"
#include "engine/criteria.h"
#include "engine/scan_run.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "platform/launcher.h"
#include "settings/settings.h"

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

QByteArray Bytes(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

MainWindow::Side Other(MainWindow::Side side) {
  return side == MainWindow::Side::Input ? MainWindow::Side::Output : MainWindow::Side::Input;
}
}  // namespace

MainWindow::MainWindow(std::vector<std::string> commandLine, QWidget* parent)
    : QMainWindow(parent), commandLine_(std::move(commandLine)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Kelvane"));
  for (FileDialogRequest* d : {&inputFileDialog_, &outputFileDialog_}) {
    d->filter = "PGN & Text Files|*.PGN;*.TXT|All Files|*.*";
    d->defaultSuffix = "pgn";
  }
  buildControls();
  buildEditActions();
  buildToolBar();
  buildMenus();
  orderTabs();
  centreOnScreen();
  loadAtStartUp();
}

MainWindow::~MainWindow() {
  // A window that is destroyed without having been closed still stores and saves.
  if (!destroyed_ && created_) RunHandler([this] { storeAtClose(); });
  if (exitStep_ != 0) RemoveExitStep(exitStep_);
  // The controls are destroyed after this object's own part: no signal of theirs, of the
  // application's or of the clipboard's may reach its handlers then.
  disconnect(qApp, nullptr, this, nullptr);
  disconnect(QApplication::clipboard(), nullptr, this, nullptr);
  for (QObject* child : findChildren<QObject*>()) disconnect(child, nullptr, this, nullptr);
}

// ---- Start-up and shutdown ------------------------------------------------------------

void MainWindow::loadAtStartUp() {
  IniValues.Reset();
  IniValues.RadNota = true;
  LoadSettings();
  if (takeCommandLineFile(IniValues.Strings[3], IniValues.Strings[1]))
    inputFileDialog_.initialDir = IniValues.Strings[3];
  fillingControls_ = true;
  settingsToControls();
  fillingControls_ = false;
  // Only a window that was created completely stores and saves on a fatal fault; a fault
  // while it is being created saves nothing.
  exitStep_ = AddExitStep([this] {
    try {
      controlsToSettings();
      SaveSettings();
    } catch (const std::exception& e) {
      dialogs().ShowMessage(e.what());
    }
  });
  created_ = true;
}

void MainWindow::storeAtClose() {
  destroyed_ = true;
  if (exitStep_ != 0) {
    RemoveExitStep(exitStep_);
    exitStep_ = 0;
  }
  controlsToSettings();
  SaveSettings();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!destroyed_ && created_) RunHandler([this] { storeAtClose(); });
}

void MainWindow::exitProgram() {
  close();
}

bool MainWindow::takeCommandLineFile(std::string& dirSlot, std::string& nameSlot) {
  if (commandLine_.empty()) return false;
  std::string path = commandLine_.front();
  if (path.empty() || !fileSystem().FileExists(path)) return false;
  // A relative path is taken from the current directory, so the directory kept in the
  // settings still names the file at the next start from elsewhere.
  if (path.front() != '/') path = fileSystem().CurrentDir() + "/" + path;
  dirSlot = DirectoryPart(path);
  nameSlot = FileNamePart(path);
  return true;
}

// ---- Settings and controls ------------------------------------------------------------

void MainWindow::settingsToControls() {
  setFileNameText(inputNameEdit_, IniValues.Strings[1]);
  setFileNameText(outputNameEdit_, IniValues.Strings[2]);
  setDirectoryHint(inputDirBox_, IniValues.Strings[3]);
  setDirectoryHint(outputDirBox_, IniValues.Strings[4]);
  setFieldText(conditionEdits_[0], IniValues.Strings[7]);
  setFieldText(conditionEdits_[1], IniValues.Strings[8]);
  setFieldText(conditionEdits_[2], IniValues.Strings[9]);
  // This runs onMustContainEdited, which may move the Notation/Moves choice.
  setMustContainText(IniValues.Strings[10]);
  setFieldText(withoutEdit_, IniValues.Strings[11]);
  auto ranges = rangeEditsBySlot();
  for (size_t i = 0; i < ranges.size(); ++i)
    setFieldText(ranges[i], std::to_string(IniValues.Integers[i]));
  setSequenceForm(IniValues.RadNota ? kNotation : kMoves);
  showFileStates();
}

void MainWindow::controlsToSettings() {
  pathsToSettings();
  IniValues.Strings[7] = fieldText(conditionEdits_[0]);
  IniValues.Strings[8] = fieldText(conditionEdits_[1]);
  IniValues.Strings[9] = fieldText(conditionEdits_[2]);
  IniValues.Strings[10] = mustContainText();
  IniValues.Strings[11] = fieldText(withoutEdit_);
  CleanTextSlots();
  auto ranges = rangeEditsBySlot();
  for (size_t i = 0; i < ranges.size(); ++i) {
    int32_t value = 0;
    if (!WholeNumber(fieldText(ranges[i]), value)) {
      dialogs().Beep();
      dialogs().ShowMessage("Non-numeric value in range");
      break;
    }
    IniValues.Integers[i] = value;
  }
  IniValues.RadNota = sequenceForm() == kNotation;
}

// ---- Edit actions ----------------------------------------------------------------------

QWidget* MainWindow::focusedField() const {
  QWidget* w = QApplication::focusWidget();
  if (!w || w->window() != this) return nullptr;
  if (qobject_cast<QLineEdit*>(w) || w == mustContainEdit_) return w;
  return nullptr;
}

void MainWindow::editFocusedField(EditCommand command) {
  auto apply = [command](auto* field) {
    switch (command) {
      case EditCommand::Cut:
        field->cut();
        break;
      case EditCommand::Copy:
        field->copy();
        break;
      case EditCommand::Paste:
        field->paste();
        break;
    }
  };
  QWidget* w = focusedField();
  if (auto* e = qobject_cast<QLineEdit*>(w)) apply(e);
  if (w == mustContainEdit_) apply(mustContainEdit_);
}

void MainWindow::updateEditActions() {
  QWidget* w = focusedField();
  bool selection = false;
  if (auto* e = qobject_cast<QLineEdit*>(w)) selection = e->hasSelectedText();
  if (w == mustContainEdit_) selection = mustContainEdit_->textCursor().hasSelection();
  const QMimeData* clip = QApplication::clipboard()->mimeData();
  bool canPaste = w && clip && clip->hasText();
  cutAction_->setEnabled(selection);
  copyAction_->setEnabled(selection);
  pasteAction_->setEnabled(canPaste);
}

// ---- Events ----------------------------------------------------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (!created_ || destroyed_) return QMainWindow::eventFilter(watched, event);
  bool consumed = false;
  RunHandler([&] { consumed = fieldEvent(watched, event); });
  return consumed || QMainWindow::eventFilter(watched, event);
}

bool MainWindow::fieldEvent(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::FocusOut: {
      // Leaving a field for another control of this window is an exit; the window losing
      // activation (a message box, a menu, another program) is not.
      Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
          reason == Qt::MenuBarFocusReason || inExit_)
        return false;
      inExit_ = true;
      struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
      } clear{inExit_};
      onFieldLeft();
      return false;
    }
    case QEvent::KeyRelease:
      if (watched == inputNameEdit_ || watched == outputNameEdit_) onFileNameKeyUp();
      return false;
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      auto* widget = static_cast<QWidget*>(watched);
      if (mouse->button() != Qt::LeftButton ||
          !widget->rect().contains(mouse->position().toPoint()))
        return false;
      if (watched == inputDirBox_) askStartUpDirectory(Side::Input);
      if (watched == outputDirBox_) askStartUpDirectory(Side::Output);
      return false;
    }
    case QEvent::ShortcutOverride: {
      // The window's own shortcuts win over a field's key bindings (Ctrl+E, for one, would
      // move to the end of the line); cut, copy and paste stay with the field.
      auto* key = static_cast<QKeyEvent*>(event);
      QKeySequence pressed(key->keyCombination());
      for (QAction* a : {setInputAction_, setOutputAction_, runAction_, outputEditor1Action_,
                         outputEditor2Action_, splitAction_})
        if (a->shortcut() == pressed) return true;
      return false;
    }
    default:
      return false;
  }
}

std::function<void()> MainWindow::guarded(std::function<void()> handler) {
  return [handler = std::move(handler)] { RunHandler(handler); };
}

// ---- Texts at the widget boundary -----------------------------------------------------

std::string MainWindow::fieldText(const QLineEdit* edit) {
  return edit->text().toUtf8().toStdString();
}

void MainWindow::setFieldText(QLineEdit* edit, const std::string& text) {
  QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (edit->text() != s) edit->setText(s);
}

std::string MainWindow::fileNameText(const QLineEdit* edit) {
  return edit->text().toLocal8Bit().toStdString();
}

void MainWindow::setFileNameText(QLineEdit* edit, const std::string& text) {
  QString s = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
  if (edit->text() != s) edit->setText(s);
}

std::string MainWindow::directoryHint(const QWidget* widget) {
  return widget->property("hintBytes").toByteArray().toStdString();
}

void MainWindow::setDirectoryHint(QWidget* widget, const std::string& hint) {
  widget->setProperty("hintBytes", Bytes(hint));
  widget->setToolTip(QString::fromLocal8Bit(hint.data(), static_cast<qsizetype>(hint.size())));
}

// ---- Criteria fields -------------------------------------------------------------------

void MainWindow::onFieldLeft() {
  for (QLineEdit* e : conditionEdits_) {
    std::string text = fieldText(e);
    ConditionCheck check = CheckCondition(text);
    if (check.text != text) setFieldText(e, check.text);
    if (check.failed) {
      ConditionFormError();
      e->setFocus(Qt::OtherFocusReason);
    }
  }
  controlsToSettings();
}

void MainWindow::onSequenceFormClicked() {
  if (settingSequenceForm_) return;
  if (sequenceForm() == kMoves) {
    if (IniValues.RadNota) {
      std::string text = mustContainText();
      NotationToMoves(text);
      setMustContainText(text);
    }
    IniValues.RadNota = false;
    controlsToSettings();
    return;
  }
  if (IniValues.RadNota) {
    controlsToSettings();
  } else if (IsMovesText(mustContainText())) {
    // There is no way back from Moves to Notation form.
    setSequenceForm(kMoves);
    dialogs().Beep();
  } else {
    IniValues.RadNota = true;
    controlsToSettings();
  }
}

void MainWindow::onMustContainEdited() {
  std::string text = mustContainText();
  if (IsMovesText(text)) {
    if (sequenceForm() == kNotation) setSequenceForm(kMoves);
    return;
  }
  setSequenceForm(kNotation);
  std::string joined = text;
  LineBreaksToBlanks(joined);
  if (joined != text) {
    // Each line break becomes one blank, so the cursor keeps its place.
    int position = mustContainEdit_->textCursor().position();
    setMustContainText(joined);
    QTextCursor cursor = mustContainEdit_->textCursor();
    cursor.setPosition(std::min(position, mustContainEdit_->document()->characterCount() - 1));
    mustContainEdit_->setTextCursor(cursor);
  }
  if (fillingControls_) return;
  int32_t from = 0, to = 0;
  if (!MoveNumberRange(joined, from, to)) {
    dialogs().Beep();
    dialogs().ShowMessage(kMoveNumberTooLarge);
    return;
  }
  setFieldText(rangeEdits_[kMustContain].from, std::to_string(from));
  setFieldText(rangeEdits_[kMustContain].to, std::to_string(to));
  IniValues.Integers[6] = from;
  IniValues.Integers[7] = to;
}

bool MainWindow::criteriaValid() {
  QLineEdit* field = nullptr;
  switch (CheckCriteria()) {
    case CriteriaFault::None:
      return true;
    case CriteriaFault::SameFile:
      field = outputNameEdit_;
      break;
    case CriteriaFault::Condition1To:
      field = rangeEdits_[kCondition1].to;
      break;
    case CriteriaFault::Condition2To:
      field = rangeEdits_[kCondition2].to;
      break;
    case CriteriaFault::Condition3To:
      field = rangeEdits_[kCondition3].to;
      break;
    case CriteriaFault::MustContainTo:
      field = rangeEdits_[kMustContain].to;
      break;
    case CriteriaFault::WithoutTo:
      field = rangeEdits_[kWithout].to;
      break;
  }
  field->setFocus(Qt::OtherFocusReason);
  return false;
}

std::string MainWindow::mustContainText() const {
  return mustContainEdit_->toPlainText().toUtf8().toStdString();
}

void MainWindow::setMustContainText(const std::string& text) {
  mustContainEdit_->setPlainText(
      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

MainWindow::SequenceForm MainWindow::sequenceForm() const {
  return static_cast<SequenceForm>(sequenceFormButtons_->checkedId());
}

void MainWindow::setSequenceForm(SequenceForm form) {
  settingSequenceForm_ = true;
  (form == kNotation ? notationButton_ : movesButton_)->setChecked(true);
  settingSequenceForm_ = false;
}

auto MainWindow::rangeEditsBySlot() const -> std::array<QLineEdit*, 2 * kCriteria> {
  std::array<QLineEdit*, 2 * kCriteria> edits{};
  for (size_t c = 0; c < kCriteria; ++c) {
    edits[2 * c] = rangeEdits_[c].from;
    edits[2 * c + 1] = rangeEdits_[c].to;
  }
  return edits;
}

// ---- Files and the Run command ---------------------------------------------------------

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
  dialog.initialDir = input ? IniValues.Strings[3] : IniValues.Strings[4];
  dialog.fileName = input ? IniValues.Strings[1] : IniValues.Strings[2];
  std::optional<std::string> chosen =
      input ? dialogs().OpenFile(dialog) : dialogs().SaveFile(dialog);
  if (!chosen) return;
  setFileNameText(nameEdit(side), FileNamePart(*chosen));
  setDirectoryHint(dirBox(side), DirectoryPart(*chosen));
  showFileStates();
  pathsToSettings();
}

void MainWindow::copyDirectory(Side from) {
  setDirectoryHint(dirBox(Other(from)), directoryHint(dirBox(from)));
  showFileStates();
  pathsToSettings();
}

void MainWindow::swapFiles() {
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
    setDirectoryHint(dirBox(side), IniValues.Strings[0]);
    fileDialog(side).initialDir = IniValues.Strings[0];
  }
  showFileStates();
  pathsToSettings();
}

void MainWindow::onFileNameKeyUp() {
  showFileStates();
}

void MainWindow::showFileStates() {
  std::string input = directoryHint(inputDirBox_) + fileNameText(inputNameEdit_);
  std::string output = directoryHint(outputDirBox_) + fileNameText(outputNameEdit_);
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
  IniValues.Strings[1] = fileNameText(inputNameEdit_);
  IniValues.Strings[2] = fileNameText(outputNameEdit_);
  IniValues.Strings[3] = directoryHint(inputDirBox_);
  IniValues.Strings[4] = directoryHint(outputDirBox_);
}

void MainWindow::toggleSplit() {
  // The check item has already inverted its own mark when this runs.
  IniValues.Split = splitAction_->isChecked();
}

void MainWindow::runScan() {
  pathsToSettings();
  if (!criteriaValid()) {
    dialogs().Beep();
    return;
  }
  PrepareMatcherInputs();
  RunScan(IniValues.Strings[3] + IniValues.Strings[1], IniValues.Strings[4] + IniValues.Strings[2]);
  showFileStates();
}

// ---- Output editors, help and the about box -------------------------------------------

void MainWindow::openOutputEditor(int editorNumber) {
  pathsToSettings();
  std::string& editorSlot = editorNumber == 1 ? IniValues.Strings[5] : IniValues.Strings[6];
  if (launchEditor(editorNumber, editorSlot, fileNameText(outputNameEdit_),
                   directoryHint(outputDirBox_))) {
    controlsToSettings();
    SaveSettings();
  }
}

bool MainWindow::launchEditor(int editorNumber, std::string& editorSlot,
                              const std::string& outputName, const std::string& outputDir) {
  std::string outputPath = outputDir + outputName;
  // A path has no short form here; it is the path itself when the file exists.
  std::string shortPath = fileSystem().FileExists(outputPath) ? outputPath : std::string();
  if (fileSystem().FileExists(editorSlot) && !shortPath.empty()) {
    int code = launcher().StartProgram(editorSlot, shortPath, outputDir);
    if (code != 0)
      dialogs().ShowMessage("Sorry, " + editorSlot +
                            " could not be launched. The return code was " + std::to_string(code) +
                            ".");
    return false;
  }
  auto chooser = std::make_unique<EditorChooserDialog>(this);
  chooser->setEditorPath(editorSlot);
  chooser->setWindowTitle(editorNumber == 1 ? QStringLiteral("Output Editor 1")
                                            : QStringLiteral("Output Editor 2"));
  bool stored = false;
  if (chooser->exec() == QDialog::Accepted) {
    editorSlot = chooser->editorPath();
    stored = true;
  }
  return stored;
}

void MainWindow::showHelpContents() {
  launcher().ShowHelp(0);
}

void MainWindow::showAbout() {
  auto box = std::make_unique<AboutDialog>(this);
  box->exec();
}

}  // namespace kelvane
