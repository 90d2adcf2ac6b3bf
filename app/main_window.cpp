// The main window's construction, start-up and shutdown, the settings record shown in the
// controls and stored back, the field events, the edit actions, help and the about box.
// The criteria fields are in main_window_criteria.cpp, the files and Run in
// main_window_files.cpp, the controls' layout in main_window_layout.cpp.
#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <algorithm>
#include <exception>
#include <memory>

#include "app/about_dialog.h"
#include "app/event_errors.h"
#include "app/progress_dialog.h"
#include "app/scan_job.h"
#include "engine/criteria.h"
#include "engine/criteria_entry.h"
#include "engine/criteria_kinds.h"
#include "platform/file_system.h"
#include "platform/launcher.h"
#include "settings/settings.h"
#include "text/path_parts.h"

namespace kelvane {

namespace {
QByteArray Bytes(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

MainWindow::MainWindow(std::vector<std::string> commandLine, std::string settingsPath,
                       QWidget* parent)
    : QMainWindow(parent),
      commandLine_(std::move(commandLine)),
      settingsPath_(std::move(settingsPath)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Kelvane"));
  for (FileDialogRequest* d : {&inputFileDialog_, &outputFileDialog_}) {
    d->filter = "PGN & Text Files|*.PGN;*.TXT|All Files|*.*";
    d->defaultSuffix = "pgn";
  }
  // The input may be compressed; the output is always plain PGN.
  inputFileDialog_.filter =
      "PGN & Text Files|*.PGN;*.TXT;*.PGN.ZST;*.PGN.GZ;*.PGN.BZ2;*.PGN.XZ|All Files|*.*";
  buildControls();
  buildEditActions();
  buildToolBar();
  buildMenus();
  orderTabs();
  centreOnScreen();
  loadAtStartUp();
}

MainWindow::~MainWindow() {
  // A scan still running is cancelled, and waited for while this window is whole.
  if (scan_) {
    disconnect(scan_.get(), nullptr, this, nullptr);
    scan_.reset();
    closeProgress();
  }
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
  settings_ = Settings{};
  LoadSettings(settings_, settingsPath_);
  // An editor is started in the output folder: a relative path would name another file.
  for (std::string& editor : settings_.editors) editor = AbsolutePath(editor);
  if (takeCommandLineFile(settings_.input.dir, settings_.input.name)) {
    inputFileDialog_.initialDir = settings_.input.dir;
    settings_.moreInputs.clear();
    settings_.inputFolder = false;
  }
  fillingControls_ = true;
  settingsToControls();
  fillingControls_ = false;
  // Only a window that was created completely stores and saves on a fatal fault; a fault
  // while it is being created saves nothing.
  exitStep_ = AddExitStep([this] {
    try {
      controlsToSettings();
      SaveSettings(settings_, settingsPath_);
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
  SaveSettings(settings_, settingsPath_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (scan_) {
    // The scan stops after the game in hand; the window closes when it has.
    event->ignore();
    RunHandler([this] { cancelScanAndClose(); });
    return;
  }
  event->accept();
  if (!destroyed_ && created_) RunHandler([this] { storeAtClose(); });
}

void MainWindow::exitProgram() {
  close();
}

bool MainWindow::takeCommandLineFile(std::string& dir, std::string& name) {
  if (commandLine_.empty()) return false;
  std::string path = commandLine_.front();
  if (path.empty() || !fileSystem().FileExists(path)) return false;
  // A relative path is taken from the current directory, so the directory kept in the
  // settings still names the file at the next start from elsewhere.
  path = AbsolutePath(path);
  dir = DirectoryPart(path);
  name = FileNamePart(path);
  return true;
}

// ---- Settings and controls ------------------------------------------------------------

void MainWindow::settingsToControls() {
  // A settings file may hold a path in a name: the folder box takes its folder.
  settings_.input = TakeWholePath(settings_.input);
  settings_.output = TakeWholePath(settings_.output);
  setFileNameText(inputNameEdit_, settings_.input.name);
  setFileNameText(outputNameEdit_, settings_.output.name);
  setDirectoryHint(inputDirBox_, settings_.input.dir);
  setDirectoryHint(outputDirBox_, settings_.output.dir);
  showInputs();
  // Must contain's text runs onMustContainEdited, which may move the Notation/Moves choice.
  for (const CriterionKind& kind : CriterionKinds()) showCriterion(kind);
  for (const CriterionKind& kind : CriterionKinds()) {
    if (!kind.range) continue;
    const MoveRange& range = KindRange(kind, settings_.criteria);
    setFieldText(criterionEdit(kind.fromFieldName), std::to_string(range.from));
    setFieldText(criterionEdit(kind.toFieldName), std::to_string(range.to));
  }
  setSequenceForm(settings_.criteria.mustContainForm);
  tolerantAction_->setChecked(settings_.tolerant);
  duplicatesAction_->setChecked(settings_.duplicates);
  duplicatesPrefixAction_->setChecked(settings_.duplicatesPrefix);
  showSplitState();
  showFileStates();
}

bool MainWindow::controlsToSettings() {
  pathsToSettings();
  for (const CriterionKind& kind : CriterionKinds()) storeCriterion(kind);
  CleanTexts(settings_.criteria);
  // Stored conditions are always normalised, so neither a save nor a run sees "a > b",
  // also when the field being typed in was never left.
  NormaliseConditions(settings_.criteria);
  // The ranges in field order. A field that holds no whole number is told, keeps the value
  // in use and shows it again.
  bool numbers = true;
  for (const CriterionKind& kind : CriterionKinds()) {
    if (!kind.range) continue;
    MoveRange& range = *kind.range(settings_.criteria);
    for (bool end : {false, true}) {
      QLineEdit* field = criterionEdit(end ? kind.toFieldName : kind.fromFieldName);
      int32_t& value = end ? range.to : range.from;
      const std::string text = fieldText(field);
      if (WholeNumber(text, value)) continue;
      numbers = false;
      dialogs().Beep();
      dialogs().ShowMessage(NonNumericRangeMessage(kind, end, text));
      setFieldText(field, std::to_string(value));
    }
  }
  settings_.criteria.mustContainForm = sequenceForm();
  settings_.tolerant = tolerantAction_->isChecked();
  settings_.duplicates = duplicatesAction_->isChecked();
  settings_.duplicatesPrefix = duplicatesPrefixAction_->isChecked();
  return numbers;
}

QWidget* MainWindow::criterionField(const char* name) const {
  return centralWidget()->findChild<QWidget*>(QLatin1String(name));
}

QLineEdit* MainWindow::criterionEdit(const char* name) const {
  return qobject_cast<QLineEdit*>(criterionField(name));
}

void MainWindow::showCriterion(const CriterionKind& kind) {
  QWidget* field = criterionField(kind.fieldName);
  if (!field) return;  // a kind the window shows no field for keeps its settings
  if (auto* edit = qobject_cast<QLineEdit*>(field)) {
    setFieldText(edit, KindText(kind, settings_.criteria));
    return;
  }
  // A text box: one text, or one line per entry of a list.
  std::string text;
  if (HasText(kind)) {
    text = KindText(kind, settings_.criteria);
  } else {
    for (const std::string& line : KindLines(kind, settings_.criteria))
      text += (text.empty() ? "" : "\n") + line;
  }
  static_cast<QPlainTextEdit*>(field)->setPlainText(
      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void MainWindow::storeCriterion(const CriterionKind& kind) {
  QWidget* field = criterionField(kind.fieldName);
  if (!field) return;
  std::string text =
      qobject_cast<QLineEdit*>(field)
          ? fieldText(static_cast<QLineEdit*>(field))
          : static_cast<QPlainTextEdit*>(field)->toPlainText().toUtf8().toStdString();
  if (HasText(kind)) {
    *kind.text(settings_.criteria) = std::move(text);
    return;
  }
  std::vector<std::string>& lines = *kind.lines(settings_.criteria);
  lines.clear();
  for (size_t at = 0; at <= text.size();) {
    size_t end = std::min(text.find('\n', at), text.size());
    if (end > at) lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
}

// ---- Edit actions ---------------------------------------------------------------------

QWidget* MainWindow::focusedField() const {
  QWidget* w = QApplication::focusWidget();
  if (!w || w->window() != this) return nullptr;
  if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w)) return w;
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
  if (auto* box = qobject_cast<QPlainTextEdit*>(w)) apply(box);
}

void MainWindow::updateEditActions() {
  QWidget* w = focusedField();
  bool selection = false;
  if (auto* e = qobject_cast<QLineEdit*>(w)) selection = e->hasSelectedText();
  if (auto* box = qobject_cast<QPlainTextEdit*>(w)) selection = box->textCursor().hasSelection();
  const QMimeData* clip = QApplication::clipboard()->mimeData();
  bool canPaste = w && clip && clip->hasText();
  cutAction_->setEnabled(selection);
  copyAction_->setEnabled(selection);
  pasteAction_->setEnabled(canPaste);
}

// ---- Events ---------------------------------------------------------------------------

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
          reason == Qt::MenuBarFocusReason)
        return false;
      leaveField();
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
      for (QAction* a : {setInputAction_, setInputFolderAction_, setOutputAction_, runAction_,
                         countAction_,
                         outputEditor1Action_, outputEditor2Action_, splitAction_})
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

// ---- Help and the about box -----------------------------------------------------------

void MainWindow::showHelpContents() {
  launcher().ShowHelp(0);
}

void MainWindow::showAbout() {
  auto box = std::make_unique<AboutDialog>(this);
  box->exec();
}

}  // namespace kelvane
