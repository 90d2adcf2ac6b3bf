#include "platform/game_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/decoders.h"

namespace kelvane {

namespace {

// How much of a file's start is looked at: blanks beyond it make no game file.
constexpr size_t kHeadBytes = size_t{4} << 10;

// Up to bytes.size() bytes from the start of fd, bytes cut to what was read; false on a
// read error.
template <typename Bytes>
bool ReadStart(int fd, Bytes& bytes) {
  size_t got = 0;
  bool ok = true;
  while (got < bytes.size()) {
    const ssize_t k = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (k > 0) {
      got += static_cast<size_t>(k);
    } else if (k == 0) {
      break;
    } else if (errno != EINTR) {
      ok = false;
      break;
    }
  }
  bytes.resize(got);
  return ok;
}

// A file's first bytes; nothing for a file that cannot be opened or read.
bool ReadHead(const std::string& path, std::string& head) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  head.resize(kHeadBytes);
  const bool ok = ReadStart(fd, head);
  ::close(fd);
  return ok;
}

using Identity = std::pair<dev_t, ino_t>;

void List(const std::string& dir, bool recursive, const std::vector<Identity>& leaveOut,
          const std::vector<std::string>& leaveOutNames, std::vector<std::string>& files) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(d))
    if (e->d_name[0] != '.') names.emplace_back(e->d_name);
  ::closedir(d);
  std::string head;
  for (const std::string& name : names) {
    const std::string path = dir + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (recursive) List(path + "/", recursive, leaveOut, leaveOutNames, files);
      continue;
    }
    // A link to a file counts as the file; a link to a folder is not followed.
    if (S_ISLNK(st.st_mode) && (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))) continue;
    if (!S_ISREG(st.st_mode)) continue;
    if (std::find(leaveOut.begin(), leaveOut.end(), Identity{st.st_dev, st.st_ino}) !=
            leaveOut.end() ||
        std::find(leaveOutNames.begin(), leaveOutNames.end(), path) != leaveOutNames.end())
      continue;
    if (!ReadHead(path, head) || LooksLikeGameFile(head)) files.push_back(path);
  }
}

}  // namespace

bool LooksLikeGameFile(const std::string& head) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(head.data());
  if (DetectCompression(bytes, head.size()) != Compression::None) return true;
  std::string_view rest = head;
  // A byte-order mark is no content.
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  const size_t first = rest.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos &&
         (rest[first] == '[' || rest[first] == '{' || rest[first] == '1');
}

bool ReadSmallPlainFile(const std::string& path, size_t most, std::vector<char>& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
            static_cast<uint64_t>(st.st_size) <= most;
  if (ok) {
    bytes.resize(static_cast<size_t>(st.st_size) + 1);  // one more: it may have grown
    ok = ReadStart(fd, bytes) && bytes.size() <= most;
  }
  ::close(fd);
  return ok && DetectCompression(reinterpret_cast<const unsigned char*>(bytes.data()),
                                 bytes.size()) == Compression::None;
}

uint64_t RegularFileSize(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  return static_cast<uint64_t>(st.st_size);
}

std::vector<std::string> ListGameFiles(const std::string& dir, bool recursive,
                                       const std::vector<std::string>& leaveOut) {
  std::vector<Identity> ids;
  std::vector<std::string> names;
  for (const std::string& path : leaveOut) {
    if (path.empty()) continue;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
      ids.emplace_back(st.st_dev, st.st_ino);
    else
      names.push_back(path);
  }
  std::vector<std::string> files;
  List(dir.empty() || dir.back() == '/' ? dir : dir + "/", recursive, ids, names, files);
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace kelvane
