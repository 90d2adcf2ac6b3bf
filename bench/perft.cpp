// Counts the move paths of a position to a depth: per first move ("e2e4: 20", moves in
// from-to form as chess engines print them) and in total, and the speed on standard error.
//   perft DEPTH [FEN]     (FEN: the start position when left out)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/fen.h"
#include "engine/move_generation.h"
#include "engine/san.h"

using namespace kelvane;

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || std::atoi(argv[1]) < 1) {
    std::fprintf(stderr, "usage: perft DEPTH [FEN]\n");
    return 2;
  }
  const int depth = std::atoi(argv[1]);
  Board board;
  const std::string error = ReadFen(argc == 3 ? argv[2] : kStartFen, board);
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
    std::printf("%s: %llu\n", WriteFromTo(m).c_str(), static_cast<unsigned long long>(n));
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("\nNodes searched: %llu\n", static_cast<unsigned long long>(total));
  std::fprintf(stderr, "%.3f s, %.1f million nodes/s\n", seconds, total / seconds / 1e6);
  return 0;
}
