// Memory for a large table that is read and written at random places.
#pragma once

#include <cstddef>

namespace kelvane {

// bytes of zeroed memory, taken straight from the system: its pages are zero until written
// (no pass to clear them), and they are asked to be huge pages (2 MB on x86-64 Linux), so
// that a read at a random place does not also miss in the page tables. Throws
// std::bad_alloc when the system has no room. Given back by FreeTableMemory(p, bytes).
void* TableMemory(size_t bytes);
void FreeTableMemory(void* p, size_t bytes);

}  // namespace kelvane
