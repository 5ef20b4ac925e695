#include "audio/composite_description.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "audio/media_probe.h"
#include "base/log.h"
#include "project/ini_file.h"
#include "project/ini_values.h"

namespace orv {
namespace {

constexpr std::string_view kMarker = kCompositeMarker;
constexpr std::string_view kMainSection = "Main";
constexpr std::string_view kMainVolumeSection = "MainVolume";

std::string PointSection(std::string_view owner, size_t envelope, size_t point) {
  return "Vol_" + std::string(owner) + "_" + std::to_string(envelope) + "_" + std::to_string(point);
}

// A time of the description, held to the range the mixer's byte positions can hold.
double ReadTime(const TIniItem* item) {
  return std::clamp(ReadFloat(item, 0), -TVolumeParams::kMaxTimeMs, TVolumeParams::kMaxTimeMs);
}

// The shortest text that reads back as the same number.
void WriteNumber(TIniSection& section, std::string_view key, double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  section.AddKey(key, std::string_view(text, static_cast<size_t>(result.ptr - text)));
}

void WriteEnvelopes(TIniFile& document, TIniSection& owner_section, std::string_view owner,
                    const TVolumeParamsList& list) {
  size_t written = 0;
  for (const TVolumeParams& envelope : list.Envelopes()) {
    if (envelope.Empty()) continue;
    for (size_t k = 0; k < envelope.Items().size(); ++k) {
      TIniSection* point = document.FindOrAddSection(PointSection(owner, written, k));
      WriteNumber(*point, "0", envelope.Items()[k].Time);
      WriteNumber(*point, "1", envelope.Items()[k].Volume);
    }
    ++written;
  }
  owner_section.AddKey("FadeCount", std::to_string(written));
}

// The envelopes of one owner (an item index or "MainVolume"); false when the count is out
// of range. Reading stops at the first envelope the text does not have, so a large count
// alone claims nothing.
bool ReadEnvelopes(const TIniFile& document, const TIniSection& owner_section, std::string_view owner,
                   TVolumeParamsList& list) {
  const int64_t count = ReadInt64(owner_section.FindKey("FadeCount"), 0);
  if (count < 0 || count > kMaxFadeCount) return false;
  for (size_t j = 0; j < static_cast<size_t>(count); ++j) {
    TVolumeParams envelope;
    for (size_t k = 0;; ++k) {
      const TIniSection* point = document.FindSection(PointSection(owner, j, k));
      const TIniItem* volume = point ? point->FindKey("1") : nullptr;
      if (!volume) break;
      envelope.Add(ReadFloat(point->FindKey("0"), 0), ReadFloat(volume, 0));
    }
    if (envelope.Empty()) break;
    list.Add(std::move(envelope));
  }
  return true;
}

// One description without its marker.
std::optional<TCompositeParams> ParsePart(std::string_view body) {
  Ref<TIniFile> document = MakeRef<TIniFile>();
  if (!document->LoadFromBytes(body)) return std::nullopt;
  TCompositeParams params;
  const TIniSection* main = document->FindSection(kMainSection);
  params.Duration = ReadTime(main ? main->FindKey("Duration") : nullptr);
  for (size_t i = 0;; ++i) {
    const std::string owner = std::to_string(i);
    const TIniSection* section = document->FindSection(owner);
    const TIniItem* file_name = section ? section->FindKey("FileName") : nullptr;
    if (!file_name) break;
    TCompositeItem item;
    item.FileName = std::string(ReadUtf8(file_name));
    item.TimeLine = ReadTime(section->FindKey("TimeLine"));
    item.BeginTime = ReadTime(section->FindKey("BeginTime"));
    item.Duration = ReadTime(section->FindKey("Duration"));
    if (!ReadEnvelopes(*document, *section, owner, item.Volumes)) return std::nullopt;
    if (item.Duration < 0) {
      Log().Write("Composite: item " + owner + " (" + item.FileName + ") has a negative duration, left out");
      continue;
    }
    params.Items.push_back(std::move(item));
  }
  if (const TIniSection* master = document->FindSection(kMainVolumeSection)) {
    TVolumeParamsList list(false);
    if (!ReadEnvelopes(*document, *master, kMainVolumeSection, list)) return std::nullopt;
    if (!list.Envelopes().empty()) params.MainVolume = std::move(list);
  }
  if (!(params.Duration > 0) || params.Items.empty()) return std::nullopt;
  return params;
}

// A later part's master envelopes keep the sound unchanged until the part begins.
TVolumeParams ShiftedEnvelope(const TVolumeParams& envelope, double offset) {
  TVolumeParams shifted;
  if (offset >= 1) {
    shifted.Add(0, 1000);
    shifted.Add(offset - 1, 1000);
  }
  for (const TVolumeItem& point : envelope.Items()) shifted.Add(point.Time + offset, point.Volume);
  return shifted;
}

void AppendPart(TCompositeParams& joined, TCompositeParams part) {
  const double offset = joined.Duration;
  for (TCompositeItem& item : part.Items) {
    item.TimeLine = std::min(item.TimeLine + offset, TVolumeParams::kMaxTimeMs);
    joined.Items.push_back(std::move(item));
  }
  if (part.MainVolume) {
    if (!joined.MainVolume) joined.MainVolume.emplace(false);
    for (const TVolumeParams& envelope : part.MainVolume->Envelopes())
      joined.MainVolume->Add(ShiftedEnvelope(envelope, offset));
  }
  joined.Duration = std::min(joined.Duration + part.Duration, TVolumeParams::kMaxTimeMs);
}

}  // namespace

bool IsCompositeDescription(std::string_view text) noexcept { return text.starts_with(kMarker); }

std::string WriteCompositeDescription(const TCompositeParams& params) {
  Ref<TIniFile> document = MakeRef<TIniFile>();
  WriteNumber(*document->FindOrAddSection(kMainSection), "Duration", params.Duration);
  for (size_t i = 0; i < params.Items.size(); ++i) {
    const TCompositeItem& item = params.Items[i];
    const std::string owner = std::to_string(i);
    TIniSection& section = *document->FindOrAddSection(owner);
    section.AddKey("FileName", item.FileName);
    WriteNumber(section, "TimeLine", item.TimeLine);
    WriteNumber(section, "BeginTime", item.BeginTime);
    WriteNumber(section, "Duration", item.Duration);
    WriteEnvelopes(*document, section, owner, item.Volumes);
  }
  if (params.MainVolume)
    WriteEnvelopes(*document, *document->FindOrAddSection(kMainVolumeSection), kMainVolumeSection,
                   *params.MainVolume);
  // With the byte-order mark the document reads back as UTF-8 whatever its file names hold.
  return std::string(kMarker) + document->SaveToString(true);
}

std::optional<TCompositeParams> ParseCompositeDescription(std::string_view text) {
  if (!IsCompositeDescription(text)) return std::nullopt;
  TCompositeParams joined;
  size_t start = 0;
  while (start < text.size()) {
    const size_t body = start + kMarker.size();
    const size_t next = text.find(kMarker, body);
    const size_t end = next == std::string_view::npos ? text.size() : next;
    std::optional<TCompositeParams> part = ParsePart(text.substr(body, end - body));
    if (!part) return std::nullopt;
    AppendPart(joined, std::move(*part));
    start = end;
  }
  return joined;
}

std::string JoinCompositeDescriptions(const std::vector<std::string>& descriptions) {
  std::string joined;
  for (const std::string& description : descriptions) joined += description;
  return joined;
}

}  // namespace orv
