// The main window's shadow pictures, made as the shadow makes them at every start: the blurred
// black rectangle as PNG and the frame mask as BMP, for a 1000 x 723 owner and a band of 20.
// Prints the median of each over repeated runs and of the whole, in wall-clock time and in the
// thread's CPU time (which other programs on a busy machine do not inflate); the target for the
// whole is under 30 ms.
//
// Usage: bench_shadow [runs] [folder to write shadow.png and mask.bmp into]
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/graphics.h"

using namespace lumetra;
using Clock = std::chrono::steady_clock;

namespace {

Bytes render_shadow_image(int w, int h, int s) {
  Bitmap bitmap;
  SolidBrush black;
  BlurEffect blur;
  Graphics graphics;
  bitmap.create(w + 2 * s, h + 2 * s);
  black.create(0xFF000000);
  blur.create();
  flat::BlurParams params{static_cast<float>(s), 1};
  blur.set_parameters(&params);
  graphics.from_image(bitmap);
  graphics.fill_rectangle(black, float(s), float(s), float(w), float(h));
  bitmap.apply_effect(blur);
  Bytes png = bitmap.save_to_bytes(kImageFormatPng);
  bitmap.dispose();
  blur.delete_();
  graphics.delete_();
  black.delete_();
  return png;
}

Bytes render_shadow_shape(int w, int h, int s) {
  Bitmap bitmap;
  SolidBrush white, magenta;
  Graphics graphics;
  bitmap.create(w + 2 * s, h + 2 * s);
  white.create(0xFFFFFFFF);
  magenta.create(0xFFFF00FF);
  graphics.from_image(bitmap);
  graphics.fill_rectangle(white, 0, 0, float(w + 2 * s), float(h + 2 * s));
  graphics.fill_rectangle(magenta, float(s), float(s), float(w), float(h));
  Bytes bmp = bitmap.save_to_bytes(kImageFormatBmp);
  bitmap.dispose();
  graphics.delete_();
  white.delete_();
  magenta.delete_();
  return bmp;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double cpu_ms() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Times {
  std::vector<double> wall, cpu;
};

template <class F>
double millis(F f, Times& times) {
  auto start = Clock::now();
  double cpu_start = cpu_ms();
  f();
  times.cpu.push_back(cpu_ms() - cpu_start);
  times.wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  return times.wall.back();
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  std::uintptr_t token = 0;
  flat::StartupInput input;
  if (flat::GdiplusStartup(&token, &input, nullptr) != flat::Ok) return 1;

  constexpr int kWidth = 1000, kHeight = 723, kSize = 20;
  Bytes png, bmp;
  Times image, shape, blurring, total;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    double cpu_start = cpu_ms();
    millis([&] { png = render_shadow_image(kWidth, kHeight, kSize); }, image);
    millis([&] { bmp = render_shadow_shape(kWidth, kHeight, kSize); }, shape);
    total.cpu.push_back(cpu_ms() - cpu_start);
    total.wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  // The blur alone, on a bitmap painted once.
  Bitmap painted;
  painted.create(kWidth + 2 * kSize, kHeight + 2 * kSize);
  {
    SolidBrush black;
    Graphics graphics;
    black.create(0xFF000000);
    graphics.from_image(painted);
    graphics.fill_rectangle(black, kSize, kSize, kWidth, kHeight);
  }
  BlurEffect blur;
  blur.create();
  flat::BlurParams params{kSize, 1};
  blur.set_parameters(&params);
  for (int i = 0; i < runs; ++i) {
    Bitmap copy;
    painted.clone_image(copy);
    copy.set_pixel(0, 0, 0);  // its own pixels before the clock starts
    millis([&] { copy.apply_effect(blur); }, blurring);
  }

  auto line = [](const char* what, const Times& t) {
    std::printf("  %-34s %7.2f ms wall, %7.2f ms CPU\n", what, median(t.wall), median(t.cpu));
  };
  std::printf("shadow of a %d x %d owner, band %d, median of %d runs\n", kWidth, kHeight, kSize,
              runs);
  std::string picture = "picture (PNG, " + std::to_string(png.size()) + " bytes)";
  std::string mask = "mask (BMP, " + std::to_string(bmp.size()) + " bytes)";
  line(picture.c_str(), image);
  line("  of which the blur", blurring);
  line(mask.c_str(), shape);
  line("both (target under 30 ms)", total);

  if (argc > 2) {
    std::string folder = argv[2];
    std::ofstream(folder + "/shadow.png", std::ios::binary) << png;
    std::ofstream(folder + "/mask.bmp", std::ios::binary) << bmp;
  }
  return png.empty() || bmp.empty() ? 1 : 0;
}
