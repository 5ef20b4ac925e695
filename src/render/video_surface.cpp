#include "render/video_surface.h"

#include "base/assertions.h"

namespace orv {

TVideoTexture::TVideoTexture(T3DScreen& screen, int width, int height, TTextureFormat format)
    : TCustomTexture(screen, TTextureKind::Dynamic, width, height, format),
      FBits(std::size_t(width) * std::size_t(height) * std::size_t(BytesPerTexel(format))),
      FStride(std::ptrdiff_t(width) * BytesPerTexel(format)) {}

void TVideoTexture::UploadContent(T3DTexture& texture) {
  texture.Upload(RectOfSize(Width(), Height()), FBits.data(), FStride);
}

T3DYUV::T3DYUV(T3DScreen& screen, int width, int height, TForm form) : FWidth(width), FHeight(height), FForm(form) {
  switch (form) {
    case TForm::Planar: {
      const int half_width = (width + 1) / 2;
      const int half_height = (height + 1) / 2;
      FPlanes[0] = MakeRef<TVideoTexture>(screen, width, height, TTextureFormat::Luminance8);
      FPlanes[1] = MakeRef<TVideoTexture>(screen, half_width, half_height, TTextureFormat::Luminance8);
      FPlanes[2] = MakeRef<TVideoTexture>(screen, half_width, half_height, TTextureFormat::Luminance8);
      break;
    }
    case TForm::Grey:
      FPlanes[0] = MakeRef<TGrayScaleTexture>(screen, width, height);
      break;
    case TForm::RGBA:
      FPlanes[0] = MakeRef<TRGBATexture>(screen, width, height);
      break;
  }
}

TVideoTexture* T3DYUV::PlaneTexture(int plane) const {
  switch (FForm) {
    case TForm::Planar:
      return plane >= kPlaneY && plane <= kPlaneV ? FPlanes[plane].Get() : nullptr;
    case TForm::Grey:
      return plane == kPlaneGrey ? FPlanes[0].Get() : nullptr;
    case TForm::RGBA:
      return plane == kPlaneRGBA ? FPlanes[0].Get() : nullptr;
  }
  return nullptr;
}

TYUVImage::TPlaneLock T3DYUV::LockPlane(int plane) {
  TVideoTexture* texture = PlaneTexture(plane);
  ORV_ASSERT(texture != nullptr, "T3DYUV.LockPlane: no plane " + std::to_string(plane));
  FLock.lock();
  return TPlaneLock{texture->Bits(), texture->Stride(), texture->Width(), texture->Height()};
}

void T3DYUV::UnlockPlane(int plane) {
  TVideoTexture* texture = PlaneTexture(plane);
  ORV_ASSERT(texture != nullptr, "T3DYUV.UnlockPlane: no plane " + std::to_string(plane));
  texture->Reload();
  FDirty = true;
  FLock.unlock();
}

bool T3DYUV::IsDirty() const {
  std::lock_guard lock(FLock);
  if (FDirty) return true;
  for (const Ref<TVideoTexture>& plane : FPlanes)
    if (plane && !plane->HasDeviceTexture()) return true;
  return false;
}

std::vector<T3DTexture*> T3DYUV::DeviceTextures() {
  std::lock_guard lock(FLock);
  std::vector<T3DTexture*> textures;
  for (const Ref<TVideoTexture>& plane : FPlanes) {
    if (!plane) continue;
    T3DTexture* texture = plane->DeviceTexture();
    if (!texture) return {};
    textures.push_back(texture);
  }
  FDirty = false;
  return textures;
}

}  // namespace orv
