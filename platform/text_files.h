// Sequential game files for the scan: a buffered line reader and a buffered writer.
// Neither fails on the spot: a failed step leaves its error number pending (io_result.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_source.h"

namespace kelvane {

// The name that stands for standard input (InputFile) or standard output (OutputFile).
inline constexpr char kStandardStream[] = "-";

// Reads lines ending at CR LF, a lone LF or a lone CR; a Ctrl-Z (26) ends the file.
class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // Opens path for reading; on failure the error is pending and the file reads as empty.
  void Open(const std::string& path);
  // True when no character is left in front of the next line: the end of the data, a
  // Ctrl-Z, or a failed read.
  bool AtEnd() {
    if (!stopped_ && pos_ < len_ && buf_[pos_] != 26) return false;  // the common case
    return AtEndSlow();
  }
  static constexpr size_t kWholeLine = static_cast<size_t>(-1);
  // Appends the next line's characters (without its line end) to out and moves past the
  // line end; true. Does nothing at the end of the file. A line of more than most characters
  // is cut after most of them: false, with the reading position inside the line, from where
  // SkipLine moves past the rest without keeping it.
  bool ReadLineAppend(std::string& out, size_t most = kWholeLine) { return TakeLine(&out, most); }
  void SkipLine() { TakeLine(nullptr, kWholeLine); }
  // Moves past the lines in front of the reading position that hold nothing but blanks and
  // tabs, as reading them would, and returns how many there were.
  uint64_t SkipEmptyLines();
  // The bytes in the buffer from the reading position up to a Ctrl-Z or the buffer's end,
  // for a reader that looks at whole games before it reads their lines. Empty at the end
  // of the file; valid until the next read.
  std::string_view Buffered();
  // Moves past the first n bytes of Buffered(), as reading their lines would.
  void Skip(size_t n) {
    pos_ += n;
    consumed_ += n;
  }
  void Close();

  // For a scan that cuts the file into chunks itself: up to n of the file's next bytes as
  // they are, the buffered ones first; 0 at the end of the data. Stops in front of a Ctrl-Z
  // as reading lines does.
  size_t ReadRaw(char* to, size_t n);
  // Puts the first n bytes of bytes, taken with ReadRaw, back in front of the rest of the
  // file, with nothing else buffered; they are read again and count as not read yet.
  void PutBack(std::vector<char> bytes, size_t n);
  // Reads the first n bytes of bytes as a whole file: one chunk of a larger one. With an
  // endFault, reading past them traps with that text, as reading the file did there.
  void OpenBytes(std::vector<char> bytes, size_t n, std::string endFault = {});
  // Closes the file and hands back its buffer, for the next OpenBytes.
  std::vector<char> ReleaseBytes();

  // True for a plain file opened by name and not read yet: its bytes may then be read at
  // any offset, by several threads at once, with ReadAt.
  bool ReadableAtOffsets() const { return atOffsets_ && consumed_ == 0 && pos_ == len_; }
  // Up to n bytes of the file from offset, fewer only at its end or on a failure (error
  // then holds the error number, else 0). Leaves the reading position alone.
  size_t ReadAt(uint64_t offset, char* to, size_t n, int& error) const;
  // Of a file ReadableAtOffsets was true for: reading lines goes on from offset, with
  // nothing buffered.
  void SeekTo(uint64_t offset);

  bool IsOpen() const { return fd_ >= 0; }
  // Bytes of the file itself moved past: of a compressed file, its compressed bytes.
  uint64_t BytesRead() const { return compressed_ ? source_->FileBytesRead() : consumed_; }
  // Bytes of the data moved past: of a compressed file, its decoded bytes.
  uint64_t Position() const { return consumed_; }
  bool Compressed() const { return compressed_; }
  uint64_t Size() const { return size_; }
  // True when a stop request ended a read or an open that waited for data (byte_source.h):
  // the data ends there, and the game being read when it came is not whole.
  bool Cancelled() const { return cancelled_; }
  // "NAME is damaged: ..." once the decoding of a compressed file found its data damaged;
  // empty otherwise.
  std::string Damage() const;
  // True once every byte read so far is known to be right (see ByteSource::CheckGiven): the
  // games read from a compressed file can be trusted only then. Reads nothing more after.
  bool CheckRead(const std::atomic<bool>* cancel) {
    return !source_ || source_->CheckGiven(cancel);
  }

 private:
  bool AtEndSlow();
  // ReadLineAppend, which keeps nothing when out is null.
  bool TakeLine(std::string* out, size_t most);
  bool Fill();  // refills the buffer; false at the end of the data
  // Up to n bytes from the file into to; 0 (and no more) at its end or on a failure.
  size_t ReadFromFile(char* to, size_t n);
  // Index in the buffer of the next c at or after pos_ (len_ when none), cached.
  size_t NextOf(char c, size_t& cached);

  static constexpr size_t kUnknown = static_cast<size_t>(-1);

  int fd_ = -1;
  std::unique_ptr<ByteSource> source_;  // the file's bytes, decoded when compressed
  bool compressed_ = false;
  bool atOffsets_ = false;  // see ReadableAtOffsets
  std::string name_;        // for the message about damaged compressed data
  std::vector<char> buf_;
  size_t pos_ = 0;
  size_t len_ = 0;
  bool eof_ = false;       // no more data from the file
  bool stopped_ = false;   // a Ctrl-Z was met
  bool cancelled_ = false;  // see Cancelled
  uint64_t consumed_ = 0;  // bytes moved past
  uint64_t size_ = 0;
  size_t nextCr_ = kUnknown;
  size_t nextCtrlZ_ = kUnknown;
  std::string endFault_;  // see OpenBytes
};

// Writes a file from empty through a buffer. A regular file (or a new one) is not touched
// until Close: the bytes go to a temporary file beside it, which then takes its place, so
// the old file stays whole until the new one is complete (temp_files.h). In a folder that
// takes no new file, the temporary file is in the system's temporary folder and is copied
// over the old file at Close. A device or pipe is written directly.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Closes the file as Close does.
  ~OutputFile();

  // Prepares the file that is to replace path (for a symbolic link, the file it names).
  // Refused as a direct create would be: a folder (EISDIR), a file that may not be written
  // (EACCES), a missing folder (ENOENT). On failure the error is pending and writes go
  // nowhere.
  void Create(const std::string& path);
  void Write(const char* data, size_t n);
  void Write(const std::string& s) { Write(s.data(), s.size()); }
  // Hands the buffered bytes to the operating system.
  void Flush();
  // Flushes and closes the new file, without putting it in place yet. Failures are left
  // pending (and Failed() is true then).
  void Finish();
  // Finishes the file; the new file then takes the place of the old one. When a write
  // failed, the old file is kept and the new one removed. Failures are left pending.
  void Close();
  // Closes (or leaves finished) without putting anything in place: the old file stays as it
  // was and the new one is removed.
  void Discard();
  bool IsOpen() const { return fd_ >= 0; }
  // The file the bytes are written to until Close: the temporary file, or the target itself.
  const std::string& WritingPath() const { return temp_.empty() ? target_ : temp_; }
  // True once a write or the close failed (the error was left pending then).
  bool Failed() const { return failed_; }

 private:
  // Leaves err pending and marks the file failed.
  void Record(int err);
  void WriteOut(const char* data, size_t n);
  // Puts the whole temporary file in the target's place: renamed, or copied over it.
  void PutInPlace();
  // Empties a file written in place, once, before its first byte.
  void TruncateOnce();
  void Release();

  int fd_ = -1;
  std::vector<char> buf_;
  size_t len_ = 0;
  bool failed_ = false;
  std::string temp_;          // the temporary file; empty when writing in place
  std::string target_;        // the file it replaces
  bool copyOver_ = false;     // the temporary file is elsewhere: copied over target_
  bool truncateDue_ = false;  // an existing file written in place, not emptied yet
};

}  // namespace kelvane
