#include "slide/slide_host.h"

#include <gtest/gtest.h>

#include "base/exceptions.h"
#include "image/bitmap_store.h"
#include "slide/orv_image.h"
#include "slide/slide_background.h"
#include "slide_tree_fixture.h"

namespace orv {
namespace {

using test::Block;
using test::Object;

Ref<TImage> Picture(int width, int height, uint32_t argb) {
  Ref<TBitmap> pixels = TBitmap::Create(width, height, pf::A8R8G8B8);
  pixels->Fill(argb);
  return MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"picture", std::move(pixels)));
}

TEST(SlideHostTest, RequiredCallbacksMustBeSet) {
  TSlideHostCallbacks callbacks = test::TestHostCallbacks();
  callbacks.CameraPosition = nullptr;
  EXPECT_THROW(MakeRef<TOrvSlideHost>(DefaultFileAccessor(), callbacks), EAssertionFailed);
  callbacks = test::TestHostCallbacks();
  callbacks.EffectBufferSize = nullptr;
  EXPECT_THROW(MakeRef<TOrvSlideHost>(DefaultFileAccessor(), callbacks), EAssertionFailed);
}

TEST(SlideHostTest, SyntheticNamesAreMadeNotRead) {
  TSlideHostCallbacks callbacks = test::TestHostCallbacks();
  callbacks.EffectResource = [](int number) { return number == 3 ? Picture(2, 1, 0xFF102030) : nullptr; };
  auto host = MakeRef<TOrvSlideHost>(DefaultFileAccessor(), callbacks);

  Ref<TImage> buffer = host->GetPicture(u"SlideEffectBuffer1, 320, 240");
  ASSERT_TRUE(buffer);
  EXPECT_EQ(buffer->Name(), u"zaglushka for slide-effect buffer");
  EXPECT_EQ(buffer->Width(), 320);
  EXPECT_EQ(buffer->GetLevel(0)->PixelArgb(5, 5), 0xFF000000u);

  Ref<TImage> resource = host->GetPicture(u"EffectResource3, 320, 240");
  ASSERT_TRUE(resource);
  EXPECT_EQ(resource->Name(), u"effect resource");
  EXPECT_EQ(resource->Height(), 240);
  EXPECT_EQ(resource->GetLevel(0)->PixelArgb(300, 200), 0xFF102030u);
  EXPECT_FALSE(host->GetPicture(u"EffectResource4, 1, 1"));
  EXPECT_FALSE(host->GetPicture(u"EffectResourceX"));

  // Generators that arrive later: until then no picture, and no file either.
  EXPECT_FALSE(host->GetPicture(u"Shadow: 0:0:1:1"));
  host->SetGenerator(picture_prefix::kShadow, [](const WideString& name) -> Ref<TSysBitmapStore> {
    return MakeRef<TWrapperBitmapStore>(name, TBitmap::Create(4, 4, pf::A8R8G8B8));
  });
  ASSERT_TRUE(host->GetPicture(u"Shadow: 0:0:1:1"));
  EXPECT_EQ(host->GetPicture(u"Shadow: 0:0:1:1")->Width(), 4);
  EXPECT_FALSE(host->GetPicture(u""));
  EXPECT_THROW(host->SetGenerator(u"Unknown: ", nullptr), EAssertionFailed);
}

TEST(SlideHostTest, EffectSlidesShowTheTransitionBuffers) {
  test::TSlideTreeFixture fixture;
  const std::string content = Object("Buffer:Image", "ReplaceWithEffectBuffer=2\nImageName=ignored") +
                              Object("Masked:Image", "RestoreAlpha=1\nImageName=stencil.png");
  fixture.Build(content);
  auto& buffer = dynamic_cast<TOrvImage&>(fixture.Find(u"Buffer"));
  EXPECT_EQ(buffer.PictureRequestName(), u"EffectResource2, 320, 240");
  EXPECT_FALSE(buffer.Picture());  // the engine gives no effect resources here
  EXPECT_EQ(dynamic_cast<TOrvImage&>(fixture.Find(u"Masked")).PictureRequestName(), u"Mask: stencil.png");

  fixture.Slide = MakeRef<TOrvSlide>(fixture.Host);
  fixture.Slide->SetEffectSlide(true);
  ASSERT_TRUE(fixture.Slide->LoadSlide(fixture.Lists, {0, 1000, 0, 0}, false));
  auto& effect_buffer = dynamic_cast<TOrvImage&>(fixture.Find(u"Buffer"));
  EXPECT_EQ(effect_buffer.PictureRequestName(), u"SlideEffectBuffer2, 320, 240");
  ASSERT_TRUE(effect_buffer.Picture());
  fixture.Slide->UpdateAt(true, 0);
  EXPECT_EQ(effect_buffer.Size(), (TSizeF{320, 240}));
  EXPECT_EQ(effect_buffer.Level(), 0);
}

TEST(SlideBackgroundTest, SlideKeysOrTheShowWideOnes) {
  TIniFile project;
  ASSERT_TRUE(project.LoadFromBytes(
      "[Main]\nopt_bstyle=3\nopt_bcolorstyle=1\nopt_bcolor1=255\nopt_bcolor2=65280\n"
      "[Own]\nbstyle=2\nbfn=C:\\pics\\sky.jpg\nbsize=50\n[Colour]\nbstyle=1\nbcolor=0,0,255\n"
      "[NoPicture]\nbstyle=2\nbsize=50\n[OddGradient]\nbstyle=3\nbcolorstyle=7\nbcolor1=255\n"));
  const TIniSection& main = *project.FindSection("Main");
  const TSlideBackground shared = ReadSlideBackground(main, nullptr);
  EXPECT_EQ(shared.Kind, TBackgroundKind::Gradient2);
  EXPECT_EQ(shared.Color1, (TIniColor{255, 0, 0, 255}));
  EXPECT_EQ(shared.Color2, (TIniColor{0, 255, 0, 255}));

  const TSlideBackground own = ReadSlideBackground(main, project.FindSection("Own"));
  EXPECT_EQ(own.Kind, TBackgroundKind::Picture);
  EXPECT_EQ(own.FileName, u"C:\\pics\\sky.jpg");
  EXPECT_EQ(own.Size, 50);
  EXPECT_EQ(ReadSlideBackground(main, project.FindSection("Colour")).Color1, (TIniColor{0, 0, 255, 255}));
  EXPECT_EQ(ReadSlideBackground(main, project.FindSection("NoPicture")), TSlideBackground{});
  EXPECT_EQ(ReadSlideBackground(main, project.FindSection("OddGradient")), TSlideBackground{});
}

TEST(SlideListsTest, CopiesAreIndependentAndKeepTheirText) {
  TIniFile project;
  ASSERT_TRUE(project.LoadFromBytes("\xEF\xBB\xBF[Main]\nname=\xC5\xBDlu\xC5\xA5\n[Slide1]\n" +
                                    Block("Container:Root", Object("A:Box", "Size=1,1")) + "[Times]\nopt_slidescount=1\n" +
                                    "[Tracks]\n" + Object("C:VideoClip", "ClipGUID={C}")));
  const TSlideLists lists{Ref<TIniSection>::Share(project.FindSection("Main")),
                          Ref<TIniSection>::Share(project.FindSection("Slide1")),
                          Ref<TIniSection>::Share(project.FindSection("Times")),
                          Ref<TIniSection>::Share(project.FindSection("Tracks"))};
  const TSlideLists copy = CopySlideLists(lists);
  ASSERT_TRUE(copy.Main && copy.Slide && copy.Times && copy.Tracks);
  EXPECT_EQ(ReadUtf8(copy.Tracks->FindPath("C:ClipGUID")), "{C}");
  EXPECT_EQ(ReadString(copy.Main->FindKey("name")), u"\u017Dlu\u0165");
  EXPECT_NE(copy.Slide->FindObjectOfClass("Container", "Root"), nullptr);
  WriteInteger(*project.FindOrAddKey("Times", "opt_slidescount"), 5);
  EXPECT_EQ(ReadInteger(copy.Times->FindKey("opt_slidescount"), 0), 1);
  EXPECT_FALSE(CopySlideLists({copy.Main, copy.Slide, nullptr, nullptr}).Times);

  // Names that do not survive the text are still copied, never shared: the loader writes
  // into its copy.
  for (const char* name : {"a]b", "", "x\ny"}) {
    auto odd = MakeRef<TIniSection>(name);
    odd->AddKey("bstyle", "1");
    odd->AddObject("Container", "Root")->AddObject("A", "Box")->AddKey("Size", "1,1");
    const TSlideLists odd_copy = CopySlideLists({copy.Main, odd, nullptr, nullptr});
    ASSERT_TRUE(odd_copy.Slide && odd_copy.Main) << name;
    EXPECT_NE(odd_copy.Slide.Get(), odd.Get()) << name;
    EXPECT_NE(odd_copy.Main.Get(), copy.Main.Get()) << name;
    EXPECT_EQ(odd_copy.Slide->Name(), name);
    EXPECT_EQ(ReadUtf8(odd_copy.Slide->FindPath("Container:A:Size")), "1,1") << name;
    WriteInteger(*odd->FindKey("bstyle"), 2);
    EXPECT_EQ(ReadInteger(odd_copy.Slide->FindKey("bstyle"), 0), 1) << name;
  }
}

TEST(SlideTimesTest, PlaceComesFromTheSynchPositions) {
  TIniFile project;
  ASSERT_TRUE(project.LoadFromBytes("[Times]\nopt_slidescount=2\nopt_synchpos1=4000\nopt_synchpos2=9000\n"));
  const TIniSection* times = project.FindSection("Times");
  const struct {
    int index;
    double offset, next;
  } cases[] = {{-1, 0, 0}, {0, 0, 4000}, {1, 4000, 9000}, {2, 9000, 9000}, {3, 0, 0}};
  for (const auto& c : cases) {
    const TSlidePlace place = SlidePlaceInTimes(times, c.index);
    EXPECT_EQ(place.Offset, c.offset) << c.index;
    EXPECT_EQ(place.NextStart, c.next) << c.index;
  }
}

Ref<TBitmapStore> ProvidePhoto(void*, const WideString& name) {
  if (name != u"photo.jpg") return nullptr;
  return MakeRef<TWrapperBitmapStore>(name, TBitmap::Create(64, 48, pf::A8R8G8B8));
}

TEST(MainPictureTest, FirstMarkedImageDepthFirst) {
  auto accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  const Ref<TCallbackHandle> provider = accessor->AddPictureProvider({&ProvidePhoto, nullptr});
  test::TSlideTreeFixture fixture;
  fixture.Host = MakeRef<TOrvSlideHost>(accessor, test::TestHostCallbacks());
  fixture.Build(Object("Caption:Text", "ImageIndex=1") + Object("Plain:Image", "") +
                Object("Group:Box", Object("Main:Image", "ImageIndex=0\nImageName=photo.jpg")) +
                Object("Later:Image", "ImageIndex=2"));
  TMainPicture picture;
  ASSERT_TRUE(fixture.Slide->FindMainPicture(picture));
  EXPECT_EQ(picture.Name, u"photo.jpg");
  EXPECT_EQ(picture.Size, (TSizeF{64, 48}));
}

}  // namespace
}  // namespace orv
