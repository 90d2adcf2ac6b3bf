// The names of a run's files: the input and output file as the window shows them, the
// checks on their names before anything is opened, and the split file's name.
#pragma once

#include <optional>
#include <string>

#include "platform/file_system.h"

namespace kelvane {

// A file as the window shows it: a directory (ending with "/") and a name.
struct FileLocation {
  std::string dir;
  std::string name;
  std::string path() const { return dir + name; }
  friend bool operator==(const FileLocation&, const FileLocation&) = default;
};

// The names of a run's files, checked before anything is opened.
enum class NameFault {
  None,
  InputEmpty,
  OutputEmpty,
  InputFolder,
  OutputFolder,
  OutputNoFolder,    // the output's (and so the split file's) folder does not exist
  SplitNoExtension,  // Split needs a "." in the output's file name
};
// The first fault of the input's and the output's names; split: the run writes a split
// file too; inputFolder: the input may be a folder (a run that reads its game files).
NameFault CheckNames(const FileLocation& input, const FileLocation& output, bool split,
                     FileSystem& fs, bool inputFolder = false);
// The input's part of CheckNames, for a count, which writes no file.
NameFault CheckInputName(const FileLocation& input, FileSystem& fs, bool inputFolder = false);
// The message that tells a name fault, with the path where it names one.
std::string NameFaultMessage(NameFault fault, const FileLocation& input,
                             const FileLocation& output);
// True for the faults of the output's name.
inline bool IsOutputNameFault(NameFault fault) {
  return fault == NameFault::OutputEmpty || fault == NameFault::OutputFolder ||
         fault == NameFault::OutputNoFolder || fault == NameFault::SplitNoExtension;
}

// A name typed in a name field that holds a folder too is taken as that path: a whole path
// gives the folder and the file name, a relative one ("sub/out.pgn") is taken from the
// location's folder. A name without a "/" is returned as it is.
FileLocation TakeWholePath(const FileLocation& location);

// The split file of an output: its path with "2" before the first "." of its file name;
// empty when the file name has no "." (CheckNames refuses such a name for a split run).
std::optional<std::string> SplitName(const std::string& outputPath);
// SplitName for a run whose names were checked; traps ("no period in file name") when the
// file name has no ".".
std::string SplitFileName(const std::string& outputPath);

}  // namespace kelvane
