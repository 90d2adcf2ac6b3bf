// The material of a position as a signature such as "KRP v KR": white's pieces, " v ",
// black's, each in the order K Q R B N P with one letter per piece.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/board.h"

namespace kelvane {

struct Material {
  uint8_t count[2][kPieceTypes] = {};  // [colour][piece type]
  bool operator==(const Material&) const = default;
};

Material MaterialOf(const Board& board);
std::string MaterialSignature(const Material& material);
// Reads a signature a user wrote: two sides split by "v" (blanks around it optional), each
// side upper-case letters of K Q R B N P in any order; a side's king may be left out.
// Returns "" or why the signature is refused.
std::string ParseMaterialSignature(std::string_view text, Material& material);

}  // namespace kelvane
