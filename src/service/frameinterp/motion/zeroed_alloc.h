// Zero-filled plain heap blocks for the motion work buffers and planes,
// released with std::free. Null on failure; never throws.
#pragma once

#include <cstddef>
#include <cstdlib>

namespace frameinterp {

// count x size zero-filled bytes, at least one element, so that an empty
// array is told apart from a failed allocation; null when memory runs out or
// count x size overflows.
void* allocate_zeroed(size_t count, size_t size);

template <class T>
T* alloc_zeroed(size_t count) {
  return static_cast<T*>(allocate_zeroed(count, sizeof(T)));
}

template <class T>
void free_and_clear(T*& p) {
  std::free(p);
  p = nullptr;
}

// For tests of allocation failures (the host never calls it): every
// allocation first asks the gate, and fails when it answers false. Null
// removes the gate.
using AllocationGate = bool (*)();
void SetAllocationGateForTesting(AllocationGate gate);

}  // namespace frameinterp
