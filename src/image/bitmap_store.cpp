#include "image/bitmap_store.h"

#include <new>
#include <string>
#include <utility>

#include "base/assertions.h"
#include "base/log.h"
#include "image/halving.h"

namespace orv {
namespace {
// Halving reaches 1 × 1 long before this for any picture we can hold.
constexpr int kLevelLimit = 64;
}  // namespace

// ---- TBitmapStore

Ref<TBitmap> TBitmapStore::GetLevel(int level, const TCommonPixelFormat* format, const TBitmapClass* bitmap_class) {
  std::lock_guard lock(FLock);
  TPictureScope pictures;
  try {
    return LevelLocked(level, format, bitmap_class);
  } catch (const EPictureRefused& refused) {
    Log().Write("Picture level " + std::to_string(level) + " refused: " + refused.what());
  } catch (const std::bad_alloc&) {
    Log().Write("Picture level " + std::to_string(level) + " refused: out of memory");
  }
  return nullptr;
}

Ref<TBitmap> TBitmapStore::LevelLocked(int level, const TCommonPixelFormat* format, const TBitmapClass* bitmap_class) {
  ORV_ASSERT(level >= 0, "TSysBitmapStore.GetMipLevel - Index<0");
  ORV_ASSERT(level < kLevelLimit, "TSysBitmapStore.GetMipLevel - Index too large");
  while (size_t(level) >= FLevels.size()) FLevels.resize(FLevels.size() * 2);
  if (FLevels[size_t(level)].empty()) {
    Ref<TBitmap> produced = ProduceLevel(level);
    if (!produced) return nullptr;
    FLevels[size_t(level)].push_back(std::move(produced));
  }
  std::vector<Ref<TBitmap>>& entry = FLevels[size_t(level)];
  for (const Ref<TBitmap>& bitmap : entry)
    if (Ref<TBitmap> accepted = AcceptOrConvert(bitmap, format, bitmap_class)) return accepted;
  const Ref<TBitmap>& first = entry.front();
  Ref<TBitmap> converted = format && &first->Format() != format ? first->ConvertTo(*format) : first;
  if (bitmap_class && &converted->Class() != bitmap_class) converted = bitmap_class->CreateFrom(*converted);
  entry.push_back(converted);
  return converted;
}

Ref<TBitmap> TBitmapStore::AcceptOrConvert(const Ref<TBitmap>& bitmap, const TCommonPixelFormat* format,
                                           const TBitmapClass* bitmap_class) {
  const bool format_ok = !format || &bitmap->Format() == format;
  const bool class_ok = !bitmap_class || &bitmap->Class() == bitmap_class;
  return format_ok && class_ok ? bitmap : nullptr;
}

void TBitmapStore::SetProgressHandler(TProgressHandler handler) {
  std::lock_guard lock(FProgressLock);
  FProgress = std::move(handler);
}

void TBitmapStore::ReportProgress(double fraction) {
  std::lock_guard lock(FProgressLock);
  if (FProgress) FProgress(fraction);
}

// ---- TSysBitmapStore

TSysBitmapStore::TSysBitmapStore(WideString name, int width, int height, const TCommonPixelFormat& format,
                                 Ref<TLevelHook> hook)
    : FName(std::move(name)), FWidth(width), FHeight(height), FFormat(&format), FHook(std::move(hook)) {
  if (FHook) FHook->TransformSize(FWidth, FHeight);
}

Ref<TBitmap> TSysBitmapStore::ProduceLevel(int level) {
  if (Ref<TBitmap> decoded = LoadLevel(level)) return FHook ? FHook->Apply(*this, std::move(decoded)) : decoded;
  if (level == 0) return nullptr;
  const TCommonPixelFormat& halving_format = FFormat->HasAlpha() ? pf::A8R8G8B8 : pf::R8G8B8;
  Ref<TBitmap> above = LevelLocked(level - 1, &halving_format, nullptr);
  if (!above) return nullptr;
  return HalveBitmap(*above, [this](double fraction) { ReportProgress(fraction); });
}

// ---- TWrapperBitmapStore

TWrapperBitmapStore::TWrapperBitmapStore(WideString name, Ref<TBitmap> bitmap, Ref<TLevelHook> hook)
    : TSysBitmapStore(std::move(name), bitmap->Width(), bitmap->Height(), bitmap->Format(), std::move(hook)),
      FBitmap(std::move(bitmap)) {}

// Level 0 is asked for once and then cached, so the store lets go of its own reference.
Ref<TBitmap> TWrapperBitmapStore::LoadLevel(int level) { return level == 0 ? std::exchange(FBitmap, nullptr) : nullptr; }

}  // namespace orv
