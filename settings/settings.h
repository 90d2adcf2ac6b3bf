// The settings: every criterion, file name, directory and editor path the program keeps
// between runs, and the settings file that holds them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvane {

// The two ways of typing Must contain: with move numbers as in a game file
// ("1.e4 c5 2.Nf3"), or as bare moves with black's marked ("e4 ..c5 Nf3").
enum class SequenceForm { Notation, Moves };

// A range of full move numbers, both ends included.
struct MoveRange {
  int32_t from = 0;
  int32_t to = 0;
  friend bool operator==(const MoveRange&, const MoveRange&) = default;
};

// What a game must show; each criterion holds within its own range of move numbers.
struct Criteria {
  std::array<std::string, 3> conditions;  // "Kh1 < Qe1": both played, Kh1 no later
  std::array<MoveRange, 3> conditionRanges;
  std::string mustContain;
  SequenceForm mustContainForm = SequenceForm::Notation;
  MoveRange mustContainRange;
  std::string without;  // moves the game must not play
  MoveRange withoutRange;
  friend bool operator==(const Criteria&, const Criteria&) = default;
};

// A file as the window shows it: a directory (ending with "/") and a name.
struct FileLocation {
  std::string dir;
  std::string name;
  std::string path() const { return dir + name; }
  friend bool operator==(const FileLocation&, const FileLocation&) = default;
};

// The most a game may take, in MB of 10^6 bytes, unless the settings say otherwise.
inline constexpr int32_t kDefaultMaxGameSize = 256;
inline constexpr size_t kBytesPerMB = 1000000;

struct Settings {
  std::string startUpDir;  // ends with "/"
  FileLocation input;
  FileLocation output;
  std::array<std::string, 2> editors;  // programs that open the output file
  Criteria criteria;
  bool tolerant = false;  // tolerant reading of the input (Options > Tolerant reading)
  int32_t maxGameSize = kDefaultMaxGameSize;  // MB; a larger game is not held (ScanRequest)
  friend bool operator==(const Settings&, const Settings&) = default;
};

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

}  // namespace kelvane
