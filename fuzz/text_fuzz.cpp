// UTF-8 decoding, case folding and hashing on arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  orv::WideString wide;
  if (orv::TryUtf8ToUtf16(bytes, wide)) {
    // Valid text survives the round trip and folds consistently.
    if (orv::Utf16ToUtf8(wide) != bytes) std::abort();
    const std::string lower = orv::LowerUtf8(bytes);
    if (!orv::SameTextUtf8(lower, bytes)) std::abort();
    if (orv::FoldedHashUtf8(lower) != orv::FoldedHashUtf8(bytes)) std::abort();
  }
  (void)orv::Windows1252ToUtf8(bytes);
  return 0;
}
