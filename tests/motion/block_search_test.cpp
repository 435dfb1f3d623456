// The search methods against scripted cost functions: which candidates they
// cost, in which order, and which one they keep.
#include "motion/block_search.h"
#include "motion/search_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "motion_fixture.h"

namespace frameinterp {
namespace {

using Vector = std::pair<int32_t, int32_t>;
using SearchFn = uint64_t (*)(const MEContext*, int32_t, int32_t, int32_t[2]);

// Cost by candidate vector, with every call recorded.
struct CostScript {
  std::function<uint64_t(int32_t vx, int32_t vy)> cost;
  std::vector<Vector> calls;
};
CostScript* g_script = nullptr;

uint64_t scripted_cost(const MEContext*, int32_t x, int32_t y, int32_t cand_x, int32_t cand_y) {
  g_script->calls.emplace_back(cand_x - x, cand_y - y);
  return g_script->cost(cand_x - x, cand_y - y);
}

// Distance from a target vector, plus one so that no candidate is perfect.
std::function<uint64_t(int32_t, int32_t)> bowl(int32_t tx, int32_t ty) {
  return [=](int32_t vx, int32_t vy) {
    return static_cast<uint64_t>(1 + std::abs(vx - tx) + std::abs(vy - ty));
  };
}

// Methods 1 to 9 in order.
constexpr SearchFn kAllMethods[] = {search_exhaustive, search_three_step, search_log2d,
                                    search_new_three_step, search_four_step, search_diamond,
                                    search_hexagon, search_predictive, search_multi_hexagon};

class Searches : public ::testing::Test {
protected:
  void SetUp() override {
    init_estimator(&me_, 16, 32, 1024, 1024, 0, 1008, 0, 1008);
    me_.cost_fn = scripted_cost;
    g_script = &script_;
  }
  void TearDown() override { g_script = nullptr; }

  // Runs a search for the block at (x, y); answers the vector found.
  Vector run(SearchFn search, int32_t x = 512, int32_t y = 512) {
    script_.calls.clear();
    int32_t result[2] = {x, y};
    cost_ = search(&me_, x, y, result);
    return {result[0] - x, result[1] - y};
  }

  MEContext me_;
  CostScript script_;
  uint64_t cost_ = 0;
};

TEST_F(Searches, ZeroRangeKeepsTheBlockPosition) {
  me_.search_range = 0;
  me_.predicted_x = 3;
  me_.predicted_y = -1;
  me_.predictors[0] = {{{0, 0}, {2, 2}}, 2};
  me_.predictors[1] = {{{-1, 0}}, 1};
  script_.cost = bowl(4, 4);
  for (SearchFn search : kAllMethods) {
    EXPECT_EQ(run(search), Vector(0, 0));
    EXPECT_EQ(cost_, 9u);
    for (const Vector& v : script_.calls) {
      EXPECT_EQ(v, Vector(0, 0));  // nothing else lies in the window
    }
  }
  // Steps of 0 come back to the block position, which is not costed again.
  for (SearchFn search : {search_three_step, search_log2d, search_new_three_step}) {
    run(search);
    EXPECT_EQ(script_.calls.size(), 1u);
  }
}

// A position tested before can never be strictly cheaper than the best, so no
// search costs one twice, whatever the cost surface.
TEST_F(Searches, APerfectZeroVectorEndsMethodsOneToSevenBeforeAnythingElseIsCosted) {
  script_.cost = [](int32_t vx, int32_t vy) { return vx == 0 && vy == 0 ? 0u : 5u; };
  for (const SearchFn search : std::span(kAllMethods).first(7)) {
    EXPECT_EQ(run(search), Vector(0, 0));
    EXPECT_EQ(cost_, 0u);
    EXPECT_EQ(script_.calls, std::vector<Vector>{Vector(0, 0)});
  }
}

TEST_F(Searches, NoPositionIsCostedTwice) {
  me_.search_range = 6;
  me_.predicted_x = 1;
  me_.predicted_y = 1;
  me_.predictors[0] = {{{1, 1}, {0, 0}, {1, 1}}, 3};
  me_.predictors[1] = {{{1, 1}, {-2, 0}}, 2};
  for (const auto& cost : {bowl(3, -2), bowl(-5, 5), bowl(1, 1)}) {
    script_.cost = cost;
    for (SearchFn search : kAllMethods) {
      run(search);
      std::vector<Vector> calls = script_.calls;
      std::sort(calls.begin(), calls.end());
      EXPECT_EQ(std::adjacent_find(calls.begin(), calls.end()), calls.end());
    }
  }
}

// Method 9's cross around its centre: across to the range in odd steps, up
// and down to half of it.
TEST_F(Searches, MultiHexagonCrossReachesTheRangeAcrossAndHalfOfItUpAndDown) {
  me_.search_range = 7;
  script_.cost = [](int32_t, int32_t) { return uint64_t{5}; };
  run(search_multi_hexagon);
  const auto tested = [&](int32_t vx, int32_t vy) {
    return std::count(script_.calls.begin(), script_.calls.end(), Vector(vx, vy)) > 0;
  };
  EXPECT_TRUE(tested(-7, 0) && tested(7, 0) && tested(0, -3) && tested(0, 3));
  EXPECT_FALSE(tested(0, -5) || tested(0, 5));
}

TEST_F(Searches, PredictiveSearchWithNothingInsideReportsNoCandidate) {
  me_.predicted_x = 40;
  me_.predictors[0] = {{{40, 0}}, 1};
  me_.predictors[1] = {{}, 0};
  script_.cost = bowl(0, 0);
  me_.search_range = 0;
  me_.x_min = me_.x_max = 600;  // the block itself lies outside the rectangle
  EXPECT_EQ(run(search_predictive), Vector(0, 0));
  EXPECT_EQ(cost_, UINT64_MAX);
  EXPECT_TRUE(script_.calls.empty());
}

// Method 8 through the block dispatcher: the predicted vector, the spatial
// set, then the temporal set, before the descent. Every vector differs in both
// components, so that a swapped axis or sign shows.
TEST_F(Searches, PredictiveMethodCostsTheSpatialThenTheTemporalPredictorsInOrder) {
  MotionSettings settings;
  settings.search_method = kSearchPredictive;
  auto ctx = testing::context_for(1, 64, 64, settings);
  testing::ContextGuard guard{ctx};
  ASSERT_EQ(ctx->blocks_x, 4);
  ctx->estimator.cost_fn = scripted_cost;
  // {history table, block, vector}: block (1, 1)'s left, top, top-right now
  // (medians (1, 2)), the block one and two injections back, its neighbours.
  const int32_t history[][4] = {{0, 4, 1, -1}, {0, 1, -2, 2}, {0, 2, 3, 3},  {1, 5, 3, -2},
                                {2, 5, 1, -5}, {1, 4, -1, 3}, {1, 1, 4, 5},  {1, 6, -3, -1},
                                {1, 9, 2, -4}};
  for (const auto& [table, idx, vx, vy] : history) {
    ctx->mv_history[table][idx][0][0] = vx;
    ctx->mv_history[table][idx][0][1] = vy;
  }
  script_.cost = bowl(7, 7);
  search_block(ctx, ctx->bilat_blocks, 1, 1, 0);
  const std::vector<Vector> predictors = {{1, 2},  {0, 0},  {1, -1},  {-2, 2}, {3, 3}, {3, -2},
                                          {5, 1},  {-1, 3}, {4, 5},   {-3, -1}, {2, -4}};
  script_.calls.resize(predictors.size());  // the descent's positions follow
  EXPECT_EQ(script_.calls, predictors);
}

}  // namespace
}  // namespace frameinterp
