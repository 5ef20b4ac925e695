// Draws the demo show's pictures: gradients, shapes and procedural patterns written as
// JPEG files, so that the demo needs no media from elsewhere.
//
//   make_pictures DIR [WIDTHxHEIGHT] [COUNT]
//
// Without COUNT it writes one picture per pattern, named after it ("sunrise.jpg"...). With
// COUNT it writes COUNT pictures "picture_000.jpg"..., going round the patterns with a
// different colour turn each time (for benchmarks that need many large distinct pictures).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace {

struct TRgb {
  double R, G, B;
};

constexpr double kPi = 3.14159265358979323846;

TRgb Mix(TRgb a, TRgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

// A colour of the rainbow for any phase (turns).
TRgb Hue(double turns) {
  const double a = 2 * kPi * turns;
  return {0.5 + 0.5 * std::cos(a), 0.5 + 0.5 * std::cos(a - 2 * kPi / 3), 0.5 + 0.5 * std::cos(a + 2 * kPi / 3)};
}

double Smooth(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Every pattern maps a point (x to the right, y down, both 0..1; `aspect` = width / height)
// and a colour turn to a colour.
using TPattern = TRgb (*)(double x, double y, double aspect, double turn);

TRgb Sunrise(double x, double y, double aspect, double turn) {
  TRgb colour = Mix(Hue(0.62 + turn), {1.0, 0.62, 0.3}, y * 1.4);
  const double dx = (x - 0.5) * aspect, dy = y - 0.58;
  const double sun = std::sqrt(dx * dx + dy * dy);
  colour = Mix(colour, {1.0, 0.93, 0.6}, 1 - Smooth(0.09, 0.1, sun));
  const double hills = 0.72 + 0.05 * std::sin(x * 9 + 1) + 0.03 * std::sin(x * 23);
  if (y > hills) colour = Mix({0.15, 0.35, 0.18}, {0.05, 0.12, 0.06}, (y - hills) * 4);
  return colour;
}

TRgb Rings(double x, double y, double aspect, double turn) {
  const double dx = (x - 0.3) * aspect, dy = y - 0.4;
  const double ex = (x - 0.75) * aspect, ey = y - 0.65;
  const double wave = std::sin(std::hypot(dx, dy) * 60) + std::sin(std::hypot(ex, ey) * 48);
  return Mix(Hue(turn + 0.1), Hue(turn + 0.55), 0.5 + 0.25 * wave);
}

TRgb Checker(double x, double y, double aspect, double turn) {
  const double a = 0.35;
  const double u = (x * aspect * std::cos(a) - y * std::sin(a)) * 12;
  const double v = (x * aspect * std::sin(a) + y * std::cos(a)) * 12;
  const bool dark = (int(std::floor(u)) + int(std::floor(v))) % 2 == 0;
  const TRgb base = dark ? TRgb{0.12, 0.12, 0.16} : Hue(turn + 0.08 * std::floor(u));
  return Mix(base, {0, 0, 0}, std::hypot(x - 0.5, y - 0.5) * 0.9);
}

TRgb Plasma(double x, double y, double aspect, double turn) {
  const double u = x * aspect * 6, v = y * 6;
  const double value = std::sin(u) + std::sin(v * 1.3 + 1) + std::sin((u + v) * 0.7) + std::sin(std::hypot(u - 3, v - 3));
  return Hue(turn + value * 0.15);
}

TRgb Stripes(double x, double y, double aspect, double turn) {
  const double band = (x * aspect + y * 0.6) * 8;
  const TRgb colour = Hue(turn + std::floor(band) / 8);
  return Mix(colour, {1, 1, 1}, 0.35 * Smooth(0.85, 1.0, band - std::floor(band)));
}

// Cells around fixed seeds, each with its own colour, darker towards the border.
TRgb Cells(double x, double y, double aspect, double turn) {
  static const std::array<std::array<double, 2>, 24> seeds = [] {
    std::array<std::array<double, 2>, 24> points{};
    unsigned state = 12345;
    for (auto& point : points)
      for (double& coordinate : point) coordinate = double((state = state * 1103515245u + 12345u) >> 8 & 0xFFFF) / 65535.0;
    return points;
  }();
  double nearest = 1e9, second = 1e9;
  size_t cell = 0;
  for (size_t i = 0; i < seeds.size(); ++i) {
    const double d = std::hypot((x - seeds[i][0]) * aspect, y - seeds[i][1]);
    if (d < nearest) {
      second = nearest;
      nearest = d;
      cell = i;
    } else {
      second = std::min(second, d);
    }
  }
  return Mix({0.05, 0.05, 0.08}, Hue(turn + double(cell) / 24), Smooth(0.0, 0.03, second - nearest));
}

TRgb Fractal(double x, double y, double aspect, double turn) {
  const double cx = -0.7453 + (x - 0.5) * 0.03 * aspect, cy = 0.1127 + (y - 0.5) * 0.03;
  double zx = 0, zy = 0;
  int i = 0;
  constexpr int kLimit = 200;
  for (; i < kLimit && zx * zx + zy * zy < 4; ++i) {
    const double t = zx * zx - zy * zy + cx;
    zy = 2 * zx * zy + cy;
    zx = t;
  }
  return i == kLimit ? TRgb{0, 0, 0} : Hue(turn + std::sqrt(double(i)) / 6);
}

struct TNamedPattern {
  const char* Name;
  TPattern Draw;
};

constexpr TNamedPattern kPatterns[] = {{"sunrise", Sunrise}, {"rings", Rings},     {"checker", Checker},
                                       {"plasma", Plasma},   {"stripes", Stripes}, {"cells", Cells},
                                       {"fractal", Fractal}};

uint8_t Byte(double value) { return uint8_t(std::lround(std::clamp(value, 0.0, 1.0) * 255)); }

// Writes row after row, so that even very large pictures need only one row of memory.
void WriteJpeg(const std::string& path, int width, int height, TPattern pattern, double turn) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot write " + path);
  jpeg_compress_struct jpeg{};
  jpeg_error_mgr errors{};
  jpeg.err = jpeg_std_error(&errors);
  jpeg_create_compress(&jpeg);
  jpeg_stdio_dest(&jpeg, file);
  jpeg.image_width = JDIMENSION(width);
  jpeg.image_height = JDIMENSION(height);
  jpeg.input_components = 3;
  jpeg.in_color_space = JCS_RGB;
  jpeg_set_defaults(&jpeg);
  jpeg_set_quality(&jpeg, 90, TRUE);
  jpeg_start_compress(&jpeg, TRUE);
  const double aspect = double(width) / height;
  std::vector<uint8_t> row(size_t(width) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const TRgb colour = pattern((x + 0.5) / width, (y + 0.5) / height, aspect, turn);
      row[size_t(x) * 3] = Byte(colour.R);
      row[size_t(x) * 3 + 1] = Byte(colour.G);
      row[size_t(x) * 3 + 2] = Byte(colour.B);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&jpeg, rows, 1);
  }
  jpeg_finish_compress(&jpeg);
  jpeg_destroy_compress(&jpeg);
  if (std::fclose(file) != 0) throw std::runtime_error("cannot write " + path);
}

bool ReadSize(const char* text, int& width, int& height) {
  return std::sscanf(text, "%dx%d", &width, &height) == 2 && width >= 16 && height >= 16 && width <= 20000 &&
         height <= 20000;
}

int Usage() {
  std::fputs("usage: make_pictures DIR [WIDTHxHEIGHT] [COUNT]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) return Usage();
  const std::string folder = std::string(argv[1]) + "/";
  int width = 1920, height = 1080;
  if (argc >= 3 && !ReadSize(argv[2], width, height)) return Usage();
  const int count = argc == 4 ? std::atoi(argv[3]) : 0;
  if (argc == 4 && (count <= 0 || count > 10000)) return Usage();
  try {
    if (count == 0) {
      for (const TNamedPattern& pattern : kPatterns)
        WriteJpeg(folder + pattern.Name + ".jpg", width, height, pattern.Draw, 0);
    }
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "picture_%03d.jpg", i);
      const int patterns = int(std::size(kPatterns));
      WriteJpeg(folder + name, width, height, kPatterns[i % patterns].Draw, double(i / patterns) * 0.13);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_pictures: %s\n", e.what());
    return 1;
  }
  return 0;
}
