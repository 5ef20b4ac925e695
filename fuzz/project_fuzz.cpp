// Project text on arbitrary bytes: load, write, reload and write again must give the same
// text; the escaped form must survive its own round trip; every value reader must cope.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "project/ini_file.h"
#include "project/show_options.h"

namespace {

void ReadEveryValue(const orv::TIniList& list) {
  for (const auto& item : list.Items()) {
    const orv::TIniItem* key = item;
    (void)orv::ReadInteger(key, 0);
    (void)orv::ReadInt64(key, 0);
    (void)orv::ReadFloat(key, 0);
    (void)orv::ReadColor(key, {});
    (void)orv::ReadVector4(key, {});
    (void)orv::ReadFontStyle(key);
    orv::WideString text;
    (void)orv::TryUtf8ToUtf16(key->Value(), text);
    (void)list.FindItem(key->Name());
    (void)list.FindObjectOfClass(key->Name(), key->Value());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto file = orv::MakeRef<orv::TIniFile>();
  if (!file->LoadFromBytes(bytes)) std::abort();
  // With the mark, so that the reload reads UTF-8 whatever the first load decoded.
  const std::string written = file->SaveToString(true);
  auto reloaded = orv::MakeRef<orv::TIniFile>();
  if (!reloaded->LoadFromBytes(written) || reloaded->SaveToString(true) != written) std::abort();

  const std::string escaped = file->SaveToEscaped();
  if (!reloaded->LoadFromEscaped(escaped) || reloaded->SaveToEscaped() != escaped) std::abort();

  ReadEveryValue(*file);
  for (size_t i = 0; i < file->SectionCount(); ++i) ReadEveryValue(*file->SectionAt(i));
  (void)orv::TShowOptions::Read(*file);
  (void)file->FindPath(bytes.substr(0, 64));
  (void)file->SaveToString();
  return 0;
}
