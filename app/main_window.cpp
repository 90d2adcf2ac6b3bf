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
}  // namespace

MainWindow::MainWindow(std::vector<std::string> commandLine, QWidget* parent)
    : QMainWindow(parent), commandLine_(std::move(commandLine)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Kelvane"));
  for (FileDialogRequest* d : {&inputFileDialog_, &outputFileDialog_}) {
    d->filter = "PGN & Text Files|*.PGN;*.TXT|All Files|*.*";
    d->defaultSuffix = "pgn";
  }
  BuildControls();
  BuildEditActions();
  BuildToolBar();
  BuildMenus();
  SetTabOrder();
  CentreOnScreen();
  FormCreate();
}

MainWindow::~MainWindow() {
  // A window that is destroyed without having been closed still stores and saves.
  if (!destroyed_ && created_) RunHandler([this] { FormDestroy(); });
  if (exitStep_ != 0) RemoveExitStep(exitStep_);
  // The controls are destroyed after this object's own part: no signal of theirs, of the
  // application's or of the clipboard's may reach its handlers then.
  disconnect(qApp, nullptr, this, nullptr);
  disconnect(QApplication::clipboard(), nullptr, this, nullptr);
  for (QObject* child : findChildren<QObject*>()) disconnect(child, nullptr, this, nullptr);
}

// ---- Start-up and shutdown ------------------------------------------------------------

void MainWindow::FormCreate() {
  IniValues.Reset();
  IniValues.RadNota = true;
  LoadSettings();
  if (TakeCommandLineFile(IniValues.Strings[3], IniValues.Strings[1]))
    inputFileDialog_.initialDir = IniValues.Strings[3];
  fillingControls_ = true;
  RecordToControls();
  fillingControls_ = false;
  // Only a window that was created completely stores and saves on a fatal fault; a fault
  // while it is being created saves nothing.
  exitStep_ = AddExitStep([this] {
    try {
      ControlsToRecord();
      SaveSettings();
    } catch (const std::exception& e) {
      dialogs().ShowMessage(e.what());
    }
  });
  created_ = true;
}

void MainWindow::FormDestroy() {
  destroyed_ = true;
  if (exitStep_ != 0) {
    RemoveExitStep(exitStep_);
    exitStep_ = 0;
  }
  ControlsToRecord();
  SaveSettings();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!destroyed_ && created_) RunHandler([this] { FormDestroy(); });
}

void MainWindow::Button3Click() {
  close();
}

void MainWindow::Exit1Click() {
  Button3Click();
}

bool MainWindow::TakeCommandLineFile(std::string& dirSlot, std::string& nameSlot) {
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

void MainWindow::RecordToControls() {
  SetFileNameText(inputNameEdit_, IniValues.Strings[1]);
  SetFileNameText(outputNameEdit_, IniValues.Strings[2]);
  SetHint(inputDirBox_, IniValues.Strings[3]);
  SetHint(outputDirBox_, IniValues.Strings[4]);
  SetText(conditionEdits_[0], IniValues.Strings[7]);
  SetText(conditionEdits_[1], IniValues.Strings[8]);
  SetText(conditionEdits_[2], IniValues.Strings[9]);
  SetMemoText(IniValues.Strings[10]);  // runs Memo1Change, which may move the radio group
  SetText(withoutEdit_, IniValues.Strings[11]);
  auto ranges = RangeEdits();
  for (size_t i = 0; i < ranges.size(); ++i)
    SetText(ranges[i], std::to_string(IniValues.Integers[i]));
  settingSequenceForm_ = true;
  SetRadioItemIndex(IniValues.RadNota ? 0 : 1);
  settingSequenceForm_ = false;
  ShowFileStates();
}

void MainWindow::ControlsToRecord() {
  PathsToRecord();
  IniValues.Strings[7] = Text(conditionEdits_[0]);
  IniValues.Strings[8] = Text(conditionEdits_[1]);
  IniValues.Strings[9] = Text(conditionEdits_[2]);
  IniValues.Strings[10] = MemoText();
  IniValues.Strings[11] = Text(withoutEdit_);
  CleanTextSlots();
  auto ranges = RangeEdits();
  for (size_t i = 0; i < ranges.size(); ++i) {
    int32_t value = 0;
    if (!WholeNumber(Text(ranges[i]), value)) {
      dialogs().Beep();
      dialogs().ShowMessage("Non-numeric value in range");
      break;
    }
    IniValues.Integers[i] = value;
  }
  IniValues.RadNota = RadioItemIndex() == 0;
}

// ---- Criteria entry --------------------------------------------------------------------

void MainWindow::EditTextExits() {
  for (QLineEdit* e : conditionEdits_) {
    std::string text = Text(e);
    ConditionCheck check = CheckCondition(text);
    if (check.text != text) SetText(e, check.text);
    if (check.failed) {
      ConditionFormError();
      e->setFocus(Qt::OtherFocusReason);
    }
  }
  ControlsToRecord();
}

void MainWindow::RadioClick() {
  if (settingSequenceForm_) return;
  if (RadioItemIndex() == 1) {
    if (IniValues.RadNota) {
      std::string text = MemoText();
      NotationToMoves(text);
      SetMemoText(text);
    }
    IniValues.RadNota = false;
    ControlsToRecord();
    return;
  }
  if (IniValues.RadNota) {
    ControlsToRecord();
  } else if (IsMovesText(MemoText())) {
    // There is no way back from Moves to Notation form.
    settingSequenceForm_ = true;
    SetRadioItemIndex(1);
    settingSequenceForm_ = false;
    dialogs().Beep();
  } else {
    IniValues.RadNota = true;
    ControlsToRecord();
  }
}

void MainWindow::Memo1Change() {
  std::string text = MemoText();
  if (IsMovesText(text)) {
    if (RadioItemIndex() == 0) {
      settingSequenceForm_ = true;
      SetRadioItemIndex(1);
      settingSequenceForm_ = false;
    }
    return;
  }
  settingSequenceForm_ = true;
  SetRadioItemIndex(0);
  settingSequenceForm_ = false;
  std::string joined = text;
  LineBreaksToBlanks(joined);
  if (joined != text) {
    // Each line break becomes one blank, so the cursor keeps its place.
    int position = mustContainEdit_->textCursor().position();
    SetMemoText(joined);
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
  SetText(rangeEdits_[kMustContain].from, std::to_string(from));
  SetText(rangeEdits_[kMustContain].to, std::to_string(to));
  IniValues.Integers[6] = from;
  IniValues.Integers[7] = to;
}

bool MainWindow::CriteriaValid() {
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

// ---- Files and the Run command ---------------------------------------------------------

void MainWindow::SetInput1Click() {
  inputFileDialog_.title = "Set Input File";
  inputFileDialog_.initialDir = IniValues.Strings[3];
  inputFileDialog_.fileName = IniValues.Strings[1];
  std::optional<std::string> chosen = dialogs().OpenFile(inputFileDialog_);
  if (!chosen) return;
  SetFileNameText(inputNameEdit_, FileNamePart(*chosen));
  SetHint(inputDirBox_, DirectoryPart(*chosen));
  ShowFileStates();
  PathsToRecord();
}

void MainWindow::SetOutput1Click() {
  outputFileDialog_.title = "Set Output File";
  outputFileDialog_.initialDir = IniValues.Strings[4];
  outputFileDialog_.fileName = IniValues.Strings[2];
  std::optional<std::string> chosen = dialogs().SaveFile(outputFileDialog_);
  if (!chosen) return;
  SetFileNameText(outputNameEdit_, FileNamePart(*chosen));
  SetHint(outputDirBox_, DirectoryPart(*chosen));
  ShowFileStates();
  PathsToRecord();
}

void MainWindow::OeqIToolButtonClick() {
  SetHint(outputDirBox_, Hint(inputDirBox_));
  ShowFileStates();
  PathsToRecord();
}

void MainWindow::IeqOToolButtonClick() {
  SetHint(inputDirBox_, Hint(outputDirBox_));
  ShowFileStates();
  PathsToRecord();
}

void MainWindow::ToggleIO() {
  std::string name = FileNameText(inputNameEdit_);
  SetFileNameText(inputNameEdit_, FileNameText(outputNameEdit_));
  SetFileNameText(outputNameEdit_, name);
  std::string dir = Hint(inputDirBox_);
  SetHint(inputDirBox_, Hint(outputDirBox_));
  SetHint(outputDirBox_, dir);
  ShowFileStates();
  PathsToRecord();
}

void MainWindow::DirInputChg() {
  AskStartUpDir(inputDirBox_, inputFileDialog_);
}

void MainWindow::DirOutputChg() {
  AskStartUpDir(outputDirBox_, outputFileDialog_);
}

void MainWindow::AskStartUpDir(QLineEdit* dirBox, FileDialogRequest& dialog) {
  if (dialogs().Confirm("Set to start up directory?", DialogButtons::YesNo) == DialogButton::Yes) {
    SetHint(dirBox, IniValues.Strings[0]);
    dialog.initialDir = IniValues.Strings[0];
  }
  ShowFileStates();
  PathsToRecord();
}

void MainWindow::Edit16ChgKeyUp() {
  ShowFileStates();
}

void MainWindow::Edit17ChgKeyUp() {
  ShowFileStates();
}

void MainWindow::ShowFileStates() {
  std::string input = Hint(inputDirBox_) + FileNameText(inputNameEdit_);
  std::string output = Hint(outputDirBox_) + FileNameText(outputNameEdit_);
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

void MainWindow::PathsToRecord() {
  IniValues.Strings[1] = FileNameText(inputNameEdit_);
  IniValues.Strings[2] = FileNameText(outputNameEdit_);
  IniValues.Strings[3] = Hint(inputDirBox_);
  IniValues.Strings[4] = Hint(outputDirBox_);
}

void MainWindow::Split1Click() {
  // The check item has already inverted its own mark when this runs.
  IniValues.Split = splitAction_->isChecked();
}

void MainWindow::RunButtonClick() {
  PathsToRecord();
  if (!CriteriaValid()) {
    dialogs().Beep();
    return;
  }
  PrepareMatcherInputs();
  RunScan(IniValues.Strings[3] + IniValues.Strings[1], IniValues.Strings[4] + IniValues.Strings[2]);
  ShowFileStates();
}

// ---- Output editors, help and the about box -------------------------------------------

void MainWindow::Editor1Click() {
  PathsToRecord();
  if (LaunchEditor(1, IniValues.Strings[5], FileNameText(outputNameEdit_), Hint(outputDirBox_))) {
    ControlsToRecord();
    SaveSettings();
  }
}

void MainWindow::Editor2Click() {
  PathsToRecord();
  if (LaunchEditor(2, IniValues.Strings[6], FileNameText(outputNameEdit_), Hint(outputDirBox_))) {
    ControlsToRecord();
    SaveSettings();
  }
}

bool MainWindow::LaunchEditor(int editorNumber, std::string& editorSlot,
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

void MainWindow::Contents1Click() {
  launcher().ShowHelp(0);
}

void MainWindow::About1Click() {
  auto box = std::make_unique<AboutDialog>(this);
  box->exec();
}

// ---- Edit actions ----------------------------------------------------------------------

QWidget* MainWindow::FocusedField() const {
  QWidget* w = QApplication::focusWidget();
  if (!w || w->window() != this) return nullptr;
  if (qobject_cast<QLineEdit*>(w) || w == mustContainEdit_) return w;
  return nullptr;
}

void MainWindow::EditCut1Execute() {
  QWidget* w = FocusedField();
  if (auto* e = qobject_cast<QLineEdit*>(w)) e->cut();
  if (w == mustContainEdit_) mustContainEdit_->cut();
}

void MainWindow::EditCopy1Execute() {
  QWidget* w = FocusedField();
  if (auto* e = qobject_cast<QLineEdit*>(w)) e->copy();
  if (w == mustContainEdit_) mustContainEdit_->copy();
}

void MainWindow::EditPaste1Execute() {
  QWidget* w = FocusedField();
  if (auto* e = qobject_cast<QLineEdit*>(w)) e->paste();
  if (w == mustContainEdit_) mustContainEdit_->paste();
}

void MainWindow::UpdateEditActions() {
  QWidget* w = FocusedField();
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
  RunHandler([&] { consumed = FieldEvent(watched, event); });
  return consumed || QMainWindow::eventFilter(watched, event);
}

bool MainWindow::FieldEvent(QObject* watched, QEvent* event) {
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
      EditTextExits();
      return false;
    }
    case QEvent::KeyRelease:
      if (watched == inputNameEdit_) Edit16ChgKeyUp();
      if (watched == outputNameEdit_) Edit17ChgKeyUp();
      return false;
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      auto* widget = static_cast<QWidget*>(watched);
      if (mouse->button() != Qt::LeftButton ||
          !widget->rect().contains(mouse->position().toPoint()))
        return false;
      if (watched == inputDirBox_) DirInputChg();
      if (watched == outputDirBox_) DirOutputChg();
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

// ---- Texts at the widget boundary -----------------------------------------------------

std::string MainWindow::Text(const QLineEdit* edit) {
  return edit->text().toUtf8().toStdString();
}

void MainWindow::SetText(QLineEdit* edit, const std::string& text) {
  QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (edit->text() != s) edit->setText(s);
}

std::string MainWindow::FileNameText(const QLineEdit* edit) {
  return edit->text().toLocal8Bit().toStdString();
}

void MainWindow::SetFileNameText(QLineEdit* edit, const std::string& text) {
  QString s = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
  if (edit->text() != s) edit->setText(s);
}

std::string MainWindow::Hint(const QWidget* widget) {
  return widget->property("hintBytes").toByteArray().toStdString();
}

void MainWindow::SetHint(QWidget* widget, const std::string& hint) {
  widget->setProperty("hintBytes", Bytes(hint));
  widget->setToolTip(QString::fromLocal8Bit(hint.data(), static_cast<qsizetype>(hint.size())));
}

std::string MainWindow::MemoText() const {
  return mustContainEdit_->toPlainText().toUtf8().toStdString();
}

void MainWindow::SetMemoText(const std::string& text) {
  mustContainEdit_->setPlainText(
      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

int MainWindow::RadioItemIndex() const {
  return sequenceFormButtons_->checkedId();
}

void MainWindow::SetRadioItemIndex(int index) {
  (index == 0 ? notationButton_ : movesButton_)->setChecked(true);
}

auto MainWindow::RangeEdits() const -> std::array<QLineEdit*, 2 * kCriteria> {
  std::array<QLineEdit*, 2 * kCriteria> edits{};
  for (size_t c = 0; c < kCriteria; ++c) {
    edits[2 * c] = rangeEdits_[c].from;
    edits[2 * c + 1] = rangeEdits_[c].to;
  }
  return edits;
}

}  // namespace kelvane
