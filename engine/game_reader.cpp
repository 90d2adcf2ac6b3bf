#include "engine/game_reader.h"

#include <string_view>

#include "platform/dialogs.h"
#include "platform/fault.h"
#include "text/clean_line.h"

namespace kelvane {

namespace {

enum class Block { Header, MoveText };

bool IsBareResult(std::string_view line) {
  return line == "*" || line == "1-0" || line == "0-1" || line == "1/2-1/2";
}

// Both blocks share one loop: lines are read and cleaned in place at the end of the block
// text, empty lines are skipped until the block has begun and end it afterwards, and every
// kept line is followed by CR LF.
void ReadBlock(InputFile& file, bool& eof, std::string& text, Block kind, Dialogs& dialogs) {
  text.clear();
  bool seen = false;
  bool done = false;
  while (!done && !file.AtEnd()) {
    size_t start = text.size();
    file.ReadLineAppend(text);
    if (file.AtEnd()) eof = true;
    size_t n = CleanSpan(text.data() + start, text.size() - start);
    text.resize(start + n);
    if (n == 0) {
      if (seen) done = true;
      continue;
    }
    std::string_view line(text.data() + start, n);
    if (kind == Block::Header) {
      if (line[0] != '[') {
        dialogs.ShowQuotedMessage("invalid PGN: ", line, "");
        ReportTrap("trap 7365");
      }
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
  }
}

}  // namespace

void ReadHeader(InputFile& file, bool& eof, std::string& header, Dialogs& dialogs) {
  ReadBlock(file, eof, header, Block::Header, dialogs);
}

void ReadMoveText(InputFile& file, bool& eof, std::string& moveText, Dialogs& dialogs) {
  ReadBlock(file, eof, moveText, Block::MoveText, dialogs);
}

}  // namespace kelvane
