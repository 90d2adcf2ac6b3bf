#include "engine/selection_summary.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/tag_values.h"
#include "text/char_class.h"
#include "text/json_text.h"

namespace kelvane {

namespace {

constexpr int kWhiteWins = 0, kDraw = 1, kBlackWins = 2, kUnfinished = 3;

int ResultOf(std::string_view tag) {
  const std::string_view result = TrimBlanks(tag);
  for (int k = kWhiteWins; k < kUnfinished; ++k)
    if (result == kSummaryResults[k]) return k;
  return kUnfinished;
}

// A hash of a short text, eight bytes at a time: names are short, and the library's hash of
// a string costs several times as much.
uint64_t TextHash(std::string_view text) {
  uint64_t h = 0x9E3779B97F4A7C15ULL ^ text.size();
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    h = (h ^ word) * 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 31;
  }
  uint64_t last = 0;
  std::memcpy(&last, text.data() + i, text.size() - i);
  h = (h ^ last) * 0x94D049BB133111EBULL;
  return h ^ (h >> 29);
}

// A rating: one to four digits, read at once; any other text as ReadNumber reads it; 0
// for none. (A double, not an optional one: the optional's two parts, written one by one
// and read back as one, stalled the processor at every rating.)
double ReadRating(std::string_view text) {
  if (!text.empty() && text.size() <= 4 &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    int value = 0;
    for (const char c : text) value = value * 10 + (c - '0');
    return value;
  }
  if (text.empty()) return 0;
  const std::optional<double> value = ReadNumber(text);
  return value ? *value : 0;
}

std::optional<double> Percent(double part, int64_t whole) {
  if (whole <= 0) return std::nullopt;
  return 100.0 * part / static_cast<double>(whole);
}

std::string Decimal(double value, int decimals = 1) {
  std::string s;
  AppendJsonNumber(s, value, decimals);
  return s;
}

// A percentage for the text, such as "41.7%", or "-" without one.
std::string PercentText(std::optional<double> p) {
  return p ? Decimal(*p) + "%" : "-";
}

void AppendJsonValue(std::string& out, std::optional<double> value) {
  if (value)
    AppendJsonNumber(out, *value, 1);
  else
    out += "null";
}

// "key": value pairs of counts, as one JSON object on a line.
void AppendJsonCounts(std::string& out, const std::vector<SummaryBar>& counts) {
  out += '{';
  for (size_t k = 0; k < counts.size(); ++k) {
    if (k > 0) out += ", ";
    AppendJsonString(out, counts[k].label);
    out += ": " + std::to_string(counts[k].games);
  }
  out += '}';
}

// A histogram's lines: the label, the count and a bar of up to 40 "#".
void AppendHistogram(std::string& out, const std::vector<SummaryBar>& bars) {
  int64_t most = 0;
  for (const SummaryBar& bar : bars) most = std::max(most, bar.games);
  for (const SummaryBar& bar : bars) {
    std::string line = "  " + bar.label;
    line.resize(std::max<size_t>(line.size() + 1, 10), ' ');
    std::string count = std::to_string(bar.games);
    line += std::string(count.size() < 8 ? 8 - count.size() : 0, ' ') + count;
    const int64_t width = most > 0 ? (bar.games * 40 + most - 1) / most : 0;
    out += line + (width > 0 ? " " : "") + std::string(static_cast<size_t>(width), '#') + "\n";
  }
}

}  // namespace

std::optional<double> PlayerFigures::Score() const {
  return Percent(static_cast<double>(wins) + draws / 2.0, wins + draws + losses);
}

SelectionSummary::SelectionSummary() : years_(kYears, 0) {}

uint64_t SelectionSummary::TextMap::Hash(std::string_view text) {
  return TextHash(text) | 1;  // never 0, which SummaryFacts takes for no player
}

SelectionSummary::Tally& SelectionSummary::TextMap::Of(std::string_view text, uint64_t hash) {
  if (2 * (count_ + 1) > slots_.Size()) Grow();
  const auto tag = static_cast<uint32_t>(hash >> 32);
  for (size_t i = slots_.Home(hash);; i = slots_.Next(i)) {
    Slot& slot = slots_[i];
    if (slot.size == 0) {
      slot.hash = tag;
      slot.size = static_cast<uint32_t>(text.size() + 1);
      if (text.size() <= kInline) {
        std::memcpy(slot.text, text.data(), text.size());
      } else {
        slot.from = bytes_.size();
        bytes_ += text;
      }
      ++count_;
      return slot.tally;
    }
    if (slot.hash == tag && slot.size == text.size() + 1 && TextOf(slot) == text) return slot.tally;
  }
}

void SelectionSummary::TextMap::Grow() {
  ZeroedTable<Slot> old(std::max<size_t>(1024, 2 * slots_.Size()));  // zero: every slot empty
  std::swap(old, slots_);
  for (size_t k = 0; k < old.Size(); ++k) {
    const Slot& slot = old[k];
    if (slot.size == 0) continue;
    size_t i = slots_.Home(Hash(TextOf(slot)));
    while (slots_[i].size != 0) i = slots_.Next(i);
    slots_[i] = slot;
  }
}

std::string_view SelectionSummary::AsUtf8(std::string_view text, std::string& buffer) {
  // Most names are ASCII without a control character, and are their own UTF-8.
  if (IsPlainAscii(text)) return text;
  buffer.clear();
  AppendListValue(buffer, text);
  return buffer;
}

SummaryFacts SelectionSummary::FactsOf(const ListedGame& game) {
  auto tag = [&](ListColumn column) { return game.tags[static_cast<int>(column) - 1]; };
  SummaryFacts f;
  f.result = static_cast<int8_t>(ResultOf(tag(ListColumn::Result)));
  if (const std::optional<ValueSpan> date = ReadDate(tag(ListColumn::Date)))
    f.year = static_cast<int32_t>(static_cast<int64_t>(date->low) / 10000);  // no division of doubles
  for (int k = 0; k < 2; ++k) {
    const double elo = ReadRating(tag(k == 0 ? ListColumn::WhiteElo : ListColumn::BlackElo));
    if (elo >= 1 && elo < 100 * kBands) f.elo[k] = elo;
    const std::string_view name = tag(k == 0 ? ListColumn::White : ListColumn::Black);
    if (name.empty() || name == "?") continue;
    std::string buffer;
    const std::string_view utf8 = AsUtf8(name, buffer);
    f.plainNames[k] = utf8.data() == name.data();
    f.players[k] = TextMap::Hash(utf8);
  }
  if (const std::optional<int> eco = ReadEco(tag(ListColumn::Eco))) f.eco = static_cast<int16_t>(*eco);
  const std::optional<TimeClass> timeClass = TimeClassOf(game.timeControl);
  f.timeClass = static_cast<int8_t>(timeClass ? static_cast<int>(*timeClass)
                                              : static_cast<int>(kSummaryTimeClasses.size()) - 1);
  f.moves = (std::max<int64_t>(game.plies, 0) + 1) / 2;
  return f;
}

void SelectionSummary::Add(const ListedGame& game, const SummaryFacts& f) {
  ++games_;
  ++results_[static_cast<size_t>(f.result)];
  if (f.year >= 0) {
    ++years_[static_cast<size_t>(f.year)];
    ++dated_;
  }
  bool rated = false;
  for (const double elo : f.elo) {
    if (elo == 0) continue;
    ++ratings_;
    ratingSum_ += elo;
    ++bands_[static_cast<size_t>(elo / 100)];
    rated = true;
  }
  ratedGames_ += rated;

  for (int k = 0; k < 2; ++k) {
    if (!f.players[k]) continue;
    const std::string_view name =
        f.plainNames[k] ? game.tags[k] : AsUtf8(game.tags[k], names_[k]);
    Tally& t = players_.Of(name, f.players[k]);
    ++t.games;
    t.wins += f.result == (k == 0 ? kWhiteWins : kBlackWins);
    t.draws += f.result == kDraw;
    t.losses += f.result == (k == 0 ? kBlackWins : kWhiteWins);
  }

  if (f.eco >= 0) {
    ++eco_[static_cast<size_t>(f.eco)];
  } else if (!TrimBlanks(game.opening).empty()) {
    const std::string_view opening = AsUtf8(TrimBlanks(game.opening), names_[0]);
    ++openings_.Of(opening, TextMap::Hash(opening)).games;
  }
  ++timeClasses_[static_cast<size_t>(f.timeClass)];
  moves_ += f.moves;
}

std::optional<double> SelectionSummary::WhiteScore() const {
  return Percent(static_cast<double>(results_[kWhiteWins]) + results_[kDraw] / 2.0,
                 results_[kWhiteWins] + results_[kDraw] + results_[kBlackWins]);
}

std::optional<int> SelectionSummary::FirstYear() const {
  for (int y = 0; y < kYears; ++y)
    if (years_[static_cast<size_t>(y)] > 0) return y;
  return std::nullopt;
}

std::optional<int> SelectionSummary::LastYear() const {
  for (int y = kYears - 1; y >= 0; --y)
    if (years_[static_cast<size_t>(y)] > 0) return y;
  return std::nullopt;
}

bool SelectionSummary::ByDecade() const {
  return dated_ > 0 && *LastYear() - *FirstYear() >= kMostYearBars;
}

std::vector<SummaryBar> SelectionSummary::YearBars() const {
  std::vector<SummaryBar> bars;
  if (dated_ == 0) return bars;
  const int step = ByDecade() ? 10 : 1;
  for (int from = *FirstYear() / step * step; from <= *LastYear(); from += step) {
    SummaryBar bar{std::to_string(from) + (step == 10 ? "s" : ""), 0};
    for (int y = from; y < from + step && y < kYears; ++y)
      bar.games += years_[static_cast<size_t>(y)];
    bars.push_back(bar);
  }
  return bars;
}

std::optional<double> SelectionSummary::AverageRating() const {
  if (ratings_ == 0) return std::nullopt;
  return ratingSum_ / static_cast<double>(ratings_);
}

std::vector<SummaryBar> SelectionSummary::RatingBars() const {
  std::vector<SummaryBar> bars;
  int low = 0, high = kBands - 1;
  while (low < kBands && bands_[static_cast<size_t>(low)] == 0) ++low;
  while (high >= low && bands_[static_cast<size_t>(high)] == 0) --high;
  for (int band = low; band <= high; ++band)
    bars.push_back({std::to_string(band * 100), bands_[static_cast<size_t>(band)]});
  return bars;
}

std::vector<PlayerFigures> SelectionSummary::TopPlayers(size_t count) const {
  std::vector<PlayerFigures> all;
  players_.ForEach([&](std::string_view name, const Tally& t) {
    all.push_back({std::string(name), t.games, t.wins, t.draws, t.losses});
  });
  auto before = [](const PlayerFigures& a, const PlayerFigures& b) {
    return a.games != b.games ? a.games > b.games : a.name < b.name;
  };
  const size_t kept = std::min(count, all.size());
  std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(kept), all.end(),
                    before);
  all.resize(kept);
  return all;
}

std::vector<SelectionSummary::Opening> SelectionSummary::TopOpenings(size_t count) const {
  std::vector<Opening> all;
  for (int code = 0; code < kEcoCodes; ++code) {
    if (eco_[static_cast<size_t>(code)] == 0) continue;
    const std::string name = {static_cast<char>('A' + code / 100),
                              static_cast<char>('0' + code / 10 % 10),
                              static_cast<char>('0' + code % 10)};
    all.push_back({name, eco_[static_cast<size_t>(code)], true});
  }
  openings_.ForEach([&](std::string_view name, const Tally& t) {
    all.push_back({std::string(name), t.games, false});
  });
  auto before = [](const Opening& a, const Opening& b) {
    if (a.games != b.games) return a.games > b.games;
    if (a.isEco != b.isEco) return a.isEco;
    return a.name < b.name;
  };
  const size_t kept = std::min(count, all.size());
  std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(kept), all.end(),
                    before);
  all.resize(kept);
  return all;
}

std::optional<double> SelectionSummary::AverageMoves() const {
  if (games_ == 0) return std::nullopt;
  return static_cast<double>(moves_) / static_cast<double>(games_);
}

std::string SelectionSummary::Json() const {
  std::string j = "{\n  \"games\": " + std::to_string(games_) + ",\n  \"results\": ";
  std::vector<SummaryBar> results;
  for (size_t k = 0; k < results_.size(); ++k) results.push_back({kSummaryResults[k], results_[k]});
  AppendJsonCounts(j, results);
  j += ",\n  \"white_score\": ";
  AppendJsonValue(j, WhiteScore());

  j += ",\n  \"years\": {\"first\": ";
  j += dated_ ? std::to_string(*FirstYear()) : "null";
  j += ", \"last\": ";
  j += dated_ ? std::to_string(*LastYear()) : "null";
  j += ", \"unknown\": " + std::to_string(WithoutYear()) + ", \"by_year\": ";
  std::vector<SummaryBar> years, decades;
  for (int y = 0; y < kYears; ++y) {
    const int64_t n = years_[static_cast<size_t>(y)];
    if (n == 0) continue;
    years.push_back({std::to_string(y), n});
    if (decades.empty() || decades.back().label != std::to_string(y / 10 * 10))
      decades.push_back({std::to_string(y / 10 * 10), 0});
    decades.back().games += n;
  }
  AppendJsonCounts(j, years);
  j += ", \"by_decade\": ";
  AppendJsonCounts(j, decades);

  j += "},\n  \"elo\": {\"ratings\": " + std::to_string(ratings_) +
       ", \"games\": " + std::to_string(ratedGames_) + ", \"average\": ";
  AppendJsonValue(j, AverageRating());
  j += ", \"bands\": ";
  std::vector<SummaryBar> bands = RatingBars();
  std::erase_if(bands, [](const SummaryBar& b) { return b.games == 0; });
  AppendJsonCounts(j, bands);

  j += "},\n  \"players\": [";
  const std::vector<PlayerFigures> players = TopPlayers();
  for (size_t k = 0; k < players.size(); ++k) {
    const PlayerFigures& p = players[k];
    j += k > 0 ? ",\n    {\"name\": " : "\n    {\"name\": ";
    AppendJsonString(j, p.name);
    j += ", \"games\": " + std::to_string(p.games) + ", \"wins\": " + std::to_string(p.wins) +
         ", \"draws\": " + std::to_string(p.draws) + ", \"losses\": " + std::to_string(p.losses) +
         ", \"score\": ";
    AppendJsonValue(j, p.Score());
    j += '}';
  }
  j += players.empty() ? "]" : "\n  ]";

  j += ",\n  \"eco\": [";
  const std::vector<Opening> openings = TopOpenings();
  for (size_t k = 0; k < openings.size(); ++k) {
    j += k > 0 ? ",\n    {" : "\n    {";
    j += openings[k].isEco ? "\"eco\": " : "\"opening\": ";
    AppendJsonString(j, openings[k].name);
    j += ", \"games\": " + std::to_string(openings[k].games) + "}";
  }
  j += openings.empty() ? "]" : "\n  ]";

  j += ",\n  \"time_classes\": ";
  std::vector<SummaryBar> classes;
  for (size_t k = 0; k < timeClasses_.size(); ++k)
    classes.push_back({kSummaryTimeClasses[k], timeClasses_[k]});
  AppendJsonCounts(j, classes);
  j += ",\n  \"average_moves\": ";
  AppendJsonValue(j, AverageMoves());
  return j + "\n}\n";
}

std::string SelectionSummary::Text() const {
  std::string t = "Summary: " + std::to_string(games_) + (games_ == 1 ? " game" : " games") + "\n";
  t += "Results:";
  for (size_t k = 0; k < results_.size(); ++k)
    t += std::string(k ? ", " : " ") + kSummaryResults[k] + " " + std::to_string(results_[k]) +
         " (" + PercentText(Percent(static_cast<double>(results_[k]), games_)) + ")";
  t += "\nWhite's score: " + PercentText(WhiteScore()) + "\n";

  t += "Years: ";
  t += dated_ ? std::to_string(*FirstYear()) + " to " + std::to_string(*LastYear()) : "none";
  t += " (games without a year: " + std::to_string(WithoutYear()) + ")\n";
  AppendHistogram(t, YearBars());

  t += "Ratings: " + std::to_string(ratings_) + " ratings in " + std::to_string(ratedGames_) +
       " games, average " + (ratings_ ? Decimal(*AverageRating()) : "-") + "\n";
  AppendHistogram(t, RatingBars());

  t += "Players (games, wins, draws, losses, score):\n";
  for (const PlayerFigures& p : TopPlayers())
    t += "  " + p.name + ": " + std::to_string(p.games) + ", " + std::to_string(p.wins) + ", " +
         std::to_string(p.draws) + ", " + std::to_string(p.losses) + ", " + PercentText(p.Score()) +
         "\n";
  t += "ECO codes and openings (games):\n";
  for (const Opening& o : TopOpenings()) t += "  " + o.name + ": " + std::to_string(o.games) + "\n";
  t += "Time classes:";
  for (size_t k = 0; k < timeClasses_.size(); ++k)
    t += std::string(k ? ", " : " ") + kSummaryTimeClasses[k] + " " +
         std::to_string(timeClasses_[k]);
  t += "\nAverage length: ";
  t += games_ ? Decimal(*AverageMoves()) + " moves\n" : "-\n";
  return t;
}

}  // namespace kelvane
