// Replays every game of PGN files and tells the speed of the replay alone (the reading and
// the move-text parse are timed apart), per core:
//   replay_bench FILE... [--rounds N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/game_reader.h"
#include "engine/game_replay.h"
#include "engine/move_text_parser.h"

using namespace kelvane;

namespace {

struct Game {
  std::string header;
  std::vector<Move> moves;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  int rounds = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--rounds" && i + 1 < argc) {
      rounds = std::atoi(argv[++i]);
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.empty() || rounds < 1) {
    std::fprintf(stderr, "usage: replay_bench FILE... [--rounds N]\n");
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  const auto readStart = Clock::now();
  std::vector<Game> games;
  for (const std::string& path : files) {
    ForEachGame(path, [&](const std::string& header, const std::string& moveText) {
      MoveTextParser parser(moveText, false);
      try {
        parser.Parse();
      } catch (const MoveTextError&) {
        return;
      }
      games.push_back({header, std::move(parser.Moves)});
    });
  }
  const double readSeconds = std::chrono::duration<double>(Clock::now() - readStart).count();

  uint64_t plies = 0, stopped = 0, refused = 0;
  const auto start = Clock::now();
  for (int round = 0; round < rounds; ++round) {
    for (const Game& game : games) {
      GameReplay replay;
      if (!replay.Begin(GameView{game.header, {}}).empty()) {
        ++refused;
        continue;
      }
      for (const Move& move : game.moves) {
        if (!replay.Play(move.Text())) {
          ++stopped;
          break;
        }
      }
      plies += static_cast<uint64_t>(replay.Plies());
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf(
      "%zu games, %llu plies replayed in %d round(s); %llu games stopped on a move, "
      "%llu not replayed\n",
      games.size(), static_cast<unsigned long long>(plies / rounds), rounds,
      static_cast<unsigned long long>(stopped / rounds),
      static_cast<unsigned long long>(refused / rounds));
  std::printf("reading and parsing: %.3f s; replay: %.3f s, %.2f million plies/s\n", readSeconds,
              seconds, plies / seconds / 1e6);
  return 0;
}
