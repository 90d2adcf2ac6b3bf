// Counts the move paths of a position to a depth: per first move ("e2e4: 20", moves in
// from-to form as chess engines print them) and in total, and the speed on standard error.
//   perft [--960] DEPTH [FEN]     (FEN: the start position when left out; --960: Chess960,
//                                 castling rights by rook files, castling printed as the king
//                                 taking its rook)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/fen.h"
#include "engine/move_generation.h"
#include "engine/san.h"

using namespace kelvane;

int main(int argc, char** argv) {
  const bool chess960 = argc > 1 && std::string(argv[1]) == "--960";
  argc -= chess960;
  argv += chess960;
  if (argc < 2 || argc > 3 || std::atoi(argv[1]) < 1) {
    std::fprintf(stderr, "usage: perft [--960] DEPTH [FEN]\n");
    return 2;
  }
  const int depth = std::atoi(argv[1]);
  Board board;
  const std::string error = ReadFen(argc == 3 ? argv[2] : kStartFen, board, chess960);
  if (!error.empty()) {
    std::fprintf(stderr, "perft: %s\n", error.c_str());
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  MoveList list;
  GenerateLegal(board, list);
  uint64_t total = 0;
  for (ChessMove m : list) {
    Board next = board;
    next.Play(m);
    const uint64_t n = Perft(next, depth - 1);
    total += n;
    std::printf("%s: %llu\n", WriteFromTo(m, chess960 ? &board : nullptr).c_str(),
                static_cast<unsigned long long>(n));
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("\nNodes searched: %llu\n", static_cast<unsigned long long>(total));
  std::fprintf(stderr, "%.3f s, %.1f million nodes/s\n", seconds, total / seconds / 1e6);
  return 0;
}
