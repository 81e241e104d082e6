// The drop shadow: the tile's silhouette (tile over stroke), box-blurred, in
// the shadow colour and opacity, stamped straight into the output at every
// cell of the lattice moved by the shadow offset.
#pragma once

#include "engine/lattice.h"
#include "engine/pixels.h"
#include "engine/render_services.h"
#include "engine/render_settings.h"
#include "engine/tile_geometry.h"

namespace quiltora {

// The shadow's offset from its tile: angle clockwise from straight up, since
// y grows downward; a negative distance points the other way.
PointD shadowOffset(const RenderSettings& settings);

// Consumes tileBuffer (it ends as the blurred silhouette). kernel holds
// 2 x blurRadius + 1 weights when blurRadius > 0.
void stampShadows(const RenderSettings& settings, const TileGeometry& geometry, const Lattice& lattice,
                  Image& tileBuffer, const Image& strokeBuffer, const int32_t* kernel, Image& output,
                  PixelDepth depth, RenderServices& services, ErrorCode& error);

}  // namespace quiltora
