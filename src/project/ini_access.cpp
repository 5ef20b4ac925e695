// Reading and writing values of items, and the same addressed by section and key.
#include "project/ini_file.h"

#include "base/assertions.h"

namespace orv {

namespace {

// The key a file-addressed write goes to, made when missing.
TIniItem& KeyToWrite(TIniFile& file, std::string_view section, std::string_view key) {
  TIniItem* item = file.FindOrAddKey(section, key);
  ORV_ASSERT(item, "a key to write needs a name");
  return *item;
}

template <class Value, class Parse>
Value ReadParsed(const TIniItem* item, Value default_value, Parse parse) {
  return item ? parse(item->Value()).value_or(default_value) : default_value;
}

}  // namespace

WideString ReadString(const TIniItem* item, WideView default_value) {
  return item ? Utf8ToUtf16(item->Value()) : WideString(default_value);
}

std::string_view ReadUtf8(const TIniItem* item, std::string_view default_value) {
  return item ? item->Value() : default_value;
}

int32_t ReadInteger(const TIniItem* item, int32_t default_value) {
  return ReadParsed(item, default_value, ParseInteger);
}

int64_t ReadInt64(const TIniItem* item, int64_t default_value) { return ReadParsed(item, default_value, ParseInt64); }

double ReadFloat(const TIniItem* item, double default_value) { return ReadParsed(item, default_value, ParseFloat); }

bool ReadBool(const TIniItem* item, bool default_value) { return ReadParsed(item, default_value, ParseBool); }

int ReadChoice(const TIniItem* item, std::span<const std::string_view> texts, int default_value, bool ignore_case) {
  if (!item) return default_value;
  for (size_t i = 0; i < texts.size(); ++i)
    if (ignore_case ? SameTextUtf8(item->Value(), texts[i]) : item->Value() == texts[i]) return static_cast<int>(i);
  return default_value;
}

int ReadChoice(const TIniItem* item, std::initializer_list<std::string_view> texts, int default_value,
               bool ignore_case) {
  return ReadChoice(item, std::span(texts.begin(), texts.size()), default_value, ignore_case);
}

std::vector<std::string> ReadList(const TIniItem* item, char separator) {
  std::vector<std::string> parts;
  if (item)
    for (std::string_view part : SplitList(item->Value(), separator)) parts.emplace_back(part);
  return parts;
}

TIntPair ReadIntPair(const TIniItem* item, TIntPair defaults) {
  return item ? ParseIntPair(item->Value(), defaults) : defaults;
}

TVector3 ReadVector3(const TIniItem* item, const TVector3& defaults) {
  return item ? ParseVector3(item->Value(), defaults) : defaults;
}

TVector4 ReadVector4(const TIniItem* item, const TVector4& defaults) {
  return item ? ParseVector4(item->Value(), defaults) : defaults;
}

TIniColor ReadColor(const TIniItem* item, TIniColor default_color) {
  return item ? ParseColor(item->Value(), default_color) : default_color;
}

uint32_t ReadFontStyle(const TIniItem* item) { return item ? ParseFontStyle(item->Value()) : 0; }

void WriteString(TIniItem& item, WideView value) { item.SetValue(Utf16ToUtf8(value)); }

void WriteInteger(TIniItem& item, int32_t value) { item.SetValue(std::to_string(value)); }

void WriteInt64(TIniItem& item, int64_t value) { item.SetValue(std::to_string(value)); }

void WriteFloat(TIniItem& item, double value) { item.SetValue(FormatFloat(value)); }

void WriteBool(TIniItem& item, bool value) { item.SetValue(value ? "1" : "0"); }

WideString ReadString(const TIniFile& file, std::string_view section, std::string_view key, WideView default_value) {
  return ReadString(file.FindKey(section, key), default_value);
}

int32_t ReadInteger(const TIniFile& file, std::string_view section, std::string_view key, int32_t default_value) {
  return ReadInteger(file.FindKey(section, key), default_value);
}

int64_t ReadInt64(const TIniFile& file, std::string_view section, std::string_view key, int64_t default_value) {
  return ReadInt64(file.FindKey(section, key), default_value);
}

double ReadFloat(const TIniFile& file, std::string_view section, std::string_view key, double default_value) {
  return ReadFloat(file.FindKey(section, key), default_value);
}

bool ReadBool(const TIniFile& file, std::string_view section, std::string_view key, bool default_value) {
  return ReadBool(file.FindKey(section, key), default_value);
}

void WriteString(TIniFile& file, std::string_view section, std::string_view key, WideView value) {
  WriteString(KeyToWrite(file, section, key), value);
}

void WriteInteger(TIniFile& file, std::string_view section, std::string_view key, int32_t value) {
  WriteInteger(KeyToWrite(file, section, key), value);
}

void WriteInt64(TIniFile& file, std::string_view section, std::string_view key, int64_t value) {
  WriteInt64(KeyToWrite(file, section, key), value);
}

void WriteFloat(TIniFile& file, std::string_view section, std::string_view key, double value) {
  WriteFloat(KeyToWrite(file, section, key), value);
}

void WriteBool(TIniFile& file, std::string_view section, std::string_view key, bool value) {
  WriteBool(KeyToWrite(file, section, key), value);
}

}  // namespace orv
