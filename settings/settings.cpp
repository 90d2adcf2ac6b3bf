#include "settings/settings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <utility>

#include "engine/criteria_kinds.h"
#include "platform/dialogs.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "settings/ini_file.h"
#include "text/clean_line.h"
#include "text/path_parts.h"

namespace kelvane {

namespace {

// The settings file's keys. The file numbers its texts and integers: this table and the
// criteria rows (criteria_kinds.h) are the one place where a number stands for a field.
struct TextKey {
  const char* key;
  std::string& (*field)(Settings&);
};
constexpr TextKey kTextKeys[] = {
    {"0", [](Settings& s) -> std::string& { return s.startUpDir; }},
    {"1", [](Settings& s) -> std::string& { return s.input.name; }},
    {"2", [](Settings& s) -> std::string& { return s.output.name; }},
    {"3", [](Settings& s) -> std::string& { return s.input.dir; }},
    {"4", [](Settings& s) -> std::string& { return s.output.dir; }},
    {"5", [](Settings& s) -> std::string& { return s.editors[0]; }},
    {"6", [](Settings& s) -> std::string& { return s.editors[1]; }},
};

constexpr char kTexts[] = "Strings";
constexpr char kIntegers[] = "Integers";
constexpr char kBooleans[] = "Booleans";
// Must contain in Notation form: the key's name is kept for the files already written.
constexpr char kNotationKey[] = "RadNota";
// Tolerant reading; files written before it existed lack the key, which reads as off.
constexpr char kTolerantKey[] = "Tolerant";
// Options > Duplicates and its prefix rule; likewise off without their keys.
constexpr char kDuplicatesKey[] = "Duplicates";
constexpr char kDuplicatesPrefixKey[] = "DuplicatesPrefix";
// The most a game may take, in MB; a file without the key (or with a size below 1) takes
// the default.
constexpr char kMaxGameSizeKey[] = "MaxGameSize";
// Several inputs: a section of its own, written once they were used, so that older files
// (and the programs that read them) keep the one input file of [Strings].
constexpr char kInputs[] = "Inputs";
constexpr char kInputFolderKey[] = "Folder";
constexpr char kRecursiveKey[] = "Recursive";
// The files after the first: File2, File3, ...
std::string InputKey(size_t number) {
  return "File" + std::to_string(number);
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

// The key of line number (from 1) of a kind held as a list of lines, and its section.
std::string LineKey(const CriterionKind& kind, size_t number) {
  return kind.textKey + std::to_string(number);
}
const char* ValueSection(const CriterionKind& kind) {
  return kind.section ? kind.section : kTexts;
}
const char* RangeSection(const CriterionKind& kind) {
  return kind.section ? kind.section : kIntegers;
}

}  // namespace

void LoadCriteria(const IniFile& ini, Criteria& criteria, const Criteria& defaults,
                  std::span<const CriterionKind> kinds) {
  for (const CriterionKind& kind : kinds) {
    if (HasText(kind)) {
      *kind.text(criteria) =
          ini.ReadString(ValueSection(kind), kind.textKey, KindText(kind, defaults));
    } else {
      // The lines run up to the first key that is missing or empty.
      std::vector<std::string> lines;
      for (std::string line;
           !(line = ini.ReadString(ValueSection(kind), LineKey(kind, lines.size() + 1), ""))
                .empty();)
        lines.push_back(std::move(line));
      *kind.lines(criteria) = lines.empty() ? KindLines(kind, defaults) : lines;
    }
    if (!kind.range) continue;
    MoveRange& range = *kind.range(criteria);
    range.from = ini.ReadInteger(RangeSection(kind), kind.fromKey, KindRange(kind, defaults).from);
    range.to = ini.ReadInteger(RangeSection(kind), kind.toKey, KindRange(kind, defaults).to);
  }
}

void SaveCriteria(IniFile& ini, const Criteria& criteria, std::span<const CriterionKind> kinds) {
  auto present = [&ini](const char* section, const std::string& key) {
    // No value read back holds a line end: "\n" tells that the key is missing.
    return ini.ReadString(section, key, "\n") != "\n";
  };
  std::vector<const CriterionKind*> written;
  for (const CriterionKind& kind : kinds) {
    const char* section = ValueSection(kind);
    const std::string first = HasText(kind) ? kind.textKey : LineKey(kind, 1);
    if (!kind.alwaysWritten && KindEmpty(kind, criteria) && !present(section, first)) continue;
    written.push_back(&kind);
    if (HasText(kind)) {
      ini.WriteString(section, kind.textKey, KindText(kind, criteria));
      continue;
    }
    const std::vector<std::string>& lines = KindLines(kind, criteria);
    for (size_t i = 0; i < lines.size(); ++i)
      ini.WriteString(section, LineKey(kind, i + 1), lines[i]);
    // An empty line after the last ends the list that a longer one left in the file.
    if (present(section, LineKey(kind, lines.size() + 1)))
      ini.WriteString(section, LineKey(kind, lines.size() + 1), "");
  }
  for (const CriterionKind* kind : written) {
    if (!kind->range) continue;
    ini.WriteInteger(RangeSection(*kind), kind->fromKey, KindRange(*kind, criteria).from);
    ini.WriteInteger(RangeSection(*kind), kind->toKey, KindRange(*kind, criteria).to);
  }
}

std::vector<std::string> SeveralInputs(const Settings& settings) {
  if (settings.inputFolder) return {settings.input.dir};
  if (settings.moreInputs.empty()) return {};
  std::vector<std::string> paths = {settings.input.path()};
  for (const std::string& name : settings.moreInputs) paths.push_back(settings.input.dir + name);
  return paths;
}

Settings DefaultSettings() {
  std::string here = fileSystem().CurrentDir();
  if (here.empty() || here.back() != '/') here += '/';
  Settings s;
  s.startUpDir = s.input.dir = s.output.dir = here;
  s.input.name = "Main.pgn";
  s.output.name = "Extract.pgn";
  Criteria& c = s.criteria;
  c.conditions[0] = "Kh1 < Qe1";
  c.conditionRanges[0] = {1, 15};
  c.mustContain = "1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 6.f4";
  c.mustContainForm = SequenceForm::Notation;
  c.mustContainRange = {1, 15};
  c.without = "..e6";
  c.withoutRange = {1, 15};
  return s;
}

std::string SettingsFileName() {
  std::string program = fileSystem().ProgramPath();
  if (!program.empty()) {
    std::string dir = DirectoryPart(program);
    if (fileSystem().DirWritable(dir)) return dir + StripExtension(FileNamePart(program)) + ".ini";
  }
  return ConfigHomeIniFile();
}

void LoadSettings(Settings& settings, const std::string& path) {
  if (path.empty()) {
    dialogs().ShowMessage("Ini file creation error");
    return;
  }
  bool failed = false;
  try {
    IniFile ini;
    failed = ini.Load(path) == IniFile::LoadResult::Failed;
    if (!failed) {
      Settings defaults = DefaultSettings();
      for (const TextKey& k : kTextKeys)
        k.field(settings) = ini.ReadString(kTexts, k.key, k.field(defaults));
      LoadCriteria(ini, settings.criteria, defaults.criteria, CriterionKinds());
      settings.criteria.mustContainForm = ini.ReadBool(kBooleans, kNotationKey, true)
                                              ? SequenceForm::Notation
                                              : SequenceForm::Moves;
      settings.tolerant = ini.ReadBool(kBooleans, kTolerantKey, false);
      settings.duplicates = ini.ReadBool(kBooleans, kDuplicatesKey, false);
      settings.duplicatesPrefix = ini.ReadBool(kBooleans, kDuplicatesPrefixKey, false);
      settings.maxGameSize = ini.ReadInteger(kIntegers, kMaxGameSizeKey, kDefaultMaxGameSize);
      if (settings.maxGameSize < 1) settings.maxGameSize = kDefaultMaxGameSize;
      settings.inputFolder = ini.ReadBool(kInputs, kInputFolderKey, false);
      settings.recursive = ini.ReadBool(kInputs, kRecursiveKey, false);
      settings.moreInputs.clear();
      for (std::string name;
           !(name = ini.ReadString(kInputs, InputKey(settings.moreInputs.size() + 2), "")).empty();)
        settings.moreInputs.push_back(name);
    }
  } catch (const std::exception&) {
    failed = true;
  }
  if (failed) ReportTrap(kIniReadTrap);
}

void SaveSettings(const Settings& settings, const std::string& path) {
  if (path.empty()) throw std::runtime_error("Ini file creation error");
  const std::runtime_error refused("Unable to write to " + path);
  IniFile ini;
  // Lines the program does not know must survive; a file that cannot be read is not
  // overwritten.
  if (ini.Load(path) == IniFile::LoadResult::Failed) throw refused;
  Settings s = settings;  // the key tables hand out writable fields
  for (const TextKey& k : kTextKeys) ini.WriteString(kTexts, k.key, k.field(s));
  SaveCriteria(ini, settings.criteria, CriterionKinds());
  ini.WriteBool(kBooleans, kNotationKey,
                settings.criteria.mustContainForm == SequenceForm::Notation);
  // Written once it was turned on, so the file of someone who never used it stays as it was.
  // (No value read back holds a line end: "\n" tells that the key is missing.)
  const std::pair<const char*, bool> switches[] = {
      {kTolerantKey, settings.tolerant},
      {kDuplicatesKey, settings.duplicates},
      {kDuplicatesPrefixKey, settings.duplicatesPrefix}};
  for (const auto& [key, on] : switches)
    if (on || ini.ReadString(kBooleans, key, "\n") != "\n") ini.WriteBool(kBooleans, key, on);
  // Written when it is not the default, or was written before, likewise.
  if (settings.maxGameSize != kDefaultMaxGameSize ||
      ini.ReadString(kIntegers, kMaxGameSizeKey, "\n") != "\n")
    ini.WriteInteger(kIntegers, kMaxGameSizeKey, settings.maxGameSize);
  auto present = [&ini](const std::string& key) {
    return ini.ReadString(kInputs, key, "\n") != "\n";
  };
  if (settings.inputFolder || settings.recursive || present(kInputFolderKey) ||
      present(kRecursiveKey)) {
    ini.WriteBool(kInputs, kInputFolderKey, settings.inputFolder);
    ini.WriteBool(kInputs, kRecursiveKey, settings.recursive);
  }
  const std::vector<std::string>& more = settings.moreInputs;
  for (size_t i = 0; i < more.size(); ++i) ini.WriteString(kInputs, InputKey(i + 2), more[i]);
  // A shorter list ends with an empty key.
  if (present(InputKey(more.size() + 2))) ini.WriteString(kInputs, InputKey(more.size() + 2), "");
  MakeParentDirs(path);
  if (!ini.Save(path)) throw refused;
}

}  // namespace kelvane
