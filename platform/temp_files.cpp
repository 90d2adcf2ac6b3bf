#include "platform/temp_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/file_system.h"

namespace kelvane {

namespace {

constexpr int kMaxLinks = 40;  // as the kernel follows them
constexpr char kMarker[] = ".kelvane-";
constexpr char kSuffix[] = ".tmp";
// Longer file names are shortened in the temporary name, which must stay within the
// system's 255 bytes; a hash of the whole name keeps two such names apart.
constexpr size_t kNameKept = 200;

std::string ReadLink(const std::string& path) {
  std::vector<char> buf(256);
  for (;;) {
    ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), size_t(n));
    buf.resize(buf.size() * 2);
  }
}

bool SameInode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string FolderOf(const std::string& path) {
  std::string dir = DirectoryPart(path);
  return dir.empty() ? std::string(".") : dir;
}

bool EndsWith(const std::string& s, const char* tail) {
  const std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

std::string WriteTarget(const std::string& path) {
  std::string p = path;
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::string link = ReadLink(p);
    if (link.empty()) return std::string();
    p = link[0] == '/' ? link : DirectoryPart(p) + link;
  }
  return std::string();
}

bool SameWriteTarget(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  struct stat sa, sb;
  const bool hasA = ::stat(a.c_str(), &sa) == 0;
  const bool hasB = ::stat(b.c_str(), &sb) == 0;
  if (hasA || hasB) return hasA && hasB && SameInode(sa, sb);
  // Neither is there yet: both would be created as the same entry of the same folder.
  const std::string ta = WriteTarget(a), tb = WriteTarget(b);
  if (ta.empty() || tb.empty() || FileNamePart(ta) != FileNamePart(tb)) return false;
  return ::stat(FolderOf(ta).c_str(), &sa) == 0 && ::stat(FolderOf(tb).c_str(), &sb) == 0 &&
         SameInode(sa, sb);
}

std::string TempFileName(const std::string& target, pid_t pid) {
  std::string name = FileNamePart(target);
  if (name.size() > kNameKept) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    name = name.substr(0, kNameKept) + "~" + hex;
  }
  return DirectoryPart(target) + "." + name + kMarker + std::to_string(pid) + kSuffix;
}

int CreateTempFile(const std::string& target, mode_t mode, std::string& tempPath) {
  tempPath = TempFileName(target, ::getpid());
  for (int attempt = 0;; ++attempt) {
    int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST || attempt > 0) return fd;
    // A process with this id before us left it behind: it is not running any more.
    if (::unlink(tempPath.c_str()) != 0) return -1;
  }
}

pid_t TempFileOwner(const std::string& name) {
  if (name.size() < 2 || name[0] != '.' || !EndsWith(name, kSuffix)) return 0;
  const std::string stem = name.substr(0, name.size() - (sizeof kSuffix - 1));
  const size_t marker = stem.rfind(kMarker);
  if (marker == std::string::npos || marker < 2) return 0;
  const std::string digits = stem.substr(marker + sizeof kMarker - 1);
  if (digits.empty() || digits.size() > 10) return 0;
  long long pid = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    pid = pid * 10 + (c - '0');
  }
  return pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

void RemoveStaleTempFiles(const std::string& dir) {
  const std::string folder = dir.empty() ? std::string(".") : dir;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  const pid_t self = ::getpid();
  while (dirent* e = ::readdir(d)) {
    const pid_t owner = TempFileOwner(e->d_name);
    if (owner == 0 || owner == self) continue;
    // Signal 0 only asks whether the process exists (EPERM: it does, as another user's).
    if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
      ::unlinkat(::dirfd(d), e->d_name, 0);
  }
  ::closedir(d);
}

mode_t CurrentUmask() {
  // Linux tells the mask in /proc; elsewhere it can only be read by setting it.
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) != 0) continue;
    char* end = nullptr;
    unsigned long mask = std::strtoul(line.c_str() + 6, &end, 8);
    if (end != line.c_str() + 6) return static_cast<mode_t>(mask & 0777);
  }
  mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

}  // namespace kelvane
