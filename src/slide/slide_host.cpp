#include "slide/slide_host.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "base/assertions.h"
#include "image/picture_cache.h"
#include "image/picture_limits.h"
#include "package/load_pacing.h"
#include "slide/generated_store.h"
#include "slide/mask_pictures.h"
#include "slide/shadow_generator.h"
#include "text/text_store.h"

namespace orv {
namespace {

constexpr std::array<std::u16string_view, 8> kSyntheticPrefixes{
    picture_prefix::kButton,       picture_prefix::kShadow,          picture_prefix::kText,
    picture_prefix::kMask,         picture_prefix::kPresetedMask,    picture_prefix::kSlideEffectBuffer,
    picture_prefix::kEffectResource, picture_prefix::kTextWithSize};

// A key for the font cache is a short text; anything longer is not one.
constexpr size_t kMaxExeGuidSize = 256;

TSlideHostCallbacks RequireCallbacks(TSlideHostCallbacks callbacks) {
  ORV_ASSERT(bool(callbacks.EffectBufferSize), "TOrvSlideHost: EffectBufferSize not Assigned");
  ORV_ASSERT(bool(callbacks.CameraPosition), "TOrvSlideHost: CameraPosition not Assigned");
  return callbacks;
}

std::string ReadExeGuid(TFileAccessor& accessor) {
  StreamPtr stream = accessor.OpenStream(u"ExeGUID");
  if (!stream) return {};
  std::string text(kMaxExeGuidSize, '\0');
  text.resize(stream->Read(text.data(), text.size()));
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

// `source` stretched over a new width × height picture, nearest pixel.
Ref<TBitmap> StretchedCopy(const TBitmap& source, int width, int height) {
  Ref<TBitmap> copy = TBitmap::Create(width, height, pf::A8R8G8B8);
  for (int y = 0; y < height; ++y) {
    const uint8_t* from = source.Row(int(int64_t(y) * source.Height() / height));
    uint8_t* to = copy->Row(y);
    for (int x = 0; x < width; ++x) std::copy_n(from + int64_t(x) * source.Width() / width * 4, 4, to + x * 4);
  }
  return copy;
}

}  // namespace

TOrvSlideHost::TOrvSlideHost(Ref<TFileAccessor> accessor, TSlideHostCallbacks callbacks, WideString button_folder)
    : FAccessor(std::move(accessor)),
      FCallbacks(RequireCallbacks(std::move(callbacks))),
      FButtonFolder(std::move(button_folder)) {
  ORV_ASSERT(bool(FAccessor), "TOrvSlideHost: FileAccessor not Assigned");
  FButtonProducers = MakeRef<TButtonProducerHost>(FAccessor, FButtonFolder);
  SetGenerator(picture_prefix::kButton, [this](const WideString& name) { return FButtonProducers->MakePicture(name); });
  FExeGuid = ReadExeGuid(*FAccessor);
  // Glyphs of another show's package must not serve this one.
  FontCache().SetIdentity(FExeGuid);
  SetGenerator(picture_prefix::kText, [this](const WideString& name) -> Ref<TSysBitmapStore> {
    Ref<TTextBitmapStore> text = TTextBitmapStore::Create(name, FAccessor.Get());
    // A long text leaves the processor to the playing show between its lines.
    if (text) text->SetProgressHandler([](double) { PaceLoading(nullptr); });
    return text;
  });
  SetGenerator(picture_prefix::kSlideEffectBuffer, [this](const WideString& name) { return MakeEffectBuffer(name); });
  SetGenerator(picture_prefix::kEffectResource, [this](const WideString& name) { return MakeEffectResource(name); });
  SetGenerator(picture_prefix::kShadow, [this](const WideString& name) { return MakeShadowPicture(*this, name); });
  SetGenerator(picture_prefix::kMask, [this](const WideString& name) { return MakeRestoredAlphaPicture(*this, name); });
  SetGenerator(picture_prefix::kPresetedMask, &MakePresetMaskPicture);
}

std::u16string_view TOrvSlideHost::SyntheticPrefix(WideView name) {
  for (std::u16string_view prefix : kSyntheticPrefixes)
    if (name.starts_with(prefix)) return prefix;
  return {};
}

void TOrvSlideHost::SetGenerator(std::u16string_view prefix, TPictureGenerator generator) {
  const auto known = std::find(kSyntheticPrefixes.begin(), kSyntheticPrefixes.end(), prefix);
  ORV_ASSERT(known != kSyntheticPrefixes.end(), "TOrvSlideHost: unknown picture prefix");
  std::erase_if(FGenerators, [&](const TGeneratorEntry& entry) { return entry.Prefix == prefix; });
  FGenerators.push_back({*known, std::move(generator)});
}

Ref<TImage> TOrvSlideHost::GetPicture(const WideString& name) const {
  const std::u16string_view prefix = SyntheticPrefix(name);
  if (prefix.empty()) return name.empty() ? nullptr : Ref<TImage>(GetImage(*FAccessor, name));
  for (const TGeneratorEntry& entry : FGenerators)
    if (entry.Prefix == prefix) {
      Ref<TSysBitmapStore> store = entry.Generator(name);
      return store ? MakeRef<TImage>(std::move(store)) : nullptr;
    }
  return nullptr;
}

Ref<TRefObject> TOrvSlideHost::SharedResource(const std::string& key, const std::function<Ref<TRefObject>()>& make) {
  std::lock_guard lock(FSharedLock);
  const auto entry = FShared.try_emplace(key).first;
  if (!entry->second) entry->second = make();
  if (entry->second) return entry->second;
  FShared.erase(entry);
  return nullptr;
}

void TOrvSlideHost::LeaveSharedResource(const std::string& key) {
  std::lock_guard lock(FSharedLock);
  const auto kept = FShared.find(key);
  if (kept != FShared.end() && kept->second->RefCount() == 1) FShared.erase(kept);
}

Ref<TSysBitmapStore> TOrvSlideHost::MakeEffectBuffer(const WideString&) const {
  const TIntPair size = EffectBufferSize();
  if (!PictureSizeAllowed(size.First, size.Second)) return nullptr;
  return MakeRef<TGeneratedStore>(u"zaglushka for slide-effect buffer", size.First, size.Second, [size] {
    Ref<TBitmap> opaque = TBitmap::Create(size.First, size.Second, pf::A8R8G8B8);
    opaque->Fill(0xFF000000u);
    return opaque;
  });
}

Ref<TSysBitmapStore> TOrvSlideHost::MakeEffectResource(const WideString& name) const {
  const WideView rest = WideView(name).substr(picture_prefix::kEffectResource.size());
  if (rest.empty() || rest[0] < u'0' || rest[0] > u'9' || !FCallbacks.EffectResource) return nullptr;
  Ref<TImage> resource = FCallbacks.EffectResource(rest[0] - u'0');
  const TIntPair size = EffectBufferSize();
  if (!resource || !PictureSizeAllowed(size.First, size.Second)) return nullptr;
  return MakeRef<TGeneratedStore>(u"effect resource", size.First, size.Second, [resource, size]() -> Ref<TBitmap> {
    Ref<TBitmap> pixels = resource->GetLevel(0, &pf::A8R8G8B8);
    return pixels ? StretchedCopy(*pixels, size.First, size.Second) : nullptr;
  });
}

}  // namespace orv
