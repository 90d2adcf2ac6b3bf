// The headless scan's dialogs: what reaches standard error and output, and how many write
// calls it takes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/console_dialogs.h"
#include "platform/io_result.h"

using namespace kelvane;

namespace {

using namespace std::string_literals;
using Writes = std::vector<std::string>;

// An unbuffered stream, like standard error, on a socket that keeps every write call
// apart: each record read at the other end is one write.
class CountedStream {
 public:
  CountedStream() {
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds_) != 0) return;
    int size = 4 << 20;
    ::setsockopt(fds_[0], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(fds_[1], SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    file_ = ::fdopen(fds_[0], "w");
    if (file_) std::setvbuf(file_, nullptr, _IONBF, 0);
  }
  ~CountedStream() {
    if (file_) std::fclose(file_);
    ::close(fds_[1]);
  }
  FILE* file() const { return file_; }
  // The writes made since the last call, in order.
  Writes Taken() {
    Writes writes;
    std::vector<char> buf(8 << 20);
    for (;;) {
      ssize_t n = ::recv(fds_[1], buf.data(), buf.size(), MSG_DONTWAIT);
      if (n < 0) break;
      writes.emplace_back(buf.data(), static_cast<size_t>(n));
    }
    return writes;
  }

 private:
  int fds_[2] = {-1, -1};
  FILE* file_ = nullptr;
};

class ConsoleDialogsTest : public ::testing::Test {
 protected:
  ConsoleDialogs Dialogs(bool quiet = false, FILE* in = nullptr) {
    return ConsoleDialogs({.assumeYes = false, .quiet = quiet}, out_.file(), err_.file(), in,
                          in != nullptr);
  }
  CountedStream out_, err_;
};

TEST_F(ConsoleDialogsTest, EachMessageIsOneWriteOfItsLines) {
  ASSERT_NE(err_.file(), nullptr);
  ConsoleDialogs d = Dialogs();
  d.ShowMessage("Terminating error: An I/O error has occurred at 101. The result code is 2");
  d.ShowMessage("two\rlines\r\nand\nmore");
  d.ShowNotice("Game 7: null game");
  EXPECT_EQ(err_.Taken(),
            (Writes{"Terminating error: An I/O error has occurred at 101. The result code is 2\n",
                    "two\nlines\nand\nmore\n", "Game 7: null game\n"}));
  d.ShowReport("4 games read from in.pgn\r4 games written to out.pgn");
  EXPECT_EQ(out_.Taken(), Writes{"4 games read from in.pgn\n4 games written to out.pgn\n"});
  EXPECT_EQ(err_.Taken(), Writes{});
}

TEST_F(ConsoleDialogsTest, QuotedLinesAreCutAndTheirControlCharactersEscaped) {
  ConsoleDialogs d = Dialogs();
  const std::string megabyte(1 << 20, 'z');
  d.ShowQuotedNotice("odd line: \"", megabyte, "\"");
  d.ShowQuotedMessage("invalid PGN: ", "\x1b]0;owned\x07\x1b[2J[Event", "");
  d.ShowQuotedNotice("odd line: \"", "tab\tand\0nul"s, "\"");
  EXPECT_EQ(err_.Taken(),
            (Writes{"odd line: \"" + std::string(200, 'z') + "... (1048376 more bytes)\"\n",
                    "invalid PGN: \\x1B]0;owned\\x07\\x1B[2J[Event\n",
                    "odd line: \"tab\tand\\x00nul\"\n"}));
  // Messages that quote nothing are escaped too: a file name can hold anything.
  d.ShowMessage("File \x1b[2Jx.pgn not found");
  EXPECT_EQ(err_.Taken(), Writes{"File \\x1B[2Jx.pgn not found\n"});
}

TEST_F(ConsoleDialogsTest, QuietLeavesOutNoticesAndTheReportOnly) {
  ConsoleDialogs d = Dialogs(true);
  d.ShowNotice("Game 1: null game");
  d.ShowQuotedNotice("odd line: \"", "x", "\"");
  d.ShowReport("1 games read from a.pgn");
  d.ShowQuotedMessage("invalid PGN: ", "x", "");
  EXPECT_EQ(err_.Taken(), Writes{"invalid PGN: x\n"});
  EXPECT_EQ(out_.Taken(), Writes{});
}

TEST_F(ConsoleDialogsTest, QuestionIsOneWriteAndReadsTheAnswer) {
  FILE* in = std::tmpfile();
  ASSERT_NE(in, nullptr);
  std::fputs("OK\nno\n", in);
  std::rewind(in);
  ConsoleDialogs d = Dialogs(false, in);
  EXPECT_EQ(d.Confirm("Overwrite \x1b[2Jout.pgn?", DialogButtons::OkCancel), DialogButton::Ok);
  EXPECT_EQ(d.Confirm("Save?", DialogButtons::YesNo), DialogButton::No);
  EXPECT_EQ(err_.Taken(), (Writes{"Overwrite \\x1B[2Jout.pgn? [OK/Cancel] ", "Save? [Yes/No] "}));
  std::fclose(in);
}

}  // namespace

TEST(ConsoleDialogs, ReportThatCannotBeWrittenLeavesTheErrorPending) {
  TakeIoResult();
  FILE* full = std::fopen("/dev/full", "w");
  if (!full) GTEST_SKIP() << "no /dev/full";
  ConsoleDialogs d({}, full, stderr, nullptr, false);
  d.ShowReport("1 games read from a.pgn");
  EXPECT_EQ(TakeIoResult(), ENOSPC);
  ConsoleDialogs quiet({.assumeYes = false, .quiet = true}, full, stderr, nullptr, false);
  quiet.ShowReport("1 games read from a.pgn");
  EXPECT_EQ(TakeIoResult(), 0);
  std::fclose(full);
}
