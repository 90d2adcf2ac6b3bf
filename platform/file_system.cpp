#include "platform/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/service.h"

namespace kelvane {

namespace {
using FileSystemService = Service<FileSystem, PosixFileSystem>;
}

FileSystem& fileSystem() {
  return FileSystemService::Get();
}

void SetFileSystem(FileSystem* fs) {
  FileSystemService::Set(fs);
}

bool PosixFileSystem::FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool PosixFileSystem::DirExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<int64_t> PosixFileSystem::FileAge(const std::string& path) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  // Whole two-second steps, rounded down also before 1970, where the seconds are negative.
  const int64_t seconds = st.st_mtime;
  return seconds >= 0 ? seconds / 2 : -((1 - seconds) / 2);
}

std::string PosixFileSystem::ProgramPath() {
  std::vector<char> buf(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), size_t(n));
    buf.resize(buf.size() * 2);
  }
}

std::string PosixFileSystem::CurrentDir() {
  std::vector<char> buf(4096);
  while (!::getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return std::string();
    buf.resize(buf.size() * 2);
  }
  return std::string(buf.data());
}

bool PosixFileSystem::DirWritable(const std::string& dir) {
  return ::access(dir.empty() ? "." : dir.c_str(), W_OK | X_OK) == 0;
}

bool PosixFileSystem::SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (a.empty() || b.empty() || ::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
    return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  return fileSystem().CurrentDir() + "/" + path;
}

}  // namespace kelvane
