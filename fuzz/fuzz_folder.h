// What the fuzz targets that write files share: a check that stops the run at a finding,
// a folder of the process's own for the files, and the look for temporary files left in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <dirent.h>
#include <stdlib.h>

#include "platform/temp_files.h"

namespace kelvane_fuzz {

// Stops the run (libFuzzer keeps the input) when ok is false.
inline void Check(bool ok) {
  if (!ok) std::abort();
}

// A folder of this process's own, removed at the end.
struct OwnFolder {
  OwnFolder() {
    // In $TMPDIR when set: a run that stops at a finding leaves the folder there.
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelvane-fuzz-XXXXXX";
    Check(::mkdtemp(pattern.data()) != nullptr);
    path = pattern + "/";
  }
  ~OwnFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;
};

// The folder, ending with "/".
inline const std::string& Folder() {
  static const OwnFolder folder;
  return folder.path;
}

// True when no temporary file of ours is left in the folder.
inline bool NoTempFileLeft() {
  DIR* d = ::opendir(Folder().c_str());
  Check(d != nullptr);
  bool none = true;
  while (dirent* e = ::readdir(d)) none = none && kelvane::TempFileOwner(e->d_name) == 0;
  ::closedir(d);
  return none;
}

}  // namespace kelvane_fuzz
