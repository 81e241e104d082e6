#include "engine/lattice.h"

#include <algorithm>
#include <cmath>

namespace quiltora {

Lattice buildLattice(const RenderSettings& s, int32_t width, int32_t height, int32_t tileSide,
                     int32_t tileCenter) {
  Lattice l;
  const double theta = s.angle * DEG_TO_RAD;
  const double c = std::cos(theta);
  const double sn = std::sin(theta);
  const double size = s.tileSize;
  l.axisU = {c, sn};
  l.axisV = {-sn, c};
  l.columnStep = {c * size, sn * size};
  l.rowStep = {sn * (-size), c * size};
  l.counterStep = std::max(1, truncToInt32(size));
  l.width = width;
  l.height = height;
  l.tileCenter = tileCenter;
  l.tileSize = size;

  // Quadrant table: the covering rectangle's corner and extents, term by term.
  const int32_t k = s.angle < 90 ? 0 : s.angle < 180 ? 1 : s.angle < 270 ? 2 : 3;
  const double a = (s.angle - 90 * k) * DEG_TO_RAD;
  const double W = width, H = height, S = tileSide;
  const double sa = std::sin(a), ca = std::cos(a);
  const int32_t alongWidth = ceilToInt32(W * ca + H * sa + 2 * S);
  const int32_t alongHeight = ceilToInt32(W * sa + H * ca + 2 * S);
  switch (k) {
    case 0:
      l.coverCorner = {W * sa * sa, (-W) * sa * ca};
      l.coverWidth = alongWidth;
      l.coverHeight = alongHeight;
      break;
    case 1:
      l.coverCorner = {W + H * sa * ca, H * sa * sa};
      l.coverWidth = alongHeight;
      l.coverHeight = alongWidth;
      break;
    case 2:
      l.coverCorner = {W * ca * ca, H + W * sa * ca};
      l.coverWidth = alongWidth;
      l.coverHeight = alongHeight;
      break;
    default:
      l.coverCorner = {(-H) * sa * ca, H * ca * ca};
      l.coverWidth = alongHeight;
      l.coverHeight = alongWidth;
      break;
  }

  // A stamp reaches up to tileCenter pixels from its cell along x and y, so up
  // to tileCenter x sqrt(2) (plus a pixel of rounding) along a rotated axis.
  // The plain enumeration starts less than one tile before the corner; cells
  // further back are needed only when a tile is wider than its spacing.
  const double reach = (tileCenter + 1) * 1.5;
  const int32_t leading = ceilToInt32(reach / size);
  l.leadingRows = leading;
  l.leadingColumns = leading;
  // The counters stop after ceil(extent / counterStep) cells, which falls short
  // of the rectangle's far side when the spacing exceeds the rectangle itself.
  auto trailing = [&](int32_t extent) {
    const int64_t counted = countedCells(extent, l.counterStep);
    const int64_t needed = int64_t{ceilToInt32((extent + reach) / size)} + 2;
    return static_cast<int32_t>(std::max<int64_t>(0, needed - counted));
  };
  l.trailingColumns = trailing(l.coverWidth);
  l.trailingRows = trailing(l.coverHeight);
  return l;
}

PointD startPoint(const Lattice& l, PointD o) {
  const double c = l.axisU.x;
  const double sn = l.axisU.y;
  const double size = l.tileSize;
  const double qx = o.x - l.coverCorner.x;
  const double qy = o.y - l.coverCorner.y;
  const double ku = std::ceil((qx * c + qy * sn) / size);
  const double kv = std::ceil((qx * (-sn) + qy * c) / size);
  return {(o.x - ku * size * c) - kv * size * (-sn), (o.y - ku * size * sn) - kv * size * c};
}

}  // namespace quiltora
