// The player in a real window on an X display (Xvfb), driven with keys and clicks by
// xdotool; screenshots tell the slides apart by their colours.
#include <gtest/gtest.h>

#include <filesystem>

#include "package_fixture.h"
#include "picture_fixtures.h"
#include "x_session.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::TChild;
using test::TXSession;
using testing_package::PackageTest;
using testing_package::WriteFile;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;
constexpr const char* kTitle = "orv desktop test";

// A slide of one colour (a colour number has red in its low byte), with a white box of
// 100 × 100 in its middle when it has an action.
std::string Slide(int number, uint32_t rgb, const std::string& action = "") {
  const uint32_t colour_number = (rgb >> 16) | (rgb & 0x00FF00) | ((rgb & 0xFF) << 16);
  std::string text = "[Slide" + std::to_string(number) + "]\nbstyle=1\nbcolor=" + std::to_string(colour_number) +
                     "\nobject Container:Root\n";
  if (!action.empty())
    text += "object Box:Box\nGUID={B" + std::to_string(number) + "}\nSize=100,100\nFitMode=None\n"
            "Color1=255,255,255\nColor2=255,255,255\nAction=" + action + "\nend\n";
  return text + "end\n";
}

// Four slides, red, green, blue and yellow, `slide_ms` each, in a 320 × 240 window
// without border in the middle of the 640 × 480 screen.
std::string Show(int slide_ms, const std::string& first_action) {
  std::string text = std::string("[Main]\nOrvVersion=8.1\nopt_exefn=show.exe\nCanRestore=1\nopt_scr_caption=") + kTitle +
                     "\nopt_scr_full=0\nopt_scr_width=320\nopt_scr_height=240\nopt_pausewheninactive=0\n"
                     "opt_repeat=stop\n[Times]\nopt_slidescount=4\n";
  for (int i = 1; i <= 4; ++i) text += "opt_synchpos" + std::to_string(i) + "=" + std::to_string(i * slide_ms) + "\n";
  return text + Slide(1, kRed, first_action) + Slide(2, kGreen) + Slide(3, kBlue) + Slide(4, kYellow);
}

class Desktop : public PackageTest {
 public:
  void SetUp() override {
    PackageTest::SetUp();
    if (const std::string missing = TXSession::Missing(); !missing.empty()) GTEST_SKIP() << missing;
    FSession.emplace(Folder());
    ASSERT_TRUE(FSession->Ready()) << test::ReadText(Folder() + "/xvfb.log");
  }
  void TearDown() override {
    FPlayer.reset();
    FSession.reset();
    PackageTest::TearDown();
  }
  std::string Folder() const { return FDir.string(); }

  // Starts the player on the show and waits for its window and first slide.
  void Play(const std::string& project) {
    WriteFile(PathOf("show.orv"), project);
    FPlayer.emplace(std::vector<std::string>{ORVVIEWER_PATH, "-filename", PathOf("show.orv"), "-log"},
                    FSession->Environment(), PathOf("player.log"));
    ASSERT_TRUE(FPlayer->Started());
    const std::optional<std::string> window = FSession->FindWindow(kTitle);
    ASSERT_TRUE(window) << Log();
    ASSERT_TRUE(FSession->Xdotool({"windowfocus", "--sync", *window}));
    ASSERT_TRUE(Shows(kRed)) << Log();
  }
  // The slide's colour at a point of the window away from the box.
  bool Shows(uint32_t colour) { return FSession->WaitForColour(200, 150, colour); }
  bool Key(const std::string& key) { return FSession->Xdotool({"key", key}); }
  // A click in the middle of the window, on the box.
  bool ClickTheBox() {
    // Clicks in the first second after the window was made are not taken.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    return FSession->Xdotool({"mousemove", "320", "240"}) && FSession->Xdotool({"click", "1"});
  }
  std::string Log() const { return test::ReadText(PathOf("player.log")); }

  std::optional<TXSession> FSession;
  std::optional<TChild> FPlayer;
};

TEST_F(Desktop, KeysAndClicksMoveThroughTheShowAndEscapeLeaves) {
  Play(Show(60000, "gotoslide(2)"));
  ASSERT_TRUE(Key("Right"));
  EXPECT_TRUE(Shows(kGreen)) << Log();
  ASSERT_TRUE(Key("Left"));
  EXPECT_TRUE(Shows(kRed)) << Log();
  ASSERT_TRUE(ClickTheBox());
  EXPECT_TRUE(Shows(kBlue)) << Log();
  ASSERT_TRUE(Key("Escape"));
  EXPECT_EQ(FPlayer->Wait(std::chrono::seconds(5)), 0) << Log();
}

TEST_F(Desktop, ThePauseKeyHoldsTheSlide) {
  Play(Show(1500, ""));
  ASSERT_TRUE(Key("Pause"));
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_TRUE(Shows(kRed)) << Log();
  ASSERT_TRUE(Key("Pause"));
  EXPECT_TRUE(Shows(kGreen)) << Log();
}

TEST_F(Desktop, TheCloseDialogActionEndsTheProgramWithOne) {
  Play(Show(60000, "closedialog"));
  ASSERT_TRUE(ClickTheBox());
  EXPECT_EQ(FPlayer->Wait(std::chrono::seconds(5)), 1) << Log();
}

// A 24-bit bitmap of one colour (0xRRGGBB).
std::string FlatBmp(int width, int height, uint32_t rgb) {
  test::TBmpSpec spec;
  spec.width = width;
  spec.height = height;
  std::string row;
  for (int x = 0; x < width; ++x) row += {char(rgb & 0xFF), char((rgb >> 8) & 0xFF), char(rgb >> 16)};
  row.resize((row.size() + 3) / 4 * 4, '\0');
  for (int y = 0; y < height; ++y) spec.pixel_data += row;
  return test::WriteBmp(spec);
}

// The navigation panel in the window's top-left corner: one cell of white around the
// forward button (a magenta 16 × 16 on cyan 20 × 20), 28 × 28 pixels, hidden until the
// mouse moves and again a second after it rests.
TEST_F(Desktop, TheNavigationPanelShowsOnMovementMovesOnAndHidesAgain) {
  constexpr uint32_t kWhite = 0xFFFFFF, kMagenta = 0xFF00FF;
  WriteFile(PathOf("cell.bmp"), FlatBmp(4, 4, kWhite));
  WriteFile(PathOf("fg.bmp"), FlatBmp(16, 16, kMagenta));
  WriteFile(PathOf("bg.bmp"), FlatBmp(20, 20, 0x00FFFF));
  WriteFile(PathOf("skin.ini"),
            "[Common]\nColsCount=1\nRowsCount=1\n[CellWithObjects]\nCell=1,1\nLeftOffset=4\nTopOffset=4\n"
            "RightOffset=4\nBottomOffset=4\n[Cell(1:1)]\nBounds=0,0,4,4\nflnm_Texture=cell.bmp\n[Objects]\nCount=1\n"
            "[Action-forward]\nBtnTextureNormalBounds=0,0,16,16\nflnm_BtnTextureNormal=fg.bmp\n"
            "BgTextureNormalBounds=0,0,20,20\nflnm_BgTextureNormal=bg.bmp\n");
  std::string project = Show(60000, "");
  project.insert(project.find("[Times]"),
                 "opt_fcp=1\nopt_nav_inifile=" + PathOf("skin.ini") +
                     "\nopt_cp=Left-Top\nopt_nav_offset=0\nopt_nav_viewscale=11.6667\nopt_nav_wndbottom=1\n"
                     "opt_nav_showbg=1\nopt_hidenavbar=1\nopt_nav_hideinterval=1\nopt_nav_fadein=100\n"
                     "opt_nav_hidefadeout=100\nopt_newnavbuttons_count=1\nopt_newnavbutton1=forward\n");
  Play(project);
  // The window's corner lies at (160, 120) of the screen.
  const auto panel_shows = [this](uint32_t margin) { return FSession->WaitForColour(161, 121, margin); };
  EXPECT_TRUE(panel_shows(kRed)) << "hidden at first";
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  ASSERT_TRUE(FSession->Xdotool({"mousemove", "300", "250"}));
  ASSERT_TRUE(FSession->Xdotool({"mousemove", "320", "260"}));
  EXPECT_TRUE(panel_shows(kWhite)) << Log();
  ASSERT_TRUE(FSession->Xdotool({"mousemove", "174", "134"}));
  EXPECT_TRUE(FSession->WaitForColour(174, 134, kMagenta)) << Log();
  ASSERT_TRUE(FSession->Xdotool({"click", "1"}));
  EXPECT_TRUE(Shows(kGreen)) << Log();
  ASSERT_TRUE(FSession->Xdotool({"mousemove", "400", "300"}));
  EXPECT_TRUE(panel_shows(kGreen)) << "hidden again after its interval";
}

// The box prints: the print dialog appears in the middle of the window over the held
// show, the keyboard saves the captured frame (without the dialog) beside the show, and
// the show goes on.
TEST_F(Desktop, ThePrintActionOpensTheDialogAndItsSaveWritesTheFrame) {
  constexpr uint32_t kCaptionBar = 0x285499;
  Play(Show(4000, "print"));
  ASSERT_TRUE(ClickTheBox());
  // The 282 × 110 dialog centred in the window at (160, 120): its caption bar.
  EXPECT_TRUE(FSession->WaitForColour(200, 190, kCaptionBar)) << Log();
  std::this_thread::sleep_for(std::chrono::milliseconds(4500));
  EXPECT_TRUE(Shows(kRed)) << "the show moved on under the dialog\n" << Log();
  ASSERT_TRUE(Key("Tab"));  // from Print to Save
  ASSERT_TRUE(Key("Return"));
  ASSERT_TRUE(Key("Return"));  // "Slide1.bmp" as suggested
  EXPECT_TRUE(FSession->WaitForColour(200, 190, kRed)) << Log();
  EXPECT_TRUE(Shows(kGreen)) << Log();

  const std::string saved = test::ReadText(PathOf("Slide1.bmp"));
  ASSERT_GE(saved.size(), 54u) << Log();
  EXPECT_EQ(saved.substr(0, 2), "BM");
  const auto le32 = [&](size_t at) {
    return uint32_t(uint8_t(saved[at])) | uint32_t(uint8_t(saved[at + 1])) << 8 |
           uint32_t(uint8_t(saved[at + 2])) << 16 | uint32_t(uint8_t(saved[at + 3])) << 24;
  };
  EXPECT_EQ(le32(18), 320u);
  EXPECT_EQ(le32(22), 240u);
  // Every row of the frame: red at the left edge where the dialog lay, white box in the
  // middle row; rows are bottom-up, blue-green-red.
  const auto pixel = [&](int x, int y) {
    const size_t at = 54 + size_t(239 - y) * 960 + size_t(x) * 3;
    return uint32_t(uint8_t(saved[at + 2])) << 16 | uint32_t(uint8_t(saved[at + 1])) << 8 | uint8_t(saved[at]);
  };
  EXPECT_EQ(pixel(40, 70), kRed);
  EXPECT_EQ(pixel(160, 120), 0xFFFFFFu);
}

}  // namespace
}  // namespace orv
