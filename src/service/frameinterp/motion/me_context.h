// Motion-estimation context: the state every block search runs against, the
// block record that holds the vectors, and the candidate cost functions.
#pragma once

#include <cstdint>

namespace frameinterp {

struct MEContext;

// Cost of one candidate: block position (x, y), candidate position
// (cand_x, cand_y), all in luma pixels. Smaller is better.
using MECostFn = uint64_t (*)(const MEContext* me, int32_t x, int32_t y, int32_t cand_x,
                              int32_t cand_y);

// Cost added per pixel of L1 distance between a candidate's vector and the
// predicted vector.
inline constexpr int32_t VECTOR_PENALTY = 64;

inline constexpr int32_t PREDICTOR_CAPACITY = 10;

// Candidate vectors for the predictive searches; at most five are ever used.
struct PredictorSet {
  int32_t vectors[PREDICTOR_CAPACITY][2];  // (x, y)
  int32_t count;
};

// The positions a search has costed, within kReach of its block on both
// axes. Each entry holds the number of the search that last costed it, so a
// search starts with none seen without clearing the table: only when the
// numbers come round again (every 255 searches) is it cleared.
struct SeenPositions {
  static constexpr int32_t kReach = 32;
  static constexpr int32_t kSide = 2 * kReach + 1;
  uint8_t search_of[kSide * kSide] = {};
  uint8_t current = 0;  // the running search's number, 1 to 255
};

struct MEContext {
  const uint8_t* cur_plane = nullptr;  // read at the block position (bilateral: position + vector)
  const uint8_t* ref_plane = nullptr;  // read at the candidate (bilateral: position - vector)
  int32_t linesize = 0;                // row stride in bytes of both planes
  int32_t block_size = 0;
  int32_t search_range = 0;  // pixels per axis a search may move from the block
  int32_t width = 0;
  int32_t height = 0;
  // Rectangle a block or candidate position may take, bounds included.
  int32_t x_min = 0;
  int32_t x_max = 0;
  int32_t y_min = 0;
  int32_t y_max = 0;
  // Vector the penalised costs measure every candidate against; written by
  // the predictive searches and the split refinement, never reset.
  int32_t predicted_x = 0;
  int32_t predicted_y = 0;
  PredictorSet predictors[2] = {};
  MECostFn cost_fn = nullptr;
  // Scratch of the searches, which read the context as const.
  mutable SeenPositions seen;
};

// One block of a vector field. Lives in zero-filled heap arrays, so it stays a
// plain aggregate without initialisers.
struct MIBlock {
  int16_t vectors[2][2];  // [direction][x, y]
  int32_t cluster;        // index of the vector cluster holding the block
  uint64_t bilat_cost;    // bilateral cost of the block's own vector (adaptive compensation)
  int32_t subdivided;     // 1 when split into `quarters`
  MIBlock* quarters;      // 4 sub-blocks: top-left, top-right, bottom-left, bottom-right; owned
};

// Stores the geometry and installs block_sad as the cost function; touches
// no other field.
void init_estimator(MEContext* me, int32_t block_size, int32_t search_range, int32_t width,
                    int32_t height, int32_t x_min, int32_t x_max, int32_t y_min, int32_t y_max);

}  // namespace frameinterp
