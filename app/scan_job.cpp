#include "app/scan_job.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace kelvane {

void ForwardingDialogs::OnContextThread(const std::function<void()>& call) {
  if (QThread::currentThread() == context_.thread()) {
    call();
    return;
  }
  QMetaObject::invokeMethod(&context_, call, Qt::BlockingQueuedConnection);
}

void ForwardingDialogs::ShowMessage(const std::string& text) {
  if (!detached_) OnContextThread([&] { target_.ShowMessage(text); });
}

void ForwardingDialogs::ShowNotice(const std::string& text) {
  if (!detached_) OnContextThread([&] { target_.ShowNotice(text); });
}

void ForwardingDialogs::ShowReport(const std::string& text) {
  if (detached_) return;
  OnContextThread([&] {
    if (beforeReport) beforeReport();
    target_.ShowReport(text);
  });
}

void ForwardingDialogs::ShowCancelledReport(const std::string& heading, const std::string& counts) {
  if (detached_) return;
  OnContextThread([&] {
    if (beforeReport) beforeReport();
    target_.ShowCancelledReport(heading, counts);
  });
}

DialogButton ForwardingDialogs::Confirm(const std::string& text, DialogButtons buttons) {
  DialogButton answer =
      buttons == DialogButtons::OkCancel ? DialogButton::Cancel : DialogButton::No;
  if (!detached_) OnContextThread([&] { answer = target_.Confirm(text, buttons); });
  return answer;
}

std::optional<std::string> ForwardingDialogs::InputBox(const std::string& caption,
                                                       const std::string& prompt,
                                                       const std::string& defaultText) {
  std::optional<std::string> answer;
  if (!detached_) OnContextThread([&] { answer = target_.InputBox(caption, prompt, defaultText); });
  return answer;
}

void ForwardingDialogs::Beep() {
  if (!detached_) OnContextThread([&] { target_.Beep(); });
}

std::optional<std::string> ForwardingDialogs::OpenFile(const FileDialogRequest& request) {
  std::optional<std::string> answer;
  if (!detached_) OnContextThread([&] { answer = target_.OpenFile(request); });
  return answer;
}

std::optional<std::string> ForwardingDialogs::SaveFile(const FileDialogRequest& request) {
  std::optional<std::string> answer;
  if (!detached_) OnContextThread([&] { answer = target_.SaveFile(request); });
  return answer;
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

 private:
  ScanJob& job_;
};

ScanJob::ScanJob(ScanRequest request, kelvane::Dialogs& dialogs, FileSystem& fileSystem,
                 ScanObserver* extra)
    : request_(std::move(request)),
      fileSystem_(fileSystem),
      extra_(extra),
      forwarding_(*this, dialogs) {
  request_.cancel = &cancel_;
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
