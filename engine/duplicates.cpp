#include "engine/duplicates.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>
#include <unordered_map>

#include "engine/game_view.h"
#include "engine/move_text_parser.h"
#include "text/path_parts.h"

namespace kelvane {

namespace {

// Calls f with each move of a parser's normalised text.
template <typename F>
void ForEachWord(std::string_view text, F f) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i > start) f(text.substr(start, i - start));
  }
}

// The result that ends a move text, if any.
std::string_view EndResult(std::string_view moveText) {
  while (!moveText.empty() && (moveText.back() == '\r' || moveText.back() == '\n' ||
                               moveText.back() == ' ' || moveText.back() == '\t'))
    moveText.remove_suffix(1);
  const size_t blank = moveText.find_last_of(" \t\r\n");
  const std::string_view last =
      blank == std::string_view::npos ? moveText : moveText.substr(blank + 1);
  if (last == "1-0" || last == "0-1" || last == "1/2-1/2" || last == "*") return last;
  return {};
}

std::string_view TagOrEmpty(const GameView& game, std::string_view name) {
  return game.Tag(name).value_or(std::string_view());
}

}  // namespace

GameKey MakeGameKey(std::string_view header, std::string_view moveText, const MoveValues* moves,
                    const TagLines* tagLines, bool players) {
  GameKey key;
  Hash128 h;
  if (moves) {
    h = moves->State();
    key.plies = moves->Plies();
  } else {
    // Keyed on the bytes: only a byte-equal faulty move text is the same.
    h.Add(~uint64_t{0});
    h.AddBytes(moveText);
  }
  // The tags in one reading of the header; a tag that is missing has no data.
  static constexpr std::string_view kNames[] = {"Result", "White", "Black"};
  static const TagNames kWanted(kNames, 3);
  static const TagNames kResultOnly(kNames, 1);
  std::string_view tags[3];
  GameView{header, moveText, tagLines}.Tags(players ? kWanted : kResultOnly, tags);
  h.Add(uint64_t{0x5245} << 48);  // the moves end here
  h.AddBytes(tags[0].data() ? tags[0] : EndResult(moveText));
  h.Finish(key.moves);
  if (players) {
    Hash128 both;
    both.AddBytes(tags[1]);
    both.AddBytes(tags[2]);
    uint64_t hash[2];
    both.Finish(hash);
    key.players = hash[0];
  }
  return key;
}

GameKey MakeGameKey(std::string_view header, std::string_view moveText) {
  MoveValues moves;
  MoveTextParser parser(moveText, false, false);
  parser.Values = &moves;
  try {
    parser.Parse();
  } catch (const MoveTextError&) {
    return MakeGameKey(header, moveText, nullptr);
  }
  return MakeGameKey(header, moveText, &moves);
}

std::vector<std::string> KeyMoves(std::string_view moveText) {
  std::vector<std::string> moves;
  MoveTextParser parser(moveText, true, false);
  try {
    parser.Parse();
  } catch (const MoveTextError&) {
    return moves;
  }
  char move[64];
  ForEachWord(parser.CleanText, [&](std::string_view w) {
    if (w.size() + 1 > sizeof move) {
      while (!w.empty() && IsStrippedMark(w.back())) w.remove_suffix(1);
      moves.emplace_back(w);
    } else if (const size_t n = NormalMove(w, move)) {
      moves.emplace_back(move, n);
    }
  });
  return moves;
}

std::string DuplicatesFileName(const std::string& outputPath) {
  const std::string name = FileNamePart(outputPath);
  const size_t dot = std::min(name.find('.'), name.size());
  return DirectoryPart(outputPath) + name.substr(0, dot) + "dup" + name.substr(dot);
}

std::string WithDuplicateOf(std::string_view header, int64_t kept) {
  std::string out(header);
  // The header's lines end in CR LF as read; a raw one may end in LF alone.
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  out += "[DuplicateOf \"" + std::to_string(kept) + "\"]\r\n";
  return out;
}

void KeptGames::Grow() {
  ZeroedTable<Slot> old(std::max<size_t>(1024, 2 * slots_.Size()));  // zero: every slot empty
  std::swap(old, slots_);
  for (size_t k = 0; k < old.Size(); ++k) {
    const Slot& s = old[k];
    if (s.number == 0) continue;
    size_t i = slots_.Home(s.a);
    while (slots_[i].number != 0) i = slots_.Next(i);
    slots_[i] = s;
  }
}

int64_t KeptGames::Judge(const GameKey& key, int64_t number) {
  if (4 * (count_ + 1) > 3 * slots_.Size()) Grow();
  const uint64_t a = key.moves[0];
  const auto b = static_cast<uint32_t>(key.moves[1] >> 32);
  for (size_t i = slots_.Home(a);; i = slots_.Next(i)) {
    Slot& s = slots_[i];
    if (s.number == 0) {
      s = {a, b, number < kFar ? static_cast<uint32_t>(number) : kFar};
      if (number >= kFar) far_[{a, b}] = number;
      ++count_;
      return 0;
    }
    if (s.a == a && s.b == b) return s.number == kFar ? far_.at({a, b}) : s.number;
  }
}

void HeldGames::Hold(std::string_view header, std::string_view moveText, const GameKey& key) {
  const size_t start = text_.size();
  text_ += header;
  text_ += moveText;
  games_.push_back({start, header.size(), text_.size(), key});
}

std::string_view HeldGames::Header(size_t i) const {
  return std::string_view(text_).substr(games_[i].start, games_[i].headerSize);
}

std::string_view HeldGames::MoveText(size_t i) const {
  const Held& g = games_[i];
  return std::string_view(text_).substr(g.start + g.headerSize, g.end - g.start - g.headerSize);
}

void HeldGames::Clear() {
  std::string().swap(text_);
  std::vector<Held>().swap(games_);
}

std::vector<int64_t> HeldGames::Resolve() const {
  const size_t n = games_.size();
  std::vector<int64_t> target(n);
  std::iota(target.begin(), target.end(), int64_t{0});
  // The same moves and result: the first copy stands for the others.
  KeptGames first;
  std::unordered_map<uint64_t, std::vector<size_t>> groups;
  for (size_t i = 0; i < n; ++i) {
    if (const int64_t kept = first.Judge(games_[i].key, static_cast<int64_t>(i) + 1))
      target[i] = kept - 1;
    else if (games_[i].key.plies > 0)
      groups[games_[i].key.players].push_back(i);
  }
  // In each group of first copies with the same players, the games in the order of their
  // players and moves: the games whose moves begin with a game's moves follow it at once.
  struct Entry {
    std::string_view white, black;
    std::vector<std::string> moves;
    size_t game;
  };
  for (auto& [players, members] : groups) {
    if (members.size() < 2) continue;
    std::vector<Entry> entries;
    entries.reserve(members.size());
    for (size_t i : members) {
      const GameView game{Header(i), MoveText(i)};
      entries.push_back(
          {TagOrEmpty(game, "White"), TagOrEmpty(game, "Black"), KeyMoves(MoveText(i)), i});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) {
      if (x.white != y.white) return x.white < y.white;
      if (x.black != y.black) return x.black < y.black;
      if (x.moves != y.moves) return x.moves < y.moves;
      return x.game < y.game;
    });
    auto extends = [&](size_t longer, size_t shorter) {
      const Entry& l = entries[longer];
      const Entry& s = entries[shorter];
      return l.white == s.white && l.black == s.black && l.moves.size() > s.moves.size() &&
             std::equal(s.moves.begin(), s.moves.end(), l.moves.begin());
    };
    // extended[k]: some game's moves are a strictly longer run that begins with k's; the
    // first such game is the first with other moves after k.
    std::vector<bool> extended(entries.size(), false);
    for (size_t k = 0; k < entries.size(); ++k) {
      size_t next = k + 1;
      while (next < entries.size() && entries[next].moves == entries[k].moves &&
             entries[next].white == entries[k].white && entries[next].black == entries[k].black)
        ++next;
      extended[k] = next < entries.size() && extends(next, k);
    }
    for (size_t k = 0; k < entries.size(); ++k) {
      if (!extended[k]) continue;
      size_t q = k + 1;
      while (extended[q]) ++q;  // the games that begin with k's moves end with one not extended
      target[entries[k].game] = static_cast<int64_t>(entries[q].game);
    }
  }
  // A copy of a game that is itself a duplicate stands for the game kept in its place.
  for (size_t i = 0; i < n; ++i) target[i] = target[static_cast<size_t>(target[i])];
  return target;
}

}  // namespace kelvane
