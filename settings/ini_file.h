// A small ini reader and writer: sections "[Name]" and lines key=value, read with the
// rules of the classic private-profile functions and written back in place, so lines the
// program does not know survive a save.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

class IniFile {
 public:
  // A text value is cut to this many bytes when read.
  static constexpr size_t kMaxValue = 2047;

  enum class LoadResult {
    Loaded,   // the file was read
    Missing,  // no file there: every read gives its default
    Failed,   // the file is there but cannot be read (errno tells why)
  };

  // Replaces the content with the lines of the file at path.
  LoadResult Load(const std::string& path);
  // Replaces the content with text; lines end at CR LF, LF or a lone CR.
  void Parse(std::string_view text);

  // The value of key in section (names match regardless of ASCII case; the first
  // section and the first key of a repeated name count): blanks around it removed, one
  // pair of enclosing quotes (both " or both ') dropped, cut at kMaxValue bytes.
  // fallback when the section or key is missing; an empty value is returned as such.
  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& fallback) const;
  // Decimal, or hexadecimal after "0x"/"0X" (more than two characters); the whole value
  // must convert and fit in 32 bits, else fallback ("12abc" gives fallback).
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // An integer read with the fallback as 0/1: non-zero means true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Sets key in section: an existing key keeps its line, a new key goes after the last
  // entry of its section, a new section at the end. A value that would not read back as
  // written (blanks at an end, enclosing quotes) is written inside double quotes; CR and
  // LF cannot be held on one line and are written as blanks.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // The whole file, every line ended by LF.
  std::string Text() const;
  // Replaces the file at path (or, for a symbolic link, the file it names) with Text():
  // a temporary file in the same folder (temp_files.h) is written, synced and renamed over
  // the target, so the old file stays whole when anything fails. The temporary file is
  // never more open than the old file (0600 while a new one is written). Temporary files
  // left by saves that were killed are removed. False (errno set) on failure.
  bool Save(const std::string& path) const;

 private:
  struct Line {
    std::string text;
    enum Kind { Other, Section, Entry } kind = Other;
    std::string name;    // section name or key, blanks removed
    size_t valueAt = 0;  // Entry: where the value starts in text
  };

  static Line Classify(std::string text);
  // Index of the first header of section, or npos.
  size_t FindSection(std::string_view section) const;
  // Index of the first entry key of the section whose header is at sectionAt, or npos.
  size_t FindKey(size_t sectionAt, std::string_view key) const;

  std::vector<Line> lines_;
};

// Removes blanks around the value, drops one pair of enclosing quotes and cuts it at
// IniFile::kMaxValue bytes: what reading makes of the text after "=".
std::string IniValueText(std::string_view raw);

}  // namespace kelvane
