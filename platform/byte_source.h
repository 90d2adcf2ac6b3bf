// Where the game reader's bytes come from: a file or standard input, as it is, or its
// decoded content when it is compressed. Decoding runs on a thread of its own, a few
// blocks ahead of the reader, so reading and decoding share the two cores.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/decoders.h"

namespace kelvane {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to n bytes into buf; 0 at the end of the data, -1 on failure (errno set, or Damage()).
  // Throws std::bad_alloc when the bytes could not be made for lack of memory.
  virtual ssize_t Read(char* buf, size_t n) = 0;
  // Bytes taken from the file itself so far (compressed bytes for a compressed file).
  virtual uint64_t FileBytesRead() const = 0;
  // What was wrong with damaged compressed data; empty when nothing was.
  virtual std::string Damage() const { return ""; }
  virtual bool Compressed() const { return false; }
  // True once every byte Read has given is known to be right: of compressed data, once the
  // check of the frame, member or stream that holds them has passed. Decodes on to that
  // point, throwing away what it gives, unless the data ends or fails first or cancel is
  // set; no byte is read after this. False once Read has failed. Plain data is always right.
  virtual bool CheckGiven(const std::atomic<bool>* /*cancel*/) { return true; }
};

// The bytes of fd as they are. head: bytes already read from fd, given back first.
class PlainSource : public ByteSource {
 public:
  PlainSource(int fd, std::string head) : fd_(fd), head_(std::move(head)) {}
  ssize_t Read(char* buf, size_t n) override;
  uint64_t FileBytesRead() const override { return read_; }

 private:
  int fd_;
  std::string head_;
  size_t headUsed_ = 0;
  uint64_t read_ = 0;
};

// The decoded content of fd. head: bytes already read from fd (the magic number). A
// decoder or a thread that cannot be had for lack of memory throws std::bad_alloc.
class DecodingSource : public ByteSource {
 public:
  DecodingSource(int fd, std::string head, Compression compression);
  ~DecodingSource() override;
  ssize_t Read(char* buf, size_t n) override;
  uint64_t FileBytesRead() const override;
  std::string Damage() const override;
  bool Compressed() const override { return true; }
  bool CheckGiven(const std::atomic<bool>* cancel) override;

 private:
  struct Block {
    std::vector<unsigned char> bytes;
    size_t size = 0;
  };
  void Run();  // the decoding thread: Decode, until memory runs out
  void Decode();
  bool Deliver(Block&& block);  // false when the reader has gone
  Block TakeSpare();            // an empty block, of those the reader has used if any
  bool FillFromFile(std::vector<unsigned char>& in, size_t& used, size_t& size);

  int fd_;
  std::string head_;
  Compression form_;
  std::unique_ptr<Decoder> decoder_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block> ready_;
  std::vector<Block> spare_;  // used by the reader, for the decoder to fill again
  Block current_;
  size_t currentUsed_ = 0;
  bool finished_ = false;  // the thread has delivered its last block
  bool stopping_ = false;  // the reader is going away
  int error_ = 0;
  bool outOfMemory_ = false;  // the thread found no memory: Read throws std::bad_alloc
  std::string damage_;
  uint64_t fileBytes_ = 0;
  uint64_t checked_ = 0;  // decoded bytes up to the end of the last frame checked
  uint64_t given_ = 0;    // decoded bytes Read has given (the reader's own)
  bool failed_ = false;   // Read has reported damage or a failed read (the reader's own)
  std::thread thread_;
};

// Opens what fd holds: peeks at its first bytes and decodes them when they are compressed.
std::unique_ptr<ByteSource> OpenByteSource(int fd);

// Reads that wait for data that may never come (a pipe whose writer stalls, a terminal) and
// a stop request: once CancelWaitingReads has been called, a read of an input that would
// wait fails with ECANCELED instead, on whichever thread it waits. Data that is there is
// still read. Off until AllowReadCancel, which the headless scan calls before it catches
// its stop signals.
void AllowReadCancel();
// Safe in a signal handler.
void CancelWaitingReads();
bool WaitingReadsCancelled();

}  // namespace kelvane
