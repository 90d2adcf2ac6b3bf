// The main window's part in the Summary window: the View menu item and the report's button
// that show it, and the figures every scan gathers on its worker thread.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "app/summary_window.h"
#include "engine/selection_summary.h"
#include "text/path_parts.h"

namespace kelvane {

void MainWindow::buildSummary() {
  summary_ = std::make_unique<SelectionSummary>();
  auto* view = menuBar()->findChild<QMenu*>(QStringLiteral("View1"));
  summaryAction_ = view->addAction(QStringLiteral("S&ummary"));
  summaryAction_->setObjectName(QStringLiteral("Summary1"));
  summaryAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  connect(summaryAction_, &QAction::triggered, this, guarded([this] { showSummary(); }));
  // The end-of-scan report offers the summary too; the scan waits while the report is shown,
  // so its figures are whole and still.
  AddReportButton(QStringLiteral("S&ummary"), [window = QPointer<MainWindow>(this)] {
    if (window) window->showSummary();
  });
}

void MainWindow::showSummary() {
  if (!summaryWindow_) summaryWindow_ = new SummaryWindow(this);
  const SelectionSummary& shown = scanSummary_ ? *scanSummary_ : *summary_;
  summaryWindow_->setSummary(shown, QString::fromLocal8Bit(FileNamePart(summaryOutput_)));
  summaryWindow_->show();
  summaryWindow_->raise();
  summaryWindow_->activateWindow();
}

void MainWindow::startSummary(ScanRequest& request) {
  summaryOutput_ = request.outputPath;
  scanSummary_ = std::make_unique<SelectionSummary>();
  request.summary = scanSummary_.get();
  // While the scan runs its figures are not read but from the report.
  summaryAction_->setEnabled(false);
}

void MainWindow::endSummary(bool outputWritten) {
  summary_ = outputWritten ? std::move(scanSummary_) : std::make_unique<SelectionSummary>();
  scanSummary_.reset();
  summaryAction_->setEnabled(true);
  if (summaryWindow_)
    summaryWindow_->setSummary(*summary_, QString::fromLocal8Bit(FileNamePart(summaryOutput_)));
}

}  // namespace kelvane
