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
#include "engine/criteria_entry.h"
#include "engine/criteria_kinds.h"
#include "platform/file_system.h"
#include "settings/settings.h"

namespace kelvane {

bool MainWindow::leaveField() {
  if (inExit_) return true;
  inExit_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{inExit_};
  return onFieldLeft();
}

bool MainWindow::onFieldLeft() {
  bool accepted = true;
  for (size_t k = 0; k < conditionEdits_.size(); ++k) {
    QLineEdit* e = conditionEdits_[k];
    std::string text = fieldText(e);
    ConditionCheck check = CheckCondition(text);
    if (check.text != text) setFieldText(e, check.text);
    if (check.failed) {
      accepted = false;
      dialogs().Beep();
      dialogs().ShowMessage(ConditionRefusal(static_cast<int>(k) + 1, check.text));
      e->setFocus(Qt::OtherFocusReason);
    }
  }
  return controlsToSettings() && accepted;
}

void MainWindow::onSequenceFormClicked() {
  if (settingSequenceForm_) return;
  if (sequenceForm() == kelvane::SequenceForm::Moves) {
    if (isNotation()) {
      std::string text = mustContainText();
      NotationToMoves(text);
      setMustContainText(text);
    }
    settings_.criteria.mustContainForm = kelvane::SequenceForm::Moves;
    controlsToSettings();
    return;
  }
  if (isNotation()) {
    controlsToSettings();
  } else if (IsMovesText(mustContainText())) {
    // There is no way back from Moves to Notation form.
    setSequenceForm(kelvane::SequenceForm::Moves);
    dialogs().Beep();
    dialogs().ShowMessage(kNotationRefused);
  } else {
    settings_.criteria.mustContainForm = kelvane::SequenceForm::Notation;
    controlsToSettings();
  }
}

void MainWindow::onMustContainEdited() {
  const std::string text = mustContainText();
  const MustContainEntry entry = EnterMustContain(text);
  if (entry.form == kelvane::SequenceForm::Moves) {
    if (sequenceForm() == kelvane::SequenceForm::Notation)
      setSequenceForm(kelvane::SequenceForm::Moves);
    return;
  }
  setSequenceForm(kelvane::SequenceForm::Notation);
  if (entry.text != text) {
    // Each line break becomes one blank, so the cursor keeps its place.
    int position = mustContainEdit_->textCursor().position();
    setMustContainText(entry.text);
    QTextCursor cursor = mustContainEdit_->textCursor();
    cursor.setPosition(std::min(position, mustContainEdit_->document()->characterCount() - 1));
    mustContainEdit_->setTextCursor(cursor);
  }
  if (fillingControls_) return;
  if (entry.numberTooLarge) {
    dialogs().Beep();
    dialogs().ShowMessage(kMoveNumberTooLarge);
    return;
  }
  if (!entry.range) return;  // no move number yet
  setFieldText(rangeEdits_[kMustContain].from, std::to_string(entry.range->from));
  setFieldText(rangeEdits_[kMustContain].to, std::to_string(entry.range->to));
  settings_.criteria.mustContainRange = *entry.range;
}

bool MainWindow::namesValid(bool countOnly) {
  // A folder of inputs is checked as one: it has a name, and may be a folder.
  const FileLocation input =
      settings_.inputFolder ? FileLocation{"", settings_.input.dir} : settings_.input;
  const NameFault fault =
      countOnly ? CheckInputName(input, fileSystem(), settings_.inputFolder)
                : CheckNames(input, settings_.output, split_, fileSystem(), settings_.inputFolder);
  if (fault == NameFault::None) return true;
  dialogs().ShowMessage(NameFaultMessage(fault, settings_.input, settings_.output));
  (IsOutputNameFault(fault) ? outputNameEdit_ : inputNameEdit_)->setFocus(Qt::OtherFocusReason);
  return false;
}

bool MainWindow::criteriaValid(bool countOnly) {
  const CriteriaFault fault = CheckCriteria(settings_.criteria, settings_.input.path(),
                                            countOnly ? std::string() : settings_.output.path());
  if (fault == CriteriaFault::None) return true;
  dialogs().ShowMessage(CriteriaFaultMessage(fault, settings_.criteria));
  // Any other fault is in a criterion's lines or at the end of its range.
  QWidget* field = outputNameEdit_;
  if (fault != CriteriaFault::SameFile) {
    const CriterionKind& kind = CriterionKinds()[FaultRow(fault)];
    field = criterionField(IsLineFault(fault) ? kind.fieldName : kind.toFieldName);
  }
  if (field) field->setFocus(Qt::OtherFocusReason);
  return false;
}

std::string MainWindow::mustContainText() const {
  return mustContainEdit_->toPlainText().toUtf8().toStdString();
}

void MainWindow::setMustContainText(const std::string& text) {
  mustContainEdit_->setPlainText(
      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

kelvane::SequenceForm MainWindow::sequenceForm() const {
  return static_cast<kelvane::SequenceForm>(sequenceFormButtons_->checkedId());
}

void MainWindow::setSequenceForm(kelvane::SequenceForm form) {
  settingSequenceForm_ = true;
  (form == kelvane::SequenceForm::Notation ? notationButton_ : movesButton_)->setChecked(true);
  settingSequenceForm_ = false;
}

bool MainWindow::isNotation() const {
  return settings_.criteria.mustContainForm == kelvane::SequenceForm::Notation;
}

std::vector<QWidget*> MainWindow::criteriaFieldsInTabOrder() const {
  // The designed fields; those of the kinds added since lie in an area of their own, whose
  // order the layout keeps.
  std::vector<QWidget*> fields;
  for (const CriterionKind& kind : CriterionKinds())
    if (kind.alwaysWritten) fields.push_back(criterionField(kind.fieldName));
  for (const CriterionKind& kind : CriterionKinds())
    if (kind.alwaysWritten && kind.range)
      fields.insert(fields.end(),
                    {criterionField(kind.fromFieldName), criterionField(kind.toFieldName)});
  return fields;
}

}  // namespace kelvane
