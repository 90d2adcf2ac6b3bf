// Deterministic corpus generator for the scan benchmarks.
//
//   gen_corpus --seed N --size BYTES [--comments] [--variations] [--nags] [--crlf]
//              [--duplicates PERCENT] [--output FILE]
//              [--legal]
//
// Writes PGN games until at least BYTES bytes are out (the last game is finished, so the file is
// a little longer). BYTES takes the suffixes K, M and G (powers of 1024). The same seed, size and
// options always give the same bytes: the generator uses its own random source and no library
// distribution. The games start from common opening lines and continue with moves drawn from
// per-piece square tables; they are not legal chess, but their words, lengths and frequencies
// look like those of a real game database, and a small share of them satisfies the program's
// default criteria (a Najdorf with 6.f4, Kh1 before Qe1, no ...e6 in the first 15 moves).
// With --legal every game is legal chess played on the engine's board instead, written in
// standard SAN: the same opening lines (now and then in another move order that reaches the
// same position), then moves chosen by a cheap heuristic (captures of the more valuable
// pieces, checks, development, pawn pushes, no piece left en prise when that can be helped),
// until the drawn length, a mate, a stalemate, a dead draw or the fifty-move rule; the result
// follows the end (mate, stalemate, a clear material lead, else the drawn result). Its side
// lines are legal too.
// Their tags mix games over the board of 1950 to 2026 with games played online: ratings, time
// controls, terminations and ECO codes on most, some of them unknown ("?") or missing.
// With --duplicates, after each game a copy of one of the last 1000 games follows with the
// chance PERCENT in 100: most as they were, some with a comment and other line breaks, some
// cut short (to "*"). Without it the bytes are those of the generator before the option.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/move_generation.h"
#include "engine/san.h"

namespace {

// splitmix64: tiny, fast, and fully specified, so the output never depends on the library.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n).
  uint32_t Below(uint32_t n) {
    return static_cast<uint32_t>((static_cast<unsigned __int128>(Next()) * n) >> 64);
  }
  // True with probability per_mille / 1000.
  bool Chance(uint32_t per_mille) { return Below(1000) < per_mille; }
  uint32_t Between(uint32_t lo, uint32_t hi) { return lo + Below(hi - lo + 1); }
  template <size_t N>
  std::string_view Pick(const char* const (&items)[N]) {
    return items[Below(N)];
  }
  // Index drawn with the given integer weights.
  template <size_t N>
  int Weighted(const int (&weights)[N]) {
    int total = 0;
    for (int w : weights) total += w;
    int r = static_cast<int>(Below(static_cast<uint32_t>(total)));
    for (size_t i = 0; i < N; ++i) {
      if (r < weights[i]) return static_cast<int>(i);
      r -= weights[i];
    }
    return static_cast<int>(N - 1);
  }

 private:
  uint64_t state_;
};

struct Options {
  uint64_t seed = 1;
  uint64_t size = 0;
  bool legal = false;
  bool comments = false;
  bool variations = false;
  bool nags = false;
  bool crlf = false;
  uint32_t duplicates = 0;  // percent of games followed by a copy of an earlier one
  const char* output = nullptr;
};

// Plants copies of earlier games, as merged collections hold them.
class Duplicator {
 public:
  explicit Duplicator(const Options& options)
      : rng_(options.seed ^ 0xBB67AE8584CAA73BULL),
        percent_(options.duplicates),
        eol_(options.crlf ? "\r\n" : "\n") {}

  // game: the text of the game just written; a copy of an earlier one may follow it in out.
  void After(std::string_view game, std::string& out) {
    if (percent_ == 0) return;
    if (recent_.size() < kKept) {
      recent_.emplace_back(game);
    } else {
      recent_[next_] = game;
      next_ = (next_ + 1) % kKept;
    }
    if (rng_.Below(100) >= percent_) return;
    const std::string& copy = recent_[rng_.Below(static_cast<uint32_t>(recent_.size()))];
    const uint32_t kind = rng_.Below(10);
    if (kind < 6) {
      out += copy;
      return;
    }
    const size_t split = copy.find(std::string(eol_) + eol_);  // the header's end
    std::string header = copy.substr(0, split + std::strlen(eol_));
    std::vector<std::string> words;
    const std::string_view moves = std::string_view(copy).substr(split);
    for (size_t i = 0; i < moves.size();) {
      while (i < moves.size() && (moves[i] == ' ' || moves[i] == '\r' || moves[i] == '\n')) ++i;
      size_t start = i;
      int depth = 0;  // a comment or variation stays one word
      while (i < moves.size() &&
             (depth > 0 || (moves[i] != ' ' && moves[i] != '\r' && moves[i] != '\n'))) {
        if (moves[i] == '{' || moves[i] == '(') ++depth;
        if (moves[i] == '}' || moves[i] == ')') --depth;
        ++i;
      }
      if (i > start) words.emplace_back(moves.substr(start, i - start));
    }
    if (kind < 8) {
      // Another source: a comment after the first move, eight words to a line.
      words.insert(words.begin() + std::min<size_t>(2, words.size() - 1), "{copied}");
    } else {
      // A broadcast copy that stopped early: up to a move number, then "*".
      size_t keep = words.size() / 2;
      while (keep > 0 && words[keep].find('.') == std::string::npos) --keep;
      words.resize(keep);
      words.emplace_back("*");
      const size_t result = header.find("[Result \"");
      if (result != std::string::npos) {
        const size_t end = header.find('"', result + 9);
        header.replace(result + 9, end - result - 9, "*");
      }
    }
    out += header;
    out += eol_;
    for (size_t k = 0; k < words.size(); ++k) {
      out += words[k];
      out += (k % 8 == 7 || k + 1 == words.size()) ? eol_ : " ";
    }
    out += eol_;
  }

 private:
  static constexpr size_t kKept = 1000;
  Random rng_;
  uint32_t percent_;
  const char* eol_;
  std::vector<std::string> recent_;
  size_t next_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Opening lines (plies separated by blanks), their weights and their ECO codes: the code of the
// opening's family for a game that leaves the line before its eighth ply, else of the line.

struct Opening {
  int weight;
  const char* plies;
  const char* short_eco;
  const char* eco;
};

const Opening kOpenings[] = {
    {60, "e4 e5 Nf3 Nc6 Bb5 a6 Ba4 Nf6 O-O Be7 Re1 b5 Bb3 d6 c3 O-O h3 Nb8 d4 Nbd7", "C60", "C95"},
    {30, "e4 e5 Nf3 Nc6 Bb5 Nf6 O-O Nxe4 d4 Nd6 Bxc6 dxc6 dxe5 Nf5 Qxd8+ Kxd8", "C65", "C67"},
    {35, "e4 e5 Nf3 Nc6 Bc4 Bc5 c3 Nf6 d3 d6 O-O O-O Re1 a6 a4 Ba7", "C50", "C54"},
    {15, "e4 e5 Nf3 Nc6 d4 exd4 Nxd4 Nf6 Nxc6 bxc6 e5 Qe7 Qe2 Nd5 c4 Nb6", "C45", "C45"},
    {12, "e4 e5 Nf3 Nf6 Nxe5 d6 Nf3 Nxe4 d4 d5 Bd3 Nc6 O-O Be7", "C42", "C42"},
    {25, "e4 c5 Nf3 Nc6 d4 cxd4 Nxd4 Nf6 Nc3 e5 Ndb5 d6 Bg5 a6 Na3 b5", "B30", "B33"},
    {25, "e4 c5 Nf3 e6 d4 cxd4 Nxd4 Nc6 Nc3 Qc7 Be3 a6 Qd2 Nf6 O-O-O Bb4", "B40", "B48"},
    {20, "e4 c5 Nf3 d6 d4 cxd4 Nxd4 Nf6 Nc3 g6 Be3 Bg7 f3 O-O Qd2 Nc6 Bc4 Bd7", "B50", "B78"},
    {15, "e4 c5 Nf3 d6 d4 cxd4 Nxd4 Nf6 Nc3 Nc6 Bg5 e6 Qd2 a6 O-O-O Bd7", "B50", "B67"},
    {12, "e4 c5 Nf3 d6 Bb5+ Bd7 Bxd7+ Qxd7 c4 Nc6 Nc3 g6 d4 cxd4 Nxd4 Bg7", "B50", "B52"},
    {10, "e4 c5 c3 Nf6 e5 Nd5 d4 cxd4 Nf3 Nc6 cxd4 d6 Bc4 Nb6", "B22", "B22"},
    {10, "e4 c5 Nc3 Nc6 g3 g6 Bg2 Bg7 d3 d6 f4 e6 Nf3 Nge7 O-O O-O", "B23", "B26"},
    {35, "e4 e6 d4 d5 Nc3 Bb4 e5 c5 a3 Bxc3+ bxc3 Ne7 Qg4 Qc7 Qxg7 Rg8", "C15", "C18"},
    {15, "e4 e6 d4 d5 Nd2 Nf6 e5 Nfd7 Bd3 c5 c3 Nc6 Ne2 cxd4 cxd4 f6", "C03", "C06"},
    {25, "e4 c6 d4 d5 Nc3 dxe4 Nxe4 Bf5 Ng3 Bg6 h4 h6 Nf3 Nd7 h5 Bh7", "B15", "B19"},
    {15, "e4 c6 d4 d5 e5 Bf5 Nf3 e6 Be2 c5 Be3 Nd7 O-O Ne7", "B12", "B12"},
    {12, "e4 d6 d4 Nf6 Nc3 g6 f4 Bg7 Nf3 O-O Bd3 Na6 O-O c5", "B07", "B09"},
    {10, "e4 d5 exd5 Qxd5 Nc3 Qa5 d4 Nf6 Nf3 c6 Bc4 Bf5 Bd2 e6", "B01", "B01"},
    {6, "e4 Nf6 e5 Nd5 d4 d6 Nf3 Bg4 Be2 e6 O-O Be7 c4 Nb6", "B02", "B05"},
    {40, "d4 d5 c4 e6 Nc3 Nf6 Bg5 Be7 e3 O-O Nf3 h6 Bh4 b6 Be2 Bb7", "D30", "D58"},
    {15, "d4 d5 c4 dxc4 Nf3 Nf6 e3 e6 Bxc4 c5 O-O a6 dxc5 Qxd1 Rxd1 Bxc5", "D20", "D27"},
    {30, "d4 d5 c4 c6 Nf3 Nf6 Nc3 dxc4 a4 Bf5 e3 e6 Bxc4 Bb4 O-O Nbd7", "D10", "D18"},
    {35, "d4 Nf6 c4 g6 Nc3 Bg7 e4 d6 Nf3 O-O Be2 e5 O-O Nc6 d5 Ne7 Ne1 Nd7", "E60", "E97"},
    {20, "d4 Nf6 c4 g6 Nc3 d5 cxd5 Nxd5 e4 Nxc3 bxc3 Bg7 Nf3 c5 Rb1 O-O", "D80", "D85"},
    {30, "d4 Nf6 c4 e6 Nc3 Bb4 Qc2 O-O a3 Bxc3+ Qxc3 b6 Bg5 Bb7 f3 h6", "E20", "E32"},
    {15, "d4 Nf6 c4 e6 Nf3 b6 g3 Ba6 b3 Bb4+ Bd2 Be7 Bg2 c6 Bc3 d5", "E10", "E15"},
    {10, "d4 f5 g3 Nf6 Bg2 g6 Nf3 Bg7 O-O O-O c4 d6 Nc3 Qe8", "A80", "A87"},
    {20, "d4 Nf6 Nf3 e6 Bf4 c5 e3 Nc6 c3 d5 Nbd2 Bd6 Bg3 O-O Bd3 b6", "A46", "A46"},
    {20, "d4 Nf6 c4 e6 g3 d5 Bg2 Be7 Nf3 O-O O-O dxc4 Qc2 a6 Qxc4 b5", "E01", "E05"},
    {25, "c4 e5 Nc3 Nf6 g3 d5 cxd5 Nxd5 Bg2 Nb6 Nf3 Nc6 O-O Be7 d3 O-O", "A20", "A29"},
    {15, "c4 c5 Nf3 Nc6 Nc3 g6 g3 Bg7 Bg2 Nf6 O-O O-O d4 cxd4 Nxd4 Nxd4", "A30", "A39"},
    {20, "Nf3 d5 g3 Nf6 Bg2 e6 O-O Be7 d3 O-O Nbd2 c5 e4 Nc6 Re1 b5", "A06", "A07"},
    {6, "b3 e5 Bb2 Nc6 e3 d5 Bb5 Bd6 c4 dxc4 Bxc4 Nf6", "A01", "A01"},
    {5, "g3 d5 Bg2 Nf6 d3 c6 Nf3 Bg4 O-O Nbd7", "A00", "A00"},
};

// The Najdorf: its move order is what the default Must contain text asks for.
constexpr const char* kNajdorf = "e4 c5 Nf3 d6 d4 cxd4 Nxd4 Nf6 Nc3 a6";
constexpr int kNajdorfPerMille = 75;

// Black's answers to 6.f4, each with continuations. A "plan" continuation brings Kh1 before
// Qe1 within the first fifteen moves, as in the classical lines of this system.
struct Answer {
  int weight;
  const char* reply;
  const char* plan;   // nullptr: none
  const char* other;  // continuation when no plan is followed
};
const Answer kAfterF4[] = {
    {35, "e5", "Nf3 Nbd7 Bd3 Be7 O-O O-O Kh1 b5 Qe1 Bb7 a3 Qc7",
     "Nf3 Qc7 a4 Nbd7 Bd3 g6 O-O Bg7 Qe1 O-O Kh1 exf4"},
    {15, "Qc7", "Be2 Nbd7 O-O b5 Bf3 Bb7 Kh1 g6 Qe1 Bg7 Qh4 O-O", "Bd3 g6 O-O Bg7 Nf3 Nbd7 Qe1 b5"},
    {15, "Nbd7", "Be2 e5 Nf3 Be7 O-O O-O Kh1 Qc7 Qe1 b5 a3 Bb7", "Nf3 e5 a4 Qc7 Bd3 g6 O-O Bg7"},
    // The Scheveningen move order: the game meets the condition but fails the Without text.
    {25, "e6", "Be2 Be7 O-O O-O Kh1 Qc7 Qe1 Nc6 Be3 Nxd4 Bxd4 b5", "Qf3 Qb6 Nb3 Qc7 g4 b5 g5 Nfd7"},
    {10, "Qb6", nullptr, "Nb3 e6 Qf3 Nbd7 g4 Qc7 Bd3 b5 g5 Nc5"},
};
const char* const kNajdorfSixth[] = {"Be3", "Bg5", "Be2", "Bc4", "h3", "f3", "g3", "a4", "Be3"};
const char* const kNajdorfSixthEco[] = {"B90", "B96", "B92", "B87", "B90",
                                        "B90", "B91", "B90", "B90"};
static_assert(sizeof kNajdorfSixth == sizeof kNajdorfSixthEco, "one code per sixth move");

// ---------------------------------------------------------------------------------------------
// Tag values.

const char* const kLastNames[] = {
    "Andersson", "Petrov",       "Novak",    "Garcia",   "Kowalski", "Nakamura", "Silva",
    "Ivanchuk",  "Larsen",       "Schmidt",  "Rossi",    "Dubois",   "Horvath",  "Jensen",
    "Kaplan",    "Moreau",       "Svensson", "Tanaka",   "Vasquez",  "Wojcik",   "Yilmaz",
    "Zhang",     "Olsen",        "Fischer",  "Bauer",    "Navarro",  "Popescu",  "Kuznetsov",
    "Herrera",   "Lindqvist",    "Okafor",   "Mehta",    "Nguyen",   "Costa",    "Becker",
    "Romanov",   "Sokolov",      "Hansen",   "Keller",   "Marino",   "Szabo",    "Lopez",
    "Nielsen",   "Varga",        "Gruber",   "Morozov",  "Pereira",  "Fontaine", "Eriksen",
    "Kovac",     "Ramirez",      "Wagner",   "Volkov",   "Santos",   "Hoffmann", "Laine",
    "Berg",      "Mazur",        "Aydin",    "Kim",      "Reyes",    "Adams",    "Clarke",
    "O'Neill",   "Van der Berg", "De Luca",  "Al-Sayed", "Ferreira", "Janssen",  "Sato"};
const char* const kFirstNames[] = {
    "Anna",    "Boris",  "Carlos", "Dmitri", "Elena",   "Fabio",  "Greta",   "Hans",
    "Igor",    "Julia",  "Karl",   "Lena",   "Marco",   "Nadia",  "Oskar",   "Pavel",
    "Quentin", "Rosa",   "Sergei", "Tomas",  "Ulla",    "Viktor", "Wei",     "Xenia",
    "Yuri",    "Zoltan", "Ahmed",  "Bianca", "Chen",    "Dario",  "Emil",    "Frida",
    "Gustav",  "Hiro",   "Ines",   "Jakub",  "Kirsten", "Luis",   "Mikhail", "Nils",
    "Olga",    "Pedro",  "Rahul",  "Sofia",  "Tariq",   "Vera",   "Walter",  "Alexei"};
const char* const kCities[] = {
    "Amsterdam", "Berlin",   "Budapest", "Buenos Aires", "Copenhagen",   "Dortmund",
    "Gibraltar", "Hastings", "Linares",  "London",       "Madrid",       "Moscow",
    "New York",  "Oslo",     "Paris",    "Prague",       "Reykjavik",    "Riga",
    "Stockholm", "Tbilisi",  "Vienna",   "Warsaw",       "Wijk aan Zee", "Zurich",
    "Biel",      "Sochi",    "Tromso",   "Baku",         "Chennai",      "St. Louis"};
const char* const kCountries[] = {"NED", "GER", "HUN", "ARG", "DEN", "GER", "GIB", "ENG",
                                  "ESP", "ENG", "ESP", "RUS", "USA", "NOR", "FRA", "CZE",
                                  "ISL", "LAT", "SWE", "GEO", "AUT", "POL", "NED", "SUI",
                                  "SUI", "RUS", "NOR", "AZE", "IND", "USA"};
static_assert(sizeof kCities == sizeof kCountries, "one country per city");
const char* const kEventKinds[] = {"Open",  "Championship", "Masters",  "Invitational",
                                   "Rapid", "Blitz",        "Memorial", "Team Championship",
                                   "Cup",   "Festival",     "Olympiad", "Club Championship"};

// A value and its weight.
struct Choice {
  int weight;
  const char* text;
};

// Time controls (seconds + increment per move, "-" for none) of games played online.
const Choice kOnlineTimeControls[] = {{2, "15+0"},    {12, "60+0"},  {3, "60+1"},   {4, "120+1"},
                                      {14, "180+0"},  {14, "180+2"}, {12, "300+0"}, {8, "300+3"},
                                      {10, "600+0"},  {8, "600+5"},  {6, "900+10"}, {3, "1800+0"},
                                      {2, "1800+20"}, {2, "-"}};
// Over the board by the event's kind; the classical ones include the standard's forms with a
// move count per period.
const Choice kRapidTimeControls[] = {{5, "900+10"}, {3, "1500+10"}, {2, "1800+0"}};
const Choice kBlitzTimeControls[] = {{5, "180+2"}, {3, "300+3"}, {2, "300+0"}};
const Choice kClassicalTimeControls[] = {
    {40, "5400+30"}, {15, "40/7200:3600"}, {15, "40/6000+30:1800+30"},
    {10, "7200+30"}, {10, "7200"},         {5, "?"},
    {5, "-"}};
const Choice kOnlineTerminations[] = {
    {800, "Normal"}, {180, "Time forfeit"}, {15, "Abandoned"}, {5, "Rules infraction"}};
const Choice kBoardTerminations[] = {{85, "normal"}, {8, "time forfeit"}, {7, "adjudication"}};

const char* const kCommentWords[] = {
    "White",     "Black",      "has",    "a",        "strong",    "position", "the",
    "bishop",    "pair",       "is",     "better",   "than",      "knight",   "with",
    "an",        "initiative", "on",     "kingside", "queenside", "this",     "move",
    "was",       "played",     "in",     "game",     "threatens", "mate",     "after",
    "pawn",      "structure",  "weak",   "square",   "centre",    "attack",   "defence",
    "sacrifice", "probably",   "best",   "stronger", "was",       "to",       "keep",
    "tension",   "unclear",    "equal",  "winning",  "endgame",   "rook",     "file",
    "open",      "exchange",   "theory", "novelty",  "known",     "idea"};
const char* const kNagCodes[] = {"$1",  "$2",  "$3",  "$4",  "$5",  "$6",  "$10", "$13",
                                 "$14", "$15", "$16", "$17", "$18", "$19", "$36", "$146"};

// ---------------------------------------------------------------------------------------------
// Move model: a piece kind and a target square drawn from tables that depend on the game phase.

enum Phase { kOpening, kMiddle, kEnd };

// Piece kinds: pawn, knight, bishop, rook, queen, king, castling.
const int kPieceWeights[3][7] = {
    {30, 18, 16, 8, 10, 2, 16},
    {26, 15, 14, 22, 15, 4, 4},
    {30, 8, 8, 25, 5, 24, 0},
};
const int kFileWeights[8] = {6, 8, 12, 16, 16, 12, 8, 6};
const int kRookFileWeights[8] = {8, 6, 14, 18, 18, 12, 6, 6};
// Target rank seen from the mover's side (index 0 = own first rank).
const int kKnightRanks[8] = {2, 6, 12, 12, 10, 6, 2, 1};
const int kBishopRanks[8] = {2, 6, 10, 12, 10, 8, 4, 1};
const int kRookRanks[8] = {30, 12, 6, 6, 6, 6, 12, 6};
const int kQueenRanks[8] = {8, 12, 10, 8, 6, 5, 4, 2};
const int kKingEndRanks[8] = {6, 10, 12, 12, 10, 8, 4, 2};
const int kPawnEarlyRanks[6] = {35, 35, 20, 8, 2, 0};  // ranks 3 to 8
const int kPawnLateRanks[6] = {12, 22, 24, 22, 19, 1};

struct Side {
  bool castled = false;
  bool long_castle = false;
  bool queen = true;
};

// ---------------------------------------------------------------------------------------------
// Legal games: positions on the engine's board, moves scored by a cheap heuristic.

using kelvane::Bitboard;
using kelvane::Board;
using kelvane::ChessMove;
using kelvane::Color;
using kelvane::PieceType;
using kelvane::Square;

// Piece values in centipawns; the king is never captured.
constexpr int kValue[kelvane::kPieceTypes] = {0, 100, 320, 330, 500, 900, 0};

int Material(const Board& board, Color c) {
  int total = 0;
  for (int t = kelvane::kPawn; t < kelvane::kKing; ++t)
    total += kValue[t] * kelvane::Count(board.Pieces(c, PieceType(t)));
  return total;
}

// Neither side can mate: bare kings, or one minor piece at most on each side.
bool DeadDraw(const Board& board) {
  using namespace kelvane;
  if (board.Pieces(kPawn) | board.Pieces(kRook) | board.Pieces(kQueen)) return false;
  const Bitboard minors = board.Pieces(kKnight) | board.Pieces(kBishop);
  return !MoreThanOne(minors & board.Pieces(kWhite)) && !MoreThanOne(minors & board.Pieces(kBlack));
}

// The least valuable of the pieces on b (a king counts as the most valuable).
int LeastValue(const Board& board, Bitboard b) {
  int least = 10000;
  while (b != 0) {
    const PieceType t = kelvane::TypeOf(board.PieceOn(kelvane::PopLsb(b)));
    least = std::min(least, t == kelvane::kKing ? 10000 : kValue[t]);
  }
  return least;
}

// What the owner of a piece worth `value` on s stands to lose there: all of it when the
// other side attacks it and nothing defends it, else its value less the cheapest attacker's.
int Risk(const Board& after, Square s, int value, Color owner) {
  const Bitboard attackers = after.AttackersTo(s, after.Occupied());
  const Bitboard theirs = attackers & after.Pieces(~owner);
  if (theirs == 0) return 0;
  if ((attackers & after.Pieces(owner)) == 0) return value;
  return std::max(0, value - LeastValue(after, theirs));
}

// The move's score for its player, before noise: material won, material left en prise
// (the moved piece, and the queen if it stands attacked), checks and mates, development in
// the opening, pawn pushes and an active king in the ending.
int ScoreMove(const Board& board, ChessMove m, int ply) {
  using namespace kelvane;
  const Color us = board.SideToMove();
  const Square from = m.From(), to = m.To();
  const PieceType mover = TypeOf(board.PieceOn(from));
  const ChessMove::Kind kind = m.GetKind();
  int score = 0;
  if (kind == ChessMove::kEnPassant) score += kValue[kPawn];
  if (kind != ChessMove::kCastling && board.PieceOn(to) != kNoPiece)
    score += kValue[TypeOf(board.PieceOn(to))];
  PieceType placed = mover;
  if (kind == ChessMove::kPromotion) {
    placed = m.Promotion();
    score += kValue[placed] - kValue[kPawn];
  }
  Board after = board;
  after.Play(m);
  if (after.Checkers() != 0) {
    if (!HasLegalMove(after)) return 1000000;  // mate
    score += 45;
  } else if (Count(after.Pieces(~us)) <= 3 && !HasLegalMove(after)) {
    score -= 600;  // stalemate: thrown away by the side that mates
  }
  const Square landed = kind == ChessMove::kCastling ? kNoSquare : to;
  if (placed != kKing && landed != kNoSquare) score -= Risk(after, landed, kValue[placed], us);
  Bitboard queens = after.Pieces(us, kQueen);
  while (queens != 0) {
    const Square q = PopLsb(queens);
    if (q != landed) score -= Risk(after, q, kValue[kQueen], us) * 3 / 4;
  }
  const bool ending = Material(board, kWhite) + Material(board, kBlack) <= 2600;
  if (kind == ChessMove::kCastling) {
    score += 70;
  } else if (ply < 24) {
    if ((mover == kKnight || mover == kBishop) && RelativeRank(us, from) == 0) score += 35;
    if (mover == kKing) score -= 90;
    if (mover == kQueen) score -= 20;
    if (mover == kRook && (board.CastlingRights() & (us == kWhite ? 3 : 12)) != 0) score -= 25;
    if (mover == kPawn && (FileOf(from) == 3 || FileOf(from) == 4)) score += 25;
  }
  if (mover == kPawn) score += ending ? 10 + 8 * RelativeRank(us, to) : 6;
  if (mover == kKing && ending) {
    const int centre = std::abs(2 * FileOf(to) - 7) + std::abs(2 * RankOf(to) - 7);
    score += 20 - 3 * centre;
  }
  return score;
}

// Whether the side to move has a move that mates.
bool MateInOne(const Board& board) {
  kelvane::MoveList list;
  kelvane::GenerateLegal(board, list);
  for (ChessMove m : list) {
    Board after = board;
    after.Play(m);
    if (after.Checkers() != 0 && !kelvane::HasLegalMove(after)) return true;
  }
  return false;
}

class GameWriter {
 public:
  GameWriter(Random& rng, const Options& options, std::string& out)
      : rng_(rng),
        tags_(options.seed ^ 0x6A09E667F3BCC908ULL),
        options_(options),
        out_(out),
        eol_(options.crlf ? "\r\n" : "\n") {}

  void Write() {
    plies_.clear();
    ChooseResult();
    BuildMoves();
    WriteTags();
    WriteMoveText();
  }

 private:
  // ----- tags -----

  void Tag(const char* name, std::string_view value) {
    out_ += '[';
    out_ += name;
    out_ += " \"";
    out_ += value;
    out_ += "\"]";
    out_ += eol_;
  }

  std::string Player() {
    std::string name(tags_.Pick(kLastNames));
    name += ", ";
    name += tags_.Pick(kFirstNames);
    if (tags_.Chance(120)) {  // a middle initial now and then
      name += ' ';
      name += static_cast<char>('A' + tags_.Below(26));
      name += '.';
    }
    return name;
  }

  static void AppendNumber(std::string& s, unsigned n, int width = 0) {
    char digits[16];
    int len = 0;
    do {
      digits[len++] = static_cast<char>('0' + n % 10);
      n /= 10;
    } while (n != 0);
    for (int i = len; i < width; ++i) s += '0';
    while (len > 0) s += digits[--len];
  }

  template <size_t N>
  std::string_view Choose(const Choice (&choices)[N]) {
    int total = 0;
    for (const Choice& c : choices) total += c.weight;
    int r = static_cast<int>(tags_.Below(static_cast<uint32_t>(total)));
    for (size_t i = 0; i + 1 < N; ++i) {
      if (r < choices[i].weight) return choices[i].text;
      r -= choices[i].weight;
    }
    return choices[N - 1].text;
  }

  void AppendDate(std::string& s, unsigned year, unsigned month, unsigned day) {
    AppendNumber(s, year);
    s += '.';
    AppendNumber(s, month, 2);
    s += '.';
    AppendNumber(s, day, 2);
  }

  // The players' ratings: one strength for the game and a difference for each player, so that
  // the two are close, as pairings make them. Games online are rated lower than those over the
  // board, and the board's ratings begin in 1971 and spread in the following decades.
  void WriteElos(bool online, unsigned year) {
    if (!online && tags_.Chance(year < 1971 ? 850 : year < 1991 ? 300 : 50)) return;
    const int strength =
        online ? 1200 + static_cast<int>(tags_.Below(551) + tags_.Below(551) + tags_.Below(451))
               : 1400 + static_cast<int>(tags_.Below(484) + tags_.Below(484) + tags_.Below(484));
    const int spread = online ? 80 : 125;
    for (const char* name : {"WhiteElo", "BlackElo"}) {
      const int difference = static_cast<int>(tags_.Below(2 * spread + 1)) +
                             static_cast<int>(tags_.Below(2 * spread + 1)) - 2 * spread;
      if (tags_.Chance(online ? 5 : 25)) {  // an unrated player
        Tag(name, "?");
        continue;
      }
      scratch_.clear();
      AppendNumber(scratch_, static_cast<unsigned>(std::clamp(strength + difference, 1200, 2850)));
      Tag(name, scratch_);
    }
  }

  // The tags draw from their own random source, so the move text does not depend on them.
  // Games from 2008 on are more and more often played online: those carry UTCDate, UTCTime, a
  // time control and a termination, as the servers write them; games over the board have
  // fewer tags, the older ones fewer still and more often an unknown part in their date.
  void WriteTags() {
    uint32_t city = tags_.Below(sizeof kCities / sizeof kCities[0]);
    // The product of two uniform draws is most often small: recent years are the most frequent.
    const unsigned year = 2026 - tags_.Below(77) * tags_.Below(77) / 76;
    const bool online = year >= 2008 && tags_.Chance(std::min(850u, (year - 2007) * 70));
    const uint32_t kind = tags_.Below(sizeof kEventKinds / sizeof kEventKinds[0]);
    const unsigned month = 1 + tags_.Below(12);
    const unsigned day = 1 + tags_.Below(28);
    std::string text;
    text = kCities[city];
    text += ' ';
    text += kEventKinds[kind];
    if (tags_.Chance(500)) {
      text += ' ';
      AppendNumber(text, year);
    }
    Tag("Event", text);

    text = kCities[city];
    text += ' ';
    text += kCountries[city];
    Tag("Site", text);

    text.clear();
    const uint32_t unknown = tags_.Below(1000);
    if (online) {
      if (unknown < 40)
        text += "????.??.??";  // the date is in UTCDate only
      else
        AppendDate(text, year, month, day);
    } else if (unknown < 15) {
      text += "????.??.??";
    } else {
      AppendNumber(text, year);
      if (unknown < (year < 1970 ? 200u : 60u)) {
        text += ".??.??";
      } else if (unknown < (year < 1970 ? 260u : 90u)) {
        text += '.';
        AppendNumber(text, month, 2);
        text += ".??";
      } else {
        text.clear();
        AppendDate(text, year, month, day);
      }
    }
    Tag("Date", text);

    text.clear();
    if (tags_.Chance(30)) {
      text += '?';
    } else {
      AppendNumber(text, 1 + tags_.Below(13));
      if (tags_.Chance(150)) {
        text += '.';
        AppendNumber(text, 1 + tags_.Below(8));
      }
    }
    Tag("Round", text);
    Tag("White", Player());
    Tag("Black", Player());
    Tag("Result", result_);

    const bool with_eco = tags_.Chance(online ? 970 : 900);
    if (online) {
      text.clear();
      AppendDate(text, year, month, day);
      Tag("UTCDate", text);
      text.clear();
      AppendNumber(text, tags_.Below(24), 2);
      text += ':';
      AppendNumber(text, tags_.Below(60), 2);
      text += ':';
      AppendNumber(text, tags_.Below(60), 2);
      Tag("UTCTime", text);
      WriteElos(online, year);
      Tag("TimeControl", Choose(kOnlineTimeControls));
      if (with_eco) Tag("ECO", eco_);
      Tag("Termination", result_[0] == '*' ? "Unterminated" : Choose(kOnlineTerminations));
    } else {
      if (with_eco) Tag("ECO", eco_);
      WriteElos(online, year);
      if (tags_.Chance(year < 2000 ? 100 : 450)) {
        const std::string_view event = kEventKinds[kind];
        Tag("TimeControl", event == "Rapid"   ? Choose(kRapidTimeControls)
                           : event == "Blitz" ? Choose(kBlitzTimeControls)
                                              : Choose(kClassicalTimeControls));
      }
      if (tags_.Chance(100))
        Tag("Termination", result_[0] == '*' ? "unterminated" : Choose(kBoardTerminations));
    }
    out_ += eol_;
  }

  // ----- moves -----

  void ChooseResult() {
    static const int kResultWeights[4] = {37, 28, 33, 2};
    static const char* const kResults[4] = {"1-0", "0-1", "1/2-1/2", "*"};
    result_ = kResults[rng_.Weighted(kResultWeights)];
    // Game length in plies: roughly bell-shaped around 80, within 20 to 160.
    int length = 12 + static_cast<int>(rng_.Below(31) + rng_.Below(31) + rng_.Below(31) +
                                       rng_.Below(31) + rng_.Below(13));
    if (rng_.Chance(100)) length += static_cast<int>(rng_.Below(40));
    if (result_[0] == '1' && result_[1] == '/' && rng_.Chance(250)) length = 20 + length / 4;
    if (length < 20) length = 20;
    if (length > 160) length = 160;
    length_ = length;
  }

  void AddLine(const char* line) {
    const char* p = line;
    while (*p != '\0') {
      const char* start = p;
      while (*p != '\0' && *p != ' ') ++p;
      plies_.emplace_back(start, static_cast<size_t>(p - start));
      while (*p == ' ') ++p;
    }
  }

  // Takes the first `count` plies of a line.
  void AddLinePrefix(const char* line, size_t count) {
    size_t before = plies_.size();
    AddLine(line);
    if (plies_.size() - before > count) plies_.resize(before + count);
  }

  void BuildMoves() {
    sides_[0] = Side{};
    sides_[1] = Side{};
    if (rng_.Chance(kNajdorfPerMille)) {
      AddLine(kNajdorf);
      if (rng_.Chance(450)) {
        plies_.emplace_back("f4");
        int weights[sizeof kAfterF4 / sizeof kAfterF4[0]];
        for (size_t i = 0; i < sizeof kAfterF4 / sizeof kAfterF4[0]; ++i) {
          weights[i] = kAfterF4[i].weight;
        }
        const Answer& answer = kAfterF4[rng_.Weighted(weights)];
        plies_.emplace_back(answer.reply);
        eco_ = "B93";
        if (answer.plan != nullptr && rng_.Chance(500)) {
          AddLinePrefix(answer.plan, rng_.Between(9, 12));
        } else {
          AddLinePrefix(answer.other, rng_.Between(4, 12));
        }
      } else {
        const uint32_t sixth = rng_.Below(sizeof kNajdorfSixth / sizeof kNajdorfSixth[0]);
        plies_.emplace_back(kNajdorfSixth[sixth]);
        eco_ = kNajdorfSixthEco[sixth];
      }
    } else {
      int weights[sizeof kOpenings / sizeof kOpenings[0]];
      for (size_t i = 0; i < sizeof kOpenings / sizeof kOpenings[0]; ++i) {
        weights[i] = kOpenings[i].weight;
      }
      // One draw after the other: the order of a call's arguments is the compiler's choice.
      const Opening& opening = kOpenings[rng_.Weighted(weights)];
      AddLinePrefix(opening.plies, rng_.Between(4, 20));
      eco_ = plies_.size() < 8 ? opening.short_eco : opening.eco;
    }
    if (options_.legal) {
      PlayLegalGame();
      return;
    }
    for (size_t i = 0; i < plies_.size(); ++i) {
      if (plies_[i].rfind("O-O", 0) == 0) {
        Side& side = sides_[i % 2];
        side.castled = true;
        side.long_castle = plies_[i] == "O-O-O";
      }
    }
    while (plies_.size() < static_cast<size_t>(length_))
      plies_.push_back(RandomMove(plies_.size()));
    if (result_[1] == '-' && rng_.Chance(250)) {
      std::string& last = plies_.back();
      if (last.back() == '+')
        last.back() = '#';
      else if (last.find('=') == std::string::npos)
        last += '#';
    }
  }

  // ----- legal games -----

  // The move the heuristic picks in the position (with a little noise), other than
  // `avoid` when there is another; ChessMove{} when there is no legal move. Of the best few,
  // the first that does not allow a mate in one.
  ChessMove ChooseMove(const Board& board, int ply, ChessMove avoid = {}) {
    kelvane::MoveList list;
    kelvane::GenerateLegal(board, list);
    scored_.clear();
    for (ChessMove m : list) {
      if (m == avoid && list.size > 1) continue;
      scored_.push_back({ScoreMove(board, m, ply) + static_cast<int>(rng_.Below(70)),
                         static_cast<int>(scored_.size()), m});
    }
    if (scored_.empty()) return {};
    const size_t tries = std::min<size_t>(scored_.size(), 4);
    std::partial_sort(scored_.begin(), scored_.begin() + static_cast<long>(tries), scored_.end(),
                      [](const Scored& a, const Scored& b) {
                        return a.score != b.score ? a.score > b.score : a.order < b.order;
                      });
    for (size_t i = 0; i < tries; ++i) {
      if (scored_[i].score >= 1000000) return scored_[i].move;  // it mates
      Board after = board;
      after.Play(scored_[i].move);
      if (!MateInOne(after)) return scored_[i].move;
    }
    return scored_[0].move;
  }

  // Now and then two moves of one side in the first six plies change places, when the game
  // reaches the same position that way (1.Nf3 c5 2.e4 d6 for 1.e4 c5 2.Nf3 d6).
  void Transpose(std::vector<ChessMove>& moves) {
    const size_t n = std::min<size_t>(moves.size(), 6);
    if (n < 3 || !rng_.Chance(150)) return;
    const size_t i = rng_.Below(static_cast<uint32_t>(n - 2));
    const size_t j = i + 2 * (1 + rng_.Below(static_cast<uint32_t>((n - 1 - i) / 2)));
    std::vector<ChessMove> swapped(moves.begin(), moves.begin() + static_cast<long>(j + 1));
    std::swap(swapped[i], swapped[j]);
    Board board = Board::Start(), original = Board::Start();
    for (size_t k = 0; k <= j; ++k) {
      kelvane::MoveList list;
      kelvane::GenerateLegal(board, list);
      if (std::find(list.begin(), list.end(), swapped[k]) == list.end()) return;
      board.Play(swapped[k]);
      original.Play(moves[k]);
    }
    if (board.SamePosition(original)) std::swap(moves[i], moves[j]);
  }

  // Plays the opening line drawn into plies_ on the board, then heuristic moves, and writes
  // every ply in standard SAN; the result follows how the game ends.
  void PlayLegalGame() {
    Board board = Board::Start();
    moves_.clear();
    for (const std::string& text : plies_) {
      const kelvane::SanRead read = kelvane::ReadSan(board, text);
      if (read.status != kelvane::SanRead::kOk) break;  // the book's lines are all legal
      moves_.push_back(read.move);
      board.Play(read.move);
    }
    Transpose(moves_);
    // Mates end a good share of the games early: the others play on a little longer.
    const size_t length = static_cast<size_t>(length_ >= 40 ? length_ + 16 : length_);
    plies_.clear();
    boards_.clear();
    board = Board::Start();
    for (size_t ply = 0;; ++ply) {
      if (ply >= moves_.size()) {
        if (ply >= length || DeadDraw(board) || board.HalfmoveClock() >= 100) break;
        const ChessMove m = ChooseMove(board, static_cast<int>(ply));
        if (m.IsNone()) break;
        moves_.push_back(m);
      }
      boards_.push_back(board);
      plies_.push_back(kelvane::WriteSan(board, moves_[ply]));
      board.Play(moves_[ply]);
    }
    const bool white_to_move = board.SideToMove() == kelvane::kWhite;
    if (!kelvane::HasLegalMove(board)) {
      result_ = board.Checkers() == 0 ? "1/2-1/2" : white_to_move ? "0-1" : "1-0";
    } else if (DeadDraw(board) || board.HalfmoveClock() >= 100) {
      result_ = "1/2-1/2";
    } else if (result_[0] != '*') {
      const int lead = Material(board, kelvane::kWhite) - Material(board, kelvane::kBlack);
      if (lead >= 500) result_ = "1-0";
      if (lead <= -500) result_ = "0-1";
    }
  }

  // A legal side line replacing the move `avoid` at `ply`, played from `board`.
  void LegalVariation(size_t ply, Board board, ChessMove avoid, int depth) {
    const uint32_t count = rng_.Between(1, 8);
    bool interrupted = true;
    for (uint32_t i = 0; i < count; ++i) {
      const ChessMove m =
          ChooseMove(board, static_cast<int>(ply + i), i == 0 ? avoid : ChessMove{});
      if (m.IsNone()) break;
      const Board before = board;
      MoveToken(ply + i, kelvane::WriteSan(board, m), interrupted, i == 0 ? "(" : "");
      board.Play(m);
      interrupted = false;
      if (depth < 3 && i > 0 && rng_.Chance(60)) {
        LegalVariation(ply + i, before, m, depth + 1);
        interrupted = true;
      }
    }
    out_ += ')';
    ++line_length_;
  }

  static char FileChar(int f) { return static_cast<char>('a' + f); }

  // Rank char for a rank counted from the mover's side (0 = own first rank).
  static char RankChar(int relative, bool white) {
    return static_cast<char>('1' + (white ? relative : 7 - relative));
  }

  std::string RandomMove(size_t ply) {
    const bool white = ply % 2 == 0;
    Side& side = sides_[white ? 0 : 1];
    const Phase phase = ply < 30 ? kOpening : ply < 80 ? kMiddle : kEnd;
    std::string move;
    int piece = rng_.Weighted(kPieceWeights[phase]);
    while (piece == 6 && (side.castled || ply < 6)) piece = rng_.Weighted(kPieceWeights[phase]);
    if (piece == 6) {
      {
        side.castled = true;
        side.long_castle = rng_.Chance(150);
        return side.long_castle ? "O-O-O" : "O-O";
      }
    }
    if (piece == 4 && !side.queen) piece = 3;
    const int capture_per_mille = phase == kOpening ? 120 : phase == kMiddle ? 250 : 180;
    const bool capture = rng_.Chance(capture_per_mille);
    switch (piece) {
      case 0:
        PawnMove(move, white, phase, capture);
        break;
      case 5:
        KingMove(move, white, side, phase, capture);
        break;
      default: {
        static const char kLetters[] = "PNBRQ";
        move += kLetters[piece];
        if ((piece == 1 || piece == 3) && rng_.Chance(70)) {
          move += FileChar(rng_.Weighted(kFileWeights));  // Nbd7, Rfe1
        } else if (piece == 3 && rng_.Chance(12)) {
          move += RankChar(rng_.Chance(700) ? 0 : 6, white);  // R1e2
        }
        if (capture) move += 'x';
        const int* ranks = piece == 1   ? kKnightRanks
                           : piece == 2 ? kBishopRanks
                           : piece == 3 ? kRookRanks
                                        : kQueenRanks;
        const int file = rng_.Weighted(piece == 3 ? kRookFileWeights : kFileWeights);
        int rank = 0;
        {
          int weights[8];
          std::memcpy(weights, ranks, sizeof weights);
          rank = rng_.Weighted(weights);
        }
        move += FileChar(file);
        move += RankChar(rank, white);
        // Queens come off the board in some games; later queen moves become rook moves.
        if (piece == 4 && capture && phase != kOpening && rng_.Chance(150)) side.queen = false;
        break;
      }
    }
    if (rng_.Chance(phase == kEnd ? 90 : 60)) move += '+';
    return move;
  }

  void PawnMove(std::string& move, bool white, Phase phase, bool capture) {
    int file = rng_.Weighted(kFileWeights);
    int rank = 2 + rng_.Weighted(phase == kOpening ? kPawnEarlyRanks : kPawnLateRanks);
    if (phase == kOpening && rank == 7) rank = 4;
    if (capture) {
      int from = file == 0 ? 1 : file == 7 ? 6 : file + (rng_.Chance(500) ? 1 : -1);
      move += FileChar(from);
      move += 'x';
    }
    move += FileChar(file);
    move += RankChar(rank, white);
    if (rank == 7) {
      static const int kPromotionWeights[4] = {90, 4, 3, 3};
      move += '=';
      move += "QNRB"[rng_.Weighted(kPromotionWeights)];
    }
  }

  void KingMove(std::string& move, bool white, const Side& side, Phase phase, bool capture) {
    move += 'K';
    if (capture && phase != kOpening) move += 'x';
    if (phase == kEnd) {
      move += FileChar(rng_.Weighted(kFileWeights));
      move += RankChar(rng_.Weighted(kKingEndRanks), white);
      return;
    }
    // Near the castled king: Kh1 and Kg2 for a short castle, Kb1 for a long one.
    static const char* const kShort[] = {"h1", "h1", "h1", "h1", "h1", "g2",
                                         "g2", "f1", "h2", "g1", "f2", "h1"};
    static const char* const kLong[] = {"b1", "b1", "b1", "b1", "a1", "b2", "c2", "a2", "c1", "d2"};
    static const char* const kCentre[] = {"e2", "f2", "d2", "f1", "d1", "e1", "f3", "d3"};
    const char* square = !side.castled      ? kCentre[rng_.Below(8)]
                         : side.long_castle ? kLong[rng_.Below(10)]
                                            : kShort[rng_.Below(12)];
    move += square[0];
    move += white ? square[1] : static_cast<char>('9' - (square[1] - '0'));
  }

  // ----- move text -----

  void Token(std::string_view token) {
    if (line_length_ > 0 && line_length_ + 1 + token.size() > 79) {
      out_ += eol_;
      line_length_ = 0;
    } else if (line_length_ > 0) {
      out_ += ' ';
      ++line_length_;
    }
    out_ += token;
    line_length_ += token.size();
  }

  // A move with its number when one is due: "12.Nf3", "12...Nf6" after an interruption.
  void MoveToken(size_t ply, std::string_view move, bool force_number,
                 std::string_view prefix = "") {
    scratch_.clear();
    for (char c : prefix) scratch_ += c;
    if (ply % 2 == 0) {
      AppendNumber(scratch_, static_cast<unsigned>(ply / 2 + 1));
      scratch_ += '.';
    } else if (force_number) {
      AppendNumber(scratch_, static_cast<unsigned>(ply / 2 + 1));
      scratch_ += "...";
    }
    scratch_ += move;
    Token(scratch_);
  }

  void Comment() {
    std::string text = "{";
    if (rng_.Chance(300)) {
      text += "[%clk 0:";
      AppendNumber(text, rng_.Below(60), 2);
      text += ':';
      AppendNumber(text, rng_.Below(60), 2);
      text += ']';
      Token(text + "}");
      return;
    }
    const uint32_t words = rng_.Between(2, 14);
    for (uint32_t i = 0; i < words; ++i) {
      if (i > 0) {
        Token(text);
        text.clear();
      }
      text += rng_.Pick(kCommentWords);
    }
    text += rng_.Chance(500) ? ".}" : "}";
    Token(text);
  }

  // A side line replacing the move at `ply`, nested now and then. Its moves do not change the
  // state of the main line.
  void Variation(size_t ply, int depth) {
    const Side saved[2] = {sides_[0], sides_[1]};
    const uint32_t count = rng_.Between(1, 8);
    bool interrupted = true;
    for (uint32_t i = 0; i < count; ++i) {
      MoveToken(ply + i, RandomMove(ply + i), interrupted, i == 0 ? "(" : "");
      interrupted = false;
      if (depth < 3 && i > 0 && rng_.Chance(60)) {
        Variation(ply + i, depth + 1);
        interrupted = true;
      }
    }
    out_ += ')';
    ++line_length_;
    sides_[0] = saved[0];
    sides_[1] = saved[1];
  }

  void WriteMoveText() {
    line_length_ = 0;
    if (options_.comments && rng_.Chance(20)) Comment();
    bool interrupted = false;
    for (size_t ply = 0; ply < plies_.size(); ++ply) {
      MoveToken(ply, plies_[ply], interrupted);
      interrupted = false;
      if (options_.nags && rng_.Chance(50)) Token(rng_.Pick(kNagCodes));
      if (options_.comments && rng_.Chance(40)) {
        Comment();
        interrupted = true;
      }
      if (options_.variations && ply >= 8 && rng_.Chance(30)) {
        if (options_.legal)
          LegalVariation(ply, boards_[ply], moves_[ply], 1);
        else
          Variation(ply, 1);
        interrupted = true;
      }
    }
    Token(result_);
    out_ += eol_;
    out_ += eol_;
  }

  Random& rng_;
  Random tags_;
  const Options& options_;
  std::string& out_;
  const char* eol_;
  const char* result_ = "*";
  const char* eco_ = "A00";
  int length_ = 0;
  std::vector<std::string> plies_;
  std::vector<ChessMove> moves_;  // legal games: the moves, and the board before each
  std::vector<Board> boards_;
  struct Scored {
    int score;
    int order;  // ties go to the first generated, whatever the sort
    ChessMove move;
  };
  std::vector<Scored> scored_;
  Side sides_[2];
  size_t line_length_ = 0;
  std::string scratch_;
};

bool ParseSize(const char* text, uint64_t& size) {
  char* end = nullptr;
  unsigned long long value = std::strtoull(text, &end, 10);
  if (end == text) return false;
  uint64_t unit = 1;
  switch (*end) {
    case 'k':
    case 'K':
      unit = 1ULL << 10;
      ++end;
      break;
    case 'm':
    case 'M':
      unit = 1ULL << 20;
      ++end;
      break;
    case 'g':
    case 'G':
      unit = 1ULL << 30;
      ++end;
      break;
    default:
      break;
  }
  if (*end == 'i') ++end;
  if (*end == 'B' || *end == 'b') ++end;
  if (*end != '\0') return false;
  size = value * unit;
  return true;
}

int Usage() {
  std::fputs(
      "usage: gen_corpus --seed N --size BYTES[K|M|G] [--comments] [--variations] [--nags]\n"
      "                  [--crlf] [--duplicates PERCENT] [--output FILE]\n"
      "                  [--legal]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool have_size = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--seed" && has_value) {
      char* end = nullptr;
      options.seed = std::strtoull(argv[++i], &end, 10);
      if (*end != '\0') return Usage();
    } else if (arg == "--size" && has_value) {
      if (!ParseSize(argv[++i], options.size)) return Usage();
      have_size = true;
    } else if (arg == "--output" && has_value) {
      options.output = argv[++i];
    } else if (arg == "--legal") {
      options.legal = true;
    } else if (arg == "--comments") {
      options.comments = true;
    } else if (arg == "--variations") {
      options.variations = true;
    } else if (arg == "--nags") {
      options.nags = true;
    } else if (arg == "--crlf") {
      options.crlf = true;
    } else if (arg == "--duplicates" && has_value) {
      char* end = nullptr;
      options.duplicates = static_cast<uint32_t>(std::strtoul(argv[++i], &end, 10));
      if (*end != '\0' || options.duplicates > 100) return Usage();
    } else {
      return Usage();
    }
  }
  if (!have_size) return Usage();

  std::FILE* file = options.output != nullptr ? std::fopen(options.output, "wb") : stdout;
  if (file == nullptr) {
    std::perror(options.output);
    return 1;
  }
  Random rng(options.seed);
  std::string buffer;
  constexpr size_t kFlushAt = 8u << 20;
  buffer.reserve(kFlushAt + (1u << 20));
  GameWriter writer(rng, options, buffer);
  Duplicator duplicator(options);
  uint64_t written = 0;
  while (written + buffer.size() < options.size) {
    const size_t start = buffer.size();
    writer.Write();
    duplicator.After(std::string_view(buffer).substr(start), buffer);
    if (buffer.size() >= kFlushAt) {
      if (std::fwrite(buffer.data(), 1, buffer.size(), file) != buffer.size()) break;
      written += buffer.size();
      buffer.clear();
    }
  }
  bool ok = std::fwrite(buffer.data(), 1, buffer.size(), file) == buffer.size();
  ok = std::fflush(file) == 0 && ok;
  if (options.output != nullptr) ok = std::fclose(file) == 0 && ok;
  if (!ok) {
    std::perror(options.output != nullptr ? options.output : "standard output");
    return 1;
  }
  return 0;
}
