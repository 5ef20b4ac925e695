#include "slide/slide_props.h"

#include <gtest/gtest.h>

#include "slide_fixture.h"

namespace orv {
namespace {

using test::Block;
using test::Image;
using test::KeyPoint;

TEST(SlidePropsTest, KeyTimesRunToTheEndOfTheOutgoingTransition) {
  const TKeyTimes times = SlideKeyTimes(1000, 5000.4, 300.6, 500.5);
  EXPECT_EQ(times.SlideLength, 4500);  // 4000 + 500 (ties go to even)
  EXPECT_EQ(times.PrevEffectEnd, 301);
  EXPECT_EQ(times.NextEffectTime, 500);
  EXPECT_EQ(SlideKeyTimes(0, 1e300, NAN, 0).PrevEffectEnd, 0);
}

class SlidePropsLoadTest : public ::testing::Test, public test::TSlideFixture {
protected:
  // Loads a slide section with `slide_keys` and one object with keys at 1000 and 1000 ms
  // before the slide's end, on the real timeline 10 s long with a 2 s outgoing transition.
  TOrvObjectProps& LoadScaled(std::string_view slide_keys) {
    const std::string text = "[Slide1]\n" + std::string(slide_keys) + "\n" +
                             Block("Container:Root", Image("{A}", KeyPoint("Time=1000") + KeyPoint("Origin=SlideEnd\nTime=-1000")));
    EXPECT_TRUE(FFile->LoadFromBytes(text));
    EXPECT_TRUE(LoadSlideProps(*FRoot, *FFile->FindSection("Slide1"), {10000, 1000, 2000}));
    return Object();
  }
};

TEST_F(SlidePropsLoadTest, ScaleModeStretchesAuthoredTimes) {
  const struct {
    const char* keys;
    double first;
    double second;
  } cases[] = {
      {"", 1000, 9000},
      {"ScaleMode=1\nScaleTimes=4000,500,1000", 2000, 8000},   // 10000 / (4000 + 1000)
      {"ScaleMode=2\nScaleTimes=2000,500,1000", 4000, 8000},   // (10000 − 2000) / 2000
      {"ScaleMode=1", 1000, 9000},                             // no authored times: as it is
      {"ScaleMode=1\nScaleTimes=4000,500", 1000, 9000},
      {"ScaleMode=2\nScaleTimes=0,500,1000", 1000, 9000},
      {"ScaleMode=3\nScaleTimes=4000,500,1000", 1000, 9000},
  };
  for (const auto& c : cases) {
    TOrvObjectProps& object = LoadScaled(c.keys);
    EXPECT_EQ(object.Key(0).Time, c.first) << c.keys;
    EXPECT_EQ(object.Key(1).Time, c.second) << c.keys;
    EXPECT_EQ(object.Times().SlideLength, 10000) << c.keys;
  }
}

TEST_F(SlidePropsLoadTest, SectionWithoutContainerLoadsNothing) {
  ASSERT_TRUE(FFile->LoadFromBytes("[Slide1]\n" + Block("Container:Box", "")));
  EXPECT_FALSE(LoadSlideProps(*FRoot, *FFile->FindSection("Slide1"), {1000, 0, 0}));
  EXPECT_TRUE(FRoot->Children().empty());
}

}  // namespace
}  // namespace orv
