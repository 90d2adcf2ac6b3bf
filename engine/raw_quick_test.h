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
bool MeasurePlainGame(const char* data, size_t n, PlainGame& game);

// A necessary condition of the quick whole-word test on a game's raw move-text lines. The
// test looks for each word as the matcher does, with the word bounds widened to what the
// cleaning of the lines turns into the matcher's bounds: a tab counts as a blank, and a
// line end of any kind as the line break before or after a word.
class RawQuickTest {
 public:
  explicit RawQuickTest(const std::vector<std::string_view>& words);

  // False when the test cannot help: there is no word, or a word holds a blank or another
  // byte below 33, whose raw occurrences the cleaning could change.
  bool Usable() const { return usable_; }
  // False when some word has no whole occurrence in the raw move text: the game then fails
  // the matcher's quick test. True says nothing.
  bool MayPass(std::string_view moveText);

 private:
  std::vector<std::string> words_;  // the word that last rejected a game comes first
  bool usable_ = false;
};

// Passes over the game at the reading position of file when it is plain and the raw test
// rejects it, and sets eof as reading its lines would have set it. False (nothing moved) for
// every other game, which is then read line by line.
bool SkipRejectedGame(InputFile& file, RawQuickTest& test, bool& eof);

}  // namespace kelvane
