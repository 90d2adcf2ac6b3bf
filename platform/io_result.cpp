#include "platform/io_result.h"

namespace kelvane {

namespace {
int pending = 0;
}

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
