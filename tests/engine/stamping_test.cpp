#include "engine/stamping.h"

#include <gtest/gtest.h>

#include "tests/support/owned_image.h"
#include "tests/support/recording_sampler.h"

namespace quiltora {
namespace {

using testing::OwnedImage;
using testing::RecordingSampler;

// A lattice so sparse that only the cell at the origin touches a 200 x 100 target.
Lattice singleCellLattice(int32_t tileSide) {
  RenderSettings s = buildRenderSettings(RenderParamValues{}, 1, 1);
  s.angle = 0;
  s.tileSize = 1000;
  return buildLattice(s, 200, 100, tileSide, tileSide / 2);
}

template <class T>
struct Stamp {
  OwnedImage source{41, 41, T::depth};
  OwnedImage target{205, 100, T::depth};  // wider than W, as an output may be
  RecordingSampler services;
  ErrorCode error = 0;

  void run(PointD cell, CellRounding rounding, int32_t r = 20) {
    const Lattice l = singleCellLattice(41);
    stampBuffer<T>(source.image, target.image, l, cell, r, rounding, [](auto p) { return p; }, services, error);
  }
};

TEST(StampBuffer, SubPixelPlacement) {
  Stamp<Traits8> st;
  st.run({100.25, 50.0}, CELL_FLOOR);
  ASSERT_EQ(st.services.positions.size(), 41u * 41u);
  // Row-major over j then i, each at (i + 20.25, j + 20.5) buffer pixels.
  for (int j = -20; j <= 20; ++j)
    for (int i = -20; i <= 20; ++i) {
      const auto& s = st.services.positions[(j + 20) * 41 + (i + 20)];
      ASSERT_EQ(s.sx, i * 65536 + 41 * 32768 - 16384);
      ASSERT_EQ(s.sy, j * 65536 + 41 * 32768);
    }
  EXPECT_EQ(st.services.positions[20 * 41 + 20].sx, 1327104);
  // Each target pixel holds its own sample (the target was transparent).
  EXPECT_EQ(st.target.at<Pixel8>(100, 50), RecordingSampler::encode<Pixel8>(1327104, 1343488));
  EXPECT_EQ(st.target.at<Pixel8>(79, 50), Pixel8{});
  EXPECT_EQ(st.target.at<Pixel8>(121, 50), Pixel8{});
}

// A cell left of the target: truncation moves the window one pixel right, and
// both roundings sample the same position for the same target pixel.
TEST(StampBuffer, NegativeCellByTruncationAndByFloor) {
  Stamp<Traits16> truncated;
  truncated.run({-3.4, 50.0}, CELL_TRUNCATE);
  Stamp<Traits8> floored;
  floored.run({-3.4, 50.0}, CELL_FLOOR);
  // The first sample of the centre row is target x = 0.
  EXPECT_EQ(truncated.services.positions[20 * 18].sx, 1566310);
  EXPECT_EQ(floored.services.positions[20 * 17].sx, 1566310);
  EXPECT_NE(truncated.target.at<Pixel16>(17, 50), Pixel16{});
  EXPECT_EQ(truncated.target.at<Pixel16>(18, 50), Pixel16{});
  EXPECT_NE(floored.target.at<Pixel8>(16, 50), Pixel8{});
  EXPECT_EQ(floored.target.at<Pixel8>(17, 50), Pixel8{});
  EXPECT_EQ(truncated.services.positions.size(), 41u * 18u);
  EXPECT_EQ(floored.services.positions.size(), 41u * 17u);
}

TEST(StampBuffer, WritesOnlyInsideTheInputsBounds) {
  Stamp<TraitsF> st;
  st.run({195.5, 98.0}, CELL_TRUNCATE);
  // Columns 175..199 and rows 78..99 of W x H = 200 x 100; the output's extra columns stay clear.
  EXPECT_EQ(st.services.positions.size(), 25u * 22u);
  for (int y = 0; y < 100; ++y)
    for (int x = 200; x < 205; ++x) ASSERT_EQ(st.target.at<PixelF>(x, y), PixelF{});
  EXPECT_NE(st.target.at<PixelF>(199, 99), PixelF{});
}

TEST(StampBuffer, AfterAnErrorNoFurtherSamplesButTheLoopsRunOn) {
  Stamp<Traits8> st;
  st.services.failSubpixelAt = 10;
  st.services.subpixelError = 4;
  st.run({100.0, 50.0}, CELL_FLOOR);
  EXPECT_EQ(st.error, 4);
  EXPECT_EQ(st.services.positions.size(), 11u);
  // Pixels after the failure are still composited (with the last good sample).
  EXPECT_EQ(st.target.at<Pixel8>(120, 70), st.target.at<Pixel8>(89, 30));
}

TEST(StampBuffer, LaterCellsLieOverEarlierOnes) {
  // Spacing 10 with a window of radius 20: each pixel lies under many stamps.
  RenderSettings s = buildRenderSettings(RenderParamValues{}, 1, 1);
  s.angle = 0;
  s.tileSize = 10;
  const Lattice l = buildLattice(s, 60, 30, 41, 20);
  OwnedImage source(41, 41, DEPTH_8);
  OwnedImage target(60, 30, DEPTH_8);
  RecordingSampler services;
  ErrorCode error = 0;
  stampBuffer<Traits8>(source.image, target.image, l, {0, 0}, 20, CELL_FLOOR, [](Pixel8 p) { return p; },
                       services, error);
  EXPECT_EQ(error, 0);
  // The samples are opaque, so each pixel shows the last stamp over it: rows
  // come in ascending y and cells within a row in ascending x, so for (30, 15)
  // that is the cell (50, 30), sampled at (30 - 50 + 20, 15 - 30 + 20).
  EXPECT_EQ(target.at<Pixel8>(30, 15), RecordingSampler::encode<Pixel8>(0 << 16, 5 << 16));
  EXPECT_EQ(target.at<Pixel8>(0, 0), RecordingSampler::encode<Pixel8>(0 << 16, 0 << 16));
}

TEST(CompositePattern, OverEveryPixelAndProgressPerRow) {
  OwnedImage pattern(3, 2, DEPTH_8);
  OwnedImage output(4, 2, DEPTH_8);
  pattern.at<Pixel8>(1, 1) = {128, 255, 0, 0};
  output.at<Pixel8>(1, 1) = {255, 0, 0, 255};
  output.at<Pixel8>(3, 0) = {7, 7, 7, 7};
  struct Progress : RecordingSampler {
    std::vector<std::pair<int32_t, int32_t>> reports;
    ErrorCode reportProgress(int32_t c, int32_t t) override {
      reports.emplace_back(c, t);
      return reports.size() == 1 ? 0 : 9;
    }
  } services;
  ErrorCode error = 0;
  compositePattern<Traits8>(pattern.image, output.image, services, error);
  EXPECT_EQ(output.at<Pixel8>(1, 1), (Pixel8{255, 128, 0, 127}));
  EXPECT_EQ(output.at<Pixel8>(0, 0), Pixel8{});  // transparent over transparent stays zero
  EXPECT_EQ(output.at<Pixel8>(3, 0), (Pixel8{7, 7, 7, 7}));  // beyond W untouched
  ASSERT_EQ(services.reports.size(), 2u);
  EXPECT_EQ(services.reports[0], std::make_pair(2, 2));  // count y + H, total H
  EXPECT_EQ(services.reports[1], std::make_pair(3, 2));
  EXPECT_EQ(error, 9);
}

}  // namespace
}  // namespace quiltora
