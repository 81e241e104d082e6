// The rotated square lattice of a frame and the enumeration of every cell whose
// tile can reach the output, in a fixed order.
#pragma once

#include <cstdint>

#include "engine/numeric.h"
#include "engine/render_settings.h"

namespace quiltora {

struct PointD {
  double x, y;
};
struct CellPixel {
  int32_t x, y;
};

// How a cell's integer position is taken from its exact one.
enum CellRounding : int32_t { CELL_FLOOR = 0, CELL_TRUNCATE = 1 };

struct Lattice {
  PointD axisU{};
  PointD axisV{};
  PointD columnStep{};
  PointD rowStep{};
  PointD coverCorner{};
  int32_t coverWidth = 0;
  int32_t coverHeight = 0;
  int32_t counterStep = 1;
  int32_t width = 0;   // W: the input's width
  int32_t height = 0;  // H: the input's height
  int32_t tileCenter = 0;
  double tileSize = 1;
  // Cells enumerated before the covering rectangle's first row and column
  // (tiles wider than their spacing reach into the output from there), and
  // after its last ones (a spacing wider than the rectangle leaves the cells
  // inside the output past the counters' end).
  int32_t leadingRows = 0;
  int32_t leadingColumns = 0;
  int32_t trailingRows = 0;
  int32_t trailingColumns = 0;
};

Lattice buildLattice(const RenderSettings& settings, int32_t width, int32_t height, int32_t tileSide,
                     int32_t tileCenter);

// The lattice point through origin that lies at or before the covering
// rectangle's corner, by less than one tile along each axis.
PointD startPoint(const Lattice& lattice, PointD origin);

// The cull test on a cell's integer position, bounds inclusive.
inline bool cellVisible(const Lattice& l, CellPixel p) {
  const int64_t c = l.tileCenter;
  return -c <= p.x && p.x <= l.width + c && -c <= p.y && p.y <= l.height + c;
}

inline CellPixel roundCell(PointD p, CellRounding rounding) {
  return rounding == CELL_FLOOR ? CellPixel{floorToInt32(p.x), floorToInt32(p.y)}
                                : CellPixel{truncToInt32(p.x), truncToInt32(p.y)};
}

// Calls visitor(cellPoint, cellPixel) for each visible cell. Rows run along
// axisV and cells within a row along axisU, points advancing by repeated
// addition of the steps. The covering rectangle's rows and columns come in the
// order and with the exact positions of an enumeration that starts at
// startPoint; leading rows and cells come before them and trailing ones after,
// so where none of those is visible the visited cells and their order are
// those of the plain enumeration.
// Cells the counters give along an extent: they start at 0 and step by
// counterStep while below the extent, so ceil(extent / counterStep).
inline int64_t countedCells(int32_t extent, int32_t counterStep) {
  return extent <= 0 ? 0 : (int64_t{extent} + counterStep - 1) / counterStep;
}

template <class Visitor>
void forEachVisibleCell(const Lattice& l, PointD origin, CellRounding rounding, Visitor&& visitor) {
  auto visitCell = [&](PointD p) {
    const CellPixel pixel = roundCell(p, rounding);
    if (cellVisible(l, pixel)) visitor(p, pixel);
  };
  // Points advance by repeated addition from the row's start, trailing cells included.
  auto walk = [](PointD p, PointD step, int64_t count, auto&& f) {
    for (int64_t n = 0; n < count; ++n) {
      f(p);
      p.x = p.x + step.x;
      p.y = p.y + step.y;
    }
  };
  const int64_t columns = countedCells(l.coverWidth, l.counterStep) + l.trailingColumns;
  const int64_t rows = countedCells(l.coverHeight, l.counterStep) + l.trailingRows;
  auto visitRow = [&](PointD rowPoint) {
    for (int32_t k = l.leadingColumns; k >= 1; --k)
      visitCell({rowPoint.x - k * l.columnStep.x, rowPoint.y - k * l.columnStep.y});
    walk(rowPoint, l.columnStep, columns, visitCell);
  };
  const PointD start = startPoint(l, origin);
  for (int32_t k = l.leadingRows; k >= 1; --k)
    visitRow({start.x - k * l.rowStep.x, start.y - k * l.rowStep.y});
  walk(start, l.rowStep, rows, visitRow);
}

}  // namespace quiltora
