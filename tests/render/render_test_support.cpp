#include "render_test_support.h"

#include <algorithm>
#include <cstdlib>

#include "platform/main_thread.h"
#include "render/gl/gl_engine.h"

// The tests draw with Mesa's software GL without a display.
namespace {
const int kOffscreen = [] {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  orv::MarkMainThread();
  return 0;
}();
}  // namespace

namespace orv::test {

Ref<T3DEngine> SharedEngine() {
  static Ref<T3DEngine> engine = CreateEngineGL();
  return engine;
}

Ref<TImage> MakePicture(int width, int height, const std::function<std::uint32_t(int x, int y)>& colour) {
  Ref<TBitmap> bitmap = TBitmap::Create(width, height, pf::A8R8G8B8);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(bitmap->Row(y));
    for (int x = 0; x < width; ++x) row[x] = colour(x, y);
  }
  return MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"test", std::move(bitmap)));
}

int MaxDifference(const TBitmap& actual, const TExpected& expected, const std::function<bool(int x, int y)>& where) {
  int worst = 0;
  for (int y = 0; y < actual.Height(); ++y) {
    for (int x = 0; x < actual.Width(); ++x) {
      if (where && !where(x, y)) continue;
      const std::uint32_t a = actual.PixelArgb(x, y);
      const std::uint32_t e = expected(x, y);
      for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((e >> shift) & 255)));
    }
  }
  return worst;
}

void RenderTest::Open(int width, int height) {
  Drawer.Reset();
  Device.Reset();
  Window = std::make_unique<TPlatformWindow>(
      TWindowParams{"render test", RectOfSize(width, height), TWindowMode::Borderless, 0, false});
  Device = MakeRef<TDrawDevice>(Window.get());
  Drawer = MakeRef<T3DDrawer>(SharedEngine());
  Drawer->Attach(Device);
}

void RenderTest::TearDown() {
  Drawer.Reset();
  if (Device) Device->Kill();
  Device.Reset();
  Window.reset();
}

Ref<TBitmap> RenderTest::Capture(const std::function<void(TDeviceDrawer&)>& draw) {
  Ref<TImage> image = Drawer->CaptureImage(*Item(draw), TCaptureArea::SlideFrame);
  if (!image) return nullptr;
  return image->GetLevel(0);
}

}  // namespace orv::test
