#include "engine/file_names.h"

#include "platform/fault.h"
#include "text/path_parts.h"

namespace kelvane {

NameFault CheckNames(const FileLocation& input, const FileLocation& output, bool split,
                     FileSystem& fs, bool inputFolder) {
  if (input.name.empty()) return NameFault::InputEmpty;
  if (output.name.empty()) return NameFault::OutputEmpty;
  if (!inputFolder && fs.DirExists(input.path())) return NameFault::InputFolder;
  if (fs.DirExists(output.path())) return NameFault::OutputFolder;
  // Nothing could be created there; standard output ("-") has no folder.
  if (const std::string dir = DirectoryPart(output.path()); !dir.empty() && !fs.DirExists(dir))
    return NameFault::OutputNoFolder;
  if (split && !SplitName(output.path())) return NameFault::SplitNoExtension;
  return NameFault::None;
}

NameFault CheckInputName(const FileLocation& input, FileSystem& fs, bool inputFolder) {
  if (input.name.empty()) return NameFault::InputEmpty;
  if (!inputFolder && fs.DirExists(input.path())) return NameFault::InputFolder;
  return NameFault::None;
}

std::string NameFaultMessage(NameFault fault, const FileLocation& input,
                             const FileLocation& output) {
  switch (fault) {
    case NameFault::None:
      return "";
    case NameFault::InputEmpty:
      return "The input file has no name";
    case NameFault::OutputEmpty:
      return "The output file has no name";
    case NameFault::InputFolder:
      return "The input file " + input.path() + " is a folder";
    case NameFault::OutputFolder:
      return "The output file " + output.path() + " is a folder";
    case NameFault::OutputNoFolder:
      return "The folder " + DirectoryPart(output.path()) + " of the output file does not exist";
    case NameFault::SplitNoExtension:
      break;
  }
  return "Split needs a file name with an extension, such as games.pgn";
}

FileLocation TakeWholePath(const FileLocation& location) {
  const std::string& name = location.name;
  if (name.find('/') == std::string::npos) return location;
  const std::string dir = DirectoryPart(name);
  return {dir.front() == '/' ? dir : location.dir + dir, FileNamePart(name)};
}

std::optional<std::string> SplitName(const std::string& outputPath) {
  std::string dir = DirectoryPart(outputPath);
  std::string name = FileNamePart(outputPath);
  size_t dot = name.find('.');
  if (dot == std::string::npos) return std::nullopt;
  return dir + name.substr(0, dot) + "2" + name.substr(dot);
}

std::string SplitFileName(const std::string& outputPath) {
  std::optional<std::string> split = SplitName(outputPath);
  if (!split) ReportTrap("no period in file name");
  return *split;
}

}  // namespace kelvane
