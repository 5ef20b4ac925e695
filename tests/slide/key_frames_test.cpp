#include "slide/key_frames.h"

#include <gtest/gtest.h>

#include <random>

#include "base/exceptions.h"
#include "slide_fixture.h"

namespace orv {
namespace {

using test::Block;
using test::Image;
using test::KeyPoint;

TEST(FieldTableTest, OwnTableIsValidAndGroupsAreRanges) {
  const auto& ranges = GroupFieldRanges();
  EXPECT_EQ(ranges[kGroupOpacity].First, 0);
  EXPECT_EQ(ranges[kGroupPos].First, 1);
  EXPECT_EQ(ranges[kGroupPos].Last, 4);
  EXPECT_EQ(ranges[kGroupColor].First, ranges[kGroupColor].Last);
  EXPECT_EQ(ranges[kGroupFrame].First, 12);
  EXPECT_EQ(ranges[kGroupFrame].Last, 15);
}

TEST(FieldTableTest, BrokenTablesAreRefusedWithTheirMessages) {
  auto broken = [](auto change) {
    auto fields = kAnimatedFields;
    change(fields);
    try {
      ValidateFieldTable(fields);
    } catch (const EAssertionFailed& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_NE(broken([](auto& f) { f[3].Index = 4; }).find("Invalid orv keyframe param index"), std::string::npos);
  EXPECT_NE(broken([](auto& f) { f[0].Group = 8; }).find("Invalid Group Range"), std::string::npos);
  EXPECT_NE(broken([](auto& f) { f[2].SecondOf = 3; }).find("Invalid pair field"), std::string::npos);
  EXPECT_NE(broken([](auto& f) { f[10].PairKey = true; }).find("Invalid pair field"), std::string::npos);
  EXPECT_NE(broken([](auto& f) { f[10].SecondOf = -1; }).find("Invalid pair count"), std::string::npos);
  EXPECT_NE(broken([](auto& f) { f[5].Group = kGroupOpacity; }).find("not contiguous"), std::string::npos);
}

TEST(FieldNamesTest, GroupsFieldsAndTargetsIgnoreCase) {
  EXPECT_EQ(FindGroup("pos.x"), kGroupPos);
  EXPECT_EQ(FindGroup("Opacity"), kGroupOpacity);
  EXPECT_EQ(FindGroup("Frame.S"), kGroupFrame);
  EXPECT_EQ(FindGroup("Position"), -1);
  EXPECT_EQ(FindField(kGroupScale, "SCALE.Y"), kFieldScaleY);
  EXPECT_EQ(FindField(kGroupPos, "Scale.Y"), -1);
  const struct {
    const char* dst;
    bool group_time;
    int index;
  } cases[] = {{"Pos.T", true, kGroupPos},     {"color.t", true, kGroupColor}, {"Pos.X", false, kFieldPosX},
               {"Opacity", false, kFieldOpacity}, {"Blur", false, kFieldBlur}, {"Color", false, -1},
               {"Pos.Q", false, -1},             {"", false, -1},              {"Nothing.T", true, -1}};
  for (const auto& c : cases) {
    const TModTarget target = ParseModTarget(c.dst);
    EXPECT_EQ(target.Index, c.index) << c.dst;
    if (c.index >= 0) {
      EXPECT_EQ(target.GroupTime, c.group_time) << c.dst;
    }
  }
  EXPECT_EQ(TypeCodeOf("TEXTCOMMENT"), 4);
  EXPECT_EQ(TypeCodeOf("image"), kTypeImage);
  EXPECT_EQ(TypeCodeOf("VideoMask"), 11);
  EXPECT_EQ(TypeCodeOf("Root"), 0);
}

class KeyFramesTest : public ::testing::Test, public test::TSlideFixture {};

TEST_F(KeyFramesTest, WithoutKeyPointsEveryFieldKeepsItsDefault) {
  Load(Image("{A}", ""));
  for (double time : {-5.0, 0.0, 1234.0, 99999.0})
    for (const TAnimatedFieldDesk& field : kAnimatedFields)
      EXPECT_EQ(ValueAt(time, field.Index), field.Default) << field.Name << " at " << time;
}

TEST_F(KeyFramesTest, OneKeyPointHoldsItsValuesAtAllTimes) {
  Load(Image("{A}", KeyPoint("Time=2000\nOpacity=0\nPosition=10,20")));
  for (double time : {0.0, 1999.0, 2000.0, 5000.0}) {
    EXPECT_EQ(ValueAt(time, kFieldOpacity), 0);
    EXPECT_EQ(Object().Value(kFieldPosY), 20);
    EXPECT_EQ(Object().Value(kFieldScaleX), 100);
  }
}

TEST_F(KeyFramesTest, InterpolatesLinearlyAndClampsTheTime) {
  Load(Image("{A}", KeyPoint("Time=0\nOpacity=0\nAngle=-90") + KeyPoint("Time=1000\nOpacity=100\nAngle=90")));
  EXPECT_EQ(ValueAt(500, kFieldOpacity), 50);
  EXPECT_EQ(Object().Value(kFieldAngle), 0);
  EXPECT_EQ(ValueAt(250, kFieldOpacity), 25);
  EXPECT_EQ(ValueAt(1000, kFieldOpacity), 100);
  EXPECT_EQ(ValueAt(7000, kFieldOpacity), 100);
  EXPECT_EQ(ValueAt(-300, kFieldOpacity), 0);
  EXPECT_EQ(ValueAt(20000, kFieldOpacity), 100);  // past the slide's end
}

TEST_F(KeyFramesTest, KeyWithoutTheGroupIsSkippedForIt) {
  Load(Image("{A}", KeyPoint("Time=0\nOpacity=0\nPosition=0,0") + KeyPoint("Time=500\ngrps=2\nOpacity=0\nPosition=50,0") +
                        KeyPoint("Time=1000\nOpacity=100\nPosition=0,0")));
  EXPECT_EQ(ValueAt(500, kFieldOpacity), 50);
  EXPECT_EQ(Object().Value(kFieldPosX), 50);
  EXPECT_EQ(ValueAt(750, kFieldOpacity), 75);
  EXPECT_EQ(Object().Value(kFieldPosX), 25);
}

TEST_F(KeyFramesTest, KeysOutOfOrderAreSortedAndEqualTimesKeepFileOrder) {
  Load(Image("{A}", KeyPoint("Time=1000\nOpacity=10") + KeyPoint("Time=0\nOpacity=0") +
                        KeyPoint("Time=1000\nOpacity=90") + KeyPoint("Time=2000\nOpacity=100")));
  ASSERT_EQ(Object().KeyCount(), 4u);
  EXPECT_EQ(Object().Key(0).Time, 0);
  EXPECT_EQ(Object().Key(1).Value(kFieldOpacity), 10);
  EXPECT_EQ(Object().Key(2).Value(kFieldOpacity), 90);
  EXPECT_EQ(Object().Key(2).Index(), 2);
  EXPECT_EQ(ValueAt(500, kFieldOpacity), 5);
  EXPECT_EQ(ValueAt(1000, kFieldOpacity), 90);  // the later key wins from its time on
  EXPECT_EQ(ValueAt(1500, kFieldOpacity), 95);
}

TEST_F(KeyFramesTest, OriginsAnchorKeyTimes) {
  const TKeyTimes times{8000, 1200, 2000};
  const struct {
    const char* lines;
    double time;
  } cases[] = {
      {"Time=300", 300},
      {"Origin=SlideBegin\nTime=300", 300},
      {"Origin=prevEffectEnd\nTime=300", 1500},
      {"Origin=NextEffectBegin\nTime=-100", 5900},
      {"Origin=SlideEnd\nTime=-500", 7500},
      {"Origin=Elsewhere\nTime=300", 300},
      {"Time=1500.9", 1500},
      {"Time=-1500.9", -1500},
      {"Time=abc", 0},
      {"Time=", 0},
      {"Time=1e3", 0},
  };
  for (const auto& c : cases) {
    Load(Image("{A}", KeyPoint(c.lines)), times);
    EXPECT_EQ(Object().Key(0).Time, c.time) << c.lines;
    EXPECT_EQ(Object().Key(0).Origin == kOriginPrevEffectEnd, std::string(c.lines).find("prev") != std::string::npos);
  }
}

TEST_F(KeyFramesTest, ValuesReadFromPairsAndMalformedNumbers) {
  const struct {
    const char* lines;
    int field;
    float value;
  } cases[] = {
      {"CenterPos=,0", kFieldCenterX, 0},  {"CenterPos=,0", kFieldCenterY, 0},  {"CenterPos=30", kFieldCenterY, 0},
      {"Position=", kFieldPosX, 0},        {"Position=", kFieldPosY, 0},        {"Position=12.5,-4", kFieldPosY, -4},
      {"Position=abc,5", kFieldPosX, 0},   {"Position=abc,5", kFieldPosY, 5},   {"Position=1,2,3", kFieldPosX, 1},
      {"ScaleX=abc", kFieldScaleX, 100},   {"ScaleX=1,5", kFieldScaleX, 100},   {"ScaleY=2E2", kFieldScaleY, 200},
      {"Zoom=", kFieldFrameS, 100},        {"OffsY=-7", kFieldFrameY, -7},      {"grps=1\nScaleX=50", kFieldScaleX, 100},
  };
  for (const auto& c : cases) {
    Load(Image("{A}", KeyPoint(c.lines)));
    EXPECT_EQ(ValueAt(0, c.field), c.value) << c.lines << " field " << kAnimatedFields[c.field].Name;
  }
  Load(Image("{A}", KeyPoint("grps=1\nScaleX=50")));
  float value = 0;
  EXPECT_FALSE(Object().Key(0).GetKeyValue(kFieldScaleX, value));
  EXPECT_EQ(value, 100);
  EXPECT_TRUE(Object().Key(0).GetKeyValue(kFieldOpacity, value));
}

TEST_F(KeyFramesTest, FrameOffsetsFollowTheZoomWeightedRule) {
  Load(Image("{A}", KeyPoint("Time=0\nZoom=200\nOffsX=20\nOffsY=20") + KeyPoint("Time=1000\nZoom=300\nOffsX=40\nOffsY=20")));
  EXPECT_EQ(ValueAt(500, kFieldFrameS), 250);
  // (1·20 + (2·40 − 1·20)·0.5) / (250/100 − 1)
  EXPECT_NEAR(Object().Value(kFieldFrameX), 50 / 1.5, 1e-4);
  EXPECT_EQ(Object().Value(kFieldFrameY), 20);  // equal offsets interpolate plainly
  Load(Image("{A}", KeyPoint("Time=0\nZoom=50\nOffsX=20") + KeyPoint("Time=1000\nZoom=150\nOffsX=40")));
  EXPECT_EQ(ValueAt(500, kFieldFrameX), 0);  // the current zoom is 100
  EXPECT_EQ(ValueAt(250, kFieldFrameX), 0);
  Load(Image("{A}", KeyPoint("Time=0\nZoom=150\nOffsX=20") + KeyPoint("Time=1000\nZoom=150\nOffsX=40")));
  EXPECT_EQ(ValueAt(500, kFieldFrameX), 30);  // equal zooms interpolate plainly
}

// Plain linear interpolation between (time, value) keys, for comparison with the cached
// segment walk.
double Reference(const std::vector<std::pair<double, double>>& keys, double x) {
  if (x <= keys.front().first) return keys.front().second;
  for (size_t i = 1; i < keys.size(); ++i)
    if (x < keys[i].first)
      return keys[i - 1].second + (keys[i].second - keys[i - 1].second) * (x - keys[i - 1].first) /
                                      (keys[i].first - keys[i - 1].first);
  return keys.back().second;
}

TEST_F(KeyFramesTest, SegmentCacheFollowsJumpsInBothDirections) {
  std::vector<std::pair<double, double>> keys;
  std::string content;
  for (int i = 0; i < 12; ++i) {
    keys.emplace_back(i * 700 + (i % 3) * 50, (i * 37) % 100);
    content += KeyPoint("Time=" + std::to_string(int(keys.back().first)) + "\nOpacity=" + std::to_string(int(keys.back().second)));
    // Keys without the opacity group in between must not disturb its walk.
    content += KeyPoint("Time=" + std::to_string(i * 700 + 300) + "\ngrps=2\nOpacity=-1000");
  }
  Load(Image("{A}", content));
  std::mt19937 random(3);
  std::uniform_real_distribution<double> anywhere(-500, 10500);
  for (int step = 0; step < 2000; ++step) {
    // Mostly small steps forward, sometimes a jump anywhere (seeking backwards too).
    const double time = step % 7 == 0 ? anywhere(random) : step * 5.0;
    ASSERT_NEAR(ValueAt(time, kFieldOpacity), Reference(keys, std::clamp(time, 0.0, 10000.0)), 1e-3) << time;
  }
}

TEST_F(KeyFramesTest, GroupTimeRunsAcrossSegmentsAndAfterTheLastKey) {
  Load(Image("{A}", KeyPoint("Time=1000") + KeyPoint("Time=3000")), {5000, 0, 0});
  auto t_at = [this](double time) {
    FRoot->Evaluate(time, true);
    return Object().Segment(kGroupPos).T;
  };
  EXPECT_EQ(t_at(500), 0);
  EXPECT_EQ(t_at(2000), 0.5);
  EXPECT_EQ(t_at(3000), 0);
  EXPECT_EQ(t_at(4000), 0.5);  // the remaining slide after the last key
  EXPECT_EQ(t_at(5000), 1);
  EXPECT_EQ(Object().Segment(kGroupPos).Left, 1);
}

TEST_F(KeyFramesTest, MultipliedScaleShowsAtTheNextEvaluationWithinTheSameSegment) {
  const struct {
    const char* name;
    std::string keys;
    double scale_before;
  } cases[] = {
      {"two keys", KeyPoint("Time=0\nScaleX=40") + KeyPoint("Time=1000\nScaleX=80"), 60},
      {"one key", KeyPoint("Time=0\nScaleX=40"), 40},
  };
  for (const auto& c : cases) {
    Load(Image("{A}", c.keys));
    EXPECT_EQ(ValueAt(500, kFieldScaleX), c.scale_before) << c.name;
    Object().MultiplyScale(2);
    // The same time again: the segment does not move, yet the key values did.
    EXPECT_EQ(ValueAt(500, kFieldScaleX), c.scale_before * 2) << c.name;
  }
}

TEST_F(KeyFramesTest, RescaleStretchesTimesWithTiesToEven) {
  Load(Image("{A}", "DeltaTime1=3\nDeltaTime2=5\n" + KeyPoint("Time=1\nOpacity=0") + KeyPoint("Time=1000\nOpacity=100")),
       {2000, 0, 0});
  FRoot->Rescale({5000, 0, 0}, 2.5);
  EXPECT_EQ(Object().Key(0).Time, 2);  // 2.5 rounds to even
  EXPECT_EQ(Object().Key(1).Time, 2500);
  EXPECT_EQ(Object().DeltaTime1(), 8);  // 7.5 → 8
  EXPECT_EQ(Object().DeltaTime2(), 12);  // 12.5 → 12
  EXPECT_EQ(Object().Times().SlideLength, 5000);
  EXPECT_NEAR(ValueAt(1251, kFieldOpacity), 50, 1e-3);
  FRoot->Rescale({5000, 0, 0}, 0);  // counts as 1
  EXPECT_EQ(Object().Key(1).Time, 2500);
}

TEST_F(KeyFramesTest, ReloadKeepsNodesByGuidWithoutRegardToCase) {
  std::string content;
  for (int i = 0; i < 6; ++i) content += Image("{G" + std::to_string(i) + "}", KeyPoint("Opacity=" + std::to_string(i)));
  Load(content);
  std::vector<TOrvObjectProps*> before;
  for (const auto& child : FRoot->Children()) before.push_back(child.Get());
  TOrvKeyFrame* key_of_g2 = &before[2]->Key(0);
  // Reversed, one GUID in other case, one new, one gone.
  std::string reloaded = Image("{NEW}", "");
  for (int i = 5; i >= 1; --i) reloaded += Image(i == 2 ? "{g2}" : "{G" + std::to_string(i) + "}", KeyPoint("Opacity=50"));
  Load(reloaded);
  const auto children = FRoot->Children();
  ASSERT_EQ(children.size(), 6u);
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(children[6 - i].Get(), before[i]) << i;
    EXPECT_EQ(children[6 - i]->IndexInParent(), 6 - i);
  }
  EXPECT_EQ(&children[4]->Key(0), key_of_g2);  // key points are kept by position
  EXPECT_EQ(children[4]->Value(kFieldOpacity), 50);
  EXPECT_EQ(children[4]->Guid(), "{g2}");
  EXPECT_EQ(FRoot->FindNode("{new}"), children[0].Get());
  EXPECT_EQ(FRoot->FindNode("{G0}"), nullptr);
}

TEST_F(KeyFramesTest, ReloadDropsSurplusKeysAndReevaluates) {
  Load(Image("{A}", KeyPoint("Time=0\nOpacity=0") + KeyPoint("Time=1000\nOpacity=100")));
  EXPECT_EQ(ValueAt(500, kFieldOpacity), 50);
  Load(Image("{A}", KeyPoint("Time=0\nOpacity=30")));
  EXPECT_EQ(Object().KeyCount(), 1u);
  EXPECT_EQ(ValueAt(500, kFieldOpacity), 30);
}

TEST_F(KeyFramesTest, BadTreesAreRefusedWithAnAssertion) {
  try {
    Load(Block("Pic:Image", KeyPoint("Opacity=1")));
    FAIL() << "an object without GUID was accepted";
  } catch (const EAssertionFailed& e) {
    EXPECT_NE(std::string(e.what()).find("OrvObject GUID not Assigned"), std::string::npos);
  }
  std::string deep = "GUID={X}\n";
  for (int i = 0; i < TOrvObjectProps::kMaxDepth + 5; ++i) deep = Block("Box:Box", "GUID={D" + std::to_string(i) + "}\n" + deep);
  EXPECT_THROW(Load(deep), EAssertionFailed);
}

TEST_F(KeyFramesTest, MaskPartsIgnoreTheirKeyPoints) {
  Load(Block("Part:MaskStencil", "GUID={M}\n" + KeyPoint("Opacity=0\nScaleX=10")));
  EXPECT_EQ(Object().TypeCode(), kTypeMaskStencil);
  EXPECT_EQ(ValueAt(0, kFieldOpacity), 100);
  EXPECT_EQ(Object().Value(kFieldScaleX), 100);
}

}  // namespace
}  // namespace orv
