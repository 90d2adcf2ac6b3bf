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
#include <ctime>
#include <fstream>
#include <vector>

#include "platform/write_all.h"
#include "text/path_parts.h"

namespace kelvane {

namespace {

constexpr int kMaxLinks = 40;  // as the kernel follows them
constexpr char kMarker[] = ".kelvane-";
constexpr char kSuffix[] = ".tmp";
constexpr size_t kHashSize = 16;  // hex digits of a 64-bit hash
// Longer file names are shortened in the temporary name, which must stay within the
// system's 255 bytes with the host's tag and the process id; a hash of the whole name
// keeps two such names apart.
constexpr size_t kNameKept = 190;

// The FNV-1a hash of text in hex digits, of fixed length.
std::string HexHash(const std::string& text) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
  char hex[kHashSize + 1];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

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

// The tag of this host and process-id namespace in our temporary files' names: only a
// process with the same tag sees the same processes. The host is told by its name and by
// its boot (two machines of one name differ, as do a machine before and after a restart),
// the namespace (a container's) by the inode of /proc/self/ns/pid.
const std::string& ThisHost() {
  static const std::string tag = [] {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) name[0] = '\0';
    std::string boot;
    std::ifstream bootId("/proc/sys/kernel/random/boot_id");
    std::getline(bootId, boot);
    return HexHash(std::string(name) + '\n' + boot + '\n' + ReadLink("/proc/self/ns/pid"));
  }();
  return tag;
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
  if (name.size() > kNameKept) name = name.substr(0, kNameKept) + "~" + HexHash(name);
  return DirectoryPart(target) + "." + name + kMarker + ThisHost() + "-" + std::to_string(pid) +
         kSuffix;
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

int CreateSpareTempFile(const std::string& target, std::string& tempPath) {
  const char* env = std::getenv("TMPDIR");
  std::string folder = env && *env ? env : "/tmp";
  if (folder.back() != '/') folder += '/';
  RemoveStaleTempFiles(folder);
  // Outputs of one name in two folders get two temporary files.
  return CreateTempFile(folder + FileNamePart(target) + "~" + HexHash(target), 0600, tempPath);
}

bool CopyOver(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = ::open(to.c_str(), O_WRONLY | O_CLOEXEC);
  bool ok = out >= 0;
  off_t size = 0;
  char buf[1 << 16];
  while (ok) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0 && WriteAll(out, buf, static_cast<size_t>(n));
    if (ok) size += n;
  }
  // Written over and cut after, not emptied first: the new bytes take the old file's
  // blocks, so that on most file systems a full disk can stop the copy only past them.
  ok = ok && ::ftruncate(out, size) == 0;
  int err = errno;
  if (out >= 0 && ::close(out) != 0 && ok) {
    ok = false;
    err = errno;
  }
  ::close(in);
  errno = err;
  return ok;
}

bool TempFileIsStale(const std::string& name, time_t modified, time_t now) {
  std::string host;
  const pid_t owner = TempFileOwner(name, &host);
  if (owner == 0) return false;
  // Made by another host or namespace, or by an earlier version that did not say where.
  if (host != ThisHost()) return now - modified > kTempFileLeftAfter;
  if (owner == ::getpid()) return false;
  // Signal 0 only asks whether the process exists (EPERM: it does, as another user's).
  return ::kill(owner, 0) != 0 && errno == ESRCH;
}

pid_t TempFileOwner(const std::string& name, std::string* host) {
  if (name.size() < 2 || name[0] != '.' || !EndsWith(name, kSuffix)) return 0;
  const std::string stem = name.substr(0, name.size() - (sizeof kSuffix - 1));
  const size_t marker = stem.rfind(kMarker);
  if (marker == std::string::npos || marker < 2) return 0;
  std::string digits = stem.substr(marker + sizeof kMarker - 1);
  // HOST-PID; the earlier naming has the PID alone.
  std::string tag;
  if (digits.size() > kHashSize && digits[kHashSize] == '-') {
    tag = digits.substr(0, kHashSize);
    if (tag.find_first_not_of("0123456789abcdef") != std::string::npos) return 0;
    digits.erase(0, kHashSize + 1);
  }
  if (digits.empty() || digits.size() > 10) return 0;
  long long pid = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    pid = pid * 10 + (c - '0');
  }
  if (pid <= 0 || pid > INT_MAX) return 0;
  if (host) *host = tag;
  return static_cast<pid_t>(pid);
}

void RemoveStaleTempFiles(const std::string& dir) {
  const std::string folder = dir.empty() ? std::string(".") : dir;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  const time_t now = ::time(nullptr);
  while (dirent* e = ::readdir(d)) {
    if (TempFileOwner(e->d_name) == 0) continue;
    struct stat st;
    if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        TempFileIsStale(e->d_name, st.st_mtime, now))
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
