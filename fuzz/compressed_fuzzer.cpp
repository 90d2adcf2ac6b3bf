// A whole scan of a compressed game file, damaged anywhere, against a scan of the bytes it
// decodes to as a plain file: a completed scan writes what the plain scan writes; a scan
// that finds the data damaged leaves the old outputs as they were and says so; any other
// trap is the plain scan's own trap, with its outputs. No temporary file stays behind.
//
// Input: the compressed file itself (zstd, gzip, bzip2 or xz; anything else is passed
// over). A file of odd size is scanned in chunks on two threads, one of even size line by
// line.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "engine/criteria.h"
#include "engine/scan_run.h"
#include "fuzz/fuzz_folder.h"
#include "platform/byte_source.h"
#include "platform/console_dialogs.h"
#include "platform/decoders.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "platform/io_result.h"
#include "platform/temp_files.h"

using namespace kelvane;
using kelvane_fuzz::Check;
using kelvane_fuzz::Folder;
using kelvane_fuzz::NoTempFileLeft;

namespace {

void Write(const std::string& name, std::string_view bytes) {
  FILE* f = std::fopen((Folder() + name).c_str(), "wb");
  Check(f != nullptr);
  Check(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
  Check(std::fclose(f) == 0);
}

std::string Read(const std::string& name) {
  FILE* f = std::fopen((Folder() + name).c_str(), "rb");
  if (!f) return "(no file)";
  std::string bytes;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
  std::fclose(f);
  return bytes;
}

// The bytes a file decodes to, up to any damage, and whether there was damage.
std::string Decoded(const std::string& name, bool& damaged) {
  const int fd = ::open((Folder() + name).c_str(), O_RDONLY | O_CLOEXEC);
  Check(fd >= 0);
  std::string bytes;
  {
    std::unique_ptr<ByteSource> source = OpenByteSource(fd);
    char buf[4096];
    ssize_t n;
    while ((n = source->Read(buf, sizeof buf)) > 0) bytes.append(buf, static_cast<size_t>(n));
    damaged = !source->Damage().empty();
  }
  ::close(fd);
  return bytes;
}

struct Outcome {
  bool completed = false;
  std::string fault;
  std::string output;
  std::string split;
};

// Scans input into out.pgn and out2.pgn, which hold "old" and "old2" before.
Outcome Scan(const std::string& input, const ScanMethod& method) {
  Write("out.pgn", "old");
  Write("out2.pgn", "old2");
  Criteria criteria;
  criteria.without = "e4";
  criteria.withoutRange = {1, 15};
  ScanRequest request{Folder() + input, Folder() + "out.pgn", true, criteria};
  request.method = method;
  static FILE* devNull = std::fopen("/dev/null", "w");
  ConsoleDialogs console({.assumeYes = true, .quiet = false}, devNull, devNull, nullptr, false);
  TakeIoResult();
  Outcome o;
  try {
    o.completed = RunScan(request, console, fileSystem()).outcome == ScanOutcome::Completed;
  } catch (const FatalError& e) {
    o.fault = e.what();
  }
  o.output = Read("out.pgn");
  o.split = Read("out2.pgn");
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (DetectCompression(data, size) == Compression::None) return 0;
  Write("in.pgn", std::string_view(reinterpret_cast<const char*>(data), size));
  bool damaged = false;
  Write("plain.pgn", Decoded("in.pgn", damaged));
  ScanMethod method;
  method.threads = size % 2 ? 2 : 1;
  method.chunkBytes = 64;
  const Outcome plain = Scan("plain.pgn", method);
  const Outcome compressed = Scan("in.pgn", method);
  if (compressed.fault.ends_with("; no output was written")) {
    Check(damaged && compressed.fault.starts_with("in.pgn is damaged: "));
    Check(compressed.output == "old" && compressed.split == "old2");
  } else {
    // The games read were right: the scan is the plain scan of the same bytes.
    Check(compressed.completed == plain.completed && compressed.fault == plain.fault);
    Check(compressed.output == plain.output && compressed.split == plain.split);
  }
  Check(NoTempFileLeft());
  return 0;
}
