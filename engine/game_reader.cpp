#include "engine/game_reader.h"

#include <cstring>
#include <string_view>

#include "engine/game_view.h"
#include "platform/dialogs.h"
#include "platform/fault.h"
#include "text/char_class.h"
#include "text/clean_line.h"

namespace kelvane {

bool IsBareResult(std::string_view line) {
  return line == "*" || line == "1-0" || line == "0-1" || line == "1/2-1/2";
}

namespace {

enum class Block { Header, MoveText };

bool EndsAfterLine(InputFile& file, Block kind, std::string_view text, size_t n, bool seen,
                   bool& done);

// Both blocks share one loop: lines are read and cleaned in place at the end of the block
// text, empty lines are skipped until the block has begun and end it afterwards, and every
// kept line is followed by CR LF.
// A block that would hold more than most bytes throws GameTooLarge, before a line longer
// than what is left of most is held whole. kNoteTags: a header's tag lines are noted in
// lines (a reading that needs no notes pays nothing for them).
template <bool kNoteTags = false>
void ReadBlock(InputFile& file, bool& eof, std::string& text, Block kind, ScanReporter& dialogs,
               size_t most, TagLines* lines = nullptr) {
  text.clear();
  if constexpr (kNoteTags) lines->Clear();
  bool seen = false;
  bool done = false;
  while (!done && !file.AtEnd()) {
    // Empty lines in front of the block are passed over at once: a long run of them costs
    // what reading it costs.
    if (!seen && file.SkipEmptyLines() > 0 && file.AtEnd()) {
      eof = true;
      break;
    }
    size_t start = text.size();
    if (!file.ReadLineAppend(text, most - start)) throw GameTooLarge();
    size_t n = CleanSpan(text.data() + start, text.size() - start);
    text.resize(start + n);
    if (EndsAfterLine(file, kind, text, n, seen, done)) eof = true;
    if (n == 0) {
      if (seen) done = true;
      continue;
    }
    std::string_view line(text.data() + start, n);
    if (kind == Block::Header) {
      if (line[0] != '[') {
        dialogs.ShowInvalidLine(line);
        ReportScanFault(kInvalidHeaderTrap);
      }
      if constexpr (kNoteTags) lines->Note(start);
      seen = true;
    } else if (n >= 2 && line[0] == '1' && line[1] == '.') {
      seen = true;
    } else if (!seen) {
      if (line[0] == '{' || IsBareResult(line))
        seen = true;
      else
        dialogs.ShowQuotedNotice("odd line: \"", line, "\"");
    }
    text.append("\r\n");
    if (text.size() > most) throw GameTooLarge();
  }
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A move number in front of a move: digits and a ".", as in "1.e4", "18. Nf3" or "18...Qe1".
bool BeginsWithMoveNumber(std::string_view line) {
  size_t digits = 0;
  while (digits < line.size() && IsDigit(line[digits])) ++digits;
  return digits > 0 && digits < line.size() && line[digits] == '.';
}

bool BeginsMoveText(std::string_view line) {
  return BeginsWithMoveNumber(line) || IsBareResult(line);
}

// Follows a move text as it grows and tells whether it ends with a result that stands
// outside comments and variations. Each look reads only what was appended since the last.
class ResultWatch {
 public:
  bool EndsWithResult(std::string_view text) {
    const std::string_view added = text.substr(pos_);
    pos_ = text.size();
    // Most move texts hold no comment, variation or ";": then only their last word counts,
    // and three fast searches tell so.
    if (!inComment_ && depth_ == 0 && !Holds(added, '{') && !Holds(added, '(') &&
        !Holds(added, ';')) {
      size_t end = added.find_last_not_of(" \r\n");
      if (end != std::string_view::npos) {
        size_t start = end;
        while (start > 0 && !IsDelimiter(added[start - 1])) --start;
        lastIsResult_ = IsBareResult(added.substr(start, end + 1 - start));
      }
      return lastIsResult_;
    }
    Follow(added);
    return lastIsResult_ && !inComment_ && depth_ == 0;
  }

 private:
  static bool Holds(std::string_view text, char c) {
    return std::memchr(text.data(), c, text.size()) != nullptr;
  }
  static bool IsDelimiter(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '{' || c == '}' || c == '(' || c == ')' ||
           c == ';';
  }

  // Reads text word by word, through comments and variations.
  void Follow(std::string_view text) {
    size_t i = 0;
    const size_t end = text.size();
    while (i < end) {
      if (inComment_) {
        size_t close = text.find('}', i);
        if (close == std::string_view::npos) return;
        inComment_ = false;
        i = close + 1;
        continue;
      }
      const char c = text[i];
      if (c == '{') {
        inComment_ = true;
        ++i;
      } else if (c == ';') {  // a comment to the end of its line
        size_t lineEnd = text.find('\n', i);
        i = lineEnd == std::string_view::npos ? end : lineEnd + 1;
      } else if (c == '(') {
        ++depth_;
        ++i;
      } else if (c == ')') {
        if (depth_ > 0) --depth_;
        ++i;
      } else if (c == ' ' || c == '\r' || c == '\n' || c == '}') {  // a stray "}" is no word
        ++i;
      } else {
        size_t j = i;
        while (j < end && !IsDelimiter(text[j])) ++j;
        if (depth_ == 0) lastIsResult_ = IsBareResult(text.substr(i, j - i));
        i = j;
      }
    }
  }

  size_t pos_ = 0;
  bool inComment_ = false;
  int64_t depth_ = 0;  // open variations
  bool lastIsResult_ = false;
};

// Whether the file ends after the line just read (n: its cleaned length, text: the block so
// far). Damaged data right after a move text that has ended (at an empty line, or with its
// result) ends the block (done) and is left for the next read to meet, so that the game is
// still given whole.
bool EndsAfterLine(InputFile& file, Block kind, std::string_view text, size_t n, bool seen,
                   bool& done) {
  try {
    return file.AtEnd();
  } catch (const FatalError&) {
    if (kind != Block::MoveText || !(n == 0 ? seen : ResultWatch().EndsWithResult(text))) throw;
    done = true;
    return false;
  }
}

}  // namespace

std::string GameSizeText(size_t most) {
  constexpr size_t kMB = 1000000;
  return most % kMB == 0 ? std::to_string(most / kMB) + " MB" : std::to_string(most) + " bytes";
}

std::string GameTooLargeMessage(int64_t game, size_t most) {
  return "Game " + std::to_string(game) + " is larger than " + GameSizeText(most);
}

void ReadHeader(InputFile& file, bool& eof, std::string& header, ScanReporter& dialogs,
                size_t most) {
  ReadBlock(file, eof, header, Block::Header, dialogs, most);
}

void ReadHeader(InputFile& file, bool& eof, std::string& header, TagLines& lines,
                ScanReporter& dialogs, size_t most) {
  ReadBlock<true>(file, eof, header, Block::Header, dialogs, most, &lines);
}

void ReadMoveText(InputFile& file, bool& eof, std::string& moveText, ScanReporter& dialogs,
                  size_t most) {
  ReadBlock(file, eof, moveText, Block::MoveText, dialogs, most);
}

// ---- Tolerant reading -----------------------------------------------------------------

// Called for every line of the file: inlined, as the usual reading's loop is.
[[gnu::always_inline]] inline bool TolerantReader::NextLine(std::string& text, size_t& n) {
  if (hasAhead_) {
    hasAhead_ = false;
    text.append(ahead_);
    n = ahead_.size();
    lineNo_ = aheadNo_;
    cut_ = aheadCut_;
    return true;
  }
  if (file_.AtEnd()) return false;
  size_t start = text.size();
  cut_ = !file_.ReadLineAppend(text, most_);
  if (cut_) file_.SkipLine();
  lineNo_ = ++lines_;
  if (lines_ == 1 && std::string_view(text).substr(start).starts_with(kByteOrderMark))
    text.erase(start, kByteOrderMark.size());
  n = CleanSpan(text.data() + start, text.size() - start);
  text.resize(start + n);
  return true;
}

bool TolerantReader::ReadAhead() {
  bool blanks = false;
  while (!file_.AtEnd()) {
    ahead_.clear();
    size_t n = 0;
    NextLine(ahead_, n);
    if (n > 0) {
      hasAhead_ = true;
      aheadNo_ = lineNo_;
      aheadCut_ = cut_;
      return true;
    }
    if (!blanks) blankTailNo_ = lineNo_;
    blanks = true;
    SkipEmptyLines();
  }
  blankTail_ = blanks;
  return false;
}

void TolerantReader::SetEof(bool& eof) {
  if (!hasAhead_ && !blankTail_ && file_.AtEnd()) eof = true;
}

void TolerantReader::SkipComment(std::string& text, size_t start) {
  for (;;) {
    std::string_view line(text.data() + start, text.size() - start);
    size_t close = line.find('}');
    if (close != std::string_view::npos) {
      notes_.LineSkipped(lineNo_, line.substr(0, close + 1));
      text.erase(start, close + 1);
      text.resize(start + CleanSpan(text.data() + start, text.size() - start));
      return;
    }
    if (!line.empty()) notes_.LineSkipped(lineNo_, line);
    text.resize(start);
    size_t n = 0;
    if (!NextLine(text, n)) return;  // the file ends inside the comment
  }
}

bool TolerantReader::ReadGame(bool& eof, std::string& header, std::string& moveText) {
  header.clear();
  moveText.clear();
  gameLine_ = 0;
  skipped_ = false;
  if (blankTail_) {
    blankTail_ = false;
    gameLine_ = blankTailNo_;
    eof = true;
    return true;
  }
  int64_t firstLine = 0;  // of an empty game
  bool tags = false;
  bool skipped = false;
  bool again = false;  // what follows a skipped comment on its line is looked at as a line
  size_t start = 0;
  size_t n = 0;
  for (;;) {
    if (again) {
      again = false;
      n = header.size() - start;
    } else {
      start = header.size();
      if (!NextLine(header, n)) {
        eof = true;
        if (gameLine_ == 0) gameLine_ = firstLine;
        return tags || !skipped;
      }
      if (firstLine == 0) firstLine = lineNo_;
    }
    if (n == 0) {
      if (!tags) {
        SkipEmptyLines();
        continue;
      }
      // The empty line ends the header block.
      return ReadWholeMoves(eof, moveText, false, header.size()) ||
             SkipGame(eof, header, moveText);
    }
    const std::string_view line(header.data() + start, n);
    if (line[0] == '[') {
      if (!tags) gameLine_ = lineNo_;
      tags = true;
      header.append("\r\n");
      if (cut_ || header.size() > most_) return SkipGame(eof, header, moveText);
      continue;
    }
    if (BeginsMoveText(line) || (tags && line[0] == '{')) {
      if (!tags) gameLine_ = lineNo_;
      if (cut_ || start + n + 2 > most_) return SkipGame(eof, header, moveText);
      moveText.assign(line);
      moveText.append("\r\n");
      header.resize(start);
      return ReadWholeMoves(eof, moveText, true, header.size()) ||
             SkipGame(eof, header, moveText);
    }
    skipped = true;
    if (!tags && line[0] == '{') {
      SkipComment(header, start);
      again = header.size() > start;
    } else {
      notes_.LineSkipped(lineNo_, line);
      header.resize(start);
    }
  }
}

bool TolerantReader::ReadWholeMoves(bool& eof, std::string& moveText, bool begun,
                                    size_t headerSize) {
  try {
    return ReadMoves(eof, moveText, begun, headerSize);
  } catch (const FatalError&) {
    // Every whole line of the move text ends with CR LF; a line cut by the damage does not.
    if (!moveText.ends_with("\r\n") || !ResultWatch().EndsWithResult(moveText)) throw;
    return true;
  }
}

bool TolerantReader::ReadMoves(bool& eof, std::string& moveText, bool begun, size_t headerSize) {
  ResultWatch watch;
  for (;;) {
    const size_t start = moveText.size();
    size_t n = 0;
    if (!NextLine(moveText, n)) break;
    if (cut_ || headerSize + moveText.size() + (n > 0 ? 2 : 0) > most_) return false;
    if (n == 0) {
      if (!begun) {
        SkipEmptyLines();
        continue;
      }
      // The game ends before a tag line or the end of the file, and after a result (looked
      // for only when it decides: most games are followed by the next one's tags).
      if (!ReadAhead() || ahead_[0] == '[' || watch.EndsWithResult(moveText)) break;
      continue;
    }
    if (!begun) {
      const std::string_view line(moveText.data() + start, n);
      if (BeginsMoveText(line) || line[0] == '{')
        begun = true;
      else
        notes_.OddLine(lineNo_, line);
    }
    moveText.append("\r\n");
  }
  SetEof(eof);
  return true;
}

bool TolerantReader::SkipGame(bool& eof, std::string& header, std::string& moveText) {
  notes_.GameSkipped(gameLine_, most_);
  skipped_ = true;
  // What was held of the game is given back.
  std::string().swap(header);
  std::string().swap(moveText);
  std::string line;
  size_t n = 0;
  while (NextLine(line, n)) {
    line.clear();
    if (n > 0) continue;
    // After an empty line, a tag line begins the next game.
    if (!ReadAhead() || ahead_[0] == '[') break;
    hasAhead_ = false;
  }
  SetEof(eof);
  return true;
}

namespace {
// The notes of a reading nobody is told about.
struct QuietNotes : ReadingNotes {
  void LineSkipped(int64_t, std::string_view) override {}
  void OddLine(int64_t, std::string_view) override {}
  void GameSkipped(int64_t, size_t) override {}
};
}  // namespace

void ForEachGame(const std::string& path,
                 const std::function<void(const std::string& header, const std::string& moveText)>&
                     take) {
  InputFile file;
  file.Open(path);
  QuietNotes notes;
  TolerantReader reader(file, notes);
  bool eof = false;
  std::string header, moveText;
  while (!eof && reader.ReadGame(eof, header, moveText)) take(header, moveText);
}

}  // namespace kelvane
