#include "slide/filters.h"

#include <gtest/gtest.h>

#include <cmath>

#include "slide/grading.h"
#include "slide/key_frames.h"
#include "slide_fixture.h"

namespace orv {
namespace {

using test::Block;
using test::Image;
using test::KeyPoint;

std::string Filter(std::string_view type, std::string_view lines) { return Block(std::string(type) + ":Filter", lines); }

class FiltersTest : public ::testing::Test, public test::TSlideFixture {
protected:
  // The chain of one key point holding `filters`.
  const TFilterChain& Chain(const std::string& filters) {
    Load(Image("{A}", KeyPoint(filters)));
    return Object().Key(0).Filters();
  }

  // One pixel through a chain, as the table holds it.
  TBgr Apply(const std::string& filters, TBgr pixel) {
    const TFilterChain& chain = Chain(filters);
    uint8_t bytes[4] = {pixel.Blue, pixel.Green, pixel.Red, 0};
    ApplyChain(chain, bytes, 1, 1);
    EXPECT_EQ(bytes[3], chain.empty() ? 0 : 255);
    return {bytes[0], bytes[1], bytes[2]};
  }

  uint8_t ApplyGrey(const std::string& filters, uint8_t level) { return Apply(filters, {level, level, level}).Red; }
};

TEST_F(FiltersTest, LevelsMapsEachChannel) {
  for (int v : {0, 1, 64, 128, 200, 255}) EXPECT_EQ(ApplyGrey(Filter("Levels", "Min=0\nMax=255\nMed=0"), v), v);
  // Med 50: exponent 1/3 lifts the mid-tones.
  EXPECT_EQ(ApplyGrey(Filter("Levels", "Med=50"), 64), static_cast<int>(std::cbrt(64 / 255.0) * 255));
  // Min = Max: the scale is 1, so anything above Min saturates.
  EXPECT_EQ(ApplyGrey(Filter("Levels", "Min=100\nMax=100"), 100), 0);
  EXPECT_EQ(ApplyGrey(Filter("Levels", "Min=100\nMax=100"), 101), 255);
  EXPECT_EQ(ApplyGrey(Filter("Levels", "Min=50\nMax=150"), 100), 127);
  // Out of range and malformed parameters clamp or take their defaults.
  EXPECT_EQ(ApplyGrey(Filter("Levels", "Min=-20\nMax=999\nMed=abc"), 77), 77);
  EXPECT_EQ(ApplyGrey(Filter("Levels", "Min=200\nMax=100\nMed=10"), 250), 0);  // inverted range: no NaN bytes
}

TEST_F(FiltersTest, BrightContrastAndInvertAreLinear) {
  for (int v = 0; v < 256; v += 15) EXPECT_EQ(ApplyGrey(Filter("BrightContrast", "bright=0\ncontrast=0"), v), v);
  EXPECT_EQ(ApplyGrey(Filter("BrightContrast", "contrast=100"), 127), 0);
  EXPECT_EQ(ApplyGrey(Filter("BrightContrast", "contrast=100"), 128), 255);
  EXPECT_EQ(ApplyGrey(Filter("BrightContrast", "Bright=40"), 100), 140);
  EXPECT_EQ(ApplyGrey(Filter("BrightContrast", "bright=-100"), 50), 0);
  EXPECT_EQ(ApplyGrey(Filter("BrightContrast", "contrast=-100"), 10), 127);  // flattened towards grey
  EXPECT_EQ(ApplyGrey(Filter("BrightContrast", "contrast=-100"), 250), 127);
  EXPECT_EQ(Apply(Filter("Invert", ""), {0, 100, 255}), (TBgr{255, 155, 0}));
}

TEST_F(FiltersTest, ColorizationBlendsTowardsTheColour) {
  const TBgr red{0, 0, 255};
  EXPECT_EQ(Apply(Filter("Colorization", "Amount=0\nColor=#FF0000"), {10, 120, 230}), (TBgr{10, 120, 230}));
  // Grey 128 as the colour gives grey scale at full amount.
  const int luma = (255 * 13933) >> 16;
  EXPECT_EQ(Apply(Filter("Colorization", "Color=128,128,128"), red), (TBgr{uint8_t(luma), uint8_t(luma), uint8_t(luma)}));
  EXPECT_EQ(ApplyGrey(Filter("Colorization", "Color=255,255,255\nAmount=100"), 128), 255);
  EXPECT_EQ(ApplyGrey(Filter("Colorization", "Color=255,255,255\nAmount=100"), 60), 123);
  // Half amount moves half way: 128 → 264 (capped later) gives 128 + 68.
  EXPECT_EQ(ApplyGrey(Filter("Colorization", "Color=255,255,255\nAmount=50"), 128), 196);
  EXPECT_EQ(Apply(Filter("Colorisation2", "Color=#FF8000"), {200, 200, 200}), (TBgr{0, 100, 199}));
  EXPECT_EQ(Apply(Filter("Colorisation3", "Color=#FF8000"), {200, 100, 200}), (TBgr{0, 100, 255}));
}

TEST_F(FiltersTest, HslShiftsHueAndAdjustsSaturationAndLightness) {
  const TBgr cyanish = Apply(Filter("HSL", "Hue=180"), {0, 0, 255});
  EXPECT_LE(cyanish.Red, 5);
  EXPECT_GE(cyanish.Green, 250);
  EXPECT_GE(cyanish.Blue, 250);
  // No change comes back within the rounding of hue, saturation and lightness to bytes.
  for (TBgr pixel : {TBgr{10, 200, 30}, TBgr{128, 128, 128}, TBgr{255, 0, 100}, TBgr{3, 2, 1}}) {
    const TBgr same = Apply(Filter("HSL", "Hue=0"), pixel);
    EXPECT_NEAR(same.Red, pixel.Red, 4);
    EXPECT_NEAR(same.Green, pixel.Green, 4);
    EXPECT_NEAR(same.Blue, pixel.Blue, 4);
  }
  EXPECT_EQ(Apply(Filter("HSL", "Saturation=-100"), {0, 0, 255}), (TBgr{128, 128, 128}));
  EXPECT_EQ(Apply(Filter("HSL", "Lightness=100"), {0, 0, 255}), (TBgr{255, 255, 255}));
}

TEST_F(FiltersTest, ChainsApplyInOrderAndSkipDisabledFilters) {
  // Invert then brighten differs from brighten then invert.
  EXPECT_EQ(ApplyGrey(Filter("Invert", "") + Filter("BrightContrast", "bright=20"), 100), 175);
  EXPECT_EQ(ApplyGrey(Filter("BrightContrast", "bright=20") + Filter("Invert", ""), 100), 135);
  EXPECT_EQ(ApplyGrey(Filter("BrightContrast", "bright=20") + Filter("Invert", "Disable=1"), 100), 120);
  // Unknown types make no filter; the rest still apply.
  EXPECT_EQ(Chain(Filter("Sharpen", "") + Filter("Invert", "")).size(), 1u);
  const TFilterChain& chain = Chain(Filter("Invert", "$rev=5") + Filter("HSL", "$rev=7"));
  EXPECT_EQ(ChainSignature(chain), "12");
  EXPECT_EQ(ChainKind(chain), kFilterColorMixing);
  EXPECT_EQ(chain[1]->Caption(), u"HSL");
  EXPECT_EQ(ChainSignature(Chain(Filter("Invert", ""))), "");
  EXPECT_EQ(ChainKind(Chain(Filter("Levels", "") + Filter("Invert", ""))), kFilterPerChannel);
}

TEST(ColorTableTest, IdentityTablesHoldTheLattice) {
  const TColorTable ramp = TColorTable::IdentityRamp();
  ASSERT_EQ(ramp.Pixels.size(), 4u * 256 * 16);
  EXPECT_EQ(ramp.Pixels[4 * (256 * 15 + 200) + 1], 200);
  const TColorTable cube = TColorTable::IdentityCube();
  ASSERT_EQ(cube.Width, 32);
  ASSERT_EQ(cube.Rows, 1024);
  // Row j + 32·i, column k: blue i, green j, red k.
  const uint8_t* pixel = &cube.Pixels[4 * ((5 + 32 * 31) * 32 + 4)];
  EXPECT_EQ(pixel[0], 255);
  EXPECT_EQ(pixel[1], 41);
  EXPECT_EQ(pixel[2], 33);
  EXPECT_EQ(pixel[3], 255);
}

TEST_F(FiltersTest, TablesCarryTheChain) {
  const TColorTable ramp = BuildColorTable(Chain(Filter("Invert", "")), false);
  EXPECT_FALSE(ramp.ThreeD);
  for (int row : {0, 7, 15}) EXPECT_EQ(ramp.Pixels[4 * (256 * row + 10) + 2], 245) << row;
  const TColorTable cube = BuildColorTable(Chain(Filter("Invert", "")), true);
  EXPECT_EQ(cube.Pixels[0], 255);
  // A colour profile's cube is the starting point instead of the identity.
  TColorTable profile = TColorTable::IdentityCube();
  profile.Pixels[0] = 40;
  EXPECT_EQ(BuildColorTable(Chain(Filter("Invert", "")), false, &profile).Pixels[0], 215);
}

TEST_F(FiltersTest, GradingBlendsTheKeyTablesByTheColorTime) {
  Load(Image("{A}", KeyPoint("Time=0\n" + Filter("Invert", "")) + KeyPoint("Time=1000")));
  TGradingParams params;
  FRoot->Evaluate(500, true);
  ASSERT_TRUE(GetGradingParams(Object(), nullptr, params));
  EXPECT_FALSE(params.ThreeD);
  EXPECT_EQ(params.Blend, 0.5);
  EXPECT_EQ(SampleGrading(params, {0, 100, 255}), (TBgr{128, 128, 128}));  // half inverted
  FRoot->Evaluate(0, true);
  ASSERT_TRUE(GetGradingParams(Object(), nullptr, params));
  EXPECT_EQ(SampleGrading(params, {0, 100, 255}), (TBgr{255, 155, 0}));
  // From the last key on, neither key of the segment has filters: drawn without grading.
  FRoot->Evaluate(1000, true);
  EXPECT_FALSE(GetGradingParams(Object(), nullptr, params));
}

TEST_F(FiltersTest, GradingUsesTheCubeForColourMixingAndProfiles) {
  Load(Image("{A}", KeyPoint("Time=0\n" + Filter("HSL", "Saturation=-100")) + KeyPoint("Time=1000")));
  TGradingParams params;
  FRoot->Evaluate(0, true);
  ASSERT_TRUE(GetGradingParams(Object(), nullptr, params));
  EXPECT_TRUE(params.ThreeD);
  const TBgr grey = SampleGrading(params, {0, 0, 255});
  EXPECT_NEAR(grey.Red, 128, 2);
  EXPECT_NEAR(grey.Blue, 128, 2);
  // Half way, between grey and the untouched (identity cube) colour.
  FRoot->Evaluate(500, true);
  ASSERT_TRUE(GetGradingParams(Object(), nullptr, params));
  EXPECT_TRUE(params.ThreeD);
  const TBgr half = SampleGrading(params, {0, 0, 255});
  EXPECT_NEAR(half.Red, 192, 2);
  EXPECT_NEAR(half.Green, 64, 2);
  const TBgr same = SampleGrading(TGradingParams{params.Right, params.Right, 0, true}, {17, 99, 201});
  EXPECT_NEAR(same.Blue, 17, 1);
  EXPECT_NEAR(same.Green, 99, 1);
  EXPECT_NEAR(same.Red, 201, 1);
}

TEST_F(FiltersTest, NoGradingWithoutFiltersOrWithoutColourKeys) {
  TGradingParams params;
  Load(Image("{A}", KeyPoint("Time=0") + KeyPoint("Time=1000")));
  FRoot->Evaluate(500, true);
  EXPECT_FALSE(GetGradingParams(Object(), nullptr, params));
  // Keys without the Color group (bit 6): their filters are dropped.
  Load(Image("{A}", KeyPoint("grps=63\n" + Filter("Invert", ""))));
  FRoot->Evaluate(500, true);
  EXPECT_FALSE(GetGradingParams(Object(), nullptr, params));
  const TColorTable profile = TColorTable::IdentityCube();
  ASSERT_TRUE(GetGradingParams(Object(), &profile, params));
  EXPECT_EQ(params.Left, &profile);
}

TEST_F(FiltersTest, KeyTablesAreRebuiltOnlyWhenTheChainChanges) {
  Load(Image("{A}", KeyPoint(Filter("Invert", "id={F}"))));
  TOrvKeyFrame& key = Object().Key(0);
  const TColorTable* table = &key.Grading().Table(key.Filters(), false, nullptr);
  const uint8_t* pixels = table->Pixels.data();
  EXPECT_EQ(&key.Grading().Table(key.Filters(), false, nullptr), table);
  EXPECT_EQ(key.Grading().Table(key.Filters(), false, nullptr).Pixels.data(), pixels);  // not rebuilt
  Load(Image("{A}", KeyPoint(Filter("BrightContrast", "id={F}\n$rev=2\nbright=10"))));
  EXPECT_EQ(&Object().Key(0), &key);
  EXPECT_EQ(key.Grading().Table(key.Filters(), false, nullptr).Pixels[4 * 5], 15);
}

}  // namespace
}  // namespace orv
