#include "render_test_support.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
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

void DumpPng(const TBitmap& bitmap, const std::string& name) {
  const char* folder = std::getenv("ORV_RENDER_PNG_DIR");
  if (!folder) return;
  const std::string path = std::string(folder) + "/" + name + ".png";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(bitmap.Width()), png_uint_32(bitmap.Height()), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < bitmap.Height(); ++y) png_write_row(png, const_cast<png_bytep>(bitmap.Row(y)));
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
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
