#include "engine/render_pipeline.h"

#include <optional>

#include "engine/drop_shadow.h"
#include "engine/lattice.h"
#include "engine/pixel_traits.h"
#include "engine/stamping.h"
#include "engine/stroke.h"
#include "engine/tile_geometry.h"
#include "engine/tile_shapes.h"

namespace quiltora {

namespace {

// The off-screen images and kernel of one frame: whatever was made is given
// back when the frame ends, in every path.
struct FrameResources {
  RenderServices& services;
  std::optional<Image> pattern, tile, stroke;
  int32_t* kernel = nullptr;

  ErrorCode release(ErrorCode error) {
    if (kernel != nullptr) services.disposeKernel(kernel);
    for (std::optional<Image>* image : {&tile, &stroke, &pattern}) {
      if (!image->has_value()) continue;
      const ErrorCode err = services.disposeImage(**image);
      if (error == ERR_NONE) error = err;  // a release error only counts when nothing failed before
      image->reset();
    }
    kernel = nullptr;
    return error;
  }
};

ErrorCode makeImage(RenderServices& services, int32_t width, int32_t height, PixelDepth depth,
                    std::optional<Image>& slot) {
  Image image;
  const ErrorCode err = services.newImage(width, height, depth, image);
  if (err == ERR_NONE) slot = image;
  return err;
}

template <class T>
void stampFrame(const RenderSettings& s, const TileGeometry& g, const Lattice& lattice, FrameResources& f,
                Image& output, RenderServices& services, ErrorCode& error) {
  const PointD origin{s.offsetX / 65536.0, s.offsetY / 65536.0};
  const int32_t r = g.tileCenter - g.blurRadius;  // the drawn square: the margin is always empty here
  auto identity = [](const typename T::Pixel& p) { return p; };
  if (g.strokeRadius >= 1)
    stampBuffer<T>(*f.stroke, *f.pattern, lattice, origin, r, tileCellRounding<T>(), identity, services, error);
  stampBuffer<T>(*f.tile, *f.pattern, lattice, origin, r, tileCellRounding<T>(), identity, services, error);
  stampShadows(s, g, lattice, *f.tile, *f.stroke, f.kernel, output, T::depth, services, error);
  if (T::PASSES_RUN_AFTER_ERROR || error == ERR_NONE) compositePattern<T>(*f.pattern, output, services, error);
}

}  // namespace

ErrorCode renderPattern(const RenderSettings& settings, const Image& input, Image& output, PixelDepth depth,
                        RenderServices& services) {
  if (output.width < input.width || output.height != input.height || input.depth != depth ||
      output.depth != depth)
    return ERR_IMAGES_DO_NOT_FIT;
  const int32_t W = input.width;
  const int32_t H = input.height;
  ErrorCode error = ERR_NONE;
  FrameResources f{services, {}, {}, {}, nullptr};

  error = makeImage(services, W, H, depth, f.pattern);

  std::optional<Image> layer;
  bool layerHeld = false;
  if (error == ERR_NONE) {
    error = services.acquireLayer(layer);
    layerHeld = error == ERR_NONE;
    if (layer && layer->data == nullptr) layer.reset();
  }
  if (error == ERR_NONE) error = services.checkAbort();

  std::optional<LayerSize> layerSize;
  if (layer && settings.shape == SHAPE_LAYER) layerSize = LayerSize{layer->width, layer->height};
  const TileGeometry g = computeTileGeometry(settings, layerSize);
  if (error == ERR_NONE && g.blurRadius > 0) {
    const int32_t count = 2 * g.blurRadius + 1;
    f.kernel = services.newKernel(count);
    if (f.kernel == nullptr) {
      services.showErrorMessage("Memory Error!");
      error = ERR_INTERNAL_STRUCT_DAMAGED;
    } else {
      for (int32_t i = 0; i < count; ++i) f.kernel[i] = 255;  // a box filter
    }
  }

  if (error == ERR_NONE) error = makeImage(services, g.tileSide, g.tileSide, depth, f.tile);
  if (error == ERR_NONE) error = makeImage(services, g.tileSide, g.tileSide, depth, f.stroke);
  if (error == ERR_NONE) error = drawTileShape(settings, g, layer, depth, *f.tile, services);
  if (error == ERR_NONE) applyStrokeAndOpacity(settings, g, depth, *f.tile, *f.stroke);
  // The layer is given back on every path once it was checked out, a failed
  // kernel included, and is not read after this.
  if (layerHeld) services.releaseLayer();

  if (error == ERR_NONE) {
    error = settings.background == BACKGROUND_ON_ORIGINAL ? services.copyImage(input, output)
                                                          : services.fillImage(output, Pixel8{0, 0, 0, 0});
  }
  const Lattice lattice = buildLattice(settings, W, H, g.tileSide, g.tileCenter);

  if (error == ERR_NONE) {
    withDepthTraits(depth, [&](auto traits) {
      stampFrame<decltype(traits)>(settings, g, lattice, f, output, services, error);
    });
  }
  return f.release(error);
}

}  // namespace quiltora
