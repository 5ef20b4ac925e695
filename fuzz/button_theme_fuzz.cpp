// Button themes from outside bytes: the first line is a "Button: " picture name, the rest
// a "btn.ini" whose parts may cut the one part picture there is. A theme that cannot be
// used gives no producer, a part that cannot be read the "Incorrect Image: " picture;
// nothing may crash, hang or allocate without bound.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "../tests/slide/button_theme_fixture.h"
#include "base/text.h"
#include "project/ini_file.h"
#include "slide/button_producer.h"

namespace {

const orv::Ref<orv::TFileAccessor>& Accessor() {
  static const orv::Ref<orv::TFileAccessor> accessor = [] {
    auto source = orv::MakeRef<orv::test::TMemoryFileSource>();
    source->Files[u"parts.bmp"] = orv::test::PartSheet();
    return orv::MakeRef<orv::TFileAccessor>(source, u"");
  }();
  return accessor;
}

// Wide buttons are made correctly but slowly; the layout is what the fuzzer is after.
constexpr int kMaxFuzzWidth = 300;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t line_end = std::min(input.find('\n'), input.size());
  orv::WideString name;
  if (!orv::TryUtf8ToUtf16(input.substr(0, line_end), name)) return 0;
  const std::optional<orv::TButtonPictureName> parsed = orv::ParseButtonPictureName(name);
  if (parsed) (void)orv::FormatButtonPictureName(*parsed);

  orv::Ref<orv::TIniFile> ini = orv::MakeRef<orv::TIniFile>();
  if (!ini->LoadFromBytes(input.substr(std::min(line_end + 1, input.size())))) return 0;
  orv::Ref<orv::TButtonProducer> producer = orv::TButtonProducer::FromIni(Accessor(), u"fuzz", u"", *ini);
  if (!producer) return 0;
  const int width = parsed ? std::min(parsed->Width, kMaxFuzzWidth) : 64;
  const orv::TButtonColorShift shift = parsed ? parsed->Shift : orv::TButtonColorShift{};
  for (int state = 0; state < orv::kButtonStateCount; ++state)
    (void)producer->MakePicture(name + orv::AsciiToWide(std::to_string(state)), orv::TButtonState(state), width, shift);
  return 0;
}
