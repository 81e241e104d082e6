#include "engine/tile_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quiltora {
namespace {

RenderSettings settings(double tileSize, double fillingRate, double strokeSize = 0, int32_t blur = 0) {
  RenderParamValues v;
  v.tileSize = tileSize;
  v.fillingRate = fillingRate;
  RenderSettings s = buildRenderSettings(v, 1, 1);
  s.strokeSize = strokeSize;
  s.dropshadowBlur = blur;
  return s;
}

TEST(TileGeometry, SizesAndMargins) {
  const struct {
    double tileSize, fillingRate, strokeSize;
    int32_t blur;
    double radius;
    int32_t halfSize, strokeRadius, blurRadius, tileCenter, tileSide;
  } cases[] = {
      {40, 1, 0, 0, 20.0, 20, 0, 0, 20, 41},
      {40, 0.5, 0, 0, std::sqrt(0.5) * 20.0, 15, 0, 0, 15, 31},
      {40, 1, 3.7, 0, 20.0, 20, 3, 0, 23, 47},  // the stroke takes whole pixels
      {40, 1, 0, 5, 20.0, 20, 0, 5, 25, 51},    // the blur margin is kept, shadow on or off
      {40, 1, 2, 5, 20.0, 20, 2, 5, 27, 55},
      {40, 0, 0, 0, 0.0, 0, 0, 0, 0, 1},
      {1, 1, 0, 0, 0.5, 1, 0, 0, 1, 3},
  };
  for (const auto& c : cases) {
    const TileGeometry g = computeTileGeometry(settings(c.tileSize, c.fillingRate, c.strokeSize, c.blur), {});
    SCOPED_TRACE(testing::Message() << c.tileSize << " " << c.fillingRate << " " << c.strokeSize << " " << c.blur);
    EXPECT_EQ(g.shapeRadius, c.radius);
    EXPECT_EQ(g.halfSize, c.halfSize);
    EXPECT_EQ(g.strokeRadius, c.strokeRadius);
    EXPECT_EQ(g.blurRadius, c.blurRadius);
    EXPECT_EQ(g.tileCenter, c.tileCenter);
    EXPECT_EQ(g.tileSide, c.tileSide);
  }
}

TEST(TileGeometry, PolygonConstants) {
  RenderSettings s = settings(40, 1);
  s.edges = 4;
  s.phase = 360;  // Phase control 0
  TileGeometry g = computeTileGeometry(s, {});
  EXPECT_EQ(g.polygonHalfSector, 3.141592653589793 / 4);
  EXPECT_NEAR(g.polygonCornerFactor, std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(g.polygonRotation, 4 * 3.141592653589793, 1e-14);
  EXPECT_EQ(g.polygonRotation, 18.84955592153876 - 360 * 0.017453292519943295);

  s.dependOnAngle = 1;
  s.angle = 15;
  s.phase = 270;
  g = computeTileGeometry(s, {});
  EXPECT_EQ(g.polygonRotation,
            (15 * 0.017453292519943295 + 18.84955592153876) - 270 * 0.017453292519943295);
}

TEST(TileGeometry, LayerShapeScalesTheLayerIntoTheTile) {
  RenderSettings s = settings(40, 1);
  s.shape = SHAPE_LAYER;
  const TileGeometry g = computeTileGeometry(s, LayerSize{200, 100});
  EXPECT_EQ(g.layerScale, 4.75);
  EXPECT_EQ(g.sampleRadius, 155648);
  EXPECT_EQ(g.halfSize, 29);  // ceil(20 * 1.41421356)
  EXPECT_EQ(g.tileCenter, 29);
  EXPECT_EQ(g.layerCenterX, 100.0);
  EXPECT_EQ(g.layerCenterY, 50.0);

  // Without a layer image the Layer shape is sized as a circle.
  const TileGeometry circle = computeTileGeometry(s, {});
  EXPECT_EQ(circle.halfSize, 20);
  EXPECT_EQ(circle.layerScale, 0.0);
}

// At a radius of 1 or less the layer magnification would be zero, mirrored or
// not finite: the constants stay zero and finite, and nothing is drawn.
TEST(TileGeometry, LayerShapeWithRadiusOfOneOrLessHasNoScale) {
  for (const double fillingRate : {0.0, 0.0025, 0.01, 0.04}) {  // R = 0, 0.1, 0.2, 0.4 at tile 10
    RenderSettings s = settings(10, fillingRate);
    s.shape = SHAPE_LAYER;
    const TileGeometry g = computeTileGeometry(s, LayerSize{300, 300});
    EXPECT_EQ(g.layerScale, 0.0) << fillingRate;
    EXPECT_EQ(g.sampleRadius, 0) << fillingRate;
  }
  RenderSettings s = settings(2, 1);  // R exactly 1
  s.shape = SHAPE_LAYER;
  EXPECT_EQ(computeTileGeometry(s, LayerSize{300, 300}).layerScale, 0.0);
}

TEST(TileGeometry, CorruptValuesKeepTheBufferInRange) {
  RenderSettings s = settings(1e6, 1e300, 1e9, INT32_MAX);
  TileGeometry g = computeTileGeometry(s, LayerSize{INT32_MAX, 1});
  EXPECT_EQ(g.halfSize, MAX_HALF_SIZE);
  EXPECT_EQ(g.strokeRadius, MAX_STROKE_RADIUS);
  EXPECT_EQ(g.blurRadius, MAX_BLUR_RADIUS);
  EXPECT_LT(g.tileSide, 32768);  // 16.16 positions in the tile fit in 32 bits
  EXPECT_TRUE(std::isfinite(g.layerScale));

  // Negative stroke, blur and Filling Rate add no margin and draw nothing.
  s = settings(40, -1, -5, -7);
  g = computeTileGeometry(s, {});
  EXPECT_EQ(g.shapeRadius, 0.0);
  EXPECT_EQ(g.strokeRadius, 0);
  EXPECT_EQ(g.blurRadius, 0);
  EXPECT_EQ(g.tileSide, 1);
}

}  // namespace
}  // namespace quiltora
