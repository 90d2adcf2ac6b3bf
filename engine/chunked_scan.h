// The scan on every core. The input is cut into chunks of a few megabytes at places where a
// game is sure to begin; threads read and decide the games of the chunks while the scan's
// own thread reads the next chunks, and the games are then written, counted and reported
// chunk after chunk in file order. Files, counts, messages and their order, game numbers,
// progress, a cancel and a fatal fault come out as from a scan that reads the whole file
// line by line on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/game_decider.h"
#include "engine/scan_run.h"
#include "engine/selection_summary.h"
#include "platform/text_files.h"

namespace kelvane {

// What becomes of the decided games, on the scan's thread, in file order.
class GameSink {
 public:
  virtual ~GameSink() = default;
  // A game's header and move-text blocks and where it goes; position: the reading position
  // after it (for progress); eof: it ends the file; key: its key, when the run looks for
  // duplicates and the game goes to the output. False when the run stops after it.
  virtual bool Deliver(Destination to, std::string_view header, std::string_view moveText,
                       uint64_t position, bool eof, const GameKey* key) = 0;
  // The row of the next game delivered to the output when the thread that scanned it found
  // it (the request lists games): told just before that Deliver; with the facts of its row
  // for the summary when that thread found them too (else nullptr).
  virtual void NextListed(const ListedGame& /*game*/, const SummaryFacts* /*facts*/) {}
  // The facts of a game that is delivered a few games later, so that the summary can have
  // their memory fetched in the meantime.
  virtual void ListedAhead(const SummaryFacts& /*facts*/) {}
  // The key of a game that is delivered a few games later, for the sink to start loading
  // what it will look the key up in.
  virtual void Upcoming(const GameKey& /*key*/) {}
};

// The chunks of a scan in chunks with their buffers. A run of several files keeps them from
// one file to the next, so that their memory is not made (and faulted in) again for each.
class ChunkStore;
struct ChunkStoreDeleter {
  void operator()(ChunkStore* store) const;
};
using ChunkMemory = std::unique_ptr<ChunkStore, ChunkStoreDeleter>;
ChunkMemory MakeChunkMemory();

// Scans the whole input in chunks: the messages about the games go to dialogs and the
// games to sink, exactly as a scan line by line gives them, and position is left at the
// reading position after the last game delivered. Returns false, having read nothing, when
// the run may use one core only or the input is no larger than one chunk: the caller then
// reads it line by line. A fatal fault (the reading's, or from dialogs or sink) is thrown
// after every game before it was delivered.
// memory: the chunks to use (nullptr: chunks of its own).
bool ScanInChunks(InputFile& input, const ScanRequest& request, ScanReporter& dialogs,
                  GameSink& sink, uint64_t& position, ChunkStore* memory = nullptr);

// Of a run of several files: has the threads read and scan the file number (of size bytes,
// as listed) whole, as one chunk, ahead of its turn, when the run may use more than one core,
// the file is no larger than a few chunks and the files so read in hand stay within a few
// more (else it is read in its turn: in chunks, or line by line when it makes one).
// input: the run's input, which the threads are bound to.
void ScanFileAhead(ChunkStore& store, size_t number, const std::string& path, uint64_t size,
                   const InputFile& input, const ScanRequest& request);
// In file number's turn, input open on it: delivers its games scanned ahead, as ScanInChunks
// would deliver them; false, having delivered nothing, when it was not scanned ahead (or it
// was no small plain file that could be read): the caller then reads it itself.
bool DeliverScannedAhead(ChunkStore& store, size_t number, InputFile& input,
                         const ScanRequest& request, ScanReporter& dialogs, GameSink& sink,
                         uint64_t& position);

// The cores the process may run on (its affinity mask), at least 1.
unsigned CoresForScan();

// Looks for a place to cut a file where a game is sure to begin: the end of an empty line
// that follows a stretch of non-empty lines which holds a start of move text ("1.", "{" or a
// bare result) and comes after another empty line. A line reader that starts a game at the
// start of the file is then between two games there, or has met an invalid tag line before.
class CutFinder {
 public:
  static constexpr size_t kNone = static_cast<size_t>(-1);

  // Looks from the first line that starts after offset from.
  explicit CutFinder(size_t from) : pos_(from) {}
  // The first such place in data[0, n) with at least one byte after it, or kNone when the
  // data ends first; a later call with more of the same data goes on from there.
  size_t Find(const char* data, size_t n);

 private:
  size_t pos_;
  bool atLineStart_ = false;
  bool afterEmptyLine_ = false;  // an empty line came before the stretch in hand
  bool moveTextStart_ = false;   // the stretch in hand holds a start of move text
};

}  // namespace kelvane
