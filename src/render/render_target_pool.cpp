#include "render/render_target_pool.h"

#include "base/assertions.h"

namespace orv {

int NextPowerOfTwo(int size) {
  int p = 1;
  while (p < size && p < (1 << 30)) p <<= 1;
  return p;
}

void TRenderTargetManager::SetSize(int width, int height) {
  const int w = NextPowerOfTwo(width);
  const int h = NextPowerOfTwo(height);
  if (w == FWidth && h == FHeight) return;
  Clear();
  FWidth = w;
  FHeight = h;
}

Ref<TRenderTargetTexture> TRenderTargetManager::AcquireTarget() {
  if (!FFree.empty()) {
    Ref<TRenderTargetTexture> target = std::move(FFree.back());
    FFree.pop_back();
    return target;
  }
  ++FCreated;
  return MakeRef<TRenderTargetTexture>(FScreen, FAlpha, FWidth, FHeight);
}

void TRenderTargetManager::ReleaseTarget(Ref<TRenderTargetTexture> target) {
  if (!target) return;
  ORV_ASSERT(target->Width() == FWidth && target->Height() == FHeight &&
                 (target->Kind() == TTextureKind::RenderTargetAlpha) == FAlpha,
             "TRenderTargetManager.Release: not of this pool");
  FFree.push_back(std::move(target));
}

void TRenderTargetManager::Clear() {
  FFree.clear();
  FCreated = 0;
}

}  // namespace orv
