// The game reader: the next game's header block (tag lines) and move-text block, each line
// cleaned and followed by CR LF.
#pragma once

#include <string>

#include "platform/dialogs.h"
#include "platform/text_files.h"

namespace kelvane {

// Reads the next header block into header (its old content replaced). A non-empty line
// that does not begin with "[" is shown as "invalid PGN: " + line and traps ("trap 7365").
void ReadHeader(InputFile& file, bool& eof, std::string& header, Dialogs& dialogs);
// Reads the next move-text block into moveText. Messages go to dialogs. Lines before the move text has begun that
// are no recognised start are shown as odd lines and kept.
void ReadMoveText(InputFile& file, bool& eof, std::string& moveText, Dialogs& dialogs);

}  // namespace kelvane
