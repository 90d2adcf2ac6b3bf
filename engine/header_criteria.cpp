#include "engine/header_criteria.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <utility>

#include "engine/tag_values.h"
#include "text/char_class.h"
#include "text/folded_text.h"

namespace kelvane {

namespace {

enum class Op : uint8_t { Equal, NotEqual, Contains, NotContains, Less, AtMost, More, AtLeast };

// Where a line takes its value from.
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
  Refused,  // a line that failed Check: no game passes it
};

// How the value compares: as folded text, or as a span of values of its kind.
enum class Kind : uint8_t { Text, Number, Date, Eco, Class };

constexpr std::string_view kOperatorBytes = "=!~<>";

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlankOrTab(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankOrTab(s.back())) s.remove_suffix(1);
  return s;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    return lower(x) == lower(y);
  });
}

bool EndsWithIgnoringCase(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && SameIgnoringCase(s.substr(s.size() - end.size()), end);
}

// The byte a tag name cannot hold: it ends the name in a tag line, or no line has it.
bool NeverInTagName(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b <= ' ' || b == 127 || c == '"' || c == '[' || c == ']' || c == '\\';
}

bool Passes(Op op, bool found) {
  return op == Op::NotEqual || op == Op::NotContains ? !found : found;
}

// The line of a game whose value is missing, empty, "?" or not of the line's kind.
bool PassesUnknown(Op op) {
  return op == Op::NotEqual || op == Op::NotContains;
}

// A game whose value may be anything in game passes when every one of those values does.
bool CompareSpans(const ValueSpan& game, Op op, std::span<const ValueSpan> values) {
  const auto inside = [&](const ValueSpan& v) { return v.low <= game.low && game.high <= v.high; };
  const auto apart = [&](const ValueSpan& v) { return game.high < v.low || game.low > v.high; };
  switch (op) {
    case Op::Equal:
      return std::any_of(values.begin(), values.end(), inside);
    case Op::NotEqual:
      return std::all_of(values.begin(), values.end(), apart);
    case Op::Less:
      return game.high < values[0].low;
    case Op::AtMost:
      return game.high <= values[0].high;
    case Op::More:
      return game.low > values[0].high;
    case Op::AtLeast:
      return game.low >= values[0].low;
    case Op::Contains:
    case Op::NotContains:
      break;
  }
  return false;
}

ValueSpan Point(double v) {
  return ValueSpan{v, v};
}

}  // namespace

struct HeaderLine {
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

namespace {

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
    if (SameIgnoringCase(name, rule.name)) {
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
    const std::string_view part = Trimmed(value.substr(0, bar));
    if (part.empty()) return false;
    parts.push_back(part);
    if (bar == std::string_view::npos) return true;
    value.remove_prefix(bar + 1);
  }
}

std::optional<std::string> Fault(std::string_view name, const char* what) {
  return "the value of " + std::string(name) + " must be " + what;
}

// Reads a line into line; nothing when it can be used, else what is wrong with it. An
// empty line leaves line refused, and is no fault.
std::optional<std::string> ParseLine(std::string_view text, HeaderLine& line) {
  text = Trimmed(text);
  if (text.empty()) return std::nullopt;
  const size_t at = text.find_first_of(kOperatorBytes);
  if (at == std::string_view::npos) return "no operator (=, !=, ~, !~, <, <=, > or >=)";
  const std::string_view name = Trimmed(text.substr(0, at));
  if (name.empty()) return "no tag name in front of the operator";
  if (std::any_of(name.begin(), name.end(), NeverInTagName))
    return "a tag name holds no blank, quote, bracket or backslash";
  Op op = Op::Equal;
  const size_t opSize = ReadOperator(text.substr(at), op);
  if (opSize == 0) return "\"!\" must be followed by \"=\" or \"~\"";
  std::string_view value = Trimmed(text.substr(at + opSize));
  // A value typed in quotes, as the tag line holds it, is taken without them.
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = Trimmed(value.substr(1, value.size() - 2));
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

// The value of a tag as the game holds it, unescaped and trimmed; nothing when it is
// missing, empty or "?".
std::optional<std::string_view> KnownTag(const GameView& game, std::string_view name,
                                         std::string& work) {
  std::optional<std::string_view> raw = game.Tag(name);
  if (!raw) return std::nullopt;
  std::string_view value = *raw;
  if (value.find('\\') != std::string_view::npos) {
    work.clear();
    for (size_t i = 0; i < value.size(); ++i) {
      if (value[i] == '\\' && i + 1 < value.size() && (value[i + 1] == '"' || value[i + 1] == '\\'))
        ++i;
      work += value[i];
    }
    value = work;
  }
  value = Trimmed(value);
  if (value.empty() || value == "?") return std::nullopt;
  return value;
}

// Buffers for one game's values, kept from game to game.
struct Work {
  std::string unescaped;
  std::string folded;
};
thread_local Work work;

bool CompareText(std::string_view value, const HeaderLine& line) {
  if (line.number) {
    if (std::optional<double> v = ReadNumber(value)) {
      const ValueSpan number = Point(*line.number);
      return CompareSpans(Point(*v), line.op, {&number, 1});
    }
  }
  std::string& folded = work.folded;
  folded.clear();
  AppendFolded(value, folded);
  const std::vector<std::string>& texts = line.texts;
  switch (line.op) {
    case Op::Equal:
    case Op::NotEqual:
      return Passes(line.op, std::find(texts.begin(), texts.end(), folded) != texts.end());
    case Op::Contains:
    case Op::NotContains:
      return Passes(line.op, std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
                      return folded.find(t) != std::string::npos;
                    }));
    case Op::Less:
      return folded < texts[0];
    case Op::AtMost:
      return folded <= texts[0];
    case Op::More:
      return folded > texts[0];
    case Op::AtLeast:
      return folded >= texts[0];
  }
  return false;
}

// The line on one tag of the game.
bool PassesTag(const GameView& game, std::string_view name, const HeaderLine& line) {
  const std::optional<std::string_view> value = KnownTag(game, name, work.unescaped);
  if (!value) return PassesUnknown(line.op);
  if (line.ComparesText()) return CompareText(*value, line);
  std::optional<ValueSpan> span;
  switch (line.kind) {
    case Kind::Number:
      if (std::optional<double> v = ReadNumber(*value)) span = Point(*v);
      break;
    case Kind::Date:
      span = ReadDate(*value);
      break;
    case Kind::Eco:
      if (std::optional<int> code = ReadEco(*value)) span = Point(*code);
      break;
    case Kind::Class:
    case Kind::Text:
      break;
  }
  return span ? CompareSpans(*span, line.op, line.spans) : PassesUnknown(line.op);
}

std::optional<double> Rating(const GameView& game, std::string_view name) {
  const std::optional<std::string_view> value = KnownTag(game, name, work.unescaped);
  return value ? ReadNumber(*value) : std::nullopt;
}

// The value a derived name stands for, as a span; nothing when it is unknown.
std::optional<ValueSpan> Derived(const GameView& game, Source source) {
  switch (source) {
    case Source::MinElo:
    case Source::MaxElo:
    case Source::AvgElo:
    case Source::EloDiff: {
      const std::optional<double> white = Rating(game, "WhiteElo");
      const std::optional<double> black = white ? Rating(game, "BlackElo") : std::nullopt;
      if (!black) return std::nullopt;
      if (source == Source::MinElo) return Point(std::min(*white, *black));
      if (source == Source::MaxElo) return Point(std::max(*white, *black));
      if (source == Source::AvgElo) return Point((*white + *black) / 2);
      return Point(std::abs(*white - *black));
    }
    case Source::Year:
      for (std::string_view name : {"Date", "UTCDate"}) {
        const std::optional<std::string_view> value = KnownTag(game, name, work.unescaped);
        if (std::optional<ValueSpan> date = value ? ReadDate(*value) : std::nullopt)
          return Point(std::floor(date->low / 10000));
      }
      return std::nullopt;
    case Source::TimeClass: {
      const std::optional<std::string_view> value = KnownTag(game, "TimeControl", work.unescaped);
      if (std::optional<TimeClass> c = value ? TimeClassOf(*value) : std::nullopt)
        return Point(static_cast<double>(*c));
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

bool PassesLine(const GameView& game, const HeaderLine& line) {
  switch (line.source) {
    case Source::Tag:
      return PassesTag(game, line.tag, line);
    case Source::Player: {
      // Either player may pass; a line that denies passes only when both players pass it.
      const bool white = PassesTag(game, "White", line);
      const bool denies = PassesUnknown(line.op);
      if (white != denies) return white;
      return PassesTag(game, "Black", line);
    }
    case Source::Plies:
      return true;  // decided by PassesPlies
    case Source::Refused:
      return false;
    default: {
      const std::optional<ValueSpan> span = Derived(game, line.source);
      return span ? CompareSpans(*span, line.op, line.spans) : PassesUnknown(line.op);
    }
  }
}

}  // namespace

HeaderCriteria::HeaderCriteria(const std::vector<std::string>& lines) {
  for (const std::string& text : lines) {
    if (Trimmed(text).empty()) continue;
    HeaderLine line;
    // A line that fails the check is kept as one that no game passes, so that a criterion
    // never widens the selection by being left out.
    ParseLine(text, line);
    if (line.source == Source::Plies) needsPlies_ = true;
    lines_.push_back(std::move(line));
  }
}

HeaderCriteria::~HeaderCriteria() = default;
HeaderCriteria::HeaderCriteria(HeaderCriteria&&) noexcept = default;
HeaderCriteria& HeaderCriteria::operator=(HeaderCriteria&&) noexcept = default;

std::optional<std::string> HeaderCriteria::Check(std::string_view line) {
  HeaderLine parsed;
  return ParseLine(line, parsed);
}

bool HeaderCriteria::Empty() const {
  return lines_.empty();
}

bool HeaderCriteria::NeedsPlies() const {
  return needsPlies_;
}

bool HeaderCriteria::PassesHeader(const GameView& game) const {
  for (const HeaderLine& line : lines_)
    if (!PassesLine(game, line)) return false;
  return true;
}

bool HeaderCriteria::PassesPlies(int64_t plies) const {
  for (const HeaderLine& line : lines_)
    if (line.source == Source::Plies &&
        !CompareSpans(Point(static_cast<double>(plies)), line.op, line.spans))
      return false;
  return true;
}

}  // namespace kelvane
