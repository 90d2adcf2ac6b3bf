// The game reader: the next game's header block (tag lines) and move-text block, each line
// cleaned and followed by CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/text_files.h"

namespace kelvane {

// Reads the next header block into header (its old content replaced). A non-empty line
// that does not begin with "[" is shown as "invalid PGN: " + line + advice and traps
// ("trap 7365").
void ReadHeader(InputFile& file, bool& eof, std::string& header, Dialogs& dialogs,
                std::string_view advice = {});
// Reads the next move-text block into moveText. Messages go to dialogs. Lines before the move text
// has begun that are no recognised start are shown as odd lines and kept.
void ReadMoveText(InputFile& file, bool& eof, std::string& moveText, Dialogs& dialogs);

// Told by tolerant reading about the lines it does not read as part of a game.
class ReadingNotes {
 public:
  virtual ~ReadingNotes() = default;
  // A line that is left out: text in a header block that is neither a tag nor the start of
  // a move text, or a line of a comment in front of a game's tags.
  virtual void LineSkipped(int64_t line, std::string_view text) = 0;
  // A line in front of a move text that does not begin one; it is kept, as ReadMoveText
  // keeps it.
  virtual void OddLine(int64_t line, std::string_view text) = 0;
};

// Tolerant reading: games the reading above stops on or runs together are read one by one,
// and what is not part of a game is skipped and told. A file that ReadHeader and
// ReadMoveText read to its end without an odd line gives the same blocks.
//
// Beyond that reading:
// - an empty line ends a move text only when the text so far ends with a result outside
//   comments and variations, or when the next non-empty line begins with "[";
// - a line that begins a move text (a move number such as "1.", "18." or "18...", a bare
//   result, or "{" once a tag line was read) ends the header block and begins the move text;
// - a brace comment in front of a game's first tag line is skipped whole;
// - a UTF-8 byte-order mark at the start of the file is passed over;
// - any other line in a header block is skipped.
// Lines are numbered from 1 as the file holds them.
class TolerantReader {
 public:
  TolerantReader(InputFile& file, ReadingNotes& notes) : file_(file), notes_(notes) {}
  TolerantReader(const TolerantReader&) = delete;
  TolerantReader& operator=(const TolerantReader&) = delete;

  // Reads the next game's header block and move-text block (old contents replaced), lines
  // cleaned and followed by CR LF. Sets eof when nothing follows the game. Returns false,
  // with eof set, when the rest of the file held skipped lines and no game.
  bool ReadGame(bool& eof, std::string& header, std::string& moveText);
  // The line number of the first line of the game last read: its first tag line, or its
  // first move-text line when it has no tags (for an empty game, the line after the last).
  int64_t GameLine() const { return gameLine_; }

 private:
  // Appends the next line, cleaned, to text and sets n to its cleaned length; false at the
  // end of the file. A line read ahead comes first.
  bool NextLine(std::string& text, size_t& n);
  // Reads ahead to the next non-blank line and keeps it for NextLine; false at the end of
  // the file.
  bool ReadAhead();
  // Skips a comment that begins at line, which was appended to text at start; leaves in
  // text what follows the comment on its last line (the rest of the line to look at next).
  void SkipComment(std::string& text, size_t start);
  bool ReadMoves(bool& eof, std::string& moveText, bool begun);
  // ReadMoves, but damaged data met right after a move text that has ended with its result
  // leaves the game whole: it is given, and the next read meets the damage again.
  bool ReadWholeMoves(bool& eof, std::string& moveText, bool begun);
  void SetEof(bool& eof);

  InputFile& file_;
  ReadingNotes& notes_;
  int64_t lines_ = 0;   // lines read from the file
  int64_t lineNo_ = 0;  // number of the line NextLine gave last
  int64_t gameLine_ = 0;
  std::string ahead_;  // a line read ahead, cleaned
  int64_t aheadNo_ = 0;
  bool hasAhead_ = false;
  // Reading ahead met the end of the file after blank lines: the next game is the empty
  // one that ReadHeader gives for blank lines at the end of a file.
  bool blankTail_ = false;
  int64_t blankTailNo_ = 0;
};

}  // namespace kelvane
