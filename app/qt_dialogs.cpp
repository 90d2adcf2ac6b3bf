#include "app/qt_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpacerItem>

#include "app/design_pixels.h"

#include "platform/shown_text.h"

namespace kelvane {

namespace {
QWidget* DialogParent() {
  QWidget* w = QApplication::activeModalWidget();
  return w ? w : QApplication::activeWindow();
}

QString FileText(const std::string& s) {
  return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

// Title bars hold the window's icon and up to three buttons beside the caption, in a font
// that is often bold; Qt sizes a message box for the caption text alone, so a short
// message had its caption "Kelvane" cut to "K...". A spacer across the box's grid gives it
// the caption's width and that room.
void MakeRoomForCaption(QMessageBox& box) {
  QFont font = QApplication::font("QMdiSubWindowTitleBar");
  font.setBold(true);
  const int width =
      QFontMetrics(font).horizontalAdvance(box.windowTitle()) + DesignPixels(&box, 160);
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

// Folders and the files the user may run. (The file system model's own permission
// filters hide every file that has a permission not asked for, so a readable program would
// be hidden too.)
class ProgramsOnlyModel : public QSortFilterProxyModel {
 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (!files) return true;
    const QModelIndex index = files->index(row, 0, parent);
    return files->isDir(index) || files->fileInfo(index).isExecutable();
  }
};

std::optional<std::string> RunFileDialog(const FileDialogRequest& request, bool save) {
  QFileDialog dialog(DialogParent(), FileText(request.title), FileText(request.initialDir));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // A name that does not exist yet is allowed in both dialogs; it only shows red, and the
  // scan asks before it overwrites anything.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  QStringList filters = NameFilters(request.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.defaultSuffix.empty()) dialog.setDefaultSuffix(FileText(request.defaultSuffix));
  if (request.programsOnly) dialog.setProxyModel(new ProgramsOnlyModel);
  if (!request.fileName.empty()) dialog.selectFile(FileText(request.fileName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first().toLocal8Bit().toStdString();
}
}  // namespace

QStringList NameFilters(const std::string& filter) {
  QStringList parts = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()))
                          .split(QLatin1Char('|'));
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      QString pattern = p.trimmed();
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
      if (!patterns.contains(pattern)) patterns << pattern;
      QString lower = pattern.toLower();
      if (!patterns.contains(lower)) patterns << lower;
    }
    result << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return result;
}

namespace {
// A text for a widget. A message can quote a line of the game file, and such a line can be
// megabytes long (a message box that lays out all of it would freeze the window) and hold
// control characters, which are shown as U+FFFD.
QString WidgetText(const std::string& text, bool replaceControls) {
  constexpr size_t kShown = 2000;
  if (text.size() > kShown) {
    return WidgetText(text.substr(0, kShown), replaceControls) +
           QStringLiteral("... (%1 more characters)").arg(text.size() - kShown);
  }
  const std::string shown = replaceControls ? ReplaceControls(text) : text;
  QString s = QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}
}  // namespace

QString MessageText(const std::string& text) {
  return WidgetText(text, true);
}

void QtDialogs::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Kelvane"), MessageText(text),
                  QMessageBox::Ok, DialogParent());
  MakeRoomForCaption(box);
  box.exec();
}

namespace {
std::vector<std::pair<QString, std::function<void()>>> reportButtons;
}  // namespace

void SetReportButton(const QString& caption, std::function<void()> action) {
  reportButtons.clear();
  AddReportButton(caption, std::move(action));
}

void AddReportButton(const QString& caption, std::function<void()> action) {
  if (!caption.isEmpty() && action) reportButtons.emplace_back(caption, std::move(action));
}

void QtDialogs::ShowReport(const std::string& text) {
  if (reportButtons.empty()) {
    ShowMessage(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Kelvane"), MessageText(text),
                  QMessageBox::Ok, DialogParent());
  std::vector<QPushButton*> extra;
  for (const auto& button : reportButtons)
    extra.push_back(box.addButton(button.first, QMessageBox::ActionRole));
  MakeRoomForCaption(box);
  box.exec();
  // The action is a copy: it may set the buttons anew.
  for (size_t k = 0; k < extra.size(); ++k)
    if (box.clickedButton() == extra[k]) std::function<void()>(reportButtons[k].second)();
}

DialogButton QtDialogs::Confirm(const std::string& text, DialogButtons buttons) {
  bool yesNo = buttons == DialogButtons::YesNo;
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), MessageText(text),
                  QMessageBox::NoButton, DialogParent());
  QPushButton* first = box.addButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
  QPushButton* second = box.addButton(yesNo ? QMessageBox::No : QMessageBox::Cancel);
  box.setDefaultButton(first);
  box.setEscapeButton(second);
  MakeRoomForCaption(box);
  box.exec();
  bool firstPressed = box.clickedButton() == first;
  if (yesNo) return firstPressed ? DialogButton::Yes : DialogButton::No;
  return firstPressed ? DialogButton::Ok : DialogButton::Cancel;
}

std::optional<std::string> QtDialogs::InputBox(const std::string& caption,
                                               const std::string& prompt,
                                               const std::string& defaultText) {
  bool ok = false;
  QString answer = QInputDialog::getText(DialogParent(), MessageText(caption), MessageText(prompt),
                                         QLineEdit::Normal, WidgetText(defaultText, false), &ok);
  if (!ok) return std::nullopt;
  return answer.toUtf8().toStdString();
}

void QtDialogs::Beep() {
  QApplication::beep();
}

std::optional<std::string> QtDialogs::OpenFile(const FileDialogRequest& request) {
  return RunFileDialog(request, false);
}

std::optional<std::string> QtDialogs::SaveFile(const FileDialogRequest& request) {
  return RunFileDialog(request, true);
}

std::optional<std::vector<std::string>> QtDialogs::OpenFiles(const FileDialogRequest& request) {
  QFileDialog dialog(DialogParent(), FileText(request.title), FileText(request.initialDir));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  QStringList filters = NameFilters(request.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.fileName.empty()) dialog.selectFile(FileText(request.fileName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  std::vector<std::string> chosen;
  for (const QString& file : dialog.selectedFiles())
    chosen.push_back(file.toLocal8Bit().toStdString());
  if (chosen.empty()) return std::nullopt;
  return chosen;
}

std::optional<FolderChoice> QtDialogs::ChooseFolder(const FileDialogRequest& request,
                                                    bool recursive) {
  // Qt's own dialog, which takes a check box of ours below its fields.
  QFileDialog dialog(DialogParent(), FileText(request.title), FileText(request.initialDir));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  auto* subfolders = new QCheckBox(QStringLiteral("Include &subfolders"), &dialog);
  subfolders->setObjectName(QStringLiteral("IncludeSubfolders"));
  subfolders->setChecked(recursive);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(subfolders, grid->rowCount(), 0, 1, grid->columnCount());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  std::string dir = chosen.first().toLocal8Bit().toStdString();
  if (!dir.ends_with('/')) dir += '/';
  return FolderChoice{dir, subfolders->isChecked()};
}

}  // namespace kelvane
