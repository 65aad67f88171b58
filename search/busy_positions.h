#pragma once
// The positions the search threads are in just now, for a search on more than one thread. Every
// thread marks the interior nodes it searches with BusyNodeDepth or more plies to go, and a
// node puts off to the end of its move list the later moves whose positions another thread is
// searching just then: the threads spread over the tree instead of walking it side by side, and
// when a put-off move comes round, the table often holds its answer already. A slot holds the
// lower key of one position; two positions sharing a slot only make a move go later. Nothing of
// it is looked at while one thread searches.

#include <atomic>
#include <cstdint>

constexpr int BusyNodeDepth = 3;
constexpr uint64_t BusySlots = uint64_t{1} << 14;

// Set by the main thread while helper threads search beside it (and only then).
inline bool SharedSearch = false;
inline std::atomic<uint64_t> BusyPositions[BusySlots];

inline std::atomic<uint64_t>& BusySlotOf(uint64_t lower) { return BusyPositions[lower & (BusySlots - 1)]; }

inline bool IsBusy(uint64_t lower) { return BusySlotOf(lower).load(std::memory_order_relaxed) == lower; }

// Marks the position busy; returns its slot, which LeaveBusy clears unless another position
// has taken it since.
inline std::atomic<uint64_t>& EnterBusy(uint64_t lower) {
  std::atomic<uint64_t>& slot = BusySlotOf(lower);
  slot.store(lower, std::memory_order_relaxed);
  return slot;
}

inline void LeaveBusy(std::atomic<uint64_t>& slot, uint64_t lower) {
  if (slot.load(std::memory_order_relaxed) == lower) slot.store(0, std::memory_order_relaxed);
}
