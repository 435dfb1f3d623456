// The memory behind the motion context's buffers. destroy() gives the buffers
// back to their owner here instead of freeing them, so that the next
// reset_input for the same geometry takes the same memory again: a window
// restart allocates nothing. The memory itself goes when the context goes,
// or when a reconfiguration needs other sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "motion/me_context.h"
#include "motion/zeroed_alloc.h"

namespace frameinterp {

// A zero-filled heap array that keeps its memory for the next request of the
// same length.
template <class T>
class ZeroedArray {
public:
  ZeroedArray() = default;
  ~ZeroedArray() { std::free(data_); }
  ZeroedArray(const ZeroedArray&) = delete;
  ZeroedArray& operator=(const ZeroedArray&) = delete;

  // `count` zero-filled elements (at least one is allocated). False, holding
  // nothing, when memory runs out.
  bool reset(size_t count) {
    if (!keep(count)) return false;
    std::memset(static_cast<void*>(data_), 0, (count > 0 ? count : 1) * sizeof(T));
    return true;
  }

  // `count` elements; kept memory is not cleared (for buffers that their
  // users leave zeroed), fresh memory is zero-filled.
  bool keep(size_t count) {
    if (data_ && count_ == count) return true;
    std::free(data_);
    data_ = alloc_zeroed<T>(count);
    count_ = data_ ? count : 0;
    return data_ != nullptr;
  }

  T* get() const { return data_; }

private:
  T* data_ = nullptr;
  size_t count_ = 0;
};

// Arrays of four sub-block records for the split refinement, handed out
// zero-filled and all taken back at once. Memory is allocated in chunks while
// the trees grow beyond what earlier injections needed, and kept.
class QuarterPool {
public:
  QuarterPool() = default;
  ~QuarterPool();
  QuarterPool(const QuarterPool&) = delete;
  QuarterPool& operator=(const QuarterPool&) = delete;

  // Four zero-filled records; null when memory runs out.
  MIBlock* take();
  // Every array handed out is free again; their holders must have dropped them.
  void take_back_all();

private:
  struct Chunk;
  Chunk* first_ = nullptr;
  Chunk* current_ = nullptr;
};

// Per block, the vectors of both directions: [direction][x, y].
using MVHistoryEntry = int32_t[2][2];

// Per block of the bilateral field, r / 1024 for the part of its overlap
// window over each neighbour, [(dy + 1) x 3 + dx + 1] (1024: unchanged).
struct WindowRatios {
  uint16_t r[9];
};

struct MotionBuffers {
  ZeroedArray<MIBlock> slot_blocks[4];
  ZeroedArray<MIBlock> bilat_blocks;
  ZeroedArray<MVHistoryEntry> mv_history[3];
  QuarterPool quarters;
  ZeroedArray<uint32_t> px_totals;
  ZeroedArray<uint32_t> px_sums;
  ZeroedArray<uint32_t> chroma_sums;
  ZeroedArray<uint8_t> px_pairs;
  ZeroedArray<uint32_t> row_scratch;
  ZeroedArray<WindowRatios> window_ratios;
};

}  // namespace frameinterp
