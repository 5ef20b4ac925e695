#include "app/print/picture_supplier.h"

#include <array>

#include "base/log.h"
#include "image/bmp_writer.h"
#include "image/picture_cache.h"
#include "image/picture_loaders.h"
#include "image/pixel_format.h"
#include "project/ini_file.h"

namespace orv {
namespace {

constexpr std::array<std::u16string_view, 4> kJpegExtensions = {u".jpg", u".jpeg", u".jpe", u".jfif"};

// The extension with its dot, from the last component of a name with "\" or "/" folders.
size_t ExtensionStart(WideView name) {
  const size_t dot = name.rfind(u'.');
  const size_t folder = name.find_last_of(u"\\/");
  if (dot == WideView::npos || (folder != WideView::npos && dot < folder)) return name.size();
  return dot;
}

bool IsJpegName(WideView name) {
  WideString extension(name.substr(ExtensionStart(name)));
  for (char16_t& c : extension)
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  for (std::u16string_view jpeg : kJpegExtensions)
    if (extension == jpeg) return true;
  return false;
}

Ref<TBitmap> FullSizePixels(const TImage& image) { return image.GetLevel(0, &pf::A8R8G8B8); }

}  // namespace

TCallBackClass::TCallBackClass(Ref<TOrvShowLocator> locator, Ref<TImage> captured, int slide_index)
    : FLocator(std::move(locator)), FCaptured(std::move(captured)), FSlideIndex(slide_index) {}

WideString TCallBackClass::MainPictureName() const {
  if (FSlideIndex < 0 || !FLocator || !FLocator->Project()) return {};
  return ReadString(*FLocator->Project(), "slide" + std::to_string(FSlideIndex + 1), "picture");
}

bool TCallBackClass::GetPicture(TPictureMode mode, TSuppliedPicture& out) const {
  if (FSlideIndex >= 0) {
    out.SlideIndex = FSlideIndex;
    out.Name = MainPictureName();
  }
  try {
    switch (mode) {
      case TPictureMode::MainPictureBitmap: {
        if (out.Name.empty() || !FLocator) return false;
        // A missing file gives the cache's placeholder picture, which prints as it shows.
        const Ref<TCachedImage> image = GetImage(*FLocator->Accessor(), out.Name);
        if (!image) return false;
        out.Bitmap = FullSizePixels(*image);
        return bool(out.Bitmap);
      }
      case TPictureMode::CapturedFrame:
        if (!FCaptured) return false;
        out.Bitmap = FullSizePixels(*FCaptured);
        return bool(out.Bitmap);
      case TPictureMode::MainPictureFile:
        return MainPictureFile(out);
    }
  } catch (const std::exception& e) {
    Log().Write(std::string("The picture to print or save is not available: ") + e.what());
  }
  return false;
}

bool TCallBackClass::MainPictureFile(TSuppliedPicture& out) const {
  if (out.Name.empty() || !FLocator) return false;
  StreamPtr stream = FLocator->Accessor()->OpenStream(out.Name);
  if (!stream) return false;
  if (IsJpegName(out.Name)) {
    out.Bytes = stream->ReadAll();
    return true;
  }
  const Ref<TImage> picture = LoadImage(*stream, out.Name);
  if (!picture) return false;
  const Ref<TBitmap> pixels = FullSizePixels(*picture);
  if (!pixels) return false;
  out.Bytes = BmpFileOf(*pixels);
  out.Name = out.Name.substr(0, ExtensionStart(out.Name)) + u".bmp";
  return true;
}

}  // namespace orv
