#include "slide/mask_pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "project/ini_values.h"
#include "render/render_types.h"
#include "slide/generated_store.h"
#include "slide/slide_host.h"

namespace orv {
namespace {

constexpr uint32_t kColourBits = 0x00FFFFFFu;
constexpr int kMaxPresetSide = 8192;

template <class Visit>
void ForEachPixel(TBitmap& bitmap, const Visit& visit) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(bitmap.Row(y));
    for (int x = 0; x < bitmap.Width(); ++x) visit(row[x]);
  }
}

struct TAlphaSurvey {
  bool AllTransparent = true;
  bool AllOpaque = true;
  bool AllGrey = true;
  bool OneVisibleColour = true;
};

TAlphaSurvey Survey(TBitmap& argb) {
  TAlphaSurvey survey;
  std::optional<uint32_t> visible_colour;
  ForEachPixel(argb, [&](uint32_t pixel) {
    const int alpha = AlphaOf(pixel);
    survey.AllTransparent = survey.AllTransparent && alpha == 0;
    survey.AllOpaque = survey.AllOpaque && alpha == 255;
    survey.AllGrey = survey.AllGrey && RedOf(pixel) == GreenOf(pixel) && GreenOf(pixel) == BlueOf(pixel);
    if (alpha == 0) return;
    if (!visible_colour) visible_colour = pixel & kColourBits;
    survey.OneVisibleColour = survey.OneVisibleColour && (pixel & kColourBits) == *visible_colour;
  });
  return survey;
}

// Brightness becomes coverage: the brightest channel is the alpha, and the colour is what
// shows through at that alpha.
void BrightnessToAlpha(TBitmap& argb, bool all_grey) {
  ForEachPixel(argb, [all_grey](uint32_t& pixel) {
    const int alpha = std::max({RedOf(pixel), GreenOf(pixel), BlueOf(pixel), 1});
    const auto unscaled = [alpha](int channel) { return channel * 255 / alpha; };
    pixel = all_grey ? MakeColor(255, 255, 255, alpha)
                     : MakeColor(unscaled(RedOf(pixel)), unscaled(GreenOf(pixel)), unscaled(BlueOf(pixel)), alpha);
  });
}

void Whiten(TBitmap& argb) {
  ForEachPixel(argb, [](uint32_t& pixel) { pixel |= kColourBits; });
}

// The ramp from inside (255) to outside (0) of an edge at distance `radius` from a centre,
// `feather` wide, eased in and out.
double Ramp(double feather, double radius, double distance) {
  if (feather <= 0) return distance <= radius ? 255 : 0;
  if (distance < radius - feather) return 255;
  if (distance > radius) return 0;
  const double x = (feather + distance - radius) / feather;
  const double eased = x < 0.5 ? 2 * x * x : 1 - 2 * (1 - x) * (1 - x);
  return 255 * (1 - eased);
}

std::string AsciiText(WideView text) {
  std::string ascii;
  for (char16_t c : text) ascii.push_back(c < 128 ? char(c) : '?');
  return ascii;
}

double Percent(std::string_view text) { return std::clamp(ParseFloat(text).value_or(0), 0.0, 100.0); }

}  // namespace

Ref<TBitmap> RestoreAlpha(const TBitmap& picture) {
  Ref<TBitmap> argb = picture.ConvertTo(pf::A8R8G8B8);
  if (!picture.Format().HasAlpha()) return argb;
  const TAlphaSurvey survey = Survey(*argb);
  if (survey.AllTransparent || survey.AllOpaque)
    BrightnessToAlpha(*argb, survey.AllGrey);
  else if (survey.OneVisibleColour)
    Whiten(*argb);
  return argb;
}

std::optional<TMaskPreset> ParsePresetMaskName(WideView name) {
  if (!name.starts_with(picture_prefix::kPresetedMask)) return std::nullopt;
  const std::string text = AsciiText(name.substr(picture_prefix::kPresetedMask.size()));
  const std::vector<std::string_view> fields = SplitList(text, ':');
  if (fields.size() < 5) return std::nullopt;
  TMaskPreset preset;
  preset.Width = ParseInteger(fields[0]).value_or(preset.Width);
  preset.Height = ParseInteger(fields[1]).value_or(preset.Height);
  if (ParseInteger(fields[2]) == 1) preset.Shape = TMaskShape::Ellipse;
  preset.Softness = Percent(fields[3]);
  preset.Roundness = Percent(fields[4]);
  const auto side_ok = [](int side) { return side >= 1 && side <= kMaxPresetSide; };
  if (!side_ok(preset.Width) || !side_ok(preset.Height)) return std::nullopt;
  return preset;
}

int TMaskGenerator::Coverage(int x, int y) const {
  return FPreset.Shape == TMaskShape::Ellipse ? EllipseCoverage(x, y) : RoundedRectangleCoverage(x, y);
}

int TMaskGenerator::EllipseCoverage(int x, int y) const {
  const double w = FPreset.Width;
  const double h = FPreset.Height;
  const double half_shorter = std::min(FPreset.Width / 2, FPreset.Height / 2);
  const double radius = (w - 1) / 2;
  const double distance = std::hypot(x - (w - 1) / 2, (y - (h - 1) / 2) * w / h);
  return int(std::lround(Ramp(half_shorter * FPreset.Softness / 100, radius, distance)));
}

int TMaskGenerator::RoundedRectangleCoverage(int x, int y) const {
  const int half_shorter = std::min(FPreset.Width / 2, FPreset.Height / 2);
  const int radius = int(half_shorter * FPreset.Roundness / 100);
  const double feather = radius * FPreset.Softness / 100 + 1;
  // Distances from the nearer vertical and horizontal edges.
  const int from_side = std::min(x, FPreset.Width - 1 - x);
  const int from_end = std::min(y, FPreset.Height - 1 - y);
  // In a corner square the edge is the corner circle; elsewhere the straight edge nearest.
  const double distance = from_side < radius && from_end < radius
                              ? std::hypot(radius - from_side, radius - from_end)
                              : radius - std::min(from_side, from_end);
  return int(std::lround(Ramp(feather, radius, distance)));
}

Ref<TBitmap> TMaskGenerator::Generate() const {
  Ref<TBitmap> mask = TBitmap::Create(FPreset.Width, FPreset.Height, pf::A8R8G8B8);
  for (int y = 0; y < FPreset.Height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(mask->Row(y));
    for (int x = 0; x < FPreset.Width; ++x) row[x] = MakeColor(255, 255, 255, Coverage(x, y));
  }
  return mask;
}

Ref<TSysBitmapStore> MakeRestoredAlphaPicture(const TOrvSlideHost& host, const WideString& name) {
  const WideString file = name.substr(picture_prefix::kMask.size());
  // Only files: a made picture has no brightness worth turning into a stencil.
  if (!TOrvSlideHost::SyntheticPrefix(file).empty()) return nullptr;
  const Ref<TImage> source = host.GetPicture(file);
  if (!source) return nullptr;
  return MakeRef<TGeneratedStore>(name, source->Width(), source->Height(), [source]() -> Ref<TBitmap> {
    const Ref<TBitmap> pixels = source->GetLevel(0);
    return pixels ? RestoreAlpha(*pixels) : nullptr;
  });
}

Ref<TSysBitmapStore> MakePresetMaskPicture(const WideString& name) {
  const std::optional<TMaskPreset> preset = ParsePresetMaskName(name);
  if (!preset) return nullptr;
  return MakeRef<TGeneratedStore>(name, preset->Width, preset->Height,
                                  [generator = TMaskGenerator(*preset)] { return generator.Generate(); });
}

}  // namespace orv
