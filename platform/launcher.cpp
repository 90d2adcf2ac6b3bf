#include "platform/launcher.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/service.h"

namespace kelvane {

namespace {
class PosixLauncher : public Launcher {
 public:
  int StartProgram(const std::string& program, const std::string& argument,
                   const std::string& workingDir) override {
    return StartDetached(program, argument, workingDir);
  }
  void ShowHelp(int) override {}
};

using LauncherService = Service<Launcher, PosixLauncher>;
}  // namespace

std::string StartFailureMessage(const std::string& program, int error) {
  if (error == EACCES || error == ENOENT || error == ENOEXEC)
    return program + " is not a program that can be run";
  return "Sorry, " + program + " could not be launched. The return code was " +
         std::to_string(error) + ".";
}

Launcher& launcher() {
  return LauncherService::Get();
}

void SetLauncher(Launcher* l) {
  LauncherService::Set(l);
}

int StartDetached(const std::string& program, const std::string& argument,
                  const std::string& workingDir) {
  return StartDetached(program, std::vector<std::string>{argument}, workingDir);
}

int StartDetached(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingDir) {
  // The arguments are set up before the fork: the child only calls what is safe there.
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // The grandchild runs the program, so nobody has to wait for it; it reports a failed
  // chdir or exec through a pipe that closes by itself when the exec succeeds.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return errno;
  pid_t child = ::fork();
  if (child < 0) {
    int err = errno;
    ::close(fds[0]);
    ::close(fds[1]);
    return err;
  }
  if (child == 0) {
    ::close(fds[0]);
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild != 0) {
      if (grandchild < 0) {
        int err = errno;
        (void)!::write(fds[1], &err, sizeof err);
      }
      ::_exit(0);
    }
    int err = 0;
    if (!workingDir.empty() && ::chdir(workingDir.c_str()) != 0) {
      err = errno;
    } else {
      ::execv(program.c_str(), argv.data());
      err = errno;
    }
    (void)!::write(fds[1], &err, sizeof err);
    ::_exit(127);
  }
  ::close(fds[1]);
  int err = 0;
  ssize_t n;
  do {
    n = ::read(fds[0], &err, sizeof err);
  } while (n < 0 && errno == EINTR);
  ::close(fds[0]);
  int status;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return n == static_cast<ssize_t>(sizeof err) ? err : 0;
}

}  // namespace kelvane
