// Where the print dialog gets its pictures: the frame captured when printing was asked
// for, or the current slide's main picture (the project's "picture" key of the slide).
#pragma once

#include <string>

#include "image/bitmap.h"
#include "image/image.h"
#include "package/show_locator.h"

namespace orv {

// What GetPicture asks for.
enum class TPictureMode {
  MainPictureBitmap = 0,  // the main picture, decoded
  CapturedFrame = 1,      // the captured frame
  MainPictureFile = 2,    // the main picture's file: its own bytes when JPEG, else a BMP file
};

struct TSuppliedPicture {
  int SlideIndex = -1;
  // The main picture's name as the project gives it; for a file, with ".bmp" when the
  // picture was turned into a BMP file.
  WideString Name;
  Ref<TBitmap> Bitmap;  // modes 0 and 1
  std::string Bytes;    // mode 2
};

class TCallBackClass {
public:
  // A negative slide index: no slide, so no main picture.
  TCallBackClass(Ref<TOrvShowLocator> locator, Ref<TImage> captured, int slide_index);

  // Fills `out` as `mode` asks; false when that picture is not to be had.
  bool GetPicture(TPictureMode mode, TSuppliedPicture& out) const;
  int SlideIndex() const noexcept { return FSlideIndex; }

private:
  WideString MainPictureName() const;
  bool MainPictureFile(TSuppliedPicture& out) const;

  Ref<TOrvShowLocator> FLocator;
  Ref<TImage> FCaptured;
  int FSlideIndex;
};

}  // namespace orv
