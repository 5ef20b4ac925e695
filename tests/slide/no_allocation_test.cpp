// Evaluation runs for every object on every frame: after the first frame it must not touch
// the heap. A counting operator new watches the whole test program.
#include <gtest/gtest.h>

#include "counting_new.h"
#include "slide/key_frames.h"
#include "slide_fixture.h"

namespace orv {
namespace {

using test::Block;
using test::g_allocations;
using test::Image;
using test::KeyPoint;

TEST(NoAllocationTest, EvaluatingKeyPointsAndModifiersAllocatesNothing) {
  const std::string ease = Block("Ease:Mod", "dst=Pos.T\nfn=QSplineGraph(value, x1/100, y1/100, 1-x2/100, 1-y2/100)\n"
                                              "x1=26\ny1=0\nx2=26\ny2=0");
  const std::string live_curve = Block("Live:Mod", "dst=Scale.T\nfn=QSplineGraph(t, Rnd*0.1+0.2, 0, 0.7, 1)");
  const std::string field = Block("Wobble:Mod", "dst=Angle\nfn=value+Sin(t*Pi*2)*Hypot(Pos.X,Pos.Y)/(1+Power(t,3))");
  std::string content;
  for (int i = 0; i < 20; ++i)
    content += Image("{O" + std::to_string(i) + "}",
                     KeyPoint("Time=0\nPosition=0,0\nZoom=100\n" + ease + live_curve + field) +
                         KeyPoint("Time=2000\nPosition=50,20\nZoom=200\nOffsX=10\n" + ease) +
                         KeyPoint("Time=4000\nPosition=-50,0\nZoom=150\nOffsX=30"));
  test::TSlideFixture slide;
  slide.Load(content, {6000, 500, 500});
  slide.FRoot->Evaluate(0, true);
  const long before = g_allocations.load();
  for (int frame = 0; frame < 2000; ++frame) slide.FRoot->Evaluate((frame * 37) % 6500 - 100, true);
  EXPECT_EQ(g_allocations.load() - before, 0);
  slide.FRoot->Evaluate(700, true);
  EXPECT_NE(slide.Object().Value(kFieldAngle), 0);  // the formulas do run
}

}  // namespace
}  // namespace orv
