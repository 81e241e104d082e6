// RenderServices carried out by the offline image operations, with fault
// injection, a record of calls and an account of every resource handed out.
#include "offline/offline_render_services.h"

#include <cstdlib>

namespace quiltora::offline {

namespace {

std::string describe(const Image& image) {
  return std::to_string(image.width) + "x" + std::to_string(image.height) + " depth " +
         std::to_string(static_cast<int>(image.depth));
}

}  // namespace

const char* operationName(Operation op) {
  switch (op) {
    case Operation::NewImage: return "newImage";
    case Operation::DisposeImage: return "disposeImage";
    case Operation::CopyImage: return "copyImage";
    case Operation::FillImage: return "fillImage";
    case Operation::NewKernel: return "newKernel";
    case Operation::DisposeKernel: return "disposeKernel";
    case Operation::AcquireLayer: return "acquireLayer";
    case Operation::ReleaseLayer: return "releaseLayer";
    case Operation::CheckAbort: return "checkAbort";
    case Operation::ReportProgress: return "reportProgress";
    case Operation::ShowErrorMessage: return "showErrorMessage";
    case Operation::AreaSample: return "areaSample";
    case Operation::Unpremultiply: return "unpremultiply";
    case Operation::SubpixelSample: return "subpixelSample";
    case Operation::ConvolveImage: return "convolveImage";
  }
  return "unknown operation";
}

OfflineRenderServices::~OfflineRenderServices() {
  // What the caller leaked is reported by outstanding(); the memory itself is
  // still ours to free.
  for (auto& [data, image] : images_) offline::disposeImage(image);
  for (auto& [kernel, count] : kernels_) offline::disposeKernel(kernel);
}

bool OfflineRenderServices::failOn(Operation op, int64_t call, ErrorCode code) {
  if (op == Operation::DisposeKernel || op == Operation::ReleaseLayer ||
      op == Operation::ShowErrorMessage) {
    return false;
  }
  if (index(op) >= OPERATION_COUNT || call < 1) return false;
  if (code == ERR_NONE && op != Operation::NewKernel) return false;
  faults_.push_back({op, call, code});
  return true;
}

ErrorCode OfflineRenderServices::enter(Operation op) {
  const int64_t call = ++calls_[index(op)];
  for (const Fault& f : faults_) {
    if (f.op == op && f.call == call) return op == Operation::NewKernel ? ERR_OUT_OF_MEMORY : f.code;
  }
  return ERR_NONE;
}

std::vector<std::string> OfflineRenderServices::outstanding() const {
  std::vector<std::string> lines;
  for (const auto& [data, image] : images_) lines.push_back("image " + describe(image) + " not disposed");
  for (const auto& [kernel, count] : kernels_) {
    lines.push_back("kernel of " + std::to_string(count) + " entries not disposed");
  }
  if (layersHeld_ > 0) lines.push_back("layer acquired " + std::to_string(layersHeld_) + " time(s) more than released");
  lines.insert(lines.end(), misuses_.begin(), misuses_.end());
  return lines;
}

ErrorCode OfflineRenderServices::newImage(int32_t width, int32_t height, PixelDepth depth, Image& image) {
  if (const ErrorCode e = enter(Operation::NewImage)) {
    image = Image{};
    return e;
  }
  if (const ErrorCode e = offline::newImage(width, height, depth, image, allocationLimit_)) return e;
  images_.emplace(image.data, image);
  return ERR_NONE;
}

ErrorCode OfflineRenderServices::disposeImage(Image& image) {
  if (const ErrorCode e = enter(Operation::DisposeImage)) return e;
  const auto found = images_.find(image.data);
  if (image.data == nullptr || found == images_.end()) {
    misuse("disposeImage of an image these services did not make (" + describe(image) + ")");
    return ERR_INTERNAL_STRUCT_DAMAGED;
  }
  images_.erase(found);
  offline::disposeImage(image);
  return ERR_NONE;
}

ErrorCode OfflineRenderServices::copyImage(const Image& source, Image& destination) {
  if (const ErrorCode e = enter(Operation::CopyImage)) return e;
  return offline::copyImage(source, destination);
}

ErrorCode OfflineRenderServices::fillImage(Image& destination, Pixel8 color) {
  if (const ErrorCode e = enter(Operation::FillImage)) return e;
  return offline::fillImage(destination, color);
}

int32_t* OfflineRenderServices::newKernel(int32_t count) {
  if (enter(Operation::NewKernel) != ERR_NONE) return nullptr;
  int32_t* kernel = offline::newKernel(count, allocationLimit_);
  if (kernel != nullptr) kernels_.emplace(kernel, count);
  return kernel;
}

void OfflineRenderServices::disposeKernel(int32_t* kernel) {
  enter(Operation::DisposeKernel);
  const auto found = kernels_.find(kernel);
  if (found == kernels_.end()) {
    // Freeing a block we did not hand out would corrupt the heap: record it instead.
    misuse("disposeKernel of a kernel these services did not make");
    return;
  }
  kernels_.erase(found);
  offline::disposeKernel(kernel);
}

ErrorCode OfflineRenderServices::acquireLayer(std::optional<Image>& layer) {
  layer.reset();
  if (const ErrorCode e = enter(Operation::AcquireLayer)) return e;
  // As with a parameter check-out, a successful acquire is held (and must be
  // released) even when no layer is chosen or it has no pixels.
  ++layersHeld_;
  if (layer_ && layer_->data != nullptr && layer_->width > 0 && layer_->height > 0) layer = layer_;
  return ERR_NONE;
}

void OfflineRenderServices::releaseLayer() {
  enter(Operation::ReleaseLayer);
  if (layersHeld_ == 0) {
    misuse("releaseLayer without a layer held");
    return;
  }
  --layersHeld_;
}

ErrorCode OfflineRenderServices::checkAbort() { return enter(Operation::CheckAbort); }

ErrorCode OfflineRenderServices::reportProgress(int32_t current, int32_t total) {
  // Recorded before the injected failure: the report was made either way.
  progress_.push_back({current, total});
  return enter(Operation::ReportProgress);
}

void OfflineRenderServices::showErrorMessage(const char* text) {
  enter(Operation::ShowErrorMessage);
  messages_.emplace_back(text != nullptr ? text : "");
}

ErrorCode OfflineRenderServices::areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry,
                                            Pixel8& out) {
  if (const ErrorCode e = enter(Operation::AreaSample)) return e;
  return offline::areaSample(image, x, y, rx, ry, out);
}
ErrorCode OfflineRenderServices::areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry,
                                            Pixel16& out) {
  if (const ErrorCode e = enter(Operation::AreaSample)) return e;
  return offline::areaSample(image, x, y, rx, ry, out);
}
ErrorCode OfflineRenderServices::areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry,
                                            PixelF& out) {
  if (const ErrorCode e = enter(Operation::AreaSample)) return e;
  return offline::areaSample(image, x, y, rx, ry, out);
}

ErrorCode OfflineRenderServices::unpremultiply(Image& image) {
  if (const ErrorCode e = enter(Operation::Unpremultiply)) return e;
  return offline::unpremultiply(image);
}

ErrorCode OfflineRenderServices::subpixelSample(const Image& image, Fixed sx, Fixed sy, Pixel8& out) {
  if (const ErrorCode e = enter(Operation::SubpixelSample)) return e;
  return offline::subpixelSample(image, sx, sy, out);
}
ErrorCode OfflineRenderServices::subpixelSample(const Image& image, Fixed sx, Fixed sy, Pixel16& out) {
  if (const ErrorCode e = enter(Operation::SubpixelSample)) return e;
  return offline::subpixelSample(image, sx, sy, out);
}
ErrorCode OfflineRenderServices::subpixelSample(const Image& image, Fixed sx, Fixed sy, PixelF& out) {
  if (const ErrorCode e = enter(Operation::SubpixelSample)) return e;
  return offline::subpixelSample(image, sx, sy, out);
}

ErrorCode OfflineRenderServices::convolveImage(Image& image, const int32_t* kernel, int32_t count,
                                               bool vertical) {
  if (const ErrorCode e = enter(Operation::ConvolveImage)) return e;
  // The whole image, in place: the engine relies on all of it being blurred.
  const Rect all{0, 0, image.width, image.height};
  return offline::convolve(image, image, all, kernel, count, vertical);
}

}  // namespace quiltora::offline
