// The move-text parser on any text: the one-pass split must give exactly what the separate
// steps give, every move must point at its own bytes, and the move list reserved before the
// parse must be enough. CountPlies counts the moves of every text the parser accepts that
// holds no ";" or "%", which it reads as comments and the parser does not; the parser's own
// count, when it gives one, is CountPlies's, and a parse that takes only the key values finds
// the same fault and the same count.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/header_criteria.h"
#include "engine/move_hash.h"
#include "engine/move_text_parser.h"
#include "text/clean_line.h"

using namespace kelvane;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// The steps one by one, as they are defined; the error text, or empty.
std::string LiteralParse(const std::string& text, MoveTextParser& literal, std::string& clean) {
  std::string w = text;
  BlankResult(w.data(), w.size());
  size_t position = 0;
  const int64_t depth = BlankComments(w.data(), w.size(), position);
  if (depth < 0) return "extra )/} found";
  if (depth > 0) return "game ended in comment";
  BlankMoveNumbers(w.data(), w.size());
  try {
    literal.SplitMoves(w);
  } catch (const MoveTextError& e) {
    return e.what();
  }
  clean = w;
  CleanLine(clean);
  return "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  MoveTextParser fused(text);
  const size_t room = fused.Moves.capacity();
  Check(room >= MovesAtMost(text));
  std::string fusedError;
  try {
    fused.Parse();
  } catch (const MoveTextError& e) {
    fusedError = e.what();
    Check(fused.ErrorText == fusedError);
    Check(fused.Moves.empty() && fused.CleanText.empty());
  }
  Check(fused.Moves.capacity() == room);  // the parse took no memory of its own
  Check(fused.SourceText == text);

  MoveValues values;
  MoveTextParser keyed(text, false, false);
  keyed.Values = &values;
  keyed.CountMoves = true;
  std::string keyedError;
  try {
    keyed.Parse();
  } catch (const MoveTextError& e) {
    keyedError = e.what();
  }
  Check(keyedError == fusedError);
  if (keyedError.empty()) Check(values.Plies() <= fused.Moves.size());
  if (keyed.CountedPlies >= 0) Check(keyed.CountedPlies == CountPlies(text));

  MoveTextParser literal("");
  std::string clean;
  const std::string literalError = LiteralParse(text, literal, clean);
  Check(fusedError == literalError);
  if (!fusedError.empty()) return 0;
  Check(fused.CleanText == clean);
  Check(fused.Moves.size() == literal.Moves.size());
  if (text.find_first_of(";%") == std::string::npos)
    Check(CountPlies(text) == static_cast<int64_t>(fused.Moves.size()));
  for (size_t i = 0; i < fused.Moves.size(); ++i) {
    const Move& a = fused.Moves[i];
    const Move& b = literal.Moves[i];
    Check(a.Offset == b.Offset && a.TextLen == b.TextLen);
    Check(std::memcmp(a.MoveText, b.MoveText, Move::kMaxText) == 0);
    Check(a.TextLen >= 1 && a.TextLen <= Move::kMaxText);
    Check(text.compare(static_cast<size_t>(a.Offset), a.Text().size(), a.Text()) == 0);
  }
  return 0;
}
