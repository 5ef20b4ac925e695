// compose_tool MODE FRAMES: draws FRAMES frames of 1920 × 1080 through the draw manager
// off screen, each compositing two full-frame pictures (the second at 50 % opacity), and
// prints the frames per second. MODE "plain" draws them as they are, "soften" through the
// soften post-process.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/bitmap_store.h"
#include "platform/main_thread.h"
#include "platform/platform_window.h"
#include "render/draw_manager.h"
#include "render/drawing_lock.h"
#include "render/gl/gl_engine.h"

namespace orv {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

Ref<TImage> Picture(std::uint32_t seed) {
  Ref<TBitmap> bitmap = TBitmap::Create(kWidth, kHeight, pf::A8R8G8B8);
  for (int y = 0; y < kHeight; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(bitmap->Row(y));
    for (int x = 0; x < kWidth; ++x) row[x] = 0xFF000000u | ((std::uint32_t(x) * 7 + std::uint32_t(y) * 3 + seed) * 2654435761u >> 8);
  }
  return MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"bench", std::move(bitmap)));
}

class TComposition : public TDrawItem {
public:
  TComposition() : FFirst(Picture(1)), FSecond(Picture(2)) {}
  void Draw(TDeviceDrawer& drawer) override {
    const TQuadFrame frame = FrameOf(TRectF{0, 0, kWidth, kHeight});
    const TRectF window{0, 0, kWidth, kHeight};
    TImageDrawParams params;
    drawer.DrawImage(*FFirst, frame, window, params);
    params.Opacity = 50;
    drawer.DrawImage(*FSecond, frame, window, params);
  }

private:
  Ref<TImage> FFirst;
  Ref<TImage> FSecond;
};

int Run(bool soften, int frames) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  MarkMainThread();
  EngineSettings().PresentInterval = 0;
  TPlatformWindow window(TWindowParams{"compose", RectOfSize(kWidth, kHeight), TWindowMode::Borderless, 0, false});
  Ref<TDrawDevice> device = MakeRef<TDrawDevice>(&window);
  Ref<T3DDrawer> drawer = MakeRef<T3DDrawer>(CreateEngineGL());
  drawer->Attach(device);
  drawer->SetUnsharpAmount(soften ? -100 : 0);
  Ref<TComposition> composition = MakeRef<TComposition>();
  const auto finish = [&] {
    TDrawingLock lock(&drawer->Screen());
    drawer->Screen().Renderer().Finish();
  };
  // The first frames upload the pictures and make the render targets.
  for (int i = 0; i < 3; ++i) drawer->DrawRoot(*composition);
  finish();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i)
    if (!drawer->DrawRoot(*composition)) return 1;
  finish();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.2f\n", frames / seconds);
  drawer->Close();
  device->Kill();
  return 0;
}

}  // namespace
}  // namespace orv

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "plain") != 0 && std::strcmp(argv[1], "soften") != 0)) {
    std::fprintf(stderr, "usage: compose_tool plain|soften FRAMES\n");
    return 2;
  }
  return orv::Run(std::strcmp(argv[1], "soften") == 0, std::max(1, std::atoi(argv[2])));
}
