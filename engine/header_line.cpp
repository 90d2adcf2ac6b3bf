#include "engine/header_line.h"

#include <algorithm>
#include <utility>

#include "text/char_class.h"
#include "text/folded_text.h"

namespace kelvane {

namespace {

using Op = HeaderLine::Op;
using Source = HeaderLine::Source;
using Kind = HeaderLine::Kind;

constexpr std::string_view kOperatorBytes = "=!~<>";

bool EndsWithIgnoringCase(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && SameIgnoringAsciiCase(s.substr(s.size() - end.size()), end);
}

// The byte a tag name cannot hold: it ends the name in a tag line, or no line has it.
bool NeverInTagName(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b <= ' ' || b == 127 || c == '"' || c == '[' || c == ']' || c == '\\';
}

struct NameRule {
  std::string_view name;
  Source source;
  Kind kind;
};

constexpr NameRule kDerived[] = {
    {"Player", Source::Player, Kind::Text},
    {"MinElo", Source::MinElo, Kind::Number},
    {"MaxElo", Source::MaxElo, Kind::Number},
    {"AvgElo", Source::AvgElo, Kind::Number},
    {"EloDiff", Source::EloDiff, Kind::Number},
    {"Year", Source::Year, Kind::Number},
    {"TimeClass", Source::TimeClass, Kind::Class},
    {"Plies", Source::Plies, Kind::Number},
    {"WhiteElo", Source::Tag, Kind::Number},
    {"BlackElo", Source::Tag, Kind::Number},
    {"ECO", Source::Tag, Kind::Eco},
};

void SetSource(std::string_view name, HeaderLine& line) {
  for (const NameRule& rule : kDerived) {
    if (SameIgnoringAsciiCase(name, rule.name)) {
      line.source = rule.source;
      line.kind = rule.kind;
      line.tag = rule.name;
      return;
    }
  }
  line.source = Source::Tag;
  // Date, UTCDate, EventDate and the like.
  line.kind = EndsWithIgnoringCase(name, "Date") ? Kind::Date : Kind::Text;
  line.tag = name;
}

// Reads the operator at the start of s into op and returns its length; 0 when s holds none.
size_t ReadOperator(std::string_view s, Op& op) {
  const char next = s.size() > 1 ? s[1] : '\0';
  switch (s[0]) {
    case '=':
      op = Op::Equal;
      return 1;
    case '~':
      op = Op::Contains;
      return 1;
    case '!':
      if (next != '=' && next != '~') return 0;
      op = next == '=' ? Op::NotEqual : Op::NotContains;
      return 2;
    case '<':
      op = next == '=' ? Op::AtMost : Op::Less;
      return next == '=' ? 2 : 1;
    default:  // '>'
      op = next == '=' ? Op::AtLeast : Op::More;
      return next == '=' ? 2 : 1;
  }
}

// The alternatives of a value: "a|b|c" for =, !=, ~ and !~; any other value whole.
bool SplitAlternatives(std::string_view value, Op op, std::vector<std::string_view>& parts) {
  if (op >= Op::Less) {
    parts.push_back(value);
    return true;
  }
  for (;;) {
    const size_t bar = value.find('|');
    const std::string_view part = TrimBlanks(value.substr(0, bar));
    if (part.empty()) return false;
    parts.push_back(part);
    if (bar == std::string_view::npos) return true;
    value.remove_prefix(bar + 1);
  }
}

std::optional<std::string> Fault(std::string_view name, const char* what) {
  return "the value of " + std::string(name) + " must be " + what;
}

}  // namespace

std::optional<std::string> ReadHeaderLine(std::string_view text, HeaderLine& line) {
  text = TrimBlanks(text);
  if (text.empty()) return std::nullopt;
  const size_t at = text.find_first_of(kOperatorBytes);
  if (at == std::string_view::npos) return "no operator (=, !=, ~, !~, <, <=, > or >=)";
  const std::string_view name = TrimBlanks(text.substr(0, at));
  if (name.empty()) return "no tag name in front of the operator";
  if (std::any_of(name.begin(), name.end(), NeverInTagName))
    return "a tag name holds no blank, quote, bracket or backslash";
  Op op = Op::Equal;
  const size_t opSize = ReadOperator(text.substr(at), op);
  if (opSize == 0) return "\"!\" must be followed by \"=\" or \"~\"";
  std::string_view value = TrimBlanks(text.substr(at + opSize));
  // A value typed in quotes, as the tag line holds it, is taken without them.
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = TrimBlanks(value.substr(1, value.size() - 2));
  if (value.empty()) return "no value after the operator";

  HeaderLine parsed;
  parsed.op = op;
  SetSource(name, parsed);
  std::vector<std::string_view> parts;
  if (!SplitAlternatives(value, op, parts)) return "an empty alternative next to \"|\"";
  if (parsed.ComparesText()) {
    if (parsed.kind == Kind::Number)
      return "~ and !~ compare text, and " + std::string(name) + " is a number";
    if (parsed.kind == Kind::Class)
      return "~ and !~ compare text: TimeClass takes =, !=, <, <=, > or >=";
    for (std::string_view part : parts) parsed.texts.push_back(Folded(part));
    if (op >= Op::Less) parsed.number = ReadNumber(value);
  } else {
    for (std::string_view part : parts) {
      std::optional<ValueSpan> span;
      switch (parsed.kind) {
        case Kind::Number:
          if (std::optional<double> v = ReadNumber(part)) span = Point(*v);
          if (!span) return Fault(name, "a number");
          break;
        case Kind::Date:
          span = ReadDate(part);
          if (!span) return Fault(name, "a date such as 2023.01.31, 2023.01 or 2023");
          break;
        case Kind::Eco:
          if (std::optional<int> code = ReadEco(part)) span = Point(*code);
          if (!span) return Fault(name, "a code from A00 to E99");
          break;
        case Kind::Class:
          if (std::optional<TimeClass> c = TimeClassNamed(part))
            span = Point(static_cast<double>(*c));
          if (!span)
            return Fault(name, "ultrabullet, bullet, blitz, rapid, classical or correspondence");
          break;
        case Kind::Text:
          break;
      }
      parsed.spans.push_back(*span);
    }
  }
  line = std::move(parsed);
  return std::nullopt;
}

}  // namespace kelvane
