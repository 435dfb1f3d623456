#include "parallel_pass.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "clip_provider.h"
#include "frame_times.h"
#include "host_environment.h"
#include "module_pass.h"
#include "module_session.h"
#include "platform.h"
#include "session_restarts.h"

namespace fitool {
namespace {

// Input read ahead of the sessions while any of them has work: at most this
// much, or kFewestAhead frames.
constexpr int64_t kReadAheadBytes = int64_t{64} << 20;
constexpr int64_t kFewestAhead = 8;
// The frames after the one covering a request that its answer may need (the
// motion window reaches two frames further).
constexpr int64_t kFramesAfter = 2;

struct Answer {
  int64_t k;
  int64_t time;
  std::optional<Picture> picture;
};

// Consecutive requests for one session.
struct Part {
  int64_t begin = 0;
  std::vector<int64_t> times;   // of requests begin, begin + 1, ... planned so far
  bool closed = false;          // no more requests come
  bool taken = false;
  size_t made = 0;              // requests a session has made
  std::deque<Answer> answers;   // not yet handed on
  bool finished = false;        // its session is done with it, or failed
  std::exception_ptr error;
};

// Thrown on a session's thread when the pass stops early.
struct Stopped {};

// The first answer handed on was empty and no earlier answer of the pass can
// stand in for it: the pass has to begin at request 0.
struct EarlierStartNeeded {};

struct PartPlan {
  int sessions = 1;
  // The first request made, where one session starts afresh; the answers
  // before `first_kept` are made but not handed on.
  int64_t first = 0;
  int64_t first_kept = 0;
  int64_t part_requests = 1;
};

class ParallelPass {
public:
  ParallelPass(const Options& options, FrameStore& store, Rational rate, uint32_t mode,
               const RequestPlan& plan, const PartPlan& parts, const UpstreamHook& on_request)
      : options_(options),
        store_(store),
        rate_(rate),
        mode_(mode),
        plan_(plan),
        parts_plan_(parts),
        on_request_(on_request),
        planner_(parts.sessions),
        read_ahead_(std::max(kFewestAhead, kReadAheadBytes / std::max<int64_t>(1, store.frame_bytes()))),
        seconds_(static_cast<size_t>(parts.sessions), 0.0),
        processor_seconds_(static_cast<size_t>(parts.sessions), 0.0) {}

  RequestCounts Run(const FrameSink& on_frame);

private:
  // Requires mutex_ for these.
  std::shared_ptr<Part> Untaken() const;
  bool WorkPending() const;
  void PinForPlanning(int64_t planning_time);

  void Plan();
  void Serve(int session);
  void ServePart(Part& part, service::IFrameInterp& session, ClipProvider& provider, int index);
  void Stop();

  const Options& options_;
  FrameStore& store_;
  Rational rate_;
  uint32_t mode_;
  const RequestPlan& plan_;
  PartPlan parts_plan_;
  const UpstreamHook& on_request_;
  const int planner_;     // the planner's pin in the store
  const int64_t read_ahead_;
  std::string module_path_;
  std::vector<double> seconds_;            // in GetFrame, per session
  std::vector<double> processor_seconds_;  // of the session's thread in GetFrame

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Part>> parts_;  // not yet handed on, in order
  bool planned_ = false;
  std::exception_ptr plan_error_;
  bool stop_ = false;
};

std::shared_ptr<Part> ParallelPass::Untaken() const {
  for (const std::shared_ptr<Part>& part : parts_) {
    if (!part->taken) return part;
  }
  return nullptr;
}

bool ParallelPass::WorkPending() const {
  return std::any_of(parts_.begin(), parts_.end(),
                     [](const auto& part) { return part->made < part->times.size(); });
}

// The planner keeps the frames of the parts no session has taken yet, and of
// the request it plans, which may begin a part.
void ParallelPass::PinForPlanning(int64_t planning_time) {
  const std::shared_ptr<Part> untaken = Untaken();
  store_.Pin(planner_, FrameIndexAt(untaken ? untaken->times.front() : planning_time, rate_));
}

void ParallelPass::Plan() {
  SessionRestarts rule(mode_, rate_, store_);
  std::shared_ptr<Part> part;
  const auto close = [&] {
    if (part) part->closed = true;
  };
  try {
    for (int64_t k = parts_plan_.first;; ++k) {
      const std::optional<int64_t> t = plan_.time(k);
      if (!t) break;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) return;
        PinForPlanning(*t);
      }
      if (plan_.keep && !plan_.keep(k)) break;
      const bool fresh = rule.Next(*t);
      store_.ReadUpTo(FrameIndexAt(*t, rate_) + kFramesAfter);

      std::unique_lock<std::mutex> lock(mutex_);
      const bool opens =
          !part || (fresh && static_cast<int64_t>(part->times.size()) >= parts_plan_.part_requests);
      // At most one part waits beyond those the sessions hold, and the input
      // read ahead stays within bounds while the sessions have work.
      changed_.wait(lock, [&] {
        return stop_ ||
               ((!opens || parts_.size() <= static_cast<size_t>(parts_plan_.sessions)) &&
                (store_.needed() <= read_ahead_ || !WorkPending()));
      });
      if (stop_) return;
      if (opens) {
        close();
        part = std::make_shared<Part>();
        part->begin = k;
        parts_.push_back(part);
      }
      part->times.push_back(*t);
      changed_.notify_all();
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    close();
  } catch (...) {
    const std::lock_guard<std::mutex> lock(mutex_);
    close();
    plan_error_ = std::current_exception();
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  planned_ = true;
  changed_.notify_all();
}

void ParallelPass::Serve(int index) {
  std::unique_ptr<ModuleSession> module;
  std::shared_ptr<ClipProvider> provider;
  for (;;) {
    std::shared_ptr<Part> part;
    bool reuse = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || (part = Untaken()) || planned_; });
      if (stop_ || !part) return;
      part->taken = true;
      const int64_t t = part->times.front();
      const int64_t start = FrameIndexAt(t, rate_);
      // A session that served an earlier part starts afresh at this part's
      // first request as well: like every point where one session starts
      // afresh, it lies after every frame and answer that the session's
      // window held at the end of its part. The session goes on unless its
      // provider, which may step on from its current frame, would no longer
      // find the frames between.
      reuse = module && store_.Pin(index, std::min(provider->position(), start));
      if (!reuse) store_.Pin(index, start);
      PinForPlanning(t);
    }
    try {
      if (!reuse) {
        module.reset();
        module = ModuleSession::Open(module_path_);
        provider = std::make_shared<ClipProvider>(store_, rate_, options_.pixel_format);
        module->Configure(provider, mode_, options_.gpu_effect);
      }
      ServePart(*part, module->session(), *provider, index);
      store_.Pin(index, FrameStore::kNoPin);  // none held while waiting for the next part
    } catch (const Stopped&) {
      return;
    } catch (...) {
      const std::lock_guard<std::mutex> lock(mutex_);
      part->error = std::current_exception();
      part->finished = true;
      changed_.notify_all();
      return;
    }
  }
}

void ParallelPass::ServePart(Part& part, service::IFrameInterp& session, ClipProvider& provider,
                             int index) {
  for (size_t i = 0;; ++i) {
    int64_t t = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // A part behind the one being handed on holds the answers of at most
      // two parts' worth of requests: where one session starts afresh only
      // rarely (a large step up in rate) a part may be far longer.
      changed_.wait(lock, [&] {
        if (stop_ || i == part.times.size()) return stop_ || part.closed;
        return part.answers.size() < static_cast<size_t>(2 * parts_plan_.part_requests) ||
               parts_.front().get() == &part;
      });
      if (stop_) throw Stopped();
      if (i == part.times.size()) {
        part.finished = true;
        changed_.notify_all();
        return;
      }
      t = part.times[i];
    }
    const int64_t k = part.begin + static_cast<int64_t>(i);
    const auto start = std::chrono::steady_clock::now();
    const double processor_start = ThreadProcessorSeconds();
    std::shared_ptr<avcore::IMediaSample> answer = session.GetFrame(t, 0);
    processor_seconds_[static_cast<size_t>(index)] += ThreadProcessorSeconds() - processor_start;
    seconds_[static_cast<size_t>(index)] +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (provider.failure()) throw ToolError(*provider.failure());
    std::optional<Picture> picture = AnswerPicture(answer, k, t);
    answer.reset();  // the module may reuse its output sample
    if (on_request_ && k >= parts_plan_.first_kept) on_request_(k, t, store_);
    // Later requests read no frame before this one's, nor before the one the
    // provider stands on (it may step on from there).
    store_.Pin(index, std::min(provider.position(), FrameIndexAt(t, rate_)));

    const std::lock_guard<std::mutex> lock(mutex_);
    part.answers.push_back({k, t, std::move(picture)});
    ++part.made;
    changed_.notify_all();
  }
}

void ParallelPass::Stop() {
  const std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
  changed_.notify_all();
}

RequestCounts ParallelPass::Run(const FrameSink& on_frame) {
  module_path_ = ModulePathFor(options_, mode_, parts_plan_.sessions);
  std::vector<std::thread> threads;
  // Every thread ends before the pass returns or throws.
  struct Joiner {
    ParallelPass& pass;
    std::vector<std::thread>& threads;
    ~Joiner() {
      pass.Stop();
      for (std::thread& thread : threads) thread.join();
    }
  } joiner{*this, threads};
  threads.emplace_back([this] { Plan(); });
  for (int index = 0; index < parts_plan_.sessions; ++index) {
    threads.emplace_back([this, index] { Serve(index); });
  }

  RequestCounts counts;
  std::optional<int64_t> total;
  if (plan_.total) total = *plan_.total - parts_plan_.first_kept;
  ProgressMeter progress(total, ProgressDisplay(options_));
  std::optional<Picture> previous;
  for (;;) {
    std::deque<Answer> answers;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] {
        return parts_.empty() ? planned_
                              : !parts_.front()->answers.empty() || parts_.front()->finished;
      });
      if (parts_.empty()) {
        if (plan_error_) std::rethrow_exception(plan_error_);
        break;
      }
      const std::shared_ptr<Part> front = parts_.front();
      answers.swap(front->answers);
      if (answers.empty()) {
        if (front->error) std::rethrow_exception(front->error);
        parts_.pop_front();
        changed_.notify_all();
        continue;
      }
    }
    for (Answer& answer : answers) {
      if (!answer.picture && answer.k == 0) throw NoFirstFrame(answer.time);
      const bool kept = answer.k >= parts_plan_.first_kept;
      if (answer.picture) {
        previous = std::move(answer.picture);
      } else if (kept) {
        if (!previous) throw EarlierStartNeeded();
        ++counts.repeats;
      }
      if (!kept) continue;
      on_frame(answer.k, answer.time, *previous);
      ++counts.frames;
      progress.Update(counts.frames);
    }
    ShowModuleLog();
  }
  for (const double seconds : seconds_) counts.seconds += seconds;
  for (const double seconds : processor_seconds_) counts.processor_seconds += seconds;
  return counts;
}

// The last request at or before request k where one session starts afresh.
int64_t StartingPointUpTo(int64_t k, uint32_t mode, Rational rate, FrameSequence& frames,
                          const RequestPlan& plan) {
  SessionRestarts rule(mode, rate, frames);
  int64_t point = 0;
  for (int64_t j = 0; j <= k; ++j) {
    const std::optional<int64_t> t = plan.time(j);
    if (!t) break;
    if (rule.Next(*t)) point = j;
  }
  return point;
}

}  // namespace

OutputRun SegmentOf(const Segment& segment, int64_t total) {
  return {*MulDivFloor(segment.k - 1, total, segment.n), *MulDivFloor(segment.k, total, segment.n)};
}

RequestCounts RunParallelConversion(const Options& options, FrameStore& store, Rational rate,
                                    uint32_t mode, const RequestPlan& plan, const OutputRun& run,
                                    int sessions, int64_t part_requests, const FrameSink& on_frame,
                                    const UpstreamHook& on_request) {
  RequestPlan within = plan;
  if (run.end) {
    if (*run.end <= run.first) return {};
    within.time = [whole = plan.time, end = *run.end](int64_t k) -> std::optional<int64_t> {
      return k < end ? whole(k) : std::nullopt;
    };
    within.total = run.end;
  }
  PartPlan parts;
  parts.sessions = sessions;
  parts.first = run.first > 0 ? StartingPointUpTo(run.first, mode, rate, store, within) : 0;
  parts.first_kept = run.first;
  parts.part_requests = part_requests;
  try {
    return ParallelPass(options, store, rate, mode, within, parts, on_request).Run(on_frame);
  } catch (const EarlierStartNeeded&) {
    parts.first = 0;
    return ParallelPass(options, store, rate, mode, within, parts, on_request).Run(on_frame);
  }
}

}  // namespace fitool
