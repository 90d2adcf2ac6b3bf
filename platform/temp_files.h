// Replacing a file whole: the new content is written to a temporary file in the target's
// folder and renamed over the target at the end, so the old file stays as it was until
// then. The temporary files are named ".NAME.kelvane-HOST-PID.tmp", HOST being a tag of
// the host and the process-id namespace that made the file. One left behind by a process
// that was killed is removed by the next one that writes in that folder: on the same host
// and namespace once its process no longer runs, from anywhere else once it is a day old.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <string>

namespace kelvane {

// The file a write to path lands in: path itself, or for a symbolic link (or a chain of
// them, dangling or not) the path the last link names. Empty when the chain does not end
// (a loop), so that opening path itself reports the error.
std::string WriteTarget(const std::string& path);

// True when writes to a and b land in one file: both exist and have the same device and
// inode, or neither exists and both name the same entry of the same folder.
bool SameWriteTarget(const std::string& a, const std::string& b);

// The temporary file's name for target, in target's folder, for process pid of this host
// and namespace. Within the system's 255 bytes for any file name of target.
std::string TempFileName(const std::string& target, pid_t pid);

// Creates this process's temporary file for target (O_EXCL, write only, close-on-exec)
// with mode, after the process's file-creation mask. A file of that name left by an earlier
// process with this process's id is replaced. Returns the descriptor and sets tempPath, or
// -1 with errno set.
int CreateTempFile(const std::string& target, mode_t mode, std::string& tempPath);

// For a target in a folder that takes no new file: creates this process's temporary file
// for it in the system's temporary folder ($TMPDIR, else /tmp), readable by the user only,
// after removing the stale ones there. As CreateTempFile otherwise.
int CreateSpareTempFile(const std::string& target, std::string& tempPath);

// Writes the whole of file from over the existing file to, from its start, and cuts to
// after it: to keeps its permissions and owner. For a target whose folder takes no new
// file. False with errno set; to is then partly overwritten when the failure came midway.
bool CopyOver(const std::string& from, const std::string& to);

// Removes the temporary files of our naming in dir (empty: the current folder) that were
// left behind (TempFileIsStale).
void RemoveStaleTempFiles(const std::string& dir);

// A temporary file whose maker cannot be asked is taken as left behind after this many
// seconds without a write.
inline constexpr time_t kTempFileLeftAfter = 24 * 60 * 60;

// Whether the temporary file name (a file name), last modified at modified, was left
// behind as of now. Only a process of this host and namespace can tell whether the one
// that made it still runs: it judges by that. Any other, and a file of the earlier naming
// without a host (".NAME.kelvane-PID.tmp"), is left behind once it is a day old. False for
// names not of our naming and for this process's own files.
bool TempFileIsStale(const std::string& name, time_t modified, time_t now);

// The process id that name, a file name, carries when it is one of our temporary files
// (".NAME.kelvane-HOST-PID.tmp", or ".NAME.kelvane-PID.tmp" of earlier versions); 0
// otherwise. host, when given, gets the host's tag (empty for the earlier naming).
pid_t TempFileOwner(const std::string& name, std::string* host = nullptr);

// The process's file-creation mask, read without changing it.
mode_t CurrentUmask();

}  // namespace kelvane
