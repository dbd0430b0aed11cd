// The blur effect: a Gaussian made of three box passes each way over premultiplied pixels.
//
// Three successive boxes whose widths are chosen for sigma = radius / 3 approximate the Gaussian
// within a few per cent and reach about `radius` pixels to each side, at a cost that does not
// grow with the radius (the shadow blurs a million pixels at every start).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "graphics/flat.h"

namespace lumetra::flat {
namespace {

constexpr Guid kBlurEffect{
    0x633C80A4, 0x1843, 0x482B, {0x9E, 0xF2, 0xBE, 0x28, 0x34, 0xC5, 0xFD, 0xD4}};

struct Effect : Object {
  static constexpr Kind kKind = Kind::Effect;
  Effect() : Object(Kind::Effect) {}
  BlurParams blur;
};

// Half-widths of three boxes whose succession has the variance of a Gaussian of `sigma`.
std::vector<int> box_half_widths(double sigma) {
  const int n = 3;
  double ideal = std::sqrt(12 * sigma * sigma / n + 1);
  int lower = static_cast<int>(std::floor(ideal));
  if (lower % 2 == 0) --lower;
  int upper = lower + 2;
  double m = (12 * sigma * sigma - n * lower * lower - 4 * n * lower - 3 * n) / (-4 * lower - 4);
  int small = static_cast<int>(std::lround(m));
  std::vector<int> half;
  for (int i = 0; i < n; ++i) half.push_back(((i < small ? lower : upper) - 1) / 2);
  return half;
}

// One box pass along rows (`horizontal`) or columns of a w x h block of 4-float pixels. Outside
// the block a pixel is transparent (`expand`) or repeats the nearest edge pixel.
void box_rows(const float* in, float* out, int w, int h, int k, bool expand) {
  const float scale = 1.0f / (2 * k + 1);
  for (int y = 0; y < h; ++y) {
    const float* row = in + std::size_t(y) * w * 4;
    float* dst = out + std::size_t(y) * w * 4;
    auto at = [&](int x, int c) -> float {
      if (x < 0) return expand ? 0.0f : row[c];
      if (x >= w) return expand ? 0.0f : row[(w - 1) * 4 + c];
      return row[x * 4 + c];
    };
    float sum[4] = {0, 0, 0, 0};
    for (int x = -k; x <= k; ++x)
      for (int c = 0; c < 4; ++c) sum[c] += at(x, c);
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 4; ++c) dst[x * 4 + c] = sum[c] * scale;
      int add = x + k + 1, drop = x - k;
      if (add < w && drop >= 0) {
        for (int c = 0; c < 4; ++c) sum[c] += row[add * 4 + c] - row[drop * 4 + c];
      } else {
        for (int c = 0; c < 4; ++c) sum[c] += at(add, c) - at(drop, c);
      }
    }
  }
}

void box_columns(const float* in, float* out, int w, int h, int k, bool expand) {
  const std::size_t n = std::size_t(w) * 4;
  const float scale = 1.0f / (2 * k + 1);
  std::vector<float> zero(n, 0.0f), sum(n, 0.0f);
  auto row = [&](int y) -> const float* {
    if (y < 0) return expand ? zero.data() : in;
    if (y >= h) return expand ? zero.data() : in + (h - 1) * n;
    return in + y * n;
  };
  for (int y = -k; y <= k; ++y) {
    const float* r = row(y);
    for (std::size_t i = 0; i < n; ++i) sum[i] += r[i];
  }
  for (int y = 0; y < h; ++y) {
    float* dst = out + y * n;
    const float* add = row(y + k + 1);
    const float* drop = row(y - k);
    for (std::size_t i = 0; i < n; ++i) {
      dst[i] = sum[i] * scale;
      sum[i] += add[i] - drop[i];
    }
  }
}

void blur(QImage& image, const QRect& area, float radius, bool expand) {
  double sigma = radius / 3.0;
  if (sigma <= 0) return;
  std::vector<int> half = box_half_widths(sigma);
  if (std::all_of(half.begin(), half.end(), [](int k) { return k == 0; })) return;
  const int w = area.width(), h = area.height();
  std::vector<float> a(std::size_t(w) * h * 4), b(a.size());
  for (int y = 0; y < h; ++y) {
    const uchar* src = image.constScanLine(area.y() + y) + area.x() * 4;
    float* dst = a.data() + std::size_t(y) * w * 4;
    for (int i = 0; i < w * 4; ++i) dst[i] = src[i];
  }
  for (int k : half) {
    box_rows(a.data(), b.data(), w, h, k, expand);
    std::swap(a, b);
  }
  for (int k : half) {
    box_columns(a.data(), b.data(), w, h, k, expand);
    std::swap(a, b);
  }
  for (int y = 0; y < h; ++y) {
    auto* dst = reinterpret_cast<QRgb*>(image.scanLine(area.y() + y)) + area.x();
    const float* src = a.data() + std::size_t(y) * w * 4;
    for (int x = 0; x < w; ++x) {
      auto channel = [&](int c, int limit) {
        return std::clamp(static_cast<int>(src[x * 4 + c] + 0.5f), 0, limit);
      };
      // Memory order of a premultiplied pixel is blue, green, red, alpha; no colour may
      // exceed the alpha after rounding.
      int alpha = channel(3, 255);
      dst[x] = qRgba(channel(2, alpha), channel(1, alpha), channel(0, alpha), alpha);
    }
  }
}

}  // namespace

Status GdipCreateEffect(Guid effect, Handle* handle) {
  if (!handle) return InvalidParameter;
  if (Status s = require_started()) return s;
  if (!(effect == kBlurEffect)) return NotImplemented;
  *handle = add_object(std::make_shared<Effect>());
  return Ok;
}

Status GdipDeleteEffect(Handle effect) {
  return remove_object(effect, Kind::Effect) ? Ok : InvalidParameter;
}

Status GdipGetEffectParameterSize(Handle effect, std::uint32_t* size) {
  if (!find<Effect>(effect) || !size) return InvalidParameter;
  *size = sizeof(BlurParams);
  return Ok;
}

Status GdipSetEffectParameters(Handle effect, const void* params, std::uint32_t size) {
  auto e = find<Effect>(effect);
  if (!e || !params || size != sizeof(BlurParams)) return InvalidParameter;
  BlurParams p;
  std::memcpy(&p, params, sizeof p);
  if (!(p.radius >= 0 && p.radius <= 255)) return InvalidParameter;  // NaN too
  e->blur = p;
  return Ok;
}

Status GdipGetEffectParameters(Handle effect, std::uint32_t* size, void* params) {
  auto e = find<Effect>(effect);
  if (!e || !size || !params || *size < sizeof(BlurParams)) return InvalidParameter;
  std::memcpy(params, &e->blur, sizeof e->blur);
  *size = sizeof(BlurParams);
  return Ok;
}

Status GdipBitmapApplyEffect(Handle bitmap, Handle effect, const Rect* rect, bool /*use_aux_data*/,
                             void** aux_data, int* aux_size) {
  auto image = find<Image>(bitmap);
  auto e = find<Effect>(effect);
  if (!image || !e) return InvalidParameter;
  if (image->locked) return WrongState;
  QRect area = image->pixels.rect();
  if (rect) area &= QRect(rect->x, rect->y, rect->width, rect->height);
  if (area.isEmpty()) return InvalidParameter;
  // A blur has no auxiliary data to return.
  if (aux_data) *aux_data = nullptr;
  if (aux_size) *aux_size = 0;
  // An image without alpha stays opaque: its edges repeat instead of fading out.
  bool expand = e->blur.expand_edge != 0 && (image->format & kPixelFormatAlpha);
  blur(image->pixels, area, e->blur.radius, expand);
  return Ok;
}

}  // namespace lumetra::flat
