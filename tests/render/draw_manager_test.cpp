#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "base/exceptions.h"
#include "render/texture_store.h"
#include "render_test_support.h"

namespace orv::test {
namespace {

constexpr std::uint32_t kBlue = 0xFF0000FFu;

std::uint32_t Argb(int r, int g, int b, int a = 255) {
  const auto c = [](int v) { return std::uint32_t(std::clamp(v, 0, 255)); };
  return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

// Bilinear sampling of a picture the way the device does it: texel centres at +0.5,
// edges repeated.
std::array<float, 4> SampleBilinear(const TImage& picture, float sx, float sy) {
  const Ref<TBitmap> pixels = picture.GetLevel(0);
  const float fx = sx - 0.5f;
  const float fy = sy - 0.5f;
  const int x0 = int(std::floor(fx));
  const int y0 = int(std::floor(fy));
  const float tx = fx - float(x0);
  const float ty = fy - float(y0);
  std::array<float, 4> out{};
  for (int corner = 0; corner < 4; ++corner) {
    const int x = std::clamp(x0 + (corner & 1), 0, pixels->Width() - 1);
    const int y = std::clamp(y0 + (corner >> 1), 0, pixels->Height() - 1);
    const float w = (corner & 1 ? tx : 1 - tx) * (corner >> 1 ? ty : 1 - ty);
    const std::uint32_t c = pixels->PixelArgb(x, y);
    for (int i = 0; i < 4; ++i) out[i] += w * float((c >> (8 * i)) & 255);
  }
  return out;  // b, g, r, a
}

TEST_F(RenderTest, CaptureReturnsTheFramePixels) {
  Drawer->SetFrameRect(TRect{8, 4, 40, 36});
  Ref<TBitmap> frame = Capture([](TDeviceDrawer& d) {
    d.Clear(kBlue);
    TBoxDrawParams box;
    box.Color1 = box.Color2 = 0xFFFF8000u;
    d.DrawBox(FrameOf(TRectF{8, 4, 24, 20}), box);
  });
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->Width(), 32);
  EXPECT_EQ(frame->Height(), 32);
  EXPECT_EQ(MaxDifference(*frame, [](int x, int y) { return x < 16 && y < 16 ? 0xFFFF8000u : kBlue; }), 0);
}

TEST_F(RenderTest, RotatedScaledHalfTransparentQuadMatchesItsExpectedPicture) {
  const Ref<TImage> picture = MakePicture(32, 32, [](int x, int y) { return Argb(x * 8, y * 8, 128); });
  // 40 × 40 pixels (scaled by 1.25) turned by 30 degrees about the window's centre.
  const float angle = float(std::numbers::pi / 6);
  const TPoint3F x_axis{40 * std::cos(angle), 40 * std::sin(angle), 0};
  const TPoint3F y_axis{-40 * std::sin(angle), 40 * std::cos(angle), 0};
  const TPoint3F origin = TPoint3F{32, 24, 0} - x_axis * 0.5f - y_axis * 0.5f;
  const TQuadFrame frame{origin, x_axis, y_axis};
  TImageDrawParams params;
  params.Opacity = 50;
  params.Filtering = TImageFiltering::Bilinear;
  params.Antialias = true;
  Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) {
    d.Clear(kBlue);
    d.DrawImage(*picture, frame, TRectF{0, 0, 32, 32}, params);
  });
  ASSERT_TRUE(drawn);
  DumpPng(*drawn, "rotated_quad");

  // Where each pixel centre falls in the quad (u, v) and how far it is from its sides.
  const auto locate = [&](int px, int py, float& u, float& v) {
    const float dx = px + 0.5f - origin.X;
    const float dy = py + 0.5f - origin.Y;
    const float det = x_axis.X * y_axis.Y - x_axis.Y * y_axis.X;
    u = (dx * y_axis.Y - dy * y_axis.X) / det;
    v = (x_axis.X * dy - x_axis.Y * dx) / det;
  };
  const auto inside = [&](int px, int py) {
    float u, v;
    locate(px, py, u, v);
    return std::min({u, 1 - u, v, 1 - v}) * 40 > 1.5f;
  };
  const auto outside = [&](int px, int py) {
    float u, v;
    locate(px, py, u, v);
    return std::max({-u, u - 1, -v, v - 1}) * 40 > 1.5f;
  };
  const float k = 128 / 255.0f;  // the vertex alpha of 50 %
  const TExpected expected = [&](int px, int py) {
    if (!inside(px, py)) return kBlue;
    float u, v;
    locate(px, py, u, v);
    const std::array<float, 4> c = SampleBilinear(*picture, u * 32, v * 32);
    return Argb(int(std::lround(c[2] * k)), int(std::lround(c[1] * k)), int(std::lround(c[0] * k + 255 * (1 - k))));
  };
  EXPECT_LE(MaxDifference(*drawn, expected, inside), 3);
  EXPECT_EQ(MaxDifference(*drawn, expected, outside), 0);
}

TEST_F(RenderTest, DepthShrinksTowardsTheCentreOfTheScreen) {
  // A 32 × 24 box centred on the screen, as far behind the screen plane as the eye is in
  // front of it, shows at half its size.
  const float z = CameraDistance(kHeight);
  TBoxDrawParams white;
  const TQuadFrame frame{{16, 12, z}, {32, 0, 0}, {0, 24, 0}};
  Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) {
    d.Clear(0xFF000000u);
    d.DrawBox(frame, white);
  });
  ASSERT_TRUE(drawn);
  EXPECT_EQ(MaxDifference(*drawn, [](int x, int y) { return x >= 24 && x < 40 && y >= 18 && y < 30 ? 0xFFFFFFFFu : 0xFF000000u; }),
            0);
}

TEST_F(RenderTest, AntialiasedBoxEdgeCoversHalfAPixel) {
  TBoxDrawParams box;
  box.Color1 = box.Color2 = 0xFFFFFFFFu;
  box.Antialias = {true, true, true, true};
  Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) {
    d.Clear(0xFF000000u);
    d.DrawBox(FrameOf(TRectF{10.5f, 8, 30, 40}), box);
  });
  ASSERT_TRUE(drawn);
  EXPECT_NEAR(drawn->PixelArgb(10, 20) & 255, 128, 3);
  EXPECT_EQ(drawn->PixelArgb(9, 20) & 255, 0u);
  EXPECT_EQ(drawn->PixelArgb(11, 20) & 255, 255u);
}

// A box over the whole window hides what is beneath only when it is one opaque colour;
// translucent or shaded ones still blend with it.
TEST_F(RenderTest, BoxesOverTheWholeWindowShowWhatIsBeneathUnlessOpaque) {
  struct TCase {
    const char* Name;
    float Opacity;
    int FillCode;
    std::uint32_t Centre;
  };
  const std::uint32_t red = 0xFFFF0000u;
  for (const TCase& c : {TCase{"opaque", 100, kFillSolid, red}, TCase{"half", 50, kFillSolid, Argb(128, 0, 127)},
                         TCase{"gradient", 100, kFillHGradient, Argb(128, 128, 0)}}) {
    TBoxDrawParams box;
    box.FillCode = c.FillCode;
    box.Color1 = red;
    box.Color2 = 0xFF00FF00u;
    box.Opacity = c.Opacity;
    Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) {
      d.Clear(kBlue);
      d.DrawBox(FrameOf(TRectF{-2, -2, kWidth + 2, kHeight + 2}), box);
    });
    ASSERT_TRUE(drawn);
    const auto at = [&](int x, int y, std::uint32_t want) {
      return MaxDifference(*drawn, [&](int, int) { return want; }, [&](int px, int py) { return px == x && py == y; });
    };
    EXPECT_LE(at(kWidth / 2, kHeight / 2, c.Centre), 6) << c.Name;
    if (c.FillCode == kFillSolid) {
      EXPECT_LE(at(0, 0, c.Centre), 6) << c.Name;
    }
  }
}

TEST_F(RenderTest, BoxGradientsRunBetweenTheirColours) {
  struct TCase {
    int FillCode;
    std::uint32_t TopLeft, TopRight, BottomLeft;
  };
  const std::uint32_t red = 0xFFFF0000u, green = 0xFF00FF00u;
  const std::uint32_t mid = Argb(128, 128, 0);
  for (const TCase& c : {TCase{kFillHGradient, red, green, red}, TCase{kFillVGradient, red, red, green},
                         TCase{kFillTLBRGradient, red, mid, mid}, TCase{kFillSolid, red, red, red}}) {
    TBoxDrawParams box;
    box.FillCode = c.FillCode;
    box.Color1 = red;
    box.Color2 = green;
    Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) { d.DrawBox(FrameOf(TRectF{0, 0, 64, 48}), box); });
    ASSERT_TRUE(drawn);
    const auto near = [&](int x, int y, std::uint32_t want) {
      return MaxDifference(*drawn, [&](int, int) { return want; }, [&](int px, int py) { return px == x && py == y; });
    };
    EXPECT_LE(near(0, 0, c.TopLeft), 8) << c.FillCode;
    EXPECT_LE(near(63, 0, c.TopRight), 8) << c.FillCode;
    EXPECT_LE(near(0, 47, c.BottomLeft), 8) << c.FillCode;
  }
}

TEST_F(RenderTest, PictureAtOpacityZeroIsNotEvenPrepared) {
  const Ref<TImage> picture = MakePicture(16, 16, [](int, int) { return 0xFFFFFFFFu; });
  TImageDrawParams params;
  params.Opacity = 0;
  Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) {
    d.Clear(kBlue);
    d.DrawImage(*picture, FrameOf(TRectF{0, 0, 16, 16}), TRectF{0, 0, 16, 16}, params);
  });
  ASSERT_TRUE(drawn);
  EXPECT_EQ(MaxDifference(*drawn, [](int, int) { return kBlue; }), 0);
  EXPECT_EQ(TextureStoreOf(*picture).Count(), 0);
}

TEST_F(RenderTest, PicturesAreUploadedOncePerDeviceAndShared) {
  const Ref<TImage> picture = MakePicture(16, 16, [](int x, int) { return Argb(x * 16, 0, 0); });
  const Ref<TImage> second_handle = picture->Clone();
  Drawer->PrepareImage(*picture, {});
  Drawer->PrepareImage(*second_handle, {});
  EXPECT_EQ(TextureStoreOf(*picture).Count(), 1);
  EXPECT_EQ(&TextureStoreOf(*picture), &TextureStoreOf(*second_handle));
  Drawer->ReleaseImage(*picture);
  EXPECT_EQ(TextureStoreOf(*picture).Count(), 1);
  Drawer->ReleaseImage(*second_handle);
  EXPECT_EQ(TextureStoreOf(*picture).Count(), 0);
}

TEST_F(RenderTest, LevelFollowsTheSizeOnScreen) {
  // The halved levels of a picture of one-pixel stripes average to grey; level 0 drawn
  // eight times smaller with point sampling would show stripes or a plain colour.
  const Ref<TImage> picture = MakePicture(256, 256, [](int x, int) { return x % 2 ? 0xFFFFFFFFu : 0xFF000000u; });
  TImageDrawParams params;
  params.Level = -1;
  params.Filtering = TImageFiltering::Nearest;
  Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) {
    d.DrawImage(*picture, FrameOf(TRectF{0, 0, 32, 32}), TRectF{0, 0, 256, 256}, params);
  });
  ASSERT_TRUE(drawn);
  // Level 3 (32 × 32) drawn one to one; its outer columns felt the clamped edge.
  EXPECT_LE(MaxDifference(*drawn, [](int, int) { return Argb(127, 127, 127); },
                          [](int x, int y) { return x >= 4 && x < 28 && y < 32; }),
            2);
}

TEST_F(RenderTest, MissingPixelsLeaveThePictureOutAndTheFrameGoesOn) {
  const Ref<TImage> empty = MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"empty", TBitmap::Create(0, 0, pf::A8R8G8B8)));
  Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) {
    d.Clear(kBlue);
    d.DrawImage(*empty, FrameOf(TRectF{0, 0, 16, 16}), TRectF{0, 0, 16, 16}, {});
  });
  ASSERT_TRUE(drawn);
  EXPECT_EQ(MaxDifference(*drawn, [](int, int) { return kBlue; }), 0);
}

void FillPlane(TYUVImage& image, int plane, std::uint8_t value) {
  const TYUVImage::TPlaneLock lock = image.LockPlane(plane);
  for (int y = 0; y < lock.Height; ++y) std::fill_n(lock.Row(y), lock.Width * (plane == 4 ? 4 : 1), value);
  image.UnlockPlane(plane);
}

TEST_F(RenderTest, VideoSurfacesTakeTheFormTheirSourceNeeds) {
  const Ref<T3DYUV> planar = Drawer->CreateVideoSurface(16, 8, false);
  const Ref<T3DYUV> with_alpha = Drawer->CreateVideoSurface(16, 8, true);
  ASSERT_TRUE(planar && with_alpha);
  EXPECT_EQ(planar->Form(), TYUVImage::TForm::Planar);
  EXPECT_EQ(with_alpha->Form(), TYUVImage::TForm::RGBA);
  EXPECT_EQ(planar->LockPlane(TYUVImage::kPlaneU).Width, 8);
  planar->UnlockPlane(TYUVImage::kPlaneU);
  EXPECT_THROW(planar->LockPlane(TYUVImage::kPlaneRGBA), EAssertionFailed);
  EXPECT_FALSE(Drawer->CreateVideoSurface(0, 8, false));
  EXPECT_FALSE(Drawer->CreateVideoSurface(1 << 20, 8, false));
}

TEST_F(RenderTest, VideoFramesDrawThroughTheirShaders) {
  const Ref<T3DYUV> frame = Drawer->CreateVideoSurface(16, 16, false);
  ASSERT_TRUE(frame);
  FillPlane(*frame, TYUVImage::kPlaneY, 180);
  FillPlane(*frame, TYUVImage::kPlaneU, 128);
  FillPlane(*frame, TYUVImage::kPlaneV, 128);
  struct TCase {
    const char* What;
    TVideoDrawParams Params;
    std::uint32_t Expected;
  };
  TVideoDrawParams keyed;
  keyed.ChromaKey = true;
  keyed.KeyU = keyed.KeyV = 128 / 255.0f;
  keyed.ToleranceX = 0.1f;
  TVideoDrawParams mask;
  mask.AsMask = true;
  TVideoDrawParams deinterlaced;
  deinterlaced.Deinterlace = true;
  const std::uint32_t grey = Argb(191, 191, 191);  // (180 - 16) × 255 / 219
  for (const TCase& c : {TCase{"plain", {}, grey}, TCase{"deinterlaced", deinterlaced, grey},
                         TCase{"keyed out", keyed, kBlue}, TCase{"as mask", mask, Argb(143, 143, 255 - 191 + 143)}}) {
    Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) {
      d.Clear(kBlue);
      d.DrawVideo(*frame, FrameOf(TRectF{0, 0, 64, 48}), c.Params);
    });
    ASSERT_TRUE(drawn);
    EXPECT_LE(MaxDifference(*drawn, [&](int, int) { return c.Expected; }), 3) << c.What;
  }
  const Ref<T3DYUV> rgba = Drawer->CreateVideoSurface(16, 16, true);
  FillPlane(*rgba, TYUVImage::kPlaneRGBA, 200);
  Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) { d.DrawVideo(*rgba, FrameOf(TRectF{0, 0, 64, 48}), {}); });
  ASSERT_TRUE(drawn);
  EXPECT_LE(MaxDifference(*drawn, [](int, int) { return Argb(157, 157, 157); }), 2);  // 200 × 200 / 255 over black
}

TEST_F(RenderTest, MaskShowsTheContentThroughTheStencilsAlpha) {
  // The stencil is half opaque on the left and clear on the right.
  const Ref<TLambdaItem> content = Item([](TDeviceDrawer& d) {
    TBoxDrawParams red;
    red.Color1 = red.Color2 = 0xFFFF0000u;
    d.DrawBox(FrameOf(TRectF{0, 0, 64, 48}), red);
  });
  const Ref<TLambdaItem> stencil = Item([](TDeviceDrawer& d) {
    TBoxDrawParams half;
    half.Color1 = half.Color2 = 0x80FFFFFFu;
    d.DrawBox(FrameOf(TRectF{0, 0, 32, 48}), half);
  });
  Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) {
    d.Clear(kBlue);
    d.ComposeMask(*stencil, *content, 100);
  });
  ASSERT_TRUE(drawn);
  EXPECT_LE(MaxDifference(*drawn, [](int x, int) { return x < 32 ? Argb(128, 0, 127) : kBlue; }), 2);
}

class TRecordingFilter : public TFilterParams {
public:
  void DrawTransition(TDeviceDrawer&, TDrawItem* a, TDrawItem* b) override {
    A = a;
    B = b;
  }
  TDrawItem* A = nullptr;
  TDrawItem* B = nullptr;
};

TEST_F(RenderTest, TransitionsGoThroughTheirFilterOrShowTheNewSlide) {
  const auto box = [](std::uint32_t colour) {
    return Item([colour](TDeviceDrawer& d) {
      TBoxDrawParams p;
      p.Color1 = p.Color2 = colour;
      d.DrawBox(FrameOf(TRectF{0, 0, 64, 48}), p);
    });
  };
  const Ref<TLambdaItem> a = box(0xFFFF0000u), b = box(0xFF00FF00u);
  Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) { d.DrawTransition(a.Get(), b.Get(), nullptr); });
  ASSERT_TRUE(drawn);
  EXPECT_EQ(MaxDifference(*drawn, [](int, int) { return 0xFF00FF00u; }), 0);
  const Ref<TRecordingFilter> filter = MakeRef<TRecordingFilter>();
  Capture([&](TDeviceDrawer& d) { d.DrawTransition(a.Get(), b.Get(), filter.Get()); });
  EXPECT_EQ(filter->A, a.Get());
  EXPECT_EQ(filter->B, b.Get());
}

}  // namespace
}  // namespace orv::test
