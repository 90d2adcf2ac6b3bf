#include "platform/io_result.h"

namespace kelvane {

namespace {
// The file steps report their failures here instead of failing on the spot, and the scan
// checks at fixed steps; per thread, since a scan does all its file steps on one thread.
thread_local int pending = 0;
}  // namespace

void SetIoResult(int err) {
  if (pending == 0) pending = err;
}

int TakeIoResult() {
  int r = pending;
  pending = 0;
  return r;
}

int PeekIoResult() {
  return pending;
}

}  // namespace kelvane
