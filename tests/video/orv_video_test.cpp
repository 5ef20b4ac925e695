#include "video/orv_video.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "coded_clips.h"
#include "package/file_source.h"
#include "slide/orv_slide.h"
#include "slide_fixture.h"
#include "video/media_library.h"

namespace orv {
namespace {

using test::Block;

std::string Object(const std::string& name_and_class, const std::string& lines) {
  return Block(name_and_class, "GUID={" + name_and_class.substr(0, name_and_class.find(':')) + "}\n" + lines);
}

std::string Video(const std::string& name, const std::string& lines) { return Object(name + ":Video", lines); }

// Slides of videos built from project text, on a host that reads the clip folder.
class VideoObjects : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    FClips = new TClipFolder("video_objects");
    FClips->MakeCoded("clip.mp4", "64x48", "25", 100, "-c:v libx264 -preset veryfast -g 10");
    std::ofstream(FClips->PathOf("noise.mp4")) << std::string(3000, 'x');
    RegisterVideoObjects();
    ASSERT_TRUE(LoadSharedMediaLibrary(ORV_MEDIA_LIBRARY_PATH));
  }
  static void TearDownTestSuite() {
    delete FClips;
    FClips = nullptr;
  }

  // The project: slides of 2 s each holding these objects, and the clip records.
  void LoadProject(const std::vector<std::string>& slides, const std::string& tracks = "") {
    std::string text = "[Main]\n";
    std::string times = "[Times]\nopt_slidescount=" + std::to_string(slides.size()) + "\n";
    for (size_t i = 0; i < slides.size(); ++i) {
      text += "[Slide" + std::to_string(i + 1) + "]\n" + Block("Container:Root", slides[i]);
      times += "opt_synchpos" + std::to_string(i + 1) + "=" + std::to_string(2000 * (i + 1)) + "\n";
    }
    ASSERT_TRUE(Project->LoadFromBytes(text + times + "[Tracks]\n" + tracks));
  }

  // Slide `index` (from 0) built and placed at show time `show_ms`.
  Ref<TOrvSlide> BuildSlide(int index, double show_ms) {
    Ref<TOrvSlide> slide = MakeRef<TOrvSlide>(Host);
    const auto section = [this](const std::string& name) { return Ref<TIniSection>::Share(Project->FindSection(name)); };
    const TSlideLists lists{section("Main"), section("Slide" + std::to_string(index + 1)), section("Times"),
                            section("Tracks")};
    const TSlidePlace place = SlidePlaceInTimes(lists.Times.Get(), index);
    EXPECT_TRUE(slide->LoadSlide(lists, place, false));
    slide->UpdateAt(true, show_ms);
    return slide;
  }

  static TOrvVideo& Find(TOrvSlide& slide, std::u16string_view name) {
    TOrvVideo* found = nullptr;
    ForEachObject(slide, [&](TOrvObject& object) {
      if (object.Name() == name) found = dynamic_cast<TOrvVideo*>(&object);
    });
    EXPECT_NE(found, nullptr) << "no video object " << Utf16ToUtf8(name);
    return *found;
  }

  static TSlideHostCallbacks Callbacks() {
    TSlideHostCallbacks callbacks;
    callbacks.EffectBufferSize = [] { return TIntPair{320, 240}; };
    callbacks.CameraPosition = [] { return TPoint3F{400, 300, -1000}; };
    return callbacks;
  }

  Ref<TIniFile> Project = MakeRef<TIniFile>();
  Ref<TOrvSlideHost> Host = MakeRef<TOrvSlideHost>(
      MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), Utf8ToUtf16(FClips->PathOf(""))), Callbacks());
  static inline TClipFolder* FClips = nullptr;
};

TEST_F(VideoObjects, ObjectsOnOneClipOfOneSlideShareOneDecoder) {
  const std::string clip = "ClipGUID={CLIP}\nFileName=ignored.mp4\n";
  const std::string slide = Video("A", clip) + Video("B", clip) + Video("C", "FileName=clip.mp4\n");
  LoadProject({slide, slide}, Object("Record:VideoClip", "ClipGUID={clip}\nFileName=clip.mp4\n"));
  Ref<TOrvSlide> first = BuildSlide(0, 0);
  TOrvVideo& a = Find(*first, u"A");
  TOrvVideo& b = Find(*first, u"B");
  TOrvVideo& c = Find(*first, u"C");
  ASSERT_TRUE(a.Wrapper() && a.Wrapper()->Extractor());
  EXPECT_EQ(a.Wrapper(), b.Wrapper());
  EXPECT_NE(a.Wrapper(), c.Wrapper());
  EXPECT_EQ(a.SharingKey(), std::to_string(first->Identity()) + ":{CLIP}");
  EXPECT_EQ(c.SharingKey(), std::to_string(first->Identity()) + ":C");
  // The record's file replaced the object's own.
  ASSERT_TRUE(a.Clip());
  EXPECT_EQ(a.VideoSettings().FileName, "clip.mp4");

  // Another slide showing the same clip decodes it on its own.
  Ref<TOrvSlide> second = BuildSlide(1, 2000);
  EXPECT_NE(Find(*second, u"A").Wrapper(), a.Wrapper());

  // When the slide goes, the host lets go of its decoders.
  const std::string key = a.SharingKey();
  first.Reset();
  bool made = false;
  Host->SharedResource(key, [&made] {
    made = true;
    return Ref<TRefObject>();
  });
  EXPECT_TRUE(made);
}

TEST_F(VideoObjects, SlideTimeBecomesVideoTime) {
  // At 25 fps the clip lasts 4000 ms. Slide 2 starts at 2000 ms, slide 3 at 4000 ms.
  const struct {
    const char* Keys;
    int Slide;
    double ShowMs;
    double VideoMs;
  } cases[] = {
      {"FileName=clip.mp4\nStartORVTime=500\nStartVideoTime=400\nDuration=1000\n", 0, 200, 400},
      {"FileName=clip.mp4\nStartORVTime=500\nStartVideoTime=400\nDuration=1000\n", 0, 900, 800},
      {"FileName=clip.mp4\nStartORVTime=500\nStartVideoTime=400\nDuration=1000\n", 0, 1900, 1400},
      // Twice the speed: 10 s … here the whole 4 s clip … in half the slide time, then the last frame stays.
      {"FileName=clip.mp4\nFPSMultiplier=2\nDuration=2000\n", 0, 600, 1200},
      {"FileName=clip.mp4\nFPSMultiplier=2\nDuration=2000\n", 0, 1500, 2000},
      // No speed, or none that can be played: normal speed, never a division by zero.
      {"FileName=clip.mp4\nFPSMultiplier=0\nDuration=2000\n", 0, 600, 600},
      {"FileName=clip.mp4\nFPSMultiplier=-3\nDuration=2000\n", 0, 600, 600},
      // No length: the whole file; a start or length outside the file is brought into it.
      {"FileName=clip.mp4\n", 0, 1700, 1700},
      {"FileName=clip.mp4\nStartVideoTime=9000\nDuration=500\n", 0, 300, 300},
      {"FileName=clip.mp4\nStartVideoTime=1000\nDuration=99999\n", 0, 1500, 2500},
  };
  for (const auto& c : cases) {
    LoadProject({Video("V", c.Keys)});
    Ref<TOrvSlide> slide = BuildSlide(c.Slide, c.ShowMs);
    EXPECT_DOUBLE_EQ(Find(*slide, u"V").CurrentVideoTime(), c.VideoMs) << c.Keys << " at " << c.ShowMs;
  }
}

TEST_F(VideoObjects, AClipThatSpansSlidesRunsOnAcrossThem) {
  // The clip starts with slide 2 (index 1, at 2000 ms); slides 2 and 3 both show it.
  const std::string video = Video("V", "ClipGUID={SPAN}\n");
  LoadProject({"", video, video},
              Object("Span:VideoClip", "ClipGUID={SPAN}\nFileName=clip.mp4\nStartSlideIdx=1\nDuration=4000\n"));
  const struct {
    int Slide;
    double ShowMs;
    double VideoMs;
  } cases[] = {{1, 2000, 0}, {1, 3500, 1500}, {2, 4000, 2000}, {2, 4700, 2700}};
  for (const auto& c : cases) {
    Ref<TOrvSlide> slide = BuildSlide(c.Slide, c.ShowMs);
    EXPECT_DOUBLE_EQ(Find(*slide, u"V").CurrentVideoTime(), c.VideoMs) << "slide " << c.Slide << " at " << c.ShowMs;
  }
}

TEST_F(VideoObjects, AFileThatCannotPlayShowsThePlaceholder) {
  const struct {
    const char* File;
    TVideoFailure Failure;
  } cases[] = {{"missing.mp4", TVideoFailure::Missing}, {"noise.mp4", TVideoFailure::Undecodable}};
  for (const auto& c : cases) {
    LoadProject({Video("V", std::string("FileName=") + c.File + "\n")});
    Ref<TOrvSlide> slide = BuildSlide(0, 500);
    TOrvVideo& video = Find(*slide, u"V");
    ASSERT_TRUE(video.Wrapper()) << c.File;
    EXPECT_EQ(video.Wrapper()->Failure(), c.Failure) << c.File;
    ASSERT_TRUE(video.Picture()) << c.File;
    EXPECT_GT(video.Picture()->Width(), 0) << c.File;
    EXPECT_EQ(video.Size().Width, float(video.Picture()->Width())) << c.File;
  }
}

TEST_F(VideoObjects, AMarkedVideoIsTheSlidesMainPicture) {
  LoadProject({Video("Plain", "FileName=clip.mp4\n") + Video("Marked", "FileName=clip.mp4\nImageIndex=1\n")});
  Ref<TOrvSlide> slide = BuildSlide(0, 0);
  TMainPicture picture;
  ASSERT_TRUE(slide->FindMainPicture(picture));
  EXPECT_EQ(picture.Name, u"clip.mp4");
  EXPECT_EQ(picture.Size.Width, 64);
  EXPECT_EQ(picture.Size.Height, 48);
}

TEST(ChromaKey, KeyColourAndToleranceBecomeTheRenderersParameters) {
  const struct {
    TIniColor Key;
    float Delta;
    float U, V, ToleranceX, ToleranceY;
  } cases[] = {
      {{0, 255, 0, 255}, 0.2f, 54 / 255.0f, 34 / 255.0f, 0.2f, 5},
      {{255, 255, 255, 255}, 51, 128 / 255.0f, 128 / 255.0f, 0.2f, 5},  // on the byte scale
      {{0, 0, 255, 255}, 0, 240 / 255.0f, 110 / 255.0f, 0, 0},            // no tolerance: nothing keyed
      {{0, 0, 0, 255}, -1, 128 / 255.0f, 128 / 255.0f, 0, 0},
      {{0, 0, 0, 255}, std::nanf(""), 128 / 255.0f, 128 / 255.0f, 0, 0},
  };
  for (const auto& c : cases) {
    const TChromaKeyParams key = ChromaKeyFor(c.Key, c.Delta);
    EXPECT_NEAR(key.KeyU, c.U, 1.5 / 255) << int(c.Key.Green) << " " << c.Delta;
    EXPECT_NEAR(key.KeyV, c.V, 1.5 / 255) << int(c.Key.Green) << " " << c.Delta;
    EXPECT_NEAR(key.ToleranceX, c.ToleranceX, 1e-5);
    EXPECT_NEAR(key.ToleranceY, c.ToleranceY, 1e-3);
  }
}

}  // namespace
}  // namespace orv
