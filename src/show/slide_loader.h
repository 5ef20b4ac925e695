// The slide loader: a thread that keeps the slides around the show time built, and hands
// the engine each new list of them.
#pragma once

#include <functional>
#include <vector>

#include "base/orv_thread.h"
#include "base/rect.h"
#include "package/file_accessor.h"
#include "show/slide_cache.h"

namespace orv {

// The window settings of the project.
class TSlideShowParams : public TOrvThread {
public:
  // `screen` is the size of the screen; a show that plays in a window ("opt_scr_full" 0 or
  // 3) gets the project's window size instead.
  TSlideShowParams(std::string name, const TShowOptions& options, TIntPair screen);

  // The size to present in; the engine replaces it with the device's client size.
  TIntPair ScreenSize;
  WideString Caption;
  int FullScreenMode;
  bool HasBorder;
  // 0 full screen, 1 a window with border, 2 one without.
  int WindowMode() const noexcept;
};

// The list of built slides the engine takes over.
class TSlideData : public TRefObject {
public:
  std::vector<Ref<TDrawContainer>> Containers;
};

struct TSlideLoaderSettings {
  int Capacity = TSlideCache::kMaxCapacity;
  TIntPair Screen{640, 480};  // the size of the screen
  TSlideHostCallbacks HostCallbacks;
  // Where each new list goes, sent and waited for: the engine holds it before an evicted
  // slide is freed. None keeps the lists to the loader.
  TThreadEventList* Destination = nullptr;
  int EventCode = 101;
  // On the loader thread, with every container built.
  std::function<void(TDrawContainer&)> OnSlideBuilt;
};

// Stopping the loader while it sends a list: the destination's owner keeps handling its
// queue until the loader has ended.
class TOrvSlideLoader : public TSlideShowParams {
public:
  // Makes the timing, a producer with its own slide host over `accessor`, and the cache.
  TOrvSlideLoader(Ref<TOrvSource> source, Ref<TFileAccessor> accessor, TSlideLoaderSettings settings);
  ~TOrvSlideLoader() override;

  TTiming& Timing() const noexcept { return *FTiming; }
  TSlideCache& Cache() const noexcept { return *FCache; }
  TSlideProducer& Producer() const noexcept { return FCache->Producer(); }

  // The slide frame for ScreenSize, fitted or covering; before the thread starts.
  void SetScreen(bool cover);
  TRect GetFrameRect() const { return Producer().GetFrameRect(); }

protected:
  void Step() override;

private:
  TOrvSlideLoader(Ref<TOrvSource> source, Ref<TFileAccessor> accessor, TSlideLoaderSettings settings,
                  const TShowOptions& options);
  void SendList() const;

  Ref<TTiming> FTiming = MakeRef<TTiming>();
  Ref<TSlideCache> FCache;
  TThreadEventList* FDestination;
  int FEventCode;
};

}  // namespace orv
