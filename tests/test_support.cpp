#include "test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/temp_files.h"

namespace kelvane {

TempDir::TempDir() {
  char tmpl[] = "/tmp/kelvane-test-XXXXXX";
  if (!::mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  path_ = std::string(tmpl) + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

SharedDir::SharedDir(const char* envVar) : envVar_(envVar) {
  if (const char* d = std::getenv(envVar)) {
    path_ = d;
  } else {
    own_ = std::make_unique<TempDir>();
    path_ = own_->path();
    ::setenv(envVar, path_.c_str(), 1);
  }
}

SharedDir::~SharedDir() {
  if (own_) ::unsetenv(envVar_);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::vector<std::string> WriteAgedFiles(const std::string& dir,
                                        const std::vector<AgedFile>& files) {
  std::vector<std::string> staying;
  for (const AgedFile& f : files) {
    const std::string path = dir + f.name;
    WriteFile(path, "x");
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - f.age;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
      throw std::runtime_error("cannot set the time of " + path);
    if (!f.removed) staying.push_back(f.name);
  }
  std::sort(staying.begin(), staying.end());
  return staying;
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingDir, const WhileRunning& watch) {
  int out[2], err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = ::fork();
  if (pid == 0) {
    int devnull = ::open("/dev/null", O_RDONLY);
    ::dup2(devnull, 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::close(out[0]);
    ::close(err[0]);
    if (!workingDir.empty() && ::chdir(workingDir.c_str()) != 0) ::_exit(126);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  ProcessResult r;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  char buf[65536];
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
        if (watch) watch(pid, r);
      }
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

std::string KelvanePath() {
  return KELVANE_BINARY;
}

ProcessResult RunKelvane(const std::vector<std::string>& args, const std::string& workingDir,
                         const WhileRunning& watch) {
  return RunProcess(KELVANE_BINARY, args, workingDir, watch);
}

std::vector<std::string> FolderEntries(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
        names.push_back(e->d_name);
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> TempFilesIn(const std::string& dir) {
  std::vector<std::string> names = FolderEntries(dir);
  std::erase_if(names, [](const std::string& name) { return TempFileOwner(name) == 0; });
  return names;
}

int InChild(const std::function<int()>& body, bool dropRoot) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (dropRoot && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(77);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string CorpusDir() {
  std::string dir = KELVANE_CORPUS_DIR;
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "";
  return dir + "/";
}

std::string SourcePath(const std::string& relative) {
  return std::string(KELVANE_SOURCE_DIR) + "/" + relative;
}

}  // namespace kelvane
