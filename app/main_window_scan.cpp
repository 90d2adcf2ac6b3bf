// The main window's scan: it runs on a worker thread while the window keeps answering; a
// progress dialog comes up when the scan's games take longer than half a second (so never
// behind a question or message of its checks), and the window's commands wait until the
// scan is over.
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <chrono>

#include "app/event_errors.h"
#include "app/game_list_model.h"
#include "app/main_window.h"
#include "app/progress_dialog.h"
#include "app/scan_job.h"
#include "platform/file_system.h"

namespace kelvane {

namespace {
constexpr int kProgressDelayMs = 500;
constexpr int kProgressEveryMs = 100;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

bool MainWindow::scanning() const {
  return scan_ != nullptr;
}

void MainWindow::setScanObserver(ScanObserver* observer) {
  scanObserver_ = observer;
}

void MainWindow::startScan(const ScanRequest& request) {
  // The list of selected games and the summary start again with every scan that writes its
  // games; a count leaves them as the last such scan left them.
  scanCounting_ = request.countOnly;
  ScanRequest summarized = request;
  if (!scanCounting_) {
    startGameList(request.outputPath);
    startSummary(summarized);
  }
  scan_ = std::make_unique<ScanJob>(summarized, dialogs(), fileSystem(), scanObserver_,
                                    scanCounting_ ? nullptr : gameList_);
  scan_->Dialogs().beforeReport = [this] { closeProgress(); };
  connect(scan_.get(), &ScanJob::finished, this, guarded([this] { onScanFinished(); }));
  setScanning(true);
  scanStart_ = std::chrono::steady_clock::now();
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kProgressDelayMs);
  connect(progressTimer_, &QTimer::timeout, this, [this] { showProgress(); });
  connect(scan_.get(), &ScanJob::filesOpened, this, [this] {
    // The speed and the time left count from here, not from the time the questions took.
    scanStart_ = std::chrono::steady_clock::now();
    if (progressTimer_) progressTimer_->start();
  });
  scan_->Start();
}

void MainWindow::showProgress() {
  if (!scan_) return;
  if (!progress_) {
    progress_ = new ProgressDialog(this, scanSplit_, scanCounting_);
    connect(progress_, &ProgressDialog::cancelRequested, this, [this] {
      if (scan_) scan_->Cancel();
    });
    progress_->show();
    // It takes the focus, so that Escape cancels the scan.
    progress_->raise();
    progress_->activateWindow();
    progressTimer_->setInterval(kProgressEveryMs);
  }
  progress_->Show(scan_->Progress(), SecondsSince(scanStart_));
}

void MainWindow::closeProgress() {
  if (progressTimer_) {
    progressTimer_->stop();
    progressTimer_->deleteLater();
    progressTimer_ = nullptr;
  }
  if (progress_) {
    progress_->hide();
    progress_->deleteLater();
    progress_ = nullptr;
  }
}

void MainWindow::onScanFinished() {
  closeProgress();
  std::unique_ptr<ScanJob> job = std::move(scan_);
  setScanning(false);
  if (!scanCounting_) {
    endGameList(job->Error() == nullptr);
    endSummary(job->Error() == nullptr);
  }
  if (std::exception_ptr error = job->Error()) {
    // A fault of the scan's own files ends the scan, not the program: the user can mend the
    // file or the names and run again. Any other fault ends the program on this thread.
    try {
      std::rethrow_exception(error);
    } catch (const ScanFileError& e) {
      // A window that is closing has nothing more to show.
      if (!closeAfterScan_) {
        ShowFatalError(e);
        if (!e.Written().empty()) dialogs().ShowMessage(e.Written());
      }
    }
  }
  listedFolder_.valid = false;  // the run listed the folder afresh; so does the window
  showFileStates();
  if (closeAfterScan_) close();
}

void MainWindow::cancelScanAndClose() {
  closeAfterScan_ = true;
  scan_->Dialogs().Detach();  // nothing more to show or ask: the window is closing
  scan_->Cancel();
}

void MainWindow::setScanning(bool on) {
  // While a scan runs its commands wait; Exit, the close box and help stay (closing cancels
  // the scan). The fields stay as they are: the scan works on a copy of the criteria.
  for (QAction* action : {setInputAction_, setInputFolderAction_, setOutputAction_, runAction_,
                          countAction_,
                          outputEditor1Action_, outputEditor2Action_, splitAction_})
    action->setEnabled(!on);
  for (QWidget* command :
       {static_cast<QWidget*>(runButton_), static_cast<QWidget*>(countButton_),
        static_cast<QWidget*>(swapFilesButton_), static_cast<QWidget*>(toolBar_)})
    command->setEnabled(!on);
  if (on)
    setCursor(Qt::BusyCursor);
  else
    unsetCursor();
}

}  // namespace kelvane
