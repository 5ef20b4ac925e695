#include "show/slide_loader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "base/exceptions.h"
#include "lines_log.h"

namespace orv {
namespace {

// "object Name:Class", its lines and "end".
std::string Block(std::string_view name_and_class, std::string_view lines) {
  return "object " + std::string(name_and_class) + "\n" + std::string(lines) + "end\n";
}

struct TShowSpec {
  int Slides = 5;
  std::string Repeat = "repeat";
  int SlideMs = 4000;
  int EffectMs = 1000;
  std::string Main;
  int BrokenSlide = -1;  // this slide's object has no GUID
};

// Slides of equal length, each with one box and a "push" of `EffectMs` into it.
TShowSpec Spec(int slides, std::string repeat = "repeat") {
  TShowSpec spec;
  spec.Slides = slides;
  spec.Repeat = std::move(repeat);
  return spec;
}

std::string ShowText(const TShowSpec& spec) {
  std::string text = "[Main]\nopt_repeat=" + spec.Repeat + "\nopt_scr_width=800\nopt_scr_height=600\n" + spec.Main +
                     Block("TheEffect:AnEffect", "time=500\n" + Block("push:push", "checked=1\ndirection=1100\n"));
  std::string times = "[Times]\nopt_slidescount=" + std::to_string(spec.Slides) + "\n";
  for (int i = 1; i <= spec.Slides; ++i) {
    times += "opt_synchpos" + std::to_string(i) + "=" + std::to_string(i * spec.SlideMs) + "\n";
    const std::string guid = i - 1 == spec.BrokenSlide ? "" : "GUID={B" + std::to_string(i) + "}\n";
    text += "[Slide" + std::to_string(i) + "]\n" +
            Block("TheEffect:AnEffect", "ref=push\ntime=" + std::to_string(spec.EffectMs) + "\n") +
            Block("Container:Root", Block("Box" + std::to_string(i) + ":Box", guid + "Size=100,100\n"));
  }
  return text + times;
}

Ref<TOrvSource> Source(const std::string& text) {
  auto project = MakeRef<TIniFile>();
  EXPECT_TRUE(project->LoadFromBytes(text));
  TOrvSourceSettings settings;
  settings.ProgramFile.clear();
  settings.RandomSeed = 1;
  return MakeRef<TOrvSource>(std::move(project), settings);
}

TSlideHostCallbacks HostCallbacks() {
  TSlideHostCallbacks callbacks;
  callbacks.EffectBufferSize = [] { return TIntPair{800, 600}; };
  callbacks.CameraPosition = [] { return TPoint3F{800, 600, -2000}; };
  return callbacks;
}

Ref<TSlideProducer> Producer(const std::string& text) {
  auto producer = MakeRef<TSlideProducer>(Source(text), MakeRef<TOrvSlideHost>(DefaultFileAccessor(), HostCallbacks()));
  producer->SetTiming(MakeRef<TTiming>());
  producer->SetGeometry({1600, 1200}, false);
  return producer;
}

std::vector<int> Indexes(const TSlideCache& cache) {
  std::vector<int> indexes;
  for (const Ref<TDrawContainer>& container : cache.Containers()) indexes.push_back(container->SlideIndex);
  return indexes;
}

// Loading passes at one time until nothing more is built.
void Settle(TSlideCache& cache, double time) {
  for (int pass = 0; pass < 10 && cache.Update(time); ++pass) {
  }
}

TEST(SlideCacheTest, TimeZeroBuildsTheLeadInAndTheFirstSlides) {
  auto cache = MakeRef<TSlideCache>(Producer(ShowText({})), 3);
  std::vector<int> built;
  cache->OnSlideBuilt = [&](TDrawContainer& container) { built.push_back(container.SlideIndex); };
  Settle(*cache, 0);
  EXPECT_EQ(built, (std::vector<int>{-1, 0, 1}));
  const auto containers = cache->Containers();
  ASSERT_EQ(containers.size(), 3u);
  // The lead-in shows the first slide's background and ends where the first transition does.
  const TDrawContainer& lead_in = *containers[0];
  ASSERT_TRUE(lead_in.Slide);
  EXPECT_TRUE(lead_in.Slide->Children().empty());
  EXPECT_EQ(lead_in.Times.VisibleUntil, 1000);
  EXPECT_FALSE(lead_in.Filter);
  const TDrawContainer& first = *containers[1];
  ASSERT_TRUE(first.Slide);
  EXPECT_EQ(first.Slide->Children().size(), 1u);
  ASSERT_TRUE(first.Filter);
  EXPECT_TRUE(first.Filter->Effect());
  EXPECT_EQ(first.Filter->Duration(), 1000);
  // Slides are built for the frame: 800 × 600 designed, 1600 × 1200 on the screen.
  EXPECT_EQ(first.Slide->Scale(), (TSizeF{200, 200}));
  EXPECT_EQ(first.Slide->Centre(), (TPointF{800, 600}));
  EXPECT_EQ(containers[2]->Slide->SlideOffset(), 4000);
}

TEST(SlideCacheTest, KeepsAtMostThreeSlidesForwardBackwardAndAcrossARepeat) {
  const TShowSpec spec;
  auto cache = MakeRef<TSlideCache>(Producer(ShowText(spec)), 3);
  const double total = spec.Slides * spec.SlideMs;
  std::set<int> seen;
  const auto check = [&](double time) {
    Settle(*cache, time);
    const std::vector<int> indexes = Indexes(*cache);
    ASSERT_LE(indexes.size(), 3u) << time;
    ASSERT_TRUE(std::is_sorted(indexes.begin(), indexes.end())) << time;
    const TSlideWindow window = cache->Producer().NeededWindow(time, 3);
    EXPECT_EQ(indexes.front(), window.First) << time;
    EXPECT_EQ(int(indexes.size()), window.Last - window.First + 1) << time;
    seen.insert(indexes.begin(), indexes.end());
  };
  for (double time = 0; time <= 2.5 * total; time += 250) check(time);
  for (double time = 2.5 * total; time >= 0; time -= 750) check(time);
  // Into the second pass: slide 0 again, one show later.
  EXPECT_TRUE(seen.count(spec.Slides));
  Settle(*cache, total - 100);
  const auto containers = cache->Containers();
  const auto next_pass = std::find_if(containers.begin(), containers.end(),
                                      [&](const Ref<TDrawContainer>& c) { return c->SlideIndex == spec.Slides; });
  ASSERT_NE(next_pass, containers.end());
  EXPECT_EQ((*next_pass)->PassOffset, total);
  EXPECT_EQ((*next_pass)->Times.StartTime, total);
  EXPECT_EQ((*next_pass)->Slide->SlideOffset(), 0);
}

TEST(SlideCacheTest, JumpKeepsTheOldSlideUntilTheNewOneIsBuilt) {
  auto cache = MakeRef<TSlideCache>(Producer(ShowText(Spec(20))), 3);
  Settle(*cache, 0);
  Ref<TSlideData> engine = MakeRef<TSlideData>();
  engine->Containers.assign(cache->Containers().begin(), cache->Containers().end());
  std::vector<size_t> sizes;
  cache->OnListChanged = [&] {
    // An evicted container is still alive while the engine takes the new list.
    for (const Ref<TDrawContainer>& held : engine->Containers) EXPECT_GE(held->RefCount(), 2);
    engine = MakeRef<TSlideData>();
    engine->Containers.assign(cache->Containers().begin(), cache->Containers().end());
    sizes.push_back(engine->Containers.size());
  };
  ASSERT_TRUE(cache->Update(50000));
  EXPECT_EQ(sizes, (std::vector<size_t>{2, 1, 2}));
  EXPECT_EQ(Indexes(*cache), (std::vector<int>{1, 12}));
  Settle(*cache, 50000);
  EXPECT_EQ(Indexes(*cache), (std::vector<int>{12, 13, 14}));
}

TEST(SlideCacheTest, ShowThatEndsStopsAtItsLastSlide) {
  auto cache = MakeRef<TSlideCache>(Producer(ShowText(Spec(3, "close"))), 3);
  for (double time = 0; time <= 20000; time += 500) Settle(*cache, time);
  EXPECT_EQ(Indexes(*cache), (std::vector<int>{2}));
  EXPECT_EQ(cache->Containers()[0]->Slide->EffectNext(), 0);
}

TEST(SlideCacheTest, SlideThatCannotBeBuiltKeepsItsPlace) {
  TShowSpec spec;
  spec.BrokenSlide = 1;
  auto cache = MakeRef<TSlideCache>(Producer(ShowText(spec)), 3);
  Settle(*cache, 2000);
  const auto containers = cache->Containers();
  ASSERT_EQ(Indexes(*cache), (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(containers[0]->Slide);
  EXPECT_FALSE(containers[1]->Slide);
  EXPECT_FALSE(containers[1]->Filter);
  EXPECT_TRUE(containers[2]->Slide);
}

TEST(SlideCacheTest, CapacityAndTimingAreRequired) {
  EXPECT_THROW(MakeRef<TSlideCache>(Producer(ShowText({})), 4), EAssertionFailed);
  EXPECT_THROW(MakeRef<TSlideCache>(Producer(ShowText({})), 0), EAssertionFailed);
  auto producer = MakeRef<TSlideProducer>(Source(ShowText({})), MakeRef<TOrvSlideHost>(DefaultFileAccessor(), HostCallbacks()));
  EXPECT_THROW(producer->BuildContainer(0), EAssertionFailed);
}

TEST(SlideProducerTest, DialogsByNameHelpAndCustomNames) {
  const std::string dialogs = "[dialog_1_]\n" + Block("Container:Root", "") + "[dialog_2_]\nhelp=1\nDialogPause=0\n" +
                              Block("Container:Root", "") + "[dialog_info]\n" + Block("Container:Root", "");
  TShowSpec spec;
  spec.Main = "opt_customdialogscount=1000000\ncustom_dialog1=about\n";
  auto producer = Producer(ShowText(spec) + dialogs);
  const struct {
    std::u16string_view name;
    const char* section;
    bool pause;
  } cases[] = {{u"help", "dialog_2_", false}, {u"about", "dialog_1_", true}, {u"info", "dialog_info", true}};
  for (const auto& c : cases) {
    Ref<TOrvDialog> dialog = producer->BuildDialog(c.name);
    ASSERT_TRUE(dialog) << c.section;
    EXPECT_EQ(dialog->Lists().Slide->Name(), c.section);
    EXPECT_EQ(dialog->DialogPause(), c.pause) << c.section;
    EXPECT_EQ(dialog->DialogName(), c.name);
  }
  EXPECT_FALSE(producer->BuildDialog(u"missing"));
  EXPECT_FALSE(Producer(ShowText({}) + "[dialog_1_]\n" + Block("Container:Root", ""))->BuildDialog(u"help"));
}

TEST(SlideProducerTest, TransitionSlidesCoverTheScreenAtTheirOwnSize) {
  auto producer = Producer(ShowText({}));
  auto effect = MakeRef<TIniFile>();
  ASSERT_TRUE(effect->LoadFromBytes("[effect_x]\nopt_scr_width=400\nopt_scr_height=400\nCustomEffTime=1500\n" +
                                    Block("Container:Root", Block("B:Image", "GUID={B}\nReplaceWithEffectBuffer=1\n"))));
  Ref<TOrvSlide> slide = producer->BuildEffectSlide(Ref<TIniSection>::Share(effect->FindSection("effect_x")));
  ASSERT_TRUE(slide);
  EXPECT_TRUE(slide->IsEffectSlide());
  EXPECT_EQ(producer->GetFrameSize(), (TIntPair{1600, 1600}));
  EXPECT_EQ(slide->GetAnchorTime(kOriginSlideEnd), 1500);
  ASSERT_EQ(slide->Children().size(), 1u);
  EXPECT_EQ(slide->Children()[0]->Size(), (TSizeF{800, 600}));  // the transition buffer
}

TEST(SlideProducerTest, ATransitionCutToItsSlidesLengthRunsWithinIt) {
  TShowSpec spec = Spec(3);
  spec.SlideMs = 1000;
  spec.EffectMs = 3000;
  auto producer = Producer(ShowText(spec));
  Ref<TDrawContainer> second = producer->BuildContainer(1);
  ASSERT_TRUE(second->Filter);
  EXPECT_EQ(second->Times.EffectIn, 1000);
  EXPECT_EQ(second->Filter->Duration(), 1000);
}

TEST(SlideProducerTest, CustomTransitionsGetTheirSlideBuiltWithTheirContainer) {
  // "wave" plays its "effect_wave" section; "gone" names a section the project lacks.
  const auto show = [](std::string_view entry) {
    std::string text = ShowText(Spec(2));
    text.insert(text.find("object push:push"), Block(std::string(entry) + ":custom", "checked=1\n"));
    for (std::size_t at = text.find("ref=push"); at != std::string::npos; at = text.find("ref=push"))
      text.replace(at, 8, "ref=" + std::string(entry));
    return text + "[effect_wave]\nCustomEffTime=800\n" +
           Block("Container:Root", Block("A:Image", "GUID={A}\nReplaceWithEffectBuffer=1\n"));
  };
  Ref<TDrawContainer> played = Producer(show("wave"))->BuildContainer(1);
  ASSERT_TRUE(played->Filter);
  ASSERT_TRUE(played->Filter->EffectSlide());
  EXPECT_TRUE(played->Filter->EffectSlide()->IsEffectSlide());
  EXPECT_EQ(played->Filter->EffectSlide()->Children().size(), 1u);

  test::TCapturedLog log;
  Ref<TDrawContainer> missing = Producer(show("gone"))->BuildContainer(1);
  ASSERT_TRUE(missing->Filter);
  EXPECT_FALSE(missing->Filter->EffectSlide());
  EXPECT_EQ(log.Count("Custom transition without its section: drawn as a cross-fade"), 1);
}

class TParams : public TSlideShowParams {
public:
  using TSlideShowParams::TSlideShowParams;

protected:
  void Step() override {}
};

TEST(SlideShowParamsTest, WindowSettingsFollowTheProject) {
  const struct {
    const char* main;
    TIntPair screen;
    int mode;
    std::u16string_view caption;
  } cases[] = {
      {"", {1920, 1080}, 0, u"OrvShow"},
      {"opt_scr_full=0\nopt_withoutborder=0\nopt_scr_caption=Mine\nprojectname=Trip\n", {640, 480}, 1, u"Mine"},
      {"opt_scr_full=3\nopt_scr_width=1000\nopt_scr_height=700\nprojectname=Trip\n", {1000, 700}, 2, u"Trip"},
      {"opt_scr_full=2\nopt_withoutborder=0\n", {1920, 1080}, 2, u"OrvShow"},
  };
  for (const auto& c : cases) {
    TIniFile project;
    ASSERT_TRUE(project.LoadFromBytes("[Main]\n" + std::string(c.main)));
    TParams params("params", TShowOptions::Read(project), {1920, 1080});
    EXPECT_EQ(params.ScreenSize, c.screen) << c.main;
    EXPECT_EQ(params.WindowMode(), c.mode) << c.main;
    EXPECT_EQ(params.Caption, c.caption) << c.main;
  }
}

TEST(SlideLoaderTest, ThreadHandsTheEngineEachNewList) {
  TThreadEventList engine;
  TSlideLoaderSettings settings;
  settings.Screen = {1600, 1200};
  settings.HostCallbacks = HostCallbacks();
  settings.Destination = &engine;
  int built = 0;
  settings.OnSlideBuilt = [&built](TDrawContainer&) { ++built; };
  TShowSpec spec;
  spec.Main = "PathToButtons=C:\\show\\buttons\\\n";
  TOrvSlideLoader loader(Source(ShowText(spec)), DefaultFileAccessor(), settings);
  EXPECT_EQ(loader.GetFrameRect(), (TRect{0, 0, 1600, 1200}));
  EXPECT_EQ(loader.Producer().Host().ButtonFolder(), u"C:\\show\\buttons\\");
  Ref<TSlideData> list;
  const auto receive_until = [&](const std::vector<int>& wanted) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<int> indexes;
    while (indexes != wanted && std::chrono::steady_clock::now() < deadline) {
      engine.WaitForEvents(std::chrono::milliseconds(20));
      engine.Process([&](const TThreadEvent& event) {
        EXPECT_EQ(event.code, 101);
        list = Ref<TSlideData>::Share(dynamic_cast<TSlideData*>(event.data.Get()));
      });
      indexes.clear();
      if (list)
        for (const Ref<TDrawContainer>& c : list->Containers) indexes.push_back(c->SlideIndex);
    }
    EXPECT_EQ(indexes, wanted);
  };
  loader.Start();
  receive_until({-1, 0, 1});
  loader.Timing().SetCurrent(9500);
  receive_until({2, 3, 4});
  EXPECT_EQ(built, 6);
  // The loader may be sending while it is asked to end: the engine keeps answering.
  loader.Terminate();
  while (loader.Running()) {
    engine.Process([](const TThreadEvent&) {});
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(loader.Stop());
}

}  // namespace
}  // namespace orv
