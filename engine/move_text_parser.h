// The move-text parser: one game's move-text block becomes its list of moves (one per ply,
// as written) and, on request, a normalised text of the moves separated by single blanks.
// Cleaning only overwrites with blanks, so every offset stays valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

class MoveValues;

// A fault in a game's move text; its message is the parser's ErrorText.
class MoveTextError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One ply as written in the move text: its first bytes and where it starts.
struct Move {
  static constexpr int kMaxText = 9;
  // Keeps at most the first 9 bytes of text.
  Move(int32_t offset, std::string_view text);
  // A word of n bytes with at least kMaxText bytes readable at text: the constructor
  // that builds every ply of every game copies whole words instead of byte by byte.
  struct ReadableWord {
    const char* text;
    size_t n;
  };
  Move(int32_t offset, ReadableWord word) : Offset(offset) {
    const size_t n = word.n < kMaxText ? word.n : kMaxText;
    uint64_t head;
    std::memcpy(&head, word.text, sizeof head);
    if (n < 8) head &= (uint64_t{1} << (8 * n)) - 1;  // the bytes past the word become NULs
    std::memcpy(MoveText, &head, sizeof head);
    MoveText[8] = n > 8 ? word.text[8] : '\0';
    TextLen = static_cast<int8_t>(n);
  }

  std::string_view Text() const { return {MoveText, static_cast<size_t>(TextLen)}; }

  int32_t Offset;  // 0-based offset of the move's first byte in the move text
  int8_t TextLen;  // bytes in MoveText, 0 to 9 (one byte: a long game holds millions)
  char MoveText[kMaxText];
};

// At least as many moves as a parse of text can find; a long text is counted in one pass.
size_t MovesAtMost(std::string_view text);

// One game's parse. The text is not copied beyond the one working copy, which becomes
// CleanText; the caller keeps text alive while the parser lives.
class MoveTextParser {
 public:
  // wantCleanText: also build CleanText, the moves joined by single blanks. wantMoves false:
  // leave Moves empty, for a caller that needs only the faults (and CleanText) of the text;
  // a text without a move is still a "null game". Takes the working copy and room for every
  // move here: Parse takes no memory for the text or the moves.
  explicit MoveTextParser(std::string_view text, bool wantCleanText = true, bool wantMoves = true);
  ~MoveTextParser();
  MoveTextParser(const MoveTextParser&) = delete;
  MoveTextParser& operator=(const MoveTextParser&) = delete;

  // Fills Moves (and CleanText when asked for); throws MoveTextError.
  void Parse();
  // Records the fault (position 1-based) and throws MoveTextError with message.
  [[noreturn]] void NotationError(int64_t position, const std::string& message);
  // Appends one Move per word of the cleaned working text w.
  void SplitMoves(std::string_view w);

 private:
  // The move-number, split and normalise steps in one pass over the comment-free working
  // copy; false (nothing done) for the texts those steps treat apart.
  bool SplitNumberedMoves();
  // The same for a parse that wants only Values (and the count): a loop of its own, which
  // keeps what it carries from word to word in registers.
  bool SplitMoveValues();
  // Sets CountedPlies to found, the moves of the cleaned working copy, when asked for.
  void SetCountedPlies(size_t found);

  std::string work_;  // the working copy, blanked in place; then CleanText

 public:
  bool WantCleanText;
  bool WantMoves;
  // Set before Parse: every move, whole, also goes to Values (for the duplicates key) in
  // the pass that finds it.
  MoveValues* Values = nullptr;
  // Set before Parse: count the moves, for CountedPlies.
  bool CountMoves = false;
  // After a parse without a fault that counted its moves: how many there are, as CountPlies
  // (header_criteria.h) counts them; -1 when not known, such as for a text that holds ";"
  // or "%" outside comments, which CountPlies reads as comments and the parser does not.
  int64_t CountedPlies = -1;
  std::string_view SourceText;
  std::string CleanText;
  std::string ErrorText;
  int32_t ErrorPos = 0;
  std::vector<Move> Moves;
};

// Blanks the game result at the very end of w: past trailing white bytes (blank, tab, CR,
// LF, NUL), a final "*" becomes a blank, and a final word whose last two bytes are "-" or
// "/" and then "0", "1" or "2" is blanked back to the white byte before it ("e4 1/2-1/2"
// becomes "e4" and blanks). Nothing else is a result: a result followed by a move stays, so
// does a lone digit ("e4 3"). The search and the blanking stop at the second byte, so the
// first two bytes stay ("1-0" becomes "1- ", "-1" and "*\r\n" stay), except that a w of one
// "*" becomes one blank.
void BlankResult(char* w, size_t len);
// Blanks comments, variations and "$" annotation codes and turns tabs and line breaks into
// blanks. Returns the final bracket depth; when a closing bracket takes the depth below
// zero it stops there and sets position to that bracket's 1-based position (otherwise
// position is len).
int64_t BlankComments(char* w, size_t len, size_t& position);
// Blanks periods and the move numbers that stand at the start or after a blank or period.
void BlankMoveNumbers(char* buf, size_t len);

}  // namespace kelvane
