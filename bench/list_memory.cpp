// The memory of the Selected games list: scans a file with no criteria, keeps a row for
// every game written as the window does, and prints the rows and the bytes they take.
//
//   list_memory INPUT OUTPUT
#include <chrono>
#include <cstdio>

#include "engine/game_list.h"
#include "engine/scan_run.h"
#include "platform/console_dialogs.h"
#include "platform/file_system.h"

namespace {

class Lister : public kelvane::ScanObserver {
 public:
  void Progress(const kelvane::ScanProgress&) override {}
  void Written(const kelvane::ListedGame& game) override { list.Add(game); }
  kelvane::GameList list;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: list_memory INPUT OUTPUT\n");
    return 2;
  }
  kelvane::ScanRequest request;
  request.inputPath = argv[1];
  request.outputPath = argv[2];
  request.listGames = true;
  kelvane::ConsoleDialogs dialogs(kelvane::ConsoleDialogs::Options{true, true, true});
  Lister lister;
  const auto start = std::chrono::steady_clock::now();
  kelvane::RunScan(request, dialogs, kelvane::fileSystem(), &lister);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const size_t rows = lister.list.Size();
  const size_t bytes = lister.list.MemoryBytes();
  std::printf("%zu rows, %zu bytes, %.1f bytes per row (%.1f s)\n", rows, bytes,
              rows ? double(bytes) / double(rows) : 0.0, seconds);
  // Sorting and filtering take their index vectors on top.
  const auto sorted = lister.list.SortedBy(kelvane::ListColumn::White, false);
  const auto kept = lister.list.Filtered(sorted, "carlsen");
  std::printf("sorted by White: %zu rows; filtered \"carlsen\": %zu rows\n", sorted.size(),
              kept.size());
  return 0;
}
