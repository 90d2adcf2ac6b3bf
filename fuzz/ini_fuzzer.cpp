// The settings file's reader and writer: whatever file the program finds, every key it
// writes reads back exactly as written, and the file it writes reads back as itself.
//
// Input: the text of the file found, a NUL, then writes, each a kind byte, a key byte and
// the value's bytes up to the next NUL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "settings/ini_file.h"

using namespace kelvane;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// The program's sections and keys, some in other letter cases (names match regardless).
constexpr const char* kSections[] = {"Strings", "Integers", "Booleans", "strings", "BOOLEANS"};
constexpr const char* kKeys[] = {"0", "1", "2", "5", "9", "10", "11", "RadNota", "radnota"};

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

struct Written {
  enum Kind { Text, Integer, Bool } kind;
  std::string text;
  int32_t integer = 0;
  bool flag = false;
};

// What reading gives back for a written text.
std::string ReadBack(std::string value) {
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  if (value.size() > IniFile::kMaxValue) value.resize(IniFile::kMaxValue);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  IniFile ini;
  ini.Parse(input.substr(0, nul));
  std::map<std::pair<std::string, std::string>,
           std::pair<Written, std::pair<std::string, std::string>>>
      written;
  for (size_t at = nul == std::string_view::npos ? size : nul + 1; at + 2 <= size;) {
    const unsigned char kind = static_cast<unsigned char>(input[at]);
    const unsigned char key = static_cast<unsigned char>(input[at + 1]);
    size_t end = input.find('\0', at + 2);
    if (end == std::string_view::npos) end = size;
    const std::string value(input.substr(at + 2, end - at - 2));
    at = end + 1;
    const std::string section = kSections[kind % std::size(kSections)];
    const std::string name = kKeys[key % std::size(kKeys)];
    Written w;
    switch ((kind / std::size(kSections)) % 3) {
      case 0:
        w.kind = Written::Text;
        w.text = value;
        ini.WriteString(section, name, value);
        break;
      case 1: {
        w.kind = Written::Integer;
        uint32_t bits = 0;
        for (char c : value) bits = bits * 131 + static_cast<unsigned char>(c);
        w.integer = static_cast<int32_t>(bits);
        ini.WriteInteger(section, name, w.integer);
        break;
      }
      default:
        w.kind = Written::Bool;
        w.flag = !value.empty() && (value[0] & 1);
        ini.WriteBool(section, name, w.flag);
        break;
    }
    written[{Lower(section), Lower(name)}] = {w, {section, name}};
  }

  const std::string text = ini.Text();
  IniFile again;
  again.Parse(text);
  Check(again.Text() == text);
  for (const auto& [id, entry] : written) {
    const auto& [w, names] = entry;
    const auto& [section, name] = names;
    switch (w.kind) {
      case Written::Text:
        Check(again.ReadString(section, name, "\x01missing") == ReadBack(w.text));
        break;
      case Written::Integer:
        Check(again.ReadInteger(section, name, w.integer ^ 1) == w.integer);
        Check(again.ReadString(section, name, "") == std::to_string(w.integer));
        break;
      case Written::Bool:
        Check(again.ReadBool(section, name, !w.flag) == w.flag);
        break;
    }
  }
  return 0;
}
