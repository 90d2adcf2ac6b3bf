#include "app/scan_job.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace kelvane {

namespace {
// The line the "invalid PGN" message gets in the window: the way past that stop.
constexpr char kTolerantAdvice[] =
    "\rTurn on Options > Tolerant reading to scan files like this one.";
}  // namespace

void ForwardingDialogs::Forward(const std::function<void(ScanReporter&)>& call) {
  if (detached_) return;
  if (QThread::currentThread() == context_.thread()) {
    call(target_);
    return;
  }
  QMetaObject::invokeMethod(
      &context_, [&] { call(target_); }, Qt::BlockingQueuedConnection);
}

void ForwardingDialogs::ShowReport(const std::string& text) {
  Forward([&](ScanReporter& r) {
    if (beforeReport) beforeReport();
    if (plainReport)
      r.ShowMessage(text);
    else
      r.ShowReport(text);
  });
}

void ForwardingDialogs::ShowCancelledReport(const std::string& heading, const std::string& counts) {
  Forward([&](ScanReporter& r) {
    if (beforeReport) beforeReport();
    if (plainReport)
      r.ShowMessage(heading + "\r" + counts);
    else
      r.ShowCancelledReport(heading, counts);
  });
}

void ForwardingDialogs::ShowInvalidLine(std::string_view line) {
  Forward([&](ScanReporter& r) { r.ShowQuotedMessage("invalid PGN: ", line, kTolerantAdvice); });
}

// Keeps the latest progress for the window's timer, and passes it on.
class ScanJob::Observer : public ScanObserver {
 public:
  explicit Observer(ScanJob& job) : job_(job) {}
  void Progress(const ScanProgress& progress) override {
    {
      std::lock_guard<std::mutex> lock(job_.progressMutex_);
      job_.progress_ = progress;
    }
    if (job_.extra_) job_.extra_->Progress(progress);
  }
  void FilesOpened() override {
    QMetaObject::invokeMethod(
        &job_, [job = &job_] { emit job->filesOpened(); }, Qt::QueuedConnection);
    if (job_.extra_) job_.extra_->FilesOpened();
  }
  void OutputWritingTo(const std::string& path) override {
    if (job_.lister_) job_.lister_->OutputWritingTo(path);
  }
  void Written(const ListedGame& game) override {
    if (job_.lister_) job_.lister_->Written(game);
  }

 private:
  ScanJob& job_;
};

ScanJob::ScanJob(ScanRequest request, ScanReporter& dialogs, FileSystem& fileSystem,
                 ScanObserver* extra, ScanObserver* lister)
    : request_(std::move(request)),
      fileSystem_(fileSystem),
      extra_(extra),
      lister_(lister),
      forwarding_(*this, dialogs) {
  request_.cancel = &cancel_;
  request_.listGames = request_.listGames || lister != nullptr;
  forwarding_.plainReport = request_.countOnly;
}

ScanJob::~ScanJob() {
  if (!worker_.joinable()) return;
  forwarding_.Detach();
  cancel_ = true;
  // A question of the worker may be on its way to this thread: serve it while waiting.
  while (running_) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  worker_.join();
}

void ScanJob::Start() {
  running_ = true;
  worker_ = std::thread([this] { Run(); });
}

ScanProgress ScanJob::Progress() const {
  std::lock_guard<std::mutex> lock(progressMutex_);
  return progress_;
}

void ScanJob::Run() {
  Observer observer(*this);
  try {
    result_ = RunScan(request_, forwarding_, fileSystem_, &observer);
  } catch (...) {
    // Carried to the window's thread: a fatal fault must end the program there.
    error_ = std::current_exception();
  }
  running_ = false;
  QMetaObject::invokeMethod(
      this, [this] { emit finished(); }, Qt::QueuedConnection);
}

}  // namespace kelvane
