#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "button_theme_fixture.h"
#include "slide/orv_button.h"
#include "slide/text_macros.h"
#include "slide_tree_fixture.h"
#include "tagged_jpeg.h"
#include "text/text_params.h"

namespace orv {
namespace {

using test::KeyPoint;
using test::Object;

TEST(TextMacros, OnePassLeftToRightWithoutExpandingValuesAgain) {
  const TMacroValue value = [](std::string_view macro) -> std::optional<WideString> {
    if (SameTextAscii(macro, "SlideIndex")) return u"3";
    if (SameTextAscii(macro, "SlidesCount")) return u"10";
    if (SameTextAscii(macro, "MainImg.IPTC.City")) return u"<%SlideIndex%>";
    if (SameTextAscii(macro, "MainImg.Exif.Comment")) return u"";
    return std::nullopt;
  };
  EXPECT_EQ(ExpandMacros(u"Slide <%slideindex%> of <%SLIDESCOUNT%>", value), u"Slide 3 of 10");
  EXPECT_EQ(ExpandMacros(u"<%MainImg.IPTC.City%>!", value), u"<%SlideIndex%>!");
  EXPECT_EQ(ExpandMacros(u"<%Unknown%> <%SlideIndex", value), u"<%Unknown%> <%SlideIndex");
  EXPECT_EQ(ExpandMacros(u"<%Mystery<%SlideIndex%>", value), u"<%Mystery3");
  EXPECT_EQ(ExpandMacros(u"<%MainImg.Exif.Comment%>", value), u" ");
}

TEST(TextMacros, PathAndDateParts) {
  const WideString path = u"C:\\Photos\\Holiday\\beach.day.jpg";
  const struct {
    const char* macro;
    const char16_t* expected;
  } cases[] = {{"FileName", u"beach.day"},
               {"PathName", u"C:\\Photos\\Holiday\\beach.day"},
               {"FileNameExt", u"beach.day.jpg"},
               {"FolderPath", u"C:\\Photos\\Holiday\\"},
               {"FolderName", u"Holiday"}};
  for (const auto& c : cases) EXPECT_EQ(PathMacro(c.macro, path), WideString(c.expected)) << c.macro;
  EXPECT_EQ(PathMacro("FolderName", u"Photos/Holiday/x.jpg"), WideString(u"Holiday"));
  EXPECT_FALSE(PathMacro("Width", path));
  EXPECT_EQ(DateMacro("Date", u"2016:12:24 18:30:00"), WideString(u"2016:12:24"));
  EXPECT_EQ(DateMacro("Time", u"2016:12:24 18:30:00"), WideString(u"18:30:00"));
  EXPECT_EQ(DateMacro("Time", u""), WideString());
}

TEST(RasterScale, IsHalvedUntilThePictureFits) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    double scale, width, height, expected;
  } cases[] = {
      {1, 100, 50, 1},          // fits
      {10, 5000, 100, 2.5},     // 50000 wide → 25000, then 12.5 million pixels → 3.1 million
      {1000, 100, 100, 31.25},  // a side first, then the total
      {3, 20000, 10, 1.5},
      {kNaN, 100, 50, 1},       // no number: 1, and no endless halving
      {kInf, 100, 50, 1},
      {-2, 100, 50, 1},
      {0, 100, 50, 1},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(LimitRasterScale(c.scale, c.width, c.height), c.expected) << c.scale;
}

// Records the quads pictures are drawn on.
class TQuadDrawer : public test::TRecordingDrawer {
public:
  std::vector<TQuadFrame> Quads;
  void DrawImage(TImage&, const TQuadFrame& quad, const TRectF&, const TImageDrawParams&) override {
    Quads.push_back(quad);
  }
};

// Records the tint and picture of every picture quad.
class TTintDrawer : public test::TRecordingDrawer {
public:
  std::vector<std::pair<TImage*, TColor32>> Drawn;
  void DrawImage(TImage& picture, const TQuadFrame&, const TRectF&, const TImageDrawParams& params) override {
    Drawn.emplace_back(&picture, params.TintColor);
  }
};

class TextObjects : public test::TSlideTreeFixture, public testing::Test {
protected:
  TextObjects() {
    Source->Files[u"Buttons\\aqua\\btn.ini"] = test::SheetState("NormalState", "parts.bmp") + "[TextParams]\nColor=1,2,3\n";
    Source->Files[u"Buttons\\aqua\\parts.bmp"] = test::PartSheet();
    Host = MakeRef<TOrvSlideHost>(MakeRef<TFileAccessor>(Source, u""), test::TestHostCallbacks(), u"Buttons\\");
  }
  TOrvText& Text(std::u16string_view name) { return dynamic_cast<TOrvText&>(Find(name)); }
  TColor32 DrawnTint(TOrvText& text, TMouseState state) {
    text.SetMouseState(state);
    TTintDrawer drawer;
    text.DrawSelf(drawer);
    EXPECT_EQ(drawer.Drawn.size(), 1u);
    return drawer.Drawn.empty() ? 0 : drawer.Drawn.back().second;
  }

  // A slide holding the text "T" with these keys, its sizes estimated and its picture asked
  // for at them.
  TOrvText& PreparedText(const std::string& keys) {
    Build(Object("T:Text", keys));
    Slide->PrepareSizes(0);
    TOrvText& text = Text(u"T");
    text.PrepareResources(*Drawer);
    return text;
  }

  Ref<test::TMemoryFileSource> Source = MakeRef<test::TMemoryFileSource>();
  Ref<TQuadDrawer> Drawer = MakeRef<TQuadDrawer>();
};

TEST_F(TextObjects, StatesChooseTheirColoursAndCaptionsTakeTheThemeColour) {
  Build(Object("T:Text", "Text=\"Go on\"\nTextColor=10,20,30\nTextColorHover=40,50,60\nTextColorClick=70,80,90\n"
                         "ShadowEnable=0\nAction=nextslide\n") +
        Object("B:Button", Object("C:Text", "Text=\"First\\nSecond\"\nTextColor=200,200,200\n")));
  TOrvText& text = Text(u"T");
  EXPECT_EQ(DrawnTint(text, TMouseState::Normal), 0xFF0A141Eu);
  EXPECT_EQ(DrawnTint(text, TMouseState::Hover), 0xFF28323Cu);
  EXPECT_EQ(DrawnTint(text, TMouseState::Click), 0xFF46505Au);
  TOrvText& caption = Text(u"C");
  for (TMouseState state : {TMouseState::Normal, TMouseState::Hover, TMouseState::Click})
    EXPECT_EQ(DrawnTint(caption, state), 0xFF010203u);
  // A caption shows its first line only, and the button (5 high) makes room for it.
  EXPECT_EQ(caption.Lines(), std::vector<WideString>{u"First"});
  const double aspect = caption.TextBox().Width / caption.TextBox().Height;
  EXPECT_GT(aspect, 1.5);
  EXPECT_EQ(dynamic_cast<TOrvButton&>(Find(u"B")).WantedWidth(), std::lround(5 * aspect + 5));
}

TEST_F(TextObjects, TheTextBoxFollowsTheParentsHeight) {
  Build(Object("T:Text", "Text=\"Hello\\nWorld\"\nFontStyle=Bold\n"));
  TOrvText& text = Text(u"T");
  ASSERT_TRUE(text.Picture());
  EXPECT_TRUE(text.Picture()->Name().starts_with(u"Text: Arial:"));
  EXPECT_EQ(text.ExpandedLines(), (std::vector<WideString>{u"Hello", u"World"}));
  EXPECT_NEAR(text.Size().Height, 2 * 107, 1);
  // Fitted so that the text's height is the slide's (scale 100 %).
  EXPECT_NEAR(text.Placement().FitScaleY * text.Size().Height, 600, 1e-3);
}

TEST_F(TextObjects, MacrosComeFromTheSlideAndItsMainPicture) {
  Source->Files[u"Photos\\Holiday\\beach.jpg"] = test::TaggedJpeg(
      "macros", "-ImageDescription='Sand' -ModifyDate='2016:12:24 18:30:00' -UserComment='Warm' "
                "-IPTC:City='Nice' -IPTC:By-line=Ann -IPTC:By-line+=Bob -ExifByteOrder=MM");
  Source->Files[u"Photos\\bare.jpg"] = test::TaggedJpeg("bare", "");
  const std::string lines =
      "Slide <%slideindex%> of <%SLIDESCOUNT%>\\n<%MainImg.Width%>x<%MainImg.Height%> <%MainImg.FolderName%> "
      "<%MainImg.FileNameExt%>\\n<%MainImg.Exif.Date%> <%MainImg.Exif.Time%> <%MainImg.Exif.Description%> "
      "<%MainImg.Exif.Comment%>\\n<%MainImg.IPTC.City%> <%MainImg.IPTC.AuthorByline%>";
  const auto slide = [&](const char* picture) {
    return Object("P:Image", std::string("ImageName=") + picture + "\nImageIndex=0\n") +
           Object("T:Text", "Text=\"" + lines + "\"\n");
  };
  Build(slide("Photos\\Holiday\\beach.jpg"), "", 0, 10000, 2, 10);
  EXPECT_EQ(Text(u"T").ExpandedLines(), (std::vector<WideString>{u"Slide 3 of 10", u"16x16 Holiday beach.jpg",
                                                                  u"2016:12:24 18:30:00 Sand Warm", u"Nice Ann"}));
  Build(slide("Photos\\bare.jpg"), "", 0, 10000, 0, 1);
  EXPECT_EQ(Text(u"T").ExpandedLines(), (std::vector<WideString>{u"Slide 1 of 1", u"16x16 Photos bare.jpg", u"   ", u" "}));
  Build(Object("T:Text", "Text=\"<%MainImg.IPTC.City%>\"\n"));
  EXPECT_EQ(Text(u"T").ExpandedLines(), std::vector<WideString>{u" "});
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST_F(TextObjects, ATextMeasuredAnewKeepsItsGlyphSizeThroughItsKeyScales) {
  Build(Object("T:Text", "Text=\"One\"\n" + test::Block("Key:KeyPoint", "ScaleX=20\nScaleY=10\n") +
                             test::Block("Key:KeyPoint", "Time=1000\nOpacity=50\n")));
  TOrvText& text = Text(u"T");
  const float one_line = text.TextBox().Height;
  EXPECT_EQ(text.TextParams().Correction, 1);  // the first picture corrects nothing
  auto& block = const_cast<TIniObject&>(*text.Props().IniObject());
  block.FindKey("Text")->SetValue("\"One\\nTwo\"");
  text.LoadParams(block, true);
  const double factor = text.TextBox().Height / one_line;
  EXPECT_NEAR(factor, 2, 0.1);
  EXPECT_DOUBLE_EQ(text.TextParams().Correction, factor);
  ASSERT_TRUE(text.Picture());
  EXPECT_DOUBLE_EQ(DecodeTextName(text.Picture()->Name()).Params.Correction, factor);  // the name carries it
  // The key that has the Scale group, and its block, are multiplied once; the other key
  // (which has it too, by default) as well; the node shows the new values.
  EXPECT_NEAR(text.Props().Key(0).Value(kFieldScaleY), 10 * factor, 1e-3);
  EXPECT_NEAR(text.Props().Key(0).Value(kFieldScaleX), 20 * factor, 1e-3);
  EXPECT_NEAR(ReadFloat(block.ObjectAt(0)->FindKey("ScaleY"), 0), 10 * factor, 1e-3);
  EXPECT_NEAR(text.Props().Value(kFieldScaleY), 10 * factor, 1e-3);
  text.LoadParams(block, true);
  text.AcquirePicture();
  EXPECT_NEAR(text.Props().Key(0).Value(kFieldScaleY), 10 * factor, 1e-3);
}

TEST_F(TextObjects, ATextAtAFractionalPositionIsDrawnOnWholePixels) {
  TOrvText& text =
      PreparedText("Text=\"Aligned\"\nShadowEnable=0\n" + KeyPoint("PosX=10.37\nPosY=-7.61\nScaleX=20\nScaleY=20"));
  text.DrawSelf(*Drawer);
  ASSERT_EQ(Drawer->Quads.size(), 1u);
  const TQuadFrame& quad = Drawer->Quads[0];
  const TTextParams params = DecodeTextName(text.Picture()->Name()).Params;
  // Rendered at the size it is shown at, one picture pixel to a screen pixel ...
  EXPECT_NEAR(quad.XAxis.X, text.Picture()->Width(), 1e-2);
  EXPECT_NEAR(quad.YAxis.Y, text.Picture()->Height(), 1e-2);
  // ... the fraction of the position is in the picture, and its corner on a whole pixel.
  EXPECT_GT(params.OffsetX + params.OffsetY, 0.01);
  EXPECT_NEAR(quad.Origin.X, std::round(quad.Origin.X), 1e-3);
  EXPECT_NEAR(quad.Origin.Y, std::round(quad.Origin.Y), 1e-3);
  text.ReleaseResources();
}

TEST_F(TextObjects, FitScalesStayFiniteAsScaleYVanishes) {
  const struct {
    const char* scale_y;
    double x_over_y;  // FitScaleX / FitScaleY, or −1 for FitScaleX 0
  } cases[] = {{"50", 30.0 / 50}, {"0.001", 30.0 / 0.001}, {"0.00005", -1}, {"0", -1}};
  for (const auto& c : cases) {
    Build(Object("T:Text", "Text=\"Flat\"\n" + KeyPoint(std::string("ScaleX=30\nScaleY=") + c.scale_y)));
    const TPlacement& p = Text(u"T").Placement();
    EXPECT_TRUE(std::isfinite(p.FitScaleX) && std::isfinite(p.FitScaleY)) << c.scale_y;
    if (c.x_over_y < 0)
      EXPECT_LT(std::abs(p.FitScaleX), 1e-6) << c.scale_y;
    else
      EXPECT_NEAR(p.FitScaleX / p.FitScaleY, c.x_over_y, c.x_over_y * 1e-4) << c.scale_y;
  }
}

TEST_F(TextObjects, ClicksBetweenTwoLinesMissTheText) {
  TOrvText& text = PreparedText("Text=\"One\\nTwo\"\nLineSpacing=200\nShadowEnable=0\n" + KeyPoint("ScaleX=30\nScaleY=30"));
  // Before the picture is made its whole box takes clicks; the made picture brings its lines.
  const TRectF box = text.LocalRect();
  const auto screen = [&](double x, double y) {
    const TPoint3F p = text.Placement().Frame.At(float(x), float(y));
    return TPointF{p.X, p.Y};
  };
  EXPECT_EQ(text.HitTest(screen(0, (box.Top + box.Bottom) / 2), nullptr), &text);
  ASSERT_TRUE(text.Picture()->GetLevel(0));
  const auto* store = dynamic_cast<const TTextBitmapStore*>(&text.Picture()->Store());
  ASSERT_TRUE(store && store->LineRects());
  const std::vector<TRect>& lines = store->LineRects()->Rects();
  ASSERT_EQ(lines.size(), 2u);
  // Picture pixels to local units, then to the screen.
  const double s = store->Params().Scale;
  const float left = float(box.Left - store->BoxOriginX() / s), top = float(box.Top - store->BoxOriginY() / s);
  const auto at = [&](double px, double py) { return screen(left + px / s, top + py / s); };
  const double middle_x = (lines[0].Left + lines[0].Right) / 2.0;
  EXPECT_EQ(text.HitTest(at(middle_x, (lines[0].Top + lines[0].Bottom) / 2.0), nullptr), &text);
  EXPECT_EQ(text.HitTest(at(middle_x, (lines[1].Top + lines[1].Bottom) / 2.0), nullptr), &text);
  EXPECT_GT(lines[1].Top - lines[0].Bottom, store->LineHeight() / 2);
  EXPECT_EQ(text.HitTest(at(middle_x, (lines[0].Bottom + lines[1].Top) / 2.0), nullptr), nullptr);
  EXPECT_EQ(text.HitTest(at(lines[0].Right + 5, (lines[0].Top + lines[0].Bottom) / 2.0), nullptr), nullptr);
  text.ReleaseResources();
}

TEST_F(TextObjects, ACaptionIsRenderedForItsButtonsCurrentHeightInTheButtonsParent) {
  // The button grows from half to full height; its caption has two key points of its own.
  Build(Object("B:Button", KeyPoint("ScaleY=50") + KeyPoint("Time=1000\nScaleY=100") +
                               Object("C:Text", "Text=\"Go\"\n" + KeyPoint("ScaleX=60\nScaleY=70") +
                                                                KeyPoint("Time=500\nScaleX=40\nScaleY=65"))));
  Slide->PrepareSizes(0);
  const TOrvText& caption = Text(u"C");
  const TOrvObject& button = Find(u"B");
  const float grandparent_height = button.Parent()->NeededHeight();
  ASSERT_GT(grandparent_height, 0);
  const double expected = 50 * 70 * grandparent_height / 10000 / caption.TextBox().Height;
  EXPECT_NEAR(caption.RasterScale(), expected, expected * 1e-6);
  // Not the button's largest height, which the needed size follows.
  EXPECT_GT(70 * button.NeededHeight() / 100 / caption.TextBox().Height, expected * 1.5);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST_F(TextObjects, TheResolutionEstimateLeavesARenderedTextWhereItIs) {
  const std::string growing = KeyPoint("Time=0") + KeyPoint("Time=2000\nScaleY=300");
  Build(Object("T:Text", "Text=\"Still\"\n" + growing) + Object("B:Box", "Size=100,100\nFitMode=None\n" + growing));
  TOrvText& text = Text(u"T");
  const TObjectFrame before = text.Placement().Frame;
  Slide->MeasureAt(2000);
  EXPECT_EQ(text.Placement().Frame.Y.Y, before.Y.Y);
  EXPECT_NEAR(Find(u"B").Placement().FitScaleY, 3, 1e-6);  // other objects do move
  // So the text's own needed height is the one it has now, not the largest of its keys.
  Slide->PrepareSizes(0);
  EXPECT_NEAR(text.NeededHeight(), 600, 1e-2);
  EXPECT_NEAR(Find(u"B").NeededHeight(), 300, 1e-2);
}

}  // namespace
}  // namespace orv
