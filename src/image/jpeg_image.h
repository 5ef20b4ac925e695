// JPEG pictures through libjpeg. The file is kept compressed in memory; each of the
// levels 0-3 is decoded straight from it at 1/1, 1/2, 1/4 or 1/8 scale, so a small level
// of a large photo never passes through its full size.
#pragma once

#include <memory>
#include <string>

#include "base/exceptions.h"
#include "base/stream.h"
#include "image/bitmap_store.h"
#include "image/picture_limits.h"

namespace orv {

// A fatal libjpeg error: "JPEG error #<message code>".
class EJPEG : public TCommonException {
public:
  explicit EJPEG(int code) : TCommonException("JPEG error #" + std::to_string(code)), FCode(code) {}
  int Code() const { return FCode; }

private:
  int FCode;
};

class TJpegImage {
public:
  // The JPEG from the stream's position to its end-of-image marker (what follows is not
  // read), or nothing (stream back where it was) when its header cannot be read, gives an
  // empty or oversized picture, or the budget cannot hold the file.
  static std::unique_ptr<TJpegImage> Read(TStream& stream);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Grayscale() const { return FGrayscale; }
  bool Progressive() const { return FProgressive; }

  // The picture at scale 1/2^level (level 0..3) as "B8G8R8". A libjpeg error is logged
  // and, like an exception from `progress`, ends the decode with the rows done so far
  // (the rest stays black): a damaged photo still shows what could be read. Raises
  // EPictureRefused, before decoding, when the budget cannot hold the level and what
  // libjpeg keeps while it decodes.
  Ref<TBitmap> Decode(int level, const TProgressHandler& progress) const;

private:
  TJpegImage() = default;
  bool ReadHeader();

  // The file up to its end-of-image marker, kept for decoding later levels.
  std::string FData;
  TPictureMemory FDataMemory;
  int FWidth = 0;
  int FHeight = 0;
  bool FGrayscale = false;
  bool FProgressive = false;
};

class TJpegBitmapStore : public TSysBitmapStore {
public:
  TJpegBitmapStore(WideString name, std::unique_ptr<TJpegImage> image, Ref<TLevelHook> hook);

  const TJpegImage& Image() const { return *FImage; }

protected:
  Ref<TBitmap> LoadLevel(int level) override;

private:
  std::unique_ptr<TJpegImage> FImage;
};

Ref<TSysBitmapStore> LoadJpeg(TStream& stream, const WideString& name, const THookFactory& hooks);

}  // namespace orv
