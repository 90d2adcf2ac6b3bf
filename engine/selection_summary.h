// The summary of a selection: figures over the games a scan wrote to its output (results,
// years, ratings, players, openings, time classes, length), gathered from their list rows
// one game at a time, and written as plain text or as JSON.
//
// How games count:
// - Results: the Result tag "1-0", "1/2-1/2" or "0-1"; any other value, or none, counts as
//   "*". White's score and a player's score are points (1 a win, 1/2 a draw) in per cent of
//   the games with one of the three results.
// - Years: the year of a Date tag that reads as a date (engine/tag_values.h).
// - Ratings: each WhiteElo and BlackElo that is a number from 1 to 3999 counts once, so a
//   game with both ratings counts twice in the average and the bands of 100.
// - Players: White and Black as UTF-8 (a name that is not UTF-8 is read as Latin-1); the
//   same bytes are the same player. An empty name and "?" are no player.
// - Openings: the ECO code, or, when the game has none, its Opening tag.
// - Time classes: the class of the TimeControl tag, or unknown.
// - Length: a game of n half-moves has ceil(n / 2) moves, the number of its last move.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/game_list.h"
#include "platform/table_memory.h"

namespace kelvane {

// The results in the order the summary shows them; the last is every other value.
inline constexpr std::array<const char*, 4> kSummaryResults = {"1-0", "1/2-1/2", "0-1", "*"};
// The time classes in the order of TimeClass, then the games of no known class.
inline constexpr std::array<const char*, 7> kSummaryTimeClasses = {
    "ultrabullet", "bullet", "blitz", "rapid", "classical", "correspondence", "unknown"};

// A bar of a chart or a line of a list: its label and its number of games.
struct SummaryBar {
  std::string label;
  int64_t games = 0;
};

struct PlayerFigures {
  std::string name;  // UTF-8
  int64_t games = 0, wins = 0, draws = 0, losses = 0;
  // Points in per cent of the games with a result; nothing when none has one.
  std::optional<double> Score() const;
};

// What the summary reads of one game's row, apart from the counting: the threads that scan
// the games find it, so that the scan's own thread only counts.
struct SummaryFacts {
  int8_t result = 0;     // index in kSummaryResults
  int8_t timeClass = 0;  // index in kSummaryTimeClasses
  int16_t eco = -1;      // the ECO code as a number from 0 (A00), or -1
  int32_t year = -1;     // of a Date that reads as a date, or -1
  std::array<double, 2> elo{};        // White's and Black's counted ratings, 0 for none
  std::array<uint64_t, 2> players{};  // hashes of White's and Black's names as UTF-8; 0: no player
  std::array<bool, 2> plainNames{};   // the name is printable ASCII: its own UTF-8
  int64_t moves = 0;
};

class SelectionSummary {
 public:
  SelectionSummary();
  // One game written to the output, in output order.
  void Add(const ListedGame& game) { Add(game, FactsOf(game)); }
  // The same, with the facts of its row found before (on any thread).
  void Add(const ListedGame& game, const SummaryFacts& facts);
  static SummaryFacts FactsOf(const ListedGame& game);
  // Asks the processor for the players' slots of a game that will be added soon.
  [[gnu::always_inline]] void Prefetch(const SummaryFacts& facts) const {
    for (const uint64_t hash : facts.players)
      if (hash) players_.Prefetch(hash);
  }

  int64_t Games() const { return games_; }
  // The games of each result, in the order of kSummaryResults.
  const std::array<int64_t, 4>& Results() const { return results_; }
  std::optional<double> WhiteScore() const;

  std::optional<int> FirstYear() const;
  std::optional<int> LastYear() const;
  int64_t WithoutYear() const { return games_ - dated_; }
  // When the years span more than kMostYearBars, the histogram counts decades.
  static constexpr int kMostYearBars = 25;
  bool ByDecade() const;
  // Every year (or decade: "1990s") from the first to the last, the empty ones included.
  std::vector<SummaryBar> YearBars() const;

  int64_t Ratings() const { return ratings_; }
  int64_t RatedGames() const { return ratedGames_; }
  std::optional<double> AverageRating() const;
  // Every band of 100 ("2400" for 2400 to 2499) from the lowest to the highest rating.
  std::vector<SummaryBar> RatingBars() const;

  // The players with the most games (then by name), at most count of them.
  std::vector<PlayerFigures> TopPlayers(size_t count = 10) const;
  // The most frequent ECO codes and openings (then codes first, then by name); isEco tells
  // which an entry is.
  struct Opening {
    std::string name;
    int64_t games = 0;
    bool isEco = false;
  };
  std::vector<Opening> TopOpenings(size_t count = 10) const;

  // The games of each time class, in the order of kSummaryTimeClasses.
  const std::array<int64_t, 7>& TimeClasses() const { return timeClasses_; }
  std::optional<double> AverageMoves() const;

  // The figures as one JSON object (UTF-8), ending in a line break.
  std::string Json() const;
  // The figures as lines of plain text (UTF-8, LF), histograms drawn with "#".
  std::string Text() const;

 private:
  // A text's games (counts of 32 bits: 4 billion games of one player would take a file of
  // hundreds of gigabytes).
  struct Tally {
    uint32_t games = 0, wins = 0, draws = 0, losses = 0;
  };
  // Texts counted by their bytes, each distinct one stored once. A slot of the table holds a
  // part of its text's hash, its tally and the text itself when it is short (else where it
  // is), so that a lookup mostly reads one slot: a node-based map cost several misses of the
  // cache per lookup, which on 90,000 players made most of the summary's time.
  class TextMap {
   public:
    static uint64_t Hash(std::string_view text);
    // Asks the processor for the slot where a text of that hash would be looked up first.
    [[gnu::always_inline]] void Prefetch(uint64_t hash) const { slots_.Prefetch(hash); }
    // The tally of text, whose hash is given.
    Tally& Of(std::string_view text, uint64_t hash);
    // Calls f(text, tally) for every text, in no particular order.
    template <typename F>
    void ForEach(F f) const {
      for (size_t i = 0; i < slots_.Size(); ++i)
        if (slots_[i].size > 0) f(TextOf(slots_[i]), slots_[i].tally);
    }

   private:
    static constexpr size_t kInline = 24;  // the longest text a slot holds itself
    struct Slot {
      uint32_t hash = 0;
      uint32_t size = 0;  // the text's size + 1; 0 for an empty slot
      Tally tally;
      union {
        char text[kInline];
        uint64_t from;  // where a longer text starts in bytes_
      };
    };
    std::string_view TextOf(const Slot& slot) const {
      const size_t size = slot.size - 1;
      return size <= kInline ? std::string_view(slot.text, size)
                             : std::string_view(bytes_).substr(slot.from, size);
    }
    void Grow();
    ZeroedTable<Slot> slots_;
    size_t count_ = 0;
    std::string bytes_;
  };

  static constexpr int kYears = 10000;   // the years a date may have
  static constexpr int kBands = 40;      // bands of 100 below 4000
  static constexpr int kEcoCodes = 500;  // A00 to E99

  // text as UTF-8: itself, or converted into buffer.
  static std::string_view AsUtf8(std::string_view text, std::string& buffer);

  int64_t games_ = 0;
  std::array<int64_t, 4> results_{};
  int64_t dated_ = 0;
  std::vector<int64_t> years_;
  int64_t ratings_ = 0, ratedGames_ = 0;
  double ratingSum_ = 0;
  std::array<int64_t, kBands> bands_{};
  TextMap players_;
  std::array<int64_t, kEcoCodes> eco_{};
  TextMap openings_;  // games without an ECO code, by Opening
  std::array<int64_t, 7> timeClasses_{};
  int64_t moves_ = 0;
  std::string names_[2];  // names being converted
};

}  // namespace kelvane
