#include "motion/zeroed_alloc.h"

namespace frameinterp {
namespace {

AllocationGate g_gate = nullptr;

}  // namespace

void* allocate_zeroed(size_t count, size_t size) {
  if (g_gate && !g_gate()) return nullptr;
  return std::calloc(count > 0 ? count : 1, size);
}

void SetAllocationGateForTesting(AllocationGate gate) { g_gate = gate; }

}  // namespace frameinterp
