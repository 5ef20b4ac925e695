// The converted-picture container ".TSGFX" that the authoring tool writes: the magic
// "TSGF", a count of key/value texts, then a raw deflate stream holding a whole Windows
// bitmap file. Its size is known from the keys without inflating anything.
#pragma once

#include <memory>
#include <string>

#include "base/hash_list.h"
#include "base/stream.h"
#include "image/bitmap_store.h"
#include "image/picture_limits.h"

namespace orv {

class TGfxImage {
public:
  // The container at the stream's position, or nothing with the stream back where it was.
  static std::unique_ptr<TGfxImage> Read(TStream& stream);

  const WideString& SourceFile() const { return FSourceFile; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int64_t OriginalSize() const { return FOriginalSize; }
  // Any key of the container; nullptr when it is missing.
  const WideString* Value(WideView key) const { return FValues.Find(key); }

  // Inflates the payload and reads the bitmap in it as "A8R8G8B8"; nothing when the
  // payload is broken or holds a picture of another size than the keys declare. Raises
  // EPictureRefused when the budget cannot hold the inflated file.
  Ref<TBitmap> DecodePayload() const;
  // DecodePayload for display: a broken payload gives the declared size in opaque green,
  // so the failure shows. The compressed bytes are released afterwards.
  Ref<TBitmap> DecodePicture();

private:
  TGfxImage() = default;
  bool ReadKeys(TStream& stream);
  // The largest bitmap file of the declared size, and the largest deflate stream of one:
  // a longer payload is not the picture the keys declare.
  int64_t MaxFileSize() const;
  int64_t MaxPayloadSize() const;

  THashList<WideString> FValues{251};
  WideString FSourceFile;
  int FWidth = 0;
  int FHeight = 0;
  int64_t FOriginalSize = 0;
  std::string FPayload;
  TPictureMemory FPayloadMemory;
};

// A store over a container; the picture is inflated on the first request for level 0.
class TGfxBitmapStore : public TSysBitmapStore {
public:
  TGfxBitmapStore(WideString name, std::unique_ptr<TGfxImage> image, Ref<TLevelHook> hook);

protected:
  Ref<TBitmap> LoadLevel(int level) override;

private:
  std::unique_ptr<TGfxImage> FImage;
};

Ref<TSysBitmapStore> LoadGfxContainer(TStream& stream, const WideString& name, const THookFactory& hooks);

}  // namespace orv
