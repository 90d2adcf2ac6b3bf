// A game as the decider sees it: its header block and its move-text block as read (each
// line cleaned and followed by CR LF), and the value of a tag, looked up on demand.
#pragma once

#include <optional>
#include <string_view>

namespace kelvane {

struct GameView {
  std::string_view header;
  std::string_view moveText;

  // The value of the first tag line [Name "Value"] whose name is name, compared without
  // regard to ASCII case; the value as the line holds it between its quotes (an escaped
  // quote \" stays as written). Nothing when no tag line has that name, or the line has no
  // quoted value.
  std::optional<std::string_view> Tag(std::string_view name) const;
};

}  // namespace kelvane
