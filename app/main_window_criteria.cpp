// The main window's criteria fields: the conditions checked as a field is left, the Must
// contain text and its Notation/Moves choice, and the checks before a run.
#include <QButtonGroup>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <algorithm>

#include "app/main_window.h"
#include "engine/criteria.h"
#include "settings/settings.h"

namespace kelvane {

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

}  // namespace kelvane
