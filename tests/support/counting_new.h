// Replaces the global operator new with one that counts, for tests that code on a hot path
// never touches the heap. Include it in exactly one source file of a test program.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace orv::test {

// Every allocation of the program.
inline std::atomic<long> g_allocations{0};
// The allocations a thread makes while it watches.
inline thread_local bool t_watching = false;
inline thread_local long t_watched_allocations = 0;

inline void* CountedAllocation(std::size_t size) noexcept {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (t_watching) ++t_watched_allocations;
  return std::malloc(size ? size : 1);
}

inline void* CountedAllocationOrThrow(std::size_t size) {
  if (void* memory = CountedAllocation(size)) return memory;
  throw std::bad_alloc();
}

}  // namespace orv::test

// Every plain form is replaced, so that each allocation is paired with our own release.
void* operator new(std::size_t size) { return orv::test::CountedAllocationOrThrow(size); }
void* operator new[](std::size_t size) { return orv::test::CountedAllocationOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return orv::test::CountedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return orv::test::CountedAllocation(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
