#include "engine/lattice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace quiltora {
namespace {

RenderSettings latticeSettings(double angle, double tileSize) {
  RenderSettings s = buildRenderSettings(RenderParamValues{}, 1, 1);
  s.angle = angle;
  s.tileSize = tileSize;
  return s;
}

struct Visit {
  PointD point;
  CellPixel pixel;
};

std::vector<Visit> visits(const Lattice& l, PointD origin, CellRounding rounding) {
  std::vector<Visit> out;
  forEachVisibleCell(l, origin, rounding, [&](PointD p, CellPixel c) { out.push_back({p, c}); });
  return out;
}

TEST(Lattice, AxisAlignedExample) {
  const Lattice l = buildLattice(latticeSettings(0, 20), 100, 50, 21, 10);
  EXPECT_EQ(l.coverCorner.x, 0.0);
  EXPECT_EQ(l.coverCorner.y, 0.0);
  EXPECT_EQ(l.coverWidth, 142);
  EXPECT_EQ(l.coverHeight, 92);
  EXPECT_EQ(l.counterStep, 20);
  const PointD start = startPoint(l, {50, 25});
  EXPECT_EQ(start.x, -10.0);
  EXPECT_EQ(start.y, -15.0);
  for (const CellRounding rounding : {CELL_FLOOR, CELL_TRUNCATE}) {
    const auto v = visits(l, {50, 25}, rounding);
    ASSERT_EQ(v.size(), 21u);  // x -10..110 by 20, y 5, 25, 45
    for (size_t k = 0; k < v.size(); ++k) {
      EXPECT_EQ(v[k].point.x, -10.0 + 20.0 * (k % 7));
      EXPECT_EQ(v[k].point.y, 5.0 + 20.0 * (k / 7));
      EXPECT_EQ(v[k].pixel.x, static_cast<int32_t>(v[k].point.x));
    }
  }
}

TEST(Lattice, CullTestFollowsTheRounding) {
  const Lattice l = buildLattice(latticeSettings(0, 20), 100, 50, 21, 10);
  EXPECT_FALSE(cellVisible(l, roundCell({-10.5, 20.0}, CELL_FLOOR)));  // x becomes -11
  EXPECT_TRUE(cellVisible(l, roundCell({-10.5, 20.0}, CELL_TRUNCATE)));  // x becomes -10
  EXPECT_TRUE(cellVisible(l, {110, 60}));  // bounds are inclusive
  EXPECT_FALSE(cellVisible(l, {111, 0}));
  EXPECT_FALSE(cellVisible(l, {0, -11}));
  // Far-away or non-finite points round without overflow and are culled.
  EXPECT_FALSE(cellVisible(l, roundCell({1e300, -1e300}, CELL_FLOOR)));
  EXPECT_EQ(roundCell({NAN, 5.5}, CELL_TRUNCATE).x, 0);
}

TEST(Lattice, QuadrantBoundaries) {
  const Lattice right = buildLattice(latticeSettings(90, 20), 100, 50, 21, 10);
  EXPECT_EQ(right.coverCorner.x, 100.0);
  EXPECT_EQ(right.coverCorner.y, 0.0);
  EXPECT_EQ(right.coverWidth, 50 + 42);
  EXPECT_EQ(right.coverHeight, 100 + 42);
  // An origin on the corner starts right there.
  const PointD start = startPoint(right, right.coverCorner);
  EXPECT_EQ(start.x, right.coverCorner.x);
  EXPECT_EQ(start.y, right.coverCorner.y);
}

// In every quadrant the covering rectangle holds the whole output: each output
// corner lies within [0, extent] of the corner along both axes.
TEST(Lattice, CoverRectangleHoldsTheOutputAtEveryAngle) {
  const int32_t W = 160, H = 90, S = 7;
  for (const double angle : {0.0, 15.0, 45.0, 89.999, 90.0, 120.0, 180.0, 200.0, 269.5, 270.0, 300.0, 359.9}) {
    const Lattice l = buildLattice(latticeSettings(angle, 10), W, H, S, 3);
    for (const PointD corner : {PointD{0, 0}, PointD{double(W), 0}, PointD{0, double(H)}, PointD{double(W), double(H)}}) {
      const double qx = corner.x - l.coverCorner.x, qy = corner.y - l.coverCorner.y;
      const double u = dot2(qx, qy, l.axisU.x, l.axisU.y);
      const double v = dot2(qx, qy, l.axisV.x, l.axisV.y);
      EXPECT_GE(u, -1e-9) << angle;
      EXPECT_GE(v, -1e-9) << angle;
      EXPECT_LE(u, l.coverWidth - 2 * S + 1e-9) << angle;
      EXPECT_LE(v, l.coverHeight - 2 * S + 1e-9) << angle;
    }
  }
}

TEST(Lattice, FractionalTileSizesStepTheCountersByTheTruncatedSize) {
  Lattice l = buildLattice(latticeSettings(0, 2.5), 10, 10, 3, 1);
  EXPECT_EQ(l.counterStep, 2);
  l.leadingRows = l.leadingColumns = l.trailingRows = l.trailingColumns = 0;
  // Counters step by 2 over ceil(10 + 6) = 16 while points step by 2.5: 8 x 8
  // points reaching 17.5, past the rectangle; the cull drops x > 11.
  int visited = 0;
  double largest = -1;
  forEachVisibleCell(l, {0, 0}, CELL_FLOOR, [&](PointD p, CellPixel) {
    ++visited;
    largest = std::max(largest, p.x);
  });
  EXPECT_EQ(largest, 10.0);
  EXPECT_EQ(visited, 25);  // x and y in 0, 2.5, 5, 7.5, 10
  EXPECT_EQ(buildLattice(latticeSettings(0, 1.9), 10, 10, 3, 1).counterStep, 1);
  EXPECT_EQ(buildLattice(latticeSettings(0, 1.0), 10, 10, 3, 1).counterStep, 1);
}

// Tiles wider than their spacing reach the output from cells before the
// covering rectangle's corner; they are enumerated too, and the cells of the
// plain enumeration keep their exact positions and their order.
TEST(Lattice, LeadingCellsReachTheOutputWithoutDisturbingThePlainEnumeration) {
  const int32_t W = 50, H = 40;
  for (const double angle : {0.0, 30.0, 100.0, 215.0, 333.0}) {
    const int32_t tileCenter = 24;  // tiles far wider than the spacing of 10
    const Lattice l = buildLattice(latticeSettings(angle, 10), W, H, 2 * tileCenter + 1, tileCenter);
    const PointD origin{17.3, 11.9};
    const auto all = visits(l, origin, CELL_TRUNCATE);
    Lattice plainLattice = l;
    plainLattice.leadingRows = plainLattice.leadingColumns = 0;
    plainLattice.trailingRows = plainLattice.trailingColumns = 0;
    const auto plain = visits(plainLattice, origin, CELL_TRUNCATE);
    EXPECT_GT(all.size(), plain.size()) << angle;

    // The plain cells are a subsequence of all, bit for bit.
    size_t k = 0;
    for (const Visit& v : all)
      if (k < plain.size() && v.point.x == plain[k].point.x && v.point.y == plain[k].point.y) ++k;
    EXPECT_EQ(k, plain.size()) << angle;

    // Every lattice point whose integer position passes the cull test is visited.
    size_t expected = 0;
    for (int a = -40; a <= 40; ++a)
      for (int b = -40; b <= 40; ++b) {
        const PointD p{origin.x + a * l.columnStep.x + b * l.rowStep.x, origin.y + a * l.columnStep.y + b * l.rowStep.y};
        if (!cellVisible(l, roundCell(p, CELL_TRUNCATE))) continue;
        ++expected;
        bool found = false;
        for (const Visit& v : all) found = found || (std::abs(v.point.x - p.x) < 1e-6 && std::abs(v.point.y - p.y) < 1e-6);
        EXPECT_TRUE(found) << angle << ": " << p.x << "," << p.y;
      }
    EXPECT_EQ(all.size(), expected) << angle;
  }
}

// With a spacing wider than the whole covering rectangle the counters stop
// after the cell before the corner; the cell at the origin, inside the
// output, is still visited.
TEST(Lattice, SpacingWiderThanTheOutputStillReachesTheOrigin) {
  for (const double angle : {0.0, 40.0, 250.0}) {
    const Lattice l = buildLattice(latticeSettings(angle, 2000), 500, 300, 201, 100);
    const auto v = visits(l, {250, 150}, CELL_FLOOR);
    ASSERT_EQ(v.size(), 1u) << angle;
    EXPECT_NEAR(v[0].point.x, 250, 1e-9);
    EXPECT_NEAR(v[0].point.y, 150, 1e-9);
  }
}

}  // namespace
}  // namespace quiltora
