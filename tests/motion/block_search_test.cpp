// The search methods against scripted cost functions: which candidates they
// cost, in which order, and which one they keep.
#include "motion/block_search.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <span>
#include <utility>
#include <vector>

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

// Methods 1 to 9 in order; the first seven open with the zero vector's cost.
constexpr SearchFn kAllMethods[] = {search_exhaustive, search_three_step, search_log2d,
                                    search_new_three_step, search_four_step, search_diamond,
                                    search_hexagon, search_predictive, search_multi_hexagon};
constexpr std::span<const SearchFn> kPlainMethods = std::span(kAllMethods).first<7>();

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

TEST_F(Searches, PerfectZeroVectorEndsTheFirstSevenAtOnce) {
  script_.cost = [](int32_t vx, int32_t vy) { return vx == 0 && vy == 0 ? 0u : 5u; };
  for (SearchFn search : kPlainMethods) {
    EXPECT_EQ(run(search), Vector(0, 0));
    EXPECT_EQ(cost_, 0u);
    EXPECT_EQ(script_.calls.size(), 1u);
  }
}

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
  // Steps of 0 cost the block position again, never strictly better.
  const std::pair<SearchFn, size_t> repeats[] = {
      {search_three_step, 8}, {search_log2d, 4}, {search_new_three_step, 8}};
  for (const auto& [search, again] : repeats) {
    run(search);
    EXPECT_EQ(script_.calls.size(), 1 + again);
  }
}

TEST_F(Searches, FirstBlockIsNeverComparedLeftOrAbove) {
  script_.cost = bowl(-5, -5);
  EXPECT_EQ(run(search_exhaustive, 0, 0), Vector(0, 0));
  EXPECT_EQ(script_.calls.size(), 1u + 33 * 33);
  for (const Vector& v : script_.calls) {
    EXPECT_TRUE(v.first >= 0 && v.first <= 32 && v.second >= 0 && v.second <= 32);
  }
}

TEST_F(Searches, ExhaustiveTiesKeepTheFirstMet) {
  script_.cost = [](int32_t vx, int32_t vy) {
    const bool least = (vx == 3 && vy == -2) || (vx == -4 && vy == 1) || (vx == 2 && vy == -2);
    return least ? 1u : 5u;
  };
  EXPECT_EQ(run(search_exhaustive), Vector(2, -2));  // top-most row, then left-most
  script_.cost = [](int32_t vx, int32_t vy) {
    return (vx == 0 && vy == 0) || (vx == -9 && vy == -9) ? 1u : 5u;
  };
  EXPECT_EQ(run(search_exhaustive), Vector(0, 0));  // the zero vector is met first
}

// The pattern tables as the searches must test them, in order.
const std::vector<Vector> kSquare8 = {{0, -1}, {0, 1}, {-1, 0}, {1, 0},
                                      {-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
const std::vector<Vector> kDiamond4 = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
const std::vector<Vector> kHexagon6 = {{-2, 0}, {-1, -2}, {-1, 2}, {1, -2}, {1, 2}, {2, 0}};
const std::vector<Vector> kHexagon16 = {{-4, -2}, {-4, -1}, {-4, 0}, {-4, 1}, {-4, 2}, {4, -2},
                                        {4, -1},  {4, 0},   {4, 1},  {4, 2},  {-2, 3}, {0, 4},
                                        {2, 3},   {-2, -3}, {0, -4}, {2, -3}};

// Concatenated patterns, each scaled by its step.
std::vector<Vector> passes(std::initializer_list<std::pair<const std::vector<Vector>*, int32_t>> list) {
  std::vector<Vector> out;
  for (const auto& [pattern, step] : list) {
    for (const Vector& d : *pattern) out.emplace_back(step * d.first, step * d.second);
  }
  return out;
}

TEST_F(Searches, RangeSevenStepsAndCross) {
  me_.search_range = 7;
  script_.cost = bowl(0, 0);
  const std::vector<Vector> zero = {{0, 0}};
  run(search_new_three_step);  // centre stays best: one round
  EXPECT_EQ(script_.calls, passes({{&zero, 1}, {&kSquare8, 4}, {&kSquare8, 1}}));

  me_.predicted_x = 0;
  me_.predicted_y = 0;
  me_.predictors[0] = {{{0, 0}}, 1};
  run(search_multi_hexagon);
  const std::vector<Vector> cross = {{-1, 0}, {1, 0},  {0, -1}, {0, 1},  {-3, 0}, {3, 0},
                                     {0, -3}, {0, 3},  {-5, 0}, {5, 0},  {-7, 0}, {7, 0}};
  ASSERT_EQ(script_.calls.size(), 2u + cross.size() + 25 + 16 + 6 + 4);  // one ring
  EXPECT_EQ(std::vector<Vector>(script_.calls.begin() + 2, script_.calls.begin() + 14), cross);
  EXPECT_EQ(std::vector<Vector>(script_.calls.begin() + 39, script_.calls.begin() + 55), kHexagon16);
  EXPECT_EQ(std::vector<Vector>(script_.calls.begin() + 55, script_.calls.end()),
            passes({{&kHexagon6, 1}, {&kDiamond4, 1}}));
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

}  // namespace
}  // namespace frameinterp
