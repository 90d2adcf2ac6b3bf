// The quick test on raw bytes: most games of a large file fail the game matcher's quick
// whole-word test, and reading them line by line (finding each line end, copying and
// cleaning every line) costs far more than deciding them. A game whose bytes follow the
// plain layout below is decided on its bytes as the file holds them; when the raw test
// rejects it, the matcher's quick test would reject it too, so the game is passed over
// without reading a line. Every other game is read line by line as before.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_files.h"

namespace kelvane {

// Where the parts of a plain game lie, as offsets from its first byte.
struct PlainGame {
  size_t moveText = 0;  // the first byte of the move text
  size_t moveEnd = 0;   // just past the line end of the last move-text line
  size_t end = 0;       // just past the empty line that ends the game
};

// True when the n bytes at data begin with a plain game, whose reading needs none of the
// finer line rules: tag lines that each begin with "[", one empty line, move-text lines of
// which the first begins with "1." and none begins with a blank or a tab, and one empty
// line; every line ends in LF or CR LF, and no byte is a NUL. The game and the line end of
// its last empty line must lie wholly inside the n bytes.
// width: the bytes looked at at once (32, 16 or 1; 0 for the widest the processor has),
// for the tests, which hold each against the others.
bool MeasurePlainGame(const char* data, size_t n, PlainGame& game, size_t width = 0);
// MeasurePlainGame on bytes that begin with a move text: its first line begins with "1.";
// game.moveText is 0.
bool MeasurePlainMoveText(const char* data, size_t n, PlainGame& game, size_t width = 0);
// True when MeasurePlainGame can look at width bytes at once on this processor.
bool BlockWidthAvailable(size_t width);

class GameMatcher;
class HeaderCriteria;

// A necessary condition of the matcher's decision on a game's raw move-text lines.
//
// The words of the quick test are looked for as the matcher does, with the word bounds
// widened to what the cleaning of the lines turns into the matcher's bounds: a tab counts
// as a blank, and a line end of any kind as the line break before or after a word.
//
// Must contain in Notation form must stand in the game's first moves (the matcher's
// NotationMoves), unless the parser finds the move text faulty, which passes the game. In a
// move text without brackets, which the parser cannot find out of balance, the part in
// front of any annotation code or NUL splits into moves as the parser splits the whole text
// (its own routines blank the move numbers); when that part holds two moves or more, so
// that the game is no null game, and holds those first moves or is the whole text, the
// sequence must occur in them.
class RawQuickTest {
 public:
  // The test of the matcher's criteria.
  explicit RawQuickTest(const GameMatcher& matcher);
  // words: the quick test's words; notationSequence: the Notation sequence, which must stand
  // in the first notationMoves moves.
  explicit RawQuickTest(const std::vector<std::string_view>& words,
                        std::string_view notationSequence = {}, int64_t notationMoves = 0);

  // False when the test cannot help: there is no word, or a word holds a blank or another
  // byte below 33, whose raw occurrences the cleaning could change.
  bool Usable() const { return usable_; }
  // False when the game cannot pass: some word has no whole occurrence in the raw move text,
  // or the Notation sequence does not stand in its first moves. True says nothing.
  bool MayPass(std::string_view moveText);

 private:
  bool SequenceMayStand(std::string_view moveText);
  enum class Found { Stands, Absent, Unsure, CutShort };
  // Whether the sequence stands in the first moves of the first part bytes of the text;
  // CutShort when they may run past the part.
  Found FirstMoves(std::string_view moveText, size_t part);

  std::vector<std::string> words_;  // the word that last rejected a game comes first
  bool usable_ = false;
  std::string sequence_;
  int64_t sequenceMoves_ = 0;
  std::string work_;    // the first part of a move text as the parser blanks it
  std::string joined_;  // its first moves joined by blanks
};

// Passes over the game at the reading position of file when it is plain and the raw test
// rejects it, and sets eof as reading its lines would have set it. False (nothing moved) for
// every other game, which is then read line by line; so is a game that reading its lines
// might find larger than most bytes (ReadHeader).
bool SkipRejectedGame(InputFile& file, RawQuickTest& test, bool& eof,
                      size_t most = InputFile::kWholeLine);
// Passes over the move text at the reading position, up to and with the empty line that
// ends it, as ReadMoveText would read it (eof included), when it is plain as
// MeasurePlainMoveText says and ReadMoveText could not find it larger than most bytes: a
// game rejected by its tags needs no copy of its moves. False (nothing moved) otherwise.
bool SkipPlainMoveText(InputFile& file, bool& eof, size_t most = InputFile::kWholeLine);
// Passes over the plain game at the reading position, as SkipRejectedGame does, when its
// raw tag lines fail the criteria on tags; false (nothing moved) when the game is not plain
// or its tags pass. Reading every tag line costs more than deciding the tags on the bytes.
bool SkipGameRejectedByTags(InputFile& file, const HeaderCriteria& tags, bool& eof,
                            size_t most = InputFile::kWholeLine);

}  // namespace kelvane
