#include "slide/orv_objects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/exceptions.h"
#include "slide/orv_box.h"
#include "slide/orv_image.h"
#include "slide/orv_mask.h"
#include "slide_tree_fixture.h"

namespace orv {
namespace {

using test::Block;
using test::KeyPoint;
using test::Object;

const double kDepthFactor = 1000 * std::tan(std::numbers::pi / 6) / test::kScreenHeight;

void ExpectPoint(TPoint3F actual, TPoint3F expected, const std::string& what) {
  EXPECT_NEAR(actual.X, expected.X, 1e-3) << what;
  EXPECT_NEAR(actual.Y, expected.Y, 1e-3) << what;
  EXPECT_NEAR(actual.Z, expected.Z, 1e-3) << what;
}

void ExpectFrame(const TOrvObject& object, const TObjectFrame& expected, TPointF offset) {
  const std::string name = Utf16ToUtf8(object.Name());
  const TPlacement& p = object.Placement();
  EXPECT_TRUE(p.Defined) << name;
  ExpectPoint(p.Frame.Origin, expected.Origin, name + " origin");
  ExpectPoint(p.Frame.X, expected.X, name + " x");
  ExpectPoint(p.Frame.Y, expected.Y, name + " y");
  ExpectPoint(p.Frame.Z, expected.Z, name + " z");
  EXPECT_NEAR(p.RectOffset.X, offset.X, 1e-3) << name;
  EXPECT_NEAR(p.RectOffset.Y, offset.Y, 1e-3) << name;
}

class OrvObjectsTest : public ::testing::Test, public test::TSlideTreeFixture {};

TEST_F(OrvObjectsTest, NestedTreeIsPlacedThroughItsParents) {
  Build(Object("Parent:Box", "Size=400,200\nFitMode=None\n" + KeyPoint("Position=50,0\nAngle=90\nScaleX=200") +
                                 Object("Child:Box", "Size=100,100\nFitMode=None\nPosMode=Absolute\n" +
                                                         KeyPoint("Position=10,20\nCenterPos=100,0")) +
                                 Object("Deep:Box", "Size=100,100\nFitMode=None\nCenterMode=Absolute\n" +
                                                        KeyPoint("ZPos=100\nCenterPos=50,0"))));
  const float depth = float(kDepthFactor);
  ExpectFrame(*Slide, {{400, 300, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, depth}}, {-400, -300});
  // Turned a quarter clockwise, twice as wide, its pivot half way to the slide's right edge.
  ExpectFrame(Find(u"Parent"), {{600, 300, 0}, {0, 2, 0}, {-1, 0, 0}, {0, 0, depth}}, {-200, -100});
  // 10, 20 parent units from the parent's pivot; the pivot on the right edge.
  ExpectFrame(Find(u"Child"), {{580, 320, 0}, {0, 2, 0}, {-1, 0, 0}, {0, 0, depth}}, {-100, -50});
  // ZPos 100 is half the parent's height deep; an absolute centre is in local units.
  ExpectFrame(Find(u"Deep"), {{600, 300, 100 * depth}, {0, 2, 0}, {-1, 0, 0}, {0, 0, depth}}, {-100, -50});
}

TEST_F(OrvObjectsTest, FitModesScaleTheContentToTheParent) {
  Build(Object("Into:Box", "Size=100,50") + Object("Cover:Box", "Size=100,50\nFitMode=Cover") +
        Object("None:Box", "Size=100,50\nFitMode=none\n" + KeyPoint("ScaleX=50")) + Object("Empty:Box", "Size=0,50"));
  const struct {
    std::u16string_view name;
    double x, y;
  } cases[] = {{u"Into", 8, 8}, {u"Cover", 12, 12}, {u"None", 0.5, 1}, {u"Empty", 0, 0}};
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(Find(c.name).Placement().FitScaleX, c.x) << Utf16ToUtf8(c.name);
    EXPECT_DOUBLE_EQ(Find(c.name).Placement().FitScaleY, c.y) << Utf16ToUtf8(c.name);
  }
  // A zero-sized object stays in the tree but nothing can hit it.
  EXPECT_EQ(Find(u"Empty").HitTest({400, 300}, [](const TOrvObject& o) { return o.Name() == u"Empty"; }), nullptr);
}

TEST_F(OrvObjectsTest, TimeWindowRunsFromTheDelayedStartToTheShortenedEnd) {
  Build(Object("Under:Box", "Size=800,600") + Object("Late:Box", "Size=800,600\nDeltaTime1=1000\nDeltaTime2=500"), "",
        5000, 10000);
  TOrvObject& late = Find(u"Late");
  const struct {
    double time;
    bool active;
  } cases[] = {{5999.99998, false}, {5999.999995, true}, {10000, true}, {14500.000005, true}, {14500.00002, false}};
  for (const auto& c : cases) {
    Slide->UpdateAt(true, c.time);
    EXPECT_EQ(late.Active(), c.active) << c.time;
    EXPECT_EQ(Slide->HitTest({400, 300}, {}), c.active ? &late : &Find(u"Under")) << c.time;
  }
  // Key times count from the slide's start on the show timeline.
  EXPECT_EQ(late.GetAnchorTime(kOriginSlideEnd), 15000);
}

TEST_F(OrvObjectsTest, HideModeHidesFacesAndChildInvisTheChildren) {
  const struct {
    const char* keys;
    double angle_y;
    bool parent_visible;
    bool child_visible;
  } cases[] = {
      {"HideMode=2\nChildInvis=1", 0, true, true},    {"HideMode=2\nChildInvis=1", 180, false, false},
      {"HideMode=2", 180, false, true},               {"HideMode=3", 0, false, true},
      {"HideMode=3", 180, false, true},               {"HideMode=1\nChildInvis=1", 0, false, false},
      {"HideMode=1\nChildInvis=1", 180, true, true},
  };
  for (const auto& c : cases) {
    Build(Object("Parent:Box", "Size=200,200\n" + std::string(c.keys) + "\n" +
                                   KeyPoint("AngleY=" + std::to_string(c.angle_y)) + Object("Child:Box", "Size=100,100")));
    const TOrvObject& child = Find(u"Child");
    EXPECT_EQ(Find(u"Parent").Visible(), c.parent_visible) << c.keys << " " << c.angle_y;
    EXPECT_EQ(child.Visible(), c.child_visible) << c.keys << " " << c.angle_y;
    EXPECT_EQ(child.HiddenByParent(), !c.child_visible) << c.keys << " " << c.angle_y;
  }
}

TEST_F(OrvObjectsTest, HitTestsFindTheTopmostObjectThatTakesClicks) {
  Build(Object("A:Box", "Size=200,200\nFitMode=None") +
        Object("B:Box", "Size=200,200\nFitMode=None\n" + Object("D:Box", "Size=20,20\nFitMode=None")) +
        Object("C:Box", "Size=200,200\nFitMode=None\nTranspForClick=1") +
        Object("Turned:Box", "Size=400,200\nFitMode=None\n" + KeyPoint("Position=50,0\nAngle=90\nScaleX=200")));
  EXPECT_EQ(Slide->HitTest({400, 300}, {}), &Find(u"C"));
  WideString action;
  EXPECT_EQ(Slide->MouseEvent(0, {400, 300}, true, TMouseEventKind::Move, 0, action), &Find(u"D"));
  EXPECT_EQ(Slide->MouseEvent(0, {480, 380}, true, TMouseEventKind::Move, 0, action), &Find(u"B"));
  // Outside every object the slide itself is under the pointer.
  EXPECT_EQ(Slide->MouseEvent(0, {10, 10}, true, TMouseEventKind::Move, 0, action), Slide.Get());
  // The turned object covers x 500 … 700 and y −100 … 700.
  EXPECT_EQ(Slide->HitTest({650, 590}, {}), &Find(u"Turned"));
  EXPECT_EQ(Slide->HitTest({720, 300}, {}), Slide.Get());
  // Hits disabled, or a button other than the left one held: nothing.
  EXPECT_EQ(Slide->MouseEvent(0, {400, 300}, false, TMouseEventKind::Move, 0, action), nullptr);
  EXPECT_EQ(Slide->MouseEvent(4, {400, 300}, true, TMouseEventKind::Move, 0, action), nullptr);
}

TEST_F(OrvObjectsTest, ClickRunsTheActionOnlyWhenItBeganAndEndedOnTheObject) {
  Build(Object("A:Button", "FitMode=None\nAction=nextslide\n" + KeyPoint("Position=-50,0") + Object("Caption:Text", "")) +
        Object("B:Button", "FitMode=None\nAction=prevslide\n" + KeyPoint("Position=50,0")) +
        Object("Plain:Box", "Size=100,100\nFitMode=None\nAction=help\n" + KeyPoint("Position=0,50")));
  const TPointF a{200, 300};
  const TPointF b{600, 300};
  TOrvObject& button = Find(u"A");
  TOrvObject& caption = Find(u"Caption");
  WideString action;
  Slide->MouseEvent(0, a, true, TMouseEventKind::Move, 0, action);
  EXPECT_EQ(button.MouseState(), TMouseState::Hover);
  EXPECT_EQ(caption.MouseState(), TMouseState::Hover);
  Slide->MouseEvent(kLeftButtonMask, a, true, TMouseEventKind::Down, kLeftButton, action);
  EXPECT_EQ(button.MouseState(), TMouseState::Click);
  EXPECT_TRUE(button.Pressed());
  Slide->MouseEvent(0, b, true, TMouseEventKind::Up, kLeftButton, action);
  EXPECT_EQ(action, u"");
  EXPECT_EQ(button.MouseState(), TMouseState::Normal);
  Slide->MouseEvent(0, a, true, TMouseEventKind::Up, kLeftButton, action);
  EXPECT_EQ(action, u"");
  Slide->MouseEvent(kLeftButtonMask, a, true, TMouseEventKind::Down, kLeftButton, action);
  Slide->MouseEvent(0, a, true, TMouseEventKind::Up, kLeftButton, action);
  EXPECT_EQ(action, u"nextslide");
  EXPECT_EQ(button.MouseState(), TMouseState::Hover);
  // Objects without hover looks click with any button.
  Slide->MouseEvent(0, {400, 450}, true, TMouseEventKind::Down, 2, action);
  Slide->MouseEvent(0, {400, 450}, true, TMouseEventKind::Up, 2, action);
  EXPECT_EQ(action, u"help");
  EXPECT_EQ(Find(u"Plain").MouseState(), TMouseState::Normal);
}

TEST_F(OrvObjectsTest, MaskContainerComposesItsLastStencilAndContent) {
  Build(Object("View:ViewPort", "Size=200,200\n" + KeyPoint("Opacity=50") + Object("S1:MaskStencil", "") +
                                    Object("C1:MaskContent", "") + Object("S2:MaskStencil", "") +
                                    Object("C2:MaskContent", Object("Inside:Box", "Size=10,10"))) +
        Object("Half:ViewPort", "Size=200,200\n" + Object("S:MaskStencil", "")));
  test::TRecordingDrawer drawer;
  Slide->Draw(drawer);
  ASSERT_EQ(drawer.Masks.size(), 1u);
  EXPECT_EQ(drawer.Masks[0].Stencil, &Find(u"S2"));
  EXPECT_EQ(drawer.Masks[0].Content, &Find(u"C2"));
  EXPECT_FLOAT_EQ(drawer.Masks[0].Opacity, 50);
  // The parts take the viewport's size and let clicks through; the opacity is not applied twice.
  EXPECT_EQ(Find(u"C2").Size(), (TSizeF{200, 200}));
  EXPECT_TRUE(Find(u"C2").Settings().TranspForClick);
  EXPECT_FLOAT_EQ(Find(u"Inside").GetOpacity(), 100);
  EXPECT_FALSE(Slide->IsChanged());
}

TEST_F(OrvObjectsTest, ClassWordsChooseTheObjectClass) {
  Build(Object("T:TEXTCOMMENT", "") + Object("F:frame", "") + Object("I:Image", "") +
        Object("M:Mask", Object("Lost:Box", "")) + Object("W:Widget", ""));
  EXPECT_NE(dynamic_cast<TOrvText*>(&Find(u"T")), nullptr);
  EXPECT_NE(dynamic_cast<TOrvFrame*>(&Find(u"F")), nullptr);
  ASSERT_EQ(Slide->Children().size(), 3u);  // no object for "Mask" or "Widget", nor below them
  EXPECT_TRUE(Find(u"T").Settings().Shadow.Enable);
  EXPECT_FALSE(Find(u"I").Settings().Shadow.Enable);

  RegisterObjectCreator([](std::string_view word, TOrvObject& parent, Ref<TOrvObjectProps> node) -> Ref<TOrvObject> {
    return word == "widget" ? MakeRef<TOrvBox>(&parent, std::move(node)) : nullptr;
  });
  Build(Object("I:Image", "") + Object("W:Widget", ""));
  EXPECT_NE(dynamic_cast<TOrvImage*>(&Find(u"I")), nullptr);
  EXPECT_NE(dynamic_cast<TOrvBox*>(&Find(u"W")), nullptr);
}

TEST_F(OrvObjectsTest, ReloadKeepsObjectsAndFlagsRealChanges) {
  Build(Object("A:Box", "Size=10,10") + Object("B:Box", "Size=10,10"));
  TOrvObject* a = &Find(u"A");
  Slide->CommitState(true);
  ASSERT_TRUE(Project->LoadFromBytes("[Main]\n[Slide1]\n" +
                                     Block("Container:Root", Object("B:Box", "Size=10,10") + Object("A:Box", "Size=20,10") +
                                                                 Object("New:Box", ""))));
  TSlideLists lists{Ref<TIniSection>::Share(Project->FindSection("Main")), Ref<TIniSection>::Share(Project->FindSection("Slide1")), nullptr, nullptr};
  ASSERT_TRUE(Slide->LoadSlide(lists, {0, 10000, 0, 0}, false));
  EXPECT_EQ(&Find(u"A"), a);
  EXPECT_TRUE(a->ParamsChanged);
  EXPECT_FALSE(Find(u"B").ParamsChanged);
  EXPECT_EQ(Slide->Children()[2]->Name(), u"New");
}

TEST_F(OrvObjectsTest, UndefinedNumbersLeaveTheObjectUndrawnAndUnhit) {
  Build(Object("Under:Box", "Size=800,600") + Object("Huge:Box", "Size=100,100\n" + KeyPoint("ScaleX=1e39")));
  const TOrvObject& huge = Find(u"Huge");
  EXPECT_FALSE(huge.Placement().Defined);
  EXPECT_FALSE(huge.Visible());
  EXPECT_EQ(Slide->HitTest({400, 300}, {}), &Find(u"Under"));
  test::TRecordingDrawer drawer;
  Slide->Draw(drawer);
}

TEST_F(OrvObjectsTest, ObjectWithoutGuidRefusesTheSlide) {
  ASSERT_TRUE(Project->LoadFromBytes("[Main]\n[Slide1]\n" + Block("Container:Root", Block("A:Box", "Size=1,1"))));
  auto slide = MakeRef<TOrvSlide>(Host);
  TSlideLists lists{Ref<TIniSection>::Share(Project->FindSection("Main")), Ref<TIniSection>::Share(Project->FindSection("Slide1")), nullptr, nullptr};
  EXPECT_THROW(slide->LoadSlide(lists, {0, 1000, 0, 0}, false), EAssertionFailed);
  ASSERT_TRUE(Project->LoadFromBytes("[Main]\n[Slide1]\n" + Block("Container:Box", "")));
  lists.Slide = Ref<TIniSection>::Share(Project->FindSection("Slide1"));
  EXPECT_FALSE(slide->LoadSlide(lists, {0, 1000, 0, 0}, false));
}

TEST_F(OrvObjectsTest, ResolutionEstimateTakesTheLargestSizeOverTheKeyTimes) {
  Build(Object("Growing:Box", "Size=100,100\nFitMode=None\n" + KeyPoint("Time=0") + KeyPoint("Time=5000\nScaleX=300") +
                                  Object("Follower:Box", "Size=50,50\nFitMode=None")) +
        Object("Near:Box", "Size=100,100\nFitMode=None\n" + KeyPoint("ZPos=-50")) +
        Object("Label:Text", KeyPoint("Time=0") + KeyPoint("Time=2000\nScaleY=200")));
  Slide->CommitState(true);
  Slide->PrepareSizes(0);
  const TOrvObject& growing = Find(u"Growing");
  EXPECT_NEAR(growing.NeededWidth(), 300, 1e-3);
  EXPECT_NEAR(growing.NeededHeight(), 100, 1e-3);
  // Without key points of its own, a child grows with its parent.
  EXPECT_NEAR(Find(u"Follower").NeededWidth(), 150, 1e-3);
  // 150 slide units nearer than the screen: it shows larger.
  const double q = 1 / (1 - 150 * kDepthFactor / 1000);
  EXPECT_NEAR(Find(u"Near").NeededWidth(), 100 * q, 1e-2);
  EXPECT_TRUE(Find(u"Label").ParamsChanged);
  EXPECT_NEAR(Slide->NeededWidth(), test::kScreenWidth, 1e-3);
  // The tree is left at the time asked for.
  EXPECT_NEAR(growing.Placement().FitScaleX, 1, 1e-9);
}

}  // namespace
}  // namespace orv
