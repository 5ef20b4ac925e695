#include "slide/modifiers.h"

#include <gtest/gtest.h>

#include "slide/key_frames.h"
#include "slide_fixture.h"

namespace orv {
namespace {

using test::Block;
using test::Image;
using test::KeyPoint;

std::string Mod(std::string_view lines) { return Block("Mod:Mod", lines); }

// The easing preset of authoring tools: control points from percent parameters.
const std::string kEaseFormula = "fn=QSplineGraph(value, x1/100, y1/100, 1-x2/100, 1-y2/100)\nx1=26\ny1=0\nx2=26\ny2=0";

class ModifiersTest : public ::testing::Test, public test::TSlideFixture {
protected:
  // Two key points moving Pos.X from 0 to 100 over one second; `first` goes into the first.
  void LoadMove(std::string_view first) {
    Load(Image("{A}", KeyPoint("Time=0\nPosition=0,0\n" + std::string(first)) + KeyPoint("Time=1000\nPosition=100,0")));
  }
  TOrvObjectMod& Modifier(size_t index = 0) { return *Object().Key(0).Modifiers().at(index); }
};

TEST_F(ModifiersTest, EasingCurveFoldsAndShapesTheGroupTime) {
  LoadMove(Mod("dst=Pos.T\nid={M1}\n" + kEaseFormula));
  const auto& commands = Modifier().Code().Commands();
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].Func->Name(), "Pos.T");
  EXPECT_EQ(commands[1].Func->Name(), "QSplineGraph-opt(0.26:0;0.74:1)");
  EXPECT_FALSE(Modifier().Failed());
  EXPECT_EQ(ValueAt(0, kFieldPosX), 0);
  EXPECT_LT(ValueAt(100, kFieldPosX), 5);  // slow start
  EXPECT_NEAR(ValueAt(500, kFieldPosX), 50, 0.1);
  EXPECT_GT(ValueAt(900, kFieldPosX), 95);  // slow end
  EXPECT_NEAR(ValueAt(999.999, kFieldPosX), 100, 0.01);
  EXPECT_EQ(ValueAt(1000, kFieldPosX), 100);
  EXPECT_EQ(ValueAt(100, kFieldPosY), 0);
}

TEST_F(ModifiersTest, DisabledModifierLeavesTheSegmentLinear) {
  LoadMove(Mod("dst=Pos.T\nDisable=1\n" + kEaseFormula));
  EXPECT_TRUE(Modifier().Disabled());
  EXPECT_NEAR(ValueAt(100, kFieldPosX), 10, 1e-4);
}

TEST_F(ModifiersTest, InvalidFormulasYieldZeroWithoutRaising) {
  const char* formulas[] = {"fn=nothing*2", "fn=(t", "fn=", "fn=t/0", "fn=1e"};
  for (const char* formula : formulas) {
    LoadMove(Mod(std::string("dst=Pos.X\n") + formula));
    EXPECT_TRUE(Modifier().Failed()) << formula;
    EXPECT_EQ(ValueAt(500, kFieldPosX), 0) << formula;  // the target holds 0 while the segment runs
    EXPECT_EQ(ValueAt(1500, kFieldPosX), 100) << formula;  // the next key's segment has no modifier
  }
  LoadMove(Mod("dst=Pos.X\nfn=" + std::string(300, '1')));
  EXPECT_TRUE(Modifier().Failed());
  LoadMove(Mod("dst=Pos.X\nfn=nothing*2"));
  EXPECT_EQ(Modifier().Code().ErrorMessage(), "Unknown Function or Variable nothing");
}

TEST_F(ModifiersTest, ModifiersOfNothingAreDropped) {
  LoadMove(Mod("dst=Position\nfn=1") + Mod("fn=1") + Mod("dst=Color\nfn=1") + Mod("dst=Pos.Y\nfn=7"));
  ASSERT_EQ(Object().Key(0).Modifiers().size(), 1u);
  EXPECT_EQ(ValueAt(500, kFieldPosY), 7);
}

TEST_F(ModifiersTest, ChainAppliesInFileOrder) {
  LoadMove(Mod("dst=pos.t\nfn=t*0.5") + Mod("dst=Pos.T\nfn=t+0.25"));
  EXPECT_NEAR(ValueAt(500, kFieldPosX), 50, 1e-4);  // (0.5 · 0.5) + 0.25
  EXPECT_NEAR(ValueAt(200, kFieldPosX), 35, 1e-4);  // (0.2 · 0.5) + 0.25
}

TEST_F(ModifiersTest, FieldModifiersSeeEarlierModifiedFields) {
  LoadMove(Mod("dst=Scale.X\nfn=Opacity+Pos.X") + Mod("dst=Opacity\nfn=value/2") + Mod("dst=Blur\nfn=Scale.X"));
  EXPECT_EQ(ValueAt(500, kFieldOpacity), 50);
  EXPECT_EQ(Object().Value(kFieldScaleX), 100);  // 50 (modified opacity) + 50
  EXPECT_EQ(Object().Value(kFieldBlur), 100);
}

TEST_F(ModifiersTest, NamesResolveInOrder) {
  // A key of the block folds to a constant; "value" and "<group>.t" name state.
  LoadMove(Mod("dst=Pos.X\nfn=value*k+Scale.T*0+Sqr(2)\nk=2"));
  EXPECT_EQ(ValueAt(250, kFieldPosX), 54);
  const auto& commands = Modifier().Code().Commands();
  EXPECT_EQ(commands[0].Func->Name(), "Pos.X");
  EXPECT_EQ(commands[1].Kind, kCalcMulC);
  EXPECT_EQ(commands[1].Constant, 2);
  // "t" is the time of the target's own group, even for a field target.
  LoadMove(Mod("dst=Pos.Y\nfn=T*10"));
  EXPECT_NEAR(ValueAt(250, kFieldPosY), 2.5, 1e-6);
  // A key whose value is no number reads as 0.
  LoadMove(Mod("dst=Pos.X\nfn=value+k\nk=abc"));
  EXPECT_EQ(ValueAt(250, kFieldPosX), 25);
}

TEST_F(ModifiersTest, SingleKeyRunsItsModifiersOverTheRestOfTheSlide) {
  Load(Image("{A}", KeyPoint("Time=1000\nOpacity=40\n" + Mod("dst=Opacity\nfn=value+t*60"))), {3000, 0, 0});
  EXPECT_EQ(ValueAt(500, kFieldOpacity), 40);
  EXPECT_EQ(ValueAt(2000, kFieldOpacity), 70);
  EXPECT_EQ(ValueAt(3000, kFieldOpacity), 100);
  EXPECT_EQ(ValueAt(1000, kFieldOpacity), 40);
}

TEST_F(ModifiersTest, ReloadKeepsUnchangedModifiersAndGivesMissingIds) {
  LoadMove(Mod("dst=Pos.T\nfn=t*t"));
  const std::string id = Modifier().Id();
  EXPECT_EQ(id.size(), 38u);
  EXPECT_EQ(ReadUtf8(Object().Key(0).IniList()->ObjectAt(0)->FindKey("id")), id);  // written into the block
  LoadMove(Mod("dst=Pos.T\nfn=t*t\nid=" + id));
  TOrvObjectMod* kept = &Modifier();
  LoadMove(Mod("dst=Pos.T\nfn=t*t\nid=" + id));
  EXPECT_EQ(&Modifier(), kept);
  EXPECT_NEAR(ValueAt(500, kFieldPosX), 25, 1e-4);
  LoadMove(Mod("dst=Pos.T\nfn=t\n$rev=1\nid=" + id));
  EXPECT_NE(&Modifier(), kept);
  EXPECT_NEAR(ValueAt(500, kFieldPosX), 50, 1e-4);
}

TEST_F(ModifiersTest, ColorGroupTimeCanBeModified) {
  Load(Image("{A}", KeyPoint("Time=0\n" + Mod("dst=Color.T\nfn=1-t")) + KeyPoint("Time=1000")));
  FRoot->Evaluate(250, true);
  EXPECT_EQ(Object().Segment(kGroupColor).T, 0.75);
}

}  // namespace
}  // namespace orv
