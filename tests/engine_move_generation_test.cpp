// Tests of the legal move generation: perft counts of positions rich in castling, en
// passant, promotions, pins and checks (tests/data/perft.epd), and the filtered generation
// that SAN reading relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "engine/fen.h"
#include "engine/move_generation.h"
#include "test_support.h"

using namespace kelvane;

namespace {

// A Debug or sanitizer build is many times slower: it runs the shallower depths only.
#if !defined(NDEBUG) || defined(__SANITIZE_ADDRESS__)
constexpr uint64_t kNodeBudget = 200'000;
#else
constexpr uint64_t kNodeBudget = 20'000'000;
#endif

struct PerftRow {
  std::string fen;
  std::vector<uint64_t> counts;  // counts[d - 1]: depth d
};

std::vector<PerftRow> PerftTable(const char* file = "tests/data/perft.epd") {
  std::vector<PerftRow> rows;
  std::istringstream in(ReadFile(SourcePath(file)));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    PerftRow row{line.substr(0, line.find(';')), {}};
    for (size_t at = line.find(";D"); at != std::string::npos; at = line.find(";D", at + 1))
      row.counts.push_back(std::stoull(line.substr(line.find(' ', at))));
    rows.push_back(row);
  }
  return rows;
}

TEST(MoveGeneration, PerftCountsOfTheTables) {
  for (const bool chess960 : {false, true}) {
    const std::vector<PerftRow> rows =
        PerftTable(chess960 ? "tests/data/perft960.epd" : "tests/data/perft.epd");
    ASSERT_GE(rows.size(), chess960 ? 8u : 12u);
    for (const PerftRow& row : rows) {
      Board board;
      ASSERT_EQ(ReadFen(row.fen, board, chess960), "") << row.fen;
      for (size_t d = 1; d <= row.counts.size() && (d == 1 || row.counts[d - 1] <= kNodeBudget);
           ++d)
        EXPECT_EQ(Perft(board, static_cast<int>(d)), row.counts[d - 1]) << row.fen << " " << d;
    }
  }
}

std::vector<int> Sorted(const MoveList& list) {
  std::vector<int> v;
  for (ChessMove m : list)
    v.push_back(m.From() | m.To() << 6 | m.GetKind() << 12 | m.Promotion() << 14);
  std::sort(v.begin(), v.end());
  return v;
}

// Asking for one piece type and one destination gives exactly those moves of the whole
// list, in every position one ply from the table's.
TEST(MoveGeneration, FilteredGenerationIsTheMatchingPartOfTheWhole) {
  for (const PerftRow& row : PerftTable()) {
    Board root;
    ASSERT_EQ(ReadFen(row.fen, root), "");
    MoveList first;
    GenerateLegal(root, first);
    for (ChessMove m : first) {
      Board board = root;
      board.Play(m);
      MoveList all;
      GenerateLegal(board, all);
      for (int t = kPawn; t <= kKing; ++t) {
        for (Square to = 0; to < 64; ++to) {
          MoveList expected, filtered;
          for (ChessMove x : all)
            if (TypeOf(board.PieceOn(x.From())) == t && x.To() == to) expected.Add(x);
          GenerateLegal(board, filtered, PieceType(t), Bit(to));
          ASSERT_EQ(Sorted(filtered), Sorted(expected))
              << WriteFen(board) << " piece " << t << " to " << to;
        }
      }
    }
  }
}

}  // namespace
