// The blur effect: a Gaussian of sigma = radius / 3 over premultiplied pixels, separable.
//
// Four successive boxes whose widths give that variance follow the Gaussian within about 1% and
// reach a little past `radius` pixels to each side, at a cost that does not grow with the radius
// (the shadow blurs a million pixels at every start). Small radii, where boxes a few pixels wide
// are too coarse, use the sampled Gaussian itself.
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

// Half-widths of four boxes whose succession has the variance of a Gaussian of `sigma`.
std::vector<int> box_half_widths(double sigma) {
  const int n = 4;
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

// One box pass of half-width k along four lines at once, stored interleaved (the value of line r
// at position i is at [i * 4 + r]) so that the four running sums advance together. Outside the n
// positions every value is zero.
constexpr int kLanes = 4;
// Below this sigma the blur uses the exact kernel; above it the boxes are as close and cheaper.
constexpr double kExactBelowSigma = 4;

void box_pass_lanes(const float* __restrict in, float* __restrict out, int n, int k) {
  const float scale = 1.0f / float(2 * k + 1);
  auto at = [&](int i, int r) { return i < 0 || i >= n ? 0.0f : in[i * kLanes + r]; };
  float sum[kLanes] = {};
  for (int i = -k; i <= k; ++i)
    for (int r = 0; r < kLanes; ++r) sum[r] += at(i, r);
  for (int i = 0; i < n; ++i) {
    for (int r = 0; r < kLanes; ++r) out[i * kLanes + r] = sum[r] * scale;
    if (i - k >= 0 && i + k + 1 < n) {
      for (int r = 0; r < kLanes; ++r)
        sum[r] += in[(i + k + 1) * kLanes + r] - in[(i - k) * kLanes + r];
    } else {
      for (int r = 0; r < kLanes; ++r) sum[r] += at(i + k + 1, r) - at(i - k, r);
    }
  }
}

// One box pass down the columns of `rows` rows of n values; outside them a row is zero or, when
// clamping, the nearest edge row. Whole rows at a time, so the work runs along memory.
void box_pass_down(const float* in, float* out, int n, int rows, int k, bool clamp) {
  const float scale = 1.0f / float(2 * k + 1);
  std::vector<float> zero(n, 0.0f), sum(n, 0.0f);
  auto row = [&](int y) -> const float* {
    if (y < 0) return clamp ? in : zero.data();
    if (y >= rows) return clamp ? in + std::size_t(rows - 1) * n : zero.data();
    return in + std::size_t(y) * n;
  };
  for (int y = -k; y <= k; ++y) {
    const float* r = row(y);
    for (int i = 0; i < n; ++i) sum[i] += r[i];
  }
  float* __restrict total = sum.data();
  for (int y = 0; y < rows; ++y) {
    float* __restrict dst = out + std::size_t(y) * n;
    const float* __restrict add = row(y + k + 1);
    const float* __restrict drop = row(y - k);
    for (int i = 0; i < n; ++i) {
      dst[i] = total[i] * scale;
      total[i] += add[i] - drop[i];
    }
  }
}

// The sampled Gaussian of `sigma`, normalised, reaching `k` on each side; for small radii, where
// boxes a few pixels wide follow the curve too coarsely.
std::vector<float> gaussian(double sigma, int k) {
  std::vector<float> w(2 * k + 1);
  double total = 0;
  for (int i = -k; i <= k; ++i) total += std::exp(-i * i / (2 * sigma * sigma));
  for (int i = -k; i <= k; ++i) w[i + k] = float(std::exp(-i * i / (2 * sigma * sigma)) / total);
  return w;
}

void kernel_pass_lanes(const float* __restrict in, float* __restrict out, int n,
                       const std::vector<float>& w) {
  const int k = int(w.size() / 2);
  for (int i = 0; i < n; ++i) {
    float sum[kLanes] = {};
    for (int j = -k; j <= k; ++j) {
      if (i + j < 0 || i + j >= n) continue;
      for (int r = 0; r < kLanes; ++r) sum[r] += w[j + k] * in[(i + j) * kLanes + r];
    }
    for (int r = 0; r < kLanes; ++r) out[i * kLanes + r] = sum[r];
  }
}

void kernel_pass_down(const float* in, float* out, int n, int rows, const std::vector<float>& w,
                      bool clamp) {
  const int k = int(w.size() / 2);
  for (int y = 0; y < rows; ++y) {
    float* __restrict dst = out + std::size_t(y) * n;
    std::fill_n(dst, n, 0.0f);
    for (int j = -k; j <= k; ++j) {
      int from = y + j;
      if (from < 0 || from >= rows) {
        if (!clamp) continue;
        from = from < 0 ? 0 : rows - 1;
      }
      const float* __restrict src = in + std::size_t(from) * n;
      const float weight = w[j + k];
      for (int i = 0; i < n; ++i) dst[i] += weight * src[i];
    }
  }
}

// A pass along one direction: a box of half-width k, or the kernel `weights` when it has any.
struct Pass {
  int k;
  std::vector<float> weights;
};

std::vector<Pass> passes_for(double sigma) {
  if (sigma < kExactBelowSigma) {
    int k = int(std::ceil(3 * sigma));
    return {{k, gaussian(sigma, k)}};
  }
  std::vector<Pass> passes;
  for (int k : box_half_widths(sigma)) passes.push_back({k, {}});
  return passes;
}

// Blurs the pixels of `area` in place. Each colour channel is blurred as a plane of its own, in a
// field that reaches `reach` pixels past the area on every side, so that what the first passes
// spread past the edge still comes back through the later ones. A channel that is zero
// everywhere stays zero and is skipped (a black shadow blurs only its alpha).
void blur(QImage& image, const QRect& area, float radius, bool expand) {
  double sigma = radius / 3.0;
  if (sigma <= 0) return;
  const std::vector<Pass> passes = passes_for(sigma);
  int reach = 0;
  for (const Pass& p : passes) reach += p.k;
  if (reach == 0) return;
  const int w = area.width(), h = area.height();
  const int wide = w + 2 * reach, tall = h + 2 * reach;
  auto pixel_row = [&](int y) { return image.scanLine(area.y() + y) + std::size_t(area.x()) * 4; };

  std::uint32_t used = 0;
  for (int y = 0; y < h; ++y) {
    const auto* px = reinterpret_cast<const std::uint32_t*>(pixel_row(y));
    for (int x = 0; x < w; ++x) used |= px[x];
  }
  std::vector<float> field(std::size_t(tall) * w), other(field.size());
  std::vector<float> line(std::size_t(wide) * kLanes), spare(line.size());
  for (int c = 0; c < 4; ++c) {  // bytes of a pixel in memory: blue, green, red, alpha
    if (((used >> (8 * c)) & 0xFF) == 0) continue;
    // Along the rows, four at a time, into the middle rows of the field.
    for (int y0 = 0; y0 < h; y0 += kLanes) {
      for (int r = 0; r < kLanes; ++r) {
        float* lane = line.data() + r;
        if (y0 + r >= h) {  // past the last row: a lane of zeros, computed and dropped
          for (int x = 0; x < wide; ++x) lane[x * kLanes] = 0.0f;
          continue;
        }
        const uchar* src = pixel_row(y0 + r) + c;
        float first = src[0], last = src[std::size_t(w - 1) * 4];
        for (int x = 0; x < reach; ++x) {
          lane[x * kLanes] = expand ? 0.0f : first;
          lane[(reach + w + x) * kLanes] = expand ? 0.0f : last;
        }
        for (int x = 0; x < w; ++x) lane[(reach + x) * kLanes] = src[std::size_t(x) * 4];
      }
      for (const Pass& p : passes) {
        if (p.weights.empty())
          box_pass_lanes(line.data(), spare.data(), wide, p.k);
        else
          kernel_pass_lanes(line.data(), spare.data(), wide, p.weights);
        std::swap(line, spare);
      }
      // The field keeps the columns of the area; what spread sideways past it is dropped.
      for (int r = 0; r < kLanes && y0 + r < h; ++r) {
        float* dst = field.data() + std::size_t(reach + y0 + r) * w;
        for (int x = 0; x < w; ++x) dst[x] = line[(reach + x) * kLanes + r];
      }
    }
    for (int y = 0; y < reach; ++y) {  // rows above and below: nothing, or the edge rows
      float* top = field.data() + std::size_t(y) * w;
      float* bottom = field.data() + std::size_t(reach + h + y) * w;
      if (expand) {
        std::fill_n(top, w, 0.0f);
        std::fill_n(bottom, w, 0.0f);
      } else {
        std::copy_n(field.data() + std::size_t(reach) * w, w, top);
        std::copy_n(field.data() + std::size_t(reach + h - 1) * w, w, bottom);
      }
    }
    for (const Pass& p : passes) {
      if (p.weights.empty())
        box_pass_down(field.data(), other.data(), w, tall, p.k, !expand);
      else
        kernel_pass_down(field.data(), other.data(), w, tall, p.weights, !expand);
      std::swap(field, other);
    }
    for (int y = 0; y < h; ++y) {
      uchar* dst = pixel_row(y) + c;
      const float* src = field.data() + std::size_t(reach + y) * w;
      for (int x = 0; x < w; ++x)
        dst[std::size_t(x) * 4] = uchar(std::clamp(int(src[x] + 0.5f), 0, 255));
    }
  }
  // Rounding may leave a colour a step above its alpha; premultiplied pixels must not.
  if ((used & 0xFFFFFF) == 0) return;
  for (int y = 0; y < h; ++y) {
    uchar* px = pixel_row(y);
    for (int x = 0; x < w; ++x, px += 4)
      for (int c = 0; c < 3; ++c) px[c] = std::min(px[c], px[3]);
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
