// The board on any text: the first line is read as a FEN (as Chess960 when it begins with
// "*"), the words of the rest as moves in SAN. A FEN read is written back and read again to the same position; every move read is
// legal, its standard SAN reads back as the same move, and playing it keeps the key equal to
// that of the position set up afresh from its FEN.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/fen.h"
#include "engine/move_generation.h"
#include "engine/san.h"

using namespace kelvane;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// The position read again from its own FEN: the same position and key.
void CheckFenRoundTrip(const Board& board) {
  Board again;
  Check(ReadFen(WriteFen(board), again, board.IsChess960()).empty());
  Check(again.SamePosition(board) && again.Key() == board.Key());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const size_t eol = std::min(text.find('\n'), text.size());
  const bool chess960 = !text.empty() && text[0] == '*';
  Board board;
  if (!ReadFen(text.substr(chess960, eol - chess960), board, chess960).empty())
    board = Board::Start();
  CheckFenRoundTrip(board);
  std::string_view rest = text.substr(std::min(eol + 1, text.size()));
  for (int plies = 0; !rest.empty() && plies < 200;) {
    const size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    const SanRead read = ReadSan(board, word);
    if (read.status != SanRead::kOk) continue;
    MoveList legal;
    GenerateLegal(board, legal);
    bool found = false;
    for (ChessMove m : legal) found |= m == read.move;
    Check(found);
    const SanRead again = ReadSan(board, WriteSan(board, read.move));
    Check(again.status == SanRead::kOk && again.move == read.move);
    board.Play(read.move);
    CheckFenRoundTrip(board);
    ++plies;
  }
  return 0;
}
