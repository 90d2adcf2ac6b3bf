#include "settings/settings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <stdexcept>

#include "platform/dialogs.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "settings/ini_file.h"
#include "text/clean_line.h"

namespace kelvane {

IniValueRec IniValues;

void IniValueRec::Reset() {
  for (std::string& s : Strings) s.clear();
  for (int32_t& n : Integers) n = 0;
  RadNota = false;
  ReqSequence.clear();
  CondWords.clear();
  MovesLeft.clear();
  Split = false;
}

namespace {

constexpr int kStringSlots = 12;
constexpr int kIntegerSlots = 10;

std::string& IniFileOverride() {
  static std::string path;
  return path;
}

// The settings file of an installed program, whose own folder cannot be written:
// $XDG_CONFIG_HOME/kelvane/kelvane.ini, or ~/.config/kelvane/kelvane.ini. Empty when
// neither variable names a folder.
std::string ConfigHomeIniFile() {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // Relative values are to be ignored: they would move with the current directory.
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && home[0] != '\0') {
    base = home;
    if (base.back() != '/') base += '/';
    base += ".config";
  } else {
    return std::string();
  }
  if (base.back() != '/') base += '/';
  return base + "kelvane/kelvane.ini";
}

// Creates the folder that holds path and every missing folder above it.
void MakeParentDirs(const std::string& path) {
  std::string dir = DirectoryPart(path);
  for (size_t at = 1; at < dir.size(); ++at) {
    if (dir[at] != '/') continue;
    std::string part = dir.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
  }
}

std::string Key(int index) {
  return std::to_string(index);
}

}  // namespace

void SetIniFileOverride(const std::string& path) {
  IniFileOverride() = path;
}

std::string IniFileName() {
  if (!IniFileOverride().empty()) return IniFileOverride();
  std::string program = fileSystem().ProgramPath();
  if (!program.empty()) {
    std::string dir = DirectoryPart(program);
    if (fileSystem().DirWritable(dir)) return dir + StripExtension(FileNamePart(program)) + ".ini";
  }
  return ConfigHomeIniFile();
}

std::string StringDefault(int index) {
  switch (index) {
    case 0:
    case 3:
    case 4: {
      std::string dir = fileSystem().CurrentDir();
      if (dir.empty() || dir.back() != '/') dir += '/';
      return dir;
    }
    case 1:
      return "Main.pgn";
    case 2:
      return "Extract.pgn";
    case 7:
      return "Kh1 < Qe1";
    case 10:
      return "1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 6.f4";
    case 11:
      return "..e6";
    case 5:
    case 6:
    case 8:
    case 9:
      return std::string();
    default:
      dialogs().ShowMessage("uninitialized string (IniUnit)");
      return std::string();
  }
}

int32_t IntegerDefault(int index) {
  static constexpr int32_t kDefaults[kIntegerSlots] = {1, 15, 0, 0, 0, 0, 1, 15, 1, 15};
  if (index < 0 || index >= kIntegerSlots) {
    dialogs().ShowMessage("Uninitialized integer (IniUnit)");
    return 0;
  }
  return kDefaults[index];
}

void LoadSettings() {
  const std::string path = IniFileName();
  if (path.empty()) {
    dialogs().ShowMessage("Ini file creation error");
    return;
  }
  bool failed = false;
  try {
    IniFile ini;
    failed = ini.Load(path) == IniFile::LoadResult::Failed;
    if (!failed) {
      for (int i = 0; i < kStringSlots; ++i)
        IniValues.Strings[i] = ini.ReadString("Strings", Key(i), StringDefault(i));
      for (int i = 0; i < kIntegerSlots; ++i)
        IniValues.Integers[i] = ini.ReadInteger("Integers", Key(i), IntegerDefault(i));
      IniValues.RadNota = ini.ReadBool("Booleans", "RadNota", true);
    }
  } catch (const std::exception&) {
    failed = true;
  }
  if (failed) ReportTrap("Ini error (ref: 6203)");
}

void SaveSettings() {
  const std::string path = IniFileName();
  if (path.empty()) throw std::runtime_error("Ini file creation error");
  const std::runtime_error refused("Unable to write to " + path);
  IniFile ini;
  // Lines the program does not know must survive; a file that cannot be read is not
  // overwritten.
  if (ini.Load(path) == IniFile::LoadResult::Failed) throw refused;
  for (int i = 0; i < kStringSlots; ++i) ini.WriteString("Strings", Key(i), IniValues.Strings[i]);
  for (int i = 0; i < kIntegerSlots; ++i)
    ini.WriteInteger("Integers", Key(i), IniValues.Integers[i]);
  ini.WriteBool("Booleans", "RadNota", IniValues.RadNota);
  MakeParentDirs(path);
  if (!ini.Save(path)) throw refused;
}

}  // namespace kelvane
