#include "nav/video_bar_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "nav/nav_placement.h"

namespace orv {
namespace {

constexpr int kMinTrackLength = 100;
// Halving a scale of any double reaches sizes of 0 long before this.
constexpr int kMaxHalvings = 1100;

int Scaled(int design, double scale) { return RoundEven(design * scale); }

// Where along a track of [start, end) the centre of a thumb `thumb` wide lies for a share
// 0..1; and back.
double ShareAt(int x, int grab, int start, int end, int thumb) {
  const int half = thumb / 2;
  const int centre = std::clamp(grab >= -half && grab <= half ? x - grab : x, start + half, std::max(start + half, end - half));
  const int span = end - start - thumb;
  return span > 0 ? double(centre - start - half) / span : 0;
}

}  // namespace

TVideoBarLayout TVideoBarLayout::Make(const TVideoBarDesign& design, double scale, int bar_width, int extra_buttons,
                                      bool show_hours) {
  TVideoBarLayout l;
  l.Height = Scaled(design.BarSize.Second, scale);
  l.ButtonWidth = Scaled(design.ButtonSize.First, scale);
  l.ButtonHeight = Scaled(design.ButtonSize.Second, scale);
  l.DigitWidth = Scaled(design.DigitSize.First, scale);
  l.DigitHeight = Scaled(design.DigitSize.Second, scale);
  l.ThumbWidth = Scaled(design.ThumbSize.First, scale);
  l.ThumbHeight = Scaled(design.ThumbSize.Second, scale);
  l.TrackHeight = Scaled(design.TrackHeight, scale);
  l.VolumeLength = Scaled(design.VolumeLength, scale);
  l.LeftSpace = design.LeftSpace;
  l.VolumeEnd = bar_width - design.RightSpace;
  l.VolumeStart = l.VolumeEnd - l.VolumeLength;
  l.DigitsEnd = l.VolumeStart - design.SoundTrackSpace - l.ButtonWidth - design.DigitsSoundSpace;
  l.SoundX = l.DigitsEnd + design.DigitsSoundSpace;
  l.TrackStart = design.LeftSpace + l.ButtonWidth * (extra_buttons + 1) + design.ButtonsTrackSpace;
  l.TrackEnd = l.DigitsEnd - l.DigitWidth * (show_hours ? 18 : 12);
  l.DigitsStart = l.TrackEnd + design.TrackDigitsSpace;
  return l;
}

int TVideoBarLayout::ThumbX(double pass_time, double duration) const {
  const int start = TrackStart + ThumbWidth / 2;
  if (std::abs(duration) < 1e-6 || pass_time < 0) return start;
  return start + int(std::trunc((TrackEnd - ThumbWidth - TrackStart) * pass_time / duration));
}

double TVideoBarLayout::TimeAt(int x, int grab, double duration) const {
  return duration * ShareAt(x, grab, TrackStart, TrackEnd, ThumbWidth);
}

int TVideoBarLayout::VolumeX(double volume) const {
  const int start = VolumeStart + ThumbWidth / 2;
  if (volume < 0 || volume > 1) return start;
  return start + RoundEven((VolumeEnd - ThumbWidth - VolumeStart) * volume);
}

double TVideoBarLayout::VolumeAt(int x, int grab) const {
  return std::clamp(ShareAt(x, grab, VolumeStart, VolumeEnd, ThumbWidth), 0.0, 1.0);
}

std::optional<double> FitVideoBarScale(const TVideoBarDesign& design, double scale, int bar_width) {
  const auto layout = [&](double s) { return TVideoBarLayout::Make(design, s, bar_width, 0, false); };
  TVideoBarLayout l = layout(scale);
  if (l.ThumbWidth + l.TrackStart >= l.TrackEnd) return std::nullopt;
  for (int i = 0; i < kMaxHalvings && l.ThumbWidth + l.TrackStart + kMinTrackLength >= l.TrackEnd; ++i) {
    scale /= 2;
    l = layout(scale);
    // Every size is 0 and the spaces alone leave no room: it never fits.
    if (Scaled(std::max({design.BarSize.First, design.BarSize.Second, design.ButtonSize.First, design.DigitSize.First,
                         design.ThumbSize.First, design.VolumeLength}),
               scale) == 0 &&
        l.ThumbWidth + l.TrackStart + kMinTrackLength >= l.TrackEnd)
      return std::nullopt;
  }
  return scale;
}

double PassTime(double position, double duration) {
  if (duration == 0) return position;
  const double passes = std::trunc(position / duration);
  return passes > 0 ? position - passes * duration : position;
}

std::string VideoBarTimeText(double pass_time, double duration, bool show_hours) {
  const auto clock = [show_hours](long long seconds) {
    char text[16];
    if (show_hours)
      std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600 % 100, seconds / 60 % 60, seconds % 60);
    else
      std::snprintf(text, sizeof text, "%02lld:%02lld", seconds / 60 % 60, seconds % 60);
    return std::string(text);
  };
  const auto whole = [](double seconds) { return std::max(0LL, (long long)std::trunc(std::clamp(seconds, 0.0, 1e15))); };
  return clock(whole(pass_time / 1000)) + " / " + clock(whole(duration * 0.001));
}

}  // namespace orv
