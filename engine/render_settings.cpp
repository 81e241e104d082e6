#include "engine/render_settings.h"

#include <cmath>
#include <cstring>

namespace quiltora {

double normaliseDegrees(double degrees) {
  double r = std::fmod(degrees, 360.0);
  if (r < 0) r = r + 360.0;
  return r;
}

namespace {

// Percent controls divide by 65536 first, then multiply by 0.01: this order
// decides the last bit.
double percentFraction(Fixed v) { return (v / 65536.0) * 0.01; }

// A length beyond any control's reach saturates (not a number becomes 0), so
// the geometry and lattice never convert a non-finite value to an integer.
double boundedLength(double v) {
  if (!(v == v)) return 0.0;
  if (v > MAX_SETTINGS_LENGTH) return MAX_SETTINGS_LENGTH;
  if (v < -MAX_SETTINGS_LENGTH) return -MAX_SETTINGS_LENGTH;
  return v;
}

}  // namespace

RenderSettings buildRenderSettings(const RenderParamValues& v, int32_t downsampleNumerator,
                                   uint32_t downsampleDenominator) {
  RenderSettings s;
  std::memset(&s, 0, sizeof s);

  s.scale = downsampleDenominator == 0
                ? 1.0
                : static_cast<double>(downsampleNumerator) / static_cast<double>(downsampleDenominator);
  s.offsetX = v.offsetX;
  s.offsetY = v.offsetY;
  s.fillColor = v.color;
  s.tileSize = boundedLength(v.tileSize * s.scale);
  if (!(s.tileSize >= 1.0)) s.tileSize = 1.0;
  s.angle = normaliseDegrees(v.angle / 65536.0);
  s.fillingRate = v.fillingRate;
  s.shape = v.shape;
  s.edges = v.edges;
  s.phase = 360.0 - normaliseDegrees(v.phase / 65536.0);
  s.dependOnAngle = v.dependOnAngle;
  s.inner = percentFraction(v.inner);
  s.opacity = percentFraction(v.opacity);
  s.background = v.background;
  s.strokeColor = v.strokeColor;
  s.strokeSize = boundedLength(v.strokeSize * s.scale);
  if (s.strokeSize > 0.0 && s.strokeSize < 1.0) s.strokeSize = 1.0;
  s.strokeOpacity = percentFraction(v.strokeOpacity);
  s.dropshadowOn = v.dropshadowOn;
  s.dropshadowColor = v.dropshadowColor;
  s.dropshadowAngle = normaliseDegrees(v.dropshadowAngle / 65536.0);
  s.dropshadowDistance = boundedLength(v.dropshadowDistance * s.scale);
  s.dropshadowBlur = truncToInt32(boundedLength(v.dropshadowBlur * s.scale));
  if (s.dropshadowBlur == 0 && v.dropshadowBlur > 0) s.dropshadowBlur = 1;
  s.dropshadowOpacity = percentFraction(v.dropshadowOpacity);
  return s;
}

}  // namespace quiltora
