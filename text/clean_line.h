// Line clean-up applied to every line read from a game file and to every typed criterion,
// and the removal of a file name's extension.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/bounded_text.h"

namespace kelvane {

// In place: tabs become blanks, runs of blanks one blank, no blank at either end. Other
// control bytes stay. A clean line costs one pass and no copy.
void CleanLine(std::string& s);
void CleanLine(BoundedText& text);
// The same on n bytes at p; returns the cleaned length (the bytes move forward in place).
size_t CleanSpan(char* p, size_t n);
// The name without its extension: it is cut at its last "." ("a.b.c" gives "a.b", "a."
// gives "a", "." gives ""). A "." that is the first byte of a longer name is no extension's
// start (".ini" stays ".ini"). A "/" does not stop the search ("dir.d/file" gives "dir"), so
// the name must be a file name, not a path.
std::string StripExtension(std::string_view name);

}  // namespace kelvane
