// Duplicate games: the key that tells two games the same, and the set of kept games that
// judges each passing game, in file order, against the games kept before it (or, with the
// prefix rule, against every passing game of the run once the run has read them all).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/move_hash.h"
#include "platform/table_memory.h"

namespace kelvane {

struct TagLines;

// What a game is judged on, computed where the game is decided. Two games are the same when
// the moves of their main lines (each as its SAN without check marks and annotations) and
// their results are the same: moves holds a 128-bit hash of both.
struct GameKey {
  uint64_t moves[2] = {0, 0};
  uint64_t players = 0;  // White and Black, as the tags hold them (0: not asked for)
  uint32_t plies = 0;
  friend bool operator==(const GameKey&, const GameKey&) = default;
};

// The key of a game (its header and move-text blocks). The result is the Result tag's
// value or, without one, the result that ends the move text. A move text the parser finds
// faulty is keyed on its bytes as read.
GameKey MakeGameKey(std::string_view header, std::string_view moveText);
// The same from the moves a parse of moveText found (nullptr: the text is faulty); with
// tagLines, the header's tag lines as noted when it was read; players false leaves out the
// players, which only the prefix rule needs.
GameKey MakeGameKey(std::string_view header, std::string_view moveText, const MoveValues* moves,
                    const TagLines* tagLines = nullptr, bool players = true);

// The moves of a main line as the key sees them: the parser's moves (empty for a faulty
// text) without "+ # ! ?", castling with O, a promotion with "=" ("e8Q" is
// "e8=Q"); a word of those marks alone is no move.
std::vector<std::string> KeyMoves(std::string_view moveText);

// The duplicates file of an output: its name with "dup" before the first "." of its file
// name (at its end when it has none).
std::string DuplicatesFileName(const std::string& outputPath);

// The header with the tag that names the kept game, as the last tag line.
std::string WithDuplicateOf(std::string_view header, int64_t kept);

// The kept games of a run, each by its key and its number in the output (from 1). A slot
// holds 96 bits of the key's hash and the number in 16 bytes, four to a cache line; a
// number from 2^32 - 1 on is kept beside the table.
class KeptGames {
 public:
  KeptGames() = default;
  KeptGames(const KeptGames&) = delete;
  KeptGames& operator=(const KeptGames&) = delete;

  // The number of the kept game that key matches, or 0 after keeping it as number.
  int64_t Judge(const GameKey& key, int64_t number);
  // Starts loading the memory that Judge(key) will read first: the caller knows the keys
  // of a few games ahead of the one it judges.
  [[gnu::always_inline]] void Prefetch(const GameKey& key) const { slots_.Prefetch(key.moves[0]); }
  size_t Size() const { return count_; }
  size_t Bytes() const { return slots_.Bytes(); }

 private:
  static constexpr uint32_t kFar = UINT32_MAX;  // the number is in far_
  struct Slot {
    uint64_t a;       // the hash's first half, whose low bits also choose the slot
    uint32_t b;       // the top of its second half
    uint32_t number;  // 0: empty
  };
  void Grow();
  ZeroedTable<Slot> slots_;
  size_t count_ = 0;
  std::map<std::pair<uint64_t, uint32_t>, int64_t> far_;
};

// With the prefix rule: every passing game is held until the run has read them all, then
// each is judged against all the others. A game whose moves are the first moves of a
// strictly longer game with the same White and Black is a duplicate of it (whatever the
// results); of several such, the first in the order of moves that no game extends.
class HeldGames {
 public:
  void Hold(std::string_view header, std::string_view moveText, const GameKey& key);
  size_t Size() const { return games_.size(); }
  // Judges every held game: for each, its own index (from 0) when it is kept, else the
  // index of the kept game it duplicates.
  std::vector<int64_t> Resolve() const;
  std::string_view Header(size_t i) const;
  std::string_view MoveText(size_t i) const;
  size_t Bytes() const { return text_.capacity() + games_.capacity() * sizeof(Held); }
  void Clear();

 private:
  struct Held {
    size_t start;
    size_t headerSize;
    size_t end;
    GameKey key;
  };
  std::string text_;
  std::vector<Held> games_;
};

}  // namespace kelvane
