// Motion-compensated synthesis: the overlap windows, the candidate pairs, the
// three ways of collecting them and the composition of every plane layout.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "motion/candidate_pairs.h"
#include "motion/me_costs.h"
#include "motion/overlap_windows.h"
#include "motion/synthesis.h"
#include "motion/zeroed_alloc.h"
#include "working_frames.h"

namespace frameinterp {
namespace {

using testing::ContextConfig;
using testing::ContextGuard;
using testing::OwnedFrame;
using testing::context_for;

template <size_t N>
uint32_t table_sum(const std::array<uint8_t, N>& t) {
  return std::accumulate(t.begin(), t.end(), 0u);
}

TEST(OverlapWindows, FollowTheStatedRowsAndSums) {
  const std::array<uint8_t, 16> four = {16, 48, 48, 16, 48, 144, 144, 48,
                                        48, 144, 144, 48, 16, 48, 48, 16};
  EXPECT_EQ(overlap_window_4, four);

  const uint8_t eight_row[8] = {4, 12, 20, 28, 28, 20, 12, 4};
  for (int c = 0; c < 8; ++c) EXPECT_EQ(overlap_window_8[c], eight_row[c]) << c;
  EXPECT_EQ(overlap_window_8[3 * 8 + 3], 196);
  EXPECT_EQ(overlap_window_8[4 * 8 + 4], 196);

  const uint8_t sixteen_row[16] = {0, 4, 4, 8, 8, 12, 12, 16, 16, 12, 12, 8, 8, 4, 4, 0};
  for (int c = 0; c < 16; ++c) EXPECT_EQ(overlap_window_16[c], sixteen_row[c]) << c;
  EXPECT_EQ(overlap_window_16[7 * 16 + 8], 224);

  EXPECT_EQ(overlap_window_32[0], 0);
  EXPECT_EQ(overlap_window_32[31], 0);
  EXPECT_EQ(overlap_window_32[31 * 32], 0);
  EXPECT_EQ(overlap_window_32[32 * 32 - 1], 0);
  EXPECT_EQ(overlap_window_32[15 * 32 + 16], 240);

  EXPECT_EQ(table_sum(overlap_window_4), 1024u);
  EXPECT_EQ(table_sum(overlap_window_8), 4096u);
  EXPECT_EQ(table_sum(overlap_window_16), 16384u);
  EXPECT_EQ(table_sum(overlap_window_32), 65536u);

  // Indexed by 4 - log2 of the block edge.
  EXPECT_EQ(overlap_windows[0], overlap_window_32.data());
  EXPECT_EQ(overlap_windows[3], overlap_window_4.data());
}

struct Synthesis : ::testing::Test {
  static constexpr int32_t kW = 64, kH = 48;
  std::shared_ptr<MIContext> ctx;
  std::unique_ptr<ContextGuard> guard;
  std::unique_ptr<OwnedFrame> frames[4];

  void Configure(int32_t format, ContextConfig config = {}) {
    ctx = context_for(format, kW, kH, config);
    guard.reset(new ContextGuard{ctx});
    ASSERT_EQ(ctx->ready, 1);
    for (int i = 0; i < 4; ++i) {
      frames[i] = std::make_unique<OwnedFrame>(format, kW, kH, i * 1000);
      frames[i]->fill_random(100 + i);
      ctx->frames[i].frame = &frames[i]->frame;
    }
    ctx->estimator.cur_plane = frames[1]->frame.data[0];
    ctx->estimator.ref_plane = frames[2]->frame.data[0];
    ctx->estimator.linesize = frames[1]->frame.linesize[0];
  }
  const CandidateRefs& refs(int32_t x, int32_t y) const { return ctx->px_refs[y * kW + x]; }
  const CandidateWeights& weights(int32_t x, int32_t y) const {
    return ctx->px_weights[y * kW + x];
  }
  const CandidateVectors& vectors(int32_t x, int32_t y) const {
    return ctx->px_vectors[y * kW + x];
  }
  MIBlock& bilat(int32_t mb_x, int32_t mb_y) {
    return ctx->bilat_blocks[mb_y * ctx->blocks_x + mb_x];
  }
  // Random bilateral vectors in [-5, 5]; with `split`, some blocks carry
  // quarters (nested once) with vectors of their own.
  void RandomBilateralField(uint32_t seed, bool split) {
    std::mt19937 rng(seed);
    const auto v = [&] { return static_cast<int16_t>(static_cast<int>(rng() % 11) - 5); };
    for (int32_t i = 0; i < ctx->block_count; ++i) {
      MIBlock& b = ctx->bilat_blocks[i];
      b.vectors[0][0] = v();
      b.vectors[0][1] = v();
      if (split && i % 3 == 1) {
        b.subdivided = 1;
        b.quarters = alloc_zeroed<MIBlock>(4);
        for (int q = 0; q < 4; ++q) {
          b.quarters[q].vectors[0][0] = v();
          b.quarters[q].vectors[0][1] = v();
        }
        b.quarters[2].subdivided = 1;
        b.quarters[2].quarters = alloc_zeroed<MIBlock>(4);
        for (int q = 0; q < 4; ++q) b.quarters[2].quarters[q].vectors[0][0] = v();
      }
    }
  }
  void CollectBilateral(int32_t alpha) {
    clear_candidates(*ctx);
    for (int32_t mb_y = 0; mb_y < ctx->blocks_y; ++mb_y) {
      for (int32_t mb_x = 0; mb_x < ctx->blocks_x; ++mb_x) {
        MIBlock* b = &bilat(mb_x, mb_y);
        if (b->subdivided) {
          collect_split_candidates(ctx, b, mb_x << 4, mb_y << 4, 4, alpha);
        }
        collect_bilat_candidates(ctx, b, mb_x, mb_y, alpha);
      }
    }
  }
};

TEST_F(Synthesis, PairSplitsTheVectorByPositionTruncatingAndClampsIntoThePicture) {
  Configure(1);
  clear_candidates(*ctx);
  add_candidate_pair(*ctx, 10, 10, 100, 8, -4, 256);
  ASSERT_EQ(refs(10, 10).count, 2);
  EXPECT_EQ(refs(10, 10).refs[0], 1);
  EXPECT_EQ(weights(10, 10).weights[0], 100u * 768);
  EXPECT_EQ(vectors(10, 10).vectors[0][0], 2);
  EXPECT_EQ(vectors(10, 10).vectors[0][1], -1);
  EXPECT_EQ(refs(10, 10).refs[1], 2);
  EXPECT_EQ(weights(10, 10).weights[1], 100u * 256);
  EXPECT_EQ(vectors(10, 10).vectors[1][0], -6);
  EXPECT_EQ(vectors(10, 10).vectors[1][1], 3);

  // Truncation toward zero: -3 x 512 / 1024 is -1, not -2.
  add_candidate_pair(*ctx, 20, 20, 1, -3, 3, 512);
  EXPECT_EQ(vectors(20, 20).vectors[0][0], -1);
  EXPECT_EQ(vectors(20, 20).vectors[1][0], 1);

  // At the picture's corner both samples are held inside it.
  add_candidate_pair(*ctx, 0, kH - 1, 1, -40, 40, 512);
  EXPECT_EQ(vectors(0, kH - 1).vectors[0][0], 0);
  EXPECT_EQ(vectors(0, kH - 1).vectors[0][1], 0);
  EXPECT_EQ(vectors(0, kH - 1).vectors[1][0], 20);
  EXPECT_EQ(vectors(0, kH - 1).vectors[1][1], -20);
}

TEST_F(Synthesis, ZeroWeightAndASeventeenthPairAddNothing) {
  Configure(1);
  clear_candidates(*ctx);
  add_candidate_pair(*ctx, 5, 5, 0, 1, 1, 512);
  EXPECT_EQ(refs(5, 5).count, 0);
  for (int i = 0; i < 17; ++i) add_candidate_pair(*ctx, 5, 5, 10 + i, 0, 0, 512);
  EXPECT_EQ(refs(5, 5).count, 32);
  EXPECT_EQ(weights(5, 5).weights[30], (10u + 15) * 512) << "the first 16 pairs stay";
}

TEST_F(Synthesis, ZeroVectorsHalfwayGiveTheRoundedMeanOfBothFrames) {
  Configure(1);
  CollectBilateral(512);
  OwnedFrame out(1, kW, kH);
  compose_frame(ctx, 512, &out.frame);
  for (int32_t p = 0; p < 3; ++p) {
    for (int32_t y = 0; y < out.rows(p); ++y) {
      for (int32_t x = 0; x < out.frame.linesize[p]; ++x) {
        const int a = frames[1]->at(p, x, y), b = frames[2]->at(p, x, y);
        ASSERT_EQ(out.at(p, x, y), (a + b + 1) / 2) << p << " " << x << " " << y;
      }
    }
  }
}

TEST_F(Synthesis, BidirectionalWindowsNeverReachTheLastColumnOrRow) {
  ContextConfig config;
  config.me_mode = ME_MODE_BIDIR;
  Configure(1, config);
  std::mt19937 rng(7);
  for (int s = 1; s <= 2; ++s) {
    for (int32_t i = 0; i < ctx->block_count; ++i) {
      for (auto& v : ctx->frames[s].blocks[i].vectors) {
        v[0] = static_cast<int16_t>(static_cast<int>(rng() % 9) - 4);
        v[1] = static_cast<int16_t>(static_cast<int>(rng() % 9) - 4);
      }
    }
  }
  const int32_t alpha = 300;
  collect_bidir_candidates(ctx, alpha);
  OwnedFrame out(1, kW, kH);
  compose_frame(ctx, alpha, &out.frame);
  const auto blend = [&](int x, int y) {
    return (frames[1]->at(0, x, y) * (1024 - alpha) + frames[2]->at(0, x, y) * alpha + 512) / 1024;
  };
  for (int32_t y = 0; y < kH; ++y) EXPECT_EQ(out.at(0, kW - 1, y), blend(kW - 1, y)) << y;
  for (int32_t x = 0; x < kW; ++x) EXPECT_EQ(out.at(0, x, kH - 1), blend(x, kH - 1)) << x;
  EXPECT_GT(refs(kW / 2, kH / 2).count, 2) << "interior pixels lie under several windows";
}

TEST_F(Synthesis, AdaptiveWeightsFollowTheNeighboursOwnCosts) {
  ContextConfig config;
  config.comp_mode = COMP_MODE_ADAPTIVE;
  Configure(1, config);
  MIBlock& block = bilat(1, 1);
  block.vectors[0][0] = 2;
  // The neighbour on the right fits its own vector exactly as well as this
  // block's: full weight. The one on the left fits perfectly: weight 0.
  bilat(2, 1).bilat_cost = bilateral_sad(&ctx->estimator, 32, 16, 34, 16);
  bilat(0, 1).bilat_cost = 0;
  for (auto [x, y] : {std::pair{1, 0}, {0, 0}, {2, 2}, {0, 2}, {1, 2}, {2, 0}}) {
    bilat(x, y).bilat_cost = UINT64_MAX;
  }
  clear_candidates(*ctx);
  collect_bilat_candidates(ctx, &block, 1, 1, 512);

  const uint8_t* window = overlap_windows[0];
  // Window anchored at (8, 8): x 32..39 is the right quarter, 8..15 the left.
  EXPECT_EQ(weights(36, 24).weights[0], window[16 * 32 + 28] * 512u);
  EXPECT_EQ(refs(12, 24).count, 0);
  EXPECT_EQ(weights(24, 24).weights[0], window[16 * 32 + 16] * 512u) << "centre unchanged";
}

TEST_F(Synthesis, SplitQuartersAddFlatPairsOverTheirOwnSquares) {
  Configure(1);
  MIBlock& block = bilat(1, 1);
  block.subdivided = 1;
  block.quarters = alloc_zeroed<MIBlock>(4);
  block.quarters[3].vectors[0][0] = 3;  // bottom-right quarter: (24..31, 24..31)
  clear_candidates(*ctx);
  collect_split_candidates(ctx, &block, 16, 16, 4, 512);
  EXPECT_EQ(refs(24, 24).count, 2);
  EXPECT_EQ(weights(24, 24).weights[0], 255u * 512);
  EXPECT_EQ(vectors(24, 24).vectors[0][0], 3) << "pair vector twice the bilateral one, halved";
  EXPECT_EQ(refs(15, 15).count, 0) << "no pixel outside the block";
  collect_bilat_candidates(ctx, &block, 1, 1, 512);
  EXPECT_EQ(refs(24, 24).count, 4) << "the window pairs come in addition";
}

// Literal composition: every luma pixel computes every plane, a chroma sample
// being written by each luma pixel of its group in raster order.
void compose_by_every_luma_pixel(const MIContext& ctx, MIFrame* out) {
  for (int32_t p = 0; p < ctx.plane_count; ++p) {
    const int32_t s = p == 0 ? 0 : 1;
    for (int32_t y = 0; y < out->height; ++y) {
      for (int32_t x = 0; x < out->width; ++x) {
        const size_t i = static_cast<size_t>(y) * out->width + x;
        uint32_t total = 0, sum = 0;
        for (int32_t k = 0; k < ctx.px_refs[i].count; ++k) {
          const MIFrame* f = ctx.frames[ctx.px_refs[i].refs[k]].frame;
          const int32_t sx = (x >> s) + ctx.px_vectors[i].vectors[k][0] / (1 << s);
          const int32_t sy = (y >> s) + ctx.px_vectors[i].vectors[k][1] / (1 << s);
          total += ctx.px_weights[i].weights[k];
          sum += ctx.px_weights[i].weights[k] * f->data[p][sy * f->linesize[p] + sx];
        }
        out->data[p][(y >> s) * out->linesize[p] + (x >> s)] =
            static_cast<uint8_t>((sum + total / 2) / total);
      }
    }
  }
}

TEST_F(Synthesis, PlanarComposeMatchesTheLiteralPerLumaPixelComposition) {
  Configure(1);
  RandomBilateralField(11, true);
  CollectBilateral(333);
  OwnedFrame out(1, kW, kH), literal(1, kW, kH);
  compose_frame(ctx, 333, &out.frame);
  compose_by_every_luma_pixel(*ctx, &literal.frame);
  for (int32_t p = 0; p < 3; ++p) {
    for (int32_t y = 0; y < out.rows(p); ++y) {
      for (int32_t x = 0; x < out.frame.linesize[p]; ++x) {
        ASSERT_EQ(out.at(p, x, y), literal.at(p, x, y)) << p << " " << x << " " << y;
      }
    }
  }
}

TEST_F(Synthesis, InterleavedChromaComposesUFromUAndVFromVLikeThePlanarPlanes) {
  Configure(1);
  RandomBilateralField(12, true);
  CollectBilateral(700);
  OwnedFrame planar(1, kW, kH);
  compose_frame(ctx, 700, &planar.frame);

  // The same pictures with their chroma interleaved, the same candidates.
  OwnedFrame nv12[3] = {{6, kW, kH}, {6, kW, kH}, {6, kW, kH}};
  for (int f = 1; f <= 2; ++f) {
    OwnedFrame& n = nv12[f];
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) n.at(0, x, y) = frames[f]->at(0, x, y);
    }
    for (int32_t y = 0; y < kH / 2; ++y) {
      for (int32_t x = 0; x < kW / 2; ++x) {
        n.at(1, 2 * x, y) = frames[f]->at(1, x, y);
        n.at(1, 2 * x + 1, y) = frames[f]->at(2, x, y);
      }
    }
    ctx->frames[f].frame = &n.frame;
  }
  compose_frame(ctx, 700, &nv12[0].frame);
  for (int32_t y = 0; y < kH / 2; ++y) {
    for (int32_t x = 0; x < kW / 2; ++x) {
      ASSERT_EQ(nv12[0].at(1, 2 * x, y), planar.at(1, x, y)) << x << " " << y;
      ASSERT_EQ(nv12[0].at(1, 2 * x + 1, y), planar.at(2, x, y)) << x << " " << y;
    }
  }
}

TEST_F(Synthesis, PackedPixelsComposeAllFourBytesFromThePixelsCandidates) {
  Configure(20);
  for (int f = 1; f <= 2; ++f) {
    OwnedFrame& fr = *frames[f];
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) {
        const uint8_t v = fr.at(0, x, y);
        fr.at(1, 4 * x, y) = v;
        fr.at(1, 4 * x + 1, y) = v;
        fr.at(1, 4 * x + 2, y) = v;
        fr.at(1, 4 * x + 3, y) = 77;
      }
    }
  }
  RandomBilateralField(13, true);
  CollectBilateral(512);
  OwnedFrame out(20, kW, kH);
  compose_frame(ctx, 512, &out.frame);
  for (int32_t y = 0; y < kH; ++y) {
    for (int32_t x = 0; x < kW; ++x) {
      for (int b = 0; b < 3; ++b) ASSERT_EQ(out.at(1, 4 * x + b, y), out.at(0, x, y)) << x << " " << y;
      ASSERT_EQ(out.at(1, 4 * x + 3, y), 77);
    }
  }
}

TEST_F(Synthesis, PixelWithoutCandidatesKeepsThePlainBlendAsItsList) {
  Configure(1);
  clear_candidates(*ctx);
  OwnedFrame out(1, kW, kH);
  compose_frame(ctx, 100, &out.frame);
  EXPECT_EQ(refs(3, 3).count, 2);
  EXPECT_EQ(weights(3, 3).weights[0], 924u);
  EXPECT_EQ(weights(3, 3).weights[1], 100u);
  const int expected = (frames[1]->at(0, 3, 3) * 924 + frames[2]->at(0, 3, 3) * 100 + 512) / 1024;
  EXPECT_EQ(out.at(0, 3, 3), expected);
}

}  // namespace
}  // namespace frameinterp
