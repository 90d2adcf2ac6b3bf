// How a scan reads its input. Every method writes the same files and shows the same
// messages and counts; the default is the fastest, and the tests compare the others with it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvane {

// The most a game may take, in MB of 10^6 bytes, unless the settings say otherwise.
inline constexpr int32_t kDefaultMaxGameSize = 256;
inline constexpr size_t kBytesPerMB = 1000000;

struct ScanMethod {
  // Games that cannot pass are passed over on their raw bytes (raw_quick_test.h); off, every
  // game is read line by line.
  bool rawQuickTest = true;
  // Threads that scan chunks of the input (chunked_scan.h): 0 for one per core the process
  // may run on; 1 reads the whole input on the scan's own thread.
  unsigned threads = 0;
  // The size of a chunk; 0 for the usual few megabytes.
  size_t chunkBytes = 0;
  // A plain file named for the scan is read by the threads that scan its chunks, each at
  // its chunk's offset; off, the scan's own thread reads every chunk, as it reads a
  // compressed file or a stream.
  bool readAtOffsets = true;
};

}  // namespace kelvane
