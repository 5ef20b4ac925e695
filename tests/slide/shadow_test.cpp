#include "slide/shadow.h"

#include <gtest/gtest.h>

#include <cmath>

#include "image/bitmap_store.h"
#include "slide/shadow_generator.h"
#include "slide/slide_host.h"
#include "slide_tree_fixture.h"

namespace orv {
namespace {

Ref<TImage> Picture(Ref<TBitmap> pixels, WideString name = u"picture.png") {
  return MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(std::move(name), std::move(pixels)));
}

Ref<TOrvSlideHost> Host() { return MakeRef<TOrvSlideHost>(DefaultFileAccessor(), test::TestHostCallbacks()); }

TEST(ShadowParamsTest, NameTextForm) {
  TShadowParams params;
  params.SourceName = u"C:\\pics\\a.png";
  params.Source = {0, 1.5f, 400, 300.126f};
  params.Margins = {3.4f, 3.4f};
  params.ShapeAlpha = 200;
  params.BlurSize = 12.5f;
  params.SpreadIndex = 3;
  params.FillCode = 5;
  params.Alpha1 = 10;
  params.Alpha2 = 250;
  params.Level = 1;
  const WideString name = ShadowPictureName(params);
  EXPECT_EQ(name, u"Shadow: 0.00:1.50:400.00:300.13:3.40:3.40:200:12.5:3:5:10:250:1:C:\\pics\\a.png");

  params.BlurSize = 0.1f;  // a float written with 16 significant digits
  EXPECT_EQ(ShadowPictureName(params),
            u"Shadow: 0.00:1.50:400.00:300.13:3.40:3.40:200:0.1000000014901161:3:5:10:250:1:C:\\pics\\a.png");

  // Read back: the rectangle to two decimals, the rest as written, the source name whole.
  const std::optional<TShadowParams> read = ParseShadowPictureName(name);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->SourceName, u"C:\\pics\\a.png");
  EXPECT_FLOAT_EQ(read->Source.Bottom, 300.13f);
  EXPECT_EQ(read->BlurSize, 12.5f);
  EXPECT_EQ(read->Level, 1);
  EXPECT_EQ(read->Alpha2, 250);
  EXPECT_EQ(ShadowPictureName(*read), name);
}

TEST(ShadowParamsTest, MalformedNamesGiveNoParameters) {
  auto host = Host();
  const char16_t* names[] = {
      u"Shadow: ",
      u"Shadow: 0.00:0.00:10.00:10.00",
      u"Shadow: 0.00:0.00:10.00:10.00:0.00:0.00:255:4:0:8:255:255:0",  // no source name field
      u"Shadow: x:0.00:10.00:10.00:0.00:0.00:255:4:0:8:255:255:0:N\\A",
      u"Shadow: nan:0.00:10.00:10.00:0.00:0.00:255:4:0:8:255:255:0:N\\A",
      u"Shadow: 0.00:0.00:inf:10.00:0.00:0.00:255:4:0:8:255:255:0:N\\A",
      u"Shadow: 10.00:0.00:10.00:10.00:0.00:0.00:255:4:0:8:255:255:0:N\\A",  // empty
      u"Shadow: 0.00:0.00:10.00:10.00:-1.00:0.00:255:4:0:8:255:255:0:N\\A",
      u"Shadow: 0.00:0.00:10.00:10.00:0.00:0.00:256:4:0:8:255:255:0:N\\A",
      u"Shadow: 0.00:0.00:10.00:10.00:0.00:0.00:255:-4:0:8:255:255:0:N\\A",
      u"Shadow: 0.00:0.00:10.00:10.00:0.00:0.00:255:2e6:0:8:255:255:0:N\\A",
      u"Shadow: 0.00:0.00:10.00:10.00:0.00:0.00:255:4:0:8:255:255:31:N\\A",
      u"Shadow: 0.00:0.00:1e9:10.00:0.00:0.00:255:4:0:8:255:255:0:N\\A",
      u"Shadow: 0.00:0.00:1\u0661.00:10.00:0.00:0.00:255:4:0:8:255:255:0:N\\A",
      u"Shadow: 0.00:0.00:10.00:10.00:0.00:0.00:255:4:0:8:255:255:0:Shadow: x",  // a shadow of a shadow
  };
  for (const char16_t* name : names) {
    SCOPED_TRACE(Utf16ToUtf8(name));
    EXPECT_FALSE(host->GetPicture(name));
  }
  EXPECT_TRUE(host->GetPicture(u"Shadow: 0.00:0.00:10.00:10.00:0.00:0.00:255:4:0:8:255:255:0:N\\A"));
}

TEST(ShadowParamsTest, CanvasIsHalvedToStaySmall) {
  const struct {
    float Width, Height, Margin, Blur;
    int CanvasWidth, CanvasHeight, Scale, BlurMargin;
  } cases[] = {
      {800, 600, 0, 16, 800, 600, 1, 43},        // 480000 pixels stay; r = 17
      {700, 500, 10, 0, 720, 520, 1, 3},         // margins on both sides; no blur still spreads a little
      {1000, 1000, 0, 16, 500, 500, 2, 23},      // 10^6 pixels are too many; r = 9
      {3001, 3001, 0, 0, 751, 751, 4, 3},        // halved until 564001 pixels, rounding up
      {20000, 10, 0, 0, 10000, 5, 2, 3},         // a side above 10000
      {100, 100, 0, 1e6, 1, 1, 4096, 613},       // an absurd blur halves further
  };
  for (const auto& c : cases) {
    TShadowParams params;
    params.Source = {0, 0, c.Width, c.Height};
    params.Margins = {c.Margin, c.Margin};
    params.BlurSize = c.Blur;
    const TShadowLayout layout = ShadowLayoutOf(params);
    SCOPED_TRACE(testing::Message() << c.Width << " x " << c.Height);
    EXPECT_EQ(layout.CanvasWidth, c.CanvasWidth);
    EXPECT_EQ(layout.CanvasHeight, c.CanvasHeight);
    EXPECT_EQ(layout.Scale, c.Scale);
    EXPECT_EQ(layout.BlurMargin, c.BlurMargin);
    EXPECT_LE(int64_t(layout.PictureWidth()) * layout.PictureHeight(), 2800000);
  }
}

TEST(ShadowGeneratorTest, PlainRectangleFollowsTheFill) {
  TShadowParams params;
  params.Source = {0, 0, 40, 20};
  params.FillCode = kFillHGradient;
  params.Alpha1 = 0;
  params.Alpha2 = 200;
  const std::optional<TAlphaPlane> canvas = TShadowGenerator(params, nullptr).Canvas();
  ASSERT_TRUE(canvas);
  EXPECT_EQ(canvas->Width, 40);
  EXPECT_NEAR(canvas->At(0, 5), 2.5, 0.5);
  EXPECT_NEAR(canvas->At(39, 5), 197.5, 0.5);
  for (int x = 1; x < 40; ++x) EXPECT_GT(canvas->At(x, 0), canvas->At(x - 1, 0));
  EXPECT_EQ(canvas->At(17, 0), canvas->At(17, 19));

  params.FillCode = kFillVGradient;
  const TAlphaPlane vertical = *TShadowGenerator(params, nullptr).Canvas();
  EXPECT_EQ(vertical.At(0, 7), vertical.At(39, 7));
  EXPECT_LT(vertical.At(0, 0), vertical.At(0, 19));

  params.FillCode = kFillSolid;
  params.Alpha1 = params.Alpha2 = 255;
  const TAlphaPlane solid = *TShadowGenerator(params, nullptr).Canvas();
  for (float value : solid.Values) ASSERT_EQ(value, 255);
}

TEST(ShadowGeneratorTest, SourceAlphaSitsInsideTheMarginsAtTheLevel) {
  // 8 × 8 at level 0, so 4 × 4 at level 1: the left half clear, the right half opaque.
  Ref<TBitmap> pixels = TBitmap::Create(8, 8, pf::A8R8G8B8);
  for (int y = 0; y < 8; ++y)
    for (int x = 4; x < 8; ++x) reinterpret_cast<uint32_t*>(pixels->Row(y))[x] = 0xFF102030u;
  TShadowParams params;
  params.SourceName = u"picture.png";
  params.Source = {0, 0, 4, 4};
  params.Margins = {2, 2};
  params.ShapeAlpha = 128;
  params.Level = 1;
  const TAlphaPlane canvas = *TShadowGenerator(params, Picture(pixels)).Canvas();
  ASSERT_EQ(canvas.Width, 8);
  ASSERT_EQ(canvas.Height, 8);
  // M: the margin's shape alpha; the level's own halving softens the edge column (?).
  const char* expected[] = {"MMMMMMMM", "MMMMMMMM", "MM..?#MM", "MM..?#MM",
                            "MM..?#MM", "MM..?#MM", "MMMMMMMM", "MMMMMMMM"};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const char c = expected[y][x];
      if (c == '?') continue;
      EXPECT_EQ(canvas.At(x, y), c == 'M' ? 128 : c == '#' ? 255 : 0) << x << "," << y;
    }
}

TEST(ShadowGeneratorTest, LargeSourceIsReducedOntoTheCanvas) {
  Ref<TBitmap> pixels = TBitmap::Create(1200, 1000, pf::A8R8G8B8);
  for (int y = 0; y < 1000; ++y)
    for (int x = 600; x < 1200; ++x) reinterpret_cast<uint32_t*>(pixels->Row(y))[x] = 0xFF000000u;
  TShadowParams params;
  params.SourceName = u"picture.png";
  params.Source = {0, 0, 1200, 1000};
  const TShadowGenerator generator(params, Picture(pixels));
  ASSERT_EQ(generator.Layout().Scale, 2);
  const TAlphaPlane canvas = *generator.Canvas();
  EXPECT_EQ(canvas.Width, 600);
  EXPECT_EQ(canvas.At(100, 250), 0);
  EXPECT_EQ(canvas.At(500, 250), 255);

  const Ref<TBitmap> shadow = generator.Generate();
  ASSERT_TRUE(shadow);
  EXPECT_EQ(shadow->Width(), generator.Layout().PictureWidth());
  const int margin = generator.Layout().BlurMargin;
  EXPECT_EQ(shadow->PixelArgb(margin + 500, margin + 250), 0xFFFFFFFFu);
  EXPECT_EQ(shadow->PixelArgb(margin + 100, margin + 250), 0x00FFFFFFu);
  EXPECT_EQ(shadow->PixelArgb(0, 0), 0x00FFFFFFu);
}

TEST(ShadowGeneratorTest, HostMakesThePictureOfItsSize) {
  auto host = Host();
  TShadowParams params;
  params.Source = {0, 0, 100, 60};
  params.BlurSize = 4;
  const Ref<TImage> shadow = host->GetPicture(ShadowPictureName(params));
  ASSERT_TRUE(shadow);
  const TShadowLayout layout = ShadowLayoutOf(params);
  EXPECT_EQ(shadow->Width(), layout.PictureWidth());
  EXPECT_EQ(shadow->Height(), layout.PictureHeight());
  const Ref<TBitmap> pixels = shadow->GetLevel(0);
  ASSERT_TRUE(pixels);
  EXPECT_EQ(pixels->PixelArgb(shadow->Width() / 2, shadow->Height() / 2), 0xFFFFFFFFu);
  EXPECT_EQ(pixels->PixelArgb(0, 0), 0x00FFFFFFu);
}

// Records the pictures it is asked to draw.
class TImageRecorder : public test::TRecordingDrawer {
public:
  struct TCall {
    TQuadFrame Frame;
    TRectF Window;
    TImageDrawParams Params;
  };
  std::vector<TCall> Calls;
  int Prepared = 0;
  int Released = 0;
  void PrepareImage(TImage&, const TImageDrawParams&) override { ++Prepared; }
  void ReleaseImage(TImage&) override { ++Released; }
  void DrawImage(TImage&, const TQuadFrame& frame, const TRectF& window, const TImageDrawParams& params) override {
    Calls.push_back({frame, window, params});
  }
};

void ExpectPoint(TPoint3F actual, TPoint3F expected) {
  EXPECT_NEAR(actual.X, expected.X, 1e-3);
  EXPECT_NEAR(actual.Y, expected.Y, 1e-3);
  EXPECT_NEAR(actual.Z, expected.Z, 1e-3);
}

class TShadowDrawTest : public testing::Test {
protected:
  TShadowDrawTest() {
    Settings.Enable = true;
    Settings.Distance = 10;
    Settings.Angle = 0;
    Settings.Opacity = 50;
    Settings.Color = {10, 20, 30, 255};
    Params.Source = {0, 0, 200, 100};
    Shadow.Prepare(Drawer, *FHost, Settings, Params, 100);
  }

  Ref<TOrvSlideHost> FHost = Host();
  TImageRecorder Drawer;  // outlives the shadows that hold on to it
  TShadowSettings Settings;
  TShadowParams Params;
  TShadow Shadow;
};

TEST_F(TShadowDrawTest, ShadowSurroundsTheObjectByItsBlurMarginAndMovesByTheDistance) {
  // A 200 × 100 object drawn at half size: the distance is 10 % of 100 units, 5 pixels.
  const TQuadFrame quad{{100, 100, 0}, {100, 0, 0}, {0, 50, 0}};
  Shadow.Draw(Drawer, quad, {200, 100}, Settings, 80);
  ASSERT_EQ(Drawer.Calls.size(), 1u);
  const TImageRecorder::TCall& call = Drawer.Calls[0];
  // No blur: a margin of 3 canvas pixels, each a source unit, half a pixel on the screen.
  ExpectPoint(call.Frame.Origin, {100 - 1.5f + 5, 100 - 1.5f, 0});
  ExpectPoint(call.Frame.XAxis, {103, 0, 0});
  ExpectPoint(call.Frame.YAxis, {0, 53, 0});
  EXPECT_EQ(call.Window, (TRectF{0, 0, 206, 106}));
  EXPECT_FLOAT_EQ(call.Params.Opacity, 40);
  EXPECT_EQ(call.Params.TintColor, MakeColor(10, 20, 30));
}

TEST_F(TShadowDrawTest, ThreeDShadowTurnsWithTheObject) {
  // The object turned a quarter: its x axis points down the screen.
  const TQuadFrame quad{{100, 100, 0}, {0, 200, 0}, {-100, 0, 0}};
  Settings.Angle = 90;
  Shadow.Draw(Drawer, quad, {200, 100}, Settings, 100);
  Settings.ThreeD = true;
  Shadow.Draw(Drawer, quad, {200, 100}, Settings, 100);
  ASSERT_EQ(Drawer.Calls.size(), 2u);
  const TPoint3F base = quad.At(-3.0f / 200, -3.0f / 100);
  ExpectPoint(Drawer.Calls[0].Frame.Origin, base + TPoint3F{0, 10, 0});   // down the screen
  ExpectPoint(Drawer.Calls[1].Frame.Origin, base + TPoint3F{-10, 0, 0});  // along the object's y axis
}

TEST_F(TShadowDrawTest, NothingIsDrawnWithoutOpacityPictureOrPlace) {
  const TQuadFrame quad{{0, 0, 0}, {200, 0, 0}, {0, 100, 0}};
  Shadow.Draw(Drawer, quad, {200, 100}, Settings, 0);
  Settings.Opacity = 0;
  Shadow.Draw(Drawer, quad, {200, 100}, Settings, 100);
  Settings.Opacity = NAN;
  Shadow.Draw(Drawer, quad, {200, 100}, Settings, 100);
  Settings.Opacity = 50;
  Shadow.Draw(Drawer, TQuadFrame{{0, 0, 0}, {0, 0, 0}, {0, 100, 0}}, {200, 100}, Settings, 100);
  Shadow.Draw(Drawer, TQuadFrame{{NAN, 0, 0}, {200, 0, 0}, {0, 100, 0}}, {200, 100}, Settings, 100);
  Settings.Enable = false;
  Shadow.Draw(Drawer, quad, {200, 100}, Settings, 100);
  Settings.Enable = true;
  TShadow unprepared;
  unprepared.Draw(Drawer, quad, {200, 100}, Settings, 100);
  EXPECT_TRUE(Drawer.Calls.empty());
}

TEST_F(TShadowDrawTest, PictureIsAskedForOnlyWhenTheParametersChange) {
  int made = 0;
  FHost->SetGenerator(picture_prefix::kShadow, [&made, this](const WideString& name) {
    ++made;
    return MakeShadowPicture(*FHost, name);
  });
  Drawer.Prepared = 0;
  TShadow shadow;
  shadow.Prepare(Drawer, *FHost, Settings, Params, 100);
  const Ref<TImage> first = shadow.Picture();
  shadow.Prepare(Drawer, *FHost, Settings, Params, 120);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(shadow.Picture(), first);
  EXPECT_EQ(shadow.ReferenceSize(), 120);
  Params.BlurSize = 3;
  shadow.Prepare(Drawer, *FHost, Settings, Params, 120);
  EXPECT_EQ(made, 2);
  shadow.Release();
  EXPECT_FALSE(shadow.Picture());
  shadow.Prepare(Drawer, *FHost, Settings, Params, 120);
  EXPECT_EQ(made, 3);
  EXPECT_EQ(Drawer.Prepared, 3);
  EXPECT_EQ(Drawer.Released, 2);
  // A shadow switched off lets its picture and textures go.
  Settings.Enable = false;
  shadow.Prepare(Drawer, *FHost, Settings, Params, 120);
  EXPECT_FALSE(shadow.Picture());
  EXPECT_EQ(Drawer.Released, 3);
}

TEST(ShadowParamsOfObjectsTest, EachKindCastsItsShape) {
  TShadowSettings settings;
  settings.Size = 40;
  settings.SpreadIndex = 5;
  settings.ThreeD = true;
  const Ref<TImage> argb = Picture(TBitmap::Create(800, 200, pf::A8R8G8B8));
  const Ref<TImage> rgb = Picture(TBitmap::Create(800, 200, pf::R8G8B8), u"photo.jpg");

  // A picture at level 1: the window and border halved, the blur from the halved size.
  const TShadowParams image = ImageShadowParams(*argb, {{100, 0, 500, 200}, 8}, 1, {0, 0, 0, 90}, settings);
  EXPECT_EQ(image.SourceName, u"picture.png");
  EXPECT_EQ(image.Source, (TRectF{50, 0, 250, 100}));
  EXPECT_EQ(image.Margins, (TPointF{4, 4}));
  EXPECT_EQ(image.ShapeAlpha, 90);
  EXPECT_FLOAT_EQ(image.BlurSize, 40 * 200.0f / 400);
  EXPECT_EQ(image.Level, 1);
  EXPECT_EQ(image.SpreadIndex, 5);
  EXPECT_EQ(image.ThreeD, 1);
  // Without an alpha of its own a picture casts a rectangle's shadow.
  EXPECT_EQ(ImageShadowParams(*rgb, {{0, 0, 800, 200}, 0}, 0, {}, settings).SourceName, kNoShadowSource);

  // One cell of a 4 × 2 sprite sheet, as a rectangle.
  const TShadowParams sprite = PictureShadowParams(*argb, 0, 7, settings, 4, 2);
  EXPECT_EQ(sprite.SourceName, kNoShadowSource);
  EXPECT_EQ(sprite.Source, (TRectF{0, 0, 200, 100}));
  EXPECT_EQ(sprite.Sprite, 1);
  EXPECT_EQ(PictureShadowParams(*argb, 2, 7, settings).Source, (TRectF{0, 0, 200, 50}));

  EXPECT_DOUBLE_EQ(HeightShadowBlurSize(40, 200, 1), 40 * 1.1 * 100 / 400);

  const TShadowParams box = RectangleShadowParams({300, 300}, kFillTLBRGradient, 20, 300, settings);
  EXPECT_EQ(box.SourceName, kNoShadowSource);
  EXPECT_EQ(box.FillCode, kFillTLBRGradient);
  EXPECT_EQ(box.Alpha1, 20);
  EXPECT_EQ(box.Alpha2, 255);
  EXPECT_EQ(box.ShapeAlpha, 255);
  EXPECT_FLOAT_EQ(box.BlurSize, 40 * 300.0f / 400);
}

}  // namespace
}  // namespace orv
