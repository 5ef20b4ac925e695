#include "project/show_options.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TShowOptions ReadOptions(std::string_view text) {
  auto project = MakeRef<TIniFile>();
  EXPECT_TRUE(project->LoadFromBytes(text));
  return TShowOptions::Read(*project);
}

TEST(ShowOptions, EmptyProjectGivesTheDocumentedDefaults) {
  const TShowOptions options = ReadOptions("");
  EXPECT_EQ(options.ScreenFull, 1);
  EXPECT_EQ(options.WindowSize, (TIntPair{640, 480}));
  EXPECT_EQ(options.FrameSize, (TIntPair{1920, 1080}));
  EXPECT_EQ(options.ProducerProjectSize, (TIntPair{0, 0}));
  EXPECT_EQ(options.MainWindowCaption, u"OrvViewer v5.6");
  EXPECT_EQ(options.LoaderCaption, u"OrvShow");
  EXPECT_FALSE(options.ScreenRatio.has_value());
  EXPECT_EQ(options.MinorVersion, 13);
  EXPECT_EQ(options.Repeat, TRepeatMode::Repeat);
  EXPECT_TRUE(options.PauseWhenInactive);
  EXPECT_TRUE(options.PermitControl);
  EXPECT_TRUE(options.RunAppOnExitIfLastSlide);
  EXPECT_EQ(options.PanelPosition, TPanelPosition::Center);
  EXPECT_EQ(options.NavViewScale, 10);
  EXPECT_EQ(options.NavHideFadeOut, 1000);
  EXPECT_EQ(options.NavFadeIn, 500);
  EXPECT_TRUE(options.NavWindowArea);
  EXPECT_TRUE(options.NavVideoExit);
  EXPECT_EQ(options.LogoOpacity, 100);
  EXPECT_EQ(options.LogoSize, 10);
  EXPECT_EQ(options.BackgroundSize, 100);
  EXPECT_EQ(options.PrintChangePrinter, u"Change Printer");
  EXPECT_EQ(options.PrintOnlyMainImage, u"Only Main Image");
  EXPECT_EQ(options.SlideCount, 0);
  EXPECT_EQ(options.SlideEndTime(1), 0);
}

TEST(ShowOptions, OneKeyReadWithDifferentDefaultsGivesEachReading) {
  const TShowOptions sized = ReadOptions("[Main]\nopt_scr_width=800\nopt_scr_height=600\nopt_scr_caption=Mine\n");
  for (const TIntPair& size : {sized.WindowSize, sized.FrameSize, sized.ProducerProjectSize})
    EXPECT_EQ(size, (TIntPair{800, 600}));
  EXPECT_EQ(sized.MainWindowCaption, u"Mine");
  EXPECT_EQ(sized.LoaderCaption, u"Mine");

  const TShowOptions named = ReadOptions("[Main]\nprojectname=Holiday\nopt_scr_width=800\n");
  EXPECT_EQ(named.LoaderCaption, u"Holiday");
  EXPECT_EQ(named.MainWindowCaption, u"OrvViewer v5.6");
  EXPECT_EQ(named.WindowSize, (TIntPair{800, 480}));
  EXPECT_EQ(named.FrameSize, (TIntPair{800, 1080}));
}

TEST(ShowOptions, SectionNameAndChoicesIgnoreCase) {
  const TShowOptions options = ReadOptions("[main]\nopt_repeat=CLOSE\nopt_cp=left-top\nOPT_SCR_FULL=2\n");
  EXPECT_EQ(options.Repeat, TRepeatMode::Close);
  EXPECT_EQ(options.PanelPosition, TPanelPosition::LeftTop);
  EXPECT_EQ(options.ScreenFull, 2);
  EXPECT_EQ(ReadOptions("[Main]\nopt_repeat=clsoe\nopt_cp=Middle\n").Repeat, TRepeatMode::Repeat);
  EXPECT_EQ(ReadOptions("[Main]\nopt_repeat=stop\n").Repeat, TRepeatMode::Stop);
}

TEST(ShowOptions, UnreadableValuesTakeTheirDefaults) {
  const TShowOptions options = ReadOptions(
      "\xEF\xBB\xBF[Main]\nopt_hidecursor=1.0\nopt_pausewheninactive=yes\nopt_nav_viewscale=12,5\n"
      "opt_scr_caption=bad\xC3(\nopt_scr_ratio=x\n");
  EXPECT_EQ(options.HideCursor, 0);
  EXPECT_TRUE(options.PauseWhenInactive);
  EXPECT_EQ(options.NavViewScale, 10);
  EXPECT_EQ(options.MainWindowCaption, u"OrvViewer v5.6");
  EXPECT_FALSE(options.ScreenRatio.has_value());
  EXPECT_EQ(ReadOptions("[Main]\nopt_scr_ratio=1.5\n").ScreenRatio, 1.5);
}

TEST(ShowOptions, LogoNeedsAFileName) {
  EXPECT_FALSE(ReadOptions("[Main]\nopt_logo=1\n").HasLogo());
  EXPECT_TRUE(ReadOptions("[Main]\nopt_logo=1\nopt_logo_fn=logo.png\n").HasLogo());
  EXPECT_FALSE(ReadOptions("[Main]\nopt_logo=0\nopt_logo_fn=logo.png\n").HasLogo());
}

TEST(ShowOptions, NavButtonsFollowTheirNumbersUpToTheCount) {
  const TShowOptions options = ReadOptions(
      "[Main]\nopt_newnavbuttons_count=4\nopt_newnavbutton3=exit\nopt_newnavbutton1=home\n"
      "opt_newnavbutton2=\nOPT_NEWNAVBUTTON1=pause\nopt_newnavbutton5=help\nopt_newnavbutton04=print\n");
  EXPECT_EQ(options.NavButtons, (std::vector<WideString>{u"pause", u"exit"}));
  EXPECT_TRUE(ReadOptions("[Main]\nopt_newnavbuttons_count=2147483647\n").NavButtons.empty());
}

TEST(ShowOptions, TimesGiveSlideCountAndEndTimes) {
  const TShowOptions options = ReadOptions("[Times]\nopt_slidescount=2\nopt_synchpos1=5000\nopt_synchpos2=9000\n");
  EXPECT_EQ(options.SlideCount, 2);
  EXPECT_EQ(options.SlideEndTime(1), 5000);
  EXPECT_EQ(options.SlideEndTime(2), 9000);
  EXPECT_EQ(options.SlideEndTime(3), 0);
}

TEST(ShowOptions, ScreenSaverOverridesAreSeenByReaders) {
  auto project = MakeRef<TIniFile>();
  ASSERT_TRUE(project->LoadFromBytes(
      "[main]\nopt_ssaver=1\nopt_fcp=1\nopt_hidecursor=0\nopt_scr_full=0\nopt_repeat=stop\n"));
  ApplyScreenSaverOverrides(*project, true);
  TShowOptions options = TShowOptions::Read(*project);
  EXPECT_TRUE(options.ScreenSaver);
  EXPECT_FALSE(options.ShowPanel);
  EXPECT_EQ(options.HideCursor, 1);
  EXPECT_EQ(options.ScreenFull, 1);
  EXPECT_EQ(options.Repeat, TRepeatMode::Repeat);
  EXPECT_EQ(project->SectionCount(), 1u);

  ApplyScreenSaverOverrides(*project, false);
  options = TShowOptions::Read(*project);
  EXPECT_FALSE(options.ScreenSaver);
  EXPECT_EQ(options.HideCursor, 1);

  auto empty = MakeRef<TIniFile>();
  ApplyScreenSaverOverrides(*empty, false);
  EXPECT_EQ(empty->SaveToString(), "[Main]\r\nopt_ssaver=0\r\n");
}

}  // namespace
}  // namespace orv
