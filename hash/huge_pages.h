#pragma once
// Transparent huge pages for the large hash tables. A table probed at random over megabytes
// costs a TLB miss per probe on ordinary 4 KiB pages; on 2 MiB pages far fewer, and its first
// touch faults in 512 times fewer pages.

#include <cstddef>
#include <cstdint>

#include <sys/mman.h>

constexpr std::size_t HugePageBytes = std::size_t{2} << 20;

// Asks for huge pages on the whole 2 MiB pages of a range that starts on a 2 MiB boundary. The
// tail beyond the last whole page stays on small pages, so it costs no more memory than it
// uses. Only a hint: a system that refuses it serves the range on small pages.
inline void AdviseHugePages(void* start, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  const std::size_t whole = bytes & ~(HugePageBytes - 1);
  if (whole > 0) madvise(start, whole, MADV_HUGEPAGE);
#else
  (void)start;
  (void)bytes;
#endif
}

// Small pages: a mapping is made of whole ones.
constexpr std::size_t SmallPageBytes = 4096;

// The length of the mapping that holds bytes: whole small pages.
inline std::size_t MappedLength(std::size_t bytes) {
  return (bytes + SmallPageBytes - 1) / SmallPageBytes * SmallPageBytes;
}

// A table of its own mapping: zeroed, starting on a 2 MiB boundary so that it can sit on huge
// pages (asked for), and costing nothing until it is touched. nullptr when the memory cannot be
// had. Released with UnmapTableMemory and the same byte count.
inline void* MapTableMemory(std::size_t bytes) {
  const std::size_t length = MappedLength(bytes);
  // Map one huge page more than needed and trim both ends to a 2 MiB boundary.
  void* raw = mmap(nullptr, length + HugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + HugePageBytes - 1) & ~(std::uintptr_t{HugePageBytes} - 1);
  if (aligned > start) munmap(raw, aligned - start);
  const std::uintptr_t tail = aligned + length;
  const std::uintptr_t mappedEnd = start + length + HugePageBytes;
  if (mappedEnd > tail) munmap(reinterpret_cast<void*>(tail), mappedEnd - tail);
  void* table = reinterpret_cast<void*>(aligned);
  AdviseHugePages(table, length);
  return table;
}

inline void UnmapTableMemory(void* table, std::size_t bytes) {
  if (table != nullptr) munmap(table, MappedLength(bytes));
}
