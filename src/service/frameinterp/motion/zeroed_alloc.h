// Zero-filled plain heap blocks for the motion work buffers, released with
// std::free. Null on failure; never throws.
#pragma once

#include <cstddef>
#include <cstdlib>

namespace frameinterp {

// At least one element is allocated, so that an empty array is told apart
// from a failed allocation. calloc rejects count x sizeof(T) overflows.
template <class T>
T* alloc_zeroed(size_t count) {
  return static_cast<T*>(std::calloc(count > 0 ? count : 1, sizeof(T)));
}

template <class T>
void free_and_clear(T*& p) {
  std::free(p);
  p = nullptr;
}

}  // namespace frameinterp
