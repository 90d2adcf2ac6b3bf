// The parts of a path, taken from its text alone: no file system is asked.
#pragma once

#include <string>

namespace kelvane {

// The directory part of a path, up to and including its last "/" (empty when none).
std::string DirectoryPart(const std::string& path);
// The file-name part: what follows the last "/".
std::string FileNamePart(const std::string& path);

}  // namespace kelvane
