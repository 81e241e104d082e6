// RenderServices without a host: every operation is carried out by the offline
// host's own image operations. For tests it also takes a Layer image, fails any
// operation on a chosen call, records calls, progress and messages, and keeps
// account of the images, kernels and layer still held.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/render_services.h"
#include "offline/image_ops.h"

namespace quiltora::offline {

// The operations of RenderServices, for call counts and fault injection.
enum class Operation : int32_t {
  NewImage,
  DisposeImage,
  CopyImage,
  FillImage,
  NewKernel,
  DisposeKernel,
  AcquireLayer,
  ReleaseLayer,
  CheckAbort,
  ReportProgress,
  ShowErrorMessage,
  AreaSample,
  Unpremultiply,
  SubpixelSample,
  ConvolveImage,
};
constexpr size_t OPERATION_COUNT = static_cast<size_t>(Operation::ConvolveImage) + 1;

const char* operationName(Operation op);

struct ProgressReport {
  int32_t current = 0;
  int32_t total = 0;
  friend bool operator==(const ProgressReport&, const ProgressReport&) = default;
};

class OfflineRenderServices : public RenderServices {
 public:
  OfflineRenderServices() = default;
  // Frees whatever images and kernels are still outstanding.
  ~OfflineRenderServices() override;
  OfflineRenderServices(const OfflineRenderServices&) = delete;
  OfflineRenderServices& operator=(const OfflineRenderServices&) = delete;

  // --- set-up -------------------------------------------------------------
  // The image acquireLayer hands out (not owned); none means no layer chosen.
  void setLayer(std::optional<Image> layer) { layer_ = layer; }
  // Makes the call-th call (counting from 1) of op fail with code; the call
  // then does nothing else. NewKernel fails by returning null and ignores the
  // code. Returns false, and sets nothing, for operations that cannot report
  // a failure (DisposeKernel, ReleaseLayer, ShowErrorMessage), for call < 1
  // and for code 0 (which would not be a failure).
  bool failOn(Operation op, int64_t call, ErrorCode code);
  // Largest image or kernel block handed out; larger requests are refused as
  // out of memory.
  void setAllocationLimit(uint64_t bytes) { allocationLimit_ = bytes; }

  // --- record -------------------------------------------------------------
  int64_t callCount(Operation op) const { return calls_[index(op)]; }
  const std::vector<ProgressReport>& progressReports() const { return progress_; }
  const std::vector<std::string>& errorMessages() const { return messages_; }

  // --- accounting ---------------------------------------------------------
  size_t liveImageCount() const { return images_.size(); }
  size_t liveKernelCount() const { return kernels_.size(); }
  int64_t heldLayerCount() const { return layersHeld_; }
  // Misuses seen so far: disposing what these services did not hand out,
  // releasing a layer not held.
  const std::vector<std::string>& misuses() const { return misuses_; }
  // One line per resource still held and per misuse; empty when the caller
  // gave back everything it took and nothing else.
  std::vector<std::string> outstanding() const;

  // --- RenderServices -----------------------------------------------------
  ErrorCode newImage(int32_t width, int32_t height, PixelDepth depth, Image& image) override;
  ErrorCode disposeImage(Image& image) override;
  ErrorCode copyImage(const Image& source, Image& destination) override;
  ErrorCode fillImage(Image& destination, Pixel8 color) override;
  int32_t* newKernel(int32_t count) override;
  void disposeKernel(int32_t* kernel) override;
  ErrorCode acquireLayer(std::optional<Image>& layer) override;
  void releaseLayer() override;
  ErrorCode checkAbort() override;
  ErrorCode reportProgress(int32_t current, int32_t total) override;
  void showErrorMessage(const char* text) override;
  ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, Pixel8& out) override;
  ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, Pixel16& out) override;
  ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, PixelF& out) override;
  ErrorCode unpremultiply(Image& image) override;
  ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, Pixel8& out) override;
  ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, Pixel16& out) override;
  ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, PixelF& out) override;
  ErrorCode convolveImage(Image& image, const int32_t* kernel, int32_t count, bool vertical) override;

 private:
  static size_t index(Operation op) { return static_cast<size_t>(op); }
  // Counts the call and returns the injected error for it, or 0.
  ErrorCode enter(Operation op);
  void misuse(std::string what) { misuses_.push_back(std::move(what)); }

  struct Fault {
    Operation op;
    int64_t call;
    ErrorCode code;
  };

  std::optional<Image> layer_;
  uint64_t allocationLimit_ = DEFAULT_ALLOCATION_LIMIT;
  std::vector<Fault> faults_;
  std::array<int64_t, OPERATION_COUNT> calls_{};
  std::vector<ProgressReport> progress_;
  std::vector<std::string> messages_;
  std::map<void*, Image> images_;        // by data pointer
  std::map<int32_t*, int32_t> kernels_;  // block -> entry count
  int64_t layersHeld_ = 0;
  std::vector<std::string> misuses_;
};

}  // namespace quiltora::offline
