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

std::vector<std::string> MediaCounters::allocated_tags() const {
  const std::lock_guard<std::mutex> lock(tags_mutex_);
  return allocated_tags_;
}

void MediaCounters::set_allocated_tags(const std::vector<std::string>& tags) {
  const std::lock_guard<std::mutex> lock(tags_mutex_);
  allocated_tags_ = tags;
}

namespace {
std::atomic<uint32_t> row_padding{0};
}  // namespace

void SetRowPadding(uint32_t bytes) { row_padding = bytes; }

uint32_t RowPadding() { return row_padding; }

void ResetMedia() {
  Faults() = MediaFaults{};
  SetRowPadding(0);
  // Objects still alive keep counting down, so only the event counters reset.
  MediaCounters& c = Counters();
  c.descs_created = c.descs_destroyed = c.allocator_acquired = 0;
  c.buffers_allocated = c.samples_created = 0;
  c.set_allocated_tags({});
}

}  // namespace standin
