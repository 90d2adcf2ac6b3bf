#include "platform/text_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/io_result.h"
#include "platform/write_all.h"

namespace kelvane {

namespace {
constexpr size_t kBufferSize = 1 << 20;
constexpr char kCtrlZ = 26;

// Writes all n bytes; a failure leaves its error pending.
void WriteOrRecord(int fd, const char* data, size_t n) {
  if (!WriteAll(fd, data, n)) SetIoResult(errno);
}
}  // namespace

InputFile::~InputFile() {
  Close();
}

void InputFile::Open(const std::string& path) {
  Close();
  pos_ = len_ = 0;
  eof_ = stopped_ = false;
  consumed_ = size_ = 0;
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    SetIoResult(errno);
    eof_ = true;
    return;
  }
  struct stat st;
  if (::fstat(fd_, &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      SetIoResult(EISDIR);
      eof_ = true;
      return;
    }
    size_ = static_cast<uint64_t>(st.st_size);
  }
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  buf_.resize(kBufferSize);
}

bool InputFile::Fill() {
  if (eof_ || fd_ < 0) return false;
  // Keep nothing: callers only refill once the buffer is used up.
  pos_ = len_ = 0;
  nextCr_ = nextCtrlZ_ = kUnknown;
  len_ = ReadFromFile(buf_.data(), buf_.size());
  return len_ > 0;
}

size_t InputFile::ReadFromFile(char* to, size_t n) {
  if (eof_ || fd_ < 0) return 0;
  for (;;) {
    ssize_t got = ::read(fd_, to, n);
    if (got > 0) return static_cast<size_t>(got);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) SetIoResult(errno);
    eof_ = true;
    return 0;
  }
}

bool InputFile::AtEndSlow() {
  if (stopped_) return true;
  if (pos_ == len_ && !Fill()) return true;
  if (buf_[pos_] == kCtrlZ) {
    stopped_ = true;
    return true;
  }
  return false;
}

size_t InputFile::NextOf(char c, size_t& cached) {
  // The rare line-end bytes are looked for once per stretch, not once per line: in a file
  // without CR or Ctrl-Z each is searched once per buffer.
  if (cached == kUnknown || cached < pos_) {
    const void* hit = std::memchr(buf_.data() + pos_, c, len_ - pos_);
    cached = hit ? static_cast<size_t>(static_cast<const char*>(hit) - buf_.data()) : len_;
  }
  return cached;
}

void InputFile::ReadLineAppend(std::string& out) {
  if (AtEnd()) return;
  for (;;) {
    // The line ends at the first LF, CR or Ctrl-Z.
    const char* start = buf_.data() + pos_;
    const char* lf = static_cast<const char*>(std::memchr(start, '\n', len_ - pos_));
    size_t end = lf ? static_cast<size_t>(lf - buf_.data()) : len_;
    size_t cr = NextOf('\r', nextCr_);
    if (cr < end) end = cr;
    size_t z = NextOf(kCtrlZ, nextCtrlZ_);
    const bool stop = z < end;
    if (stop) end = z;
    size_t span = end - pos_;
    out.append(start, span);
    pos_ = end;
    consumed_ += span;
    if (stop) {
      stopped_ = true;
      return;
    }
    if (end < len_) {
      bool wasCr = buf_[pos_] == '\r';
      ++pos_;
      ++consumed_;
      // A LF right after the CR belongs to the same line end, even across a refill.
      if (wasCr && (pos_ < len_ || Fill()) && buf_[pos_] == '\n') {
        ++pos_;
        ++consumed_;
      }
      return;
    }
    // The line goes on past the buffer.
    if (!Fill()) return;
  }
}

std::string_view InputFile::Buffered() {
  if (AtEnd()) return {};
  return {buf_.data() + pos_, NextOf(kCtrlZ, nextCtrlZ_) - pos_};
}

size_t InputFile::ReadRaw(char* to, size_t n) {
  if (stopped_ || n == 0) return 0;
  const bool buffered = pos_ < len_;
  size_t got = buffered ? std::min(n, len_ - pos_) : ReadFromFile(to, n);
  if (buffered) std::memcpy(to, buf_.data() + pos_, got);
  if (const void* z = std::memchr(to, kCtrlZ, got)) {
    got = static_cast<size_t>(static_cast<const char*>(z) - to);
    stopped_ = true;
  }
  if (buffered) pos_ += got;
  consumed_ += got;
  return got;
}

void InputFile::PutBack(std::vector<char> bytes, size_t n) {
  buf_ = std::move(bytes);
  pos_ = 0;
  len_ = n;
  consumed_ -= n;
  if (stopped_) {
    // The Ctrl-Z that stopped ReadRaw comes after these bytes again.
    if (buf_.size() <= n) buf_.resize(n + 1);
    buf_[len_++] = kCtrlZ;
    stopped_ = false;
  }
  nextCr_ = nextCtrlZ_ = kUnknown;
}

void InputFile::OpenBytes(std::vector<char> bytes, size_t n) {
  Close();
  buf_ = std::move(bytes);
  pos_ = 0;
  len_ = n;
  stopped_ = false;  // no more data: eof_ stays as Close left it
  consumed_ = 0;
  size_ = n;
  nextCr_ = nextCtrlZ_ = kUnknown;
}

std::vector<char> InputFile::ReleaseBytes() {
  std::vector<char> bytes = std::move(buf_);
  buf_ = {};
  Close();
  return bytes;
}

void InputFile::Close() {
  if (fd_ >= 0) {
    if (::close(fd_) != 0) SetIoResult(errno);
    fd_ = -1;
  }
  std::vector<char>().swap(buf_);
  pos_ = len_ = 0;
  eof_ = true;
}

OutputFile::~OutputFile() {
  Close();
}

void OutputFile::Create(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    SetIoResult(errno);
    return;
  }
  buf_.resize(kBufferSize);
  len_ = 0;
}

void OutputFile::Flush() {
  if (fd_ < 0) return;
  WriteOrRecord(fd_, buf_.data(), len_);
  len_ = 0;
}

void OutputFile::Write(const char* data, size_t n) {
  if (fd_ < 0) return;
  if (len_ + n > buf_.size()) {
    Flush();
    if (n > buf_.size()) {  // too big to buffer: hand it over directly
      WriteOrRecord(fd_, data, n);
      return;
    }
  }
  std::memcpy(buf_.data() + len_, data, n);
  len_ += n;
}

void OutputFile::Close() {
  if (fd_ < 0) return;
  Flush();
  if (::close(fd_) != 0) SetIoResult(errno);
  fd_ = -1;
  std::vector<char>().swap(buf_);
}

}  // namespace kelvane
