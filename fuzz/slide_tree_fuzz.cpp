// Project text through the slide object tree: every section with a "Container" becomes a
// slide whose objects are placed across its timeline, measured for their picture sizes,
// hit-tested and clicked. Nothing may crash or hang; a malformed tree is refused with our
// own assertion at most.
#include <cstdint>
#include <string_view>

#include "base/exceptions.h"
#include "image/bitmap_store.h"
#include "package/file_accessor.h"
#include "project/ini_file.h"
#include "slide/orv_slide.h"

namespace {

orv::TSlideHostCallbacks Callbacks() {
  orv::TSlideHostCallbacks callbacks;
  callbacks.EffectBufferSize = [] { return orv::TIntPair{64, 48}; };
  callbacks.CameraPosition = [] { return orv::TPoint3F{320, 240, -600}; };
  callbacks.AcceptsFlatHit = [](const orv::TOrvObject&) { return true; };
  return callbacks;
}

// Every file name is a small picture: no file is read and no placeholder drawn.
orv::Ref<orv::TBitmapStore> AnyPicture(void*, const orv::WideString& name) {
  return orv::MakeRef<orv::TWrapperBitmapStore>(name, orv::TBitmap::Create(8, 6, orv::pf::A8R8G8B8));
}

orv::Ref<orv::TOrvSlideHost> MakeHost() {
  auto accessor = orv::MakeRef<orv::TFileAccessor>(orv::MakeRef<orv::TRealFileSource>(), u"");
  static const orv::Ref<orv::TCallbackHandle> pictures = accessor->AddPictureProvider({&AnyPicture, nullptr});
  return orv::MakeRef<orv::TOrvSlideHost>(accessor, Callbacks());
}

void Exercise(orv::TOrvSlide& slide) {
  for (double time : {-10.0, 0.0, 333.0, 2000.0, 3999.0, 4000.0, 9000.0}) slide.UpdateAt(true, time);
  slide.PrepareSizes(1000);
  orv::WideString action;
  for (const orv::TPointF point : {orv::TPointF{320, 240}, orv::TPointF{5, 470}, orv::TPointF{600, 20}}) {
    for (int kind = 0; kind < 3; ++kind)
      slide.MouseEvent(kind == 1 ? orv::kLeftButtonMask : 0, point, true, orv::TMouseEventKind(kind), orv::kLeftButton, action);
  }
  orv::TMainPicture picture;
  slide.FindMainPicture(picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  static const orv::Ref<orv::TOrvSlideHost> host = MakeHost();
  auto file = orv::MakeRef<orv::TIniFile>();
  file->LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  const orv::Ref<orv::TIniSection> main = orv::MakeRef<orv::TIniSection>("Main");
  for (size_t i = 0; i < file->SectionCount() && i < 4; ++i) {
    auto slide = orv::MakeRef<orv::TOrvSlide>(host);
    slide->SetGeometry({320, 240}, {800, 600}, {640, 480});
    try {
      const orv::TSlideLists lists{main, orv::Ref<orv::TIniSection>::Share(file->SectionAt(i)), nullptr};
      if (slide->LoadSlide(lists, {0, 4000, 500, 700}, i % 2 == 0)) Exercise(*slide);
    } catch (const orv::EAssertionFailed&) {
      // A block without GUID or a tree nested too deeply: the slide is refused.
    }
  }
  return 0;
}
