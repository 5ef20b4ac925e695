// Render targets pooled by size, each side rounded up to a power of two, so that
// transitions and post-processing never allocate per frame.
#pragma once

#include <vector>

#include "base/ref_object.h"
#include "render/screen_3d.h"

namespace orv {

class TRenderTargetTexture : public TCustomTexture {
public:
  TRenderTargetTexture(T3DScreen& screen, bool alpha, int width, int height)
      : TCustomTexture(screen, alpha ? TTextureKind::RenderTargetAlpha : TTextureKind::RenderTarget, width, height) {}
};

// The smallest power of two at least `size` (1 for sizes below 1).
int NextPowerOfTwo(int size);

class TRenderTargetManager : public TRefObject {
public:
  TRenderTargetManager(T3DScreen& screen, bool alpha) : FScreen(screen), FAlpha(alpha) {}

  // Sets the size the targets must cover; a different rounded size empties the pool.
  void SetSize(int width, int height);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // A free target or a new one (its surface is made when first used).
  Ref<TRenderTargetTexture> AcquireTarget();
  // Gives a target back; it must be of this pool's size and kind (assertion).
  void ReleaseTarget(Ref<TRenderTargetTexture> target);
  int FreeCount() const { return int(FFree.size()); }
  // Targets made by this pool since its size was last set.
  int CreatedCount() const { return FCreated; }
  void Clear();

private:
  T3DScreen& FScreen;
  bool FAlpha;
  int FWidth = 0;
  int FHeight = 0;
  int FCreated = 0;
  std::vector<Ref<TRenderTargetTexture>> FFree;
};

// A render target taken from a pool for the span of a scope.
class TPooledTarget {
public:
  explicit TPooledTarget(TRenderTargetManager& pool) : FPool(pool), FTarget(pool.AcquireTarget()) {}
  ~TPooledTarget() { FPool.ReleaseTarget(std::move(FTarget)); }
  TPooledTarget(const TPooledTarget&) = delete;
  TPooledTarget& operator=(const TPooledTarget&) = delete;

  TRenderTargetTexture& Texture() { return *FTarget; }
  // Null when the target cannot be made (logged).
  T3DSurface* Surface() { return FTarget->Surface(); }

private:
  TRenderTargetManager& FPool;
  Ref<TRenderTargetTexture> FTarget;
};

}  // namespace orv
