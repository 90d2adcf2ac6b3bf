// The operating system's file system and process facts, as the core needs them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kelvane {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True when a regular file (or a link to one) exists at path.
  virtual bool FileExists(const std::string& path) = 0;
  // True when path names a directory (or a link to one).
  virtual bool DirExists(const std::string& path) = 0;
  // The last modification, counted in two-second steps (even seconds) since 1970, before
  // 1970 too; nothing when there is no such file or the path names a directory.
  virtual std::optional<int64_t> FileAge(const std::string& path) = 0;
  // Full path of the running program's file.
  virtual std::string ProgramPath() = 0;
  // The process's current directory, without a trailing "/".
  virtual std::string CurrentDir() = 0;
  // True when new files can be created in the directory.
  virtual bool DirWritable(const std::string& dir) = 0;
  // True when both paths name one existing file (same device and inode).
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
};

// The POSIX file system, shared by the window and the headless scan.
class PosixFileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool DirExists(const std::string& path) override;
  std::optional<int64_t> FileAge(const std::string& path) override;
  std::string ProgramPath() override;
  std::string CurrentDir() override;
  bool DirWritable(const std::string& dir) override;
  bool SameFile(const std::string& a, const std::string& b) override;
};

FileSystem& fileSystem();
// Installs fs (not owned; nullptr goes back to the POSIX file system).
void SetFileSystem(FileSystem* fs);

// A relative path taken from the current directory; an absolute or empty path as it is.
std::string AbsolutePath(const std::string& path);

}  // namespace kelvane
