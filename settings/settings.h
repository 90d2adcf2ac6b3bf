// The settings record: every criterion, file name, directory and option of the program,
// one global instance read and written by slot index, and its settings file.
#pragma once

#include <cstdint>
#include <string>

#include "text/bounded_text.h"

namespace kelvane {

struct IniValueRec {
  // Text slots: 0 start-up directory, 1 input name, 2 output name, 3 input directory,
  // 4 output directory, 5 and 6 output editors, 7 to 9 conditions, 10 Must contain,
  // 11 Without. Directories end with "/".
  std::string Strings[12];
  // Ranges of move numbers, from then to: conditions 1 to 3 (0-5), Must contain (6, 7),
  // Without (8, 9).
  int32_t Integers[10] = {};
  bool RadNota = false;  // Must contain is in Notation form (else Moves form)
  // Not saved: prepared by the Run command for the matcher.
  std::string ReqSequence;
  std::string CondWords;
  // Not saved: the Moves-form words the game under test has not shown yet.
  BoundedText MovesLeft;
  bool Split = false;  // failing games go to the split file

  // Empties every field: texts empty, integers 0, both Booleans false.
  void Reset();
};

extern IniValueRec IniValues;

// Full path of the settings file: kelvane.ini beside the program, or in the XDG
// configuration folder when the program's folder cannot be written; an explicit file
// named with SetIniFileOverride wins.
std::string IniFileName();
// Use path as the settings file (empty: back to the usual location).
void SetIniFileOverride(const std::string& path);
std::string StringDefault(int index);
int32_t IntegerDefault(int index);
// Fills text slots 0-11, integer slots 0-9 and RadNota from the settings file or defaults.
void LoadSettings();
// Writes the same fields to the settings file; throws std::runtime_error
// "Unable to write to <path>" when the file cannot be written.
void SaveSettings();

}  // namespace kelvane
