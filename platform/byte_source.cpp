#include "platform/byte_source.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

namespace kelvane {

namespace {

constexpr size_t kBlock = 1 << 20;  // bytes of one decoded block
constexpr size_t kAhead = 4;        // blocks the decoder may run ahead of the reader
constexpr size_t kMagicBytes = 6;   // enough to tell every form apart

// The stop request of waiting reads: a pipe that becomes readable when it comes, so that
// every wait can watch it beside its own descriptor.
int cancelPipe[2] = {-1, -1};
std::atomic<bool> readsCancelled = false;
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// True once fd has data (or its end, or an error for the read to tell); false when the
// wait is cancelled first.
bool WaitForData(int fd) {
  if (cancelPipe[0] < 0) return true;
  for (;;) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {cancelPipe[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return true;
    }
    if (fds[0].revents != 0) return true;
    if (fds[1].revents != 0) return false;
  }
}

ssize_t ReadRetrying(int fd, void* buf, size_t n) {
  for (;;) {
    if (!WaitForData(fd)) {
      errno = ECANCELED;
      return -1;
    }
    ssize_t got = ::read(fd, buf, n);
    if (got >= 0 || errno != EINTR) return got;
  }
}

}  // namespace

void AllowReadCancel() {
  if (cancelPipe[0] < 0 && ::pipe2(cancelPipe, O_CLOEXEC | O_NONBLOCK) != 0)
    cancelPipe[0] = cancelPipe[1] = -1;
}

void CancelWaitingReads() {
  readsCancelled.store(true, std::memory_order_relaxed);
  const char wake = 0;
  if (cancelPipe[1] >= 0 && ::write(cancelPipe[1], &wake, 1) < 0) {
    // Full: a byte is there already.
  }
}

bool WaitingReadsCancelled() {
  return readsCancelled.load(std::memory_order_relaxed);
}

ssize_t PlainSource::Read(char* buf, size_t n) {
  if (headUsed_ < head_.size()) {
    const size_t k = std::min(n, head_.size() - headUsed_);
    std::memcpy(buf, head_.data() + headUsed_, k);
    headUsed_ += k;
    read_ += k;
    return static_cast<ssize_t>(k);
  }
  const ssize_t got = ReadRetrying(fd_, buf, n);
  if (got > 0) read_ += static_cast<uint64_t>(got);
  return got;
}

DecodingSource::DecodingSource(int fd, std::string head, Compression compression)
    : fd_(fd), head_(std::move(head)), form_(compression), decoder_(MakeDecoder(compression)) {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    throw std::bad_alloc();  // no memory for the thread's stack, or no thread left
  }
}

DecodingSource::~DecodingSource() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

bool DecodingSource::FillFromFile(std::vector<unsigned char>& in, size_t& used, size_t& size) {
  if (used < size) std::memmove(in.data(), in.data() + used, size - used);
  size -= used;
  used = 0;
  if (!head_.empty()) {
    std::memcpy(in.data() + size, head_.data(), head_.size());
    size += head_.size();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      fileBytes_ += head_.size();
    }
    head_.clear();
    return true;
  }
  const ssize_t got = ReadRetrying(fd_, in.data() + size, in.size() - size);
  if (got < 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    error_ = errno;
    return false;
  }
  size += static_cast<size_t>(got);
  std::lock_guard<std::mutex> lock(mutex_);
  fileBytes_ += static_cast<uint64_t>(got);
  return got > 0;
}

bool DecodingSource::Deliver(Block&& block) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return stopping_ || ready_.size() < kAhead; });
  if (stopping_) return false;
  ready_.push_back(std::move(block));
  changed_.notify_all();
  return true;
}

DecodingSource::Block DecodingSource::TakeSpare() {
  // A block is used again rather than made anew: a new one costs the system a megabyte of
  // fresh zeroed pages, on the thread that bounds the speed of the scan.
  Block block;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!spare_.empty()) {
      block = std::move(spare_.back());
      spare_.pop_back();
    }
  }
  block.size = 0;
  block.bytes.resize(kBlock);
  return block;
}

void DecodingSource::Run() {
  try {
    Decode();
  } catch (const std::bad_alloc&) {
    // The reader meets the lack of memory after the bytes delivered before it.
    std::lock_guard<std::mutex> lock(mutex_);
    outOfMemory_ = finished_ = true;
    changed_.notify_all();
  }
}

void DecodingSource::Decode() {
  std::vector<unsigned char> in(kBlock);
  size_t used = 0, size = 0;
  bool more = true;  // the file may hold more bytes
  std::string damage;
  uint64_t decoded = 0;  // bytes of the blocks delivered
  Block out = TakeSpare();
  for (;;) {
    if (used == size && more) more = FillFromFile(in, used, size);
    const unsigned char* from = in.data() + used;
    unsigned char* to = out.bytes.data() + out.size;
    if (!decoder_->Decode(from, in.data() + size, to, out.bytes.data() + kBlock)) {
      damage = decoder_->Error();
      break;
    }
    const bool progressed = from != in.data() + used || to != out.bytes.data() + out.size;
    if (!progressed && from != in.data() + size && out.size < kBlock) {
      damage = "the data cannot be decoded";  // input left that the decoder will not take
      break;
    }
    used = static_cast<size_t>(from - in.data());
    out.size = static_cast<size_t>(to - out.bytes.data());
    if (decoder_->AtBoundary()) {
      // Every byte so far has passed its frame's check.
      std::lock_guard<std::mutex> lock(mutex_);
      checked_ = decoded + out.size;
      changed_.notify_all();
    }
    if (out.size == kBlock) {
      decoded += out.size;
      if (!Deliver(std::move(out))) return;
      out = TakeSpare();
    }
    if (!more && used == size && !progressed) {
      // The file has ended and the decoder has given all it had.
      if (!decoder_->AtBoundary()) damage = "the data ends in the middle";
      break;
    }
  }
  if (out.size > 0 && !Deliver(std::move(out))) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!damage.empty()) damage_ = std::string(CompressionName(form_)) + " data: " + damage;
  finished_ = true;
  changed_.notify_all();
}

ssize_t DecodingSource::Read(char* buf, size_t n) {
  size_t given = 0;
  while (given < n) {
    if (currentUsed_ == current_.size) {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
      if (ready_.empty()) {
        // The end: a failure counts only once the bytes before it have been taken.
        if (given > 0) break;
        if (outOfMemory_) throw std::bad_alloc();
        failed_ = error_ != 0 || !damage_.empty();
        if (error_ != 0) {
          errno = error_;
          return -1;
        }
        if (failed_) {
          errno = EIO;
          return -1;
        }
        return 0;
      }
      if (!current_.bytes.empty()) spare_.push_back(std::move(current_));
      current_ = std::move(ready_.front());
      ready_.pop_front();
      currentUsed_ = 0;
      changed_.notify_all();
    }
    const size_t k = std::min(n - given, current_.size - currentUsed_);
    std::memcpy(buf + given, current_.bytes.data() + currentUsed_, k);
    currentUsed_ += k;
    given += k;
  }
  given_ += given;
  return static_cast<ssize_t>(given);
}

bool DecodingSource::CheckGiven(const std::atomic<bool>* cancel) {
  if (failed_) return false;  // the data given ended in the failure
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (checked_ >= given_) return true;
    if (finished_ || (cancel && cancel->load(std::memory_order_relaxed))) return false;
    // The decoded blocks are thrown away, so that the decoder goes on to the check.
    while (!ready_.empty()) {
      spare_.push_back(std::move(ready_.front()));
      ready_.pop_front();
    }
    changed_.notify_all();
    // A cancel is looked at now and then.
    changed_.wait_for(lock, std::chrono::milliseconds(100));
  }
}

uint64_t DecodingSource::FileBytesRead() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fileBytes_;
}

std::string DecodingSource::Damage() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return damage_;
}

std::unique_ptr<ByteSource> OpenByteSource(int fd) {
  // The first bytes tell the form; a pipe may give them in several pieces.
  std::string head(kMagicBytes, '\0');
  size_t got = 0;
  while (got < kMagicBytes) {
    const ssize_t n = ReadRetrying(fd, head.data() + got, kMagicBytes - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  head.resize(got);
  const Compression form =
      DetectCompression(reinterpret_cast<const unsigned char*>(head.data()), head.size());
  if (form == Compression::None) return std::make_unique<PlainSource>(fd, std::move(head));
  return std::make_unique<DecodingSource>(fd, std::move(head), form);
}

}  // namespace kelvane
