#include "engine/material.h"

namespace kelvane {

namespace {

constexpr PieceType kOrder[] = {kKing, kQueen, kRook, kBishop, kKnight, kPawn};
constexpr std::string_view kLetters = " PNBRQK";

std::string ParseSide(std::string_view side, const char* name, uint8_t (&count)[kPieceTypes]) {
  while (!side.empty() && side.front() == ' ') side.remove_prefix(1);
  while (!side.empty() && side.back() == ' ') side.remove_suffix(1);
  if (side.empty()) return std::string(name) + " side is empty (write K for a lone king)";
  for (char c : side) {
    const size_t t = kLetters.find(c);
    if (c == ' ' || t == std::string_view::npos)
      return std::string("'") + c + "' is not one of the piece letters K Q R B N P";
    ++count[t];
  }
  if (count[kKing] > 1) return std::string(name) + " side has more than one king";
  if (count[kPawn] > 8) return std::string(name) + " side has more than 8 pawns";
  int pieces = 0;
  for (int t = kPawn; t <= kKing; ++t) pieces += count[t];
  if (pieces + 1 - count[kKing] > 16) return std::string(name) + " side has more than 16 pieces";
  count[kKing] = 1;
  return "";
}

}  // namespace

Material MaterialOf(const Board& board) {
  Material m;
  for (Color c : {kWhite, kBlack})
    for (int t = kPawn; t <= kKing; ++t)
      m.count[c][t] = static_cast<uint8_t>(Count(board.Pieces(c, PieceType(t))));
  return m;
}

std::string MaterialSignature(const Material& material) {
  std::string text;
  for (Color c : {kWhite, kBlack}) {
    if (c == kBlack) text += " v ";
    for (PieceType t : kOrder) text.append(material.count[c][t], kLetters[t]);
  }
  return text;
}

std::string ParseMaterialSignature(std::string_view text, Material& material) {
  const size_t v = text.find('v');
  if (v == std::string_view::npos) return "no 'v' between the two sides (as in \"KRP v KR\")";
  Material m;
  if (std::string error = ParseSide(text.substr(0, v), "white's", m.count[kWhite]); !error.empty())
    return error;
  if (std::string error = ParseSide(text.substr(v + 1), "black's", m.count[kBlack]); !error.empty())
    return error;
  material = m;
  return "";
}

}  // namespace kelvane
