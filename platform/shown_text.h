// Texts from files as the user is shown them. A game file can hold any byte, and its lines
// are quoted in messages: shown raw, a control character would act on the terminal
// (retitle, recolour or clear it) or garble a message box. Tab and the line breaks of a
// message (CR, LF) are no such characters.
#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// The console's form: every byte of a control character written as \xHH ("\x1B"), and so
// is the byte-order mark U+FEFF, which shows as nothing ("\xEF\xBB\xBF").
std::string EscapeControls(std::string_view text);
// The window's form: every control character replaced by U+FFFD, in UTF-8.
std::string ReplaceControls(std::string_view text);
// A name in a line of a report: its CR and LF written as \x0D and \x0A, so that it does not
// split the line.
std::string EscapeLineBreaks(std::string_view name);

// The form of a line of a game file quoted in a console message: a line longer than
// kQuotedBytes is cut there (at the start of a character) and followed by
// "... (N more bytes)", N the bytes left out.
inline constexpr size_t kQuotedBytes = 200;
std::string CutQuotedLine(std::string_view line);

// A name of more than most bytes cut in its middle to most bytes, "..." in place of what
// goes (at the starts of characters), so that its start and its end stay.
std::string CutInMiddle(std::string_view name, size_t most);

}  // namespace kelvane
