#include "platform/table_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>

namespace kelvane {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

// bytes rounded up to whole pages, as the system maps them.
size_t InPages(size_t bytes) {
  static const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  return (bytes + page - 1) / page * page;
}

}  // namespace

void* TableMemory(size_t bytes) {
  bytes = InPages(bytes);
  if (bytes < kHugePage) {
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    return p;
  }
  // A huge page must start at a multiple of its size: one more is mapped, and the bytes
  // before the first such start and after the table are given back.
  const size_t mapped = bytes + kHugePage;
  void* m = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (m == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<uintptr_t>(m);
  const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) ::munmap(m, aligned - start);
  if (const size_t tail = start + mapped - (aligned + bytes))
    ::munmap(reinterpret_cast<void*>(aligned + bytes), tail);
  void* p = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  ::madvise(p, bytes, MADV_HUGEPAGE);  // only advice: without it the table works as well
#endif
  return p;
}

void FreeTableMemory(void* p, size_t bytes) {
  if (p) ::munmap(p, InPages(bytes));
}

}  // namespace kelvane
