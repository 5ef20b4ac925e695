// Picture stores: a loaded picture whose pixels are decoded per resolution level on
// first request. Level 0 is full size and each further level half the size of the one
// before. A store knows its name, size and pixel format as soon as it exists.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "base/ref_object.h"
#include "base/text.h"
#include "image/attachment_list.h"
#include "image/bitmap.h"

namespace orv {

// Receives the fraction (0..1) of a level decoded so far.
using TProgressHandler = std::function<void(double fraction)>;

class TSysBitmapStore;

// Called with every level a store's own decoder produces (not the levels made by halving)
// before the level is cached; it may hand back a different bitmap.
class TLevelHook : public TRefObject {
public:
  // The size of a picture of this size once the hook has worked on it.
  virtual void TransformSize(int& /*width*/, int& /*height*/) const {}
  virtual Ref<TBitmap> Apply(TSysBitmapStore& store, Ref<TBitmap> level) = 0;
};

// Called once when a store is created, with the picture's name; may return no hook.
using THookFactory = std::function<Ref<TLevelHook>(const WideString& name)>;

class TBitmapStore : public TRefObject {
public:
  // The bitmap of a level, in the wanted format and class when given. Thread-safe: the
  // store's lock is held while the level is made, so a second caller waits for the first.
  // Nothing when the picture has no pixels, or when the picture memory budget (or the
  // machine) cannot hold what making the level takes; a coarser level may still fit.
  Ref<TBitmap> GetLevel(int level, const TCommonPixelFormat* format = nullptr,
                        const TBitmapClass* bitmap_class = nullptr);

  TAttachmentList& Attachments() { return FAttachments; }
  const TAttachmentList& Attachments() const { return FAttachments; }
  void SetProgressHandler(TProgressHandler handler);

protected:
  // Makes a level that is not cached yet; called with the store's lock held.
  virtual Ref<TBitmap> ProduceLevel(int level) { return LoadLevel(level); }
  // The bitmap itself when it has the wanted format and class, else nothing.
  virtual Ref<TBitmap> AcceptOrConvert(const Ref<TBitmap>& bitmap, const TCommonPixelFormat* format,
                                       const TBitmapClass* bitmap_class);
  // The store's own decoder: the level, or nothing when it cannot make this level.
  virtual Ref<TBitmap> LoadLevel(int level) = 0;

  // GetLevel for code that already holds the store's lock.
  Ref<TBitmap> LevelLocked(int level, const TCommonPixelFormat* format, const TBitmapClass* bitmap_class);
  void ReportProgress(double fraction);

private:
  std::mutex FLock;
  // Per level: the bitmap as produced first, then its conversions.
  std::vector<std::vector<Ref<TBitmap>>> FLevels = std::vector<std::vector<Ref<TBitmap>>>(4);
  TAttachmentList FAttachments;
  std::mutex FProgressLock;
  TProgressHandler FProgress;
};

// A store with a name, a size and a native pixel format, whose missing levels are made by
// halving the level above.
class TSysBitmapStore : public TBitmapStore {
public:
  const WideString& Name() const { return FName; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  const TCommonPixelFormat& Format() const { return *FFormat; }

protected:
  // The size is the picture's own; the hook may change it (a quarter turn swaps the sides).
  TSysBitmapStore(WideString name, int width, int height, const TCommonPixelFormat& format, Ref<TLevelHook> hook);

  Ref<TBitmap> ProduceLevel(int level) override;

private:
  WideString FName;
  int FWidth;
  int FHeight;
  const TCommonPixelFormat* FFormat;
  Ref<TLevelHook> FHook;
};

// A store over a bitmap that is already decoded.
class TWrapperBitmapStore : public TSysBitmapStore {
public:
  TWrapperBitmapStore(WideString name, Ref<TBitmap> bitmap, Ref<TLevelHook> hook = nullptr);

protected:
  Ref<TBitmap> LoadLevel(int level) override;

private:
  Ref<TBitmap> FBitmap;
};

// Calls the hook factory when there is one.
inline Ref<TLevelHook> MakeHook(const THookFactory& factory, const WideString& name) {
  return factory ? factory(name) : nullptr;
}

}  // namespace orv
