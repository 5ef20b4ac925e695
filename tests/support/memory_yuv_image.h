// A frame image in memory, for tests of frame sources without a render device.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "render/video_surface.h"

namespace orv {

class TMemoryYUVImage : public TYUVImage {
 public:
  TMemoryYUVImage(int width, int height, TForm form, std::uint8_t fill = 0xEE) : FWidth(width), FHeight(height), FForm(form) {
    const int half_width = (width + 1) / 2, half_height = (height + 1) / 2;
    switch (form) {
      case TForm::Planar:
        FPlanes = {TPlane{width, height, 1, {}}, TPlane{half_width, half_height, 1, {}}, TPlane{half_width, half_height, 1, {}}};
        break;
      case TForm::Grey:
        FPlanes = {TPlane{width, height, 2, {}}};
        break;
      case TForm::RGBA:
        FPlanes = {TPlane{width, height, 4, {}}};
        break;
    }
    for (TPlane& plane : FPlanes) plane.Bits.assign(size_t(plane.Stride()) * size_t(plane.Height), fill);
  }

  TForm Form() const override { return FForm; }
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  TPlaneLock LockPlane(int plane) override {
    TPlane& p = PlaneOf(plane);
    return TPlaneLock{p.Bits.data(), p.Stride(), p.Width, p.Height};
  }
  void UnlockPlane(int plane) override { PlaneOf(plane); }
  void FrameComplete() override { ++Completed; }

  // The byte at (x, y) of a plane (the first byte of the pixel).
  std::uint8_t At(int plane, int x, int y) { return LockPlane(plane).Row(y)[x * PlaneOf(plane).BytesPerPixel]; }
  std::uint16_t GreyAt(int x, int y) {
    const std::uint8_t* pixel = LockPlane(kPlaneGrey).Row(y) + 2 * x;
    return std::uint16_t(pixel[0] | pixel[1] << 8);
  }

  int Completed = 0;

 private:
  struct TPlane {
    int Width, Height, BytesPerPixel;
    std::vector<std::uint8_t> Bits;
    std::ptrdiff_t Stride() const { return std::ptrdiff_t(Width) * BytesPerPixel; }
  };
  TPlane& PlaneOf(int plane) {
    const int index = FForm == TForm::Planar ? plane : plane == kPlaneGrey || plane == kPlaneRGBA ? 0 : -1;
    const bool fits = FForm == TForm::Planar ? plane <= kPlaneV
                      : FForm == TForm::Grey ? plane == kPlaneGrey
                                             : plane == kPlaneRGBA;
    if (!fits || index < 0) throw std::logic_error("no such plane in this form");
    return FPlanes[size_t(index)];
  }

  int FWidth, FHeight;
  TForm FForm;
  std::vector<TPlane> FPlanes;
};

}  // namespace orv
