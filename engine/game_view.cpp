#include "engine/game_view.h"

#include <cstddef>
#include <cstdint>

#include "text/char_class.h"

namespace kelvane {

namespace {

// The name of a tag line "[Name ..."; empty when the line is none. at becomes the index of
// the byte past the name.
std::string_view TagName(std::string_view line, size_t& at) {
  if (line.empty() || line[0] != '[') return {};
  size_t i = 1;
  while (i < line.size() && IsBlankOrTab(line[i])) ++i;
  const size_t nameStart = i;
  while (i < line.size() && !IsBlankOrTab(line[i]) && line[i] != '"' && line[i] != ']') ++i;
  at = i;
  return line.substr(nameStart, i - nameStart);
}

// The quoted value of a tag line from at, the byte past its name; nothing when the line
// has none.
std::optional<std::string_view> TagValue(std::string_view line, size_t at) {
  size_t i = at;
  while (i < line.size() && IsBlankOrTab(line[i])) ++i;
  if (i == line.size() || line[i] != '"') return std::nullopt;
  const size_t valueStart = ++i;
  for (; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      ++i;  // an escaped character, a quote included
    } else if (line[i] == '"') {
      return line.substr(valueStart, i - valueStart);
    }
  }
  return std::nullopt;
}

// The line of header around byte at, without its line end: lines end in CR LF as read,
// or in LF or CR LF in a file's raw bytes.
std::string_view LineAround(std::string_view header, size_t at, size_t& next) {
  const size_t before = header.rfind('\n', at);
  const size_t start = before == std::string_view::npos ? 0 : before + 1;
  const size_t end = header.find('\n', at);
  next = end == std::string_view::npos ? header.size() : end + 1;
  std::string_view line = header.substr(start, end == std::string_view::npos ? end : end - start);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// The value of the first tag line named name as written, found by searching the header
// for the name rather than reading it line by line.
std::optional<std::string_view> TagAsWritten(std::string_view header, std::string_view name) {
  for (size_t from = 0; from < header.size();) {
    const size_t at = header.find(name, from);
    if (at == std::string_view::npos) break;
    size_t next = 0;
    const std::string_view line = LineAround(header, at, next);
    size_t nameEnd = 0;
    if (TagName(line, nameEnd) == name)
      if (std::optional<std::string_view> value = TagValue(line, nameEnd)) return value;
    from = next;  // the name stood in a value, or named a line without one
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string_view> GameView::Tag(std::string_view name) const {
  if (name.empty()) return std::nullopt;
  if (std::optional<std::string_view> value = TagAsWritten(header, name)) return value;
  for (size_t from = 0; from < header.size();) {
    size_t next = 0;
    const std::string_view line = LineAround(header, from, next);
    size_t nameEnd = 0;
    if (SameIgnoringAsciiCase(TagName(line, nameEnd), name))
      if (std::optional<std::string_view> value = TagValue(line, nameEnd)) return value;
    from = next;
  }
  return std::nullopt;
}

void GameView::Tags(const std::string_view* names, std::string_view* values, size_t count) const {
  // 0: no line yet; 1: a line whose name differs in case; 2: a line with the name as written.
  constexpr size_t kMost = 16;
  uint8_t found[kMost] = {};
  if (count > kMost) count = kMost;
  for (size_t k = 0; k < count; ++k) values[k] = {};
  size_t exact = 0;  // the names found as written: no later line can change them
  for (size_t from = 0; from < header.size() && exact < count;) {
    size_t end = header.find('\n', from);
    const size_t next = end == std::string_view::npos ? header.size() : end + 1;
    std::string_view line = header.substr(from, next - from);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    from = next;
    size_t nameEnd = 0;
    const std::string_view name = TagName(line, nameEnd);
    if (name.empty()) continue;
    for (size_t k = 0; k < count; ++k) {
      if (found[k] == 2 || name.size() != names[k].size()) continue;
      const uint8_t kind = name == names[k] ? 2 : SameIgnoringAsciiCase(name, names[k]) ? 1 : 0;
      if (kind <= found[k]) continue;
      if (std::optional<std::string_view> value = TagValue(line, nameEnd)) {
        values[k] = *value;
        found[k] = kind;
        exact += kind == 2;
      }
    }
  }
}

}  // namespace kelvane
