// The pieces of a JSON text (RFC 8259) that the program writes: strings and numbers.
#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// Appends text, which is UTF-8, as a JSON string: in quotes, with '"' and '\' escaped and
// every control character (below U+0020) written as an escape.
void AppendJsonString(std::string& out, std::string_view text);

// Appends a number with decimals digits after the point ("59.1"), whatever the locale.
void AppendJsonNumber(std::string& out, double value, int decimals);

}  // namespace kelvane
