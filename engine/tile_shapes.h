// Draws the frame's shape into the tile buffer: an anti-aliased circle or ring,
// a regular polygon, or the rotated and area-sampled image of another layer.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/numeric.h"
#include "engine/pixels.h"
#include "engine/render_services.h"
#include "engine/render_settings.h"
#include "engine/tile_geometry.h"

namespace quiltora {

// Coverage of a pixel at squared distance d2 from the centre of a circle of
// radius R hollowed by the ring ratio k; two-pixel linear ramps on each outline.
uint8_t circleCoverage8(int32_t d2, double R, double k);
uint16_t circleCoverage16(int32_t d2, double R, double k);
float circleCoverageF(int32_t d2, double R, double k);

// The same ramps for the polygon distance d (equal to R on the outline).
uint8_t polygonCoverage8(double d, double R, double k);
uint16_t polygonCoverage16(double d, double R, double k);
float polygonCoverageF(double d, double R, double k);

// Writes every pixel of the drawn square of tileBuffer (the band of
// blurRadius around it is left as it is). The layer image is used for
// SHAPE_LAYER when present; without one the Layer shape draws a circle.
// Returns the first error of areaSample or unpremultiply, else 0.
ErrorCode drawTileShape(const RenderSettings& settings, const TileGeometry& geometry,
                        const std::optional<Image>& layer, PixelDepth depth, Image& tileBuffer,
                        RenderServices& services);

}  // namespace quiltora
