// Composite descriptions on arbitrary text: reading never fails hard, what was read writes
// back to a text that reads the same, and the envelopes compile and evaluate at any place.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "audio/composite_description.h"
#include "audio/media_probe.h"
#include "audio/wave_format.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void Evaluate(orv::TVolumeParamsList& list, double length_ms) {
  list.Compile(length_ms);
  for (const double ms : {-5.0, 0.0, 7.5, length_ms / 2, length_ms - 1, length_ms}) {
    list.SetPosition(orv::MsToStandardBytes(ms));
    for (int i = 0; i < 64 && !list.Ended(); ++i) {
      Check(list.Gain() >= 0);
      list.Step();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Most inputs get the marker, so the fuzzer spends its time on the document.
  std::string text(reinterpret_cast<const char*>(data), size);
  if (size == 0 || data[0] != '!') text = orv::kCompositeMarker + text;
  std::optional<orv::TCompositeParams> params = orv::ParseCompositeDescription(text);
  if (!params) return 0;
  const std::optional<orv::TCompositeParams> again = orv::ParseCompositeDescription(orv::WriteCompositeDescription(*params));
  Check(again && again->Items.size() == params->Items.size() && again->Duration == params->Duration);
  for (size_t i = 0; i < params->Items.size() && i < 16; ++i) {
    orv::TCompositeItem& item = params->Items[i];
    Check(again->Items[i].FileName == item.FileName);
    Evaluate(item.Volumes, std::min(item.Duration, params->Duration - item.TimeLine));
  }
  if (params->MainVolume) Evaluate(*params->MainVolume, params->Duration);
  return 0;
}
