#include "engine/game_list.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>
#include <new>
#include <optional>

#include "engine/game_decider.h"
#include "engine/game_view.h"
#include "engine/header_criteria.h"
#include "engine/tag_values.h"
#include "text/char_class.h"
#include "text/folded_text.h"

namespace kelvane {

ListedGame ListGame(uint64_t offset, std::string_view header, std::string_view moveText,
                    int64_t plies, const TagLines* tagLines) {
  ListedGame g;
  g.offset = offset;
  static const std::array<std::string_view, kListTags + 2> kNames = [] {
    std::array<std::string_view, kListTags + 2> names;
    for (int k = 0; k < kListTags; ++k) names[k] = kListColumnNames[k + 1];
    names[kListTags] = "TimeControl";
    names[kListTags + 1] = "Opening";
    return names;
  }();
  static const TagNames kWanted(kNames.data(), kNames.size());
  std::array<std::string_view, kListTags + 2> values;
  GameView{header, moveText, tagLines}.Tags(kWanted, values.data());
  std::copy_n(values.begin(), kListTags, g.tags.begin());
  g.timeControl = values[kListTags];
  g.opening = values[kListTags + 1];
  g.plies = plies >= 0 ? plies : CountPlies(moveText);
  return g;
}

ListedGame Listed(const GameDecider& decider) {
  ListedGame g =
      ListGame(0, decider.Header(), decider.MoveText(), decider.Plies(), decider.HeaderTagLines());
  g.matchedAt = decider.MatchedAt();
  return g;
}

ListedPlaces PlacesIn(std::string_view header, const ListedGame& game) {
  ListedPlaces p;
  for (int k = 0; k < kListTags + 2; ++k) {
    const std::string_view tag = k < kListTags    ? game.tags[k]
                                 : k == kListTags ? game.timeControl
                                                  : game.opening;
    p.from[k] = tag.empty() ? 0 : static_cast<uint32_t>(tag.data() - header.data());
    p.size[k] = static_cast<uint32_t>(tag.size());
  }
  p.plies = game.plies;
  p.matchedAt = game.matchedAt;
  return p;
}

ListedGame FromPlaces(std::string_view header, const ListedPlaces& places) {
  ListedGame g;
  for (int k = 0; k < kListTags; ++k) g.tags[k] = header.substr(places.from[k], places.size[k]);
  g.timeControl = header.substr(places.from[kListTags], places.size[kListTags]);
  g.opening = header.substr(places.from[kListTags + 1], places.size[kListTags + 1]);
  g.plies = places.plies;
  g.matchedAt = places.matchedAt;
  return g;
}

std::string ListFileHeader() {
  std::string line;
  for (const char* name : kListColumnNames) {
    if (!line.empty()) line += '\t';
    line += name;
  }
  return line + '\n';
}

void AppendListValue(std::string& out, std::string_view text) {
  const size_t from = out.size();
  // Most values are printable ASCII: their own UTF-8, without a tab or line break.
  if (IsPlainAscii(text)) {
    out += text;
    return;
  }
  if (IsUtf8(text)) {
    out += text;
  } else {
    for (const char c : text) {
      const auto b = static_cast<unsigned char>(c);
      if (b < 0x80) {
        out += c;
      } else {
        out += static_cast<char>(0xC0 | (b >> 6));
        out += static_cast<char>(0x80 | (b & 0x3F));
      }
    }
  }
  for (size_t i = from; i < out.size(); ++i)
    if (out[i] == '\t' || out[i] == '\r' || out[i] == '\n') out[i] = ' ';
}

namespace {

// Appends bytes at p, which has room for them; returns the end.
char* Put(char* p, std::string_view text) {
  if (!text.empty()) std::memcpy(p, text.data(), text.size());
  return p + text.size();
}

}  // namespace

namespace {

// Whether bytes hold no byte of 0x80 or more and exactly `controls` bytes below 0x20, looked
// at eight at a time.
bool PlainButFor(const char* p, size_t n, size_t controls) {
  uint64_t high = 0;
  size_t low = 0;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    high |= word;
    // Of a byte below 0x80, 0x60 added leaves the top bit clear exactly when the byte is
    // below 0x20 (a byte of 0x80 or more may carry into the next, but fails anyway).
    const uint64_t below = ~(word + 0x6060606060606060ULL) & 0x8080808080808080ULL;
    low += static_cast<size_t>(((below >> 7) * 0x0101010101010101ULL) >> 56);
  }
  for (; i < n; ++i) {
    const auto b = static_cast<unsigned char>(p[i]);
    high |= b;
    low += b < 0x20;
  }
  return (high & 0x8080808080808080ULL) == 0 && low == controls;
}

}  // namespace

void AppendListLine(std::string& out, int64_t number, const ListedGame& game) {
  // The line is written in one piece, as if every value were printable ASCII, and then
  // looked at once: as most lines are, it is done. The value calls and the string's own
  // appends cost several times as much.
  constexpr size_t kNumbers = 2 * 20;  // the number and the plies, at most 20 digits each
  constexpr size_t kControls = kListTags + 3;  // its tabs and its line feed
  size_t most = kNumbers + kControls + game.matchedAt.size();
  for (const std::string_view tag : game.tags) most += tag.size();
  const size_t from = out.size();
  out.resize(from + most);
  char* p = out.data() + from;
  p = std::to_chars(p, p + 20, number).ptr;
  for (const std::string_view tag : game.tags) {
    *p++ = '\t';
    p = Put(p, tag);
  }
  *p++ = '\t';
  p = std::to_chars(p, p + 20, game.plies).ptr;
  *p++ = '\t';
  p = Put(p, game.matchedAt);
  *p++ = '\n';
  const size_t end = static_cast<size_t>(p - out.data());
  if (PlainButFor(out.data() + from, end - from, kControls)) {
    out.resize(end);
    return;
  }
  // A value that is not plain ASCII, or holds a tab or line break: value by value.
  out.resize(from);
  out += std::to_string(number);
  for (const std::string_view tag : game.tags) {
    out += '\t';
    AppendListValue(out, tag);
  }
  out += '\t';
  out += std::to_string(game.plies);
  out += '\t';
  AppendListValue(out, game.matchedAt);
  out += '\n';
}

// Every distinct text once, numbered in the order first added: the bytes of all of them in
// one array, where each starts, and a hash table of their numbers.
class GameList::Pool {
 public:
  Pool() { starts_.push_back(0); }

  uint32_t Intern(std::string_view s) {
    if (2 * (Count() + 1) > slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    for (size_t i = Hash(s) & mask;; i = (i + 1) & mask) {
      if (slots_[i] == 0) {
        if (bytes_.size() + s.size() > UINT32_MAX) throw std::bad_alloc();
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        starts_.push_back(static_cast<uint32_t>(bytes_.size()));
        slots_[i] = static_cast<uint32_t>(Count());
        return slots_[i] - 1;
      }
      if (Get(slots_[i] - 1) == s) return slots_[i] - 1;
    }
  }

  std::string_view Get(uint32_t id) const {
    return {bytes_.data() + starts_[id], starts_[id + 1] - starts_[id]};
  }
  size_t Count() const { return starts_.size() - 1; }
  size_t MemoryBytes() const {
    return bytes_.capacity() + 4 * (starts_.capacity() + slots_.capacity());
  }

 private:
  static size_t Hash(std::string_view s) { return std::hash<std::string_view>()(s); }

  void Grow() {
    std::vector<uint32_t> slots(std::max<size_t>(1024, 2 * slots_.size()), 0);
    const size_t mask = slots.size() - 1;
    for (uint32_t id = 0; id < Count(); ++id) {
      size_t i = Hash(Get(id)) & mask;
      while (slots[i] != 0) i = (i + 1) & mask;
      slots[i] = id + 1;
    }
    slots_.swap(slots);
  }

  std::vector<char> bytes_;
  std::vector<uint32_t> starts_;
  std::vector<uint32_t> slots_;  // a text's number + 1; 0 for an empty slot
};

GameList::GameList() : pool_(std::make_unique<Pool>()) {}
GameList::~GameList() = default;
GameList::GameList(GameList&&) noexcept = default;
GameList& GameList::operator=(GameList&&) noexcept = default;

int GameList::TextSlot(ListColumn column) {
  return column == ListColumn::MatchedAt ? kListTags : static_cast<int>(column) - 1;
}

void GameList::Add(const ListedGame& game) {
  if (size_ % kBlockRows == 0) blocks_.push_back(std::make_unique_for_overwrite<Row[]>(kBlockRows));
  Row& row = blocks_.back()[size_ % kBlockRows];
  row.offset = game.offset;
  row.plies = static_cast<uint32_t>(std::clamp<int64_t>(game.plies, 0, UINT32_MAX));
  for (int k = 0; k < kListTags; ++k) row.text[k] = pool_->Intern(game.tags[k]);
  row.text[kListTags] = pool_->Intern(game.matchedAt);
  ++size_;
}

void GameList::Clear() {
  blocks_.clear();
  size_ = 0;
  pool_ = std::make_unique<Pool>();
}

std::string_view GameList::Text(size_t row, ListColumn column) const {
  if (column == ListColumn::Number || column == ListColumn::Plies) return {};
  return pool_->Get(At(row).text[TextSlot(column)]);
}

std::string GameList::Shown(size_t row, ListColumn column) const {
  if (column == ListColumn::Number) return std::to_string(row + 1);
  if (column == ListColumn::Plies) return std::to_string(At(row).plies);
  return std::string(Text(row, column));
}

std::vector<uint32_t> GameList::SortedBy(ListColumn column, bool descending) const {
  // Each row's key in the upper half of a number and its index in the lower, so that one
  // sort of plain numbers orders the rows and keeps equal ones in output order.
  std::vector<uint64_t> keyed(size_);
  std::vector<uint32_t> rank;
  if (column != ListColumn::Number && column != ListColumn::Plies) {
    // The distinct texts are ranked once; the rows then sort by their texts' ranks.
    std::vector<uint32_t> ids(pool_->Count());
    for (uint32_t id = 0; id < ids.size(); ++id) ids[id] = id;
    if (column == ListColumn::WhiteElo || column == ListColumn::BlackElo) {
      std::vector<std::optional<double>> value(ids.size());
      for (uint32_t id : ids) value[id] = ReadNumber(pool_->Get(id));
      std::stable_sort(ids.begin(), ids.end(), [&](uint32_t a, uint32_t b) {
        if (value[a].has_value() != value[b].has_value()) return value[a].has_value();
        if (value[a] && *value[a] != *value[b]) return *value[a] < *value[b];
        return pool_->Get(a) < pool_->Get(b);
      });
    } else {
      std::vector<std::string> folded(ids.size());
      for (uint32_t id : ids) folded[id] = Folded(pool_->Get(id));
      std::stable_sort(ids.begin(), ids.end(), [&](uint32_t a, uint32_t b) {
        if (folded[a] != folded[b]) return folded[a] < folded[b];
        return pool_->Get(a) < pool_->Get(b);
      });
    }
    rank.resize(ids.size());
    for (uint32_t r = 0; r < ids.size(); ++r) rank[ids[r]] = r;
  }
  const int slot =
      column == ListColumn::Number || column == ListColumn::Plies ? 0 : TextSlot(column);
  for (size_t row = 0; row < size_; ++row) {
    uint64_t key = column == ListColumn::Number  ? row
                   : column == ListColumn::Plies ? At(row).plies
                                                 : rank[At(row).text[slot]];
    if (descending) key = UINT32_MAX - key;
    keyed[row] = (key << 32) | row;
  }
  std::sort(keyed.begin(), keyed.end());
  std::vector<uint32_t> rows(size_);
  for (size_t k = 0; k < size_; ++k) rows[k] = static_cast<uint32_t>(keyed[k]);
  return rows;
}

std::vector<uint32_t> GameList::Filtered(const std::vector<uint32_t>& rows,
                                         std::string_view text) const {
  const std::string sought = Folded(text);
  if (sought.empty()) return rows;
  // Each distinct text is looked at once.
  std::vector<bool> holds(pool_->Count());
  for (uint32_t id = 0; id < holds.size(); ++id)
    holds[id] = Folded(pool_->Get(id)).find(sought) != std::string::npos;
  std::vector<uint32_t> kept;
  for (const uint32_t row : rows) {
    const Row& r = At(row);
    if (std::any_of(r.text.begin(), r.text.begin() + kListTags,
                    [&](uint32_t id) { return holds[id]; }))
      kept.push_back(row);
  }
  return kept;
}

size_t GameList::MemoryBytes() const {
  return blocks_.size() * kBlockRows * sizeof(Row) + blocks_.capacity() * sizeof(blocks_[0]) +
         pool_->MemoryBytes() + sizeof(*this);
}

}  // namespace kelvane
