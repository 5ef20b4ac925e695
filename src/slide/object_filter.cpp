#include "slide/object_filter.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace orv {

bool TObjectFilter::Load(TIniObject& block) {
  const std::string_view id = ReadUtf8(block.FindKey("id"));
  const int64_t revision = ReadInt64(block.FindKey("$rev"), 0);
  if (!FId.empty()) {
    if (!SameTextUtf8(id, FId) || revision != FRevision) return false;
  } else if (id.empty()) {
    FId = NewGuidText();
    block.FindOrAddKey("id")->SetValue(FId);
  } else {
    FId = id;
  }
  FRevision = revision;
  FBlock = Ref<TIniObject>::Share(&block);
  FDisabled = ReadBool(block.FindKey("Disable"), false);
  if (FBuiltRevision != FRevision) {
    FBuiltRevision = FRevision;
    FFailed = !Rebuild();
  }
  return true;
}

void TObjectFilter::ApplyToTable(uint8_t*, int, int) const {}

double TObjectFilter::Evaluate() { return 0; }

void ApplyChain(const TFilterChain& chain, uint8_t* pixels, int width, int rows) {
  for (const auto& filter : chain)
    if (!filter->Disabled()) filter->ApplyToTable(pixels, width, rows);
}

std::string ChainSignature(const TFilterChain& chain) {
  // Wrapping arithmetic: revisions are arbitrary 64-bit numbers from the project.
  uint64_t sum = 0;
  for (const auto& filter : chain) sum += static_cast<uint64_t>(filter->Revision());
  return sum == 0 ? std::string() : std::to_string(static_cast<int64_t>(sum));
}

int ChainKind(const TFilterChain& chain) {
  int kind = kFilterPerChannel;
  for (const auto& filter : chain) kind = std::max(kind, filter->GetKind());
  return kind;
}

std::string NewGuidText() {
  thread_local std::mt19937_64 generator{std::random_device{}()};
  const uint64_t high = generator();
  // Version 4 and the standard variant, as any GUID generator of the platform would make.
  const uint64_t low = (generator() & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", unsigned(high >> 32), unsigned(high >> 16) & 0xFFFF,
                (unsigned(high) & 0x0FFF) | 0x4000, unsigned(low >> 48), (unsigned long long)(low & 0xFFFFFFFFFFFFull));
  return text;
}

}  // namespace orv
