#include "engine/tile_geometry.h"

#include <algorithm>
#include <cmath>

namespace quiltora {

TileGeometry computeTileGeometry(const RenderSettings& s, std::optional<LayerSize> layerSize) {
  TileGeometry g;
  g.shapeRadius = std::sqrt(s.fillingRate) * (0.5 * s.tileSize);
  if (!(g.shapeRadius >= 0.0)) g.shapeRadius = 0.0;  // a negative Filling Rate draws nothing
  if (g.shapeRadius > MAX_SHAPE_RADIUS) g.shapeRadius = MAX_SHAPE_RADIUS;
  g.halfSize = std::min(ceilToInt32(g.shapeRadius), MAX_HALF_SIZE);
  g.strokeRadius = std::clamp(floorToInt32(s.strokeSize), 0, MAX_STROKE_RADIUS);
  g.blurRadius = std::clamp(s.dropshadowBlur, 0, MAX_BLUR_RADIUS);

  if (s.shape == SHAPE_LAYER && layerSize) {
    const double maxSide = std::max(layerSize->width, layerSize->height);
    const double r = g.shapeRadius;
    if (r > MIN_LAYER_SHAPE_RADIUS) {
      g.layerScale = (0.5 * maxSide * (r - 1)) / (r * r);
      g.sampleRadius = toFixed(g.layerScale * 0.5);
    }
    g.layerCenterX = layerSize->width / 2.0;
    g.layerCenterY = layerSize->height / 2.0;
    // The rotated layer's corners reach sqrt(2) x R; the constant is fixed to these digits.
    g.halfSize = std::min(ceilToInt32(g.shapeRadius * 1.41421356), MAX_HALF_SIZE);
  }

  // The blur margin is kept whenever Blur is nonzero, shadow on or off.
  g.tileCenter = g.halfSize + g.strokeRadius + g.blurRadius;
  g.tileSide = 2 * g.tileCenter + 1;

  g.polygonHalfSector = PI / s.edges;
  g.polygonCornerFactor = 1 / std::cos(g.polygonHalfSector);
  g.polygonRotation = s.dependOnAngle == 0
                          ? SIX_PI - s.phase * DEG_TO_RAD
                          : (s.angle * DEG_TO_RAD + SIX_PI) - s.phase * DEG_TO_RAD;
  return g;
}

}  // namespace quiltora
