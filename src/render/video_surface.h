// Video frame surfaces: what a frame source writes its decoded planes into, kept as
// textures on the device.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "base/ref_object.h"
#include "render/screen_3d.h"

namespace orv {

// The frame image a video source fills, plane by plane: 0 Y (width × height bytes),
// 1 U and 2 V (half width × half height), 3 grey at 16 bits per pixel (5-6-5),
// 4 RGBA at 32 bits per pixel (bytes B, G, R, A).
class TYUVImage : public TRefObject {
public:
  enum class TForm : std::uint8_t { Planar, Grey, RGBA };
  enum TPlane : int { kPlaneY = 0, kPlaneU = 1, kPlaneV = 2, kPlaneGrey = 3, kPlaneRGBA = 4 };

  struct TPlaneLock {
    std::uint8_t* Bits = nullptr;
    std::ptrdiff_t Stride = 0;
    int Width = 0;
    int Height = 0;
    std::uint8_t* Row(int y) const { return Bits + Stride * y; }
  };

  virtual TForm Form() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Gives the rows of plane `plane` to write; a plane the form does not have is an
  // assertion failure. Every lock is followed by its unlock.
  virtual TPlaneLock LockPlane(int plane) = 0;
  virtual void UnlockPlane(int plane) = 0;
  virtual void FrameComplete() = 0;
};

// One plane kept in memory and on the device; a lost texture is filled again from memory.
class TVideoTexture : public TCustomTexture {
public:
  TVideoTexture(T3DScreen& screen, int width, int height, TTextureFormat format);
  std::uint8_t* Bits() { return FBits.data(); }
  std::ptrdiff_t Stride() const { return FStride; }

protected:
  void UploadContent(T3DTexture& texture) override;

private:
  std::vector<std::uint8_t> FBits;
  std::ptrdiff_t FStride;
};

class TGrayScaleTexture : public TVideoTexture {
public:
  TGrayScaleTexture(T3DScreen& screen, int width, int height)
      : TVideoTexture(screen, width, height, TTextureFormat::RGB565) {}
};

class TRGBATexture : public TVideoTexture {
public:
  TRGBATexture(T3DScreen& screen, int width, int height) : TVideoTexture(screen, width, height, TTextureFormat::BGRA8) {}
};

class T3DYUV : public TYUVImage {
public:
  T3DYUV(T3DScreen& screen, int width, int height, TForm form);

  TForm Form() const override { return FForm; }
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  bool HasAlpha() const { return FForm == TForm::RGBA; }
  TPlaneLock LockPlane(int plane) override;
  void UnlockPlane(int plane) override;
  void FrameComplete() override {}

  // The planes of this form in plane order (Y, U, V; or the one grey or RGBA plane), with
  // what was written uploaded (drawing lock held). Empty when a texture cannot be made.
  std::vector<T3DTexture*> DeviceTextures();
  // Set by an unlock and by a lost texture: the next draw uploads again.
  bool IsDirty() const;

private:
  TVideoTexture* PlaneTexture(int plane) const;

  mutable std::mutex FLock;
  int FWidth;
  int FHeight;
  TForm FForm;
  std::array<Ref<TVideoTexture>, 3> FPlanes;
  bool FDirty = true;
};

}  // namespace orv
