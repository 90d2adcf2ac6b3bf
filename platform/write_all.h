// Writing a whole buffer to a file descriptor.
#pragma once

#include <cstddef>

namespace kelvane {

// Writes all n bytes of data to fd, going on after short writes and interrupted calls.
// False on failure, with errno set (EIO when the system accepts no byte).
bool WriteAll(int fd, const char* data, size_t n);

// The seam for tests that need a write to fail (a full disk, say): while set, WriteAll asks
// it first, and an error number it returns fails the write with that error, nothing written.
using WriteFault = int (*)(int fd);
void SetWriteFault(WriteFault fault);

}  // namespace kelvane
