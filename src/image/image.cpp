#include "image/image.h"

namespace orv {

TImage::TImage(Ref<TSysBitmapStore> store)
    : FStore(std::move(store)),
      FName(FStore->Name()),
      FWidth(FStore->Width()),
      FHeight(FStore->Height()),
      FFormat(&FStore->Format()) {}

Ref<TImage> TImage::Clone() const { return MakeRef<TImage>(FStore); }

}  // namespace orv
