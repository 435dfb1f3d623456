#include "motion/vector_clusters.h"

#include <algorithm>
#include <cstdlib>

#include "motion/block_split.h"

namespace frameinterp {
namespace {

// A new cluster is looked for among the blocks at most this many block
// positions away in x and in y (a 9 x 9 square).
constexpr int32_t kNeighbourReach = 4;

// The smallest cluster index above c held by a block of the neighbour window
// of (mb_x, mb_y), or c when there is none.
int32_t next_cluster_nearby(const MIContext& ctx, int32_t mb_x, int32_t mb_y, int32_t c) {
  int32_t t = c;
  const int32_t y_end = std::min(ctx.blocks_y - 1, mb_y + kNeighbourReach);
  const int32_t x_end = std::min(ctx.blocks_x - 1, mb_x + kNeighbourReach);
  for (int32_t ny = std::max(0, mb_y - kNeighbourReach); ny <= y_end; ++ny) {
    for (int32_t nx = std::max(0, mb_x - kNeighbourReach); nx <= x_end; ++nx) {
      const int32_t k = ctx.bilat_blocks[ny * ctx.blocks_x + nx].cluster;
      if (k > c && (k < t || t == c)) {
        t = k;
      }
    }
  }
  return t;
}

// One raster pass that moves every block lying too far from its cluster's
// mean into a higher cluster. Returns whether any block moved.
bool clustering_pass(MIContext& ctx, int32_t& c_max) {
  bool moved = false;
  for (int32_t mb_y = 0; mb_y < ctx.blocks_y; ++mb_y) {
    for (int32_t mb_x = 0; mb_x < ctx.blocks_x; ++mb_x) {
      MIBlock& block = ctx.bilat_blocks[mb_y * ctx.blocks_x + mb_x];
      const int32_t c = block.cluster;
      const int32_t mx = block.vectors[0][0], my = block.vectors[0][1];
      MVCluster& from = ctx.clusters[c];
      if (from.count < 2) {
        continue;
      }
      const auto ax = static_cast<int32_t>(from.sum_x / from.count);
      const auto ay = static_cast<int32_t>(from.sum_y / from.count);
      if (std::abs(ax - mx) <= CLUSTER_SPREAD && std::abs(ay - my) <= CLUSTER_SPREAD) {
        continue;
      }
      int32_t t = next_cluster_nearby(ctx, mb_x, mb_y, c);
      if (t == c) {
        t = c_max + 1;
      }
      if (t >= CLUSTER_LIMIT) {
        continue;  // no cluster left: the block stays
      }
      MVCluster& to = ctx.clusters[t];
      to.sum_x += mx;
      to.sum_y += my;
      to.count += 1;
      from.sum_x -= mx;
      from.sum_y -= my;
      from.count -= 1;
      c_max = std::max(c_max, t);
      block.cluster = t;
      moved = true;
    }
  }
  return moved;
}

// Edge neighbours in the order they are examined: top, left, right, bottom.
constexpr int32_t kEdgeNeighbours[4][2] = {{0, -1}, {-1, 0}, {1, 0}, {0, 1}};

}  // namespace

int32_t cluster_and_refine(std::shared_ptr<MIContext> mi_ctx) {
  MIContext& ctx = *mi_ctx;

  // Every move goes to a higher index below CLUSTER_LIMIT, so the passes end.
  int32_t c_max = 0;
  while (clustering_pass(ctx, c_max)) {
  }

  // Interior blocks on a border: a differing neighbour on one side and a
  // same-cluster neighbour opposite it.
  for (int32_t mb_y = 1; mb_y + 1 < ctx.blocks_y; ++mb_y) {
    for (int32_t mb_x = 1; mb_x + 1 < ctx.blocks_x; ++mb_x) {
      MIBlock& block = ctx.bilat_blocks[mb_y * ctx.blocks_x + mb_x];
      for (const auto& d : kEdgeNeighbours) {
        const int32_t beside = ctx.bilat_blocks[(mb_y + d[1]) * ctx.blocks_x + mb_x + d[0]].cluster;
        const int32_t opposite =
            ctx.bilat_blocks[(mb_y - d[1]) * ctx.blocks_x + mb_x - d[0]].cluster;
        if (beside != block.cluster && opposite == block.cluster) {
          const int32_t r = split_block(mi_ctx, &block, mb_x << ctx.log2_block_size,
                                        mb_y << ctx.log2_block_size, ctx.log2_block_size);
          if (r != 0) {
            return r;
          }
        }
      }
    }
  }
  return 0;
}

}  // namespace frameinterp
