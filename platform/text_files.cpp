#include "platform/text_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/fault.h"
#include "platform/io_result.h"
#include "platform/temp_files.h"
#include "platform/write_all.h"
#include "text/path_parts.h"

namespace kelvane {

namespace {
// The read and write buffers. The fuzz build makes them tiny, so that lines and games cross
// their ends everywhere.
#ifdef KELVANE_FILE_BUFFER
constexpr size_t kBufferSize = KELVANE_FILE_BUFFER;
#else
constexpr size_t kBufferSize = 1 << 20;
#endif
constexpr char kCtrlZ = 26;

}  // namespace

InputFile::~InputFile() {
  Close();
}

void InputFile::Open(const std::string& path) {
  Close();
  pos_ = len_ = 0;
  eof_ = stopped_ = cancelled_ = false;
  consumed_ = size_ = 0;
  // "-" is standard input, read through a descriptor of our own.
  const bool standard = path == kStandardStream;
  fd_ = standard ? ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  name_ = standard ? "standard input" : FileNamePart(path);
  // An open that waits (a FIFO without a writer) ends at a stop request as a read does.
  while (fd_ < 0 && errno == EINTR) {
    if (WaitingReadsCancelled()) {
      cancelled_ = eof_ = true;
      return;
    }
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd_ < 0) {
    SetIoResult(errno);
    eof_ = true;
    return;
  }
  struct stat st;
  bool regular = false;
  if (::fstat(fd_, &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      SetIoResult(EISDIR);
      eof_ = true;
      return;
    }
    size_ = static_cast<uint64_t>(st.st_size);
    regular = S_ISREG(st.st_mode);
  }
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  buf_.resize(kBufferSize);
  // Compressed content is told by its first bytes and decoded on a thread of its own.
  source_ = OpenByteSource(fd_);
  compressed_ = source_->Compressed();
  // Standard input may stand anywhere in its file; a named file was opened at its start.
  atOffsets_ = regular && !standard && !compressed_;
}

size_t InputFile::ReadAt(uint64_t offset, char* to, size_t n, int& error) const {
  error = 0;
  size_t got = 0;
  while (got < n) {
    const ssize_t k = ::pread(fd_, to + got, n - got, static_cast<off_t>(offset + got));
    if (k > 0) {
      got += static_cast<size_t>(k);
    } else if (k == 0) {
      break;
    } else if (errno != EINTR) {
      error = errno;
      break;
    }
  }
  return got;
}

void InputFile::SeekTo(uint64_t offset) {
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
    SetIoResult(errno);
    eof_ = true;
  } else {
    source_ = std::make_unique<PlainSource>(fd_, std::string());
    eof_ = stopped_ = false;
  }
  pos_ = len_ = 0;
  nextCr_ = nextCtrlZ_ = kUnknown;
  consumed_ = offset;
  atOffsets_ = false;
}

bool InputFile::Fill() {
  // Bytes read as a whole file may end where the file they were taken from was damaged.
  if (fd_ < 0 && !endFault_.empty()) ReportScanFault(endFault_);
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
    ssize_t got = source_->Read(to, n);
    if (got > 0) return static_cast<size_t>(got);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == ECANCELED) cancelled_ = true;
    // Damaged compressed data ends the run here: the games before it are decided already.
    if (got < 0 && !cancelled_ && !source_->Damage().empty()) ReportScanFault(Damage());
    if (got < 0 && !cancelled_) SetIoResult(errno);
    eof_ = true;
    return 0;
  }
}

std::string InputFile::Damage() const {
  const std::string damage = source_ ? source_->Damage() : std::string();
  return damage.empty() ? damage : FaultNaming("", name_, " is damaged: " + damage);
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

bool InputFile::TakeLine(std::string* out, size_t most) {
  if (AtEnd()) return true;
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
    if (span > most) {
      // Too long to keep: the rest of the line is left for SkipLine.
      if (out) out->append(start, most);
      pos_ += most;
      consumed_ += most;
      return false;
    }
    most -= span;
    if (out) out->append(start, span);
    pos_ = end;
    consumed_ += span;
    if (stop) {
      stopped_ = true;
      return true;
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
      return true;
    }
    // The line goes on past the buffer.
    if (!Fill()) return true;
  }
}

uint64_t InputFile::SkipEmptyLines() {
  uint64_t lines = 0;
  while (!AtEnd()) {
    const char* p = buf_.data();
    size_t i = pos_;
    size_t next = pos_;  // the start of the line after the last empty one
    while (i < len_) {
      const char c = p[i];
      if (c == '\n' || c == '\r') {
        ++i;
        if (c == '\r' && i < len_ && p[i] == '\n') ++i;
        next = i;
        ++lines;
      } else if (c == ' ' || c == '\t') {
        ++i;
      } else {
        break;
      }
    }
    consumed_ += next - pos_;
    pos_ = next;
    if (pos_ < len_) break;  // a line with more in it, or one that goes on past the buffer
    // A LF right after a CR at the buffer's end belongs to the same line end.
    if (next > 0 && p[next - 1] == '\r' && Fill() && buf_[pos_] == '\n') {
      ++pos_;
      ++consumed_;
    }
  }
  return lines;
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

void InputFile::OpenBytes(std::vector<char> bytes, size_t n, std::string endFault) {
  Close();
  buf_ = std::move(bytes);
  pos_ = 0;
  len_ = n;
  stopped_ = false;  // no more data: eof_ stays as Close left it
  consumed_ = 0;
  size_ = n;
  nextCr_ = nextCtrlZ_ = kUnknown;
  endFault_ = std::move(endFault);
}

std::vector<char> InputFile::ReleaseBytes() {
  std::vector<char> bytes = std::move(buf_);
  buf_ = {};
  Close();
  return bytes;
}

void InputFile::Close() {
  endFault_.clear();
  source_.reset();  // its decoding thread ends before the descriptor goes
  compressed_ = atOffsets_ = false;
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

void OutputFile::Record(int err) {
  SetIoResult(err);
  failed_ = true;
}

void OutputFile::Create(const std::string& path) {
  Close();
  failed_ = false;
  if (path == kStandardStream) {
    // Standard output, written through a descriptor of our own.
    fd_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0) return Record(errno);
    buf_.resize(kBufferSize);
    len_ = 0;
    return;
  }
  struct stat st;
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    Record(EISDIR);
    return;
  }
  const std::string target = WriteTarget(path);
  struct stat targetSt;
  // A device or a pipe is written as it is; so is a path whose links lead nowhere (the
  // open reports why) or not to the file itself (a file under /proc).
  const bool inPlace = target.empty() ||
                       (exists && (!S_ISREG(st.st_mode) || ::stat(target.c_str(), &targetSt) != 0 ||
                                   targetSt.st_dev != st.st_dev || targetSt.st_ino != st.st_ino));
  int fd = -1;
  if (inPlace) {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return Record(errno);
    truncateDue_ = exists && S_ISREG(st.st_mode);
  } else {
    // The rename would replace a file the user made read-only: refuse it as a direct
    // write would be refused.
    if (exists && ::access(target.c_str(), W_OK) != 0) return Record(errno);
    RemoveStaleTempFiles(DirectoryPart(target));
    // An existing file keeps its permissions; a new one gets what the umask leaves of 0666.
    fd = CreateTempFile(target, exists ? (st.st_mode & 0777) : 0666, temp_);
    if (fd >= 0 && exists) {
      ::fchmod(fd, st.st_mode & 07777);
      if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Only the super-user may give a file away; the new file is then the writer's.
      }
    } else if (fd < 0) {
      const int err = errno;
      temp_.clear();
      // A folder that takes no new file can still hold a file that may be written: the new
      // file is made in the system's temporary folder and copied over that one at the end.
      if (!exists || (err != EACCES && err != EPERM)) return Record(err);
      fd = CreateSpareTempFile(target, temp_);
      if (fd < 0) {
        temp_.clear();
        return Record(errno);
      }
      copyOver_ = true;
    }
    target_ = target;
  }
  fd_ = fd;
  buf_.resize(kBufferSize);
  len_ = 0;
}

void OutputFile::TruncateOnce() {
  if (!truncateDue_) return;
  truncateDue_ = false;
  if (::ftruncate(fd_, 0) != 0) Record(errno);
}

void OutputFile::WriteOut(const char* data, size_t n) {
  TruncateOnce();
  if (!failed_ && !WriteAll(fd_, data, n)) Record(errno);
}

void OutputFile::Flush() {
  if (fd_ < 0 || len_ == 0) return;
  WriteOut(buf_.data(), len_);
  len_ = 0;
}

void OutputFile::Write(const char* data, size_t n) {
  // After a failed write nothing more is written: the error is known already.
  if (fd_ < 0 || failed_) return;
  if (len_ + n > buf_.size()) {
    Flush();
    if (n > buf_.size()) {  // too big to buffer: hand it over directly
      WriteOut(data, n);
      return;
    }
  }
  std::memcpy(buf_.data() + len_, data, n);
  len_ += n;
}

void OutputFile::Finish() {
  if (fd_ < 0) return;
  Flush();
  TruncateOnce();  // a file written in place with no byte is emptied too
  if (::close(fd_) != 0) Record(errno);
  fd_ = -1;
}

void OutputFile::Close() {
  Finish();
  if (!temp_.empty()) {
    if (!failed_) PutInPlace();
    if (failed_) ::unlink(temp_.c_str());
  }
  Release();
}

void OutputFile::PutInPlace() {
  if (!copyOver_) {
    if (::rename(temp_.c_str(), target_.c_str()) != 0) Record(errno);
    return;
  }
  if (!CopyOver(temp_, target_)) Record(errno);
  ::unlink(temp_.c_str());
}

void OutputFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  Release();
}

void OutputFile::Release() {
  temp_.clear();
  target_.clear();
  copyOver_ = false;
  truncateDue_ = false;
  len_ = 0;
  std::vector<char>().swap(buf_);
}

}  // namespace kelvane
