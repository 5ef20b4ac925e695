#include "slide/filters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "slide/calculator.h"

namespace orv {

namespace {

constexpr int kBlue = 0, kGreen = 1, kRed = 2, kAlpha = 3;

// Truncation towards zero, then the byte range; NaN (from a nonsensical parameter mix) is 0.
uint8_t TruncToByte(double value) {
  if (!(value > 0)) return 0;
  if (value >= 255) return 255;
  return static_cast<uint8_t>(value);
}

int ReadClamped(const TIniObject& block, std::string_view key, int default_value, int low, int high) {
  return std::clamp(ReadInteger(block.FindKey(key), default_value), low, high);
}

template <class PixelFn>
void ForEachPixel(uint8_t* pixels, int width, int rows, PixelFn fn) {
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(rows);
  for (uint8_t* pixel = pixels; pixel != pixels + 4 * count; pixel += 4) {
    fn(pixel);
    pixel[kAlpha] = 255;
  }
}

// Per-channel linear map out = in × k + d, the same for the three channels.
class TLinearGenerator : public TObjectFilter {
public:
  int GetKind() const override { return kFilterPerChannel; }
  void ApplyToTable(uint8_t* pixels, int width, int rows) const override {
    ForEachPixel(pixels, width, rows, [this](uint8_t* pixel) {
      for (int c : {kBlue, kGreen, kRed}) pixel[c] = TruncToByte(pixel[c] * FK + FD);
    });
  }

protected:
  double FK = 1;
  double FD = 0;
};

class TBrightContrastGenerator : public TLinearGenerator {
protected:
  bool Rebuild() override {
    const int bright = ReadClamped(Block(), "bright", 0, -100, 100);
    const int contrast = ReadClamped(Block(), "contrast", 0, -100, 100);
    const double angle = (100 - contrast) * kPi / 400;
    if (contrast == 0) {
      // 1 / tan(π/4) is a hair above 1 in doubles, which would truncate some inputs one
      // step down: no contrast change must leave the channels exactly as they are.
      FK = 1;
    } else if (std::fabs(angle) <= 0.001) {
      FK = 10000;
    } else {
      FK = std::min(10000.0, std::max(0.0, 1 / std::tan(angle)));
    }
    FD = ((1 - FK) * 0.5 + FK * bright / 255) * 255;
    return true;
  }

private:
  static constexpr double kPi = 3.141592653589793;
};

class TInvertColor : public TLinearGenerator {
protected:
  bool Rebuild() override {
    FK = -1;
    FD = 255;
    return true;
  }
};

class TLevelsGenerator : public TObjectFilter {
public:
  int GetKind() const override { return kFilterPerChannel; }
  void ApplyToTable(uint8_t* pixels, int width, int rows) const override {
    ForEachPixel(pixels, width, rows, [this](uint8_t* pixel) {
      for (int c : {kBlue, kGreen, kRed}) pixel[c] = FMap[pixel[c]];
    });
  }

protected:
  bool Rebuild() override {
    const int low = ReadClamped(Block(), "Min", 0, 0, 255);
    const int middle = ReadClamped(Block(), "Med", 0, -100, 100);
    const int high = ReadClamped(Block(), "Max", 255, 0, 255);
    const double scale = high == low ? 1.0 : 1.0 / (high - low);
    const double exponent = std::clamp(middle == -100 ? 10.0 : (100.0 - middle) / (middle + 100.0), 0.1, 10.0);
    for (int in = 0; in < 256; ++in) FMap[in] = TruncToByte(Power(std::max(0, in - low) * scale, exponent) * 255);
    return true;
  }

private:
  uint8_t FMap[256] = {};
};

// Blends each channel towards a target derived from a colour, by "Amount" percent.
class TColorizationGenerator : public TObjectFilter {
public:
  int GetKind() const override { return kFilterColorMixing; }
  void ApplyToTable(uint8_t* pixels, int width, int rows) const override {
    const int components[3] = {FColor.Blue, FColor.Green, FColor.Red};
    ForEachPixel(pixels, width, rows, [&](uint8_t* pixel) {
      const int luma = (pixel[kRed] * 13933 + pixel[kGreen] * 46871 + pixel[kBlue] * 7471) >> 16;
      for (int c : {kBlue, kGreen, kRed}) {
        const int in = pixel[c];
        int delta = FAmount * (Target(luma, in, components[c]) - in);
        if (delta < 0) delta += 255;
        pixel[c] = static_cast<uint8_t>(std::min(255, in + (delta >> 8)));
      }
    });
  }

protected:
  // The value a channel moves to at full amount.
  virtual int Target(int luma, int, int component) const { return (luma * component) >> 7; }

  bool Rebuild() override {
    FAmount = static_cast<int>(std::nearbyint(ReadClamped(Block(), "Amount", 100, 0, 100) / 100.0 * 256));
    FColor = ReadColor(Block().FindKey("Color"), TIniColor{0, 0, 0, 255});
    return true;
  }

private:
  int FAmount = 256;  // 0…256
  TIniColor FColor;
};

class TColorMultiply : public TColorizationGenerator {
protected:
  int Target(int, int in, int component) const override { return component * in / 256; }
};

class TDoubleColorMultiply : public TColorizationGenerator {
protected:
  int Target(int, int in, int component) const override { return std::min(255, (component * in) >> 7); }
};

// Hue, saturation and lightness on a 0…255 scale.
struct THsl {
  int H, S, L;
};

int RoundToInt(double value) { return static_cast<int>(std::nearbyint(value)); }

THsl RgbToHsl(int r, int g, int b) {
  const int high = std::max({r, g, b});
  const int low = std::min({r, g, b});
  const double lightness = (high + low) / 2.0;
  if (high == low) return {0, 0, RoundToInt(lightness)};
  const double spread = high - low;
  const double saturation = lightness < 128 ? spread * 255 / (high + low) : spread * 255 / (511 - high - low);
  double hue;
  if (r == high) {
    hue = 42.5 * ((g - b) / spread);
  } else if (g == high) {
    hue = 42.5 * (2 + (b - r) / spread);
  } else {
    hue = 42.5 * (4 + (r - g) / spread);
  }
  if (hue < 0) hue += 255;
  if (hue > 255) hue -= 255;
  return {RoundToInt(hue), RoundToInt(saturation), RoundToInt(lightness)};
}

double HueToChannel(double p, double q, double h) {
  if (h < 0) h += 1;
  if (h > 1) h -= 1;
  if (h < 1.0 / 6) return p + (q - p) * 6 * h;
  if (h < 0.5) return q;
  if (h < 2.0 / 3) return p + (q - p) * (2.0 / 3 - h) * 6;
  return p;
}

void HslToRgb(THsl hsl, uint8_t* pixel) {
  if (hsl.S == 0) {
    pixel[kBlue] = pixel[kGreen] = pixel[kRed] = static_cast<uint8_t>(hsl.L);
    return;
  }
  const double l = hsl.L / 255.0, s = hsl.S / 255.0, h = hsl.H / 255.0;
  const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
  const double p = 2 * l - q;
  pixel[kRed] = TruncToByte(std::nearbyint(HueToChannel(p, q, h + 1.0 / 3) * 255));
  pixel[kGreen] = TruncToByte(std::nearbyint(HueToChannel(p, q, h) * 255));
  pixel[kBlue] = TruncToByte(std::nearbyint(HueToChannel(p, q, h - 1.0 / 3) * 255));
}

class THSLGenerator : public TObjectFilter {
public:
  int GetKind() const override { return kFilterColorMixing; }
  void ApplyToTable(uint8_t* pixels, int width, int rows) const override {
    const THslShift shift{FHueShift, FSaturationOffset, FLightnessOffset};
    ForEachPixel(pixels, width, rows, [shift](uint8_t* pixel) { ShiftHsl(pixel, shift); });
  }

protected:
  bool Rebuild() override {
    FHueShift = RoundToInt(ReadClamped(Block(), "Hue", 0, -180, 180) / 360.0 * 256);
    FSaturationOffset = RoundToInt(ReadClamped(Block(), "Saturation", 0, -100, 100) * 2.56);
    FLightnessOffset = RoundToInt(ReadClamped(Block(), "Lightness", 0, -100, 100) * 2.56);
    return true;
  }

private:
  int FHueShift = 0;
  int FSaturationOffset = 0;
  int FLightnessOffset = 0;
};

struct TFilterInfo {
  std::string_view name;
  Ref<TObjectFilter> (*create)();
};

template <class Filter>
Ref<TObjectFilter> Create() {
  return MakeRef<Filter>();
}

constexpr TFilterInfo kFilterTypes[] = {
    {"Levels", Create<TLevelsGenerator>},
    {"Colorization", Create<TColorizationGenerator>},
    {"BrightContrast", Create<TBrightContrastGenerator>},
    {"HSL", Create<THSLGenerator>},
    {"Colorisation2", Create<TColorMultiply>},
    {"Colorisation3", Create<TDoubleColorMultiply>},
    {"Invert", Create<TInvertColor>},
};

}  // namespace

void ShiftHsl(uint8_t* pixel, THslShift shift) {
  THsl hsl = RgbToHsl(pixel[kRed], pixel[kGreen], pixel[kBlue]);
  hsl.H = ((hsl.H + shift.Hue) % 256 + 256) % 256;
  hsl.S = std::clamp(hsl.S + shift.Saturation, 0, 255);
  hsl.L = std::clamp(hsl.L + shift.Lightness, 0, 255);
  HslToRgb(hsl, pixel);
}

TColorTable TColorTable::IdentityRamp() {
  TColorTable table{false, kRampWidth, kRampRows, std::vector<uint8_t>(4 * kRampWidth * kRampRows)};
  for (int row = 0; row < kRampRows; ++row)
    for (int i = 0; i < kRampWidth; ++i) {
      uint8_t* pixel = &table.Pixels[4 * (row * kRampWidth + i)];
      pixel[kBlue] = pixel[kGreen] = pixel[kRed] = static_cast<uint8_t>(i);
      pixel[kAlpha] = 255;
    }
  return table;
}

TColorTable TColorTable::IdentityCube() {
  constexpr int side = kCubeSide;
  TColorTable table{true, side, side * side, std::vector<uint8_t>(4 * side * side * side)};
  for (int i = 0; i < side; ++i)
    for (int j = 0; j < side; ++j)
      for (int k = 0; k < side; ++k) {
        uint8_t* pixel = &table.Pixels[4 * ((j + side * i) * side + k)];
        pixel[kBlue] = CubeLevel(i);
        pixel[kGreen] = CubeLevel(j);
        pixel[kRed] = CubeLevel(k);
        pixel[kAlpha] = 255;
      }
  return table;
}

TColorTable BuildColorTable(const TFilterChain& chain, bool three_d, const TColorTable* profile_cube) {
  if (profile_cube || three_d) {
    TColorTable cube = profile_cube ? *profile_cube : TColorTable::IdentityCube();
    ApplyChain(chain, cube.Pixels.data(), cube.Width, cube.Rows);
    return cube;
  }
  // Per-channel filters need one ramp; the other rows are copies for the sampler.
  TColorTable ramp = TColorTable::IdentityRamp();
  ApplyChain(chain, ramp.Pixels.data(), ramp.Width, 1);
  const size_t row_bytes = 4 * static_cast<size_t>(ramp.Width);
  for (int row = 1; row < ramp.Rows; ++row) std::memcpy(&ramp.Pixels[row * row_bytes], ramp.Pixels.data(), row_bytes);
  return ramp;
}

Ref<TObjectFilter> CreateFilter(TIniObject& block) {
  for (const TFilterInfo& type : kFilterTypes) {
    if (!SameTextUtf8(block.Name(), type.name)) continue;
    Ref<TObjectFilter> filter = type.create();
    // The player carries no translations: the caption is the type's own name.
    filter->SetCaption(AsciiToWide(type.name));
    filter->Load(block);
    return filter;
  }
  return nullptr;
}

}  // namespace orv
