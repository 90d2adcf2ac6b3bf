// The game files of a folder, for a scan that reads a whole folder: the files whose
// content is compressed (told by its first bytes, as the scan tells it) or whose first
// byte that is not blank is "[", "{" or "1".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvane {

// The game files of the folder dir (with or without a trailing "/"), as paths that begin
// with dir, in the byte order of those paths. Left out: hidden files and folders (a name
// that begins with "."), files that are not game files (an empty file among them), and the
// files named in leaveOut (the run's own outputs: compared by device and inode, or by
// name when they do not exist). Subfolders are read only when recursive, never through a
// symbolic link. A file that cannot be read is kept, so that the scan names it. A folder
// that cannot be read gives no files.
std::vector<std::string> ListGameFiles(const std::string& dir, bool recursive,
                                       const std::vector<std::string>& leaveOut = {});

// The bytes of the file at path, read whole, when it is a regular file of at most most bytes
// whose content is not compressed; false otherwise, or when it cannot be read.
bool ReadSmallPlainFile(const std::string& path, size_t most, std::vector<char>& bytes);

// The size of a regular file; 0 for anything else (a pipe, standard input, a missing file).
uint64_t RegularFileSize(const std::string& path);

// True when the first bytes of a file (head) make it a game file, as above.
bool LooksLikeGameFile(const std::string& head);

}  // namespace kelvane
