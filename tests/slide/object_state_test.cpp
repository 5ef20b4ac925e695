// Hit tests of objects whose frame has gone flat, and the redraw flag while a modifier's
// formula may move values that the key points leave at rest.
#include <gtest/gtest.h>

#include <string>

#include "slide/orv_objects.h"
#include "slide_tree_fixture.h"

namespace orv {
namespace {

using test::KeyPoint;
using test::Object;

class ObjectStateTest : public ::testing::Test, public test::TSlideTreeFixture {
protected:
  void AcceptFlatHits(bool accept) {
    TSlideHostCallbacks callbacks = test::TestHostCallbacks();
    callbacks.AcceptsFlatHit = [accept](const TOrvObject&) { return accept; };
    Host = MakeRef<TOrvSlideHost>(DefaultFileAccessor(), callbacks);
  }
};

// A card at x 600 squeezed to no width (as in a flip) keeps no volume, and neither does
// anything inside it. "Edge" stands turned a quarter about y inside it, so it still spans a
// plane (along y and the view axis) that rays near x 600 cross; "Thin" has no width itself.
TEST_F(ObjectStateTest, FlatObjectsAreHitOnlyWhenTheHostAcceptsThemAndTheyStillSpanAPlane) {
  const std::string card = Object("Card:Box", "Size=200,200\nFitMode=None\n" + KeyPoint("Position=50,0\nScaleX=0") +
                                                  Object("Edge:Box", "Size=100,100\nFitMode=None\n" + KeyPoint("AngleY=90")));
  const std::string thin = Object("Thin:Box", "Size=200,200\nFitMode=None\n" + KeyPoint("Position=50,0\nScaleX=0"));
  const struct {
    const std::string& content;
    bool accept;
    TPointF point;
    std::u16string_view hit;  // empty: the slide itself
  } cases[] = {
      {card, true, {600, 300}, u"Edge"},  {card, true, {605, 340}, u"Edge"}, {card, false, {600, 300}, u""},
      {card, true, {640, 300}, u""},      {card, true, {600, 360}, u""},     {thin, true, {600, 300}, u""},
  };
  for (const auto& c : cases) {
    AcceptFlatHits(c.accept);
    Build(c.content);
    const TOrvObject* expected = c.hit.empty() ? Slide.Get() : &Find(c.hit);
    EXPECT_EQ(Slide->HitTest(c.point, {}), expected)
        << Utf16ToUtf8(c.hit) << " accept " << c.accept << " at " << c.point.X << "," << c.point.Y;
  }
}

// The key points keep the box still; only the modifiers could move it. The state is
// committed and the tree updated again at the same time: only a modifier whose result may
// change while nothing moves asks for a redraw, and only while it acts.
TEST_F(ObjectStateTest, TimeDependentModifiersInForceAskForARedrawWhileTheKeysRest) {
  const auto mod = [](const std::string& lines) { return test::Block("M:Mod", lines); };
  const auto box = [](const std::string& keys) { return Object("Box:Box", "Size=100,100\n" + keys); };
  const std::string rest = KeyPoint("Time=0") + KeyPoint("Time=1000") + KeyPoint("Time=2000");
  const struct {
    std::string content;
    double time;
    bool changed;
  } cases[] = {
      {box(rest), 500, false},
      {box(KeyPoint("Time=0\n" + mod("dst=Opacity\nfn=100*T")) + KeyPoint("Time=1000")), 500, true},
      {box(KeyPoint("Time=0\n" + mod("dst=Pos.T\nfn=T*T")) + KeyPoint("Time=1000")), 500, true},
      {box(KeyPoint("Time=0\n" + mod("dst=Scale.X\nfn=Opacity")) + KeyPoint("Time=1000")), 500, true},
      // Constant formulas, disabled or broken ones move nothing.
      {box(KeyPoint("Time=0\n" + mod("dst=Opacity\nfn=50")) + KeyPoint("Time=1000")), 500, false},
      {box(KeyPoint("Time=0\n" + mod("dst=Opacity\nfn=Sqr(k)\nk=3")) + KeyPoint("Time=1000")), 500, false},
      {box(KeyPoint("Time=0\n" + mod("dst=Opacity\nfn=100*T\nDisable=1")) + KeyPoint("Time=1000")), 500, false},
      {box(KeyPoint("Time=0\n" + mod("dst=Opacity\nfn=100*")) + KeyPoint("Time=1000")), 500, false},
      // The key in force for the target's group decides: here "Pos" turns at the middle key,
      // which has only that group, while "Opacity" runs from the first key to the last.
      {box(KeyPoint("Time=0") + KeyPoint("Time=1000\ngrps=2\n" + mod("dst=Opacity\nfn=100*T")) + KeyPoint("Time=2000")),
       1500, false},
      {box(KeyPoint("Time=0") + KeyPoint("Time=1000\ngrps=2\n" + mod("dst=Pos.X\nfn=100*T")) + KeyPoint("Time=2000")),
       1500, true},
      {box(KeyPoint("Time=0") + KeyPoint("Time=1000\n" + mod("dst=Opacity\nfn=100*T")) + KeyPoint("Time=2000")), 500,
       false},
      // A lone key point's modifiers act after its time only.
      {box(KeyPoint("Time=1000\n" + mod("dst=Opacity\nfn=100*T"))), 500, false},
      {box(KeyPoint("Time=1000\n" + mod("dst=Opacity\nfn=100*T"))), 1500, true},
  };
  for (const auto& c : cases) {
    Build(c.content);
    Slide->UpdateAt(true, c.time);
    Slide->CommitState(true);
    Slide->UpdateAt(true, c.time);
    EXPECT_EQ(Find(u"Box").StateChanged, c.changed) << c.content << "at " << c.time;
  }
}

}  // namespace
}  // namespace orv
