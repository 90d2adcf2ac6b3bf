#include "engine/game_view.h"

#include <cstddef>

#include "text/char_class.h"

namespace kelvane {

namespace {

// The value of the tag line if its name is name.
std::optional<std::string_view> TagValue(std::string_view line, std::string_view name) {
  if (line.empty() || line[0] != '[') return std::nullopt;
  size_t i = 1;
  while (i < line.size() && IsBlankOrTab(line[i])) ++i;
  const size_t nameStart = i;
  while (i < line.size() && !IsBlankOrTab(line[i]) && line[i] != '"' && line[i] != ']') ++i;
  if (!SameIgnoringAsciiCase(line.substr(nameStart, i - nameStart), name)) return std::nullopt;
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

}  // namespace

std::optional<std::string_view> GameView::Tag(std::string_view name) const {
  if (name.empty()) return std::nullopt;
  std::string_view rest = header;
  while (!rest.empty()) {
    const size_t end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    if (std::optional<std::string_view> value = TagValue(line, name)) return value;
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 2);
  }
  return std::nullopt;
}

}  // namespace kelvane
