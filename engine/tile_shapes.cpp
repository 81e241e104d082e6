#include "engine/tile_shapes.h"

#include <cmath>

#include "engine/pixel_traits.h"

namespace quiltora {

namespace {

// The tests run in this order and the first that applies decides. The outer
// ramp is tested before the hole, so where the ramps overlap (k near 1) the
// outer one wins; k = 0 keeps the centre of a full shape opaque.
template <class T>
typename T::Channel coverage(double d, double R, double k) {
  if (k == 1.0) return 0;
  const double f = d - R + 1;
  if (!(f <= 2)) return 0;  // beyond R + 1; a distance that is not a number counts as outside
  if (R < 0.5) return 0;
  if (f >= 0) return T::fromRamp(T::RAMP_FULL - T::RAMP_HALF * f);
  const double g = d - k * R + 1;
  if (g < 0) return 0;
  if (g > 2 || k == 0) return T::FULL;
  return T::fromRamp(T::RAMP_HALF * g);
}

struct DrawnSquare {
  int32_t lo, hi;  // first and last row and column, inclusive
};

DrawnSquare drawnSquare(const TileGeometry& g) { return {g.blurRadius, g.tileSide - g.blurRadius - 1}; }

template <class T>
void drawCircleOrPolygon(const RenderSettings& s, const TileGeometry& g, bool polygon, Image& tile) {
  using Pixel = typename T::Pixel;
  Pixel pixel = T::color(s.fillColor);
  const auto [lo, hi] = drawnSquare(g);
  const double R = g.shapeRadius;
  const double twoHalfSectors = 2 * g.polygonHalfSector;
  for (int32_t y = lo; y <= hi; ++y) {
    Pixel* row = tile.row<Pixel>(y);
    const int32_t dy = y - g.tileCenter;
    for (int32_t x = lo; x <= hi; ++x) {
      const int32_t dx = x - g.tileCenter;
      const int32_t d2 = dx * dx + dy * dy;
      if (polygon) {
        // Rows grow downwards, so the angle grows clockwise on screen. The
        // rotation is at least 4 pi, which keeps fmod's argument positive.
        const double a = std::atan2(static_cast<double>(dy), static_cast<double>(dx));
        const double t = std::fmod(a + g.polygonRotation, twoHalfSectors) - g.polygonHalfSector;
        const double p = std::sqrt(static_cast<double>(d2)) * (std::cos(t) * g.polygonCornerFactor);
        pixel.alpha = coverage<T>(p, R, s.inner);
      } else {
        pixel.alpha = coverage<T>(std::sqrt(static_cast<double>(d2)), R, s.inner);
      }
      row[x] = pixel;
    }
  }
}

template <class T>
ErrorCode drawLayer(const RenderSettings& s, const TileGeometry& g, const Image& layer, Image& tile,
                    RenderServices& services) {
  using Pixel = typename T::Pixel;
  // At a radius of 1 or less the layer's magnification is degenerate: nothing is drawn.
  if (!(g.shapeRadius > MIN_LAYER_SHAPE_RADIUS)) return ERR_NONE;
  double theta = s.phase * DEG_TO_RAD;
  if (s.dependOnAngle != 0) theta = theta - s.angle * DEG_TO_RAD;
  const double cosT = std::cos(theta);
  const double sinT = std::sin(theta);
  const auto [lo, hi] = drawnSquare(g);
  for (int32_t y = lo; y <= hi; ++y) {
    Pixel* row = tile.row<Pixel>(y);
    const double v = (y - g.tileCenter) + 0.5;
    for (int32_t x = lo; x <= hi; ++x) {
      const double u = (x - g.tileCenter) + 0.5;
      const double sx = (u * cosT - v * sinT) * g.layerScale + g.layerCenterX;
      const double sy = (u * sinT + v * cosT) * g.layerScale + g.layerCenterY;
      const ErrorCode err =
          services.areaSample(layer, toFixed(sx), toFixed(sy), g.sampleRadius, g.sampleRadius, row[x]);
      if (err != ERR_NONE) return err;
    }
  }
  // The sampler returns premultiplied colour; the engine works in straight colour.
  return services.unpremultiply(tile);
}

}  // namespace

uint8_t circleCoverage8(int32_t d2, double R, double k) { return coverage<Traits8>(std::sqrt(static_cast<double>(d2)), R, k); }
uint16_t circleCoverage16(int32_t d2, double R, double k) { return coverage<Traits16>(std::sqrt(static_cast<double>(d2)), R, k); }
float circleCoverageF(int32_t d2, double R, double k) { return coverage<TraitsF>(std::sqrt(static_cast<double>(d2)), R, k); }
uint8_t polygonCoverage8(double d, double R, double k) { return coverage<Traits8>(d, R, k); }
uint16_t polygonCoverage16(double d, double R, double k) { return coverage<Traits16>(d, R, k); }
float polygonCoverageF(double d, double R, double k) { return coverage<TraitsF>(d, R, k); }

ErrorCode drawTileShape(const RenderSettings& settings, const TileGeometry& geometry,
                        const std::optional<Image>& layer, PixelDepth depth, Image& tileBuffer,
                        RenderServices& services) {
  return withDepthTraits(depth, [&](auto traits) -> ErrorCode {
    using T = decltype(traits);
    const bool layerPresent = layer.has_value() && layer->data != nullptr;
    if (settings.shape == SHAPE_LAYER && layerPresent)
      return drawLayer<T>(settings, geometry, *layer, tileBuffer, services);
    drawCircleOrPolygon<T>(settings, geometry, settings.shape == SHAPE_POLYGON, tileBuffer);
    return ERR_NONE;
  });
}

}  // namespace quiltora
