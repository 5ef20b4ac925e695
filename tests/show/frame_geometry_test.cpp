#include "show/frame_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

TShowOptions Options(int minor_version, std::optional<double> ratio = {}) {
  TShowOptions options;
  options.MinorVersion = minor_version;
  options.ScreenRatio = ratio;
  return options;
}

TEST(FrameGeometryTest, AspectComesFromTheProjectOrForOldProjectsFromTheScreen) {
  EXPECT_DOUBLE_EQ(SlideAspect(Options(13), {1024, 768}, {1920, 1080}), 4.0 / 3);
  EXPECT_DOUBLE_EQ(SlideAspect(Options(12), {1024, 768}, {1920, 1080}), 16.0 / 9);
  EXPECT_DOUBLE_EQ(SlideAspect(Options(12, 1.25), {1024, 768}, {1920, 1080}), 1.25);
  EXPECT_DOUBLE_EQ(SlideAspect(Options(12), {1024, 768}, {1920, 0}), 4.0 / 3);
  // A project without a frame size plays in the screen's shape rather than not at all.
  EXPECT_DOUBLE_EQ(SlideAspect(Options(13), {0, 0}, {1920, 1080}), 16.0 / 9);
  EXPECT_DOUBLE_EQ(SlideAspect(Options(12, -2), {1024, 768}, {1920, 1080}), 16.0 / 9);
}

TEST(FrameGeometryTest, FrameFitsCoversOrKeepsTheProjectSize) {
  const struct {
    const char* what;
    TFrameRequest request;
    TIntPair expected;
  } cases[] = {
      {"fit", {{1920, 1080}, {1024, 768}, 4.0 / 3}, {1440, 1080}},
      {"cover", {{1920, 1080}, {1024, 768}, 4.0 / 3, false, true}, {1920, 1440}},
      {"fixed smaller", {{1920, 1080}, {1024, 768}, 4.0 / 3, true}, {1024, 768}},
      {"fixed larger", {{1920, 1080}, {2048, 1536}, 4.0 / 3, true}, {1440, 1080}},
      {"fixed on a tall screen", {{600, 1000}, {1024, 768}, 4.0 / 3, true}, {600, 450}},
      {"odd sides grow unless they fill the screen", {{1001, 601}, {0, 0}, 4.0 / 3}, {802, 601}},
      {"half scale", {{1920, 1080}, {1024, 768}, 4.0 / 3, false, false, 50, 50}, {1440, 1080}},
      {"undefined aspect", {{1920, 1080}, {0, 0}, NAN}, {1920, 1080}},
      {"empty screen", {{0, 0}, {0, 0}, 1}, {1, 1}},
  };
  for (const auto& c : cases) {
    const TIntPair size = FrameSize(c.request);
    EXPECT_EQ(size, c.expected) << c.what << ": " << size.First << " x " << size.Second;
  }
}

TEST(FrameGeometryTest, FrameRectIsCentredAndClipped) {
  EXPECT_EQ(FrameRect({1920, 1080}, {1440, 1080}), (TRect{240, 0, 1680, 1080}));
  EXPECT_EQ(FrameRect({1920, 1080}, {1920, 1440}), (TRect{0, 0, 1920, 1080}));
  EXPECT_EQ(FrameRect({1921, 1080}, {1440, 1080}), (TRect{240, 0, 1680, 1080}));  // halves round to even
  EXPECT_EQ(FrameRect({0, 0}, {1440, 1080}), TRect{});
}

}  // namespace
}  // namespace orv
