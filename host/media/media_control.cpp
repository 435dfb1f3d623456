#include "standin/media.h"

namespace standin {

MediaFaults& Faults() {
  static MediaFaults faults;
  return faults;
}

MediaCounters& Counters() {
  static MediaCounters counters;
  return counters;
}

void ResetMedia() {
  Faults() = MediaFaults{};
  // Objects still alive keep counting down, so only the event counters reset.
  MediaCounters& c = Counters();
  c.descs_created = c.descs_destroyed = c.allocator_acquired = 0;
  c.buffers_allocated = c.samples_created = 0;
  c.allocated_tags.clear();
}

}  // namespace standin
