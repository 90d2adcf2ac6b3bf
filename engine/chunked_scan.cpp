#include "engine/chunked_scan.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/game_decider.h"
#include "engine/game_reader.h"
#include "platform/fault.h"
#include "platform/game_folder.h"
#include "platform/io_result.h"

namespace kelvane {

namespace {

constexpr size_t kChunkBytes = size_t{1} << 20;
constexpr size_t kFirstChunk = size_t{64} << 10;
// More threads would only wait for the one that reads and writes.
constexpr unsigned kMaxThreads = 4;
// The cut is looked for in the last part of a chunk, at most this far from its end.
constexpr size_t kLookBack = size_t{64} << 10;
// A stretch of this many chunk sizes without a place to cut is read line by line.
constexpr size_t kLongestChunk = 8;
// A file read at offsets is looked at in pieces of this size where it is to be cut.
constexpr size_t kCutPiece = size_t{4} << 10;
constexpr char kCtrlZ = 26;

// One game of a chunk as the scan decided it.
struct GameEntry {
  uint64_t end;       // the reading position after the game, from the chunk's base
  size_t textEnd;     // where its header and move text end in the chunk's text
  size_t headerSize;  // of a game that is written
  Destination to;
  bool eof;  // the game ends the file
  bool keyed;  // key holds its key for the duplicates test
  GameKey key;
};

// A message shown while a game was read or decided, shown again when the game is delivered.
struct Message {
  enum Kind : uint8_t { Plain, Notice, QuotedMessage, QuotedNotice, InvalidLine, GameFault } kind;
  size_t game;  // the game being read, counted in the chunk from 0
  // The text; a quoted line comes with what stands before and after it. A game fault is
  // kept alone, since the game's number is known only when the chunk is delivered.
  std::string text;
  std::string before;
  std::string after;
};

struct Chunk {
  std::vector<char> bytes;  // read from the file; size is where the chunk ends
  size_t size = 0;
  uint64_t base = 0;      // the file position of bytes[0]
  bool last = false;      // reaches the end of the file
  std::string endFault;   // reading past the bytes met damaged data: this trap follows them
  bool readHere = false;  // the scanning thread reads the bytes from the file itself
  std::string wholeFile;  // or reads this small file whole, ahead of its turn (ScanFileAhead)
  bool unread = false;    // which it could not, or would not (see ReadSmallPlainFile)
  bool endsData = false;  // that reading found the data ending inside the chunk
  int readError = 0;      // the error that ended the data there
  // What the scan of the chunk found.
  std::string text;  // the header and move text of each game that is written
  std::vector<GameEntry> games;
  std::vector<ListedPlaces> listed;  // the rows of the games written, when they are listed
  std::vector<SummaryFacts> facts;   // and what the summary reads of them, when it is kept
  std::vector<Message> messages;
  bool stopped = false;      // a fatal fault or an error ended the chunk
  std::string fault;         // the text of a fault of the scan's files
  std::exception_ptr error;  // any other error
  bool scanned = false;      // under the workers' lock

  void Clear(size_t chunkBytes) {
    // Memory grown by an exceptional chunk is given back, so that it stays flat.
    text.clear();
    if (text.capacity() > 4 * chunkBytes) std::string().swap(text);
    if (bytes.size() > 2 * chunkBytes + 1) std::vector<char>().swap(bytes);
    games.clear();
    listed.clear();
    facts.clear();
    messages.clear();
    stopped = scanned = last = readHere = endsData = unread = false;
    wholeFile.clear();
    readError = 0;
    endFault.clear();
    fault.clear();
    error = nullptr;
  }
};

// The dialogs of a chunk's reading: every message is kept with the game it belongs to.
class MessageRecorder : public ScanReporter {
 public:
  void Use(Chunk& chunk) { chunk_ = &chunk; }
  void ShowMessage(const std::string& text) override { Keep(Message::Plain, {}, text, {}); }
  void ShowNotice(const std::string& text) override { Keep(Message::Notice, {}, text, {}); }
  void ShowQuotedMessage(std::string_view before, std::string_view line,
                         std::string_view after) override {
    Keep(Message::QuotedMessage, before, line, after);
  }
  void ShowQuotedNotice(std::string_view before, std::string_view line,
                        std::string_view after) override {
    Keep(Message::QuotedNotice, before, line, after);
  }
  void ShowInvalidLine(std::string_view line) override { Keep(Message::InvalidLine, {}, line, {}); }
  DialogButton Confirm(const std::string&, DialogButtons buttons) override {
    return buttons == DialogButtons::OkCancel ? DialogButton::Cancel : DialogButton::No;
  }

 private:
  void Keep(Message::Kind kind, std::string_view before, std::string_view text,
            std::string_view after) {
    chunk_->messages.push_back(
        {kind, chunk_->games.size(), std::string(text), std::string(before), std::string(after)});
  }

  Chunk* chunk_ = nullptr;
};

// Reads and decides the games of chunks, as the line-by-line scan does, into the chunks.
class ChunkScanner {
 public:
  explicit ChunkScanner(const ScanRequest& request)
      : decider_(request, recorder_),
        list_(ListsRows(request)),
        summarize_(request.summary || !request.summaryPath.empty()),
        keepText_(!request.countOnly || request.duplicatesPrefix) {}
  ChunkScanner(const ChunkScanner&) = delete;
  ChunkScanner& operator=(const ChunkScanner&) = delete;

  // Reads the games of in, which holds the chunk's bytes from the start of a game (or of the
  // file), up to their end; a fatal fault or an error ends the chunk where it comes. Games
  // count as ending the file only in the last chunk.
  void Scan(InputFile& in, Chunk& chunk, const std::atomic<bool>& stop) {
    recorder_.Use(chunk);
    try {
      // A file without a single line holds no game; a chunk holds at least one byte (but
      // its end may be where the file was damaged).
      bool eof = in.AtEnd();
      while (!eof && in.Position() < chunk.size && !stop.load(std::memory_order_relaxed))
        ScanGame(in, chunk, eof);
      // Damaged data right after the last whole game is met here.
      if (!eof) in.AtEnd();
    } catch (const ScanFileError& e) {
      chunk.stopped = true;
      chunk.fault = e.what();
    } catch (...) {
      chunk.stopped = true;
      chunk.error = std::current_exception();
    }
  }

 private:
  void ScanGame(InputFile& in, Chunk& c, bool& eof) {
    // The game's number is known only when the chunk is delivered: a fault is kept alone.
    const bool first = c.last && c.base == 0 && c.games.empty();
    if (!decider_.Next(in, eof, first, 0)) return;
    if (std::optional<std::string> fault = decider_.TakeFault())
      c.messages.push_back({Message::GameFault, c.games.size(), std::move(*fault), {}, {}});
    const Destination to = decider_.To();
    size_t headerSize = 0;
    if (to != Destination::None && keepText_) {
      c.text += decider_.Header();
      c.text += decider_.MoveText();
      headerSize = decider_.Header().size();
    }
    // The rows of the games listed are found here, on the threads that scan.
    if (list_ && to == Destination::Output) {
      const ListedGame row = Listed(decider_);
      c.listed.push_back(PlacesIn(decider_.Header(), row));
      if (summarize_) c.facts.push_back(SelectionSummary::FactsOf(row));
    }
    const GameKey* key = decider_.Key();
    c.games.push_back({in.Position(), c.text.size(), headerSize, to, c.last && eof, key != nullptr,
                       key ? *key : GameKey{}});
  }

  MessageRecorder recorder_;  // before the decider, which keeps a reference
  GameDecider decider_;
  bool list_;  // the games written are listed
  bool summarize_;  // and counted in a summary
  // The text of the games that go somewhere is kept for the delivery: not when they are only
  // counted, unless the prefix rule holds them.
  bool keepText_;
};

// Reads the bytes of a chunk from the file at its place. The data ends inside the chunk at a
// Ctrl-Z, as reading lines ends there, or where the file ends or fails.
void ReadChunk(const InputFile& file, Chunk& c) {
  if (c.bytes.size() < c.size) c.bytes.resize(c.size);
  int error = 0;
  size_t got = file.ReadAt(c.base, c.bytes.data(), c.size, error);
  if (const void* z = std::memchr(c.bytes.data(), kCtrlZ, got))
    got = static_cast<size_t>(static_cast<const char*>(z) - c.bytes.data());
  if (error) c.readError = error;
  if (got < c.size) {
    c.size = got;
    c.last = c.endsData = true;
  }
}

// Reads a small plain file whole into the chunk, which is then the file's only chunk, cut at a
// Ctrl-Z as ReadChunk cuts; false (the chunk marked unread) when the file is no such file or
// cannot be read: its turn then reads it the usual way, and meets what is wrong there.
bool ReadWholeFile(Chunk& c) {
  try {
    if (!ReadSmallPlainFile(c.wholeFile, c.size, c.bytes)) {
      c.unread = true;
      return false;
    }
  } catch (const std::bad_alloc&) {
    c.unread = true;
    return false;
  }
  c.size = c.bytes.size();
  if (const void* z = std::memchr(c.bytes.data(), kCtrlZ, c.size))
    c.size = static_cast<size_t>(static_cast<const char*>(z) - c.bytes.data());
  c.base = 0;
  c.last = true;
  return true;
}

// Threads that scan the chunks handed to them, each with its own scanner.
class Workers {
 public:
  Workers(unsigned count, const InputFile& file, const ScanRequest& request) : file_(file) {
    // The scanners are built here, so that their set-up fails on the scan's own thread.
    for (unsigned i = 0; i < count; ++i)
      scanners_.push_back(std::make_unique<ChunkScanner>(request));
    try {
      for (auto& scanner : scanners_) threads_.emplace_back([this, &scanner] { Run(*scanner); });
    } catch (const std::system_error&) {
      Close();
      throw std::bad_alloc();  // no memory for a thread's stack, or no thread left
    } catch (...) {
      Close();
      throw;
    }
  }
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;
  ~Workers() { Close(); }

  unsigned Count() const { return static_cast<unsigned>(threads_.size()); }
  bool Reads(const InputFile& file) const { return &file == &file_; }

  void Scan(Chunk* chunk) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(chunk);
    }
    work_.notify_one();
  }

  void WaitFor(Chunk* chunk) {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [chunk] { return chunk->scanned; });
  }

 private:
  void Run(ChunkScanner& scanner) {
    for (;;) {
      Chunk* c = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        work_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (closing_) return;
        c = queue_.front();
        queue_.pop_front();
      }
      if (!c->wholeFile.empty() && !ReadWholeFile(*c)) {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          c->scanned = true;
        }
        done_.notify_all();
        continue;
      }
      if (c->readHere) {
        try {
          ReadChunk(file_, *c);
        } catch (...) {
          // No memory for the bytes: the chunk ends the run with that error, after the
          // games before it.
          c->size = 0;
          c->stopped = true;
          c->error = std::current_exception();
        }
      }
      InputFile in;
      in.OpenBytes(std::move(c->bytes), c->size, std::move(c->endFault));
      scanner.Scan(in, *c, stop_);
      c->bytes = in.ReleaseBytes();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        c->scanned = true;
      }
      done_.notify_all();
    }
  }

  // Stops the threads after the game in hand and waits for them.
  void Close() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closing_ = true;
    }
    stop_ = true;
    work_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

  const InputFile& file_;
  std::vector<std::unique_ptr<ChunkScanner>> scanners_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable done_;
  std::deque<Chunk*> queue_;
  bool closing_ = false;
  std::atomic<bool> stop_ = false;
};

// Cuts the input into chunks that each begin with a game.
class ChunkCutter {
 public:
  enum class Outcome { Cut, Last, TooLong };

  ChunkCutter(InputFile& input, size_t chunkBytes, bool atOffsets)
      : input_(input),
        atOffsets_(atOffsets),
        chunkBytes_(chunkBytes),
        longest_(kLongestChunk * chunkBytes),
        size_(std::min(chunkBytes, kFirstChunk)) {}

  // Fills the chunk with the next bytes, up to a place where a game is sure to begin (Cut),
  // or up to the end of the input (Last). TooLong: the chunk holds a stretch of the longest
  // size with no such place in it.
  Outcome Next(Chunk& c) {
    // The first chunks are small, so that the first games are delivered (and the first
    // progress told) soon; the size doubles up to the full one.
    const size_t size = size_;
    size_ = std::min(chunkBytes_, 2 * size_);
    if (atOffsets_) return NextAt(c, size);
    if (c.bytes.size() < std::max(size, carry_.size()))
      c.bytes.resize(std::max(size, carry_.size()));
    if (!carry_.empty()) std::memcpy(c.bytes.data(), carry_.data(), carry_.size());
    size_t n = carry_.size();
    carry_.clear();
    c.base = position_;
    bool end = false;
    while (n < size && !end) end = !Read(c, n, size - n);
    CutFinder finder(size - std::min(size / 2, kLookBack));
    for (;;) {
      if (end) {
        c.size = n;
        c.last = true;
        position_ += n;
        return Outcome::Last;
      }
      const size_t cut = finder.Find(c.bytes.data(), n);
      if (cut != CutFinder::kNone) {
        carry_.assign(c.bytes.data() + cut, c.bytes.data() + n);
        c.size = cut;
        position_ += cut;
        return Outcome::Cut;
      }
      if (n >= longest_) {
        c.size = n;
        return Outcome::TooLong;
      }
      const size_t more = std::min(size, longest_ - n);
      if (c.bytes.size() < n + more) c.bytes.resize(n + more);
      end = !Read(c, n, more);
    }
  }

  // Puts a chunk that came back TooLong into the input, to be read from there line by line;
  // Resume then takes up the cutting where that reading stopped.
  void GiveBack(Chunk& c) {
    if (atOffsets_) return input_.SeekTo(c.base);
    input_.PutBack(std::move(c.bytes), c.size);
    c.bytes = {};
  }
  void Resume() { position_ = input_.Position(); }

 private:
  // Next for a file read at offsets: only the bytes where the chunk is to end are read
  // here, in small pieces, and the thread that scans the chunk reads the rest itself, so
  // that the copying of the file is shared out as well.
  Outcome NextAt(Chunk& c, size_t size) {
    c.base = position_;
    c.readHere = true;
    const uint64_t from = position_ + size - std::min(size / 2, kLookBack);
    CutFinder finder(0);
    size_t n = 0;
    size_t want = kCutPiece;
    for (;;) {
      if (piece_.size() < n + want) piece_.resize(n + want);
      int error = 0;
      size_t got = input_.ReadAt(from + n, piece_.data() + n, want, error);
      bool dataEnds = error || got < want;
      if (const void* z = std::memchr(piece_.data() + n, kCtrlZ, got)) {
        got = static_cast<size_t>(static_cast<const char*>(z) - piece_.data() - n);
        dataEnds = true;
      }
      n += got;
      const size_t reached = static_cast<size_t>(from + n - c.base);
      if (dataEnds) {
        // The data ends here: at the end of the file, a Ctrl-Z or a failed read.
        c.size = reached;
        c.last = true;
        c.readError = error;
        position_ += reached;
        return Outcome::Last;
      }
      const size_t cut = finder.Find(piece_.data(), n);
      if (cut != CutFinder::kNone) {
        c.size = static_cast<size_t>(from - c.base) + cut;
        position_ += c.size;
        return Outcome::Cut;
      }
      if (reached >= longest_) {
        c.size = reached;
        return Outcome::TooLong;
      }
      want = std::min(2 * want, longest_ - reached);
    }
  }

  // Appends up to want bytes to the chunk; false at the end of the input. Damaged data
  // ends the input too: the chunk then traps where the reading passes its bytes, as the
  // reading of the file would have trapped there.
  bool Read(Chunk& c, size_t& n, size_t want) {
    size_t got = 0;
    try {
      got = input_.ReadRaw(c.bytes.data() + n, want);
    } catch (const FatalError& e) {
      c.endFault = e.what();
    } catch (const std::bad_alloc&) {
      c.endFault = kOutOfMemoryMessage;  // the decoding found no memory
    }
    n += got;
    return got > 0;
  }

  InputFile& input_;
  bool atOffsets_;           // the file is read at offsets, by the threads that scan it
  std::vector<char> piece_;  // read where a chunk of such a file is to end
  size_t chunkBytes_;
  size_t longest_;
  size_t size_;              // of the next chunk
  std::vector<char> carry_;  // read past the last cut: the start of the next chunk
  uint64_t position_ = 0;    // the file position of the next chunk
};

// How many rows ahead of the one delivered the summary is told of (GameSink::ListedAhead).
constexpr size_t kFactsAhead = 8;

// Hands the games of the chunks to the sink and shows their messages, in file order, on
// the scan's thread.
class Delivery {
 public:
  Delivery(const InputFile& input, const ScanRequest& request, ScanReporter& dialogs,
           GameSink& sink)
      : input_(input), request_(request), dialogs_(dialogs), sink_(sink) {}

  // Shows each game's messages and delivers it, as the line-by-line scan would have; false
  // when the sink stops the run. A chunk that a fatal fault or an error ended throws it once
  // its games are delivered and the messages shown before it.
  bool Deliver(const Chunk& c) {
    size_t m = 0;
    auto show = [&](size_t game) {
      for (; m < c.messages.size() && c.messages[m].game == game; ++m) Show(c.messages[m]);
    };
    size_t textStart = 0;
    size_t listed = 0;
    // The duplicates test's lookups miss the caches: each key is told kAhead games early.
    constexpr size_t kAhead = 8;
    auto upcoming = [&](size_t game) {
      if (game < c.games.size() && c.games[game].keyed) sink_.Upcoming(c.games[game].key);
    };
    for (size_t i = 0; i < kAhead; ++i) upcoming(i);
    for (size_t i = 0; i < c.games.size(); ++i) {
      upcoming(i + kAhead);
      show(i);
      const GameEntry& g = c.games[i];
      const std::string_view text =
          std::string_view(c.text).substr(textStart, g.textEnd - textStart);
      textStart = g.textEnd;
      // The progress of a compressed file counts its compressed bytes, read ahead.
      position_ = input_.Compressed() ? input_.BytesRead() : c.base + g.end;
      ++delivered_;
      if (g.to == Destination::Output && listed < c.listed.size()) {
        // The summary's memory for a game some rows ahead is fetched while this one is counted.
        if (listed + kFactsAhead < c.facts.size()) sink_.ListedAhead(c.facts[listed + kFactsAhead]);
        sink_.NextListed(FromPlaces(text.substr(0, g.headerSize), c.listed[listed]),
                         listed < c.facts.size() ? &c.facts[listed] : nullptr);
        ++listed;
      }
      if (!sink_.Deliver(g.to, text.substr(0, g.headerSize), text.substr(g.headerSize), position_,
                         g.eof, g.keyed ? &g.key : nullptr))
        return false;
    }
    if (c.stopped) {
      show(c.games.size());
      if (c.error) std::rethrow_exception(c.error);
      ReportScanFault(c.fault);
    }
    return true;
  }

  // Reads the games of the input line by line, as the scan of the whole file does, and
  // delivers each at once, until the reading position reaches until or the file ends (eof
  // set); false when the sink stops the run. Faults are thrown where they come.
  bool DeliverLineByLine(InputFile& input, uint64_t until, bool& eof) {
    if (!decider_) decider_.emplace(request_, dialogs_);
    eof = input.AtEnd();
    while (!eof && input.Position() < until) {
      if (!decider_->Next(input, eof, delivered_ == 0, delivered_ + 1)) return true;
      position_ = input.BytesRead();
      ++delivered_;
      if (decider_->To() == Destination::Output && ListsRows(request_))
        sink_.NextListed(Listed(*decider_), nullptr);
      if (!sink_.Deliver(decider_->To(), decider_->Header(), decider_->MoveText(), position_, eof,
                         decider_->Key()))
        return false;
    }
    return true;
  }

  uint64_t position() const { return position_; }

 private:
  void Show(const Message& message) {
    switch (message.kind) {
      case Message::Plain:
        dialogs_.ShowMessage(message.text);
        break;
      case Message::Notice:
        dialogs_.ShowNotice(message.text);
        break;
      case Message::QuotedMessage:
        dialogs_.ShowQuotedMessage(message.before, message.text, message.after);
        break;
      case Message::QuotedNotice:
        dialogs_.ShowQuotedNotice(message.before, message.text, message.after);
        break;
      case Message::InvalidLine:
        dialogs_.ShowInvalidLine(message.text);
        break;
      case Message::GameFault:
        // The game's number counts the games delivered before this one.
        dialogs_.ShowNotice(GameFaultNotice(delivered_ + 1, message.text));
        break;
    }
  }

  const InputFile& input_;
  const ScanRequest& request_;
  ScanReporter& dialogs_;
  GameSink& sink_;
  int64_t delivered_ = 0;  // games handed to the sink
  uint64_t position_ = 0;  // the reading position after the last of them
  // For stretches read line by line.
  std::optional<GameDecider> decider_;
};

}  // namespace

// What one run keeps from one input file to the next: the chunks' memory, and the threads
// with their scanners, which wait for the next file once a file's chunks were all delivered
// and meanwhile read and scan small files ahead of their turn.
class ChunkStore {
 public:
  std::vector<std::unique_ptr<Chunk>> chunks;
  // The small files handed to the threads ahead of their turn, by their number in the run,
  // with their sizes, and the chunks they were read into, kept for the next ones.
  struct Ahead {
    size_t number;
    uint64_t size;
    std::unique_ptr<Chunk> chunk;
  };
  std::deque<Ahead> ahead;
  std::vector<std::unique_ptr<Chunk>> spare;
  std::unique_ptr<Workers> workers;  // after the chunks: the threads stop before they go

  // The threads for a scan of input: those of the file before when they were made for the
  // same run and input, else new ones.
  Workers& WorkersFor(unsigned threads, const InputFile& input, const ScanRequest& request) {
    if (!workers || request_ != &request || workers->Count() != threads || !workers->Reads(input)) {
      StopWorkers();
      workers = std::make_unique<Workers>(threads, input, request);
      request_ = &request;
    }
    return *workers;
  }
  // Stops the threads, with the files they were to read ahead, which are then read in
  // their turn.
  void StopWorkers() {
    workers.reset();
    ahead.clear();
  }

 private:
  const ScanRequest* request_ = nullptr;  // the run the workers were made for
};

void ChunkStoreDeleter::operator()(ChunkStore* store) const {
  delete store;
}

ChunkMemory MakeChunkMemory() {
  return ChunkMemory(new ChunkStore);
}

unsigned CoresForScan() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

size_t CutFinder::Find(const char* d, size_t n) {
  for (;;) {
    if (pos_ >= n) return kNone;
    // The line at pos_ ends at the first LF or CR; a CR takes the LF that follows it.
    const char* from = d + pos_;
    const char* lf = static_cast<const char*>(std::memchr(from, '\n', n - pos_));
    const char* stop = lf ? lf : d + n;
    const char* cr = static_cast<const char*>(std::memchr(from, '\r', stop - from));
    const char* end = cr ? cr : lf;
    if (!end) return kNone;
    size_t next = static_cast<size_t>(end - d) + 1;
    if (*end == '\r') {
      if (next >= n) return kNone;  // a CR LF perhaps, cut in two
      if (d[next] == '\n') ++next;
    }
    if (!atLineStart_) {
      // Looking began inside a line: the next line is the first one looked at.
      atLineStart_ = true;
      pos_ = next;
      continue;
    }
    // The line as cleaning would leave it: without the blanks and tabs at either end.
    const char* b = from;
    while (b < end && (*b == ' ' || *b == '\t')) ++b;
    const char* e = end;
    while (e > b && (e[-1] == ' ' || e[-1] == '\t')) --e;
    if (b == e) {
      if (afterEmptyLine_ && moveTextStart_) {
        if (next >= n) return kNone;  // the next chunk must not be empty
        return next;
      }
      afterEmptyLine_ = true;
      moveTextStart_ = false;
    } else if ((e - b >= 2 && b[0] == '1' && b[1] == '.') || b[0] == '{' ||
               IsBareResult(std::string_view(b, static_cast<size_t>(e - b)))) {
      moveTextStart_ = true;
    }
    pos_ = next;
  }
}

namespace {

// The largest file read and scanned whole ahead of its turn, counted in chunk sizes (one
// thread scans it, while the others scan the files before and after it), and the most bytes
// of files so read that are in hand at once, likewise.
constexpr size_t kAheadChunks = 4;
constexpr size_t kAheadInHand = 8;

unsigned ThreadsFor(const ScanRequest& request) {
  return std::min(request.method.threads ? request.method.threads : CoresForScan(), kMaxThreads);
}

size_t ChunkBytesFor(const ScanRequest& request) {
  return request.method.chunkBytes ? request.method.chunkBytes : kChunkBytes;
}

}  // namespace

void ScanFileAhead(ChunkStore& store, size_t number, const std::string& path, uint64_t size,
                   const InputFile& input, const ScanRequest& request) {
  const unsigned threads = ThreadsFor(request);
  const size_t most = kAheadChunks * ChunkBytesFor(request);
  if (threads <= 1 || size == 0 || size > most) return;
  // The files in hand, with their games kept for the output, stay within a few chunks.
  uint64_t inHand = size;
  for (const ChunkStore::Ahead& a : store.ahead) {
    if (a.number == number) return;
    inHand += a.size;
  }
  if (inHand > kAheadInHand * ChunkBytesFor(request)) return;
  Workers& workers = store.WorkersFor(threads, input, request);
  std::unique_ptr<Chunk> c;
  if (store.spare.empty()) {
    c = std::make_unique<Chunk>();
  } else {
    c = std::move(store.spare.back());
    store.spare.pop_back();
  }
  c->wholeFile = path;
  c->size = most;  // the most that is read: a file that grew waits its turn
  store.ahead.push_back({number, size, std::move(c)});
  try {
    workers.Scan(store.ahead.back().chunk.get());
  } catch (...) {
    store.ahead.pop_back();  // never handed over: its turn must not wait for it
    throw;
  }
}

bool DeliverScannedAhead(ChunkStore& store, size_t number, InputFile& input,
                         const ScanRequest& request, ScanReporter& dialogs, GameSink& sink,
                         uint64_t& position) {
  // Files handed over for earlier turns that were read otherwise are of no more use.
  while (!store.ahead.empty() && store.ahead.front().number < number) {
    store.workers->WaitFor(store.ahead.front().chunk.get());
    store.ahead.pop_front();
  }
  if (store.ahead.empty() || store.ahead.front().number != number) return false;
  std::unique_ptr<Chunk> c = std::move(store.ahead.front().chunk);
  store.ahead.pop_front();
  store.workers->WaitFor(c.get());
  const bool read = !c->unread;
  if (read) {
    Delivery delivery(input, request, dialogs, sink);
    delivery.Deliver(*c);  // a stop by the sink ends the run, as in ScanInChunks
    position = delivery.position();
  }
  // The chunk's memory serves the next file read ahead (after a fault the run ends, and it
  // is freed with c).
  c->Clear(ChunkBytesFor(request));
  store.spare.push_back(std::move(c));
  return read;
}

bool ScanInChunks(InputFile& input, const ScanRequest& request, ScanReporter& dialogs,
                  GameSink& sink, uint64_t& position, ChunkStore* memory) {
  const unsigned threads = ThreadsFor(request);
  const size_t chunkBytes = ChunkBytesFor(request);
  if (threads <= 1 || (input.Size() > 0 && input.Size() <= chunkBytes)) return false;

  // The chunks outlive the threads, which are stopped and waited for however the run ends.
  ChunkStore own;
  std::vector<std::unique_ptr<Chunk>>& chunks = (memory ? *memory : own).chunks;
  std::vector<Chunk*> idle;
  for (const std::unique_ptr<Chunk>& c : chunks) {
    c->Clear(chunkBytes);
    idle.push_back(c.get());
  }
  std::deque<Chunk*> order;
  // The workers of the file before are taken when they were made for the same run and
  // input; when this file's chunks are not all delivered (a stop, a fault), they are stopped
  // on the way out, so that no chunk of this file reaches the next.
  ChunkStore& store = memory ? *memory : own;
  Workers& workers = store.WorkersFor(threads, input, request);
  struct StopUnlessDone {
    ChunkStore& store;
    bool done = false;
    ~StopUnlessDone() {
      if (!done) store.StopWorkers();
    }
  } stopUnlessDone{store};
  ChunkCutter cutter(input, chunkBytes, request.method.readAtOffsets && input.ReadableAtOffsets());
  Delivery delivery(input, request, dialogs, sink);
  // Delivers the first chunk in order, once scanned; false when the run stops.
  auto deliverFirst = [&] {
    Chunk* c = order.front();
    order.pop_front();
    workers.WaitFor(c);
    const bool goOn = delivery.Deliver(*c);
    position = delivery.position();
    // A failed read ends the data as it does for a scan line by line, its error left
    // pending; the chunks after one whose data ended early are not delivered.
    if (c->readError) SetIoResult(c->readError);
    const bool ended = c->endsData;
    c->Clear(chunkBytes);
    idle.push_back(c);
    return goOn && !ended;
  };
  // Enough chunks that every thread has one to scan while the next ones wait in order.
  const size_t inFlight = 2 * threads + 1;
  bool more = true;
  for (;;) {
    while (more && order.size() < inFlight) {
      if (idle.empty()) {
        chunks.push_back(std::make_unique<Chunk>());
        idle.push_back(chunks.back().get());
      }
      Chunk* c = idle.back();
      idle.pop_back();
      const ChunkCutter::Outcome outcome = cutter.Next(*c);
      if (outcome == ChunkCutter::Outcome::TooLong) {
        // A stretch without a place to cut (a game of many megabytes, say) is read line by
        // line on this thread once the chunks before it are delivered, as the scan of the
        // whole file reads it.
        const uint64_t until = c->base + c->size;
        cutter.GiveBack(*c);
        c->Clear(chunkBytes);
        idle.push_back(c);
        while (!order.empty())
          if (!deliverFirst()) return true;
        bool eof = false;
        const bool goOn = delivery.DeliverLineByLine(input, until, eof);
        position = delivery.position();
        if (!goOn) return true;
        if (eof) more = false;
        cutter.Resume();
        continue;
      }
      if (outcome == ChunkCutter::Outcome::Last) more = false;
      workers.Scan(c);
      order.push_back(c);
    }
    if (order.empty()) break;
    if (!deliverFirst()) break;
  }
  // No chunk is left with the threads when every one handed to them was delivered.
  stopUnlessDone.done = order.empty();
  return true;
}

}  // namespace kelvane
