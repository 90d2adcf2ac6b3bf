// Shared test helpers: temporary folders, whole-file reads and writes, running the
// program as a child process, and the folder of real game files.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelvane {

// A fresh folder under /tmp, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder's path with a trailing "/".
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// A folder that a test and its death-test child both see: the child re-runs the test from
// its start, so the parent hands its folder's path down through the environment variable.
class SharedDir {
 public:
  explicit SharedDir(const char* envVar);
  ~SharedDir();
  SharedDir(const SharedDir&) = delete;
  SharedDir& operator=(const SharedDir&) = delete;
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  const char* envVar_;
  std::unique_ptr<TempDir> own_;
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// A file for a test of the clean-up of temporary files.
struct AgedFile {
  std::string name;
  long age;  // seconds since its last write
  bool removed;
};
// Writes the files in dir, each with its age; returns the names of those to stay, sorted.
std::vector<std::string> WriteAgedFiles(const std::string& dir, const std::vector<AgedFile>& files);

struct ProcessResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};
// Told whenever the running program has written more; may signal it.
using WhileRunning = std::function<void(pid_t pid, const ProcessResult& soFar)>;
// Runs program with args in workingDir (empty: the current one), standard input empty.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingDir = "", const WhileRunning& watch = {});
// The built kelvane program's path.
std::string KelvanePath();
// Runs the built kelvane program.
ProcessResult RunKelvane(const std::vector<std::string>& args, const std::string& workingDir = "",
                         const WhileRunning& watch = {});

// The names in a folder, "." and ".." left out, sorted.
std::vector<std::string> FolderEntries(const std::string& dir);
// The temporary files of outputs (temp_files.h) in dir, sorted.
std::vector<std::string> TempFilesIn(const std::string& dir);
// Runs body in a child process, with the super-user's rights given up when asked so that
// permissions count; returns the child's exit code (body's result), or 128 + its signal.
int InChild(const std::function<int()>& body, bool dropRoot);

// The folder of real PGN files (with a trailing "/"), or "" when it is not there.
std::string CorpusDir();
// A file of the repository, by its path inside it.
std::string SourcePath(const std::string& relative);

}  // namespace kelvane
