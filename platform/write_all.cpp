#include "platform/write_all.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace kelvane {

namespace {
std::atomic<WriteFault> writeFault{nullptr};
}  // namespace

void SetWriteFault(WriteFault fault) {
  writeFault.store(fault);
}

bool WriteAll(int fd, const char* data, size_t n) {
  if (const WriteFault fault = writeFault.load(std::memory_order_relaxed)) {
    if (const int err = fault(fd)) {
      errno = err;
      return false;
    }
  }
  size_t done = 0;
  while (done < n) {
    ssize_t w = ::write(fd, data + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) return false;
    if (w == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<size_t>(w);
  }
  return true;
}

}  // namespace kelvane
