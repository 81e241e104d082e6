// Finishes the tile: grows its silhouette by the stroke radius into the stroke
// buffer, then applies the tile's and the stroke's opacities.
#pragma once

#include "engine/pixels.h"
#include "engine/render_settings.h"
#include "engine/tile_geometry.h"

namespace quiltora {

// The stroke is grown from the tile's alpha before opacity is applied, so the
// Opacity control never thins or shrinks it. Only the drawn square is written.
void applyStrokeAndOpacity(const RenderSettings& settings, const TileGeometry& geometry, PixelDepth depth,
                           Image& tileBuffer, Image& strokeBuffer);

}  // namespace quiltora
