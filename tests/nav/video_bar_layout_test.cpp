// The video-style bar's geometry: nine-patch cuts and drawing, the layout along the bar,
// thumb positions and times, the fit, and the time text.
#include <gtest/gtest.h>

#include "nav/nine_patch.h"
#include "nav/video_bar_layout.h"

namespace orv {
namespace {

TEST(NinePatch, CapsKeepTheirSizeAndNarrowSpansCutBothAtOneMiddle) {
  struct TCase {
    int Start, End, Before, After;
    std::array<int, 4> Cuts;
  };
  const TCase cases[] = {
      {0, 20, 4, 6, {0, 4, 14, 20}},
      {10, 30, 4, 6, {10, 14, 24, 30}},
      {0, 8, 4, 6, {0, 3, 3, 8}},  // narrower than both caps: one middle line
      {0, 0, 4, 6, {0, 0, 0, 0}},
      {0, 20, 0, 0, {0, 0, 20, 20}},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(NinePatchCuts(c.Start, c.End, c.Before, c.After), c.Cuts) << c.Start << ".." << c.End;
}

TEST(NinePatch, StretchesTheMiddleAndFillsAUniformCentre) {
  // Columns: 2 of red, 2 of grey, 2 of blue; four rows alike.
  Ref<TBitmap> picture = TBitmap::Create(6, 4, pf::A8R8G8B8);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      reinterpret_cast<uint32_t*>(picture->Row(y))[x] = x < 2 ? 0xFFFF0000u : x < 4 ? 0xFF808080u : 0xFF0000FFu;
  const TNinePatch patch(picture, {2, 0, 2, 0});
  ASSERT_TRUE(patch.UniformCentre());
  EXPECT_EQ(*patch.UniformCentre(), 0xFF808080u);
  Ref<TBitmap> target = TBitmap::Create(14, 6, pf::A8R8G8B8);
  patch.Draw(*target, {1, 1, 13, 5});
  const std::string expected_row = ".RRGGGGGGGGBB.";
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 14; ++x) {
      const bool inside = y >= 1 && y < 5;
      const char c = inside ? expected_row[size_t(x)] : '.';
      const uint32_t colour = c == 'R' ? 0xFFFF0000u : c == 'G' ? 0xFF808080u : c == 'B' ? 0xFF0000FFu : 0;
      EXPECT_EQ(target->PixelArgb(x, y), colour) << x << "," << y;
    }
  // Drawn partly off the target: clipped, no fault.
  patch.Draw(*target, {-5, -5, 3, 3});
  patch.Draw(*target, {10, 4, 40, 40});
}

TEST(NinePatch, BlendFollowsTheBarsRule) {
  EXPECT_EQ(BlendOverBar(0x00FFFFFFu, 0xFF102030u), 0xFF102030u);
  EXPECT_EQ(BlendOverBar(0xFFFFFFFFu, 0x80102030u), 0xFFFFFFFFu);
  EXPECT_EQ(BlendOverBar(0x80FF0000u, 0xFF0000FFu), 0xFF7F0080u);  // opaque: d + a (s − d) / 256
  EXPECT_EQ(BlendOverBar(0x80FF0000u, 0x00000000u) >> 24, 0x80u);
}

// A skin of 40 design pixels high: buttons 32 × 32, digits 8 × 16, thumb 12 × 12, tracks
// 4 high, volume 60 long, spaces of 5.
TVideoBarDesign Design() {
  TVideoBarDesign d;
  d.BarSize = {800, 40};
  d.ButtonSize = {32, 32};
  d.DigitSize = {8, 16};
  d.ThumbSize = {12, 12};
  d.TrackHeight = 4;
  d.VolumeLength = 60;
  d.LeftSpace = d.ButtonsTrackSpace = d.TrackDigitsSpace = d.DigitsSoundSpace = d.SoundTrackSpace = d.RightSpace = 5;
  return d;
}

TEST(VideoBarLayout, ElementsFollowEachOtherAcrossTheBar) {
  struct TCase {
    double Scale;
    int Extra;
    bool Hours;
    int TrackStart, TrackEnd, SoundX, VolumeStart;
  };
  // Volume 795 − 60 = 735; digits end 735 − 5 − 32 − 5 = 693; sound at 698.
  const TCase cases[] = {
      {1, 0, false, 5 + 32 + 5, 693 - 96, 698, 735},
      {1, 2, false, 5 + 96 + 5, 693 - 96, 698, 735},
      {1, 0, true, 42, 693 - 144, 698, 735},
      {0.5, 1, false, 5 + 32 + 5, 795 - 30 - 5 - 16 - 5 - 48, 795 - 30 - 5 - 16, 765},
  };
  for (const TCase& c : cases) {
    const TVideoBarLayout l = TVideoBarLayout::Make(Design(), c.Scale, 800, c.Extra, c.Hours);
    EXPECT_EQ(l.TrackStart, c.TrackStart) << c.Scale << " " << c.Extra;
    EXPECT_EQ(l.TrackEnd, c.TrackEnd) << c.Scale << " " << c.Extra;
    EXPECT_EQ(l.SoundX, c.SoundX) << c.Scale << " " << c.Extra;
    EXPECT_EQ(l.VolumeStart, c.VolumeStart) << c.Scale << " " << c.Extra;
    EXPECT_EQ(l.VolumeEnd, 795);
  }
}

TEST(VideoBarLayout, ThumbPositionsAndTimesMapBothWays) {
  const TVideoBarLayout l = TVideoBarLayout::Make(Design(), 1, 800, 0, false);
  const double duration = 60000;
  // Track 42..597: the thumb's centre runs from 48 to 48 + 543.
  struct TCase {
    double Time;
    int X;
  };
  for (const TCase c : {TCase{0, 48}, TCase{30000, 48 + 271}, TCase{60000, 48 + 543}, TCase{-1, 48}})
    EXPECT_EQ(l.ThumbX(c.Time, duration), c.X) << c.Time;
  EXPECT_EQ(l.ThumbX(5000, 0), 48);  // no duration: the thumb stays at the start
  EXPECT_DOUBLE_EQ(l.TimeAt(48 + 543, 100, duration), duration);
  EXPECT_DOUBLE_EQ(l.TimeAt(10, 100, duration), 0);             // clamped to the track
  EXPECT_DOUBLE_EQ(l.TimeAt(1000, 100, duration), duration);
  EXPECT_NEAR(l.TimeAt(l.ThumbX(20000, duration), 100, duration), 20000, duration / 543);
  // A press 3 pixels right of the thumb's centre keeps that grab while dragging.
  EXPECT_DOUBLE_EQ(l.TimeAt(48 + 3, 3, duration), 0);
  EXPECT_EQ(l.VolumeX(0), 735 + 6);
  EXPECT_EQ(l.VolumeX(1), 795 - 6);
  EXPECT_EQ(l.VolumeX(2), 735 + 6);  // out of range: at the start
  EXPECT_DOUBLE_EQ(l.VolumeAt(795, 100), 1);
  EXPECT_DOUBLE_EQ(l.VolumeAt(765, 100), 0.5);
}

TEST(VideoBarLayout, FitHalvesTheScaleUntilTheTrackIsLongEnoughAndGivesUpWhenItCannot) {
  EXPECT_EQ(FitVideoBarScale(Design(), 1, 800), 1.0);
  EXPECT_EQ(FitVideoBarScale(Design(), 2, 800), 2.0);
  EXPECT_EQ(FitVideoBarScale(Design(), 2, 500), 1.0);  // at 2 the track is 35 long: halved once
  EXPECT_FALSE(FitVideoBarScale(Design(), 1, 200));    // does not fit at all
  TVideoBarDesign spaces = Design();
  spaces.LeftSpace = 700;  // unscaled spaces leave no room, however small the rest
  EXPECT_FALSE(FitVideoBarScale(spaces, 0.1, 800));
  EXPECT_FALSE(FitVideoBarScale(TVideoBarDesign{}, 1, 0));  // all zero: no division, no loop
}

TEST(VideoBarLayout, TimeTextShowsHoursOnlyForLongShowsAndFollowsThePass) {
  struct TCase {
    double Position, Duration;
    bool Hours;
    const char* Text;
  };
  const TCase cases[] = {
      {61500, 125000, false, "01:01 / 02:05"},
      {3723000, 7200000, true, "01:02:03 / 02:00:00"},
      {0, 0, false, "00:00 / 00:00"},
      {PassTime(130000, 60000), 60000, false, "00:10 / 01:00"},  // the third pass of a repeating show
  };
  for (const TCase& c : cases) EXPECT_EQ(VideoBarTimeText(c.Position, c.Duration, c.Hours), c.Text);
}

}  // namespace
}  // namespace orv
