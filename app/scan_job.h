// One scan on a worker thread, so the window keeps painting and answering while it runs.
// Every message and question of the scan is carried to the window's thread and shown
// there in the order it arises; the worker waits for each answer.
#pragma once

#include <QObject>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/scan_run.h"
#include "platform/dialogs.h"

namespace kelvane {

// The reporter of the worker: each call runs on the thread of context, through target.
class ForwardingDialogs : public ForwardingReporter {
 public:
  ForwardingDialogs(QObject& context, ScanReporter& target)
      : ForwardingReporter(target), context_(context) {}
  // The window is going away: reports are no longer shown, and questions are answered
  // Cancel/No without being asked.
  void Detach() { detached_ = true; }
  // Runs before the report is shown (the window closes its progress dialog).
  std::function<void()> beforeReport;
  // The report is shown as a plain message, without the button the window's report may
  // offer (a count's: it wrote no games to list).
  bool plainReport = false;

  void ShowReport(const std::string& text) override;
  void ShowCancelledReport(const std::string& heading, const std::string& counts) override;
  // With the way past that stop in the window.
  void ShowInvalidLine(std::string_view line) override;

 private:
  // Runs call on the context's thread and waits for it.
  void Forward(const std::function<void(ScanReporter&)>& call) override;

  QObject& context_;
  std::atomic<bool> detached_ = false;
};

class ScanJob : public QObject {
  Q_OBJECT
 public:
  // dialogs: the window's own; extra, when given, also hears the progress (on the worker).
  // lister, when given, hears of every game written (on the worker).
  ScanJob(ScanRequest request, ScanReporter& dialogs, FileSystem& fileSystem,
          ScanObserver* extra = nullptr, ScanObserver* lister = nullptr);
  // Cancels, and waits for the worker while serving its questions.
  ~ScanJob() override;

  void Start();
  // Asks the scan to stop after the game in hand.
  void Cancel() { cancel_ = true; }
  bool Running() const { return running_; }
  ScanProgress Progress() const;
  ForwardingDialogs& Dialogs() { return forwarding_; }
  // After finished(): what the run did, and an error that ended it (rethrown on the
  // window's thread by the caller, so that a fatal fault ends the program there).
  const ScanResult& Result() const { return result_; }
  std::exception_ptr Error() const { return error_; }

 signals:
  // The run has passed its checks and questions: from here on it reads and writes games.
  void filesOpened();
  void finished();

 private:
  class Observer;
  void Run();

  ScanRequest request_;
  FileSystem& fileSystem_;
  ScanObserver* extra_;
  ScanObserver* lister_;
  ForwardingDialogs forwarding_;
  std::atomic<bool> cancel_ = false;
  std::atomic<bool> running_ = false;
  mutable std::mutex progressMutex_;
  ScanProgress progress_;
  ScanResult result_;
  std::exception_ptr error_;
  std::thread worker_;
};

}  // namespace kelvane
