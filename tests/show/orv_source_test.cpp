#include "show/orv_source.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace orv {
namespace {

Ref<TIniFile> Project(std::string_view text) {
  auto project = MakeRef<TIniFile>();
  EXPECT_TRUE(project->LoadFromBytes(text));
  return project;
}

Ref<TOrvSource> Source(std::string_view text, std::string program = "/opt/orv/orvviewer", uint64_t seed = 1) {
  TOrvSourceSettings settings;
  settings.ProgramFile = std::move(program);
  settings.RandomSeed = seed;
  return MakeRef<TOrvSource>(Project(text), settings);
}

TSlideTimes Times(const TOrvSource& source, int index) {
  TSlideTimes times;
  source.GetSlideTimes(index, times);
  return times;
}

// Three slides: "push" lasting 2000 (longer than slide 2), a "quick" one, and "default".
std::string Show(std::string_view repeat, std::string_view extra_main = "") {
  return "[Main]\nopt_repeat=" + std::string(repeat) + "\n" + std::string(extra_main) + R"(
object TheEffect:AnEffect
  time=1500
  object push:push
    checked=1
    direction=1100
  end
end
[Times]
opt_slidescount=3
opt_synchpos1=3000
opt_synchpos2=4000
opt_synchpos3=9000
[Slide1]
object TheEffect:AnEffect
  ref=push
  time=2000
end
[Slide2]
object TheEffect:AnEffect
  ref=push
  time=2000
end
[slide3]
object TheEffect:AnEffect
  ref=quick
end
)";
}

TEST(OrvSource, TimeTableClipsTheIncomingTransitionOnly) {
  auto source = Source(Show("repeat"));
  ASSERT_EQ(source->SlideCount(), 3);
  EXPECT_EQ(source->TotalDuration(), 9000);
  EXPECT_EQ(source->DefaultEffectTime(), 1500);
  const TSlideTimes expected[] = {
      {0, 3000, 2000, 2000, 5000},
      {3000, 4000, 1000, 0, 4000},  // 2000 ms do not fit into a slide of 1000 ms
      {4000, 9000, 0, 2000, 11000}, // repeating: flows into slide 1's transition
  };
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const TSlideTimes times = Times(*source, i);
    EXPECT_EQ(times.StartTime, expected[i].StartTime);
    EXPECT_EQ(times.EndTime, expected[i].EndTime);
    EXPECT_EQ(times.EffectIn, expected[i].EffectIn);
    EXPECT_EQ(times.EffectNext, expected[i].EffectNext);
    EXPECT_EQ(times.VisibleUntil, expected[i].VisibleUntil);
  }
  const TSlideTimes lead_in = Times(*source, -1);
  EXPECT_EQ(lead_in.EffectNext, 2000);
  EXPECT_EQ(lead_in.VisibleUntil, 2000);
  const TSlideTimes second_pass = Times(*source, 3);
  EXPECT_EQ(second_pass.StartTime, 9000);
  EXPECT_EQ(second_pass.VisibleUntil, 14000);
  EXPECT_EQ(source->FindSlideAt(9000.5), 3);
}

TEST(OrvSource, AShowThatEndsDoesNotFlowIntoItsFirstSlide) {
  for (const char* repeat : {"close", "STOP"}) {
    auto source = Source(Show(repeat));
    EXPECT_EQ(Times(*source, 2).EffectNext, 0) << repeat;
    EXPECT_NE(source->RepeatMode(), TRepeatMode::Repeat) << repeat;
  }
  EXPECT_EQ(Source(Show("clos"))->RepeatMode(), TRepeatMode::Repeat);
}

TEST(OrvSource, BadTimesAndCountsGiveDefinedTables) {
  auto source = Source(R"([Times]
opt_slidescount=4
opt_synchpos1=-500
opt_synchpos2=4000
opt_synchpos3=2500
opt_synchpos4=x
)");
  ASSERT_EQ(source->SlideCount(), 4);
  const double ends[] = {0, 4000, 4000, 4000};  // nothing ends before it starts
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Times(*source, i).EndTime, ends[i]) << i;
  EXPECT_EQ(source->FindSlideAt(2000), 1);

  EXPECT_EQ(Source("[Times]\nopt_slidescount=-3\n")->SlideCount(), 0);
  EXPECT_EQ(Source("[Times]\nopt_slidescount=2000000000\n")->SlideCount(), TOrvSource::kMaxSlideCount);
  EXPECT_EQ(Source("")->SlideCount(), 0);
}

TEST(OrvSource, AShowWithoutSlidesAnswersEveryQuestion) {
  auto source = Source("[Main]\n");
  double duration = 1, smoothness = 1, loop = 1;
  WideString file = u"x";
  EXPECT_FALSE(source->CreateSlideEffect(0, duration, smoothness));
  EXPECT_EQ(duration, 0);
  EXPECT_FALSE(source->GetEndAction(5, loop));
  EXPECT_EQ(loop, 0);
  EXPECT_FALSE(source->GetRunApp(5, file));
  EXPECT_EQ(source->FindSlideAt(10), -1);
  EXPECT_EQ(Times(*source, 3).EndTime, 0);
  EXPECT_EQ(source->SlideId(0), u"");
}

TEST(OrvSource, SlideTransitionsByReferenceName) {
  auto source = Source(R"([Main]
object TheEffect:AnEffect
  time=1500
  object push:push
    checked=1
    direction=1111
    smoothline=0.05
  end
  object mosaic:mosaic
    checked=1
    cols=3
  end
end
[Times]
opt_slidescount=6
[Slide1]
object TheEffect:AnEffect
  ref=QUICK
  time=500
end
[Slide2]
object TheEffect:AnEffect
  ref=push
  time=800
  direction=0010
end
[Slide3]
object TheEffect:AnEffect
  ref=push
end
[Slide4]
object TheEffect:AnEffect
  ref=mosaic
  time=300
end
[Slide5]
object TheEffect:AnEffect
  ref=missing
  time=250
end
[Slide6]
object TheEffect:AnEffect
  ref=push
  time=-300
end
)");
  double duration = 0, smoothness = 0;
  EXPECT_FALSE(source->CreateSlideEffect(0, duration, smoothness));
  EXPECT_EQ(duration, 0);

  Ref<TOrvEffect> push = source->CreateSlideEffect(1, duration, smoothness);
  ASSERT_TRUE(push);
  EXPECT_EQ(push->Kind, TEffectKind::Push);
  EXPECT_EQ(push->Flags, (std::vector<bool>{false, false, true, false}));
  EXPECT_EQ(duration, 800);
  EXPECT_DOUBLE_EQ(smoothness, 0.05);  // an explicitly named entry hands on its raw value
  EXPECT_DOUBLE_EQ(push->Softness, 0.001);

  EXPECT_FALSE(source->CreateSlideEffect(2, duration, smoothness));  // no time of its own
  EXPECT_FALSE(source->CreateSlideEffect(5, duration, smoothness));  // negative time
  EXPECT_EQ(duration, 0);

  Ref<TOrvEffect> mosaic = source->CreateSlideEffect(3, duration, smoothness);
  ASSERT_TRUE(mosaic);
  ASSERT_EQ(mosaic->Ints.size(), 4u);
  EXPECT_EQ(mosaic->Ints[effect_param::kCols], 3);
  EXPECT_GE(mosaic->Ints[effect_param::kTileSeed], 0);
  EXPECT_LT(mosaic->Ints[effect_param::kTileSeed], 4096 * 4096);
  // The catalogue's own effect keeps three parameters; each slide gets its own seed.
  Ref<TOrvEffect> again = source->CreateSlideEffect(3 + 6, duration, smoothness);
  EXPECT_EQ(again->Ints.size(), 4u);

  Ref<TOrvEffect> missing = source->CreateSlideEffect(4, duration, smoothness);
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->Kind, TEffectKind::Custom);
  EXPECT_FALSE(missing->Section);  // plays as a cross-fade
  EXPECT_EQ(duration, 250);

  EXPECT_FALSE(source->CreateSlideEffect(-1, duration, smoothness));
}

constexpr std::string_view kRandomShow = R"([Main]
object TheEffect:AnEffect
  time=1200
  object push:push
    checked=1
    direction=1100
  end
  object gates:gates
    checked=1
    direction=10000001
    smoothline=0.5
  end
  object shapes:shapes
    checked=1
    action=10
    direction=110
  end
  object off:dissolve
    checked=0
  end
end
[Times]
opt_slidescount=40
[Slide1]
object TheEffect:AnEffect
  ref=defowntime
  time=700
end
)";

TEST(OrvSource, DefaultSlidesPickFromThePool) {
  auto source = Source(kRandomShow);
  EXPECT_EQ(source->Pool().Count(), 3);
  double duration = 0, smoothness = 0;
  Ref<TOrvEffect> own_time = source->CreateSlideEffect(0, duration, smoothness);
  ASSERT_TRUE(own_time);
  EXPECT_EQ(duration, 700);
  EXPECT_DOUBLE_EQ(smoothness, own_time->Softness);

  // Every run through the pool visits each entry once, with exactly one variant; the first
  // run began with the slide above.
  std::multiset<TEffectKind> kinds{own_time->Kind};
  for (int pick = 1; pick < 12; ++pick) {
    Ref<TOrvEffect> picked = source->CreateSlideEffect(1, duration, smoothness);
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->CountVariants(), 1);
    EXPECT_EQ(duration, 1200);
    kinds.insert(picked->Kind);
    if (pick % 3 != 2) continue;
    EXPECT_EQ(kinds, (std::multiset<TEffectKind>{TEffectKind::Shapes, TEffectKind::Gates, TEffectKind::Push}));
    kinds.clear();
  }
}

TEST(OrvSource, ConsecutivePicksOfATwoVariantTransitionDiffer) {
  auto source = Source("[Main]\nobject TheEffect:AnEffect\ntime=1000\nobject push:push\nchecked=1\ndirection=1100\n"
                       "end\nend\n[Times]\nopt_slidescount=2\n");
  double duration = 0, smoothness = 0;
  std::vector<std::vector<bool>> flags;
  for (int i = 0; i < 6; ++i) {
    Ref<TOrvEffect> picked = source->CreateSlideEffect(i, duration, smoothness);
    ASSERT_TRUE(picked);
    flags.push_back(picked->Flags);
  }
  for (int i = 1; i < 6; ++i) EXPECT_NE(flags[i], flags[i - 1]) << i;
}

TEST(OrvSource, SeededSourcesPickAlike) {
  auto a = Source(kRandomShow, "", 77);
  auto b = Source(kRandomShow, "", 77);
  double duration = 0, smoothness = 0;
  for (int i = 1; i < 30; ++i) {
    Ref<TOrvEffect> x = a->CreateSlideEffect(i, duration, smoothness);
    Ref<TOrvEffect> y = b->CreateSlideEffect(i, duration, smoothness);
    ASSERT_EQ(x->Kind, y->Kind);
    ASSERT_EQ(x->Flags, y->Flags);
  }
}

TEST(OrvSource, AnEmptyPoolMeansNoTransition) {
  auto source = Source("[Times]\nopt_slidescount=1\n[Slide1]\n");
  double duration = 0, smoothness = 0;
  EXPECT_EQ(source->Pool().Count(), 0);
  EXPECT_FALSE(source->CreateSlideEffect(0, duration, smoothness));
  EXPECT_EQ(duration, 0);
  EXPECT_EQ(smoothness, 0);
}

TEST(OrvSource, EndActions) {
  struct Case {
    const char* value;  // null: no key
    bool manual;
    TOrvSource::TEndAction expected;
  } cases[] = {
      {"pause", false, TOrvSource::TEndAction::Pause}, {"PAUSE", false, TOrvSource::TEndAction::Pause},
      {"Loop", false, TOrvSource::TEndAction::Loop},   {"", false, TOrvSource::TEndAction::None},
      {"", true, TOrvSource::TEndAction::Pause},       {nullptr, true, TOrvSource::TEndAction::None},
      {"stop", true, TOrvSource::TEndAction::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.value ? c.value : "(none)") + (c.manual ? " manual" : ""));
    std::string text = std::string("[Main]\nopt_manualshow=") + (c.manual ? "1" : "0") +
                       "\n[Times]\nopt_slidescount=2\nopt_synchpos1=1000\nopt_synchpos2=5000\n[Slide2]\n";
    if (c.value) text += "Pers_EndAction=" + std::string(c.value) + "\n";
    auto source = Source(text);
    EXPECT_EQ(source->EndActionOf(1), c.expected);
    EXPECT_EQ(source->EndActionOf(3), c.expected);  // the same slide in the next pass
    double loop = -1;
    EXPECT_EQ(source->GetEndAction(1, loop), c.expected != TOrvSource::TEndAction::None);
    EXPECT_EQ(loop, c.expected == TOrvSource::TEndAction::Loop ? 4000 : 0);
    EXPECT_FALSE(source->GetEndAction(0, loop));
  }
}

TEST(OrvSource, LoopLengthLeavesOutTheIncomingTransition) {
  auto source = Source(Show("repeat") + "Pers_EndAction=loop\n[Slide1]\nPers_EndAction=loop\n");
  double loop = 0;
  ASSERT_TRUE(source->GetEndAction(0, loop));
  EXPECT_EQ(loop, 1000);  // 3000 ms, 2000 of them the transition
  ASSERT_TRUE(source->GetEndAction(2, loop));
  EXPECT_EQ(loop, 5000);
}

TEST(OrvSource, RunApp) {
  const std::pair<const char*, const char*> cases[] = {
      {"Pers_RunApp=1\nRunAppFN=C:\\tools\\app.exe\n", "C:\\tools\\app.exe"},
      {"Pers_RunApp=1\nRunAppFN=\n", ""},
      {"Pers_RunApp=0\nRunAppFN=app.exe\n", ""},
      {"RunAppFN=app.exe\n", ""},
      {"Pers_RunApp=1\nRunAppFN=\xFF\xFE\n", ""},  // not UTF-8: names nothing
  };
  for (const auto& [keys, expected] : cases) {
    SCOPED_TRACE(keys);
    // UTF-8 text (with its mark) can hold malformed bytes.
    auto source = Source(std::string("\xEF\xBB\xBF[Times]\nopt_slidescount=1\n[Slide1]\n") + keys);
    WideString file;
    EXPECT_EQ(source->GetRunApp(0, file), *expected != 0);
    EXPECT_EQ(file, AsciiToWide(expected));
  }
}

TEST(OrvSource, SlideIdentifiers) {
  auto source = Source(R"([Times]
opt_slidescount=5
[Slide1]
slideid=intro
Picture=C:\pics\ignored.jpg
[Slide2]
Picture=C:\pics\sunset.beach.jpg
[Slide3]
Picture=C:\pics\folder\
[Slide4]
picture=plain
)");
  const char16_t* ids[] = {u"intro", u"sunset.beach", u"folder", u"plain", u""};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(source->SlideId(i), ids[i]) << i;
  EXPECT_EQ(source->SlideId(6), u"sunset.beach");
  EXPECT_EQ(source->SlideId(-1), u"");
}

TEST(OrvSource, ScreenSaverOverridesTheProject) {
  const std::string text =
      "[Main]\nopt_repeat=close\nopt_fcp=1\nopt_hidecursor=0\nopt_scr_full=0\nopt_ssaver=1\n[Times]\n"
      "opt_slidescount=1\nopt_synchpos1=100\n";
  auto saver = Source(text, "/usr/bin/Show.SCR");
  EXPECT_TRUE(saver->ScreenSaver());
  EXPECT_EQ(saver->RepeatMode(), TRepeatMode::Repeat);
  const std::map<std::string, std::string> written = {
      {"opt_ssaver", "1"}, {"opt_fcp", "0"}, {"opt_hidecursor", "1"}, {"opt_scr_full", "1"}, {"opt_repeat", "repeat"}};
  for (const auto& [key, value] : written) EXPECT_EQ(ReadUtf8(saver->Project().FindKey("Main", key)), value) << key;

  auto player = Source(text, "/usr/bin/show.scr.exe");
  EXPECT_FALSE(player->ScreenSaver());
  EXPECT_EQ(player->RepeatMode(), TRepeatMode::Close);
  EXPECT_EQ(ReadUtf8(player->Project().FindKey("Main", "opt_ssaver")), "0");
  EXPECT_EQ(ReadUtf8(player->Project().FindKey("Main", "opt_fcp")), "1");
}

TEST(OrvSource, DisplayOptions) {
  auto defaults = Source("");
  EXPECT_TRUE(defaults->PauseWhenInactive());
  EXPECT_EQ(defaults->BorderColor(), (TIniColor{0, 0, 0, 255}));
  EXPECT_EQ(defaults->UnsharpAmount(), 0);
  EXPECT_EQ(defaults->DefaultEffectTime(), 2000);

  auto set = Source("[Main]\nopt_pausewheninactive=0\nopt_scr_hidercolor=255\nopt_scr_unsharpamount=0.75\n"
                    "opt_scr_width=800\nopt_scr_height=600\n");
  EXPECT_FALSE(set->PauseWhenInactive());
  EXPECT_EQ(set->BorderColor(), (TIniColor{255, 0, 0, 255}));  // red is the low byte
  EXPECT_EQ(set->UnsharpAmount(), 0.75);
  EXPECT_EQ(set->EffectManager().FrameWidth(), 800);
  EXPECT_EQ(set->EffectManager().FrameHeight(), 600);
}

}  // namespace
}  // namespace orv
