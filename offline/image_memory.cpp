// Memory behind the offline host's new images and blur kernels: zeroed blocks
// from the C allocator, refused (never thrown) when a request is negative,
// overflows or exceeds the limit.
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "offline/image_ops.h"

namespace quiltora::offline {

namespace {

// The largest block we may ask for: within the caller's limit, size_t and the
// pointer-difference range that row addressing relies on.
bool allocatable(uint64_t bytes, uint64_t limitBytes) {
  return bytes <= limitBytes && bytes <= std::numeric_limits<size_t>::max() &&
         bytes <= static_cast<uint64_t>(std::numeric_limits<std::ptrdiff_t>::max());
}

}  // namespace

ErrorCode newImage(int32_t width, int32_t height, PixelDepth depth, Image& image, uint64_t limitBytes) {
  image = Image{};
  if (depth != DEPTH_8 && depth != DEPTH_16 && depth != DEPTH_FLOAT) return ERR_BAD_CALLBACK_PARAM;
  if (width < 0 || height < 0) return ERR_OUT_OF_MEMORY;
  const int64_t rowBytes = int64_t{width} * pixelSize(depth);
  if (rowBytes > std::numeric_limits<int32_t>::max()) return ERR_OUT_OF_MEMORY;
  const uint64_t bytes = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height);  // < 2^62
  if (!allocatable(bytes, limitBytes)) return ERR_OUT_OF_MEMORY;
  // An empty image still gets a (one-byte) block, so it has data and is
  // disposed like any other.
  void* data = std::calloc(bytes == 0 ? 1 : static_cast<size_t>(bytes), 1);
  if (data == nullptr) return ERR_OUT_OF_MEMORY;
  image = Image{width, height, static_cast<int32_t>(rowBytes), depth, data};
  return ERR_NONE;
}

void disposeImage(Image& image) {
  std::free(image.data);
  image = Image{};
}

int32_t* newKernel(int32_t count, uint64_t limitBytes) {
  if (count <= 0) return nullptr;
  const uint64_t bytes = static_cast<uint64_t>(count) * sizeof(int32_t);
  if (!allocatable(bytes, limitBytes)) return nullptr;
  return static_cast<int32_t*>(std::calloc(static_cast<size_t>(count), sizeof(int32_t)));
}

void disposeKernel(int32_t* kernel) { std::free(kernel); }

}  // namespace quiltora::offline
