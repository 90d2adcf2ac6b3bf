// The game reader: the next game's header block (tag lines) and move-text block, each line
// cleaned and followed by CR LF.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/text_files.h"

namespace kelvane {

// True for a line that is nothing but a result: "*", "1-0", "0-1" or "1/2-1/2".
bool IsBareResult(std::string_view line);

// Thrown by ReadHeader and ReadMoveText when the block would hold more than most bytes: the
// game is too large to be held. The caller, which knows the game's number, tells it with
// GameTooLargeMessage.
struct GameTooLarge {};
// "Game 7 is larger than 256 MB".
std::string GameTooLargeMessage(int64_t game, size_t most);
// A limit on a game's size as it is told: "256 MB" (MB of 10^6 bytes), or "1500 bytes".
std::string GameSizeText(size_t most);

// Reads the next header block into header (its old content replaced). A non-empty line
// that does not begin with "[" is shown as an invalid line (ShowInvalidLine) and traps
// ("trap 7365").
void ReadHeader(InputFile& file, bool& eof, std::string& header, ScanReporter& dialogs,
                size_t most = InputFile::kWholeLine);
// The same, and notes in lines (its old content replaced) where each tag line begins.
struct TagLines;
void ReadHeader(InputFile& file, bool& eof, std::string& header, TagLines& lines,
                ScanReporter& dialogs, size_t most = InputFile::kWholeLine);
// Reads the next move-text block into moveText. Messages go to dialogs. Lines before the move text
// has begun that are no recognised start are shown as odd lines and kept.
void ReadMoveText(InputFile& file, bool& eof, std::string& moveText, ScanReporter& dialogs,
                  size_t most = InputFile::kWholeLine);

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
  // A game that begins at line and grew past most bytes: it is read past and left out.
  virtual void GameSkipped(int64_t line, size_t most) = 0;
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
// - any other line in a header block is skipped;
// - a game whose header and move text grow past most bytes (a line longer than that
//   included) is read past, up to an empty line followed by a tag line, without being
//   held, and is told as skipped; the reading goes on with the next game.
// Lines are numbered from 1 as the file holds them.
class TolerantReader {
 public:
  TolerantReader(InputFile& file, ReadingNotes& notes, size_t most = InputFile::kWholeLine)
      : file_(file), notes_(notes), most_(most) {}
  TolerantReader(const TolerantReader&) = delete;
  TolerantReader& operator=(const TolerantReader&) = delete;

  // Reads the next game's header block and move-text block (old contents replaced), lines
  // cleaned and followed by CR LF. Sets eof when nothing follows the game. Returns false,
  // with eof set, when the rest of the file held skipped lines and no game.
  bool ReadGame(bool& eof, std::string& header, std::string& moveText);
  // The line number of the first line of the game last read: its first tag line, or its
  // first move-text line when it has no tags (for an empty game, the line after the last).
  int64_t GameLine() const { return gameLine_; }
  // True when the game last read was too large and skipped: its blocks are empty.
  bool Skipped() const { return skipped_; }

 private:
  // Appends the next line, cleaned, to text and sets n to its cleaned length; false at the
  // end of the file. A line read ahead comes first. Of a line longer than most_ bytes only
  // those are appended, and cut_ is set.
  bool NextLine(std::string& text, size_t& n);
  // Passes over the empty lines that follow at once, counting them.
  void SkipEmptyLines() { lines_ += static_cast<int64_t>(file_.SkipEmptyLines()); }
  // Reads past the rest of a game too large to hold and tells it (see the class).
  bool SkipGame(bool& eof, std::string& header, std::string& moveText);
  // Reads ahead to the next non-blank line and keeps it for NextLine; false at the end of
  // the file.
  bool ReadAhead();
  // Skips a comment that begins at line, which was appended to text at start; leaves in
  // text what follows the comment on its last line (the rest of the line to look at next).
  void SkipComment(std::string& text, size_t start);
  // Reads the move text; false when header and move text grew past most_ bytes.
  bool ReadMoves(bool& eof, std::string& moveText, bool begun, size_t headerSize);
  // ReadMoves, but damaged data met right after a move text that has ended with its result
  // leaves the game whole: it is given, and the next read meets the damage again.
  bool ReadWholeMoves(bool& eof, std::string& moveText, bool begun, size_t headerSize);
  void SetEof(bool& eof);

  InputFile& file_;
  ReadingNotes& notes_;
  size_t most_;
  bool cut_ = false;  // the line NextLine gave last was longer than most_
  bool aheadCut_ = false;
  bool skipped_ = false;
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

// Reads every game of the file at path tolerantly, telling nothing of what the reading
// skips, and hands each to take(header, moveText): for the tools and tests that look at the
// games of a file one by one.
void ForEachGame(const std::string& path,
                 const std::function<void(const std::string& header, const std::string& moveText)>&
                     take);

}  // namespace kelvane
