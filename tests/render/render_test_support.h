// A real GL context off screen for the render tests, pictures made in code, and frame
// comparisons with a tolerance.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/image.h"
#include "png_dump.h"
#include "platform/platform_window.h"
#include "render/device.h"
#include "render/draw_device.h"
#include "render/draw_manager.h"

namespace orv::test {

// The GL engine, made once per test program.
Ref<T3DEngine> SharedEngine();

// A picture whose pixel (x, y) is colour(x, y) as 0xAARRGGBB.
Ref<TImage> MakePicture(int width, int height, const std::function<std::uint32_t(int x, int y)>& colour);

// Draws whatever its function draws.
class TLambdaItem : public TDrawItem {
public:
  explicit TLambdaItem(std::function<void(TDeviceDrawer&)> draw) : FDraw(std::move(draw)) {}
  void Draw(TDeviceDrawer& drawer) override { FDraw(drawer); }

private:
  std::function<void(TDeviceDrawer&)> FDraw;
};

inline Ref<TLambdaItem> Item(std::function<void(TDeviceDrawer&)> draw) { return MakeRef<TLambdaItem>(std::move(draw)); }

// An expected colour per pixel, straight (the frame is opaque).
using TExpected = std::function<std::uint32_t(int x, int y)>;

// The largest difference of one channel between the bitmap and the expectation, over the
// pixels for which `where` holds (all of them without it).
int MaxDifference(const TBitmap& actual, const TExpected& expected,
                  const std::function<bool(int x, int y)>& where = {});


// A hidden window of the given client size with a draw manager attached to it.
class RenderTest : public ::testing::Test {
protected:
  static constexpr int kWidth = 64;
  static constexpr int kHeight = 48;

  void SetUp() override { Open(kWidth, kHeight); }
  void TearDown() override;
  void Open(int width, int height);

  // The frame drawn by `draw`, read back.
  Ref<TBitmap> Capture(const std::function<void(TDeviceDrawer&)>& draw);

  std::unique_ptr<TPlatformWindow> Window;
  Ref<TDrawDevice> Device;
  Ref<T3DDrawer> Drawer;
};

}  // namespace orv::test
