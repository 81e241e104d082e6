// Renders one frame: the tile once, then the lattice of stamped tiles, strokes
// and shadows over the prepared background.
#pragma once

#include "engine/pixels.h"
#include "engine/render_services.h"
#include "engine/render_settings.h"

namespace quiltora {

// Error code for input and output images that do not fit together.
constexpr ErrorCode ERR_IMAGES_DO_NOT_FIT = 255;

// Writes only the output (and the buffers it makes). Returns the first error.
// The output must be at least as wide as the input, exactly as high, and of
// the same depth; otherwise nothing is touched and 255 is returned.
ErrorCode renderPattern(const RenderSettings& settings, const Image& input, Image& output, PixelDepth depth,
                        RenderServices& services);

}  // namespace quiltora
