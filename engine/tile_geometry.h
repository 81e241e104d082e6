// The sizes and constants of a frame's tile: the shape's radius, the side and
// centre of the square tile buffers, the stroke and blur margins, the polygon
// constants and, for the Layer shape, how the layer image maps into the tile.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/numeric.h"
#include "engine/render_settings.h"

namespace quiltora {

struct TileGeometry {
  double shapeRadius = 0;
  int32_t halfSize = 0;
  int32_t strokeRadius = 0;
  int32_t blurRadius = 0;
  int32_t tileSide = 1;
  int32_t tileCenter = 0;
  double polygonHalfSector = 0;
  double polygonCornerFactor = 0;
  double polygonRotation = 0;
  // Layer shape only.
  double layerScale = 0;
  Fixed sampleRadius = 0;
  double layerCenterX = 0;
  double layerCenterY = 0;
};

struct LayerSize {
  int32_t width;
  int32_t height;
};

// Upper limits of the margins. Every control value stays far below them
// (half-size 4473, stroke 30, blur 50 at most); they keep tileSide below 32768,
// so that 16.16 sampling positions and squared distances fit in 32 bits even
// for a corrupt record.
constexpr int32_t MAX_HALF_SIZE = 8191;
constexpr int32_t MAX_STROKE_RADIUS = 4096;
constexpr int32_t MAX_BLUR_RADIUS = 4096;
// A larger radius already covers the whole drawn square; capping it keeps the
// layer constants finite for an infinite Filling Rate.
constexpr double MAX_SHAPE_RADIUS = 1.0e7;

// The layer image is drawn only when the shape radius exceeds this: at a radius
// of 1 or less the layer's magnification 0.5 x maxSide x (R - 1) / R^2 is zero,
// mirrored or not finite, and the tile stays transparent instead.
constexpr double MIN_LAYER_SHAPE_RADIUS = 1.0;

// Pass layerSize only for SHAPE_LAYER with a layer image present. Never fails.
TileGeometry computeTileGeometry(const RenderSettings& settings, std::optional<LayerSize> layerSize);

}  // namespace quiltora
