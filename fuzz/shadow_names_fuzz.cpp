// Names of the pictures the slide host makes for shadows and masks: "Shadow: ",
// "PresetedMask:" and "Mask: " names are parsed and their pictures generated. Malformed
// names give no picture; nothing may crash, hang or allocate without bound.
#include <cstdint>
#include <string_view>

#include "base/text.h"
#include "image/bitmap_store.h"
#include "package/file_accessor.h"
#include "slide/slide_host.h"

namespace {

orv::TSlideHostCallbacks Callbacks() {
  orv::TSlideHostCallbacks callbacks;
  callbacks.EffectBufferSize = [] { return orv::TIntPair{64, 48}; };
  callbacks.CameraPosition = [] { return orv::TPoint3F{320, 240, -600}; };
  return callbacks;
}

// Every file name is a small picture with some alpha: no file is read.
orv::Ref<orv::TBitmapStore> AnyPicture(void*, const orv::WideString& name) {
  orv::Ref<orv::TBitmap> pixels = orv::TBitmap::Create(37, 23, orv::pf::A8R8G8B8);
  for (int y = 0; y < pixels->Height(); ++y)
    for (int x = 0; x < pixels->Width(); ++x) reinterpret_cast<uint32_t*>(pixels->Row(y))[x] = uint32_t(x * 7 + y) << 24;
  return orv::MakeRef<orv::TWrapperBitmapStore>(name, pixels);
}

orv::TOrvSlideHost& Host() {
  static const orv::Ref<orv::TOrvSlideHost> host = [] {
    auto accessor = orv::MakeRef<orv::TFileAccessor>(orv::MakeRef<orv::TRealFileSource>(), u"");
    static const orv::Ref<orv::TCallbackHandle> pictures = accessor->AddPictureProvider({&AnyPicture, nullptr});
    return orv::MakeRef<orv::TOrvSlideHost>(accessor, Callbacks());
  }();
  return *host;
}

constexpr std::u16string_view kPrefixes[] = {u"Shadow: ", u"PresetedMask:", u"Mask: "};
// Pictures this large are made correctly but slowly; the parsers and the layout are what the
// fuzzer is after.
constexpr int64_t kMaxGeneratedPixels = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  orv::WideString rest;
  if (!orv::TryUtf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), rest)) return 0;
  const orv::WideString name = orv::WideString(kPrefixes[data[0] % std::size(kPrefixes)]) + rest;
  const orv::Ref<orv::TImage> picture = Host().GetPicture(name);
  if (picture && int64_t(picture->Width()) * picture->Height() <= kMaxGeneratedPixels) {
    const orv::Ref<orv::TBitmap> pixels = picture->GetLevel(0);
    if (pixels && (pixels->Width() != picture->Width() || pixels->Height() != picture->Height())) __builtin_trap();
  }
  return 0;
}
