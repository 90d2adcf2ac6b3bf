// One line of the criteria on tags (header_criteria.h) as it is read: where its value comes
// from, how it compares, and the alternatives it compares with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/tag_values.h"

namespace kelvane {

struct HeaderLine {
  enum class Op : uint8_t { Equal, NotEqual, Contains, NotContains, Less, AtMost, More, AtLeast };

  // Where the line takes its value from.
  enum class Source : uint8_t {
    Tag,
    Player,  // White or Black
    MinElo,
    MaxElo,
    AvgElo,
    EloDiff,
    Year,
    TimeClass,
    Plies,
    Refused,  // a line that failed the check: no game passes it
  };

  // How the value compares: as folded text, or as a span of values of its kind.
  enum class Kind : uint8_t { Text, Number, Date, Eco, Class };

  Source source = Source::Refused;
  Kind kind = Kind::Text;
  Op op = Op::Equal;
  std::string tag;                 // the tag's name, for Source::Tag
  std::vector<std::string> texts;  // the folded alternatives, for text comparisons
  std::vector<ValueSpan> spans;    // the alternatives of the other kinds
  // An ordered comparison on a text tag compares numbers when both sides are numbers.
  std::optional<double> number;

  bool ComparesText() const {
    return kind == Kind::Text || op == Op::Contains || op == Op::NotContains;
  }
};

inline ValueSpan Point(double v) {
  return ValueSpan{v, v};
}

// Reads text into line; nothing when it can be used, else what is wrong with it. An empty
// line leaves line refused, and is no fault.
std::optional<std::string> ReadHeaderLine(std::string_view text, HeaderLine& line);

}  // namespace kelvane
