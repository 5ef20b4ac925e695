// The handle callers keep on a picture: it shares a store and copies the store's name,
// size and pixel format. Several handles can share one store.
#pragma once

#include "image/bitmap_store.h"

namespace orv {

class TImage : public TRefObject {
public:
  explicit TImage(Ref<TSysBitmapStore> store);

  // A second handle on the same store.
  virtual Ref<TImage> Clone() const;

  const WideString& Name() const { return FName; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  const TCommonPixelFormat& Format() const { return *FFormat; }
  TSysBitmapStore& Store() const { return *FStore; }

  Ref<TBitmap> GetLevel(int level, const TCommonPixelFormat* format = nullptr,
                        const TBitmapClass* bitmap_class = nullptr) const {
    return FStore->GetLevel(level, format, bitmap_class);
  }

  // The handle's own attachments (the store has its own list too).
  TAttachmentList& Attachments() { return FAttachments; }

private:
  Ref<TSysBitmapStore> FStore;
  WideString FName;
  int FWidth;
  int FHeight;
  const TCommonPixelFormat* FFormat;
  TAttachmentList FAttachments;
};

}  // namespace orv
