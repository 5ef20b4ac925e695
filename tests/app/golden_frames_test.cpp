// Frames of small shows made here, rendered by orvviewer -snapshot and compared, point by
// point within a tolerance, with what each show's own definition says the frame shows.
#include "offscreen_run_support.h"

namespace orv::test {
namespace {

std::string Picture(const std::string& name, const std::string& lines = "") {
  return Block("Pic:Image", "GUID={PIC}\nImageName=" + name + "\n" + lines);
}

TEST_F(OffscreenRunTest, PictureAtRestAndMidZoom) {
  WriteBmp(FFolder / "quad.bmp", kWidth, kHeight, Quadrant);
  std::vector<TProbe> at_rest;
  for (int x : {20, 60, 100, 140})
    for (int y : {15, 30, 60, 75}) at_rest.push_back({x, y, Quadrant(x + 0.5, y + 0.5)});
  ExpectProbes(Snapshot(Show({Holding(Picture("quad.bmp"))}, 3000), 1500), at_rest, "at rest");

  // Scale 100 % at 0 ms, 300 % at 2000 ms: 200 % at 1000 ms, about the frame's centre.
  const std::string zoom = Key("Time=0\nScaleX=100\nScaleY=100\n") + Key("Time=2000\nScaleX=300\nScaleY=300\n");
  std::vector<TProbe> mid_zoom;
  for (int x : {10, 40, 120, 150})
    for (int y : {5, 20, 70, 85})
      mid_zoom.push_back({x, y, Quadrant(kWidth / 2.0 + (x + 0.5 - kWidth / 2.0) / 2, kHeight / 2.0 + (y + 0.5 - kHeight / 2.0) / 2)});
  ExpectProbes(Snapshot(Show({Holding(Picture("quad.bmp", zoom))}, 3000), 1000), mid_zoom, "mid zoom");
}

TEST_F(OffscreenRunTest, CrossFadeMixesTheTwoSlides) {
  const std::string show = Show({Coloured(255), Coloured(0xFF0000, "ref=dissolve\ntime=1000\n")}, 2000);
  const struct {
    double Ms;
    TRgb Expected;
  } cases[] = {{1000, {255, 0, 0}}, {2500, {128, 0, 128}}, {3500, {0, 0, 255}}};
  for (const auto& c : cases)
    ExpectProbes(Snapshot(show, c.Ms), {{10, 10, c.Expected}, {80, 45, c.Expected}, {150, 80, c.Expected}},
                 "at " + std::to_string(c.Ms) + " ms");
}

TEST_F(OffscreenRunTest, ASlideThatCannotBeBuiltLeavesItsTimeEmptyAndTheShowGoesOn) {
  // An object without its GUID fails its slide.
  const std::string show = Show({Holding(Block("B:Box", "Size=90,90\nColor1=255,255,255\n")), Coloured(255)}, 2000);
  ExpectProbes(Snapshot(show, 1000), {{80, 45, {0, 0, 0}}}, "the broken slide");
  ExpectProbes(Snapshot(show, 3000), {{80, 45, {255, 0, 0}}}, "the next slide");
}

TEST_F(OffscreenRunTest, RotatedBoxIsADiamond) {
  // A 90-unit box at 40 % is a 36-pixel square; turned by 45° its corners lie 25.5 pixels
  // from its centre along the axes, and its unturned corners are empty.
  const std::string box = Block("B:Box", "GUID={BOX}\nSize=90,90\nColor1=255,255,255\n" +
                                            Key("Time=0\nScaleX=40\nScaleY=40\nAngle=45\n"));
  const TRgb white{255, 255, 255}, black{0, 0, 0};
  const std::vector<TProbe> probes = {{80, 45, white},      {101, 45, white}, {59, 45, white},     {80, 66, white},
                                      {80, 24, white},      {90, 35, white},  {96, 61, black},    {63, 29, black},
                                      {96, 29, black},      {63, 61, black},  {108, 45, black},   {80, 73, black}};
  ExpectProbes(Snapshot(Show({Holding(box)}, 3000), 1500), probes, "rotated box");
}

TEST_F(OffscreenRunTest, MaskShowsContentOnlyInsideItsStencil) {
  // The stencil's brightness is its alpha: a white disc of radius 30 in the middle.
  WriteBmp(FFolder / "disc.bmp", kWidth, kHeight, [](double x, double y) {
    return std::hypot(x - kWidth / 2.0, y - kHeight / 2.0) < 30 ? TRgb{255, 255, 255} : TRgb{0, 0, 0};
  });
  const std::string stencil =
      Block("S:MaskStencil", "GUID={S}\n" + Block("D:Image", "GUID={D}\nImageName=disc.bmp\nRestoreAlpha=1\n"));
  const std::string content =
      Block("C:MaskContent", "GUID={C}\n" + Block("G:Box", "GUID={G}\nSize=160,90\nColor1=0,255,0\n"));
  const std::string mask = Block("M:ViewPort", "GUID={M}\nSize=160,90\n" + stencil + content);
  const TRgb green{0, 255, 0}, black{0, 0, 0};
  const std::vector<TProbe> probes = {{80, 45, green}, {100, 45, green}, {80, 25, green}, {62, 60, green},
                                      {115, 45, black}, {80, 80, black}, {10, 10, black}, {150, 80, black}};
  ExpectProbes(Snapshot(Show({Holding(mask)}, 3000), 1500), probes, "masked box");
}

TEST_F(OffscreenRunTest, StopShowHoldsItsLastSlideAfterTheEnd) {
  ExpectProbes(Snapshot(Show({Coloured(255), Coloured(0x00FF00)}, 2000, "stop"), 6000), {{80, 45, {0, 255, 0}}, {5, 5, {0, 255, 0}}},
               "after the end");
}

// Frames have the size asked for, also one larger than the display (SDL's off-screen one is
// 1024 × 768); a show of another shape sits in the middle, and the rest is the show's
// border colour.
TEST_F(OffscreenRunTest, AFrameOfAnotherShapeIsLetterboxedInTheBorderColour) {
  std::string text = Show({Coloured(255)}, 2000);
  text.replace(text.find("opt_scr_width=160"), 17, "opt_scr_width=120");  // 4:3
  text.insert(text.find("opt_scr_full"), "opt_scr_hidercolor=65280\n");
  const fs::path project = WriteProject(text);
  const fs::path picture = FFolder / "frame.png";
  for (const auto& [width, height] : {std::pair{320, 180}, std::pair{2400, 1350}}) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    ASSERT_EQ(Run({"-filename", project.string(), "-snapshot", "1000", picture.string(), "-size", size}), 0)
        << FErrors;
    TFrame frame;
    ASSERT_TRUE(ReadPng(picture, frame)) << size;
    ASSERT_EQ(frame.Width, width);
    ASSERT_EQ(frame.Height, height);
    // The slide is 4:3 at the full height, in the middle.
    const int left = (width - height * 4 / 3) / 2, right = width - left;
    const TRgb red{255, 0, 0}, green{0, 255, 0};
    const std::vector<TProbe> probes = {{10, height / 2, green},   {left - 4, 5, green},
                                        {left + 4, 5, red},        {width / 2, height / 2, red},
                                        {right - 4, height - 5, red}, {right + 4, height - 5, green},
                                        {width - 10, height / 2, green}};
    ExpectColours(frame, probes, "letterboxed at " + size);
  }
}

}  // namespace
}  // namespace orv::test
