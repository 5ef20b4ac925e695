// Project text through the props loader: every slide section's tree is loaded, evaluated
// across its timeline, reloaded from the same text, and its colour grading sampled. Nothing
// may crash or hang; malformed blocks are refused with our own exceptions at most.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/exceptions.h"
#include "project/ini_file.h"
#include "slide/grading.h"
#include "slide/key_frames.h"
#include "slide/slide_props.h"

namespace {

void Exercise(orv::TOrvObjectProps& node) {
  orv::TGradingParams grading;
  if (orv::GetGradingParams(node, nullptr, grading)) (void)orv::SampleGrading(grading, {10, 200, 90});
  for (const auto& child : node.Children()) Exercise(*child);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  auto file = orv::MakeRef<orv::TIniFile>();
  file->LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  for (size_t i = 0; i < file->SectionCount() && i < 4; ++i) {
    auto root = orv::MakeRef<orv::TOrvObjectProps>();
    try {
      for (int load = 0; load < 2; ++load) {
        if (!orv::LoadSlideProps(*root, *file->SectionAt(i), {4000, 500, 700})) break;
        for (double time : {-10.0, 0.0, 333.0, 2000.0, 3999.0, 4000.0, 9000.0, 1000.0}) {
          root->Evaluate(time, true);
          Exercise(*root);
        }
      }
    } catch (const orv::EAssertionFailed&) {
      // A block without GUID or a tree nested too deeply: the slide is refused.
    }
  }
  return 0;
}
