#include "slide/shadow_params.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "project/ini_values.h"
#include "slide/drop_shadow.h"
#include "slide/slide_host.h"

namespace orv {
namespace {

constexpr size_t kNumberFields = 13;
constexpr double kMaxCoordinate = 1e8;
constexpr double kMaxBlur = 1e6;
constexpr int kMaxLevel = 30;
constexpr int64_t kCanvasPixels = 700000;
constexpr int kCanvasSide = 10000;
constexpr int64_t kBlurredPixels = 4 * kCanvasPixels;

std::string Fixed2(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
  return std::string(buffer, result.ec == std::errc() ? result.ptr : buffer);
}

std::string Significant16(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 16);
  return std::string(buffer, result.ec == std::errc() ? result.ptr : buffer);
}

// The number fields and the source name after them; nothing when there are too few fields
// or a field is not plain ASCII.
std::optional<std::array<std::string, kNumberFields>> SplitFields(WideView text, WideString& rest) {
  std::array<std::string, kNumberFields> fields;
  for (std::string& field : fields) {
    const size_t end = text.find(u':');
    if (end == WideView::npos) return std::nullopt;
    for (char16_t c : text.substr(0, end)) {
      if (c > 127) return std::nullopt;
      field.push_back(char(c));
    }
    text.remove_prefix(end + 1);
  }
  rest = WideString(text);
  return fields;
}

std::optional<int> IntegerIn(const std::string& text, int low, int high) {
  const std::optional<int32_t> value = ParseInteger(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return *value;
}

std::optional<float> FloatIn(const std::string& text, double low, double high) {
  const std::optional<double> value = ParseFloat(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return float(*value);
}

bool ReadFields(const std::array<std::string, kNumberFields>& f, TShadowParams& p) {
  const auto coordinate = [](const std::string& text) { return FloatIn(text, -kMaxCoordinate, kMaxCoordinate); };
  const auto margin = [](const std::string& text) { return FloatIn(text, 0, kMaxCoordinate); };
  const auto byte = [](const std::string& text) { return IntegerIn(text, 0, 255); };
  const auto x0 = coordinate(f[0]), y0 = coordinate(f[1]), x1 = coordinate(f[2]), y1 = coordinate(f[3]);
  const auto mx = margin(f[4]), my = margin(f[5]);
  const auto shape = byte(f[6]);
  const auto blur = FloatIn(f[7], 0, kMaxBlur);
  const auto spread = ParseInteger(f[8]);
  const auto fill = byte(f[9]), alpha1 = byte(f[10]), alpha2 = byte(f[11]);
  const auto level = IntegerIn(f[12], 0, kMaxLevel);
  if (!x0 || !y0 || !x1 || !y1 || !mx || !my || !shape || !blur || !spread || !fill || !alpha1 || !alpha2 || !level)
    return false;
  p.Source = {*x0, *y0, *x1, *y1};
  p.Margins = {*mx, *my};
  p.ShapeAlpha = *shape;
  p.BlurSize = *blur;
  p.SpreadIndex = *spread;
  p.FillCode = uint8_t(*fill);
  p.Alpha1 = uint8_t(*alpha1);
  p.Alpha2 = uint8_t(*alpha2);
  p.Level = *level;
  return !p.Source.IsEmpty();
}

int HalfUp(int value) { return (value + 1) / 2; }

}  // namespace

WideString ShadowPictureName(const TShadowParams& p) {
  std::string text;
  for (float value : {p.Source.Left, p.Source.Top, p.Source.Right, p.Source.Bottom, p.Margins.X, p.Margins.Y})
    text += Fixed2(value) + ":";
  text += std::to_string(p.ShapeAlpha) + ":" + Significant16(p.BlurSize) + ":" + std::to_string(p.SpreadIndex) + ":" +
          std::to_string(p.FillCode) + ":" + std::to_string(p.Alpha1) + ":" + std::to_string(p.Alpha2) + ":" +
          std::to_string(p.Level) + ":";
  return WideString(picture_prefix::kShadow) + AsciiToWide(text) + p.SourceName;
}

std::optional<TShadowParams> ParseShadowPictureName(WideView name) {
  if (!name.starts_with(picture_prefix::kShadow)) return std::nullopt;
  TShadowParams params;
  const auto fields = SplitFields(name.substr(picture_prefix::kShadow.size()), params.SourceName);
  if (!fields || !ReadFields(*fields, params)) return std::nullopt;
  return params;
}

TShadowLayout ShadowLayoutOf(const TShadowParams& p) {
  TShadowLayout layout;
  layout.CanvasWidth = int(std::max(1.0, std::round(p.Source.Width() + 2.0 * p.Margins.X)));
  layout.CanvasHeight = int(std::max(1.0, std::round(p.Source.Height() + 2.0 * p.Margins.Y)));
  const auto halve = [&layout] {
    layout.CanvasWidth = HalfUp(layout.CanvasWidth);
    layout.CanvasHeight = HalfUp(layout.CanvasHeight);
    layout.Scale *= 2;
  };
  const auto pixels = [](int64_t width, int64_t height) { return width * height; };
  while (pixels(layout.CanvasWidth, layout.CanvasHeight) > kCanvasPixels) halve();
  while (std::max(layout.CanvasWidth, layout.CanvasHeight) > kCanvasSide) halve();
  for (;;) {
    layout.Reduction = p.BlurSize / layout.Scale + 1;
    layout.BlurMargin = TDropShadow::MarginFor(layout.Reduction);
    if (pixels(layout.PictureWidth(), layout.PictureHeight()) <= kBlurredPixels) return layout;
    halve();
  }
}

}  // namespace orv
