// How a scan reads its input. Every method writes the same files and shows the same
// messages and counts; the default is the fastest, and the tests compare the others with it.
#pragma once

namespace kelvane {

struct ScanMethod {
  // Games that cannot pass are passed over on their raw bytes (raw_quick_test.h); off, every
  // game is read line by line.
  bool rawQuickTest = true;
};

}  // namespace kelvane
