// Writing a whole buffer to a file descriptor.
#pragma once

#include <cstddef>

namespace kelvane {

// Writes all n bytes of data to fd, going on after short writes and interrupted calls.
// False on failure, with errno set (EIO when the system accepts no byte).
bool WriteAll(int fd, const char* data, size_t n);

}  // namespace kelvane
