// Slides: how long building a slide of 500 objects takes (its tree, its keys and the
// resolution estimate, as the loader builds it), and whether the loader's memory stays flat
// while it builds and frees the slides of a 1,000-slide show as time advances.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include "image/bitmap_store.h"
#include "show/slide_cache.h"

namespace {

using namespace orv;

std::string Block(std::string_view name_and_class, const std::string& lines) {
  return "object " + std::string(name_and_class) + "\n" + lines + "end\n";
}

// Two key points at whole seconds: moving, turning and growing.
std::string Keys(std::mt19937& random) {
  const int start = int(random() % 5) * 1000;
  const auto key = [&random](int time) {
    return Block("Key:KeyPoint", "Time=" + std::to_string(time) + "\nPosition=" + std::to_string(int(random() % 200) - 100) +
                                     "," + std::to_string(int(random() % 200) - 100) + "\nAngle=" +
                                     std::to_string(random() % 360) + "\nScaleX=" + std::to_string(50 + random() % 100) + "\n");
  };
  return key(start) + key(start + 1000 + int(random() % 5) * 1000);
}

std::string Object(std::string_view kind, int& serial, std::mt19937& random, const std::string& extra = "") {
  const std::string name = "O" + std::to_string(++serial);
  return Block(name + ":" + std::string(kind), "GUID={" + name + "}\nSize=120,80\n" + extra + Keys(random));
}

// A slide of `groups` boxes, each holding a box, an image, a text and a frame.
std::string SlideContent(int groups, std::mt19937& random, const std::string& picture_prefix) {
  std::string content;
  int serial = 0;
  for (int g = 0; g < groups; ++g) {
    const std::string image = picture_prefix.empty() ? "" : "ImageName=" + picture_prefix + std::to_string(g) + "\n";
    const std::string children = Object("Box", serial, random) + Object("Image", serial, random, image) +
                                 Object("Text", serial, random) + Object("Frame", serial, random);
    content += Object("Box", serial, random, children);
  }
  return Block("Container:Root", content);
}

std::string ShowText(int slides, int groups, bool pictures) {
  std::mt19937 random(7);
  std::string text = "[Main]\nopt_scr_width=1920\nopt_scr_height=1080\n";
  std::string times = "[Times]\nopt_slidescount=" + std::to_string(slides) + "\n";
  for (int i = 1; i <= slides; ++i) {
    times += "opt_synchpos" + std::to_string(i) + "=" + std::to_string(i * 5000) + "\n";
    const std::string prefix = pictures ? "slide" + std::to_string(i) + "_" : "";
    text += "[Slide" + std::to_string(i) + "]\n" + SlideContent(groups, random, prefix);
  }
  return text + times;
}

Ref<TOrvSource> MakeSource(int slides, int groups, bool pictures) {
  auto project = MakeRef<TIniFile>();
  project->LoadFromBytes(ShowText(slides, groups, pictures));
  TOrvSourceSettings settings;
  settings.ProgramFile.clear();
  settings.RandomSeed = 3;
  return MakeRef<TOrvSource>(std::move(project), settings);
}

TSlideHostCallbacks HostCallbacks() {
  TSlideHostCallbacks callbacks;
  callbacks.EffectBufferSize = [] { return TIntPair{1920, 1080}; };
  callbacks.CameraPosition = [] { return TPoint3F{960, 540, -1300}; };
  return callbacks;
}

// Every picture of the show is a 256 × 256 picture of its own: 256 KiB while a slide holds it.
Ref<TBitmapStore> MakePicture(void*, const WideString& name) {
  Ref<TBitmap> pixels = TBitmap::Create(256, 256, pf::A8R8G8B8);
  pixels->Fill(0xFF336699u);
  return MakeRef<TWrapperBitmapStore>(name, std::move(pixels));
}

Ref<TSlideProducer> MakeProducer(Ref<TOrvSource> source, Ref<TFileAccessor> accessor) {
  auto producer = MakeRef<TSlideProducer>(std::move(source), MakeRef<TOrvSlideHost>(std::move(accessor), HostCallbacks()));
  producer->SetTiming(MakeRef<TTiming>());
  producer->SetGeometry({1920, 1080}, false);
  return producer;
}

double ResidentMiB() {
  long pages = 0;
  long resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void BuildLargeSlide(benchmark::State& state) {
  const Ref<TSlideProducer> producer = MakeProducer(MakeSource(1, 100, false), DefaultFileAccessor());
  size_t objects = 0;
  for (auto _ : state) {
    Ref<TOrvSlide> slide = producer->BuildSlide(0);
    objects = 0;
    ForEachObject(*slide, [&objects](TOrvObject&) { ++objects; });
    benchmark::DoNotOptimize(slide.Get());
  }
  if (objects != 501) state.SkipWithError("the slide is not built whole");
  state.counters["ms"] = benchmark::Counter(state.iterations() / 1e3, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BuildLargeSlide)->Unit(benchmark::kMillisecond);

void LoaderOverLongShow(benchmark::State& state) {
  constexpr int kSlides = 1000;
  auto accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  const Ref<TCallbackHandle> pictures = accessor->AddPictureProvider({&MakePicture, nullptr});
  const Ref<TSlideProducer> producer = MakeProducer(MakeSource(kSlides, 5, true), accessor);
  const double before = ResidentMiB();
  double at_100 = 0;
  double peak = 0;
  for (auto _ : state) {
    auto cache = MakeRef<TSlideCache>(producer, 3);
    for (double time = 0; time < kSlides * 5000.0; time += 500) {
      while (cache->Update(time)) {
      }
      peak = std::max(peak, ResidentMiB());
      if (at_100 == 0 && time >= 100 * 5000.0) at_100 = ResidentMiB();
    }
  }
  state.counters["MiB_before"] = before;
  state.counters["MiB_after_100_slides"] = at_100;
  state.counters["MiB_after_1000_slides"] = ResidentMiB();
  state.counters["MiB_peak"] = peak;
}
BENCHMARK(LoaderOverLongShow)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
