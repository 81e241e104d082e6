#include "engine/render_settings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quiltora {
namespace {

constexpr Fixed deg(double d) { return static_cast<Fixed>(d * 65536); }

RenderSettings build(RenderParamValues v, int32_t num = 1, uint32_t den = 1) {
  return buildRenderSettings(v, num, den);
}

TEST(NormaliseDegrees, Table) {
  const struct { double in, out; } cases[] = {
      {-30, 330}, {360, 0}, {725, 5}, {0, 0}, {359.5, 359.5}, {-360, 0}, {-720.25, 359.75},
  };
  for (const auto& c : cases) EXPECT_EQ(normaliseDegrees(c.in), c.out) << c.in;
  EXPECT_TRUE(std::signbit(normaliseDegrees(-0.0)));  // -0.0 is left as it is
}

TEST(BuildRenderSettings, TileSizeScalesAndIsRaisedToOne) {
  const struct { double value; int32_t num; uint32_t den; double expected; } cases[] = {
      {2, 1, 4, 1.0}, {3, 1, 4, 1.0}, {4, 1, 4, 1.0}, {50, 1, 2, 25.0}, {50, 1, 1, 50.0}, {2.5, 1, 1, 2.5},
  };
  for (const auto& c : cases) {
    RenderParamValues v;
    v.tileSize = c.value;
    EXPECT_EQ(build(v, c.num, c.den).tileSize, c.expected) << c.value << " at " << c.num << "/" << c.den;
  }
}

TEST(BuildRenderSettings, AnglesAndPhase) {
  const struct { double angle, expectedAngle, phase, expectedPhase; } cases[] = {
      {-30, 330, 0, 360}, {360, 0, 90, 270}, {725, 5, 450, 270}, {15, 15, -90, 90}, {0, 0, 360, 360},
  };
  for (const auto& c : cases) {
    RenderParamValues v;
    v.angle = deg(c.angle);
    v.dropshadowAngle = deg(c.angle);
    v.phase = deg(c.phase);
    const RenderSettings s = build(v);
    EXPECT_EQ(s.angle, c.expectedAngle) << c.angle;
    EXPECT_EQ(s.dropshadowAngle, c.expectedAngle) << c.angle;
    EXPECT_EQ(s.phase, c.expectedPhase) << c.phase;
  }
  RenderParamValues v;
  v.angle = 0x1234567;  // a fraction of a degree: divided by 65536 before normalising
  EXPECT_EQ(build(v).angle, normaliseDegrees(0x1234567 / 65536.0));
}

TEST(BuildRenderSettings, StrokeSizeRaisedOnlyStrictlyBetweenZeroAndOne) {
  const struct { int32_t value; int32_t num; uint32_t den; double expected; } cases[] = {
      {1, 1, 2, 1.0}, {3, 1, 2, 1.5}, {0, 1, 2, 0.0}, {30, 1, 1, 30.0}, {1, 1, 4, 1.0}, {-2, 1, 2, -1.0},
  };
  for (const auto& c : cases) {
    RenderParamValues v;
    v.strokeSize = c.value;
    EXPECT_EQ(build(v, c.num, c.den).strokeSize, c.expected) << c.value;
  }
}

TEST(BuildRenderSettings, BlurTruncatesAndIsRaisedFromZero) {
  const struct { int32_t value; int32_t num; uint32_t den; int32_t expected; } cases[] = {
      {1, 1, 4, 1}, {3, 1, 2, 1}, {5, 1, 2, 2}, {0, 1, 2, 0}, {50, 1, 1, 50}, {-3, 1, 1, -3},
  };
  for (const auto& c : cases) {
    RenderParamValues v;
    v.dropshadowBlur = c.value;
    EXPECT_EQ(build(v, c.num, c.den).dropshadowBlur, c.expected) << c.value;
  }
}

TEST(BuildRenderSettings, DistanceIsScaledUnrounded) {
  RenderParamValues v;
  v.dropshadowDistance = 10;
  EXPECT_EQ(build(v, 1, 3).dropshadowDistance, 10 * (1.0 / 3.0));
  v.dropshadowDistance = -10;
  EXPECT_EQ(build(v, 1, 1).dropshadowDistance, -10.0);
}

TEST(BuildRenderSettings, PercentagesDivideThenMultiply) {
  RenderParamValues v;
  v.opacity = 100 << 16;
  v.inner = 50 << 16;
  v.strokeOpacity = 0x1999A;  // 1.6 % in 16.16
  v.dropshadowOpacity = 33 << 16;
  const RenderSettings s = build(v);
  EXPECT_EQ(s.opacity, 1.0);
  EXPECT_EQ(s.inner, 0.5);
  EXPECT_EQ(s.strokeOpacity, (0x1999A / 65536.0) * 0.01);
  EXPECT_EQ(s.dropshadowOpacity, 33.0 * 0.01);  // not 33 / 100.0
}

TEST(BuildRenderSettings, CopiesTheUnchangedFields) {
  RenderParamValues v;
  v.offsetX = 123456;
  v.offsetY = -654321;
  v.color = {1, 2, 3, 4};
  v.fillingRate = 0.37;
  v.shape = SHAPE_POLYGON;
  v.edges = 7;
  v.dependOnAngle = 1;
  v.background = BACKGROUND_ON_TRANSPARENT;
  v.strokeColor = {5, 6, 7, 8};
  v.dropshadowOn = 1;
  v.dropshadowColor = {9, 10, 11, 12};
  const RenderSettings s = build(v, 1, 2);
  EXPECT_EQ(s.scale, 0.5);
  EXPECT_EQ(s.offsetX, 123456);  // the point is not scaled
  EXPECT_EQ(s.offsetY, -654321);
  EXPECT_EQ(s.fillColor, (Pixel8{1, 2, 3, 4}));
  EXPECT_EQ(s.fillingRate, 0.37);
  EXPECT_EQ(s.shape, SHAPE_POLYGON);
  EXPECT_EQ(s.edges, 7);
  EXPECT_EQ(s.dependOnAngle, 1);
  EXPECT_EQ(s.background, BACKGROUND_ON_TRANSPARENT);
  EXPECT_EQ(s.strokeColor, (Pixel8{5, 6, 7, 8}));
  EXPECT_EQ(s.dropshadowOn, 1);
  EXPECT_EQ(s.dropshadowColor, (Pixel8{9, 10, 11, 12}));
}

// A zero denominator would make every length non-finite: it is taken as full resolution.
TEST(BuildRenderSettings, ZeroDenominatorIsFullResolution) {
  RenderParamValues v;
  v.tileSize = 40;
  v.strokeSize = 3;
  v.dropshadowBlur = 5;
  v.dropshadowDistance = 7;
  const RenderSettings s = build(v, 1, 0);
  EXPECT_EQ(s.scale, 1.0);
  EXPECT_EQ(s.tileSize, 40.0);
  EXPECT_EQ(s.strokeSize, 3.0);
  EXPECT_EQ(s.dropshadowBlur, 5);
  EXPECT_EQ(s.dropshadowDistance, 7.0);
  EXPECT_EQ(build(v, 0, 0).tileSize, 40.0);
}

TEST(BuildRenderSettings, NonFiniteAndHugeValuesStayFiniteAndBounded) {
  RenderParamValues v;
  v.tileSize = std::nan("");
  v.dropshadowDistance = -INFINITY;
  v.dropshadowBlur = INT32_MAX;
  RenderSettings s = build(v, INT32_MAX, 1);
  EXPECT_EQ(s.tileSize, 1.0);
  EXPECT_EQ(s.dropshadowDistance, -MAX_SETTINGS_LENGTH);
  EXPECT_EQ(s.dropshadowBlur, static_cast<int32_t>(MAX_SETTINGS_LENGTH));
  v.tileSize = 1e300;
  v.strokeSize = INT32_MAX;
  s = build(v, INT32_MAX, 1);
  EXPECT_EQ(s.tileSize, MAX_SETTINGS_LENGTH);
  EXPECT_EQ(s.strokeSize, MAX_SETTINGS_LENGTH);
}

}  // namespace
}  // namespace quiltora
