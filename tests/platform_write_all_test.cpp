#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

#include "platform/write_all.h"

using namespace kelvane;

namespace {

void IgnoreSignal(int) {}

// A reader drains a pipe in small pieces and, before every read, interrupts the writer
// twice with a signal that does not restart system calls: the first signal cuts short a
// write that has put bytes in the pipe, the second finds the writer waiting on the full
// pipe with nothing written (EINTR). Every byte must still arrive once and in order.
TEST(WriteAll, GoesOnAfterShortWritesAndSignals) {
  struct sigaction action {};
  action.sa_handler = IgnoreSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART
  struct sigaction old {};
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &old), 0);

  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::string data(1 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251 + i / 65536);

  const pthread_t writer = ::pthread_self();
  std::string received;
  std::thread reader([&] {
    char buf[4096];
    for (;;) {
      for (int k = 0; k < 2; ++k) {
        ::pthread_kill(writer, SIGUSR1);
        ::usleep(100);
      }
      ssize_t n = ::read(fds[0], buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      received.append(buf, static_cast<size_t>(n));
    }
  });
  const bool ok = WriteAll(fds[1], data.data(), data.size());
  ::close(fds[1]);
  reader.join();
  ::close(fds[0]);
  ::sigaction(SIGUSR1, &old, nullptr);

  EXPECT_TRUE(ok);
  ASSERT_EQ(received.size(), data.size());
  EXPECT_TRUE(received == data);
}

TEST(WriteAll, FailuresReturnFalseWithErrno) {
  // Nothing to write succeeds without touching the descriptor.
  EXPECT_TRUE(WriteAll(-1, "", 0));

  errno = 0;
  EXPECT_FALSE(WriteAll(-1, "x", 1));
  EXPECT_EQ(errno, EBADF);

  int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  if (full >= 0) {
    errno = 0;
    EXPECT_FALSE(WriteAll(full, "e4 e5", 5));
    EXPECT_EQ(errno, ENOSPC);
    ::close(full);
  }
}

}  // namespace
