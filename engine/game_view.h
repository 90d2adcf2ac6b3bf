// A game as the decider sees it: its header block and its move-text block as read (each
// line cleaned and followed by CR LF), and the value of a tag, looked up on demand. The
// header may also be a plain game's raw tag lines, ending in LF or CR LF.
#pragma once

#include <optional>
#include <string_view>

namespace kelvane {

struct GameView {
  std::string_view header;
  std::string_view moveText;

  // The value of the first tag line [Name "Value"] whose name is name as written; when
  // there is none, of the first whose name is name without regard to ASCII case. The value
  // as the line holds it between its quotes (an escaped quote \" stays as written).
  // Nothing when no tag line has that name, or the line has no quoted value. (Looking for
  // the name as written first lets one search of the header find it.)
  std::optional<std::string_view> Tag(std::string_view name) const;
  // The values of several tags at once, each as Tag gives it (empty, with no data, when
  // Tag gives nothing), found in one reading of the header.
  void Tags(const std::string_view* names, std::string_view* values, size_t count) const;
};

}  // namespace kelvane
