#include "show/slide_loader.h"

#include <chrono>

namespace orv {
namespace {

constexpr std::chrono::milliseconds kPassInterval{10};

bool PlaysInWindow(int full_screen_mode) { return full_screen_mode == 0 || full_screen_mode == 3; }

}  // namespace

TSlideShowParams::TSlideShowParams(std::string name, const TShowOptions& options, TIntPair screen)
    : TOrvThread(std::move(name)),
      ScreenSize(PlaysInWindow(options.ScreenFull) ? options.WindowSize : screen),
      FullScreenMode(options.ScreenFull),
      HasBorder(options.ScreenFull == 0 && !options.WithoutBorder) {
  Caption = HasBorder ? options.LoaderCaption : options.ProjectName;
}

int TSlideShowParams::WindowMode() const noexcept {
  if (FullScreenMode == 1) return 0;
  return HasBorder ? 1 : 2;
}

TOrvSlideLoader::TOrvSlideLoader(Ref<TOrvSource> source, Ref<TFileAccessor> accessor, TSlideLoaderSettings settings)
    : TOrvSlideLoader(source, std::move(accessor), std::move(settings), TShowOptions::Read(source->Project())) {}

TOrvSlideLoader::TOrvSlideLoader(Ref<TOrvSource> source, Ref<TFileAccessor> accessor, TSlideLoaderSettings settings,
                                 const TShowOptions& options)
    : TSlideShowParams("slide loader", options, settings.Screen),
      FDestination(settings.Destination),
      FEventCode(settings.EventCode) {
  auto host = MakeRef<TOrvSlideHost>(std::move(accessor), std::move(settings.HostCallbacks), options.PathToButtons);
  auto producer = MakeRef<TSlideProducer>(std::move(source), std::move(host));
  producer->SetTiming(FTiming);
  FCache = MakeRef<TSlideCache>(std::move(producer), settings.Capacity);
  FCache->OnSlideBuilt = std::move(settings.OnSlideBuilt);
  FCache->OnListChanged = [this] { SendList(); };
  SetScreen(false);
}

TOrvSlideLoader::~TOrvSlideLoader() { Stop(); }

void TOrvSlideLoader::SetScreen(bool cover) { Producer().SetGeometry(ScreenSize, cover); }

void TOrvSlideLoader::Step() {
  FCache->Update(FTiming->Current());
  WaitForEvents(kPassInterval);
}

void TOrvSlideLoader::SendList() const {
  if (!FDestination) return;
  Ref<TSlideData> data = MakeRef<TSlideData>();
  const auto containers = FCache->Containers();
  data->Containers.assign(containers.begin(), containers.end());
  FDestination->Send(FEventCode, std::move(data));
}

}  // namespace orv
