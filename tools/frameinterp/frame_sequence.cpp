#include "frame_sequence.h"

namespace fitool {

int64_t LastFrameUpTo(FrameSequence& frames, int64_t index) {
  if (frames.Has(index)) return index;
  // Frames exist from 0 up to some last one below `index`: search for it.
  int64_t low = 0;
  int64_t high = index - 1;
  while (low < high) {
    const int64_t middle = low + (high - low + 1) / 2;
    if (frames.Has(middle)) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

}  // namespace fitool
