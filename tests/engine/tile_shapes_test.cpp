#include "engine/tile_shapes.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/fake_services.h"
#include "tests/support/owned_image.h"

namespace quiltora {
namespace {

using testing::FakeTileServices;
using testing::OwnedImage;

TEST(CircleCoverage, FullDiscAtRadiusTen) {
  const struct { int dx, dy; uint8_t a8; } cases8[] = {
      {0, 0, 255}, {9, 0, 255}, {10, 0, 127}, {8, 6, 127}, {7, 7, 140}, {11, 0, 0},
  };
  for (const auto& c : cases8) EXPECT_EQ(circleCoverage8(c.dx * c.dx + c.dy * c.dy, 10, 0), c.a8) << c.dx << "," << c.dy;
  const struct { int d; uint16_t a16; float aF; } deep[] = {
      {0, 32768, 1.0f}, {9, 32768, 1.0f}, {10, 16384, 0.5f}, {11, 0, 0.0f},
  };
  for (const auto& c : deep) {
    EXPECT_EQ(circleCoverage16(c.d * c.d, 10, 0), c.a16) << c.d;
    EXPECT_EQ(circleCoverageF(c.d * c.d, 10, 0), c.aF) << c.d;
  }
  // Inside the ramp: trunc(32768 - 16384 f) and 1 - 0.5 f rounded to float.
  EXPECT_EQ(circleCoverage16(98, 10, 0), static_cast<uint16_t>(32768 - 16384 * (std::sqrt(98.0) - 10 + 1)));
  EXPECT_EQ(circleCoverageF(98, 10, 0), static_cast<float>(1 - 0.5 * (std::sqrt(98.0) - 10 + 1)));
}

TEST(CircleCoverage, RingWithInnerHalf) {
  const struct { int d; uint8_t a8; uint16_t a16; float aF; } cases[] = {
      {3, 0, 0, 0.0f},   {4, 0, 0, 0.0f},  {5, 127, 16384, 0.5f}, {6, 255, 32768, 1.0f},
      {9, 255, 32768, 1.0f}, {10, 127, 16384, 0.5f}, {11, 0, 0, 0.0f},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(circleCoverage8(c.d * c.d, 10, 0.5), c.a8) << c.d;
    EXPECT_EQ(circleCoverage16(c.d * c.d, 10, 0.5), c.a16) << c.d;
    EXPECT_EQ(circleCoverageF(c.d * c.d, 10, 0.5), c.aF) << c.d;
  }
}

TEST(PolygonCoverage, OuterRampDecidesWhereTheRampsOverlap) {
  const struct { double d; uint8_t a8; } cases[] = {
      {0, 0}, {48.5, 0}, {48.75, 31}, {49, 255}, {50, 127}, {51, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(polygonCoverage8(c.d, 50, 0.99), c.a8) << c.d;
}

TEST(Coverage, NothingForAZeroWidthRingATinyRadiusOrAnUndefinedDistance) {
  for (const double d : {0.0, 0.3, 5.0, 10.0}) {
    EXPECT_EQ(polygonCoverage8(d, 10, 1.0), 0);
    EXPECT_EQ(polygonCoverage16(d, 10, 1.0), 0);
    EXPECT_EQ(polygonCoverageF(d, 10, 1.0), 0.0f);
  }
  for (const double r : {0.0, 0.25, 0.49}) {
    EXPECT_EQ(circleCoverage8(0, r, 0), 0) << r;
    EXPECT_EQ(circleCoverage16(0, r, 0), 0) << r;
    EXPECT_EQ(circleCoverageF(0, r, 0), 0.0f) << r;
  }
  EXPECT_EQ(circleCoverage8(0, 0.5, 0), 191);  // R 0.5 is drawn: the centre lies on the outer ramp
  EXPECT_EQ(polygonCoverage8(std::nan(""), 10, 0), 0);
  EXPECT_EQ(polygonCoverage16(std::nan(""), 10, 0), 0);
}

// A tile of radius R = tileSize / 2 with the given stroke and blur margins.
struct TileCase {
  RenderSettings settings;
  TileGeometry geometry;
};

TileCase makeTile(ShapeKind shape, double tileSize, double strokeSize = 0, int32_t blur = 0) {
  RenderParamValues v;
  v.shape = shape;
  v.tileSize = tileSize;
  v.color = {200, 10, 128, 255};
  RenderSettings s = buildRenderSettings(v, 1, 1);
  s.strokeSize = strokeSize;
  s.dropshadowBlur = blur;
  return {s, computeTileGeometry(s, {})};
}

template <class P>
void expectBandTransparent(const OwnedImage& tile, const TileGeometry& g) {
  for (int32_t y = 0; y < g.tileSide; ++y)
    for (int32_t x = 0; x < g.tileSide; ++x) {
      const bool inBand = x < g.blurRadius || y < g.blurRadius || x >= g.tileSide - g.blurRadius ||
                          y >= g.tileSide - g.blurRadius;
      if (inBand) {
        ASSERT_EQ(tile.at<P>(x, y), P{}) << x << "," << y;
      }
    }
}

TEST(DrawTileShape, CircleInEachDepthUsesTheFillColourAndKeepsTheBandClear) {
  TileCase t = makeTile(SHAPE_CIRCLE, 20, 2, 3);  // R 10, square 25, side 31
  const TileGeometry& g = t.geometry;
  ASSERT_EQ(g.tileSide, 31);
  FakeTileServices services;
  const int c = g.tileCenter;
  const int xs[] = {0, 9, 10, 11, 12};
  const uint8_t expected8[] = {255, 255, 127, 0, 0};

  OwnedImage t8(g.tileSide, g.tileSide, DEPTH_8, 3);
  ASSERT_EQ(drawTileShape(t.settings, g, {}, DEPTH_8, t8.image, services), 0);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(t8.at<Pixel8>(c + xs[i], c), (Pixel8{expected8[i], 10, 128, 255})) << xs[i];
    EXPECT_EQ(t8.at<Pixel8>(c, c - xs[i]).alpha, expected8[i]) << xs[i];
  }
  expectBandTransparent<Pixel8>(t8, g);

  OwnedImage t16(g.tileSide, g.tileSide, DEPTH_16);
  ASSERT_EQ(drawTileShape(t.settings, g, {}, DEPTH_16, t16.image, services), 0);
  const Pixel16 fill16 = toPixel16(t.settings.fillColor);
  EXPECT_EQ(t16.at<Pixel16>(c, c), (Pixel16{32768, fill16.red, fill16.green, fill16.blue}));
  EXPECT_EQ(t16.at<Pixel16>(c + 10, c).alpha, 16384);
  EXPECT_EQ(t16.at<Pixel16>(c + 12, c), (Pixel16{0, fill16.red, fill16.green, fill16.blue}));
  expectBandTransparent<Pixel16>(t16, g);

  OwnedImage tF(g.tileSide, g.tileSide, DEPTH_FLOAT);
  ASSERT_EQ(drawTileShape(t.settings, g, {}, DEPTH_FLOAT, tF.image, services), 0);
  const PixelF fillF = toPixelF(t.settings.fillColor);
  EXPECT_EQ(tF.at<PixelF>(c, c), (PixelF{1.0f, fillF.red, fillF.green, fillF.blue}));
  EXPECT_EQ(tF.at<PixelF>(c - 10, c).alpha, 0.5f);
  expectBandTransparent<PixelF>(tF, g);

  EXPECT_TRUE(services.samples.empty());
  EXPECT_EQ(services.unpremultiplyCalls, 0);
}

uint8_t polygonAlphaAt(const RenderSettings& s, int edges, int dx, int dy) {
  RenderSettings settings = s;
  settings.edges = edges;
  const TileGeometry g = computeTileGeometry(settings, {});
  OwnedImage tile(g.tileSide, g.tileSide, DEPTH_8);
  FakeTileServices services;
  EXPECT_EQ(drawTileShape(settings, g, {}, DEPTH_8, tile.image, services), 0);
  return tile.at<Pixel8>(g.tileCenter + dx, g.tileCenter + dy).alpha;
}

TEST(DrawTileShape, PolygonOrientation) {
  RenderSettings s = makeTile(SHAPE_POLYGON, 20).settings;  // R 10, Phase control 0
  // The square stands on a corner: corners on the axes, edges through (5, 5).
  EXPECT_EQ(polygonAlphaAt(s, 4, 10, 0), 127);
  EXPECT_EQ(polygonAlphaAt(s, 4, 0, 10), 127);
  EXPECT_EQ(polygonAlphaAt(s, 4, -10, 0), 127);
  EXPECT_EQ(polygonAlphaAt(s, 4, 5, 5), 127);
  EXPECT_EQ(polygonAlphaAt(s, 4, 7, 7), 0);
  EXPECT_EQ(polygonAlphaAt(s, 4, 0, 0), 255);
  EXPECT_EQ(polygonAlphaAt(s, 3, 10, 0), 127);
  // Phase control 30 turns the triangle: rows grow downwards, so (0, 10) is now a corner.
  s.phase = 330;
  EXPECT_EQ(polygonAlphaAt(s, 3, 0, 10), 127);
  EXPECT_EQ(polygonAlphaAt(s, 3, 10, 0), 0);
  // With Depend on Angle the lattice angle turns it the same way.
  s.phase = 360;
  s.angle = 30;
  s.dependOnAngle = 1;
  EXPECT_EQ(polygonAlphaAt(s, 3, 0, 10), 127);
  EXPECT_EQ(polygonAlphaAt(s, 3, 10, 0), 0);
}

TEST(DrawTileShape, ZeroWidthRingAndTinyRadiusLeaveTheTileTransparent) {
  for (const ShapeKind shape : {SHAPE_CIRCLE, SHAPE_POLYGON}) {
    TileCase full = makeTile(shape, 20);
    full.settings.inner = 1.0;
    TileCase tiny = makeTile(shape, 0.9);  // raised to tile size 1: R 0.5 is drawn...
    tiny.settings.fillingRate = 0.8;       // ...but R 0.447 is not
    tiny.geometry = computeTileGeometry(tiny.settings, {});
    for (const TileCase* t : {&full, &tiny}) {
      OwnedImage tile(t->geometry.tileSide, t->geometry.tileSide, DEPTH_16);
      FakeTileServices services;
      ASSERT_EQ(drawTileShape(t->settings, t->geometry, {}, DEPTH_16, tile.image, services), 0);
      for (int y = 0; y < t->geometry.tileSide; ++y)
        for (int x = 0; x < t->geometry.tileSide; ++x) EXPECT_EQ(tile.at<Pixel16>(x, y).alpha, 0);
    }
  }
}

struct LayerCase {
  RenderSettings settings;
  TileGeometry geometry;
  OwnedImage layer{40, 20, DEPTH_8};
  explicit LayerCase(double phase, int32_t blur = 0) {
    RenderParamValues v;
    v.shape = SHAPE_LAYER;
    v.tileSize = 10;  // R 5
    settings = buildRenderSettings(v, 1, 1);
    settings.phase = phase;
    settings.dropshadowBlur = blur;
    geometry = computeTileGeometry(settings, LayerSize{40, 20});
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x)
        layer.at<Pixel8>(x, y) = {255, static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7};
  }
};

TEST(DrawTileShape, LayerSamplesTheRotatedAndScaledLayer) {
  LayerCase lc(90, 2);  // Phase control 270
  const TileGeometry& g = lc.geometry;
  ASSERT_EQ(g.layerScale, 0.5 * 40 * 4 / 25);
  FakeTileServices services;
  OwnedImage tile(g.tileSide, g.tileSide, DEPTH_8);
  ASSERT_EQ(drawTileShape(lc.settings, g, lc.layer.image, DEPTH_8, tile.image, services), 0);

  const int side = g.tileSide - 2 * g.blurRadius;
  ASSERT_EQ(services.samples.size(), static_cast<size_t>(side * side));
  EXPECT_EQ(services.unpremultiplyCalls, 1);
  // Row-major over the drawn square; each sample at centre - v * scale, centre + u * scale.
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i) {
      const auto& call = services.samples[j * side + i];
      const double u = (g.blurRadius + i - g.tileCenter) + 0.5;
      const double v = (g.blurRadius + j - g.tileCenter) + 0.5;
      EXPECT_NEAR(call.x, (20.0 - v * g.layerScale) * 65536, 1.0);
      EXPECT_NEAR(call.y, (10.0 + u * g.layerScale) * 65536, 1.0);
      EXPECT_EQ(call.rx, g.sampleRadius);
      EXPECT_EQ(call.ry, g.sampleRadius);
    }
  // The sampled pixel replaces the tile pixel whole, the band is left clear.
  const auto& centre = services.samples[(g.tileCenter - g.blurRadius) * side + (g.tileCenter - g.blurRadius)];
  EXPECT_EQ(tile.at<Pixel8>(g.tileCenter, g.tileCenter), lc.layer.at<Pixel8>(centre.x >> 16, centre.y >> 16));
  expectBandTransparent<Pixel8>(tile, g);
}

TEST(DrawTileShape, LayerErrorsStopSamplingAndSkipUnpremultiply) {
  LayerCase lc(360);
  OwnedImage tile(lc.geometry.tileSide, lc.geometry.tileSide, DEPTH_8);
  FakeTileServices failing;
  failing.failSampleAt = 5;
  failing.sampleError = 4;
  EXPECT_EQ(drawTileShape(lc.settings, lc.geometry, lc.layer.image, DEPTH_8, tile.image, failing), 4);
  EXPECT_EQ(failing.samples.size(), 6u);
  EXPECT_EQ(failing.unpremultiplyCalls, 0);

  FakeTileServices badUnpremultiply;
  badUnpremultiply.unpremultiplyError = 512;
  EXPECT_EQ(drawTileShape(lc.settings, lc.geometry, lc.layer.image, DEPTH_8, tile.image, badUnpremultiply), 512);
  EXPECT_EQ(badUnpremultiply.unpremultiplyCalls, 1);
}

TEST(DrawTileShape, LayerShapeWithoutALayerDrawsACircle) {
  LayerCase lc(360);
  lc.geometry = computeTileGeometry(lc.settings, {});
  Image noPixels = lc.layer.image;
  noPixels.data = nullptr;
  for (const std::optional<Image>& layer : {std::optional<Image>{}, std::optional<Image>{noPixels}}) {
    OwnedImage tile(lc.geometry.tileSide, lc.geometry.tileSide, DEPTH_8);
    FakeTileServices services;
    ASSERT_EQ(drawTileShape(lc.settings, lc.geometry, layer, DEPTH_8, tile.image, services), 0);
    EXPECT_TRUE(services.samples.empty());
    EXPECT_EQ(services.unpremultiplyCalls, 0);
    const int c = lc.geometry.tileCenter;
    EXPECT_EQ(tile.at<Pixel8>(c, c), (Pixel8{255, 255, 0, 0}));  // the default red
    EXPECT_EQ(tile.at<Pixel8>(c + 5, c).alpha, 127);
  }
}

TEST(DrawTileShape, LayerWithRadiusOfOneOrLessDrawsNothing) {
  RenderParamValues v;
  v.shape = SHAPE_LAYER;
  v.tileSize = 2;
  for (const double fillingRate : {0.0, 0.5, 1.0}) {  // R 0, 0.707, 1
    v.fillingRate = fillingRate;
    const RenderSettings s = buildRenderSettings(v, 1, 1);
    const TileGeometry g = computeTileGeometry(s, LayerSize{40, 20});
    OwnedImage layer(40, 20, DEPTH_8);
    OwnedImage tile(g.tileSide, g.tileSide, DEPTH_8);
    FakeTileServices services;
    ASSERT_EQ(drawTileShape(s, g, layer.image, DEPTH_8, tile.image, services), 0);
    EXPECT_TRUE(services.samples.empty()) << fillingRate;
    for (int y = 0; y < g.tileSide; ++y)
      for (int x = 0; x < g.tileSide; ++x) EXPECT_EQ(tile.at<Pixel8>(x, y), Pixel8{});
  }
}

}  // namespace
}  // namespace quiltora
