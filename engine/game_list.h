// The list of the games a scan wrote to its output: per game its place in the output and the
// values of its row (tags, half-moves, the move where the criteria were met). The rows are
// kept compact enough for millions of games: each distinct text is stored once, and a row
// holds its offset, its number of half-moves and one small index per text column.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// The columns of the list, in their order; their names are the list file's header line.
enum class ListColumn : uint8_t {
  Number,
  White,
  Black,
  Result,
  Date,
  Event,
  Eco,
  WhiteElo,
  BlackElo,
  Plies,
  MatchedAt,
};
inline constexpr int kListColumns = 11;
inline constexpr std::array<const char*, kListColumns> kListColumnNames = {
    "Number", "White",    "Black",    "Result", "Date",     "Event",
    "ECO",    "WhiteElo", "BlackElo", "Plies",  "MatchedAt"};
// The columns from White to BlackElo show the tag of the column's name.
inline constexpr int kListTags = 8;
inline bool IsTagColumn(ListColumn c) {
  return c >= ListColumn::White && c <= ListColumn::BlackElo;
}

// One written game's row: its tags as the output's tag lines hold them (empty when missing),
// its half-moves (CountPlies) and where it starts in the output.
struct ListedGame {
  uint64_t offset = 0;
  std::array<std::string_view, kListTags> tags;
  int64_t plies = 0;
  std::string_view matchedAt;  // such as "12...Nf6"; empty when not known
  // Tags that are no column, for the selection's summary (engine/selection_summary.h).
  std::string_view timeControl;
  std::string_view opening;
};

struct TagLines;

// The row of a game written at offset, from its header and move-text blocks as written;
// plies: its half-moves when known (as CountPlies counts them), else -1; tagLines: the
// header's tag lines as noted when it was read, if they were.
ListedGame ListGame(uint64_t offset, std::string_view header, std::string_view moveText,
                    int64_t plies = -1, const TagLines* tagLines = nullptr);

// A row's tags as places in the header, so that a row found on one thread can be kept with a
// copy of the game's text and used on another.
struct ListedPlaces {
  // The columns' tags, then TimeControl and Opening.
  std::array<uint32_t, kListTags + 2> from;
  std::array<uint32_t, kListTags + 2> size;
  int64_t plies;
  std::string matchedAt;
};
ListedPlaces PlacesIn(std::string_view header, const ListedGame& game);
ListedGame FromPlaces(std::string_view header, const ListedPlaces& places);

// The list file: a header line of the column names, then a line per game, tab-separated,
// UTF-8 (a value that is not valid UTF-8 is read as Latin-1), with every tab or line break
// of a value written as a blank; lines end in LF.
std::string ListFileHeader();
void AppendListLine(std::string& out, int64_t number, const ListedGame& game);
// text as UTF-8 (read as Latin-1 when it is not valid UTF-8), tabs and line breaks blanked.
void AppendListValue(std::string& out, std::string_view text);

// The rows of a list, added in output order. Row k is game number k + 1 of the output.
class GameList {
 public:
  GameList();
  ~GameList();
  GameList(GameList&&) noexcept;
  GameList& operator=(GameList&&) noexcept;

  void Add(const ListedGame& game);
  void Clear();
  size_t Size() const { return size_; }

  uint64_t Offset(size_t row) const { return At(row).offset; }
  int64_t Plies(size_t row) const { return At(row).plies; }
  // The stored text of a text column (a tag column or MatchedAt), as added.
  std::string_view Text(size_t row, ListColumn column) const;
  // What the row shows in a column: the number, the plies, or the text.
  std::string Shown(size_t row, ListColumn column) const;

  // The rows in the order of a column (numbers and Elo values by value, a value that is no
  // number after the numbers; texts byte by byte), equal ones in output order; descending
  // reverses the order of the values but not that of equal ones.
  std::vector<uint32_t> SortedBy(ListColumn column, bool descending) const;
  // Of rows, in their order, those with some tag column that holds text, compared folded
  // (case and Latin accents ignored). An empty text keeps every row.
  std::vector<uint32_t> Filtered(const std::vector<uint32_t>& rows, std::string_view text) const;

  // The bytes the list holds (its capacity, not only its use).
  size_t MemoryBytes() const;

 private:
  static constexpr int kTexts = kListTags + 1;  // the tags and MatchedAt
  static constexpr size_t kBlockRows = 4096;
  struct Row {
    uint64_t offset;
    uint32_t plies;
    std::array<uint32_t, kTexts> text;  // indexes of distinct texts
  };
  class Pool;

  const Row& At(size_t row) const { return blocks_[row / kBlockRows][row % kBlockRows]; }
  static int TextSlot(ListColumn column);

  std::vector<std::unique_ptr<Row[]>> blocks_;
  size_t size_ = 0;
  std::unique_ptr<Pool> pool_;
};

}  // namespace kelvane
