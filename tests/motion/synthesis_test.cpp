// Motion-compensated synthesis against a literal model of its rule, on every
// kernel tier: each luma pixel keeps a list of at most 16 weighted pairs in the
// order the windows and split squares come, each output sample is the rounded
// weighted mean of its list (the plain blend for an empty list), and a
// subsampled chroma sample takes the value of the last luma pixel of its group
// in raster order. Cases the footage of the golden table does not reach: pixels
// under more than 16 windows, odd sizes, displacements clamped at every edge.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "motion/synthesize_frame.h"
#include "motion/kernels/motion_kernels.h"
#include "motion/overlap_windows.h"
#include "motion_fixture.h"

namespace frameinterp {
namespace {

using testing::ContextGuard;
using testing::OwnedFrame;
using testing::context_for;

// The literal rule, pixel by pixel.
class ListModel {
public:
  ListModel(const MIContext& ctx, int32_t alpha)
      : ctx_(ctx), w_(ctx.estimator.width), h_(ctx.estimator.height), alpha_(alpha),
        lists_(static_cast<size_t>(w_) * h_) {}

  void window(int32_t sx, int32_t sy, int32_t vx, int32_t vy) {
    const int32_t side = 2 * ctx_.block_size;
    const uint8_t* table = overlap_windows[4 - ctx_.log2_block_size];
    for (int32_t y = std::clamp(sy, 0, h_ - 1); y < std::clamp(sy + side, 0, h_ - 1); ++y) {
      for (int32_t x = std::clamp(sx, 0, w_ - 1); x < std::clamp(sx + side, 0, w_ - 1); ++x) {
        pair(x, y, table[(y - sy) * side + (x - sx)], vx, vy);
      }
    }
  }
  void split(const MIBlock& block, int32_t x, int32_t y, int32_t n) {
    const int32_t e = 1 << (n - 1);
    for (int32_t q = 0; q < 4; ++q) {
      const MIBlock& quarter = block.quarters[q];
      const int32_t ox = x + (q & 1) * e, oy = y + (q >> 1) * e;
      if (quarter.subdivided) {
        split(quarter, ox, oy, n - 1);
        continue;
      }
      for (int32_t py = oy; py < oy + e; ++py) {
        for (int32_t px = ox; px < ox + e; ++px) {
          pair(px, py, 255, 2 * quarter.vectors[0][0], 2 * quarter.vectors[0][1]);
        }
      }
    }
  }
  // Every sample of `out`, luma pixels in raster order, each writing the
  // samples it decides.
  void compose(MIFrame* out) const {
    const bool packed = has_packed_pixels(out->format);
    for (int32_t y = 0; y < h_; ++y) {
      for (int32_t x = 0; x < w_; ++x) {
        std::vector<Entry> list = lists_[static_cast<size_t>(y) * w_ + x];
        if (list.empty()) list = {{1, 0, 0, 1024u - alpha_}, {2, 0, 0, uint32_t(alpha_)}};
        if (packed) {
          for (int32_t b = 0; b < 4; ++b) put(out, 1, x, y, 0, list, 4, b);
          continue;
        }
        put(out, 0, x, y, 0, list, 1, 0);
        if (out->format == 1) {
          for (int32_t p = 1; p <= 2; ++p) put(out, p, x, y, 1, list, 1, 0);
        } else {
          for (int32_t b = 0; b < 2; ++b) put(out, 1, x, y, 1, list, 2, b);
        }
      }
    }
  }

private:
  struct Entry {
    int32_t frame, dx, dy;
    uint32_t weight;
  };
  void pair(int32_t x, int32_t y, uint32_t w, int32_t vx, int32_t vy) {
    std::vector<Entry>& list = lists_[static_cast<size_t>(y) * w_ + x];
    if (w == 0 || list.size() + 1 >= 32) return;
    const int32_t beta = 1024 - alpha_;
    list.push_back({1, std::clamp(vx * alpha_ / 1024, -x, w_ - 1 - x),
                    std::clamp(vy * alpha_ / 1024, -y, h_ - 1 - y), w * beta});
    list.push_back({2, std::clamp(-(vx * beta / 1024), -x, w_ - 1 - x),
                    std::clamp(-(vy * beta / 1024), -y, h_ - 1 - y), w * uint32_t(alpha_)});
  }
  // Byte `b` of the `bytes`-byte sample at (x >> s, y >> s) of plane p, from
  // the last luma pixel of its group inside the picture (the earlier ones'
  // values are overwritten: they are not computed).
  void put(MIFrame* out, int32_t p, int32_t x, int32_t y, int32_t s,
           const std::vector<Entry>& list, int32_t bytes, int32_t b) const {
    const int32_t cx = x >> s, cy = y >> s, last = (1 << s) - 1;
    if (((x & last) != last && x != w_ - 1) || ((y & last) != last && y != h_ - 1)) return;
    uint32_t sum = 0, total = 0;
    for (const Entry& e : list) {
      const MIFrame& f = *ctx_.frames[e.frame].frame;
      const int32_t sx = cx + e.dx / (1 << s), sy = cy + e.dy / (1 << s);
      sum += e.weight * f.data[p][sy * f.linesize[p] + sx * bytes + b];
      total += e.weight;
    }
    out->data[p][cy * out->linesize[p] + cx * bytes + b] = uint8_t((sum + total / 2) / total);
  }

  const MIContext& ctx_;
  int32_t w_, h_, alpha_;
  std::vector<std::vector<Entry>> lists_;
};

struct Case {
  const char* name;
  int32_t format, width, height, me_mode, block_size, alpha;
  int32_t vector_range;  // random vectors in [-range, range]
  bool converge;         // bidirectional windows of many blocks drawn onto one place
  bool split;            // some bilateral blocks carry (nested) quarters
  // Not 0: every bilateral block's vector is (pan, 0); at 9 the last whole
  // cells of a row would read one column past the right edge in place.
  int16_t pan = 0;
};

class SynthesisModel : public ::testing::TestWithParam<Case> {};

TEST_P(SynthesisModel, EveryTierComposesWhatThePerPixelListsGive) {
  const Case& c = GetParam();
  MotionSettings config;
  config.me_mode = c.me_mode;
  config.block_size = c.block_size;
  auto ctx = context_for(c.format, c.width, c.height, config);
  ContextGuard guard{ctx};
  ASSERT_EQ(ctx->ready, 1);
  std::vector<std::unique_ptr<OwnedFrame>> frames;
  for (int i = 0; i < 4; ++i) {
    frames.push_back(std::make_unique<OwnedFrame>(c.format, c.width, c.height, (i - 1) * 1024));
    frames.back()->fill_random(40 + i);
    ctx->frames[i].frame = &frames.back()->frame;
  }

  std::mt19937 rng(7);
  const auto random_vector = [&] {
    return static_cast<int16_t>(static_cast<int>(rng() % (2 * c.vector_range + 1)) - c.vector_range);
  };
  ListModel model(*ctx, c.alpha);
  const int32_t bs = ctx->block_size, half = bs / 2;
  if (c.me_mode == ME_MODE_BIDIR) {
    for (int32_t dir = 0; dir < 2; ++dir) {
      MIBlock* blocks = ctx->frames[dir == 0 ? 2 : 1].blocks;
      const int32_t share = dir == 0 ? 1024 - c.alpha : c.alpha, sign = dir == 0 ? 1 : -1;
      for (int32_t by = 0; by < ctx->blocks_y; ++by) {
        for (int32_t bx = 0; bx < ctx->blocks_x; ++bx) {
          int16_t* v = blocks[by * ctx->blocks_x + bx].vectors[dir];
          v[0] = random_vector();
          v[1] = random_vector();
          if (c.converge) {  // towards block (1, 1)
            v[0] = static_cast<int16_t>((1 - bx) * bs * 1024 / share);
            v[1] = static_cast<int16_t>((1 - by) * bs * 1024 / share);
          }
          model.window((bx * bs) + share * v[0] / 1024 - half, (by * bs) + share * v[1] / 1024 - half,
                       sign * v[0], sign * v[1]);
        }
      }
    }
  } else {
    for (int32_t by = 0; by < ctx->blocks_y; ++by) {
      for (int32_t bx = 0; bx < ctx->blocks_x; ++bx) {
        MIBlock& b = ctx->bilat_blocks[by * ctx->blocks_x + bx];
        b.vectors[0][0] = c.pan != 0 ? c.pan : random_vector();
        b.vectors[0][1] = c.pan != 0 ? int16_t{0} : random_vector();
        if (c.split && (bx + by) % 3 == 1) {
          b.subdivided = 1;
          b.quarters = ctx->buffers.quarters.take();
          for (int q = 0; q < 4; ++q) {
            b.quarters[q].vectors[0][0] = random_vector();
            b.quarters[q].vectors[0][1] = random_vector();
          }
          b.quarters[2].subdivided = 1;
          b.quarters[2].quarters = ctx->buffers.quarters.take();
          for (int q = 0; q < 4; ++q) b.quarters[2].quarters[q].vectors[0][0] = random_vector();
          model.split(b, bx * bs, by * bs, ctx->log2_block_size);
        }
        model.window(bx * bs - half, by * bs - half, 2 * b.vectors[0][0], 2 * b.vectors[0][1]);
      }
    }
  }
  OwnedFrame expected(c.format, c.width, c.height, c.alpha);
  model.compose(&expected.frame);

  for (int t = 0; t < kCpuTierCount; ++t) {
    const auto tier = static_cast<CpuTier>(t);
    if (!use_motion_kernel_tier(tier)) continue;
    OwnedFrame out(c.format, c.width, c.height, c.alpha);
    synthesize_frame(ctx, &out.frame);
    for (int32_t p = has_packed_pixels(c.format) ? 1 : 0; p < 3 && out.frame.data[p]; ++p) {
      for (int32_t y = 0; y < out.rows(p); ++y) {
        for (int32_t x = 0; x < out.frame.linesize[p]; ++x) {
          ASSERT_EQ(out.at(p, x, y), expected.at(p, x, y))
              << cpu_tier_name(tier) << ": plane " << p << " byte " << x << " row " << y;
        }
      }
    }
  }
  use_motion_kernel_tier(detected_cpu_tier());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SynthesisModel,
    ::testing::Values(
        Case{"BidirectionalPilesOfWindows", 1, 96, 64, ME_MODE_BIDIR, 16, 300, 0, true, false},
        Case{"BidirectionalLongVectorsOddSize", 1, 71, 53, ME_MODE_BIDIR, 8, 700, 40, false, false},
        Case{"BilateralSplitsPlanar", 1, 96, 80, ME_MODE_BILAT, 16, 333, 12, false, true},
        Case{"BilateralPanOneColumnPastTheEdge", 1, 96, 64, ME_MODE_BILAT, 16, 512, 0, false, false, 9},
        Case{"BilateralSplitsOddSizeSmallBlocks", 1, 45, 37, ME_MODE_BILAT, 4, 517, 9, false, true},
        Case{"BilateralSplitsInterleaved", 6, 96, 80, ME_MODE_BILAT, 16, 700, 12, false, true},
        Case{"BilateralInterleavedOddSize", 6, 53, 41, ME_MODE_BILAT, 8, 250, 20, false, true},
        Case{"BidirectionalInterleaved", 6, 64, 48, ME_MODE_BIDIR, 8, 100, 20, false, false},
        Case{"BidirectionalInterleavedOddSize", 6, 53, 41, ME_MODE_BIDIR, 8, 400, 20, false, false},
        Case{"BilateralSplitsPacked", 20, 80, 64, ME_MODE_BILAT, 8, 512, 12, false, true},
        Case{"BidirectionalPackedTwoPixelBlocks", 20, 41, 30, ME_MODE_BIDIR, 2, 900, 6, false, false}),
    [](const ::testing::TestParamInfo<Case>& param) { return param.param.name; });

}  // namespace
}  // namespace frameinterp
