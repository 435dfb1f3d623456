#include "motion/block_search.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <optional>
#include <span>

#include "motion/me_costs.h"
#include "motion/search_patterns.h"

namespace frameinterp {
namespace {

constexpr uint64_t kNoCandidate = std::numeric_limits<uint64_t>::max();

// A cost whose penalty can be had before its sum.
template <typename Cost>
constexpr bool kPenaltyApart = requires(const Cost& cost) {
  cost.penalty(0, 0);
  cost.sum(0, 0);
};

// The one rule every search uses to test a candidate, and the state it keeps:
// the search window, the best cost so far and the caller's `result`. A
// candidate is taken only when strictly cheaper than the best, and a search's
// costs do not change while it runs, so a position tested before can never be
// taken again: the tester remembers the positions it costs within the
// context's table of seen positions (the zero vector's included) and skips
// them when a pattern comes back to them. One farther off, past any default
// search range, is costed again.
//
// `Cost` scores a candidate position of the block: the installed cost
// function, or a cost set up once for the block that the compiler can inline.
template <typename Cost>
class CandidateTester {
public:
  CandidateTester(const MEContext* me, const Cost& cost, int32_t x, int32_t y, int32_t result[2],
                  uint64_t best)
      : cost_(cost), x_(x), y_(y), result_(result), best_(best),
        left_(std::max(me->x_min, x - me->search_range)),
        right_(std::min(me->x_max, x + me->search_range)),
        top_(std::max(me->y_min, y - me->search_range)),
        bottom_(std::min(me->y_max, y + me->search_range)), seen_(me->seen) {
    if (++seen_.current == 0) {
      std::fill(std::begin(seen_.search_of), std::end(seen_.search_of), uint8_t{0});
      seen_.current = 1;
    }
    if (best != kNoCandidate) remember(x, y);  // opened with the zero vector's cost
  }

  // Outside the window or tested before: skipped uncosted. Inside: taken when
  // strictly cheaper.
  void test(int32_t cx, int32_t cy) {
    if (cx < left_ || cx > right_ || cy < top_ || cy > bottom_) {
      return;
    }
    if (seen_before(cx, cy)) return;
    take_if_cheaper(cx, cy);
  }

  // For a scan that visits every position once: tests without remembering
  // (nor checking the window).
  void test_once(int32_t cx, int32_t cy) { take_if_cheaper(cx, cy); }

  // Tests centre + step * d for every offset d, in the pattern's order.
  void test_pattern(std::span<const SearchOffset> pattern, int32_t cx, int32_t cy,
                    int32_t step = 1) {
    for (const SearchOffset& d : pattern) {
      test(cx + step * d.x, cy + step * d.y);
    }
  }

  // Repeats a pattern around the best candidate until a pass no longer moves it.
  void descend(std::span<const SearchOffset> pattern) {
    int32_t cx = 0, cy = 0;
    do {
      cx = result_[0];
      cy = result_[1];
      test_pattern(pattern, cx, cy);
    } while (!at(cx, cy));
  }

  bool at(int32_t cx, int32_t cy) const { return result_[0] == cx && result_[1] == cy; }

  uint64_t best() const { return best_; }
  int32_t left() const { return left_; }
  int32_t right() const { return right_; }
  int32_t top() const { return top_; }
  int32_t bottom() const { return bottom_; }

private:
  // True when (cx, cy) was remembered; else remembers it if within reach.
  bool seen_before(int32_t cx, int32_t cy) {
    constexpr int64_t kReach = SeenPositions::kReach, kSide = SeenPositions::kSide;
    const int64_t col = int64_t{cx} - x_ + kReach, row = int64_t{cy} - y_ + kReach;
    if (col < 0 || col >= kSide || row < 0 || row >= kSide) return false;
    uint8_t& search = seen_.search_of[row * kSide + col];
    if (search == seen_.current) return true;
    search = seen_.current;
    return false;
  }

  void remember(int32_t cx, int32_t cy) { seen_before(cx, cy); }

  void take_if_cheaper(int32_t cx, int32_t cy) {
    uint64_t cost = 0;
    if constexpr (kPenaltyApart<Cost>) {
      // The sum only adds to the penalty, so a candidate whose penalty alone
      // is not cheaper than the best cannot be taken: its sum is not formed.
      // (A sixth to a twelfth of the predictive search's candidates.)
      cost = cost_.penalty(cx, cy);
      if (cost >= best_) return;
      cost += cost_.sum(cx, cy);
    } else {
      cost = cost_(cx, cy);
    }
    if (cost < best_) {
      best_ = cost;
      result_[0] = cx;
      result_[1] = cy;
    }
  }

  Cost cost_;
  int32_t x_, y_;
  int32_t* result_;
  uint64_t best_;
  int32_t left_, right_, top_, bottom_;
  SeenPositions& seen_;
};

// The context's installed cost function for the block at (x, y).
class InstalledCost {
public:
  InstalledCost(const MEContext* me, int32_t x, int32_t y) : me_(me), x_(x), y_(y) {}
  uint64_t operator()(int32_t cx, int32_t cy) const { return me_->cost_fn(me_, x_, y_, cx, cy); }

private:
  const MEContext* me_;
  int32_t x_, y_;
};

using Tester = CandidateTester<InstalledCost>;

// Methods 1 to 7 open with the zero vector's cost as the best so far; a
// perfect zero vector ends the search before anything else is costed (no
// tester then).
std::optional<Tester> open_at_zero_vector(const MEContext* me, int32_t x, int32_t y,
                                                   int32_t result[2]) {
  const uint64_t zero = me->cost_fn(me, x, y, x, y);
  if (zero == 0) {
    return std::nullopt;
  }
  return Tester(me, InstalledCost(me, x, y), x, y, result, zero);
}

// Methods 2 to 5 also start `result` at the block position.
std::optional<Tester> open_at_block(const MEContext* me, int32_t x, int32_t y,
                                             int32_t result[2]) {
  result[0] = x;
  result[1] = y;
  return open_at_zero_vector(me, x, y, result);
}

// search_range / 2 rounded half away from zero.
int32_t initial_step(int32_t range) { return range >= 0 ? (range + 1) / 2 : (range - 1) / 2; }

// Tests block position + each vector of the set, in order.
template <typename Cost>
void test_predictors(CandidateTester<Cost>& t, int32_t x, int32_t y, const PredictorSet& set) {
  for (int32_t i = 0; i < set.count; ++i) {
    t.test(x + set.vectors[i][0], y + set.vectors[i][1]);
  }
}

// Methods 3 and 5: the pattern at the current step around the best; the step
// halves whenever a pass leaves the best where it was, until it reaches 0.
uint64_t halve_when_settled(const MEContext* me, int32_t x, int32_t y, int32_t result[2],
                            std::span<const SearchOffset> pattern, int32_t step) {
  std::optional<Tester> opened = open_at_block(me, x, y, result);
  if (!opened) {
    return 0;
  }
  Tester& t = *opened;
  do {
    const int32_t cx = result[0], cy = result[1];
    t.test_pattern(pattern, cx, cy, step);
    if (t.at(cx, cy)) {
      step >>= 1;
    }
  } while (step > 0);
  return t.best();
}

// Methods 6 and 7: the large pattern around the best until a pass no longer
// moves it, then one small diamond.
uint64_t descend_then_refine(const MEContext* me, int32_t x, int32_t y, int32_t result[2],
                             std::span<const SearchOffset> large) {
  std::optional<Tester> opened = open_at_zero_vector(me, x, y, result);
  if (!opened) {
    return 0;
  }
  Tester& t = *opened;
  t.descend(large);
  t.test_pattern(DIAMOND_4, result[0], result[1]);
  return t.best();
}

}  // namespace

uint64_t search_exhaustive(const MEContext* me, int32_t x, int32_t y, int32_t result[2]) {
  std::optional<Tester> opened = open_at_zero_vector(me, x, y, result);
  if (!opened) {
    return 0;
  }
  Tester& t = *opened;
  for (int32_t cy = t.top(); cy <= t.bottom(); ++cy) {
    for (int32_t cx = t.left(); cx <= t.right(); ++cx) {
      if (cx != x || cy != y) t.test_once(cx, cy);  // the zero vector is costed
    }
  }
  return t.best();
}

uint64_t search_three_step(const MEContext* me, int32_t x, int32_t y, int32_t result[2]) {
  std::optional<Tester> opened = open_at_block(me, x, y, result);
  if (!opened) {
    return 0;
  }
  Tester& t = *opened;
  int32_t step = initial_step(me->search_range);
  do {
    t.test_pattern(SQUARE_8, result[0], result[1], step);
    step >>= 1;
  } while (step > 0);
  return t.best();
}

uint64_t search_log2d(const MEContext* me, int32_t x, int32_t y, int32_t result[2]) {
  return halve_when_settled(me, x, y, result, DIAMOND_4, initial_step(me->search_range));
}

uint64_t search_new_three_step(const MEContext* me, int32_t x, int32_t y, int32_t result[2]) {
  std::optional<Tester> opened = open_at_block(me, x, y, result);
  if (!opened) {
    return 0;
  }
  Tester& t = *opened;
  int32_t step = initial_step(me->search_range);
  bool first = true;
  for (;;) {
    const int32_t cx = result[0], cy = result[1];
    t.test_pattern(SQUARE_8, cx, cy, step);
    if (first) {
      // The first round also probes the centre's close neighbours; a winner
      // at or next to the centre ends the search after one more small pass.
      t.test_pattern(SQUARE_8, cx, cy, 1);
      if (t.at(cx, cy)) {
        return t.best();
      }
      if (std::abs(result[0] - cx) <= 1 && std::abs(result[1] - cy) <= 1) {
        t.test_pattern(SQUARE_8, result[0], result[1], 1);
        return t.best();
      }
      first = false;
    }
    step >>= 1;
    if (step <= 0) {
      return t.best();
    }
  }
}

uint64_t search_four_step(const MEContext* me, int32_t x, int32_t y, int32_t result[2]) {
  // The step stays 2 while the best candidate keeps moving, then drops to 1.
  return halve_when_settled(me, x, y, result, SQUARE_8, 2);
}

uint64_t search_diamond(const MEContext* me, int32_t x, int32_t y, int32_t result[2]) {
  return descend_then_refine(me, x, y, result, DIAMOND_8);
}

uint64_t search_hexagon(const MEContext* me, int32_t x, int32_t y, int32_t result[2]) {
  return descend_then_refine(me, x, y, result, HEXAGON_6);
}

namespace {

template <typename Cost>
uint64_t predictive_with(const MEContext* me, const Cost& cost, int32_t x, int32_t y,
                         int32_t result[2]) {
  CandidateTester<Cost> t(me, cost, x, y, result, kNoCandidate);
  t.test(x + me->predicted_x, y + me->predicted_y);
  test_predictors(t, x, y, me->predictors[0]);
  test_predictors(t, x, y, me->predictors[1]);
  t.descend(DIAMOND_4);
  return t.best();
}

}  // namespace

uint64_t search_predictive(const MEContext* me, int32_t x, int32_t y, int32_t result[2]) {
  // The bilateral mode's cost (the default) is set up once for the block and
  // inlined into the search: the same sums, without a call per candidate.
  if (me->cost_fn == bilateral_overlapped_sad) {
    return predictive_with(me, bilateral_overlapped_cost(me, x, y), x, y, result);
  }
  return predictive_with(me, InstalledCost(me, x, y), x, y, result);
}

uint64_t search_multi_hexagon(const MEContext* me, int32_t x, int32_t y, int32_t result[2]) {
  const int32_t range = me->search_range;
  Tester t(me, InstalledCost(me, x, y), x, y, result, kNoCandidate);
  t.test(x + me->predicted_x, y + me->predicted_y);
  test_predictors(t, x, y, me->predictors[0]);

  // Uneven cross around a fixed centre: horizontal arms reach the full range,
  // vertical arms half of it.
  if (range >= 1) {
    const int32_t cx = result[0], cy = result[1];
    for (int32_t d = 1; d <= range; d += 2) {
      t.test(cx - d, cy);
      t.test(cx + d, cy);
      if (d <= range / 2) {
        t.test(cx, cy - d);
        t.test(cx, cy + d);
      }
    }
  }

  // 5 x 5 full search around the best so far; each row starts two columns
  // left of the best candidate as it stands when the row begins.
  {
    const int32_t cx = result[0], cy = result[1];
    const int32_t row_end = std::min(t.bottom(), cy + 2);
    const int32_t col_end = std::min(t.right(), cx + 2);
    for (int32_t row = std::max(t.top(), cy - 2); row <= row_end; ++row) {
      for (int32_t col = std::max(t.left(), result[0] - 2); col <= col_end; ++col) {
        t.test(col, row);
      }
    }
  }

  // Growing hexagon rings around a fixed centre, one per 4 pixels of range.
  {
    const int32_t cx = result[0], cy = result[1];
    for (int32_t i = 1; i <= range / 4; ++i) {
      t.test_pattern(HEXAGON_16, cx, cy, i);
    }
  }

  t.descend(HEXAGON_6);
  t.test_pattern(DIAMOND_4, result[0], result[1]);
  return t.best();
}

}  // namespace frameinterp
