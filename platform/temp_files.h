// Replacing a file whole: the new content is written to a temporary file in the target's
// folder and renamed over the target at the end, so the old file stays as it was until
// then. The temporary files are named ".NAME.kelvane-PID.tmp"; one left behind by a process
// that was killed is removed by the next one that writes in that folder.
#pragma once

#include <sys/types.h>

#include <string>

namespace kelvane {

// The file a write to path lands in: path itself, or for a symbolic link (or a chain of
// them, dangling or not) the path the last link names. Empty when the chain does not end
// (a loop), so that opening path itself reports the error.
std::string WriteTarget(const std::string& path);

// True when writes to a and b land in one file: both exist and have the same device and
// inode, or neither exists and both name the same entry of the same folder.
bool SameWriteTarget(const std::string& a, const std::string& b);

// The temporary file's name for target, in target's folder, for process pid.
std::string TempFileName(const std::string& target, pid_t pid);

// Creates this process's temporary file for target (O_EXCL, write only, close-on-exec)
// with mode, after the process's file-creation mask. A file of that name left by an earlier
// process with this process's id is replaced. Returns the descriptor and sets tempPath, or
// -1 with errno set.
int CreateTempFile(const std::string& target, mode_t mode, std::string& tempPath);

// Removes the temporary files of our naming in dir (empty: the current folder) whose
// process no longer runs; files of running processes, this one included, stay.
void RemoveStaleTempFiles(const std::string& dir);

// The process id that name, a file name, carries when it is one of our temporary files
// (".NAME.kelvane-PID.tmp"); 0 otherwise.
pid_t TempFileOwner(const std::string& name);

// The process's file-creation mask, read without changing it.
mode_t CurrentUmask();

}  // namespace kelvane
