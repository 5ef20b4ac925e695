// Where the elements of the video-style navigation bar lie along its width, and how the
// thumbs of its time and volume tracks map to show times and volumes. Sizes come from the
// skin in design pixels and are scaled; the spaces between elements are screen pixels.
#pragma once

#include <optional>
#include <string>

#include "project/ini_values.h"

namespace orv {

struct TVideoBarDesign {
  TIntPair BarSize;    // its height is the reference of the scale
  TIntPair ButtonSize;
  TIntPair DigitSize;
  TIntPair ThumbSize;  // the thumb picture's own size
  int TrackHeight = 0;
  int VolumeLength = 0;
  int LeftSpace = 0;
  int ButtonsTrackSpace = 0;
  int TrackDigitsSpace = 0;
  int DigitsSoundSpace = 0;
  int SoundTrackSpace = 0;
  int RightSpace = 0;
};

struct TVideoBarLayout {
  // Scaled sizes.
  int Height = 0;
  int ButtonWidth = 0, ButtonHeight = 0;
  int DigitWidth = 0, DigitHeight = 0;
  int ThumbWidth = 0, ThumbHeight = 0;
  int TrackHeight = 0;
  int VolumeLength = 0;
  // Positions along x.
  int LeftSpace = 0;
  int TrackStart = 0, TrackEnd = 0;
  int DigitsStart = 0, DigitsEnd = 0;  // the digits are centred between them
  int SoundX = 0;
  int VolumeStart = 0, VolumeEnd = 0;

  // `extra_buttons` follow the play/pause button; with `show_hours` the digits take 18
  // digit widths instead of 12.
  static TVideoBarLayout Make(const TVideoBarDesign& design, double scale, int bar_width, int extra_buttons,
                              bool show_hours);

  // The thumb's centre for a time within a pass of `duration` ms.
  int ThumbX(double pass_time, double duration) const;
  // The time at pointer x during a drag that grabbed the thumb `grab` pixels off its centre
  // (a grab beyond the thumb puts its centre under the pointer).
  double TimeAt(int x, int grab, double duration) const;
  int VolumeX(double volume) const;
  double VolumeAt(int x, int grab) const;
};

// The scale the bar is drawn at: `scale`, halved while the time track would be 100 pixels
// or shorter; nothing when the bar cannot fit `bar_width` at all.
std::optional<double> FitVideoBarScale(const TVideoBarDesign& design, double scale, int bar_width);

// The time within the current pass of a repeating show.
double PassTime(double position, double duration);

// "mm:ss / MM:SS", or "hh:mm:ss / HH:MM:SS" with `show_hours` (hours modulo 100).
std::string VideoBarTimeText(double pass_time, double duration, bool show_hours);

}  // namespace orv
