// The settings: every criterion, file name, directory and editor path the program keeps
// between runs, and the settings file that holds them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/criteria.h"
#include "engine/criteria_kinds.h"
#include "engine/file_names.h"
#include "engine/scan_method.h"

namespace kelvane {

struct Settings {
  std::string startUpDir;  // ends with "/"
  FileLocation input;
  FileLocation output;
  std::array<std::string, 2> editors;  // programs that open the output file
  Criteria criteria;
  bool tolerant = false;  // tolerant reading of the input (Options > Tolerant reading)
  bool duplicates = false;        // Options > Duplicates: duplicates go to their own file
  bool duplicatesPrefix = false;  // and so does a game that is the start of another
  int32_t maxGameSize = kDefaultMaxGameSize;  // MB; a larger game is not held (ScanRequest)
  // Several inputs (File > Set Input with more than one file chosen): the names of the
  // files after input.name, in input.dir. Or, with inputFolder, the input is the folder
  // input.dir, read for its game files (recursive: its subfolders' too); input.name keeps
  // a file of it for the programs that read one file.
  std::vector<std::string> moreInputs;
  bool inputFolder = false;
  bool recursive = false;
  friend bool operator==(const Settings&, const Settings&) = default;
};

// The input files of a run of several (or of a folder: the folder); empty for one file.
std::vector<std::string> SeveralInputs(const Settings& settings);

// What a first start shows: the current directory for every folder, "Main.pgn" and
// "Extract.pgn", and example criteria.
Settings DefaultSettings();

// The usual settings file: kelvane.ini beside the program, or in the XDG configuration
// folder when the program's folder cannot be written; empty when there is no place at all.
std::string SettingsFileName();
// Reads path into settings; a key that is missing or unreadable takes its default. Shows
// "Ini file creation error" for an empty path, and traps ("Ini error (ref: 6203)") when
// the file exists but cannot be read.
void LoadSettings(Settings& settings, const std::string& path);
// Writes the settings into path, keeping every line of the file the program does not know;
// throws std::runtime_error "Unable to write to <path>" when the file cannot be written.
void SaveSettings(const Settings& settings, const std::string& path);

class IniFile;
// The criteria of kinds in an ini file, as LoadSettings and SaveSettings read and write those
// of every kind. A missing key keeps the default's value; every value is written before
// every range, as the files have them.
void LoadCriteria(const IniFile& ini, Criteria& criteria, const Criteria& defaults,
                  std::span<const CriterionKind> kinds);
void SaveCriteria(IniFile& ini, const Criteria& criteria, std::span<const CriterionKind> kinds);

}  // namespace kelvane
