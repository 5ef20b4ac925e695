// A rectangle of pixels in one of the shared pixel formats. Rows are evenly spaced; the
// pixels are either the bitmap's own or borrowed from an owner that the bitmap keeps
// alive (a decoder library's row buffer, for instance).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/ref_object.h"
#include "image/picture_limits.h"
#include "image/pixel_format.h"

namespace orv {

class TBitmap;

// A kind of bitmap. A picture store can hand out a level as another kind than the one it
// decoded; the kind says how to make one of its own from any bitmap.
struct TBitmapClass {
  const char* Name;
  Ref<TBitmap> (*CreateFrom)(const TBitmap& source);
};

class TBitmap : public TRefObject {
public:
  // A new bitmap of this size with every byte 0. Inside a TPictureScope its pixels take
  // their share of the picture memory budget: EPictureRefused when they do not fit.
  static Ref<TBitmap> Create(int width, int height, const TCommonPixelFormat& format);
  // A bitmap over pixels that `owner` keeps alive; rows are `stride` bytes apart.
  static Ref<TBitmap> Wrap(int width, int height, const TCommonPixelFormat& format, uint8_t* pixels,
                           ptrdiff_t stride, Ref<TRefObject> owner);

  // The plain in-memory kind this class stands for.
  static const TBitmapClass& MemoryClass();
  virtual const TBitmapClass& Class() const { return MemoryClass(); }

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  const TCommonPixelFormat& Format() const { return *FFormat; }
  ptrdiff_t Stride() const { return FStride; }
  uint8_t* Row(int y) { return FPixels + FStride * y; }
  const uint8_t* Row(int y) const { return FPixels + FStride * y; }

  // One pixel as 0xAARRGGBB.
  uint32_t PixelArgb(int x, int y) const;
  void Fill(uint32_t argb);
  // A copy in another pixel format.
  Ref<TBitmap> ConvertTo(const TCommonPixelFormat& format) const;

protected:
  TBitmap(int width, int height, const TCommonPixelFormat& format);
  TBitmap(int width, int height, const TCommonPixelFormat& format, uint8_t* pixels, ptrdiff_t stride,
          Ref<TRefObject> owner);

private:
  // Zeroed pixel memory of the bitmap's own, with its share of the budget inside a
  // picture scope.
  class TPixelMemory {
  public:
    explicit TPixelMemory(size_t size);
    ~TPixelMemory();
    TPixelMemory(const TPixelMemory&) = delete;
    TPixelMemory& operator=(const TPixelMemory&) = delete;
    uint8_t* Data() const { return FData; }

  private:
    TPictureMemory FShare;
    uint8_t* FData = nullptr;
    size_t FSize = 0;
    bool FMapped = false;
  };

  int FWidth;
  int FHeight;
  const TCommonPixelFormat* FFormat;
  std::unique_ptr<TPixelMemory> FOwnPixels;
  Ref<TRefObject> FOwner;
  uint8_t* FPixels;
  ptrdiff_t FStride;
};

}  // namespace orv
