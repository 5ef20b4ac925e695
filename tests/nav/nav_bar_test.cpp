#include "nav/nav_bar.h"

#include <gtest/gtest.h>

#include "base/exceptions.h"
#include "image/picture_cache.h"
#include "nav/bar_pixels.h"
#include "nav_skin_fixture.h"

namespace orv {
namespace {

class NavBarTest : public ::testing::Test {
protected:
  // The bar of `skin` with the buttons at `indexes` of its declared names.
  Ref<TNavBar> MakeBar(std::string_view skin, const std::vector<int>& indexes, bool background = true) {
    Ref<TNavBar> bar = MakeRef<TNavBar>();
    bar->ShowBackground = background;
    bar->Callbacks.LoadTexture = [this](WideView name) { return GetImage(*Accessor, name)->GetLevel(0); };
    bar->Callbacks.IsPlaying = [this] { return Playing; };
    bar->Callbacks.OnClick = [this](TCustomNavBar&, int index) { Clicks.push_back(index); };
    bar->Callbacks.OnImageChanged = [this](TCustomNavBar&, const TRect& dirty) { Redraws.push_back(dirty); };
    Ref<TIniFile> tree = MakeRef<TIniFile>();
    tree->LoadFromBytes(skin);
    bar->Load(tree, u"skin/");
    bar->SetButtons(indexes);
    return bar;
  }
  // home, forward, pause of the fixture's skin (declared pause, home, forward).
  Ref<TNavBar> ClassicBar() { return MakeBar(test::kClassicSkin, {1, 2, 0}); }
  static uint32_t Pixel(const TNavBar& bar, int x, int y) { return bar.Picture()->PixelArgb(x, y); }
  void Mouse(TNavBar& bar, TMouseEvent event, int x, int y, int state = 0) {
    const TMouseButton button = event == TMouseEvent::Move ? TMouseButton::None : TMouseButton::Left;
    bar.MouseEvent(button, state, event, y, x);
  }

  bool Playing = false;
  std::vector<int> Clicks;
  std::vector<TRect> Redraws;
  Ref<TFileAccessor> Accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  Ref<TCallbackHandle> Provider = Accessor->AddPictureProvider({&test::ProvideSkinTextures, nullptr});
};

TEST_F(NavBarTest, DeclaresLowerCaseActionSectionsInTheirOrderAndLaysTheGridOut) {
  const Ref<TNavBar> bar = ClassicBar();
  EXPECT_EQ(bar->Declared(), (std::vector<std::string>{"pause", "home", "forward"}));
  EXPECT_EQ(bar->Width(), 44);
  EXPECT_EQ(bar->Height(), 14);
  ASSERT_EQ(bar->ButtonCount(), 3u);
  EXPECT_EQ(bar->ButtonRect(0), (TRect{6, 2, 16, 12}));   // home, then its space of 2
  EXPECT_EQ(bar->ButtonRect(1), (TRect{18, 2, 28, 12}));  // forward
  EXPECT_EQ(bar->ButtonRect(2), (TRect{28, 2, 38, 12}));  // pause
  ASSERT_EQ(Redraws.size(), 1u);
  EXPECT_EQ(Redraws[0], (TRect{0, 0, 44, 14}));

  struct TCase {
    int X, Y;
    uint32_t Colour;
    const char* What;
  };
  const TCase cases[] = {
      {1, 7, test::kCapGrey, "left cap"},
      {42, 7, test::kCapGrey, "right cap, its file named in another case"},
      {5, 1, test::kCellDark, "button cell margin"},
      {6, 2, test::kButtonWhite, "home background"},
      {10, 6, test::kNormalRed, "home foreground"},
      {32, 6, 0xFFAAAAAAu, "pause shows its play texture, grey, while paused"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Pixel(*bar, c.X, c.Y), c.Colour) << c.What;
}

TEST_F(NavBarTest, ButtonCountIsCappedAndAnEmptyButtonCellKeepsItsMargins) {
  struct TCase {
    std::vector<int> Indexes;
    size_t Buttons;
    int Width;
    int Height;
  };
  const TCase cases[] = {
      {{1, 2, 0, 0}, 3, 44, 14},  // Objects/Count caps at three
      {{1}, 1, 4 + 2 + 12 + 2 + 4, 14},
      {{}, 0, 4 + 4 + 4, 14},  // margins only; the caps keep their height
  };
  for (const TCase& c : cases) {
    const Ref<TNavBar> bar = MakeBar(test::kClassicSkin, c.Indexes);
    EXPECT_EQ(bar->ButtonCount(), c.Buttons);
    EXPECT_EQ(bar->Width(), c.Width);
    EXPECT_EQ(bar->Height(), c.Height);
  }
  const Ref<TNavBar> none = MakeBar("[Common]\r\nColsCount=0\r\nRowsCount=1\r\n[CellWithObjects]\r\nCell=1,1\r\n", {});
  EXPECT_FALSE(none->Picture());
}

TEST_F(NavBarTest, BrokenSkinsAreRefusedWithTheirReason) {
  struct TCase {
    std::string Skin;
    std::string Message;
  };
  const std::string grid = "[Common]\r\nColsCount=1\r\nRowsCount=1\r\n";
  const std::string cell = "[Cell(1:1)]\r\nBounds=0,0,4,14\r\n[Objects]\r\nCount=1\r\n";
  const TCase cases[] = {
      {grid + "[CellWithObjects]\r\nCell=1\r\n", "Incorrect number of parameters in field \"Cell\""},
      {grid + "[CellWithObjects]\r\nCell=1,1\r\n[Cell(1:1)]\r\nBounds=0,0,4\r\n",
       "Incorrect number of parameters in field \"Bounds\" in [Cell(1:1)]"},
      {grid + "[CellWithObjects]\r\nCell=1,1\r\n" + cell + "[Action-home]\r\nBgTextureNormalBounds=0,0,1,1\r\n",
       "Bounds should contains 4 values. For example: BtnTextureNormalBounds=0,0,20,20. But ORV found only 0 values."},
      {"[Common]\r\nColsCount=100000\r\nRowsCount=100000\r\n[CellWithObjects]\r\nCell=1,1\r\n",
       "The navigation bar's grid of 100000 x 100000 cells is not allowed"},
  };
  for (const TCase& c : cases) {
    try {
      MakeBar(c.Skin, {0});
      ADD_FAILURE() << "accepted: " << c.Skin;
    } catch (const EAssertionFailed& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
    }
  }
}

TEST_F(NavBarTest, AClickIsAReleaseOnTheButtonThePressBeganOn) {
  const Ref<TNavBar> bar = ClassicBar();
  Mouse(*bar, TMouseEvent::Move, 10, 6);
  EXPECT_EQ(bar->ButtonState(0), TNavBar::kHover);
  EXPECT_EQ(Pixel(*bar, 10, 6), test::kHoverGreen);
  EXPECT_EQ(Redraws.back(), (TRect{6, 2, 16, 12}));  // only the button that changed

  Mouse(*bar, TMouseEvent::Down, 20, 6);
  EXPECT_EQ(bar->ButtonState(0), TNavBar::kNormal);
  EXPECT_EQ(bar->ButtonState(1), TNavBar::kPressed);
  EXPECT_EQ(Pixel(*bar, 23, 7), test::kPressedBlue);  // moved by its ShiftPressed of 1
  EXPECT_EQ(Pixel(*bar, 19, 3), test::kButtonWhite);
  Mouse(*bar, TMouseEvent::Move, 10, 6, modifier::kLeftButton);  // dragged off: nothing lights up
  EXPECT_EQ(bar->ButtonState(0), TNavBar::kNormal);
  EXPECT_EQ(bar->ButtonState(1), TNavBar::kNormal);
  Mouse(*bar, TMouseEvent::Up, 10, 6);
  EXPECT_TRUE(Clicks.empty());
  EXPECT_EQ(bar->ButtonState(0), TNavBar::kHover);

  Mouse(*bar, TMouseEvent::Down, 20, 6);
  Mouse(*bar, TMouseEvent::Move, 60, 6, modifier::kLeftButton);
  Mouse(*bar, TMouseEvent::Move, 21, 6, modifier::kLeftButton);  // and back before the release
  EXPECT_EQ(bar->ButtonState(1), TNavBar::kPressed);
  Mouse(*bar, TMouseEvent::Up, 21, 6);
  EXPECT_EQ(Clicks, std::vector<int>{1});  // forward, the second button shown

  Mouse(*bar, TMouseEvent::Move, 60, 60);
  Mouse(*bar, TMouseEvent::Move, 10, 6, modifier::kLeftButton);  // a drag from elsewhere
  EXPECT_EQ(bar->ButtonState(0), TNavBar::kNormal);
}

TEST_F(NavBarTest, ThePauseButtonShowsItsPlayTexturesOnlyWhilePaused) {
  const Ref<TNavBar> bar = ClassicBar();
  bar->Tick(0);
  EXPECT_EQ(Pixel(*bar, 32, 6), 0xFFAAAAAAu);
  Playing = true;
  const size_t redraws = Redraws.size();
  bar->Tick(40);
  EXPECT_EQ(Pixel(*bar, 32, 6), 0xFF555555u);  // the normal foreground, red made grey
  EXPECT_EQ(Redraws.size(), redraws + 1);
  bar->Tick(80);
  EXPECT_EQ(Redraws.size(), redraws + 1);  // nothing changed: nothing drawn
}

TEST(BarPixels, SourceOverBlendsStraightColours) {
  struct TCase {
    uint32_t Source, Destination, Expected;
  };
  const TCase cases[] = {
      {0x00FF0000u, 0xFF00FF00u, 0xFF00FF00u},  // transparent source leaves the destination
      {0xFFFF0000u, 0x8000FF00u, 0xFFFF0000u},  // opaque source replaces it
      {0x80FF0000u, 0x00000000u, 0x80FF0000u},  // onto nothing: the source as it is
      {0x80FF0000u, 0xFF0000FFu, 0xFF80007Fu},  // half red over blue
      {0x80FFFFFFu, 0x80FFFFFFu, 0xC0FDFDFDu},  // two half whites: three quarters
  };
  for (const TCase& c : cases)
    EXPECT_EQ(BlendSourceOver(c.Source, c.Destination), c.Expected) << std::hex << c.Source << " over " << c.Destination;
}

TEST(BarPixels, GreyAndHueKeepAlpha) {
  EXPECT_EQ(GrayPixel(0x80FF3000u), 0x80656565u);
  struct TCase {
    uint32_t Pixel;
    int Degrees;
    uint32_t Expected;
  };
  const TCase cases[] = {
      {0x80FF0000u, 120, 0x8000FF00u}, {0xFFFF0000u, 240, 0xFF0000FFu}, {0xFF00FF00u, 360, 0xFF00FF00u},
      {0xFF808080u, 90, 0xFF808080u},  // no saturation: no hue to turn
  };
  for (const TCase& c : cases) {
    const uint32_t shifted = ShiftHuePixel(c.Pixel, c.Degrees * 256 / 360);
    EXPECT_EQ(shifted >> 24, c.Expected >> 24);
    for (int shift = 0; shift < 24; shift += 8)
      EXPECT_NEAR(int((shifted >> shift) & 0xFF), int((c.Expected >> shift) & 0xFF), 6)
          << std::hex << c.Pixel << " by " << std::dec << c.Degrees;
  }
}

}  // namespace
}  // namespace orv
