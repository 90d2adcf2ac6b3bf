// Memory for a large table that is read and written at random places.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace kelvane {

// bytes of zeroed memory, taken straight from the system: its pages are zero until written
// (no pass to clear them), and they are asked to be huge pages (2 MB on x86-64 Linux), so
// that a read at a random place does not also miss in the page tables. Throws
// std::bad_alloc when the system has no room. Given back by FreeTableMemory(p, bytes).
void* TableMemory(size_t bytes);
void FreeTableMemory(void* p, size_t bytes);

// A power-of-two count of T in TableMemory, zero to start with: a T whose bytes are all zero
// must be an empty entry. Held by a raw pointer rather than a std::vector, whose size GCC
// reads in a way that makes it drop the prefetches of the table's lookups.
template <typename T>
class ZeroedTable {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  ZeroedTable() = default;
  explicit ZeroedTable(size_t count)
      : entries_(static_cast<T*>(TableMemory(count * sizeof(T)))), mask_(count - 1) {}
  ZeroedTable(ZeroedTable&& other) noexcept { Swap(other); }
  ZeroedTable& operator=(ZeroedTable&& other) noexcept {
    Swap(other);
    return *this;
  }
  ~ZeroedTable() { FreeTableMemory(entries_, Bytes()); }

  bool Empty() const { return entries_ == nullptr; }
  size_t Size() const { return entries_ ? mask_ + 1 : 0; }
  size_t Bytes() const { return Size() * sizeof(T); }
  // The number of the entry a hash is looked up in first.
  size_t Home(uint64_t hash) const { return static_cast<size_t>(hash) & mask_; }
  size_t Next(size_t i) const { return (i + 1) & mask_; }
  T& operator[](size_t i) const { return entries_[i]; }
  // Asks the processor for the memory of the entry a hash is looked up in first. Inlined
  // always: GCC takes a function that only prefetches for one without effects, and drops
  // its calls.
  [[gnu::always_inline]] void Prefetch(uint64_t hash) const {
    if (!entries_) return;
    const char* const entry = reinterpret_cast<const char*>(entries_ + Home(hash));
    __builtin_prefetch(entry);
    // An entry whose size is no power of two may reach into the next cache line.
    if constexpr ((sizeof(T) & (sizeof(T) - 1)) != 0) __builtin_prefetch(entry + sizeof(T) - 1);
  }

 private:
  void Swap(ZeroedTable& other) noexcept {
    std::swap(entries_, other.entries_);
    std::swap(mask_, other.mask_);
  }
  T* entries_ = nullptr;
  size_t mask_ = 0;
};

}  // namespace kelvane
