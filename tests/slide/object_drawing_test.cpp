#include "slide/object_drawing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>

#include "image/bitmap_store.h"
#include "image/color_profile.h"
#include "package/file_source.h"
#include "slide/orv_box.h"
#include "slide/orv_image.h"
#include "draw_recorder.h"

namespace orv {
namespace {

using test::Block;
using test::ExpectQuad;
using test::ExpectRect;
using test::KeyPoint;
using test::Object;
using test::TDrawRecorder;

// A colour profile that inverts every colour.
Ref<TColorProfile> InvertingProfile() {
  Ref<TBitmap> table = MakeIdentityColorTable();
  for (int y = 0; y < table->Height(); ++y)
    for (int x = 0; x < table->Width() * 3; ++x) table->Row(y)[x] = uint8_t(255 - table->Row(y)[x]);
  return MakeRef<TOrvColorProfile>(std::move(table));
}

// Times the decoder of "counted.bmp" ran.
std::atomic<int> g_counted_loads{0};

// A 256 × 128 picture that counts its decoder's runs; the smaller levels are halved from it.
class TCountingStore : public TSysBitmapStore {
public:
  TCountingStore() : TSysBitmapStore(u"counted.bmp", 256, 128, pf::A8R8G8B8, nullptr) {}

protected:
  Ref<TBitmap> LoadLevel(int level) override {
    if (level != 0) return nullptr;
    ++g_counted_loads;
    return TBitmap::Create(256, 128, pf::A8R8G8B8);
  }
};

// Pictures named "<width>x<height>.bmp" exist with that size; "inverted.bmp" has a profile
// that inverts its colours; "counted.bmp" counts its decodes.
Ref<TBitmapStore> ProvideSizedPicture(void*, const WideString& name) {
  if (name == u"counted.bmp") return MakeRef<TCountingStore>();
  if (name == u"inverted.bmp") {
    auto store = MakeRef<TWrapperBitmapStore>(name, TBitmap::Create(4, 4, pf::A8R8G8B8));
    store->Attachments().Add(InvertingProfile());
    return store;
  }
  return test::SizedGreyPicture(name);
}

Ref<TImage> SizedPicture(int width, int height) {
  Ref<TBitmap> pixels = TBitmap::Create(width, height, pf::A8R8G8B8);
  pixels->Fill(0xFF808080u);
  return MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"tiles.bmp", std::move(pixels)));
}

// A 400 × 200 picture fitted into the 800 × 600 slide fills this rectangle.
constexpr TQuadFrame kFittedPicture{{0, 100, 0}, {800, 0, 0}, {0, 400, 0}};

class ObjectDrawingTest : public ::testing::Test, public test::TSlideTreeFixture {
protected:
  ObjectDrawingTest() { Host = MakeRef<TOrvSlideHost>(Accessor, test::TestHostCallbacks()); }

  // Builds a slide on a project of its own: a project is not loaded twice while its
  // sections are held.
  void BuildNew(std::string_view content, std::string_view slide_keys = "") {
    Slide.Reset();
    Lists = {};
    Project = MakeRef<TIniFile>();
    Build(content, slide_keys);
  }

  // The slide drawn at `time` (ms) through a fresh recorder.
  TDrawRecorder& DrawAt(double time) {
    Slide->UpdateAt(true, time);
    Recorder = MakeRef<TDrawRecorder>();
    Slide->Draw(*Recorder);
    return *Recorder;
  }

  // The picture calls of a slide drawn with a black solid background.
  std::vector<TDrawRecorder::TImageCall>& ImagesAt(double time) { return DrawAt(time).Images; }

  Ref<TFileAccessor> Accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  Ref<TCallbackHandle> Provider = Accessor->AddPictureProvider({&ProvideSizedPicture, nullptr});
  Ref<TDrawRecorder> Recorder;
};

TEST_F(ObjectDrawingTest, VisibleWindowOfThePictureFillsTheObjectRectangle) {
  const struct {
    const char* keys;
    const char* key_point;
    TRectF window;
  } cases[] = {
      {"", "", {0, 0, 400, 200}},
      {"EnableAspect=1\nAspect=1", "", {100, 0, 300, 200}},
      {"EnableAspect=1\nAspect=1", "Zoom=200", {150, 50, 250, 150}},
      {"EnableAspect=1\nAspect=1", "Zoom=200\nOffsX=100", {300, 50, 400, 150}},
      {"EnableCrop=1\nCropRect=10,0,10,0", "", {40, 0, 360, 200}},
  };
  for (const auto& c : cases) {
    const std::string keys = std::string("ImageName=400x200.bmp\n") + c.keys;
    BuildNew(Object("Pic:Image", keys + "\n" + KeyPoint(std::string("Time=0\n") + c.key_point)));
    const auto& images = ImagesAt(0);
    ASSERT_EQ(images.size(), 1u) << c.keys;
    ExpectRect(images[0].Window, c.window, c.keys);
    ExpectQuad(images[0].Frame, kFittedPicture, c.keys);
    EXPECT_TRUE(images[0].Params.Antialias);
    EXPECT_EQ(images[0].Params.Opacity, 100);
    EXPECT_EQ(images[0].Params.Columns, 1);
    EXPECT_FALSE(images[0].Params.Grading.IsSet());
  }
}

TEST_F(ObjectDrawingTest, BorderIsDrawnFirstAndThePictureInsetByIt) {
  BuildNew(Object("Pic:Image", "ImageName=400x200.bmp\nEnableBorder=1\nBorderWidth=10\nBorderColor=255,0,0,128\n" +
                                KeyPoint("Time=0\nOpacity=50")));
  const TDrawRecorder& drawn = DrawAt(0);
  EXPECT_EQ(drawn.Sequence, "BRI");  // the background, the border, the picture
  ASSERT_EQ(drawn.Borders.size(), 1u);
  // 10 % of the 200 pixels high window: 20 pixels on each side of 400 × 200.
  const TDrawRecorder::TBorderCall& border = drawn.Borders[0];
  ExpectQuad(border.Frame, kFittedPicture, "border");
  EXPECT_FLOAT_EQ(border.WidthU, 20.0f / 440);
  EXPECT_FLOAT_EQ(border.WidthV, 20.0f / 240);
  EXPECT_EQ(border.Color, MakeColor(255, 0, 0, 128));
  EXPECT_EQ(border.Opacity, 50);
  EXPECT_TRUE(border.Antialias);
  ASSERT_EQ(drawn.Images.size(), 1u);
  ExpectQuad(drawn.Images[0].Frame, {{800.0f * 20 / 440, 100 + 400.0f * 20 / 240, 0}, {800.0f * 400 / 440, 0, 0},
                                     {0, 400.0f * 200 / 240, 0}},
             "picture");
  ExpectRect(drawn.Images[0].Window, {0, 0, 400, 200});
  EXPECT_EQ(drawn.Images[0].Params.Opacity, 50);
}

TEST(SpriteFrameTest, FourByTwoSheetPlaysTwiceThenHoldsTheLastFrame) {
  TAnimationSettings sheet{4, 2, 2, 0, 8, {100}};
  const struct {
    double elapsed;
    int frame;
  } cases[] = {{-10, 0}, {0, 0},    {50, 0},    {100, 0},   {101, 1},   {750, 7},
               {800, 7}, {801, 0},  {1550, 7},  {1601, 7},  {1e12, 7},  {std::numeric_limits<double>::infinity(), 7}};
  for (const auto& c : cases) EXPECT_EQ(SpriteFrameIndex(sheet, c.elapsed), c.frame) << c.elapsed;
  sheet.RepCount = 0;
  EXPECT_EQ(SpriteFrameIndex(sheet, 1601), 0);
  EXPECT_EQ(SpriteFrameIndex(sheet, 80000 + 250), 2);
}

TEST(SpriteFrameTest, IntervalsRepeatTheirLastValueAndCountStaysInTheGrid) {
  const struct {
    TAnimationSettings sheet;
    double elapsed;
    int frame;
  } cases[] = {
      {{2, 2, 0, 0, 4, {50, 150}}, 50, 0},    {{2, 2, 0, 0, 4, {50, 150}}, 51, 1},
      {{2, 2, 0, 0, 4, {50, 150}}, 351, 3},   {{2, 2, 0, 0, 4, {50, 150}}, 501, 0},
      {{2, 2, 0, 0, 40, {}}, 450, 0},         // four frames of 100 ms: the count is cut to the grid
      {{2, 2, 1, 0, 4, {0}}, 10, 3},          // frames of no length end at once
  };
  for (const auto& c : cases) EXPECT_EQ(SpriteFrameIndex(c.sheet, c.elapsed), c.frame) << c.elapsed;
}

TEST_F(ObjectDrawingTest, SpriteSheetDrawsOneCellWithoutBorderAndMarksFrameChanges) {
  BuildNew(Object("Pic:Image",
               "ImageName=400x200.bmp\nEnableBorder=1\nAnimColumns=4\nAnimRows=2\nAnimCount=8\nAnimInterval=100\n"
               "AnimRepCount=2\nAnimOffset=1000"));
  auto& image = dynamic_cast<TOrvImage&>(Find(u"Pic"));
  const TDrawRecorder& drawn = DrawAt(1550);
  ASSERT_EQ(drawn.Sequence, "BI");
  const TDrawRecorder::TImageCall& call = drawn.Images[0];
  // Frame 5: column 1, row 1 of 100 × 100 cells, each with a one-texel margin around it.
  ExpectRect(call.Window, {103, 103, 203, 203});
  ExpectQuad(call.Frame, kFittedPicture);
  EXPECT_EQ(call.Params.Columns, 4);
  EXPECT_EQ(call.Params.Rows, 2);
  EXPECT_EQ(call.Params.Level, 0);
  EXPECT_FALSE(call.Params.Antialias);

  Slide->UpdateAt(true, 1560);
  EXPECT_FALSE(image.StateChanged);
  Slide->UpdateAt(true, 1650);
  EXPECT_TRUE(image.StateChanged);
  EXPECT_EQ(image.SpriteFrame(), 6);
  Slide->UpdateAt(true, 999);
  EXPECT_EQ(image.SpriteFrame(), 0);
}

TEST_F(ObjectDrawingTest, BoxesSendTheirFillCodeAndColoursWithTheirAlphas) {
  const struct {
    const char* mode;
    int code;
  } cases[] = {{"Solid", kFillSolid},
               {"HGradient", kFillHGradient},
               {"VGradient", kFillVGradient},
               {"TLBRGradient", kFillTLBRGradient},
               {"TRBLGradient", kFillTRBLGradient}};
  for (const auto& c : cases) {
    BuildNew(Object("Box1:Box", std::string("Size=200,100\nFillMode=") + c.mode +
                                 "\nColor1=255,0,0\nColor2=0,0,255\nAlpha1=200\nAlpha2=50\nAntialiased=1\n" +
                                 KeyPoint("Time=0\nOpacity=40")));
    const TDrawRecorder& drawn = DrawAt(0);
    ASSERT_EQ(drawn.Boxes.size(), 2u) << c.mode;  // the background, then the box
    const TDrawRecorder::TBoxCall& box = drawn.Boxes[1];
    EXPECT_EQ(box.Params.FillCode, c.code) << c.mode;
    EXPECT_EQ(box.Params.Color1, MakeColor(255, 0, 0, 200)) << c.mode;
    EXPECT_EQ(box.Params.Color2, c.code == kFillSolid ? MakeColor(255, 0, 0, 200) : MakeColor(0, 0, 255, 50)) << c.mode;
    EXPECT_EQ(box.Params.Opacity, 40);
    EXPECT_EQ(box.Params.Antialias, (std::array<bool, 4>{true, true, true, true}));
    ExpectQuad(box.Frame, kFittedPicture, c.mode);
  }
}

TEST_F(ObjectDrawingTest, BadInputDrawsNothing) {
  const struct {
    const char* object;
    std::string keys;
  } cases[] = {
      {"Pic:Image", "ImageName="},                                                     // no picture
      {"Pic:Image", "ImageName=400x200.bmp\n" + KeyPoint("Time=0\nPosition=1e39,0")},  // placed at infinity
      {"Box1:Box", "Size=0,100"},                                                      // no area
      {"Box1:Box", "Size=-5,x"},
  };
  for (const auto& c : cases) {
    BuildNew(Object(c.object, c.keys));
    EXPECT_EQ(DrawAt(0).Sequence, "B") << c.keys;  // the background alone
  }
}

TEST_F(ObjectDrawingTest, KeyPointFiltersReachTheDrawerAsGradingTables) {
  BuildNew(Object("Pic:Image", "ImageName=400x200.bmp\n" + KeyPoint("Time=0\n" + Block("Invert:Filter", "")) +
                                KeyPoint("Time=1000\nOpacity=100")));
  const TColorGrading grading = ImagesAt(500)[0].Params.Grading;
  ASSERT_TRUE(grading.IsSet());
  ASSERT_TRUE(grading.B);
  EXPECT_EQ(grading.A->Kind(), TGradingTable::TKind::Linear);
  EXPECT_FLOAT_EQ(grading.T, 0.5f);
  // The inverted table maps black to white; the table of the key point without filters does not.
  const float black[3] = {0, 0, 0};
  float a[3];
  float b[3];
  grading.A->Apply(black, a);
  grading.B->Apply(black, b);
  EXPECT_NEAR(a[0], 1, 0.01);
  EXPECT_NEAR(b[0], 0, 0.01);
  // The device tables are kept while the key points' tables stay the same.
  EXPECT_EQ(ImagesAt(600)[0].Params.Grading.A, grading.A);
}

TEST_F(ObjectDrawingTest, ColourProfileOfThePictureIsGradedWithEvenWithoutFilters) {
  BuildNew(Object("Pic:Image", "ImageName=inverted.bmp"));
  const TColorGrading grading = ImagesAt(0)[0].Params.Grading;
  ASSERT_TRUE(grading.IsSet());
  EXPECT_EQ(grading.A->Kind(), TGradingTable::TKind::Cube);
  const float black[3] = {0, 0, 0};
  float graded[3];
  grading.A->Apply(black, graded);
  EXPECT_NEAR(graded[0], 1, 0.01);
  EXPECT_NEAR(graded[2], 1, 0.01);
}

// ---- slide backgrounds

// The slide's rectangle grown by 2 units on every side.
constexpr TQuadFrame kBackgroundArea{{-2, -2, 0}, {804, 0, 0}, {0, 604, 0}};

TEST_F(ObjectDrawingTest, ColourBackgroundsFillTheGrownSlideRectangle) {
  const struct {
    const char* keys;
    int code;
    TColor32 color1;
    TColor32 color2;
  } cases[] = {
      {"", kFillSolid, MakeColor(0, 0, 0), MakeColor(0, 0, 0)},
      {"bstyle=1\nbcolor=10,20,30", kFillSolid, MakeColor(10, 20, 30), MakeColor(10, 20, 30)},
      {"bstyle=3\nbcolorstyle=2\nbcolor1=255,0,0\nbcolor2=0,255,0", kFillHGradient, MakeColor(255, 0, 0),
       MakeColor(0, 255, 0)},
      {"bstyle=3\nbcolorstyle=1\nbcolor1=255,0,0\nbcolor2=0,255,0", kFillVGradient, MakeColor(255, 0, 0),
       MakeColor(0, 255, 0)},
  };
  for (const auto& c : cases) {
    BuildNew("", c.keys);
    const TDrawRecorder& drawn = DrawAt(0);
    ASSERT_EQ(drawn.Sequence, "B") << c.keys;
    ExpectQuad(drawn.Boxes[0].Frame, kBackgroundArea, c.keys);
    EXPECT_EQ(drawn.Boxes[0].Params.FillCode, c.code) << c.keys;
    EXPECT_EQ(drawn.Boxes[0].Params.Color1, c.color1) << c.keys;
    EXPECT_EQ(drawn.Boxes[0].Params.Color2, c.color2) << c.keys;
  }
}

TEST_F(ObjectDrawingTest, SecondBackgroundIsDrawnOverTheFirstAtItsBlendBeforeTheObjects) {
  BuildNew(Object("Box1:Box", "Size=10,10"), "bstyle=1\nbcolor=10,20,30");
  TSlideBackground second;
  second.Color1 = {200, 100, 50, 255};
  const struct {
    double blend;
    int alpha;
  } cases[] = {{0.25, 64}, {1, 255}, {7, 255}, {std::nan(""), 0}};
  for (const auto& c : cases) {
    Slide->SetSecondBackground(second, c.blend);
    const TDrawRecorder& drawn = DrawAt(0);
    if (c.alpha == 0) {
      EXPECT_EQ(drawn.Sequence, "BB");
      continue;
    }
    ASSERT_EQ(drawn.Sequence, "BBB") << c.blend;
    EXPECT_EQ(drawn.Boxes[0].Params.Color1, MakeColor(10, 20, 30));
    EXPECT_EQ(drawn.Boxes[1].Params.Color1, MakeColor(200, 100, 50, c.alpha)) << c.blend;
    ExpectQuad(drawn.Boxes[1].Frame, kBackgroundArea);
  }
}

TEST(PlanTilesTest, TileFollowsTheSlideSideThePictureIsNarrowerIn) {
  const struct {
    TSizeF picture;
    double size;
    float pixels_per_unit;
    TSizeF tile;
    int level;
    int half_columns;
    int half_rows;
  } cases[] = {
      {{200, 100}, 25, 1, {300, 150}, 0, 2, 2},     // wider than the slide: a quarter of its height
      {{100, 400}, 25, 1, {200, 800}, 0, 2, 1},     // narrower: a quarter of its width
      {{1200, 600}, 25, 1, {300, 150}, 2, 2, 2},    // halved while twice the tile still fits
      {{1200, 600}, 25, 0.5, {300, 150}, 3, 2, 2},  // a slide shown smaller needs fewer pixels
      {{200, 100}, 0.001, 1, {9.375f, 4.6875f}, 4, 43, 64},  // at most 64 tiles on each side of the centre
      {{0, 100}, 25, 1, {0, 0}, 0, 0, 0},
      {{200, 100}, -5, 1, {0, 0}, 0, 0, 0},
      {{200, 100}, 1e-320, 1, {0, 0}, 0, 0, 0},  // too small to make a tile of
  };
  for (const auto& c : cases) {
    const TTilePlan plan = PlanTiles({800, 600}, c.picture, c.size, {c.pixels_per_unit, c.pixels_per_unit});
    const std::string what = std::to_string(c.picture.Width) + " at " + std::to_string(c.size);
    EXPECT_NEAR(plan.Tile.Width, c.tile.Width, 1e-3) << what;
    EXPECT_NEAR(plan.Tile.Height, c.tile.Height, 1e-3) << what;
    EXPECT_EQ(plan.Level, c.level) << what;
    EXPECT_EQ(plan.HalfColumns, c.half_columns) << what;
    EXPECT_EQ(plan.HalfRows, c.half_rows) << what;
  }
}

TEST_F(ObjectDrawingTest, PictureBackgroundIsTiledFromTheCentreWithAReducedCopy) {
  BuildNew("", "bstyle=2\nbfn=1600x800.bmp\nbsize=25");
  const TDrawRecorder& drawn = DrawAt(0);
  // Columns −1…1 and rows −2…2 meet the grown slide; the outer columns lie beyond it.
  ASSERT_EQ(drawn.Images.size(), 15u);
  TImage& copy = *drawn.Images[0].Picture;
  EXPECT_EQ(copy.Name(), u"SlideBg: 2:1600x800.bmp");
  EXPECT_EQ(copy.Width(), 400);
  EXPECT_EQ(copy.Height(), 200);
  float covered = 0;
  for (const TDrawRecorder::TImageCall& tile : drawn.Images) {
    EXPECT_EQ(tile.Picture, &copy);
    EXPECT_EQ(tile.Params.Opacity, 100);
    covered += tile.Frame.XAxis.X * tile.Frame.YAxis.Y;
    // Cut tiles show the matching part of the picture.
    EXPECT_NEAR(tile.Window.Width() / tile.Frame.XAxis.X, 400.0f / 300, 1e-3);
    EXPECT_NEAR(tile.Window.Height() / tile.Frame.YAxis.Y, 200.0f / 150, 1e-3);
  }
  EXPECT_NEAR(covered, 804 * 604, 1);
  const TDrawRecorder::TImageCall& centre = drawn.Images[7];
  ExpectQuad(centre.Frame, {{250, 225, 0}, {300, 0, 0}, {0, 150, 0}}, "centre tile");
  ExpectRect(centre.Window, {0, 0, 400, 200}, "centre tile");
}

TEST(BackgroundCopiesTest, KeepsTwoCopiesAndHandsBackWhatItDrops) {
  const Ref<TImage> source = SizedPicture(64, 48);
  TBackgroundCopies copies;
  auto drawer = MakeRef<TDrawRecorder>();
  const Ref<TImage> half = copies.Get(source, 1, drawer.Get());
  ASSERT_TRUE(half);
  EXPECT_EQ(half->Name(), u"SlideBg: 1:tiles.bmp");
  EXPECT_EQ(half->Width(), 32);
  EXPECT_EQ(copies.Get(source, 0, drawer.Get()), source);
  EXPECT_EQ(copies.Get(source, 1, drawer.Get()), half);
  EXPECT_EQ(drawer->Prepared.size(), 2u);
  const Ref<TImage> quarter = copies.Get(source, 2, drawer.Get());
  EXPECT_EQ(quarter->Width(), 16);
  EXPECT_EQ(copies.Count(), 2u);
  EXPECT_EQ(drawer->Released, std::vector<TImage*>{half.Get()});
  const Ref<TImage> new_half = copies.Get(source, 1, nullptr);
  EXPECT_NE(new_half, half);  // made anew, in place of the oldest
  EXPECT_EQ(drawer->Released, (std::vector<TImage*>{half.Get(), source.Get()}));
  copies.Release();
  copies.Release();
  // The quarter's textures; the new copy was never prepared. The copies stay for drawing.
  EXPECT_EQ(drawer->Released, (std::vector<TImage*>{half.Get(), source.Get(), quarter.Get()}));
  EXPECT_EQ(copies.Count(), 2u);
  EXPECT_EQ(copies.Get(source, 1, nullptr), new_half);
}

// ---- resources

TEST_F(ObjectDrawingTest, ResourcesArePreparedOnceAndHandedBackOnce) {
  BuildNew(Object("Pic:Image", "ImageName=400x200.bmp") + Object("Box1:Box", "Size=10,10"), "bstyle=2\nbfn=200x100.bmp");
  auto& image = dynamic_cast<TOrvImage&>(Find(u"Pic"));
  auto drawer = MakeRef<TDrawRecorder>();
  Slide->PrepareResources(*drawer);
  Slide->PrepareResources(*drawer);
  ASSERT_EQ(drawer->Prepared.size(), 2u);
  EXPECT_EQ(drawer->Prepared[0]->Name(), u"200x100.bmp");  // the background first
  EXPECT_EQ(drawer->Prepared[1], image.Picture().Get());

  Slide->ReleaseResources();
  Slide->ReleaseResources();
  EXPECT_EQ(drawer->Released, (std::vector<TImage*>{drawer->Prepared[0], drawer->Prepared[1]}));
  // A slide drawn after its release still shows everything.
  EXPECT_EQ(DrawAt(0).Images.size(), 4u);  // three background tiles and the picture

  Slide->PrepareResources(*drawer);
  EXPECT_EQ(drawer->Prepared.size(), 4u);
}

// The loader decodes a slide's pictures where it builds the slide, so that the thread that
// draws finds them decoded at the level it draws from.
TEST_F(ObjectDrawingTest, DecodingPicturesLeavesNothingToDecodeForDrawing) {
  g_counted_loads = 0;
  BuildNew(Object("Pic:Image", "ImageName=counted.bmp\n" + KeyPoint("Time=0")));
  const auto* image = dynamic_cast<const TOrvImage*>(Slide->Children()[0].Get());
  ASSERT_TRUE(image && image->Picture());
  EXPECT_EQ(g_counted_loads, 0);
  Slide->DecodePictures();
  EXPECT_EQ(g_counted_loads, 1);
  EXPECT_TRUE(image->Picture()->GetLevel(image->Level()));
  EXPECT_EQ(g_counted_loads, 1);
}

}  // namespace
}  // namespace orv
