#include "app/print/page_fit.h"

#include <gtest/gtest.h>

#include "app/print/printer.h"

namespace orv {
namespace {

TEST(PageFit, FillsOneDirectionAndCentresTheOther) {
  struct TCase {
    int Width, Height, PageWidth, PageHeight;
    TRect Expected;
  };
  const TCase cases[] = {
      // wider than the page: full width, centred vertically
      {400, 200, 1000, 1000, {0, 250, 1000, 750}},
      // taller: full height, centred horizontally
      {200, 400, 1000, 1000, {250, 0, 750, 1000}},
      // nearly the page's proportions: 297 × 2480 / 210 = 3507.4 truncates below the
      // page width, so the height is filled
      {297, 210, 3508, 2480, {0, 0, 3507, 2480}},
      // truncating division on both the size and the centring
      {3, 2, 10, 10, {0, 2, 10, 8}},
      {7, 3, 100, 50, {0, 4, 100, 46}},
      // a picture larger than any page side times the other overflows 32 bits
      {100000, 50000, 30000, 40000, {0, 12500, 30000, 27500}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(FitOnPage(c.Width, c.Height, c.PageWidth, c.PageHeight), c.Expected)
        << c.Width << "x" << c.Height << " on " << c.PageWidth << "x" << c.PageHeight;
  }
}

TEST(PageFit, EmptyPictureOrPageGivesNothing) {
  for (const auto& [w, h, pw, ph] : {std::tuple{0, 10, 100, 100}, {10, 0, 100, 100}, {10, 10, 0, 100}, {10, 10, 100, -1}})
    EXPECT_TRUE(FitOnPage(w, h, pw, ph).IsEmpty());
}

TEST(PageFit, OnlyWiderThanHighIsLandscape) {
  EXPECT_EQ(OrientationFor(401, 400), TPageOrientation::Landscape);
  EXPECT_EQ(OrientationFor(400, 400), TPageOrientation::Portrait);
  EXPECT_EQ(OrientationFor(300, 400), TPageOrientation::Portrait);
}

TEST(DefaultPrinter, SpoolerDefaultThenEnvironmentThenLast) {
  const std::vector<TPrinterEntry> none_default = {{"a", false}, {"b", false}, {"c", false}};
  const std::vector<TPrinterEntry> b_default = {{"a", false}, {"b", true}, {"c", true}};
  EXPECT_EQ(ChooseDefaultPrinter(b_default, "c"), "b");
  EXPECT_EQ(ChooseDefaultPrinter(none_default, "a"), "a");
  EXPECT_EQ(ChooseDefaultPrinter(none_default, "gone"), "c");
  EXPECT_EQ(ChooseDefaultPrinter(none_default, ""), "c");
  EXPECT_EQ(ChooseDefaultPrinter({}, "a"), std::nullopt);
}

}  // namespace
}  // namespace orv
