#include "engine/header_criteria.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <utility>

#include "engine/header_line.h"
#include "engine/tag_values.h"
#include "text/char_class.h"
#include "text/clean_line.h"
#include "text/folded_text.h"

namespace kelvane {

namespace {

using Op = HeaderLine::Op;
using Source = HeaderLine::Source;
using Kind = HeaderLine::Kind;

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
  value = TrimBlanks(value);
  // A game decided on its raw bytes holds its tags as the file does: its values are
  // cleaned here as reading the line would (a tab as a blank, a run of blanks as one).
  if (value.find('\t') != std::string_view::npos || value.find("  ") != std::string_view::npos) {
    std::string cleaned(value);
    cleaned.resize(CleanSpan(cleaned.data(), cleaned.size()));
    work = std::move(cleaned);
    value = work;
  }
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
    if (TrimBlanks(text).empty()) continue;
    HeaderLine line;
    // A line that fails the check is kept as one that no game passes, so that a criterion
    // never widens the selection by being left out.
    ReadHeaderLine(text, line);
    if (line.source == Source::Plies) needsPlies_ = true;
    lines_.push_back(std::move(line));
  }
}

HeaderCriteria::~HeaderCriteria() = default;
HeaderCriteria::HeaderCriteria(HeaderCriteria&&) noexcept = default;
HeaderCriteria& HeaderCriteria::operator=(HeaderCriteria&&) noexcept = default;

std::optional<std::string> HeaderCriteria::Check(std::string_view line) {
  HeaderLine parsed;
  return ReadHeaderLine(line, parsed);
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
