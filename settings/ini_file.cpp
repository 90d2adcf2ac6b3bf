#include "settings/ini_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/temp_files.h"
#include "platform/write_all.h"
#include "text/path_parts.h"
#include "text/whole_number.h"

namespace kelvane {

namespace {

constexpr size_t npos = std::string::npos;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

// Earlier versions named the temporary file NAME.tmp-PID-N, which does not tell the host
// that made it: such a file is removed once it is a day old, as a temporary file of
// another host is.
void RemoveEarlierLeftovers(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return;
  const std::string prefix = name + ".tmp-";
  const time_t now = ::time(nullptr);
  while (dirent* e = ::readdir(d)) {
    const std::string entry = e->d_name;
    if (entry.rfind(prefix, 0) != 0) continue;
    const std::string rest = entry.substr(prefix.size());  // PID-N
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == npos || dash > 10 || dash + 1 == rest.size() ||
        rest.find_first_not_of("0123456789-") != npos || rest.find('-', dash + 1) != npos)
      continue;
    struct stat st;
    if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        now - st.st_mtime > kTempFileLeftAfter)
      ::unlinkat(::dirfd(d), e->d_name, 0);
  }
  ::closedir(d);
}

// The file a save replaces: path, or the file a symbolic link at path names, so that the
// link stays a link; old and exists tell what is there now. False (errno set) for a folder
// or anything else that is no regular file, and for a file the user may not write, which
// the rename would replace: the save refuses it as a direct write would.
bool SaveTarget(const std::string& path, std::string& target, struct stat& old, bool& exists) {
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  target = WriteTarget(path);
  if (target.empty()) {
    errno = ELOOP;
    return false;
  }
  exists = ::stat(target.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) {
    errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  return !exists || ::access(target.c_str(), W_OK) == 0;
}

// Writes text to the new copy fd and gives the copy the old file's permissions and, where
// allowed, its owner; a new file gets what the umask leaves of 0666. Then syncs it.
bool WriteCopy(int fd, const std::string& text, const struct stat* old) {
  if (!WriteAll(fd, text.data(), text.size())) return false;
  if (old) {
    if (::fchmod(fd, old->st_mode & 07777) != 0) return false;
    if (::fchown(fd, old->st_uid, old->st_gid) != 0) {
      // Only the super-user may give a file away; the file is then its own.
    }
  } else if (::fchmod(fd, 0666 & ~CurrentUmask()) != 0) {
    return false;
  }
  return ::fsync(fd) == 0;
}

// Closes the copy and, when it was written whole, renames it over target. On any failure
// the copy is removed and errno tells the first error.
bool PutInPlace(int fd, bool written, const std::string& temp, const std::string& target) {
  bool ok = written;
  int err = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    errno = err;
  }
  return ok;
}

// Makes a rename in dir durable; a folder that cannot be synced is no failure.
void SyncFolder(const std::string& dir) {
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

std::string IniValueText(std::string_view raw) {
  std::string_view v = Trim(raw);
  if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front()) {
    v.remove_prefix(1);
    v.remove_suffix(1);
  }
  if (v.size() > IniFile::kMaxValue) v = v.substr(0, IniFile::kMaxValue);
  return std::string(v);
}

IniFile::LoadResult IniFile::Load(const std::string& path) {
  lines_.clear();
  // Non-blocking, so that a named pipe in the file's place cannot hang the start.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return (errno == ENOENT || errno == ENOTDIR) ? LoadResult::Missing : LoadResult::Failed;
  }
  struct stat st;
  int err = 0;
  if (::fstat(fd, &st) != 0)
    err = errno;
  else if (S_ISDIR(st.st_mode))
    err = EISDIR;
  else if (!S_ISREG(st.st_mode))
    err = EINVAL;
  if (err != 0) {
    ::close(fd);
    errno = err;
    return LoadResult::Failed;
  }
  std::string text;
  if (st.st_size > 0) text.reserve(size_t(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      ::close(fd);
      errno = err;
      return LoadResult::Failed;
    }
    text.append(buf, size_t(n));
  }
  ::close(fd);
  Parse(text);
  return LoadResult::Loaded;
}

void IniFile::Parse(std::string_view text) {
  lines_.clear();
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == npos) {
      lines_.push_back(Classify(std::string(text.substr(at))));
      break;
    }
    lines_.push_back(Classify(std::string(text.substr(at, end - at))));
    at = end + 1;
    if (text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;
  }
}

IniFile::Line IniFile::Classify(std::string text) {
  Line line;
  line.text = std::move(text);
  std::string_view s = line.text;
  size_t start = 0;
  while (start < s.size() && IsBlank(s[start])) ++start;
  if (start < s.size() && s[start] == '[') {
    size_t close = s.rfind(']');
    if (close != npos && close > start) {
      line.kind = Line::Section;
      line.name = std::string(Trim(s.substr(start + 1, close - start - 1)));
      return line;
    }
  }
  size_t eq = s.find('=', start);
  if (eq == npos) return line;
  std::string_view key = Trim(s.substr(start, eq - start));
  if (key.empty()) return line;
  line.kind = Line::Entry;
  line.name = std::string(key);
  line.valueAt = eq + 1;
  return line;
}

size_t IniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Line::Section && SameName(lines_[i].name, section)) return i;
  return npos;
}

size_t IniFile::FindKey(size_t sectionAt, std::string_view key) const {
  for (size_t i = sectionAt + 1; i < lines_.size() && lines_[i].kind != Line::Section; ++i)
    if (lines_[i].kind == Line::Entry && SameName(lines_[i].name, key)) return i;
  return npos;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                const std::string& fallback) const {
  size_t s = FindSection(section);
  if (s == npos) return fallback;
  size_t k = FindKey(s, key);
  if (k == npos) return fallback;
  const Line& line = lines_[k];
  return IniValueText(std::string_view(line.text).substr(line.valueAt));
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t fallback) const {
  // A present but empty value and a missing key both give the fallback.
  std::string value = ReadString(section, key, std::string());
  int32_t n;
  return ParseWholeNumber(value, NumberForm::IniValue, n) ? n : fallback;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string v(value);
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';
  // Reading would take off blanks at the ends or a pair of quotes: quote such a value so
  // that it comes back unchanged.
  bool needsQuotes = !v.empty() && (IsBlank(v.front()) || IsBlank(v.back()) ||
                                    (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front()));
  if (needsQuotes) v = '"' + v + '"';

  size_t s = FindSection(section);
  if (s == npos) {
    lines_.push_back(Classify("[" + std::string(section) + "]"));
    lines_.push_back(Classify(std::string(key) + "=" + v));
    return;
  }
  size_t k = FindKey(s, key);
  if (k != npos) {
    lines_[k] = Classify(lines_[k].name + "=" + v);
    return;
  }
  size_t insertAt = s + 1;
  for (size_t i = s + 1; i < lines_.size() && lines_[i].kind != Line::Section; ++i)
    if (lines_[i].kind == Line::Entry) insertAt = i + 1;
  lines_.insert(lines_.begin() + std::ptrdiff_t(insertAt), Classify(std::string(key) + "=" + v));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string IniFile::Text() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += '\n';
  }
  return out;
}

bool IniFile::Save(const std::string& path) const {
  std::string target;
  struct stat old;
  bool exists = false;
  if (!SaveTarget(path, target, old, exists)) return false;
  // Temporary files that earlier saves (or scans) were killed in the middle of.
  const std::string dir = DirectoryPart(target);
  RemoveStaleTempFiles(dir);
  RemoveEarlierLeftovers(dir, FileNamePart(target));
  // The copy is never more open than the old file: it starts with the old file's mode, or
  // with 0600 for a new file, which gets what the umask leaves of 0666 once it is whole.
  std::string temp;
  const int fd = CreateTempFile(target, exists ? (old.st_mode & 0777) : 0600, temp);
  if (fd < 0) return false;
  const bool written = WriteCopy(fd, Text(), exists ? &old : nullptr);
  if (!PutInPlace(fd, written, temp, target)) return false;
  SyncFolder(dir);
  return true;
}

}  // namespace kelvane
