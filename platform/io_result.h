// The pending I/O result of the sequential file layer: a failed open, create, write or
// close leaves the operating system's error number here until somebody takes it.
#pragma once

namespace kelvane {

// Records err as pending unless a failure is pending already (the first one counts).
void SetIoResult(int err);
// Returns the pending result and resets it to 0.
int TakeIoResult();
// The pending result, left pending.
int PeekIoResult();

}  // namespace kelvane
