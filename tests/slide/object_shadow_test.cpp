// Shadows of slide objects as the drawer receives them: drawn first, below the object, from
// a picture made for the object's shape.
#include <gtest/gtest.h>

#include <cmath>

#include "image/bitmap_store.h"
#include "package/file_source.h"
#include "slide/orv_box.h"
#include "slide/orv_image.h"
#include "slide/shadow_params.h"
#include "draw_recorder.h"

namespace orv {
namespace {

using test::KeyPoint;
using test::Object;
using test::TDrawRecorder;

Ref<TBitmapStore> ProvideSizedPicture(void*, const WideString& name) { return test::SizedGreyPicture(name); }

class ObjectShadowTest : public ::testing::Test, public test::TSlideTreeFixture {
protected:
  ObjectShadowTest() { Host = MakeRef<TOrvSlideHost>(Accessor, test::TestHostCallbacks()); }

  TDrawRecorder& DrawAt(double time) {
    Slide->UpdateAt(true, time);
    Recorder = MakeRef<TDrawRecorder>();
    Slide->Draw(*Recorder);
    return *Recorder;
  }

  Ref<TFileAccessor> Accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  Ref<TCallbackHandle> Provider = Accessor->AddPictureProvider({&ProvideSizedPicture, nullptr});
  Ref<TDrawRecorder> Recorder;
};

// Shadow keys: a distance of 10 % of the object's mean side, straight to the right.
constexpr const char* kShadowKeys = "ShadowEnable=1\nShadowDistance=10\nShadowAngle=0\nShadowOpacity=50\n"
                                    "ShadowColor=10,20,30\n";

TEST_F(ObjectShadowTest, PictureCastsItsShadowBelowItself) {
  // 400 × 200 fitted into the 800 × 600 slide: two screen pixels per picture pixel.
  Build(Object("Pic:Image", std::string("ImageName=400x200.bmp\n") + kShadowKeys + KeyPoint("Time=0\nOpacity=80")));
  const TDrawRecorder& drawn = DrawAt(0);
  EXPECT_EQ(drawn.Sequence, "BII");  // the background, the shadow, the picture
  ASSERT_EQ(drawn.Images.size(), 2u);
  const TDrawRecorder::TImageCall& shadow = drawn.Images[0];
  const std::optional<TShadowParams> params = ParseShadowPictureName(shadow.Picture->Name());
  ASSERT_TRUE(params);
  EXPECT_EQ(params->SourceName, u"400x200.bmp");
  EXPECT_EQ(params->Source, (TRectF{0, 0, 400, 200}));
  EXPECT_NEAR(params->BlurSize, 16 * std::sqrt(400.0 * 200) / 400, 0.01);

  // The blur margin of 31 canvas pixels around the picture, moved 2 × 10 % × √(400 × 200).
  const float offset = float(2 * 0.1 * std::sqrt(400.0 * 200));
  test::ExpectQuad(shadow.Frame, {{-62 + offset, 100 - 62, 0}, {800.0f * 462 / 400, 0, 0}, {0, 400.0f * 262 / 200, 0}});
  EXPECT_EQ(shadow.Window, (TRectF{0, 0, 462, 262}));
  EXPECT_FLOAT_EQ(shadow.Params.Opacity, 40);
  EXPECT_EQ(shadow.Params.TintColor, MakeColor(10, 20, 30));
  EXPECT_EQ(drawn.Images[1].Picture, dynamic_cast<TOrvImage&>(Find(u"Pic")).Picture().Get());
}

TEST_F(ObjectShadowTest, BoxCastsAPlainRectangleWithItsAlphas) {
  Build(Object("Box1:Box", std::string("Size=200,100\nFillMode=HGradient\nAlpha1=0\nAlpha2=255\n") + kShadowKeys));
  const TDrawRecorder& drawn = DrawAt(0);
  EXPECT_EQ(drawn.Sequence, "BIB");
  ASSERT_EQ(drawn.Images.size(), 1u);
  const std::optional<TShadowParams> params = ParseShadowPictureName(drawn.Images[0].Picture->Name());
  ASSERT_TRUE(params);
  EXPECT_EQ(params->SourceName, kNoShadowSource);
  EXPECT_EQ(params->FillCode, kFillHGradient);
  EXPECT_EQ(params->Alpha1, 0);
  EXPECT_EQ(params->Alpha2, 255);
  // Four screen pixels per box unit; a blur margin of 17.
  const float offset = float(4 * 0.1 * std::sqrt(200.0 * 100));
  test::ExpectQuad(drawn.Images[0].Frame,
                   {{-68 + offset, 100 - 68, 0}, {800.0f * 234 / 200, 0, 0}, {0, 400.0f * 134 / 100, 0}});
  // The gradient's clear side casts next to no shadow, and it darkens towards the opaque side.
  const Ref<TBitmap> pixels = drawn.Images[0].Picture->GetLevel(0);
  ASSERT_TRUE(pixels);
  EXPECT_LT(AlphaOf(pixels->PixelArgb(17, 67)), 8);
  EXPECT_GT(AlphaOf(pixels->PixelArgb(234 - 17 - 10, 67)), 230);
  for (int x = 18; x < 234 - 17 - 30; ++x)
    EXPECT_GE(AlphaOf(pixels->PixelArgb(x, 67)), AlphaOf(pixels->PixelArgb(x - 1, 67))) << x;
}

TEST_F(ObjectShadowTest, ShadowPictureIsPreparedWithTheObjectAndHandedBack) {
  Build(Object("Pic:Image", std::string("ImageName=40x20.bmp\n") + kShadowKeys) +
        Object("Box1:Box", std::string("Size=10,10\n") + kShadowKeys));
  auto drawer = MakeRef<TDrawRecorder>();
  Slide->PrepareResources(*drawer);
  Slide->PrepareResources(*drawer);
  int shadows = 0;
  for (TImage* picture : drawer->Prepared) shadows += ParseShadowPictureName(picture->Name()).has_value();
  EXPECT_EQ(shadows, 2);
  Slide->ReleaseResources();
  EXPECT_EQ(drawer->Released.size(), drawer->Prepared.size());

  // Without "ShadowEnable" nothing is made.
  Build(Object("Box1:Box", "Size=10,10\nShadowEnable=0"));
  EXPECT_EQ(DrawAt(0).Sequence, "BB");
}

}  // namespace
}  // namespace orv
