#include "slide/mask_pictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "slide/slide_host.h"
#include "slide_tree_fixture.h"

namespace orv {
namespace {

Ref<TBitmap> Row(const TCommonPixelFormat& format, const std::vector<uint32_t>& argb) {
  Ref<TBitmap> bitmap = TBitmap::Create(int(argb.size()), 1, format);
  format.FromArgb(argb.data(), bitmap->Row(0), int(argb.size()));
  return bitmap;
}

std::vector<uint32_t> Pixels(const TBitmap& bitmap) {
  std::vector<uint32_t> argb;
  for (int x = 0; x < bitmap.Width(); ++x) argb.push_back(bitmap.PixelArgb(x, 0));
  return argb;
}

TEST(MaskPicturesTest, RestoreAlphaCases) {
  const struct {
    const char* Case;
    const TCommonPixelFormat* Format;
    std::vector<uint32_t> In;
    std::vector<uint32_t> Out;
  } cases[] = {
      {"24-bit becomes opaque", &pf::R8G8B8, {0x00102030, 0x00FFFFFF}, {0xFF102030, 0xFFFFFFFF}},
      {"opaque grey: brightness is alpha, colour white",
       &pf::A8R8G8B8,
       {0xFF808080, 0xFF000000, 0xFFFFFFFF},
       {0x80FFFFFF, 0x01FFFFFF, 0xFFFFFFFF}},
      {"clear grey: the same", &pf::A8R8G8B8, {0x00404040, 0x00000000}, {0x40FFFFFF, 0x01FFFFFF}},
      {"opaque colours: the brightest channel is alpha, the colour unscaled",
       &pf::A8R8G8B8,
       {0xFFC86400, 0xFF808080},
       {0xC8FF7F00, 0x80FFFFFF}},
      {"one visible colour keeps its alpha and turns white",
       &pf::A8R8G8B8,
       {0x0AFF0000, 0xC8FF0000, 0x0000FF00},
       {0x0AFFFFFF, 0xC8FFFFFF, 0x00FFFFFF}},
      {"anything else is kept",
       &pf::A8R8G8B8,
       {0x0AFF0000, 0xC800FF00, 0xFF123456},
       {0x0AFF0000, 0xC800FF00, 0xFF123456}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    const Ref<TBitmap> restored = RestoreAlpha(*Row(*c.Format, c.In));
    EXPECT_EQ(&restored->Format(), &pf::A8R8G8B8);
    EXPECT_EQ(Pixels(*restored), c.Out);
  }
}

int Coverage(const char16_t* name, int x, int y) {
  const std::optional<TMaskPreset> preset = ParsePresetMaskName(name);
  EXPECT_TRUE(preset);
  return preset ? TMaskGenerator(*preset).Coverage(x, y) : -1;
}

TEST(MaskPicturesTest, SoftCircleFillsTheSquare) {
  const char16_t* name = u"PresetedMask:512:512:1:50:50";
  const TMaskGenerator circle(*ParsePresetMaskName(name));
  EXPECT_EQ(circle.Coverage(255, 256), 255);
  for (auto [x, y] : {std::pair{0, 0}, {511, 0}, {0, 511}, {511, 511}}) EXPECT_EQ(circle.Coverage(x, y), 0);
  // The edge eases from 255 at half the radius (127.5 from the centre) to 0 at the rim
  // (255.5): half way, 128 or so; the same in every direction.
  const auto at_distance = [&](double d, double angle) {
    return circle.Coverage(int(std::lround(255.5 + d * std::cos(angle))), int(std::lround(255.5 + d * std::sin(angle))));
  };
  EXPECT_EQ(at_distance(120, 0.3), 255);
  EXPECT_NEAR(circle.Coverage(255 + 192, 255), 128, 3);
  EXPECT_NEAR(circle.Coverage(255, 255 - 191), 128, 3);
  EXPECT_EQ(circle.Coverage(511, 255), 0);
  int previous = 255;
  for (int x = 256; x < 512; ++x) {
    const int value = circle.Coverage(x, 255);
    EXPECT_LE(value, previous) << x;
    previous = value;
  }
  // Easing: slow at both ends of the ramp, steepest in the middle.
  EXPECT_GT(circle.Coverage(255 + 140, 255), 245);
  EXPECT_LT(circle.Coverage(255 + 245, 255), 10);

  const Ref<TBitmap> picture = circle.Generate();
  EXPECT_EQ(picture->Width(), 512);
  EXPECT_EQ(picture->PixelArgb(256, 256), 0xFFFFFFFFu);
  EXPECT_EQ(picture->PixelArgb(0, 0), 0x00FFFFFFu);
}

TEST(MaskPicturesTest, RoundedRectangleCorners) {
  // 100 × 60: half the shorter side is 30, a roundness of 50 % a corner radius of 15; no
  // softness leaves a one-pixel ramp.
  const char16_t* name = u"PresetedMask:100:60:0:0:50";
  EXPECT_EQ(Coverage(name, 50, 30), 255);
  EXPECT_EQ(Coverage(name, 50, 0), 0);    // on the edge
  EXPECT_EQ(Coverage(name, 50, 1), 255);  // one pixel in
  EXPECT_EQ(Coverage(name, 0, 30), 0);
  EXPECT_EQ(Coverage(name, 99, 30), 0);
  EXPECT_EQ(Coverage(name, 1, 30), 255);
  // The corner is cut by the circle of radius 15 about (15, 15).
  EXPECT_EQ(Coverage(name, 3, 3), 0);
  EXPECT_EQ(Coverage(name, 96, 56), 0);
  EXPECT_EQ(Coverage(name, 6, 6), 255);  // 12.7 from the centre
  EXPECT_EQ(Coverage(name, 15, 1), 255);
  // Without roundness the corners are square.
  EXPECT_EQ(Coverage(u"PresetedMask:100:60:0:0:0", 1, 1), 255);
  // Softness widens the ramp to the corner radius × softness + 1.
  EXPECT_EQ(Coverage(u"PresetedMask:100:60:0:100:50", 50, 16), 255);
  const int eased = Coverage(u"PresetedMask:100:60:0:100:50", 50, 8);
  EXPECT_GT(eased, 100);
  EXPECT_LT(eased, 155);
}

TEST(MaskPicturesTest, PresetNamesWithUnreadableFields) {
  const std::optional<TMaskPreset> defaults = ParsePresetMaskName(u"PresetedMask:wide:x:7:soft:?");
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults->Width, 512);
  EXPECT_EQ(defaults->Height, 512);
  EXPECT_EQ(defaults->Shape, TMaskShape::RoundedRectangle);
  EXPECT_EQ(defaults->Softness, 0);
  EXPECT_EQ(ParsePresetMaskName(u"PresetedMask:10:10:1:250:-3")->Softness, 100);
  for (const char16_t* name : {u"PresetedMask:", u"PresetedMask:10:10:1:50", u"PresetedMask:0:10:1:50:50",
                               u"PresetedMask:10:-4:1:50:50", u"PresetedMask:9000:10:1:50:50"})
    EXPECT_FALSE(ParsePresetMaskName(name)) << Utf16ToUtf8(name);
}

TEST(MaskPicturesTest, HostMakesPresetMasksAndStencils) {
  auto host = MakeRef<TOrvSlideHost>(DefaultFileAccessor(), test::TestHostCallbacks());
  const Ref<TImage> mask = host->GetPicture(u"PresetedMask:64:32:1:0:0");
  ASSERT_TRUE(mask);
  EXPECT_EQ(mask->Width(), 64);
  EXPECT_EQ(mask->Height(), 32);
  EXPECT_EQ(mask->GetLevel(0)->PixelArgb(32, 16), 0xFFFFFFFFu);
  EXPECT_FALSE(host->GetPicture(u"PresetedMask:64"));
  EXPECT_FALSE(host->GetPicture(u"Mask: PresetedMask:64:32:1:0:0"));
}

}  // namespace
}  // namespace orv
